#!/bin/bash
# Builds everything: build/win32 (setup.exe, pnpbind.dll, Wine tests and test
# programs), build/win64 (the 64-bit binding helper), build/host (unit and
# end-to-end test drivers). Usage: build.sh [BUILD_ROOT]
set -euo pipefail
src="$(cd "$(dirname "$0")/.." && pwd)"
root="${1:-$src/build}"
jobs="$(nproc)"
cmake -S "$src" -B "$root/win32" -G Ninja -DCMAKE_TOOLCHAIN_FILE="$src/cmake/mingw-i686.cmake" -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake -S "$src" -B "$root/win64" -G Ninja -DCMAKE_TOOLCHAIN_FILE="$src/cmake/mingw-x86_64.cmake" -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake -S "$src" -B "$root/host" -G Ninja -DCMAKE_BUILD_TYPE=Debug >/dev/null
for b in win32 win64 host; do
  # Progress lines are dropped; the build's own status decides (not grep's).
  set +e +o pipefail
  ninja -C "$root/$b" -j "$jobs" | grep -v '^\['
  status="${PIPESTATUS[0]}"
  set -e -o pipefail
  [ "$status" -eq 0 ] || { echo "build failed: $b" >&2; exit 1; }
done
