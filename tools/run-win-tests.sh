#!/bin/bash
# Windows integration tier: win_tests.exe under Wine in a throwaway 32-bit
# prefix and a 64-bit one at once, each on its own Xvfb, each run ended after
# RS_WIN_RUN_LIMIT seconds (default 500), naming the test it hung in. Each
# run's output is printed whole once both have ended, the 32-bit one first.
# Usage: run-win-tests.sh BUILD_DIR [gtest args]
set -u
here="$(cd "$(dirname "$0")" && pwd)"
. "$here/winenv.sh"
build="$(cd "$1" && pwd)"; shift
limit="${RS_WIN_RUN_LIMIT:-500}"
work="$(mktemp -d /tmp/rs-wintests.XXXXXX)"
trap 'for p in "$work"/prefix-*; do WINEPREFIX="$p" timeout 60 wineserver -k 2>/dev/null; done; rm -rf "$work"' EXIT

# run_arch ARCH: one run in its own prefix and on its own Xvfb; its output
# in $work/output-ARCH.txt, its report in $work/result-ARCH.xml.
run_arch() {
  local arch="$1" p="$work/prefix-$1" log="$work/output-$1.txt" xml="$work/result-$1.xml" bin r
  echo "== integration tests, $arch prefix"
  if ! rs_clone_prefix "$arch" "$p"; then echo "integration: no $arch prefix"; return 1; fi
  rs_unmanaged_windows "$p"
  # A second fixed drive D:, an empty folder of this run, for tests of paths
  # on a drive other than C:.
  mkdir -p "$work/drive-d-$arch" "$work/x-$arch"
  ln -s "$work/drive-d-$arch" "$p/dosdevices/d:"
  # Programs run from a folder inside the prefix, as from a medium.
  bin="$p/drive_c/rstest"
  mkdir -p "$bin"
  cp "$build"/win_tests.exe "$bin/"
  [ -d "$build/testbin" ] && cp -r "$build/testbin/." "$bin/"
  # 64-bit test pieces (the binding helper, stand-ins) come from the sibling win64 build.
  [ -d "$build/../win64/testbin" ] && cp -r "$build/../win64/testbin/." "$bin/"
  if ! rs_start_xvfb "$work/x-$arch"; then echo "integration: Xvfb did not start for $arch"; return 1; fi
  (cd "$bin" && DISPLAY="$RS_DISPLAY" WINEPREFIX="$p" RS_PREFIX_ARCH="$arch" RS_BUILD_DIR="$build" \
     WINEDLLOVERRIDES="$RS_BASE_OVERRIDES" timeout -k 10 "$limit" wine win_tests.exe \
     --gtest_output="xml:Z:${xml//\//\\}" "$@")
  r=$?
  if [ $r -eq 124 ] || [ $r -eq 137 ]; then
    echo "integration: $arch run ended after $limit s in $(rs_running_test "$log")"
  fi
  WINEPREFIX="$p" timeout 60 wineserver -k 2>/dev/null
  kill "$RS_XVFB_PID" 2>/dev/null; wait "$RS_XVFB_PID" 2>/dev/null
  return $r
}

pids=()
for arch in win32 win64; do
  run_arch "$arch" "$@" >"$work/output-$arch.txt" 2>&1 &
  pids+=($!)
done
total_pass=0; total_fail=0; total_skip=0; rc=0; i=0
for arch in win32 win64; do
  wait "${pids[$i]}" || rc=1
  i=$((i + 1))
  cat "$work/output-$arch.txt"
  if [ -f "$work/result-$arch.xml" ]; then
    read -r t f s < <(rs_gtest_counts "$work/result-$arch.xml")
    total_pass=$((total_pass + t - f - s)); total_fail=$((total_fail + f)); total_skip=$((total_skip + s))
  else
    total_fail=$((total_fail + 1)); rc=1
  fi
done
echo "integration: $total_pass passed, $total_fail failed, $total_skip skipped"
exit $rc
