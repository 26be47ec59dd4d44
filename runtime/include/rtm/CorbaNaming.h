// A naming-service client in the middleware's shape, for programs that drive components without a
// manager: CorbaNaming naming(orb, "localhost:2809"); naming.resolve("host.host_cxt/C0.rtc").
// Names are written "a.kind/b/c.kind": '/' separates the parts, the last '.' of a part its kind.
#ifndef RTM_CORBANAMING_H
#define RTM_CORBANAMING_H

#include <omniORB4/CORBA.h>
#include <omniORB4/Naming.hh>

#include <string>

namespace RTC
{
  class CorbaNaming
  {
  public:
    typedef CosNaming::NamingContext::NotFound NotFound;
    typedef CosNaming::NamingContext::CannotProceed CannotProceed;
    typedef CosNaming::NamingContext::InvalidName InvalidName;
    typedef CosNaming::NamingContext::AlreadyBound AlreadyBound;

    explicit CorbaNaming(CORBA::ORB_ptr orb);
    // Reaches the naming service at "host:port" (corbaloc); throws CORBA::SystemException when it
    // is not a naming service.
    CorbaNaming(CORBA::ORB_ptr orb, const char* name_server);
    virtual ~CorbaNaming() {}

    void init(const char* name_server);
    bool isNamingContext(CORBA::Object_ptr obj);

    // With force, missing contexts on the way are made; without, a missing one throws NotFound.
    void bind(const CosNaming::Name& name, CORBA::Object_ptr obj, const bool force = true);
    void bindByString(const char* string_name, CORBA::Object_ptr obj, const bool force = true);
    void rebind(const CosNaming::Name& name, CORBA::Object_ptr obj, const bool force = true);
    void rebindByString(const char* string_name, CORBA::Object_ptr obj, const bool force = true);
    // New references (the caller releases them); NotFound when nothing is bound there.
    CORBA::Object_ptr resolve(const CosNaming::Name& name);
    CORBA::Object_ptr resolve(const char* string_name);
    void unbind(const CosNaming::Name& name);
    void unbind(const char* string_name);
    CosNaming::NamingContext_ptr newContext();
    CosNaming::NamingContext_ptr bindNewContext(const CosNaming::Name& name, bool force = true);

    // Pure text: no call to the service. InvalidName for an empty name or part.
    CosNaming::Name toName(const char* string_name);
    std::string toString(const CosNaming::Name& name);
    CosNaming::NamingContext_ptr getRootContext();

  private:
    void bindAt(const CosNaming::Name& name, CORBA::Object_ptr obj, bool force, bool replace);
    CosNaming::NamingContext_ptr contextOf(const CosNaming::Name& name, bool force);

    CORBA::ORB_var m_varORB;
    std::string m_nameServer;
    CosNaming::NamingContext_var m_rootContext;
  };
}  // namespace RTC

#endif  // RTM_CORBANAMING_H
