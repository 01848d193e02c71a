#!/bin/bash
# Builds everything: build/product (the shipped setup.exe and pnpbind.dll),
# build/win32 (the same code with the Wine tests and test programs),
# build/win64 (the 64-bit binding helper), build/host (unit and end-to-end
# test drivers), build/fuzz (the fuzz target). Usage: build.sh [--medium-only] [BUILD_ROOT]
# --medium-only: only what tools/make-medium.sh takes (the shipped programs,
# the sample medium's stand-in installers, medium_layout), no tests.
# RS_AGREEMENT_TEXT=FILE: the agreement text setup.exe ships with, checked by
# tools/check-agreement.sh; unset or empty: the placeholder assets/license.txt.
set -euo pipefail
src="$(cd "$(dirname "$0")/.." && pwd)"
medium_only=0
[ "${1:-}" != --medium-only ] || { medium_only=1; shift; }
root="${1:-$src/build}"
jobs="$(nproc)"
agreement=""
if [ -n "${RS_AGREEMENT_TEXT:-}" ]; then
  bash "$src/tools/check-agreement.sh" "$RS_AGREEMENT_TEXT" ||
    { echo "build refused: RS_AGREEMENT_TEXT names $RS_AGREEMENT_TEXT, which cannot be the agreement text" >&2; exit 1; }
  agreement="$(cd "$(dirname "$RS_AGREEMENT_TEXT")" && pwd)/$(basename "$RS_AGREEMENT_TEXT")"
fi
cmake -S "$src" -B "$root/win32" -G Ninja -DCMAKE_TOOLCHAIN_FILE="$src/cmake/mingw-i686.cmake" -DCMAKE_BUILD_TYPE=Release -DRS_AGREEMENT_TEXT="$agreement" >/dev/null
cmake -S "$src" -B "$root/win64" -G Ninja -DCMAKE_TOOLCHAIN_FILE="$src/cmake/mingw-x86_64.cmake" -DCMAKE_BUILD_TYPE=Release >/dev/null
# The shipped setup.exe and pnpbind.dll: win32 threads runtime, which runs on
# the old systems (the win32 tree above is for the tests).
cmake -S "$src" -B "$root/product" -G Ninja -DCMAKE_TOOLCHAIN_FILE="$src/cmake/mingw-i686-product.cmake" -DCMAKE_BUILD_TYPE=Release -DRS_PRODUCT_ONLY=ON -DRS_AGREEMENT_TEXT="$agreement" >/dev/null
cmake -S "$src" -B "$root/host" -G Ninja -DCMAKE_BUILD_TYPE=Debug >/dev/null
trees="win32 win64 product host"
if [ "$medium_only" -eq 0 ]; then
  # The fuzz target alone, in a host tree of its own: clang, for libFuzzer.
  cmake -S "$src" -B "$root/fuzz" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_C_COMPILER=clang \
    -DCMAKE_CXX_COMPILER=clang++ -DRS_FUZZ=ON >/dev/null
  trees+=" fuzz"
fi
declare -A only=([win32]="medium_installer_XP64 medium_installer_Vista32 medium_installer_Vista64"
                 [win64]=pnpbind64 [product]="" [host]="medium_layout make_catalog" [fuzz]=inf_fuzz)
for b in $trees; do
  targets=()
  [ "$medium_only" -eq 0 ] && [ "$b" != fuzz ] || read -ra targets <<<"${only[$b]}"
  # Progress lines are dropped; the build's own status decides (not grep's).
  set +e +o pipefail
  ninja -C "$root/$b" -j "$jobs" "${targets[@]}" | grep -v '^\['
  status="${PIPESTATUS[0]}"
  set -e -o pipefail
  [ "$status" -eq 0 ] || { echo "build failed: $b" >&2; exit 1; }
done
