#!/bin/bash
# Usage: make-medium.sh [OPTIONS] OUTDIR BUILD_ROOT [VENDOR_DIR]
# Lays out an installation medium in OUTDIR:
#   OUTDIR/Setup/              setup.exe and pnpbind.dll (the build's product
#                              tree), pnpbind64.exe (its win64 tree), and the
#                              vendor's Setup folder: drivers, smclib, utility,
#                              XP64.exe, Vista32.exe, Vista64.exe
#   OUTDIR/InstallationGuide/  the vendor's guide pages and their folders
#   OUTDIR/.make-medium        the record: every folder, and every file with its
#                              size and SHA-256, as finally laid out (signed)
# Arguments:
#   OUTDIR  absent, empty, or a medium this command laid out that still
#     holds exactly what its record lists. Anything else is refused and left
#     as it is, naming the files added, changed or missing; no option
#     overrides this: move the folder aside.
#   BUILD_ROOT  a build of tools/build.sh; only read.
#   VENDOR_DIR  the vendor's files laid out as on the medium (Setup/ and
#     InstallationGuide/); only read. Without it, the sample medium:
#     tools/medium with the stand-in installers of the test build
#     (placeholder driver files, real INF files) and the catalogs that
#     tools/make-catalog.sh makes and signs for its INFs with the sample's
#     test certificate (tools/sample-signer.pfx). On Linux keep one
#     lower-case "drivers" folder: Wine and Windows reach it as "Drivers" too.
# Options:
#   --iso FILE  also an ISO 9660 image with Joliet names of the medium,
#     volume label ORVEX, read back and compared file by file before it is
#     put at FILE. FILE may only be absent or an image this command made.
#   --sign PFX  Authenticode signatures on setup.exe, pnpbind.dll and
#     pnpbind64.exe of the medium (osslsigncode): SHA-1 with a nested
#     SHA-256 one, each verified; the certificate checked first
#     (tools/medium_signer.sh); its password from RS_SIGN_PASSWORD or the
#     file given, never a command line nor a file of ours.
#   --sign-password-file FILE  (with --sign) the password's file, or a pipe
#     (<(...), /dev/stdin, a FIFO), read once; its line end (LF or CR LF) is
#     dropped.
#   --timestamp-url URL  (with --sign) both signatures time-stamped by that
#     authority.
#   --allow-placeholder-agreement  a vendor medium is refused while setup.exe
#     carries the placeholder agreement text, unless this is given (trials).
#   --help  this text.
# Before anything is written, the medium is checked against what setup.exe
# reads on every platform, each INF's catalog too (signed, and holding the
# hash of the INF and of every file it copies); a medium that would fail is refused, each problem
# named with the path expected. Signing and the image are done on the staged
# medium (tools/medium_finish.sh) before it replaces OUTDIR, so a failure or
# a stop (Ctrl-C) leaves OUTDIR, and FILE, as they were. OUTDIR and FILE
# change together: the image takes FILE's place in the same step as the
# medium takes OUTDIR's (medium_layout --image), with stops held back, and
# goes back should either fail; a stop from then on waits and ends nothing.
# Temporary files go under $TMPDIR (default /tmp); what killed runs left
# there, beside OUTDIR and beside FILE, the next run removes, saying so in
# one line.
# Exit code: 0 laid out; 1 refused or failed; 2 wrong usage; 130 stopped by
# Ctrl-C (128 + the signal).
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
usage() {
  echo "usage: $0 [--iso FILE] [--sign PFX [--sign-password-file FILE] [--timestamp-url URL]]" \
    "[--allow-placeholder-agreement] OUTDIR BUILD_ROOT [VENDOR_DIR]; --help explains them" >&2
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
    --help) sed -n '2,/^set -euo pipefail$/s/^# \{0,1\}//p' "$0"; exit 0 ;;
    --) shift; break ;;
    -*) usage ;;
    *) break ;;
  esac
