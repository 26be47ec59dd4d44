#include "system/XmlNames.h"

#include <cstring>

namespace rtctl
{
  const char* const XmlNames::kRts = "http://www.openrtp.org/namespaces/rts";
  const char* const XmlNames::kRtsExt = "http://www.openrtp.org/namespaces/rts_ext";
  const char* const XmlNames::kXsi = "http://www.w3.org/2001/XMLSchema-instance";

  std::string XmlNames::uriOf(pugi::xml_node node, const std::string& prefix)
  {
    if (prefix == "xml")
      return "http://www.w3.org/XML/1998/namespace";
    const std::string declaration = prefix.empty() ? "xmlns" : "xmlns:" + prefix;
    for (pugi::xml_node n = node; n; n = n.parent())
    {
      if (n.type() != pugi::node_element)
        continue;
      const pugi::xml_attribute a = n.attribute(declaration.c_str());
      if (a)
        return a.value();
    }
    return std::string();
  }

  std::string XmlNames::prefixOf(const char* qualifiedName)
  {
    const char* colon = std::strchr(qualifiedName, ':');
    return colon == nullptr ? std::string() : std::string(qualifiedName, colon);
  }

  std::string XmlNames::localOf(const char* qualifiedName)
  {
    const char* colon = std::strchr(qualifiedName, ':');
    return colon == nullptr ? qualifiedName : colon + 1;
  }

  bool XmlNames::is(pugi::xml_node element, const char* uri, const char* local)
  {
    return element.type() == pugi::node_element && localOf(element.name()) == local &&
           uriOf(element, prefixOf(element.name())) == uri;
  }

  std::vector<pugi::xml_node> XmlNames::children(pugi::xml_node parent, const char* uri, const char* local)
  {
    std::vector<pugi::xml_node> found;
    for (pugi::xml_node child : parent.children())
      if (is(child, uri, local))
        found.push_back(child);
    return found;
  }

  namespace
  {
    pugi::xml_attribute find(pugi::xml_node element, const char* uri, const char* local)
    {
      pugi::xml_attribute unprefixed;
      for (pugi::xml_attribute a : element.attributes())
      {
        if (XmlNames::localOf(a.name()) != local)
          continue;
        const std::string prefix = XmlNames::prefixOf(a.name());
        if (prefix.empty())
          unprefixed = a;
        else if (prefix != "xmlns" && XmlNames::uriOf(element, prefix) == uri)
          return a;
      }
      return unprefixed;
    }
  }

  std::string XmlNames::attribute(pugi::xml_node element, const char* uri, const char* local)
  {
    return find(element, uri, local).value();
  }

  bool XmlNames::hasAttribute(pugi::xml_node element, const char* uri, const char* local)
  {
    return static_cast<bool>(find(element, uri, local));
  }

  std::string XmlNames::shown(pugi::xml_node element)
  {
    const std::string uri = uriOf(element, prefixOf(element.name()));
    const std::string local = localOf(element.name());
    if (uri == kRts)
      return "rts:" + local;
    if (uri == kRtsExt)
      return "rtsExt:" + local;
    return element.name();
  }
}
