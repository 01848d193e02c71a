#!/bin/bash
# check-reproducible.sh [COMMIT]: whether two builds of COMMIT (default HEAD)
# of this repository give the same bytes. Clones it twice into fresh folders
# under $TMPDIR at paths of different lengths, builds one after the other
# (tools/build.sh --medium-only, so at different times), lays out the
# unsigned sample medium with its image in each (tools/make-medium.sh
# --iso), and compares setup.exe, pnpbind.dll, pnpbind64.exe and the image.
# Prints each one's SHA-256 digests; exit 0 when all four are the same, 1
# when any differs or a step fails, 2 on wrong use. RS_AGREEMENT_TEXT is
# handed to both builds. Removes only the folders it made.
set -euo pipefail
src="$(cd "$(dirname "$0")/.." && pwd)"
[ $# -le 1 ] || { echo "usage: $0 [COMMIT]" >&2; exit 2; }
fail() { echo "check-reproducible: $*" >&2; exit 1; }
commit="$(git -C "$src" rev-parse --verify -q "${1:-HEAD}^{commit}")" ||
  fail "${1:-HEAD}: no commit of the repository $src"
made=()
trap 'for d in "${made[@]}"; do chmod -R u+w "$d" 2>/dev/null; rm -rf "$d"; done' EXIT
trap 'exit 1' INT TERM HUP

# build N SRC_PARENT: clone, build, lay out; the clone is SRC_PARENT/readersetup.
build() {
  local clone="$2/readersetup" log="$2/log"
  echo "check-reproducible: build $1 of $commit in $clone"
  { git clone -q --no-checkout "$src" "$clone" && git -C "$clone" checkout -q --detach "$commit"; } >"$log" 2>&1 ||
    { cat "$log" >&2; fail "cannot clone $src at $commit into $clone"; }
  bash "$clone/tools/build.sh" --medium-only "$clone/out" >"$log" 2>&1 ||
    { cat "$log" >&2; fail "build $1 in $clone failed"; }
  bash "$clone/tools/make-medium.sh" --iso "$2/medium.iso" "$2/medium" "$clone/out" >"$log" 2>&1 ||
    { cat "$log" >&2; fail "laying out the medium of build $1 in $2 failed"; }
}
first="$(mktemp -d "${TMPDIR:-/tmp}/rs-reproducible.XXXXXX")" || fail "cannot make a folder in ${TMPDIR:-/tmp}"
made+=("$first")
second="$(mktemp -d "${TMPDIR:-/tmp}/rs-reproducible.XXXXXX")" || fail "cannot make a folder in ${TMPDIR:-/tmp}"
made+=("$second")
mkdir -p "$second/a/longer/path"
build 1 "$first"
build 2 "$second/a/longer/path"

same=0
for f in medium/Setup/setup.exe medium/Setup/pnpbind.dll medium/Setup/pnpbind64.exe medium.iso; do
  a="$(sha256sum <"$first/$f" | cut -d' ' -f1)"
  b="$(sha256sum <"$second/a/longer/path/$f" | cut -d' ' -f1)"
  if [ "$a" = "$b" ]; then
    echo "same    ${f##*/} $a"
  else
    echo "DIFFER  ${f##*/} $a (build 1) $b (build 2)"; same=1
  fi
done
[ "$same" -eq 0 ] && echo "check-reproducible: two builds of $commit are the same" ||
  echo "check-reproducible: two builds of $commit differ"
exit "$same"
