#!/usr/bin/env bash
# package_test.sh SOURCE_DIR BUILD_DIR VERSION
# Builds the Debian packages of this build with scripts/package, checks their control files and
# contents, unpacks it into a scratch root (dpkg -x) and runs the worked values through the
# unpacked TrimulComp and rtctl (scripts/demo --bin), nothing from the build tree.
set -euo pipefail
readonly source=$1 build=$2 version=$3

fail() { echo "FAIL: $*" >&2; exit 1; }
scratch=$(mktemp -d "${TMPDIR:-/tmp}/trimul-package-test.XXXXXX")
trap 'rm -rf "$scratch"' EXIT

{ read -r deb; read -r dev_deb; } < <("$source/scripts/package" --build-dir "$build" --output "$scratch/out")
arch=$(dpkg --print-architecture)
[ "$(basename "$deb")" = "trimul_${version}_${arch}.deb" ] || fail "package file is $(basename "$deb")"
[ "$(basename "$dev_deb")" = "trimul-dev_${version}_${arch}.deb" ] || fail "SDK package file is $(basename "$dev_deb")"
# The SDK's package: for exactly this runtime, with what building against it takes; the headers,
# pkg-config files and tools in it, and none of them in the runtime's.
dev_depends=$(dpkg-deb -f "$dev_deb" Depends)
for need in "trimul (= $version)" libomniorb4-dev omniidl pkgconf; do
  [[ "$dev_depends" == *"$need"* ]] || fail "trimul-dev's Depends lacks $need: $dev_depends"
done
dpkg-deb -c "$dev_deb" | awk '{print $6}' >"$scratch/dev-contents"
for file in 'include/openrtm-1.1/rtm/Manager\.h' 'include/openrtm-1.1/rtm/idl/BasicDataType\.hh' \
            'include/coil-1.1/coil/Properties\.h' 'lib/(.*/)?pkgconfig/openrtm-aist\.pc' 'bin/rtm-config' \
            'bin/rtm-skelwrapper' 'lib/(.*/)?openrtm-1\.1/cmake/OpenRTMConfig\.cmake' 'lib/(.*/)?libRTC\.so'; do
  grep -Eq "^\./usr/$file\$" "$scratch/dev-contents" || fail "trimul-dev lacks /usr/$file"
done

# --- The control file -------------------------------------------------------------------------
field() { dpkg-deb -f "$deb" "$1"; }
[ "$(field Package)" = trimul ] || fail "Package: $(field Package)"
[ "$(field Version)" = "$version" ] || fail "Version: $(field Version)"
[ "$(field Architecture)" = "$arch" ] || fail "Architecture: $(field Architecture)"
depends=$(field Depends)
for library in libc6 libstdc++6; do
  [[ ", $depends," == *", $library "* ]] || fail "Depends lacks $library: $depends"
done
# What the programs link: the runtime's libraries come in the package, omniORB is Debian's.
[[ "$depends" == *libomniorb4* ]] || fail "the programs link Debian's omniORB, yet Depends lacks it: $depends"
[[ "$(field Recommends)" == *omniorb-nameserver* ]] || fail "Recommends: $(field Recommends)"
[ -n "$(field Description)" ] || fail "no Description"

# --- The contents -----------------------------------------------------------------------------
dpkg-deb -c "$deb" | awk '{print $6}' >"$scratch/contents"
if grep -Eq '^\./usr/(include/|bin/rtm-)' "$scratch/contents"; then fail "the runtime package carries SDK files"; fi
if grep -v '^\./usr/' "$scratch/contents" | grep -v '^\./$' | grep -q .; then
  fail "files outside /usr: $(grep -v '^\./usr/' "$scratch/contents" | tr '\n' ' ')"
fi
programs=(TrimulComp rtctl)
[ ! -x "$build/tools/rtcd/rtcd" ] || programs+=(rtcd)
expected=(usr/share/doc/trimul/README.md usr/share/doc/trimul/examples/rtc.conf.example)
for program in "${programs[@]}"; do
  expected+=("usr/bin/$program" "usr/share/man/man1/$program.1.gz")
done
if [ -f "$build/src/Trimul.so" ]; then
  grep -q '^\./usr/lib/.*/Trimul\.so$' "$scratch/contents" || fail "the package lacks the module Trimul.so"
