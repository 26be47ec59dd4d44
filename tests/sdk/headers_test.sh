#!/usr/bin/env bash
# Every public header compiles on its own, and the six a component usually includes compile
# together with what sources take from them unincluded, in the dialects users build with (the
# middleware's own cflags say gnu++11), warnings as errors. Also a servant whose operations carry
# throw() lists, which only gnu++11/14 accept, and the macros with NO_LOGGING. Runs against the
# source tree's headers and the build tree's generated IDL headers; needs g++ and omniORB's headers.
# Usage: headers_test.sh SOURCE_DIR BUILD_DIR
set -euo pipefail
src="$1"
build="$2"
include="$src/runtime/include"
flags=(-fsyntax-only -Wall -Wextra -Werror -I"$include" -I"$build/runtime/generated" -I"$build/runtime/generated/rtm/idl")
checked=0
# Each compile runs in the background, as many at once as there are processors; a failed one leaves
# its report in $reports, read at the end.
reports="$(mktemp -d)"
trap 'rm -rf "$reports"' EXIT
jobs_at_once="$(nproc)"

compile() { # dialect, what, source text, more flags
  local std="$1" what="$2" text="$3"
  shift 3
  checked=$((checked + 1))
  while [ "$(jobs -rp | wc -l)" -ge "$jobs_at_once" ]; do
    wait -n || true
  done
  (
    if ! out="$(printf '%s\n' "$text" | g++ -std="$std" "${flags[@]}" "$@" -x c++ - 2>&1)"; then
      { echo "FAILED: $what with -std=$std"; printf '%s\n' "$out" | head -20; } >"$reports/$checked"
    fi
  ) &
}

usual_six='#include <rtm/idl/BasicDataTypeSkel.h>
#include <rtm/Manager.h>
#include <rtm/DataFlowComponentBase.h>
#include <rtm/DataInPort.h>
#include <rtm/DataOutPort.h>'
if [ -e "$include/rtm/CorbaPort.h" ]; then
  usual_six+=$'\n#include <rtm/CorbaPort.h>'
fi

# What launchers and components of the middleware use without including it themselves.
launcher="$usual_six
class Comp : public RTC::DataFlowComponentBase
{
public:
  explicit Comp(RTC::Manager* m) : RTC::DataFlowComponentBase(m) {}
  RTC::ReturnCode_t onExecute(RTC::UniqueId) override
  {
    RTC_INFO((\"tick %d\", 1));
    RTC_DEBUG_STR(\"props \" << getProperties());
    std::vector<int> v(3, 1);
    coil::usleep(static_cast<useconds_t>(*std::max_element(v.begin(), v.end())));
    coil::Guard<coil::Mutex> guard(m_mutex);
    return RTC::RTC_OK;
  }
  coil::Mutex m_mutex;
};
extern \"C\" DLL_EXPORT void CompInit(RTC::Manager* manager)
{
  static const char* profile_text[] = {\"implementation_id\", \"Comp\", \"\"};
  RTC::Properties profile(profile_text);
  manager->registerFactory(profile, RTC::Create<Comp>, RTC::Delete<Comp>);
  std::string arg = \" X \";
  coil::normalize(arg);
  RTC::RtcBase* comp = manager->createComponent(arg.c_str());
  (void)comp;
  manager->load(\"Comp.so\", \"\");
  RTC::ModuleInitProc proc = CompInit;
  (void)proc;
}"

servant='#include <rtm/Manager.h>
class TickSVC_impl : public virtual POA_OpenRTM::ExtTrigExecutionContextService,
                     public virtual PortableServer::RefCountServantBase
{
public:
  void tick() throw (CORBA::SystemException) {}
};'

no_logging='#define NO_LOGGING
#include <rtm/SystemLogger.h>
#ifdef RTC_LOG
#error RTC_LOG is defined with NO_LOGGING
#endif
int f()
{
  RTC_INFO(("no rtclog in scope: this must expand to nothing %d", 1));
  RTC_DEBUG_STR("nor this" << 2);
  return 0;
}'

for std in gnu++11 gnu++14 gnu++17; do
  while IFS= read -r header; do
    compile "$std" "$header alone" "#include <$header>"
  done < <(cd "$include" && find rtm coil -name '*.h' | sort)
  compile "$std" "the usual six headers with what sources use unincluded" "$launcher"
  compile "$std" "NO_LOGGING" "$no_logging"
done
for std in gnu++11 gnu++14; do
  # Deprecated in these dialects, and warned about: the user's build decides what a warning means.
  compile "$std" "a servant with a throw() list on its operations" "$servant" -Wno-deprecated
done

wait
failures="$(find "$reports" -type f | wc -l)"
find "$reports" -type f -exec cat {} + >&2
echo "headers: $checked compiled, $failures failed"
[ "$failures" -eq 0 ]
