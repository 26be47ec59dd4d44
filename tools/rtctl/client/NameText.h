// What a bound name says of itself, in the "id.kind" text the tools show: whether it names a
// component, a manager or a host's context, and whether that text can name it again. A naming
// service holds whatever anyone bound in it; a name whose text reads back as another name (an
// id with '/', "..", bytes that are not UTF-8) cannot be shown, resolved or saved faithfully.
#pragma once

#include <omniORB4/CORBA.h>
#include <omniORB4/Naming.hh>

#include <string>

namespace rtctl
{
  class NameText
  {
  public:
    static bool endsWith(const std::string& text, const std::string& tail);
    // "Trimul0.rtc", "manager.mgr", "myhost.host_cxt": the kinds the middleware binds.
    static bool isComponent(const std::string& name);
    static bool isManager(const std::string& name);
    static bool isHostContext(const std::string& name);

    // Why `component` cannot be written as a path element that names it again; "" when it can.
    static std::string oddity(const CosNaming::NameComponent& component);
    // Text safe to print on one line: bytes that are not printable UTF-8 as \xHH.
    static std::string printable(const std::string& text);
    // True when `text` is well-formed UTF-8 without control characters.
    static bool isCleanUtf8(const std::string& text);
  };
}
