// Namespace-aware lookups on a pugixml tree, which itself sees only "prefix:name" strings.
// Files from other tools choose their own prefixes (or a default namespace), so elements and
// attributes are matched by namespace URI and local name, with the prefixes resolved through the
// xmlns declarations in scope.
#pragma once

#include <pugixml.hpp>

#include <string>
#include <vector>

namespace rtctl
{
  class XmlNames
  {
  public:
    static const char* const kRts;
    static const char* const kRtsExt;
    static const char* const kXsi;

    // The URI bound to `prefix` at `node` ("" for no binding); the empty prefix gives the
    // default namespace.
    static std::string uriOf(pugi::xml_node node, const std::string& prefix);
    static std::string prefixOf(const char* qualifiedName);
    static std::string localOf(const char* qualifiedName);

    static bool is(pugi::xml_node element, const char* uri, const char* local);
    static std::vector<pugi::xml_node> children(pugi::xml_node parent, const char* uri, const char* local);
    // The attribute with that local name in that namespace; an unprefixed one of the same local
    // name is taken too, as some writers leave the prefix off. "" when absent.
    static std::string attribute(pugi::xml_node element, const char* uri, const char* local);
    static bool hasAttribute(pugi::xml_node element, const char* uri, const char* local);
    // "rts:Components" for an element in the core namespace, whatever its prefix in the file.
    static std::string shown(pugi::xml_node element);
  };
}