fi
for library in libRTC-1.1.2.so libcoil-1.1.2.so; do
  grep -Eq "^\./usr/lib/(.*/)?$library\$" "$scratch/contents" || fail "the package lacks the runtime library $library"
done
if [ -f "$build/runtime/librtm_tls.so" ]; then
  grep -q '^\./usr/lib/.*/librtm_tls\.so$' "$scratch/contents" || fail "the package lacks the TLS library librtm_tls.so"
fi
root="$scratch/root"
dpkg -x "$deb" "$root"
for file in "${expected[@]}"; do
  [ -s "$root/$file" ] || fail "the package lacks /$file"
done
for program in "${programs[@]}"; do
  page=$(gzip -dc "$root/usr/share/man/man1/$program.1.gz")
  [[ "$page" == *".SH NAME"*"$program"* ]] || fail "the manual page of $program has no NAME naming it"
done
# A newcomer's reference: what a manual page of a program that runs components has to say.
for program in TrimulComp rtcd; do
  [ -f "$root/usr/share/man/man1/$program.1.gz" ] || continue
  page=$(gzip -dc "$root/usr/share/man/man1/$program.1.gz")
  for section in DESCRIPTION FILES ENVIRONMENT EXAMPLES "SEE ALSO"; do
    grep -qx "\.SH \"\?$section\"\?" <<<"$page" || fail "the manual page of $program has no $section section"
  done
done

# The installed daemon example finds the installed module as it stands.
module=$(grep '/Trimul\.so$' "$scratch/contents" || true)
example="$root/usr/share/doc/trimul/examples/rtcd.conf.example"
if [ -n "$module" ] && [ -f "$example" ]; then
  module_dir=$(dirname "${module#.}")
  grep -qx "manager.modules.load_path: $module_dir" "$example" ||
    fail "the installed rtcd.conf.example does not search $module_dir: $(grep load_path: "$example")"
fi

# Nothing to run on install or removal, so `apt-get remove` removes it completely.
scripts=$(dpkg-deb --ctrl-tarfile "$deb" | tar -t | grep -E '(preinst|postinst|prerm|postrm|conffiles)$' || true)
[ -z "$scripts" ] || fail "the package has maintainer scripts or conffiles: $scripts"

[ "$("$root/usr/bin/TrimulComp" --version)" = "TrimulComp (Trimul) $version" ] || fail "TrimulComp --version"
# The unpacked programs load the packaged TLS library, found from where they stand; the files are
# checked after it is loaded, so a refused file says it was found.
if [ -f "$build/runtime/librtm_tls.so" ]; then
  tls_err=$(TRIMUL_TLS_LIBRARY='' "$root/usr/bin/rtctl" --ssl-ca "$scratch/none.pem" --ssl-key "$scratch/none.pem" \
              ls 2>&1 >/dev/null || true)
  [[ "$tls_err" == *"cannot read --ssl-ca"* ]] || fail "the unpacked rtctl did not load its TLS library: $tls_err"
fi
[ "$("$root/usr/bin/rtctl" --version)" = "rtctl (Trimul) $version" ] || fail "rtctl --version"

# --- The worked values, through the unpacked programs -----------------------------------------
"$source/scripts/demo" --bin "$root/usr/bin" 7 0 -5 21474837 2147483647 >"$scratch/demo.out" 2>&1 ||
  fail "the demo with the unpacked programs failed: $(cat "$scratch/demo.out")"
# x, y1, y2, y3 as the component computes them (32 bits, wrapping).
while read -r x y1 y2 y3; do
  for row in "y1 $y1 $y1=$x*2" "y2 $y2 $y2=$x*10" "y3 $y3 $y3=$x*100"; do
    read -r port received printed <<<"$row"
    grep -A4 -x -F "x1 <- $x" "$scratch/demo.out" |
      awk -v p="$port" -v r="$received" -v e="$printed" '$1 == p && $2 == r && $3 == e { found = 1 } END { exit !found }' ||
      fail "x1 <- $x: expected $port $received and $printed in: $(cat "$scratch/demo.out")"
  done
done <<'ROWS'
7 14 70 700
0 0 0 0
-5 -10 -50 -500
21474837 42949674 214748370 -2147483596
2147483647 -2 -10 -100
ROWS
