// Reaching names in a private omniNames from the benchmark's helper programs.
#pragma once

#include <omniORB4/CORBA.h>

#include <csignal>

#include <string>

namespace bench
{
  // An ORB for a helper that only calls out; it listens on loopback only, like everything here.
  CORBA::ORB_ptr initLoopbackOrb(const char* program);
  // The root context of the naming service on 127.0.0.1:port (throws a CORBA exception if it
  // does not answer).
  CosNaming::NamingContextExt_ptr namingRoot(CORBA::ORB_ptr orb, int port);
  // "<hostname>.host_cxt/<instance>.rtc": where a component host binds an instance.
  std::string componentPath(const std::string& instance);
  // The object bound at path, or nil if nothing is bound there yet.
  CORBA::Object_ptr tryResolve(CosNaming::NamingContextExt_ptr root, const std::string& path);
  // Polls until path is bound, for at most timeoutSeconds; nil on timeout.
  CORBA::Object_ptr waitFor(CosNaming::NamingContextExt_ptr root, const std::string& path, double timeoutSeconds);
  // Binds obj at "<context>/<leaf>" in place of whatever was there, making the context if need be.
  void bindInContext(CosNaming::NamingContextExt_ptr root, const std::string& path, CORBA::Object_ptr obj);
  // Removes the binding at path if there is one.
  void unbindIfBound(CosNaming::NamingContextExt_ptr root, const std::string& path);
  // Integer from a command-line argument, or exits with a message naming it.
  long argNumber(const char* text, const char* what);
  // Blocks SIGINT and SIGTERM in this thread and every thread started after it, and returns them
  // for sigwait: call it before the ORB starts its threads, so only that sigwait sees them.
  sigset_t blockStopSignals();
}
