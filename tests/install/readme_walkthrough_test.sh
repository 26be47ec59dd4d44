#!/usr/bin/env bash
# readme_walkthrough_test.sh SOURCE_DIR BUILD_DIR
# Runs the README's walkthrough as it stands: every ```sh walkthrough block, in order, as one bash
# script with `set -e`, against this build installed into a temporary prefix (its bin first on
# PATH), in an empty folder, with the naming service port 2809 replaced by a free one so that it
# never meets another naming service. Then checks what the walkthrough says it shows.
set -euo pipefail
readonly source=$1 build=$2
readonly bound=120   # seconds for the whole walkthrough

fail() { echo "FAIL: $*" >&2; exit 1; }
scratch=$(mktemp -d "${TMPDIR:-/tmp}/trimul-readme-test.XXXXXX")
group=""
cleanup() {
  # The walkthrough runs in a process group of its own: whatever it left running ends with it.
  if [ -n "$group" ]; then kill -KILL -- "-$group" 2>/dev/null || true; fi
  rm -rf "$scratch"
}
trap cleanup EXIT

# --- The commands, as the README has them -----------------------------------------------------
# A reader copies a block from the raw file too: an indented block keeps its indentation there,
# and an indented heredoc end (`   EOF`) no longer ends the heredoc. So no fence is indented.
if grep -n '^ \+```' "$source/README.md" >"$scratch/indented"; then
  fail "README.md has indented code blocks (lines $(cut -d: -f1 "$scratch/indented" | tr '\n' ' '))"
fi
# A block is the lines between an opening fence "```sh walkthrough" and the closing fence, less
# the fence's own indentation (a block inside a list item is indented with it).
awk '
  match($0, /^ *```sh walkthrough *$/) { inside = 1; indent = index($0, "`") - 1; next }
  inside && $0 ~ /^ *``` *$/ { inside = 0; print ""; next }
  inside { print substr($0, 1 + (length($0) >= indent ? indent : length($0))) }
' "$source/README.md" >"$scratch/blocks.sh"
[ -s "$scratch/blocks.sh" ] || fail "README.md has no \`\`\`sh walkthrough block"
grep -q 2809 "$scratch/blocks.sh" || fail "the walkthrough no longer names port 2809; this test replaces it"

listening() { (exec 3<>"/dev/tcp/127.0.0.1/$1") 2>/dev/null; }
port=""
for _ in $(seq 1 50); do
  candidate=$((20000 + RANDOM % 12000))
  if ! listening "$candidate"; then port=$candidate; break; fi
done
[ -n "$port" ] || fail "no free port on 127.0.0.1"
{ echo "set -e"; sed "s/\\b2809\\b/$port/g" "$scratch/blocks.sh"; } >"$scratch/walkthrough.sh"

# --- An install of this build, and nothing else on the way ------------------------------------
prefix="$scratch/prefix"
cmake --install "$build" --prefix "$prefix" >"$scratch/install.log" 2>&1 ||
  fail "cmake --install failed: $(tail -n 5 "$scratch/install.log")"
for program in TrimulComp rtctl; do
  [ -x "$prefix/bin/$program" ] || fail "the install has no bin/$program"
done

work="$scratch/work"
mkdir "$work"
(
  cd "$work"
  unset RTCTL_NAMESERVER RTCTL_ENDPOINT
  export PATH="$prefix/bin:$PATH"
  exec setsid bash "$scratch/walkthrough.sh" >"$scratch/out" 2>"$scratch/err" </dev/null
) &
group=$!
for _ in $(seq 1 $((bound * 10))); do
  kill -0 "$group" 2>/dev/null || break
  sleep 0.1
done
if kill -0 "$group" 2>/dev/null; then
  fail "the walkthrough did not end within $bound s; it printed: $(cat "$scratch/out" "$scratch/err")"
fi
status=0
wait "$group" || status=$?
[ "$status" -eq 0 ] || fail "the walkthrough failed with status $status: $(cat "$scratch/out" "$scratch/err")"

# --- What it says it shows ----------------------------------------------------------------------
[ ! -s "$scratch/err" ] || fail "the walkthrough printed on standard error: $(cat "$scratch/err")"
host=$(uname -n)
expected="Inactive  Trimul0.rtc  x1(in) y1(out) y2(out) y3(out)
Inactive  Trimul1.rtc  x1(in) y1(out) y2(out) y3(out)
ID
1400
  connected to Trimul0.x1 at $host.host_cxt/Trimul1.rtc:x1  (connector ID)
14=7*2
70=7*10
700=7*100
28=14*2
140=14*10
1400=14*100"
printed=$(sed -E 's/[0-9a-f]{8}-[0-9a-f]{4}-[0-9a-f]{4}-[0-9a-f]{4}-[0-9a-f]{12}/ID/g' "$scratch/out")
[ "$printed" = "$expected" ] || fail "expected
$expected
but it printed (connector ids as ID)
$printed"
