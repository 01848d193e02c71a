#!/bin/bash
# The test command: installs what is needed, builds, and runs the three tiers:
#   host         host_tests (unit tests, native, sanitizers)
#   integration  win_tests.exe under Wine in a 32-bit and a 64-bit prefix (Xvfb)
#   e2e          e2e_tests: setup.exe under Wine and Xvfb, driven by the robot
# Each tier prints "<tier>: N passed, N failed, N skipped"; the last line is
# the total in the same form. Exits non-zero on any failure, also when a tier
# cannot run. Every step has a time limit (seconds): installing 600, building
# 600, locales 120, host 180, integration 1080 (two Wine runs of 500 each),
# e2e 2100: 4680 s = 78 min at the very most, the three tiers 56 min; a tier
# that runs out names the test it was in. Prefixes live in /tmp and are removed; the
# wine servers and Xvfb servers started here are ended. HOME points to a
# scratch folder, so no test writes into the real home folder.
# Env: RS_BUILD_ROOT (default out/build), RS_TIERS (default "host integration e2e"),
# RS_NO_BUILD=1 (developers: test what is built, skip installing and building).
set -u
src="$(cd "$(dirname "$0")/.." && pwd)"
cd "$src"
build="${RS_BUILD_ROOT:-$src/out/build}"
tiers="${RS_TIERS:-host integration e2e}"

if [ "${RS_NO_BUILD:-}" != 1 ]; then
  timeout -k 10 600 sh tools/install-deps.sh || { echo "install-deps failed"; echo "0 passed, 1 failed, 0 skipped"; exit 1; }
  if ! timeout -k 10 600 bash tools/build.sh "$build"; then
    echo "build failed"; echo "0 passed, 1 failed, 0 skipped"; exit 1
  fi
fi
timeout -k 10 120 sh tools/make-locales.sh "$src/out/locale" || { echo "locales failed"; echo "0 passed, 1 failed, 0 skipped"; exit 1; }

work="$(mktemp -d /tmp/rs-test.XXXXXX)"
mkdir -p "$work/home"
xpid=""
cleanup() {
  [ -n "$xpid" ] && kill "$xpid" 2>/dev/null && wait "$xpid" 2>/dev/null
  rm -rf "$work"
}
trap cleanup EXIT
export HOME="$work/home" XDG_CONFIG_HOME="$work/home/.config" XDG_DATA_HOME="$work/home/.local/share" \
  XDG_CACHE_HOME="$work/home/.cache" RS_LOCPATH="$src/out/locale" RS_BUILD_ROOT="$build" RS_SOURCE_DIR="$src"
export RS_ARTIFACTS="$build/artifacts"
. tools/winenv.sh
total_pass=0; total_fail=0; total_skip=0

# tier NAME PASSED FAILED [SKIPPED]
tier() {
  echo "$1: $2 passed, $3 failed, ${4:-0} skipped"
  total_pass=$((total_pass + $2)); total_fail=$((total_fail + $3)); total_skip=$((total_skip + ${4:-0}))
}

# gtest_tier NAME TIMEOUT BINARY: runs a host GoogleTest binary.
gtest_tier() {
  local name="$1" limit="$2" bin="$3" xml="$work/$1.xml" log="$work/$1.log" rc t f s
  echo "== $name tests"
  if [ ! -x "$bin" ]; then
    echo "$name: cannot run, $bin is missing"; tier "$name" 0 1; return
  fi
  timeout -k 10 "$limit" "$bin" --gtest_output="xml:$xml" 2>&1 | tee "$log"
  rc=${PIPESTATUS[0]}
  if [ "$rc" -eq 124 ] || [ "$rc" -eq 137 ]; then
    echo "$name: ended after $limit s in $(rs_running_test "$log")"
  fi
  if [ ! -f "$xml" ]; then
    echo "$name: no test report (exit code $rc)"; tier "$name" 0 1; return
  fi
  read -r t f s < <(rs_gtest_counts "$xml")
  # A crash after the report, or a timeout, is a failure too.
  [ "$rc" -ne 0 ] && [ "$f" -eq 0 ] && f=1
  tier "$name" "$((t - f - s))" "$f" "$s"
}

for t in $tiers; do
  case "$t" in
    host) gtest_tier host 180 "$build/host/host_tests" ;;
    integration)
      echo "== integration tests"
      if [ ! -f "$build/win32/win_tests.exe" ]; then
        echo "integration: cannot run, win_tests.exe is missing"; tier integration 0 1; continue
      fi
      if [ -z "$xpid" ]; then
        Xvfb -displayfd 4 -screen 0 1024x768x24 -nolisten tcp 4>"$work/display" 2>"$work/xvfb.log" &
        xpid=$!
        for _ in $(seq 200); do [ -s "$work/display" ] && break; sleep 0.1; done
      fi
      num="$(head -n1 "$work/display" 2>/dev/null)"
      if [ -z "$num" ]; then
        echo "integration: cannot run, Xvfb did not start"; cat "$work/xvfb.log"; tier integration 0 1; continue
      fi
      timeout -k 10 1080 env DISPLAY=":$num" RS_WIN_RUN_LIMIT=500 bash tools/run-win-tests.sh "$build/win32" \
        >"$work/integration.log" 2>&1
      rc=$?
      grep -v '^integration: [0-9]* passed' "$work/integration.log"
      line="$(grep '^integration: [0-9]* passed, [0-9]* failed' "$work/integration.log" | tail -n1)"
      if [ -z "$line" ]; then
        echo "integration: no summary (exit code $rc)"; tier integration 0 1; continue
      fi
      p=$(sed 's/^integration: \([0-9]*\) passed.*/\1/' <<<"$line")
      f=$(sed 's/.* \([0-9]*\) failed.*/\1/' <<<"$line")
      s=$(sed -n 's/.* \([0-9]*\) skipped.*/\1/p' <<<"$line")
      [ "$rc" -ne 0 ] && [ "$f" -eq 0 ] && f=1
      tier integration "$p" "$f" "${s:-0}"
      ;;
    e2e) gtest_tier e2e 2100 "$build/host/e2e_tests" ;;
    *) echo "unknown tier $t"; tier "$t" 0 1 ;;
  esac
done

echo "$total_pass passed, $total_fail failed, $total_skip skipped"
[ "$total_fail" -eq 0 ]
