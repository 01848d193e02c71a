#!/bin/bash
# The test command: installs what is needed, builds, and runs the four tiers:
#   host         host_tests (unit tests, native, sanitizers)
#   fuzz         inf_fuzz (libFuzzer, ASan, UBSan): the seed corpus replayed,
#                then 30 s of fuzzing
#   integration  win_tests.exe under Wine in a 32-bit and a 64-bit prefix (Xvfb)
#   e2e          e2e_tests: setup.exe under Wine and Xvfb, driven by the robot
# The integration tier and the e2e tier run at the same time (Wine mostly
# waits), the e2e tests in RS_E2E_SHARDS (default 3) shards of e2e_tests at
# once, each with its own prefixes, Xvfb and scratch folder; the host and
# fuzz tiers run meanwhile. Each tier's output is printed whole once it has
# ended.
# Each tier prints "<tier>: N passed, N failed, N skipped"; the last line is
# the total in the same form. Exits non-zero on any failure, also when a tier
# cannot run. Every step has a time limit (seconds): installing 600, building
# 600, locales 120, the prefix templates 600, then the tiers together at most
# 1500 (host 180; fuzz 120; integration 600, its two Wine runs of 500 each at
# once; e2e 1500 for every shard): 3420 s = 57 min at the very most, and
# another run's build in the same checkout waited for 1200 s more. A tier that runs
# out names the test it was in. Prefixes live in /tmp and are removed; the
# wine servers and Xvfb servers started here are ended. HOME points to a
# scratch folder, so no test writes into the real home folder.
# Env: RS_BUILD_ROOT (default out/build), RS_TIERS (default "host fuzz integration e2e"),
# RS_E2E_SHARDS, RS_NO_BUILD=1 (developers: test what is built, skip
# installing and building).
# A second run at once in the same checkout waits for the first one's build,
# then keeps its logs, which the tests read back, in a folder of its own
# (named in its output) instead of out/build/artifacts.
set -u
# stop MESSAGE: ends a run that cannot test, with the summary line.
stop() { echo "$1"; echo "0 passed, 1 failed, 0 skipped"; exit 1; }
src="$(cd "$(dirname "$0")/.." && pwd)"
cd "$src"
build="${RS_BUILD_ROOT:-$src/out/build}"
tiers="${RS_TIERS:-host fuzz integration e2e}"
shards="${RS_E2E_SHARDS:-3}"
case "$shards" in
  ''|*[!0-9]*|0*) stop "RS_E2E_SHARDS must be a number from 1" ;;
esac

# Two builds into one folder at once would spoil each other: the build and
# the locales are made under a lock on the build folder (no file is made).
mkdir -p "$build" || stop "cannot make the build folder $build"
exec 7<"$build"
flock -w 1200 7 || stop "another test run in $build has held it for 20 minutes"
if [ "${RS_NO_BUILD:-}" != 1 ]; then
  timeout -k 10 600 sh tools/install-deps.sh 7<&- || stop "install-deps failed"
  timeout -k 10 600 bash tools/build.sh "$build" 7<&- || stop "build failed"
fi
timeout -k 10 120 sh tools/make-locales.sh "$src/out/locale" 7<&- || stop "locales failed"
exec 7<&-

work="$(mktemp -d /tmp/rs-test.XXXXXX)"
mkdir -p "$work/home"
declare -A pids
# An interrupted run ends the tiers it started (timeout passes the signal on).
trap 'kill "${pids[@]}" 2>/dev/null; wait; rm -rf "$work"' EXIT
trap 'exit 130' INT TERM
export HOME="$work/home" XDG_CONFIG_HOME="$work/home/.config" XDG_DATA_HOME="$work/home/.local/share" \
  XDG_CACHE_HOME="$work/home/.cache" RS_LOCPATH="$src/out/locale" RS_BUILD_ROOT="$build" RS_SOURCE_DIR="$src"
# The run's logs: out/build/artifacts, unless another run at once holds it.
mkdir -p "$build/artifacts"
exec 6<"$build/artifacts"
if flock -n 6; then
  export RS_ARTIFACTS="$build/artifacts"
else
  exec 6<&-
  RS_ARTIFACTS="$(mktemp -d "$build/artifacts.XXXXXX")" || stop "cannot make a folder in $build"
  export RS_ARTIFACTS
  echo "another run uses $build/artifacts: this run's artifacts are in $RS_ARTIFACTS"
fi
. tools/winenv.sh
total_pass=0; total_fail=0; total_skip=0

# tier NAME PASSED FAILED [SKIPPED]
tier() {
  echo "$1: $2 passed, $3 failed, ${4:-0} skipped"
  total_pass=$((total_pass + $2)); total_fail=$((total_fail + $3)); total_skip=$((total_skip + ${4:-0}))
}

# run_gtest NAME LIMIT COMMAND...: runs a GoogleTest binary in the
# background, its output in $work/NAME.log, its report in $work/NAME.xml.
run_gtest() {
  local name="$1" limit="$2"; shift 2
  timeout -k 10 "$limit" "$@" --gtest_output="xml:$work/$name.xml" >"$work/$name.log" 2>&1 6<&- &
  pids[$name]=$!
}

