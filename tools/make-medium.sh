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
# "Drivers" too.
# Usage: make-medium.sh [--iso FILE] [--sign PFX [--sign-password-file FILE]
#          [--timestamp-url URL]] [--allow-placeholder-agreement] OUTDIR BUILD_ROOT [VENDOR_DIR]
#   --sign PFX: Authenticode signatures on setup.exe, pnpbind.dll and
#     pnpbind64.exe of the medium (osslsigncode), SHA-1 with a nested SHA-256
#     one, each verified; the certificate checked first (tools/medium_signer.sh);
#     its password from RS_SIGN_PASSWORD or the file given, never a command
#     line nor a file of ours; both time-stamped only with --timestamp-url.
#   --iso FILE: an ISO 9660 image with Joliet names of the medium, volume
#     label ORVEX, read back and compared file by file before it is put at
#     FILE. FILE may only be absent or an image this command made.
#   A vendor medium is refused while setup.exe carries the placeholder
#   agreement text, unless --allow-placeholder-agreement (trial runs).
# Everything is checked before anything is written; signing and the image
# are done on the staged medium (tools/medium_finish.sh) before it replaces
# OUTDIR, so a failure leaves OUTDIR, and FILE, as they were.
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
usage() {
  echo "usage: $0 [--iso FILE] [--sign PFX [--sign-password-file FILE] [--timestamp-url URL]]" \
    "[--allow-placeholder-agreement] OUTDIR BUILD_ROOT [VENDOR_DIR]" >&2
  exit 2
}
fail() { echo "make-medium: $*" >&2; exit 1; }
iso=""; pfx=""; passfile=""; tsurl=""; allow_placeholder=0
while [ $# -gt 0 ]; do
  case "$1" in
    --iso|--sign|--sign-password-file|--timestamp-url)
      [ $# -ge 2 ] && [ -n "$2" ] || usage
      case "$1" in
        --iso) iso="$2" ;; --sign) pfx="$2" ;; --sign-password-file) passfile="$2" ;; --timestamp-url) tsurl="$2" ;;
      esac
      shift 2 ;;
    --allow-placeholder-agreement) allow_placeholder=1; shift ;;
    --) shift; break ;;
    -*) usage ;;
    *) break ;;
  esac
