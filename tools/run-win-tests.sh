#!/bin/bash
# Windows integration tier: win_tests.exe under Wine, once in a throwaway
# 32-bit prefix and once in a 64-bit one, each run ended after
# RS_WIN_RUN_LIMIT seconds (default 500), naming the test it hung in.
# Usage: run-win-tests.sh BUILD_DIR [gtest args]
set -u
here="$(cd "$(dirname "$0")" && pwd)"
. "$here/winenv.sh"
build="$(cd "$1" && pwd)"; shift
limit="${RS_WIN_RUN_LIMIT:-500}"
work="$(mktemp -d /tmp/rs-wintests.XXXXXX)"
trap 'for p in "$work"/prefix-*; do WINEPREFIX="$p" timeout 60 wineserver -k 2>/dev/null; done; rm -rf "$work"' EXIT
total_pass=0; total_fail=0; total_skip=0; rc=0
for arch in win32 win64; do
  p="$work/prefix-$arch"
  if ! rs_clone_prefix "$arch" "$p"; then
    echo "integration: no $arch prefix"; total_fail=$((total_fail + 1)); rc=1; continue
  fi
  # A second fixed drive D:, an empty folder of this run, for tests of paths
  # on a drive other than C:.
  mkdir -p "$work/drive-d-$arch"
  ln -s "$work/drive-d-$arch" "$p/dosdevices/d:"
  # Programs run from a folder inside the prefix, as from a medium.
  bin="$p/drive_c/rstest"
  mkdir -p "$bin"
  cp "$build"/win_tests.exe "$bin/"
  [ -d "$build/testbin" ] && cp -r "$build/testbin/." "$bin/"
  # 64-bit test pieces (the binding helper, stand-ins) come from the sibling win64 build.
  [ -d "$build/../win64/testbin" ] && cp -r "$build/../win64/testbin/." "$bin/"
  xml="$work/result-$arch.xml"
  log="$work/output-$arch.txt"
  echo "== integration tests, $arch prefix"
  (cd "$bin" && WINEPREFIX="$p" RS_PREFIX_ARCH="$arch" RS_BUILD_DIR="$build" WINEDLLOVERRIDES="$RS_BASE_OVERRIDES" \
     timeout -k 10 "$limit" wine win_tests.exe --gtest_output="xml:Z:${xml//\//\\}" "$@") 2>&1 | tee "$log"
  r=${PIPESTATUS[0]}
  [ $r -ne 0 ] && rc=1
  if [ $r -eq 124 ] || [ $r -eq 137 ]; then
    echo "integration: $arch run ended after $limit s in $(rs_running_test "$log")"
  fi
  if [ -f "$xml" ]; then
    read -r t f s < <(rs_gtest_counts "$xml")
    total_pass=$((total_pass + t - f - s)); total_fail=$((total_fail + f)); total_skip=$((total_skip + s))
  else
    total_fail=$((total_fail + 1)); rc=1
  fi
  WINEPREFIX="$p" timeout 60 wineserver -k 2>/dev/null
done
echo "integration: $total_pass passed, $total_fail failed, $total_skip skipped"
exit $rc
