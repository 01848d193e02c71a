#!/bin/bash
# Lays out an installation medium in OUTDIR:
#   OUTDIR/Setup/              setup.exe and pnpbind.dll (the build's product
#                              tree), pnpbind64.exe (its win64 tree), and the
#                              vendor's Setup folder: drivers, smclib, utility,
#                              XP64.exe, Vista32.exe, Vista64.exe
#   OUTDIR/InstallationGuide/  the vendor's guide pages and their folders
# VENDOR_DIR holds the vendor's files laid out as on the medium (Setup/ and
# InstallationGuide/). Without it, the sample medium: tools/medium with the
# stand-in installers of the test build (placeholder driver files, real INF
# files). Before anything is written, the medium is checked against what
# setup.exe reads on every platform; a medium that would fail is refused,
# each problem named with the path expected, and OUTDIR is left as it was.
# On Linux keep one lower-case "drivers" folder: Wine and Windows reach it as
# "Drivers" too. Usage: make-medium.sh OUTDIR BUILD_ROOT [VENDOR_DIR]
set -euo pipefail
[ $# -eq 2 ] || [ $# -eq 3 ] || { echo "usage: $0 OUTDIR BUILD_ROOT [VENDOR_DIR]" >&2; exit 2; }
out="$1"; build="$(cd "$2" && pwd)"
tool="$build/host/medium_layout"
[ -x "$tool" ] || { echo "make-medium: $tool missing (build first)" >&2; exit 1; }
if [ $# -eq 3 ]; then
  vendor="$3"
else
  vendor="$(mktemp -d /tmp/rs-sample-medium.XXXXXX)"
  trap 'rm -rf "$vendor"' EXIT
  cp -r "$(cd "$(dirname "$0")" && pwd)/medium/." "$vendor/"
  for n in XP64 Vista32 Vista64; do
    f="$build/win32/testbin/medium/$n.exe"
    [ -f "$f" ] || { echo "make-medium: $f missing (build first)" >&2; exit 1; }
    cp "$f" "$vendor/Setup/"
  done
fi
"$tool" "$build" "$vendor" "$out"