done
[ $# -eq 2 ] || [ $# -eq 3 ] || usage
[ -n "$pfx" ] || [ -z "$passfile$tsurl" ] || { echo "make-medium: --sign-password-file and --timestamp-url go with --sign" >&2; usage; }
out="$1"
[ -d "$2" ] || fail "build root $2: no such folder"
build="$(cd "$2" && pwd)"
tool="$build/host/medium_layout"
[ -x "$tool" ] || fail "$tool missing (build first)"

# What this run makes outside the medium; removed at its end, whatever happens.
private=""; sample=""; iso_part=""
cleanup() {
  [ -z "$private" ] || rm -rf "$private"
  [ -z "$sample" ] || rm -rf "$sample"
  [ -z "$iso_part" ] || rm -f "$iso_part"
}
trap cleanup EXIT
trap 'exit 1' INT TERM HUP
private="$(mktemp -d /tmp/rs-make-medium.XXXXXX)" || fail "cannot make a private folder in /tmp"  # mode 0700

# The setup.exe the medium will carry; when it is missing, medium_layout
# names it.
setup_exe="$build/product/setup.exe"
placeholder='*** PLACEHOLDER - NOT THE LICENCE AGREEMENT ***'
if [ $# -eq 3 ] && [ "$allow_placeholder" -eq 0 ] && [ -f "$setup_exe" ] && grep -qaF -- "$placeholder" "$setup_exe"; then
  fail "$setup_exe still shows the placeholder agreement text (assets/license.txt); build with" \
    "RS_AGREEMENT_TEXT=FILE naming the agreement that ships, or give --allow-placeholder-agreement for a trial" \
    "medium; nothing written"
fi

if [ -n "$pfx" ]; then
  command -v osslsigncode >/dev/null || fail "osslsigncode missing (tools/install-deps.sh installs it)"
  source "$here/medium_signer.sh"
  check_signer "$pfx" "$passfile" "$private"
  export RS_MEDIUM_TIMESTAMP_URL="$tsurl"
fi

# The image's application ID marks it as this command's: only such a file
# is ever replaced.
iso_app_id="ORVEX READER SETUP MEDIUM (MAKE-MEDIUM)"
ours() { xorriso -indev "$1" -pvd_info 2>/dev/null | grep -qxF "App Id       : $iso_app_id"; }
# FILE may be absent or an image of ours, nothing else.
check_iso_target() {
  if [ -L "$iso" ]; then
    fail "--iso $iso: a symbolic link; give the image's own path"
  elif [ -e "$iso" ] && ! { [ -f "$iso" ] && ours "$iso"; }; then
    fail "--iso $iso: exists and is not an image this command made; left as it is (remove it, or choose another name)"
  fi
}
if [ -n "$iso" ]; then
  command -v xorriso >/dev/null || fail "xorriso missing (tools/install-deps.sh installs it)"
  iso_dir="$(dirname "$iso")"; iso_name="$(basename "$iso")"
  [ -d "$iso_dir" ] || fail "--iso $iso: its folder $iso_dir does not exist"
  case "$iso_name" in .|..|/) fail "--iso $iso: not a file name" ;; esac
  iso="$(cd "$iso_dir" && pwd -P)/$iso_name"
  # The image goes neither into the medium, the vendor folder nor the build root.
  for tree in "$(realpath -m "$out")" "$(realpath "$build")" ${3:+"$(realpath -m "$3")"}; do
    case "$iso/" in "$tree"/*) fail "--iso $iso: lies inside $tree, which this command does not write to" ;; esac
  done
  check_iso_target
  # Two runs writing images into one folder at once: one is refused. Beside
  # OUTDIR, medium_layout's own lock on that folder does it (a second lock
  # here would refuse our own layout); the image is renamed into place right
  # after the layout, before any later run can have finished one.
  if [ "$(dirname "$iso")" != "$(cd "$(dirname "$out")" 2>/dev/null && pwd -P)" ]; then
    { exec {iso_lock}<"$iso_dir"; } 2>/dev/null || fail "--iso $iso: its folder $iso_dir cannot be read"
    flock -n "$iso_lock" || fail "--iso $iso: another make-medium is writing an image in $iso_dir; try again once it has ended"
  fi
  iso_part="$(mktemp "$iso_dir/.$iso_name.XXXXXX.part" 2>/dev/null)" || fail "--iso $iso: cannot write in $iso_dir"
  export RS_MEDIUM_ISO="$iso_part" RS_MEDIUM_ISO_LABEL=ORVEX RS_MEDIUM_ISO_APP_ID="$iso_app_id"
fi

if [ $# -eq 3 ]; then
  vendor="$3"
else
  sample="$(mktemp -d /tmp/rs-sample-medium.XXXXXX)"
  vendor="$sample"
  cp -r "$here/medium/." "$vendor/"
  for n in XP64 Vista32 Vista64; do
    f="$build/win32/testbin/medium/$n.exe"
    [ -f "$f" ] || fail "$f missing (build first)"
    cp "$f" "$vendor/Setup/"
  done
fi
finish=()
[ -z "$pfx$iso" ] || finish=(--finish "$here/medium_finish.sh")
"$tool" "${finish[@]}" "$build" "$vendor" "$out"
if [ -n "$iso" ]; then
  check_iso_target
  chmod "$(printf '%o' $((0666 & ~$(umask))))" "$iso_part"  # mktemp made it private
  mv -T -f -- "$iso_part" "$iso" || fail "$out laid out, but its image could not be put at $iso"
  iso_part=""
  echo "make-medium: image $iso written ($(stat -c %s "$iso") bytes, volume ORVEX)"
fi
