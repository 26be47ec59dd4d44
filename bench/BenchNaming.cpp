#include "BenchNaming.h"

#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <iostream>
#include <thread>

namespace bench
{
  CORBA::ORB_ptr initLoopbackOrb(const char* program)
  {
    const char* args[] = {program, "-ORBendPoint", "giop:tcp:127.0.0.1:"};
    int argc = 3;
    return CORBA::ORB_init(argc, const_cast<char**>(args));
  }

  CosNaming::NamingContextExt_ptr namingRoot(CORBA::ORB_ptr orb, int port)
  {
    const std::string loc = "corbaloc::127.0.0.1:" + std::to_string(port) + "/NameService";
    CORBA::Object_var obj = orb->string_to_object(loc.c_str());
    CosNaming::NamingContextExt_var root = CosNaming::NamingContextExt::_narrow(obj);
    if (CORBA::is_nil(root))
      throw CORBA::OBJECT_NOT_EXIST();
    return root._retn();
  }

  std::string componentPath(const std::string& instance)
  {
    char host[256] = {};
    gethostname(host, sizeof host - 1);
    return std::string(host) + ".host_cxt/" + instance + ".rtc";
  }

  CORBA::Object_ptr tryResolve(CosNaming::NamingContextExt_ptr root, const std::string& path)
  {
    try
    {
      return root->resolve_str(path.c_str());
    }
    catch (const CosNaming::NamingContext::NotFound&)
    {
      return CORBA::Object::_nil();
    }
  }

  CORBA::Object_ptr waitFor(CosNaming::NamingContextExt_ptr root, const std::string& path, double timeoutSeconds)
  {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::duration<double>(timeoutSeconds);
    for (;;)
    {
      CORBA::Object_var obj = tryResolve(root, path);
      if (!CORBA::is_nil(obj))
        return obj._retn();
      if (std::chrono::steady_clock::now() > deadline)
        return CORBA::Object::_nil();
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
  }

  void bindInContext(CosNaming::NamingContextExt_ptr root, const std::string& path, CORBA::Object_ptr obj)
  {
    CosNaming::Name_var name = root->to_name(path.c_str());
    CosNaming::Name context;
    context.length(1);
    context[0] = name[0];
    try
    {
      CosNaming::NamingContext_var created = root->bind_new_context(context);
    }
    catch (const CosNaming::NamingContext::AlreadyBound&)
    {}
    root->rebind(name.in(), obj);
  }

  void unbindIfBound(CosNaming::NamingContextExt_ptr root, const std::string& path)
  {
    try
    {
      CosNaming::Name_var name = root->to_name(path.c_str());
      root->unbind(name.in());
    }
    catch (const CosNaming::NamingContext::NotFound&)
    {}
  }

  long argNumber(const char* text, const char* what)
  {
    char* end = nullptr;
    const long value = std::strtol(text, &end, 10);
    if (end == text || *end != '\0' || value <= 0)
    {
      std::cerr << "bench: " << what << " must be a positive number, not '" << text << "'\n";
      std::exit(2);
    }
    return value;
  }

  sigset_t blockStopSignals()
  {
    sigset_t stopSignals;
    sigemptyset(&stopSignals);
    sigaddset(&stopSignals, SIGINT);
    sigaddset(&stopSignals, SIGTERM);
    pthread_sigmask(SIG_BLOCK, &stopSignals, nullptr);
    return stopSignals;
  }
}
