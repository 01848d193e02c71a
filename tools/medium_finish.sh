#!/bin/bash
# medium_finish.sh STAGING: finishes a complete staged medium before it
# replaces OUTDIR; medium_layout runs it (--finish) for tools/make-medium.sh,
# which sets it up through the environment. Any failure refuses the run:
# OUTDIR stays as it was. Only STAGING and folders of this run's own are
# written.
#   RS_MEDIUM_SIGN_PFX, RS_MEDIUM_SIGN_PASSFD (an inherited descriptor to
#   read the password from; it is never in a file nor on a command line),
#   RS_MEDIUM_SIGN_TRUST (certificates the signatures are verified against),
#   RS_MEDIUM_TIMESTAMP_URL (optional): Authenticode signatures on the
#   shipped programs, SHA-1 with a nested SHA-256 one, both verified after
#   signing (and both time-stamped with the URL).
#   RS_MEDIUM_ISO (a file of make-medium's own), RS_MEDIUM_ISO_LABEL,
#   RS_MEDIUM_ISO_APP_ID: the disc image, ISO 9660 with Joliet names,
#   without the record .make-medium; read back and compared with the medium
#   file by file, names and bytes.
set -euo pipefail
[ $# -eq 1 ] && [ -d "$1" ] || { echo "usage: $0 STAGING (a folder)" >&2; exit 2; }
staging="$(cd "$1" && pwd)"
work="$(mktemp -d "${TMPDIR:-/tmp}/rs-medium-finish.XXXXXX")"
trap 'chmod -R u+w "$work" 2>/dev/null; rm -rf "$work"' EXIT
trap 'exit 1' INT TERM HUP
fail() { echo "make-medium: $*" >&2; exit 1; }
# A tool's own output, shown only when it failed, under the line that says what failed.
show_log() { sed 's/^/  /' "$work/log" >&2; }
fail_log() { echo "make-medium: $*:" >&2; show_log; exit 1; }
# failed WHAT FOLDER [ABOUT [KB]]: a full disk in the user's words (xorriso
# and osslsigncode do not always say so, nor give the cause), else the
# tool's output. Full: the tool said so, or less than KB (default 1024) is
# left, what the failed step would have written there.
failed() {
  local free; free="$(df -Pk "$2" 2>/dev/null | awk 'NR == 2 { print $4 }')"
  if grep -q "No space left on device\|exceeds free space on media" "$work/log" || [ "${free:-1048576}" -lt "${4:-1024}" ]; then
    fail "$1: no space left on the disk holding $2${3:+ ($3)}"
  fi
  fail_log "$1"
}

# One signature on IN, written to OUT: OPTIONS, then the time-stamp when
# asked for. The password reaches the tool through a pipe.
sign_once() {
  local in="$1" out="$2" what="$3"; shift 3
  local ts=()
  [ -z "${RS_MEDIUM_TIMESTAMP_URL:-}" ] || ts=(-ts "$RS_MEDIUM_TIMESTAMP_URL")
  osslsigncode sign -pkcs12 "$RS_MEDIUM_SIGN_PFX" -readpass <(printf '%s' "$password") "$@" "${ts[@]}" \
    -in "$in" -out "$out" >"$work/log" 2>&1 && return
  if grep -q "timestamping failed" "$work/log"; then
    local cause
    cause="$(grep -o 'system library:[^:]*:[^:]*' "$work/log" | head -n 1 | cut -d: -f3)"
    fail "$what: no time-stamp from --timestamp-url $RS_MEDIUM_TIMESTAMP_URL (${cause:-no answer a time-stamp can be read from})"
  fi
  # The signed program, written under TMPDIR: its size and room for the signature.
  failed "$what with $RS_MEDIUM_SIGN_PFX failed" "$work" "under TMPDIR" $(($(stat -c %s "$in") / 1024 + 64))
}

# A SHA-1 signature, which Windows XP before SP3 and Vista and 7 without
# the SHA-2 update read, with a nested SHA-256 one for the systems after.
sign() {
  local password name f
  IFS= read -r -d '' -u "$RS_MEDIUM_SIGN_PASSFD" password || true
  exec {RS_MEDIUM_SIGN_PASSFD}<&-
  for name in setup.exe pnpbind.dll pnpbind64.exe; do
    f="$staging/Setup/$name"
    [ -f "$f" ] || fail "$f: missing, cannot be signed"
    sign_once "$f" "$work/$name.sha1" "the SHA-1 signature of Setup/$name" -h sha1
    sign_once "$work/$name.sha1" "$work/$name" "the SHA-256 signature of Setup/$name" -nest -h sha256
    osslsigncode verify -CAfile "$RS_MEDIUM_SIGN_TRUST" -TSA-CAfile "$RS_MEDIUM_SIGN_TRUST" -in "$work/$name" \
      >"$work/log" 2>&1 || fail_log "the signatures on Setup/$name do not verify"
    local want="a verified SHA-1 and a verified SHA-256 signature" stamped=1
    if [ -n "${RS_MEDIUM_TIMESTAMP_URL:-}" ]; then
      want+=", both time-stamped"
      [ "$(grep -cx "Timestamp Server Signature verification: ok" "$work/log")" -eq 2 ] || stamped=0
    fi
    grep -qx "Message digest algorithm  : SHA1" "$work/log" && grep -qx "Message digest algorithm  : SHA256" "$work/log" &&
      [ "$(grep -cx "Signature verification: ok" "$work/log")" -eq 2 ] && [ "$stamped" -eq 1 ] ||
      fail_log "Setup/$name does not carry $want"
    cp "$work/$name" "$f" 2>"$work/log" || failed "Setup/$name could not be written signed" "$staging"
    echo "make-medium: signed Setup/$name (SHA-1 and SHA-256${RS_MEDIUM_TIMESTAMP_URL:+, time-stamped})"
  done
}

# Joliet, which Windows reads, keeps names of up to 64 characters of UCS-2
# without * / : ; ? \ or control characters, in paths of up to 120
# characters (libisofs drops longer ones from the Joliet tree); ISO 9660
# allows folders eight levels deep, the root counted. Anything else would be
# cut, changed or dropped on the disc: refused, each path named.
check_names() {
  (cd "$staging" && find . -mindepth 1 ! -path ./.make-medium -printf '%y %P\0') | perl -e '
    use strict; use warnings;
    local $/ = "\0"; my $bad = 0;
    sub problem { print STDERR "make-medium: medium path $_[0]: $_[1]; the disc image would change it\n"; $bad = 1 }
    while (my $line = <STDIN>) {
      chomp $line; my ($type, $path) = split / /, $line, 2;
      my $u = $path;
      if (!utf8::decode($u)) { problem($path, "a name not in UTF-8"); next }
      my @parts = split m{/}, $u;
      for my $n (@parts) {
        if (length($n) > 64) { problem($path, "a name longer than 64 characters") }
        if ($n =~ m{[\x00-\x1f*:;?\\]}) { problem($path, "a name with one of * : ; ? \\ or a control character") }
        if ($n =~ m{[^\x{0}-\x{d7ff}\x{e000}-\x{ffff}]}) { problem($path, "a name with a character beyond UCS-2") }
      }
      if (length($u) > 120) { problem($path, "longer than 120 characters") }
      if ($type eq "d" && @parts + 1 > 8) { problem($path, "a folder " . (@parts + 1) . " levels deep (the root counted), more than 8") }
    }
    exit $bad;' || exit 1
}

# The image's names and bytes against the medium's, the record left out.
compare_read_back() {
  local back="$work/read-back"
  xorriso -osirrox on -indev "$RS_MEDIUM_ISO" -extract / "$back" >"$work/log" 2>&1 ||
    failed "the image $RS_MEDIUM_ISO cannot be read back" "$work" "under TMPDIR"
  chmod -R u+w "$back"
  diff -r -x .make-medium "$staging" "$back" >"$work/log" 2>&1 ||
    { echo "make-medium: the image $RS_MEDIUM_ISO read back differs from the medium $staging:" >&2; show_log; exit 1; }
}

make_image() {
  check_names
  local args=(-outdev "$RS_MEDIUM_ISO" -local_charset UTF-8 -volid "$RS_MEDIUM_ISO_LABEL"
              -application_id "$RS_MEDIUM_ISO_APP_ID" -joliet on -rockridge off)
  local entry
  for entry in "$staging"/* "$staging"/.[!.]* "$staging"/..?*; do
    [ -e "$entry" ] || [ -L "$entry" ] || continue
    [ "${entry##*/}" != .make-medium ] || continue
    args+=(-map "$entry" "/${entry##*/}")
  done
  # Same medium, same image: every date in it, the volume's and the files',
  # is the commit's (tools/source-date.sh), not the time of this run.
  local epoch
  epoch="$(bash "$(dirname "$0")/source-date.sh" "$(dirname "$0")/..")" || exit 1
  args+=(-volume_date all_file_dates "=$epoch")
  SOURCE_DATE_EPOCH="$epoch" xorriso "${args[@]}" >"$work/log" 2>&1 ||
    failed "writing the image $RS_MEDIUM_ISO failed" "$(dirname "$RS_MEDIUM_ISO")"
  # libisofs warns where it drops or changes a file; the read-back shows it too.
  if grep -q "WARNING\|SORRY\|FAILURE" "$work/log"; then
    echo "make-medium: writing the image $RS_MEDIUM_ISO gave warnings:" >&2; show_log; exit 1
  fi
  compare_read_back
  echo "make-medium: image written, read back and compared with the medium"
}

[ -z "${RS_MEDIUM_SIGN_PFX:-}" ] || sign
[ -z "${RS_MEDIUM_ISO:-}" ] || make_image