done
[ $# -eq 2 ] || [ $# -eq 3 ] || usage
[ -n "$pfx" ] || [ -z "$passfile$tsurl" ] || { echo "make-medium: --sign-password-file and --timestamp-url go with --sign" >&2; usage; }
out="$1"
stopped() { echo "make-medium: stopped ($1); nothing changed: $out left as it was${iso:+, and $iso}" >&2; exit "$2"; }
trap 'stopped Ctrl-C 130' INT; trap 'stopped SIGTERM 143' TERM; trap 'stopped SIGHUP 129' HUP
[ -d "$2" ] || fail "build root $2: no such folder"
build="$(cd "$2" && pwd)"
tool="$build/host/medium_layout"
[ -x "$tool" ] || fail "$tool missing (build first)"

# What this run makes outside the medium; removed at its end, whatever happens.
private=""; iso_part=""; removed=""
cleanup() {
  [ -z "$private" ] || { chmod -R u+w "$private" 2>/dev/null; rm -rf "$private"; }
  [ -z "$iso_part" ] || rm -f "$iso_part"
}
trap cleanup EXIT
# The run's private folder (mode 0700) holds all it makes in $TMPDIR, the
# programs it starts included; it stays locked while any of them lives, so
# an unlocked one is a killed run's. Locked by another run at once: a new one.
tmp="${TMPDIR:-/tmp}"
for attempt in 1 2 3; do
  private="$(mktemp -d "$tmp/rs-make-medium-run.XXXXXX")" || fail "cannot make a private folder in $tmp (TMPDIR)"
  { exec {private_lock}<"$private"; } 2>/dev/null && flock -n "$private_lock" && [ -d "$private" ] && break
  private=""
done
[ -n "$private" ] || fail "cannot lock a private folder in $tmp (TMPDIR)"
for left in "$tmp"/rs-make-medium-run.??????; do
  [ -d "$left" ] && [ ! -L "$left" ] && [ -O "$left" ] && [ "$left" != "$private" ] || continue
  { exec {left_lock}<"$left"; } 2>/dev/null || continue
  # Runs starting at once may meet the same folder (or one just made and not
  # yet locked); whoever locks it first removes it, the others find it gone.
  if flock -n "$left_lock" && [ -d "$left" ]; then
    chmod -R u+w "$left" 2>/dev/null || true
    rm -rf "$left" 2>/dev/null && [ ! -e "$left" ] && removed+=", $left"
  fi
  exec {left_lock}<&-
done
export TMPDIR="$private"

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
  inside() { case "$iso/" in "$1"/*) fail "--iso $iso: lies inside $2 $1, $3" ;; esac; }
  inside "$(realpath -m "$out")" "the output folder" "which the medium replaces whole (the image leaves it out)"
  inside "$(realpath "$build")" "the build root" "which this command only reads"
  [ $# -lt 3 ] || inside "$(realpath -m "$3")" "the vendor folder" "which this command only reads"
  check_iso_target
  # Two runs writing into the image's folder at once: one is refused. Beside
  # OUTDIR, medium_layout takes this lock over (a second lock would refuse
  # our own layout). Under it, part images of killed runs are removed.
  { exec {iso_lock}<"$iso_dir"; } 2>/dev/null || fail "--iso $iso: its folder $iso_dir cannot be read"
  flock -n "$iso_lock" || fail "--iso $iso: another make-medium run is writing in $iso_dir; try again once it has ended"
  [ "$(dirname "$iso")" != "$(cd "$(dirname "$out")" 2>/dev/null && pwd -P)" ] || export RS_MEDIUM_LOCK_FD="$iso_lock"
  for left in "$iso_dir/.$iso_name."??????.part; do
    [ -f "$left" ] && [ ! -L "$left" ] && rm -f "$left" && removed+=", $left"
  done
  iso_part="$(mktemp "$iso_dir/.$iso_name.XXXXXX.part" 2>/dev/null)" || fail "--iso $iso: cannot write in $iso_dir"
  chmod "$(printf '%o' $((0666 & ~$(umask))))" "$iso_part"  # mktemp made it private
  export RS_MEDIUM_ISO="$iso_part" RS_MEDIUM_ISO_LABEL=ORVEX RS_MEDIUM_ISO_APP_ID="$iso_app_id"
fi

if [ $# -eq 3 ]; then
  vendor="$3"
else
  vendor="$private/sample"
  mkdir "$vendor"
  cp -r "$here/medium/." "$vendor/"
  for n in XP64 Vista32 Vista64; do
    f="$build/win32/testbin/medium/$n.exe"
    [ -f "$f" ] || fail "$f missing (build first)"
    cp "$f" "$vendor/Setup/"
  done
  # The sample's catalogs, made as a vendor makes them (tools/make-catalog.sh)
  # and signed with the sample's test certificate, dated as the commit: the
  # same source, the same catalogs.
  epoch="$(bash "$here/source-date.sh" "$here/..")" || fail "the sample's date (tools/source-date.sh) failed"
  for pair in drivers/ORVEX.ncp:drivers/orvex98.cat drivers/winxp/orvex.inf:drivers/winxp/orvex64.cat; do
    RS_SIGN_PASSWORD=sample bash "$here/make-catalog.sh" --time "$epoch" --sign "$here/sample-signer.pfx" \
      "$vendor/Setup/${pair#*:}" "$build" "$vendor/Setup/${pair%%:*}" >/dev/null || exit 1
  done
fi
finish=()
[ -z "$pfx$iso" ] || finish=(--finish "$here/medium_finish.sh")
[ -z "$iso" ] || finish+=(--image "$iso_part" "$iso")
# What was removed here medium_layout tells in one line with what it removes.
export RS_MEDIUM_REMOVED="${removed#, }"
# medium_layout tells of a stop itself; one after its swap ends nothing.
trap 'late=1' INT TERM HUP
status=0
"$tool" "${finish[@]}" "$build" "$vendor" "$out" || status=$?
case "$status" in
  0) ;;
  1|2|129|130|131|143) exit "$status" ;;  # it said why
  *) fail "$tool ended by signal $((status - 128)), without a word; the next run removes what it left" ;;
esac
if [ -n "$iso" ]; then
  iso_part=""  # it is the image now
  echo "make-medium: image $iso written ($(stat -c %s "$iso") bytes, volume ORVEX)"
fi
