#!/usr/bin/env bash
# readme_walkthrough_test.sh SOURCE_DIR BUILD_DIR
# Runs the README as a reader does: every ```sh block, in order, as one bash script with `set -e`,
# from the top of the checkout whose build/ is this build, with the naming service's port 2809
# and the master manager's port 2810 replaced by free ones so that it never meets another
# system. A block whose fence names what it needs (```sh root, browser, openrtm-aist) is skipped,
# with the reason printed. Then checks what the walkthrough says it shows.
set -euo pipefail
readonly source=$1 build=$2
readonly bound=240   # seconds for every block together (the build block checks the whole tree)

fail() { echo "FAIL: $*" >&2; exit 1; }
[ "$(realpath "$build")" = "$(realpath "$source/build")" ] ||
  fail "the README builds in $source/build, not in $build: run this test from that build"

scratch=$(mktemp -d "${TMPDIR:-/tmp}/trimul-readme-test.XXXXXX")
group=""
cleanup() {
  # The blocks run in a process group of their own: whatever they left running ends with them.
  if [ -n "$group" ]; then kill -KILL -- "-$group" 2>/dev/null || true; fi
  rm -rf "$scratch"
}
trap cleanup EXIT

# --- The blocks, as the README has them ---------------------------------------------------------
# A reader copies a block from the raw file too: an indented block keeps its indentation there,
# and an indented heredoc end (`   EOF`) no longer ends the heredoc. So no fence is indented.
if grep -n '^ \+```' "$source/README.md" >"$scratch/indented"; then
  fail "README.md has indented code blocks (lines $(cut -d: -f1 "$scratch/indented" | tr '\n' ' '))"
fi
# Each block becomes `{ ... } >blockN.out` in the script, so that each one's output can be read
# on its own; the blocks still share one shell, its variables and its folder.
# The fence's words after `sh`: `walkthrough` (its output is checked below), or what it needs.
awk -v dir="$scratch" '
  /^```sh( [a-z-]+)*$/ {
    inside = 1; n++; needs = ""; walk = 0
    for (i = 2; i <= split($0, word, " "); i++) {
      if (word[i] == "walkthrough") walk = 1
      else needs = needs (needs == "" ? "" : " ") word[i]
    }
    if (needs == "") { ran++; print "{" >> (dir "/script.sh") }
    else { skipped++; printf "block %d skipped: needs %s\n", n, needs >> (dir "/skipped") }
    if (walk) print n >> (dir "/walkthrough")
    next
  }
  /^```sh/ { printf "unknown fence \"%s\" on line %d\n", $0, NR; bad = 1 }
  inside && /^```$/ {
    inside = 0
    if (needs == "") printf "} >\"%s/block%d.out\" 2>\"%s/block%d.err\"\n", dir, n, dir, n >> (dir "/script.sh")
    next
  }
  inside && needs == "" { print >> (dir "/script.sh") }
  END { printf "%d %d\n", ran, skipped > (dir "/counts"); exit bad }
' "$source/README.md" || fail "README.md has a fence this test does not know (above)"
read -r ran skipped <"$scratch/counts"
[ "$ran" -gt 0 ] && [ -s "$scratch/walkthrough" ] || fail "README.md has no \`\`\`sh walkthrough block"
for known in 2809 2810; do
  grep -q "\\b$known\\b" "$scratch/script.sh" || fail "the README no longer names port $known; this test replaces it"
done

listening() { (exec 3<>"/dev/tcp/127.0.0.1/$1") 2>/dev/null; }
ports=()
for _ in $(seq 1 50); do
  candidate=$((20000 + RANDOM % 12000))
  if ! listening "$candidate" && [[ " ${ports[*]} " != *" $candidate "* ]]; then ports+=("$candidate"); fi
  [ ${#ports[@]} -lt 2 ] || break
done
[ ${#ports[@]} -eq 2 ] || fail "no two free ports on 127.0.0.1"
{
  echo "set -e"
  sed -e "s/\\b2809\\b/${ports[0]}/g" -e "s/\\b2810\\b/${ports[1]}/g" "$scratch/script.sh"
} >"$scratch/readme.sh"

# --- Run them, from the top of the checkout -----------------------------------------------------
# TMPDIR: the folders the README makes with mktemp are this test's, and go with it.
mkdir "$scratch/tmp"
(
  cd "$source"
  unset RTCTL_NAMESERVER RTCTL_ENDPOINT
  export TMPDIR="$scratch/tmp"
  exec setsid bash "$scratch/readme.sh" >"$scratch/out" 2>"$scratch/err" </dev/null
) &
group=$!
for _ in $(seq 1 $((bound * 10))); do
  kill -0 "$group" 2>/dev/null || break
  sleep 0.1
done
block_output() { cat "$scratch"/block*.out "$scratch"/block*.err "$scratch/out" "$scratch/err" 2>/dev/null | tail -n 40; }
if kill -0 "$group" 2>/dev/null; then
  fail "the README's blocks did not end within $bound s; the last output: $(block_output)"
fi
status=0
wait "$group" || status=$?
last=$(ls "$scratch"/block*.out 2>/dev/null | sed 's/.*block\([0-9]*\)\.out/\1/' | sort -n | tail -n 1)
[ "$status" -eq 0 ] || fail "block ${last:-?} of README.md failed with status $status: $(cat "$scratch/block$last.out" "$scratch/block$last.err" "$scratch/err" 2>/dev/null)"

echo "readme: ran $ran blocks, skipped $skipped"
cat "$scratch/skipped" 2>/dev/null || true

# --- What it says it shows ----------------------------------------------------------------------
walkthrough_out=""
while read -r n; do
  [ ! -s "$scratch/block$n.err" ] || fail "walkthrough block $n printed on standard error: $(cat "$scratch/block$n.err")"
  walkthrough_out+=$(cat "$scratch/block$n.out")$'\n'
done <"$scratch/walkthrough"
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
printed=$(sed -E -e 's/[0-9a-f]{8}-[0-9a-f]{4}-[0-9a-f]{4}-[0-9a-f]{4}-[0-9a-f]{12}/ID/g' -e '/^$/d' <<<"$walkthrough_out")
[ "$printed" = "$expected" ] || fail "expected
$expected
but the walkthrough printed (connector ids as ID)
$printed"

# The manager daemon's blocks: the precreated instance, then the one created remotely in its place.
all_out=$(cat "$scratch"/block*.out)
grep -qx '  Trimul0  Trimul  Inactive' <<<"$all_out" || fail "rtctl mgr ls did not list the precreated Trimul0: $all_out"
grep -qx 'fast' <<<"$all_out" || fail "rtctl mgr create did not answer the instance fast: $all_out"
