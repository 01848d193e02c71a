#!/bin/sh
# Compiles the locales the program is tested under (English, Traditional
# Chinese, Korean) into a folder of the project, for LOCPATH=DIR LANG=xx_YY.UTF-8:
# Wine takes the system language and ANSI code page from the Unix locale.
# Usage: make-locales.sh [DIR]   (default: out/locale of the repository)
set -e
dir="${1:-$(cd "$(dirname "$0")/.." && pwd)/out/locale}"
mkdir -p "$dir"
for l in en_US zh_TW ko_KR; do
  [ -f "$dir/$l.UTF-8/LC_CTYPE" ] && continue
  # localedef exits 1 on mere warnings; the compiled files decide.
  localedef -i "$l" -f UTF-8 "$dir/$l.UTF-8" >/dev/null 2>&1 || true
  [ -f "$dir/$l.UTF-8/LC_CTYPE" ] || { echo "make-locales: cannot compile $l.UTF-8" >&2; exit 1; }
done
