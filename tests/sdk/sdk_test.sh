#!/usr/bin/env bash
# sdk_test.sh SOURCE_DIR BUILD_DIR
# A user's path through the SDK, with real processes: installs this build into a scratch prefix,
# builds a component module of a user's own (relay/, TimedLong in -> tripled out) out of the tree
# against it, once with pkg-config and once with find_package(OpenRTM), loads each into the
# installed rtcd from the load path beside Trimul.so and sends a value through it with the
# installed rtctl; then compiles the wrappers rtm-skelwrapper writes for an IDL file of our own,
# and checks rtm-config's answers and its refusal of bad options.
set -euo pipefail
readonly source=$1 build=$2
readonly here="$source/tests/sdk"

fail() { echo "FAIL: $*" >&2; exit 1; }
scratch=$(mktemp -d "${TMPDIR:-/tmp}/trimul-sdk-test.XXXXXX")
ns_pid="" ns_dir="" rtcd_pid="" print_pid=""
stop() {
  local pid=$1 i
  [ -n "$pid" ] && kill -0 "$pid" 2>/dev/null || return 0
  kill -INT "$pid" 2>/dev/null || true
  for ((i = 0; i < 100; i++)); do kill -0 "$pid" 2>/dev/null || break; sleep 0.1; done
  kill -0 "$pid" 2>/dev/null && kill -KILL "$pid" 2>/dev/null || true
  wait "$pid" 2>/dev/null || true
}
cleanup() {
  stop "$print_pid"
  stop "$rtcd_pid"
  if [ -n "$ns_pid" ]; then "$source/scripts/nameserver" stop "$ns_pid" "$ns_dir" || true; fi
  rm -rf "$scratch"
}
trap cleanup EXIT

# --- The SDK, installed into a prefix of its own ---------------------------------------------
prefix="$scratch/prefix"
cmake --install "$build" --prefix "$prefix" >"$scratch/install.log" 2>&1 || fail "install: $(tail -n 5 "$scratch/install.log")"
libdir=$(dirname "$(find "$prefix" -name 'libRTC-1.1.2.so' | head -n 1)")
[ -n "$libdir" ] && [ -L "$libdir/libRTC.so" ] && [ -L "$libdir/libcoil.so" ] || fail "no libRTC/libcoil under $prefix"
export PKG_CONFIG_PATH="$libdir/pkgconfig"
export PATH="$prefix/bin:$PATH"
modules="$libdir/trimul"
[ -f "$modules/Trimul.so" ] || fail "no Trimul.so in $modules"

# --- rtm-config: answers, one line of --rtm-* answers, and bad options refused ------------------
[ "$(rtm-config --version)" = 1.1.2 ] || fail "rtm-config --version: $(rtm-config --version)"
[ "$(rtm-config --prefix)" = "$prefix" ] || fail "rtm-config --prefix: $(rtm-config --prefix)"
# shellcheck disable=SC2046  # compared word by word, as a compiler reads them
[ "$(echo $(rtm-config --cflags))" = "$(echo $(pkg-config --cflags openrtm-aist))" ] || fail "rtm-config --cflags differs from pkg-config"
[ "$(rtm-config --libdir)" = "$libdir/openrtm-1.1" ] || fail "rtm-config --libdir: $(rtm-config --libdir)"
[ "$(rtm-config --cflags-only-I)" = "-I$prefix/include -I$prefix/include/coil-1.1 -I$prefix/include/openrtm-1.1 -I$prefix/include/openrtm-1.1/rtm/idl" ] ||
  fail "rtm-config --cflags-only-I: $(rtm-config --cflags-only-I)"
[ "$(rtm-config --libs-only-L)" = "-L$libdir" ] || fail "rtm-config --libs-only-L: $(rtm-config --libs-only-L)"
[ "$(rtm-config --rtm-idldir --coil-includedir)" = "$prefix/include/openrtm-1.1/rtm/idl $prefix/include/coil-1.1" ] ||
  fail "rtm-config --rtm-idldir --coil-includedir: $(rtm-config --rtm-idldir --coil-includedir)"
[ "$(rtm-config --version --orb --rtm_version)" = "$(printf '1.1.2\nomniORB\n1.1.2')" ] || fail "rtm-config combined answers"
# What rtm-config and rtm-skelwrapper must refuse: ARGS | exit status | a piece of the output.
while IFS='|' read -r tool args status says; do
  out=$(cd "$scratch" && eval "$tool $args" 2>&1) && got=0 || got=$?
  [ "$got" = "$status" ] || fail "$tool $args: exit $got, not $status"
  [[ "$out" == *"$says"* ]] || fail "$tool $args: no '$says' in: $out"
