#!/bin/bash
# Usage: make-catalog.sh [OPTIONS] --sign PFX CATALOG BUILD_ROOT INF
# Makes the signed catalog of a driver package: a trust list holding the
# hash of INF and of every file it lists in [SourceDisksFiles*] for any
# Windows release the release check models (found as its disks and INF's
# folder put them, names in any letter case), signed with PFX
# (osslsigncode) and verified. For test-signed packages and systems before
# Windows 10: kernel drivers for Windows 10 1607 and later need Microsoft's
# signature on the catalog. Sign a PE file (a driver, a DLL) before its
# catalog is made: signing may pad the file, which changes its hash.
# Arguments:
#   CATALOG  the catalog to write, as the INF's CatalogFile names it; it
#     must not exist (a catalog is never written over).
#   BUILD_ROOT  a build of tools/build.sh (its host/make_catalog); only read.
#   INF  the package's INF; it and its files are only read.
# Options:
#   --version 1|2  version 1 (SHA-1 hashes, signed SHA-1; the default), which
#     every Windows release reads, or 2 (SHA-256, signed SHA-256), which
#     Windows 7 and Server 2008 R2 cannot read.
#   --sign PFX  the certificate file (PKCS#12), checked first as
#     tools/make-medium.sh checks it; its password from RS_SIGN_PASSWORD or
#   --sign-password-file FILE  a file or a pipe, read once.
#   --time SECONDS  the catalog's date and its signing time, in seconds since
#     1970 (default: now); the same files and time give the same catalog.
#   --help  this text.
# Everything is read and checked before CATALOG is written; temporary files
# go under $TMPDIR (default /tmp) and are removed.
# Exit code: 0 made; 1 refused or failed; 2 wrong usage.
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
sign_tool=make-catalog
usage() {
  echo "usage: $0 [--version 1|2] --sign PFX [--sign-password-file FILE] [--time SECONDS] CATALOG BUILD_ROOT INF;" \
    "--help explains them" >&2
  exit 2
}
fail() { echo "make-catalog: $*" >&2; exit 1; }
version=1; pfx=""; passfile=""; time=""
while [ $# -gt 0 ]; do
  case "$1" in
    --version|--sign|--sign-password-file|--time)
      [ $# -ge 2 ] && [ -n "$2" ] || usage
      case "$1" in
        --version) case "$2" in 1|2) version="$2" ;; *) usage ;; esac ;;
        --sign) pfx="$2" ;; --sign-password-file) passfile="$2" ;;
        --time) case "$2" in *[!0-9]*) usage ;; *) time="$2" ;; esac ;;
      esac
      shift 2 ;;
    --help) sed -n '2,/^set -euo pipefail$/s/^# \{0,1\}//p' "$0"; exit 0 ;;
    --) shift; break ;;
    -*) usage ;;
    *) break ;;
  esac
done
[ $# -eq 3 ] && [ -n "$pfx" ] || usage
catalog="$1" inf="$3"
[ -d "$2" ] || fail "build root $2: no such folder"
tool="$(cd "$2" && pwd)/host/make_catalog"
[ -x "$tool" ] || fail "$tool missing (build first)"
command -v osslsigncode >/dev/null || fail "osslsigncode missing (tools/install-deps.sh installs it)"
[ ! -e "$catalog" ] && [ ! -L "$catalog" ] || fail "$catalog: exists; a catalog is never written over: remove it or name another"
[ -d "$(dirname "$catalog")" ] || fail "$catalog: its folder $(dirname "$catalog") does not exist"

private="$(mktemp -d "${TMPDIR:-/tmp}/rs-make-catalog.XXXXXX")" || fail "cannot make a private folder in ${TMPDIR:-/tmp} (TMPDIR)"
trap 'rm -rf "$private"' EXIT
trap 'exit 130' INT; trap 'exit 143' TERM; trap 'exit 129' HUP
source "$here/medium_signer.sh"
check_signer "$pfx" "$passfile" "$private"

# The trust list, then its signature: SHA-1 for version 1, which the older
# systems read, SHA-256 for version 2.
"$tool" --version "$version" ${time:+--time "$time"} "$private/unsigned.cat" "$inf" >"$private/files" || exit 1
hash=sha1; [ "$version" = 1 ] || hash=sha256
osslsigncode sign -pkcs12 "$pfx" -readpass <(printf '%s' "$sign_password") -h "$hash" ${time:+-time "$time"} \
  -in "$private/unsigned.cat" -out "$private/signed.cat" >"$private/log" 2>&1 ||
  { echo "make-catalog: signing the catalog of $inf with $pfx failed:" >&2; sed 's/^/  /' "$private/log" >&2; exit 1; }
osslsigncode verify -CAfile "$RS_MEDIUM_SIGN_TRUST" -in "$private/signed.cat" >"$private/log" 2>&1 &&
  grep -qx "Signature verification: ok" "$private/log" ||
  { echo "make-catalog: the signature on the catalog of $inf does not verify:" >&2; sed 's/^/  /' "$private/log" >&2; exit 1; }

# Made only where nothing is (noclobber); a write that fails removes what it began.
if ! { set -C; exec {out}>"$catalog"; } 2>"$private/log"; then
  fail "$catalog: could not be made ($(sed 's/^.*: //' "$private/log" | head -n 1))"
fi
set +C
if ! cat "$private/signed.cat" >&"$out" 2>"$private/log"; then
  exec {out}>&-
  rm -f "$catalog"
  fail "$catalog: could not be written ($(sed 's/^.*: //' "$private/log" | head -n 1)); nothing left there"
fi
exec {out}>&-
count=$(wc -l <"$private/files")
files="$count files"; [ "$count" -ne 1 ] || files="1 file"
echo "make-catalog: $catalog made (version $version, $files, signed $(tr a-z A-Z <<<"${hash/sha/sha-}"))"
