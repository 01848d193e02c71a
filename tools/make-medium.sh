#!/bin/bash
# Lays out the sample installation medium:
#   OUTDIR/Setup/              setup.exe, pnpbind.dll, pnpbind64.exe (when built),
#                              the stand-in platform installers XP64.exe,
#                              Vista32.exe, Vista64.exe, and the folders drivers,
#                              smclib, utility (from tools/medium/Setup)
#   OUTDIR/InstallationGuide/  the guide pages and their folders
# The medium's driver files are marked placeholders; its INF files are real.
# On Linux there is one lower-case "drivers" folder: Wine reaches it as
# "Drivers" too. Usage: make-medium.sh OUTDIR BUILD_ROOT
set -euo pipefail
[ $# -eq 2 ] || { echo "usage: $0 OUTDIR BUILD_ROOT" >&2; exit 2; }
src="$(cd "$(dirname "$0")" && pwd)/medium"
out="$1"; build="$(cd "$2" && pwd)"
w32="$build/win32"; w64="$build/win64"
# The shipped programs come from the product tree (the runtime the old
# systems can load); the stand-in installers from the test tree.
prod="$build/product"
[ -f "$prod/setup.exe" ] || prod="$w32"
for f in "$prod/setup.exe" "$prod/pnpbind.dll"; do
  [ -f "$f" ] || { echo "make-medium: $f missing (build first)" >&2; exit 1; }
done
for n in XP64 Vista32 Vista64; do
  [ -f "$w32/testbin/medium/$n.exe" ] || { echo "make-medium: $w32/testbin/medium/$n.exe missing (build first)" >&2; exit 1; }
done
rm -rf "$out"
mkdir -p "$out"
cp -r "$src/Setup" "$src/InstallationGuide" "$out/"
cp "$prod/setup.exe" "$prod/pnpbind.dll" "$out/Setup/"
[ -f "$w64/pnpbind64.exe" ] && cp "$w64/pnpbind64.exe" "$out/Setup/"
for n in XP64 Vista32 Vista64; do cp "$w32/testbin/medium/$n.exe" "$out/Setup/"; done
# An empty folder does not survive git: make sure the INF folders exist.
mkdir -p "$out/Setup/drivers/winnt4" "$out/Setup/drivers/winxp" "$out/Setup/drivers/win2000"
