// Each OpenSSL function omniORB's SSL transport calls, defined in the program as a jump through
// rtm_tls_slots: OpenSSL itself stays out of the program, whose every process would otherwise pay
// for its relocated tables at load (about 1 MiB resident) whether it uses TLS or not. A jump
// forwards any signature unchanged. Hidden: they serve the transport alone, and must never stand in
// for OpenSSL to a shared library of the program (rtctl's HTTP library brings the shared OpenSSL). TlsLoader fills the slots once it has loaded the TLS library;
// until then they lead to rtm_tls_unloaded, which says so. The slots live here, not in TlsLoader,
// so that pulling TlsLoader out of the runtime's archive pulls these definitions in with it.
#define RTM_TLS_IMPORT(name) forward name;

  .data
  .balign 8
  .globl rtm_tls_slots
  .hidden rtm_tls_slots
rtm_tls_slots:
  .hidden rtm_tls_unloaded

#if defined(__x86_64__)
  .text
  .set forward_index, 0
  .macro forward name
  .pushsection .data
  .quad rtm_tls_unloaded
  .popsection
  .globl \name
  .hidden \name
  .type \name, @function
\name:
  jmp *(rtm_tls_slots + 8 * forward_index)(%rip)
  .size \name, . - \name
  .set forward_index, forward_index + 1
  .endm
#elif defined(__aarch64__)
  .text
  .set forward_index, 0
  .macro forward name
  .pushsection .data
  .quad rtm_tls_unloaded
  .popsection
  .globl \name
  .hidden \name
  .type \name, %function
  .balign 4
\name:
  adrp x16, rtm_tls_slots + 8 * forward_index
  ldr x16, [x16, #:lo12:rtm_tls_slots + 8 * forward_index]
  br x16
  .size \name, . - \name
  .set forward_index, forward_index + 1
  .endm
#else
#error "no forwarders for this processor: configure with -DTRIMUL_TLS_LIBRARY=OFF"
#endif

#include "OpenSslImports.h"

  .section .note.GNU-stack,"",%progbits
