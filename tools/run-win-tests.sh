#!/bin/bash
# Windows integration tier: win_tests.exe under Wine, once in a throwaway
# 32-bit prefix and once in a 64-bit one. Usage: run-win-tests.sh BUILD_DIR [gtest args]
set -u
here="$(cd "$(dirname "$0")" && pwd)"
. "$here/winenv.sh"
build="$(cd "$1" && pwd)"; shift
work="$(mktemp -d /tmp/rs-wintests.XXXXXX)"
trap 'for p in "$work"/prefix-*; do WINEPREFIX="$p" wineserver -k 2>/dev/null; done; rm -rf "$work"' EXIT
total_pass=0; total_fail=0; rc=0
for arch in win32 win64; do
  p="$work/prefix-$arch"
  rs_clone_prefix "$arch" "$p"
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
  echo "== integration tests, $arch prefix"
  (cd "$bin" && WINEPREFIX="$p" RS_PREFIX_ARCH="$arch" RS_BUILD_DIR="$build" WINEDLLOVERRIDES="$RS_BASE_OVERRIDES" \
     wine win_tests.exe --gtest_output="xml:Z:${xml//\//\\}" "$@")
  r=$?
  [ $r -ne 0 ] && rc=1
  if [ -f "$xml" ]; then
    t=$(grep -m1 '<testsuites' "$xml" | sed -n 's/.* tests="\([0-9]*\)".*/\1/p')
    f=$(grep -m1 '<testsuites' "$xml" | sed -n 's/.* failures="\([0-9]*\)".*/\1/p')
    d=$(grep -m1 '<testsuites' "$xml" | sed -n 's/.* disabled="\([0-9]*\)".*/\1/p')
    s=$(grep -c '<skipped' "$xml")
    total_pass=$((total_pass + t - f - d - s)); total_fail=$((total_fail + f))
  else
    total_fail=$((total_fail + 1)); rc=1
  fi
  WINEPREFIX="$p" wineserver -k 2>/dev/null
done
echo "integration: $total_pass passed, $total_fail failed"
exit $rc
