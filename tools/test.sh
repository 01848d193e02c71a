#!/bin/bash
# The test command: installs what is needed, builds, and runs the three tiers:
#   host         host_tests (unit tests, native, sanitizers)
#   integration  win_tests.exe under Wine in a 32-bit and a 64-bit prefix (Xvfb)
#   e2e          e2e_tests: setup.exe under Wine and Xvfb, driven by the robot
# Each tier prints "<tier>: N passed, N failed"; the last line is the total
# "N passed, N failed". Exits non-zero on any failure, also when a tier
# cannot run. Prefixes live in /tmp and are removed; the wine servers and
# Xvfb servers started here are ended. HOME points to a scratch folder, so no
# test writes into the real home folder.
# Env: RS_BUILD_ROOT (default out/build), RS_TIERS (default "host integration e2e"),
# RS_NO_BUILD=1 (developers: test what is built, skip installing and building).
set -u
src="$(cd "$(dirname "$0")/.." && pwd)"
cd "$src"
build="${RS_BUILD_ROOT:-$src/out/build}"
tiers="${RS_TIERS:-host integration e2e}"

if [ "${RS_NO_BUILD:-}" != 1 ]; then
  sh tools/install-deps.sh || { echo "install-deps failed"; echo "0 passed, 1 failed"; exit 1; }
  if ! bash tools/build.sh "$build"; then
    echo "build failed"; echo "0 passed, 1 failed"; exit 1
  fi
fi
sh tools/make-locales.sh "$src/out/locale" || { echo "locales failed"; echo "0 passed, 1 failed"; exit 1; }

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
total_pass=0; total_fail=0

# count_xml FILE: "passed failed" of a GoogleTest XML report.
count_xml() {
  local head t f d s
  head="$(grep -m1 '<testsuites' "$1")"
  t=$(sed -n 's/.* tests="\([0-9]*\)".*/\1/p' <<<"$head")
  f=$(sed -n 's/.* failures="\([0-9]*\)".*/\1/p' <<<"$head")
  d=$(sed -n 's/.* disabled="\([0-9]*\)".*/\1/p' <<<"$head")
  s=$(grep -c '<skipped' "$1")
  echo "$((t - f - d - s)) $f"
}

# tier NAME PASSED FAILED
tier() {
  echo "$1: $2 passed, $3 failed"
  total_pass=$((total_pass + $2)); total_fail=$((total_fail + $3))
}

# gtest_tier NAME TIMEOUT BINARY: runs a host GoogleTest binary.
gtest_tier() {
  local name="$1" limit="$2" bin="$3" xml="$work/$1.xml" rc
  echo "== $name tests"
  if [ ! -x "$bin" ]; then
    echo "$name: cannot run, $bin is missing"; tier "$name" 0 1; return
  fi
  timeout -k 10 "$limit" "$bin" --gtest_output="xml:$xml"
  rc=$?
  if [ ! -f "$xml" ]; then
    echo "$name: no test report (exit code $rc)"; tier "$name" 0 1; return
  fi
  read -r p f < <(count_xml "$xml")
  # A crash after the report, or a timeout, is a failure too.
  [ "$rc" -ne 0 ] && [ "$f" -eq 0 ] && f=1
  tier "$name" "$p" "$f"
}

for t in $tiers; do
  case "$t" in
    host) gtest_tier host 900 "$build/host/host_tests" ;;
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
      timeout -k 10 2400 env DISPLAY=":$num" bash tools/run-win-tests.sh "$build/win32" >"$work/integration.log" 2>&1
      rc=$?
      grep -v '^integration: ' "$work/integration.log"
      line="$(grep '^integration: [0-9]* passed, [0-9]* failed' "$work/integration.log" | tail -n1)"
      if [ -z "$line" ]; then
        echo "integration: no summary (exit code $rc)"; tier integration 0 1; continue
      fi
      p=$(sed 's/^integration: \([0-9]*\) passed.*/\1/' <<<"$line")
      f=$(sed 's/.* \([0-9]*\) failed$/\1/' <<<"$line")
      [ "$rc" -ne 0 ] && [ "$f" -eq 0 ] && f=1
      tier integration "$p" "$f"
      ;;
    e2e) gtest_tier e2e 3000 "$build/host/e2e_tests" ;;
    *) echo "unknown tier $t"; tier "$t" 0 1 ;;
  esac
done

echo "$total_pass passed, $total_fail failed"
[ "$total_fail" -eq 0 ]
