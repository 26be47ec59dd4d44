// The operating-system calls coil wraps for portability: process id, environment, host identity.
#ifndef COIL_OS_H
#define COIL_OS_H

#include <stdlib.h>
#include <sys/types.h>
#include <sys/utsname.h>
#include <unistd.h>

namespace coil
{
  typedef ::utsname utsname;
  typedef ::pid_t pid_t;

  inline int uname(utsname* name) { return ::uname(name); }
  inline pid_t getpid() { return ::getpid(); }
  inline pid_t getppid() { return ::getppid(); }
  inline char* getenv(const char* name) { return ::getenv(name); }
}  // namespace coil

#endif  // COIL_OS_H