done <<'BAD'
rtm-config||1|Usage: rtm-config
rtm-config|--help|1|Usage: rtm-config
rtm-config|--x|1|Unknown option:  --x
rtm-config|--cflags --rtm-nothing|1|Unknown option:  --rtm-nothing
rtm-skelwrapper||255|Usage: rtm-skelwrapper
rtm-skelwrapper|--idl-file=Echo.txt|1|Invalid IDL file name specified.
rtm-skelwrapper|--output-dir=out --idl-file=Echo.idl|255|Error: Invalid options.
rtm-skelwrapper|--idl-file=Echo.idl extra|255|Error: Invalid options.
BAD

# --- The relay module, built both ways ----------------------------------------------------------
mkdir -p "$scratch/pc"
# shellcheck disable=SC2046  # the flags are words
g++ -shared -o "$scratch/pc/Relay.so" "$here/relay/Relay.cpp" $(pkg-config --cflags --libs openrtm-aist) \
  >"$scratch/pc.log" 2>&1 || fail "pkg-config build: $(head -n 20 "$scratch/pc.log")"
cmake -S "$here/relay" -B "$scratch/cm" -DCMAKE_PREFIX_PATH="$prefix" >"$scratch/cm.log" 2>&1 &&
  cmake --build "$scratch/cm" >>"$scratch/cm.log" 2>&1 || fail "find_package build: $(tail -n 20 "$scratch/cm.log")"

# --- Each loaded into the installed rtcd, a value through it -----------------------------------
read -r ns_port ns_pid ns_dir < <("$source/scripts/nameserver" start) || fail "no naming service"
[ -n "${ns_dir:-}" ] || fail "no naming service"
export RTCTL_NAMESERVER="127.0.0.1:$ns_port" RTCTL_ENDPOINT=127.0.0.1
free_port() {
  local p
  while :; do
    p=$((20000 + RANDOM % 10000))
    (exec 3<>"/dev/tcp/127.0.0.1/$p") 2>/dev/null || { echo "$p"; return; }
  done
}
component="$(uname -n).host_cxt/Relay0.rtc"
for way in pc cm; do
  cp "$scratch/$way/Relay.so" "$modules/Relay.so"
  "$prefix/bin/rtcd" -o "corba.nameservers:127.0.0.1:$ns_port" -o corba.endpoints:127.0.0.1: \
    -o "corba.master_manager:127.0.0.1:$(free_port)" -o "manager.modules.load_path:$modules" \
    -o manager.modules.preload:Relay.so -o manager.components.precreate:Relay \
    >"$scratch/rtcd-$way.out" 2>&1 </dev/null &
  rtcd_pid=$!
  for ((i = 0; i < 400; i++)); do
    rtctl ls "$(uname -n).host_cxt" 2>/dev/null | grep -qx Relay0.rtc && break
    kill -0 "$rtcd_pid" 2>/dev/null || fail "$way: rtcd stopped: $(cat "$scratch/rtcd-$way.out")"
    sleep 0.05
  done
  rtctl activate "$component" || fail "$way: activate"
  rtctl print "$component:out" -n 1 --timeout 20 --ready >"$scratch/print.out" 2>"$scratch/print.err" </dev/null &
  print_pid=$!
  for ((i = 0; i < 400; i++)); do grep -q "connected to" "$scratch/print.err" && break; sleep 0.05; done
  rtctl inject "$component:in" -- 7 || fail "$way: inject"
  for ((i = 0; i < 400; i++)); do kill -0 "$print_pid" 2>/dev/null || break; sleep 0.05; done
  stop "$print_pid"
  [ "$(head -n 1 "$scratch/print.out")" = 21 ] || fail "$way: out gave '$(cat "$scratch/print.out")' for 7"
  stop "$rtcd_pid"
  rtcd_pid=""
done

# --- A user's IDL: omniidl, then the wrappers, compiled ----------------------------------------
mkdir -p "$scratch/idl"
cp "$here/Echo.idl" "$scratch/idl/"
(
  cd "$scratch/idl"
  # shellcheck disable=SC2046
  $(rtm-config --idlc) $(rtm-config --idlflags) Echo.idl
  rtm-skelwrapper --include-dir="" --skel-suffix=Skel --stub-suffix=Stub --idl-file=Echo.idl >wrapper.out
  grep -qx '"EchoSkel.h" was generated.' wrapper.out
  grep -qx '#ifndef _ECHOSKEL_H' EchoSkel.h
  rtm-skelwrapper --idl-file=Echo.idl | grep -qx '"EchoStub.cpp" exists and contents is same.'
  # shellcheck disable=SC2046
  g++ -c EchoSkel.cpp $(rtm-config --cflags) -I.
) >"$scratch/idl.log" 2>&1 || fail "IDL tools: $(tail -n 20 "$scratch/idl.log")"
echo "sdk: both builds ran in rtcd; IDL wrappers compiled"