# gtest_tier TIER LIMIT RUN...: once the runs (run_gtest names) have ended,
# prints their output and the tier's counts, summed over the runs.
gtest_tier() {
  local name="$1" limit="$2" run rc t f s p=0 fs=0 sk=0; shift 2
  echo "== $name tests"
  for run in "$@"; do
    wait "${pids[$run]}"; rc=$?
    cat "$work/$run.log"
    if [ "$rc" -eq 124 ] || [ "$rc" -eq 137 ]; then
      echo "$name: ended after $limit s in $(rs_running_test "$work/$run.log")"
    fi
    if [ ! -f "$work/$run.xml" ]; then
      echo "$name: no test report from $run (exit code $rc)"; fs=$((fs + 1)); continue
    fi
    read -r t f s < <(rs_gtest_counts "$work/$run.xml")
    # A crash after the report, or a timeout, is a failure too.
    [ "$rc" -ne 0 ] && [ "$f" -eq 0 ] && f=1
    p=$((p + t - f - s)); fs=$((fs + f)); sk=$((sk + s))
  done
  tier "$name" "$p" "$fs" "$sk"
}

# script_tier TIER: once the tier's script has ended, prints its output and
# the counts of its last "TIER: N passed, N failed[, N skipped]" line; a
# failure when there is none or the script did not exit 0.
script_tier() {
  local name="$1" rc line p f s
  wait "${pids[$name]}"; rc=$?
  grep -v "^$name: [0-9]* passed" "$work/$name.log"
  { [ "$rc" -eq 124 ] || [ "$rc" -eq 137 ]; } && echo "$name: ended at its time limit"
  line="$(grep "^$name: [0-9]* passed, [0-9]* failed" "$work/$name.log" | tail -n1)"
  if [ -z "$line" ]; then
    echo "$name: no summary (exit code $rc)"; tier "$name" 0 1; return
  fi
  p=$(sed 's/^[a-z]*: \([0-9]*\) passed.*/\1/' <<<"$line")
  f=$(sed 's/.* \([0-9]*\) failed.*/\1/' <<<"$line")
  s=$(sed -n 's/.* \([0-9]*\) skipped.*/\1/p' <<<"$line")
  [ "$rc" -ne 0 ] && [ "$f" -eq 0 ] && f=1
  tier "$name" "$p" "$f" "${s:-0}"
}

# The Wine tiers clone the prefix templates: made once, before they start.
case " $tiers " in *" integration "*|*" e2e "*)
  timeout -k 10 600 bash -c '. tools/winenv.sh && rs_template win32 && rs_template win64' >/dev/null 6<&- ||
    echo "the prefix templates could not be made; the Wine tiers try again" ;;
esac

# All tiers start at once; their results are printed in the order asked.
e2e_runs=()
e2e_tmp="$work"; [ "${RS_E2E_KEEP:-}" = 1 ] && e2e_tmp="${TMPDIR:-/tmp}"
for i in $(seq 0 $((shards - 1))); do e2e_runs+=("e2e-$i"); done
for t in $tiers; do
  case "$t" in
    host) [ -x "$build/host/host_tests" ] && run_gtest host 180 "$build/host/host_tests" ;;
    fuzz)
      if [ -x "$build/fuzz/inf_fuzz" ]; then
        timeout -k 10 120 bash tools/fuzz.sh "$build/fuzz/inf_fuzz" "$work/fuzz" >"$work/fuzz.log" 2>&1 6<&- &
        pids[fuzz]=$!
      fi ;;
    integration)
      if [ -f "$build/win32/win_tests.exe" ]; then
        timeout -k 10 600 env RS_WIN_RUN_LIMIT=500 bash tools/run-win-tests.sh "$build/win32" \
          >"$work/integration.log" 2>&1 6<&- &
        pids[integration]=$!
      fi ;;
    e2e)
      if [ -x "$build/host/e2e_tests" ]; then
        for i in "${!e2e_runs[@]}"; do
          # Scratch folders inside $work: removed even after a shard is ended
          # (but kept, outside it, for RS_E2E_KEEP=1).
          run_gtest "${e2e_runs[$i]}" 1500 env TMPDIR="$e2e_tmp" GTEST_TOTAL_SHARDS="$shards" \
            GTEST_SHARD_INDEX="$i" "$build/host/e2e_tests"
        done
      fi ;;
  esac
done

for t in $tiers; do
  case "$t" in
    host)
      if [ -z "${pids[host]:-}" ]; then
        echo "host: cannot run, $build/host/host_tests is missing"; tier host 0 1; continue
      fi
      gtest_tier host 180 host ;;
    fuzz)
      echo "== fuzz tests"
      if [ -z "${pids[fuzz]:-}" ]; then
        echo "fuzz: cannot run, $build/fuzz/inf_fuzz is missing"; tier fuzz 0 1; continue
      fi
      script_tier fuzz ;;
    integration)
      echo "== integration tests"
      if [ -z "${pids[integration]:-}" ]; then
        echo "integration: cannot run, win_tests.exe is missing"; tier integration 0 1; continue
      fi
      script_tier integration ;;
    e2e)
      if [ -z "${pids[e2e-0]:-}" ]; then
        echo "e2e: cannot run, $build/host/e2e_tests is missing"; tier e2e 0 1; continue
      fi
      gtest_tier e2e 1500 "${e2e_runs[@]}" ;;
    *) echo "unknown tier $t"; tier "$t" 0 1 ;;
  esac
done

echo "$total_pass passed, $total_fail failed, $total_skip skipped"
[ "$total_fail" -eq 0 ]
