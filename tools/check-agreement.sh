#!/bin/bash
# check-agreement.sh FILE: whether FILE can be the agreement text that
# setup.exe shows (tools/build.sh, RS_AGREEMENT_TEXT). The agreement window
# shows it unchanged in an ANSI memo: 180 lines, the first one "Microsoft
# Smart Card Base Components", lines ended by CR LF or LF. Only 7-bit ASCII:
# the memo shows the bytes in the system's code page, and the English,
# Chinese and Korean systems' code pages agree on nothing beyond ASCII (a
# byte-order mark, UTF-8 or UTF-16 would show as stray characters).
# Exit 0 when it fits; otherwise each problem on stderr, naming FILE, exit 1.
set -uo pipefail
export LC_ALL=C
[ $# -eq 1 ] || { echo "usage: $0 FILE" >&2; exit 2; }
f="$1"
lines=180
first="Microsoft Smart Card Base Components"
problem() { echo "agreement text $f: $*" >&2; bad=1; }
bad=0
if [ ! -f "$f" ] || [ ! -r "$f" ]; then
  problem "not a readable file"; exit 1
fi
# A byte-order mark or UTF-16 is named as such; any other byte outside
# printable ASCII, tab, CR and LF by its line.
case "$(head -c 3 "$f" | od -An -tx1 | tr -d ' \n')" in
  efbbbf*) problem "begins with a UTF-8 byte-order mark; save it as plain ASCII" ;;
  fffe*|feff*) problem "is UTF-16; save it as plain ASCII" ;;
esac
if [ "$bad" -eq 0 ]; then
  if grep -qaP '\x00' "$f"; then
    problem "holds NUL bytes (UTF-16?); save it as plain ASCII"
  else
    other="$(grep -naP '[^\x09\x0a\x0d\x20-\x7e]' "$f" | head -1 | cut -d: -f1)"
    [ -z "$other" ] || problem "line $other: a byte outside ASCII; the agreement window shows ASCII only"
  fi
fi
# A CR not followed by LF is no line break in the memo.
cr="$(grep -naP '\r(?!$)' "$f" | head -1 | cut -d: -f1)"
[ -z "$cr" ] || problem "line $cr: a CR without LF; lines end in CR LF or LF"
[ "$(tail -c 1 "$f" | od -An -tx1 | tr -d ' ')" != 0d ] || problem "ends in a CR without LF; lines end in CR LF or LF"
# Lines as the memo shows them: every LF ends one; a last line without LF counts too.
n="$(wc -l < "$f")"
[ -z "$(tail -c 1 "$f" | tr -d '\n')" ] || n=$((n + 1))
[ "$n" -eq "$lines" ] || problem "$n lines; the agreement window shows exactly $lines"
head_line="$(head -n 1 "$f" | tr -d '\r')"
[ "$head_line" = "$first" ] || problem "first line is \"$head_line\", not \"$first\""
exit "$bad"
