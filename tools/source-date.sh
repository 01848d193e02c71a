#!/bin/bash
# source-date.sh SRC: the time that the build writes into the programs' headers
# and make-medium.sh into the disc image, in seconds since 1970, so that two
# builds of one commit give the same bytes. SOURCE_DATE_EPOCH when it is set;
# else the time of the last commit when SRC is the top of a git checkout;
# else (a source archive) 0, 1 January 1970.
set -euo pipefail
[ $# -eq 1 ] && [ -d "$1" ] || { echo "usage: $0 SRC (the source folder)" >&2; exit 2; }
if [ -n "${SOURCE_DATE_EPOCH+set}" ]; then
  [[ "$SOURCE_DATE_EPOCH" =~ ^[0-9]{1,11}$ ]] ||
    { echo "SOURCE_DATE_EPOCH=$SOURCE_DATE_EPOCH: not a number of seconds since 1970" >&2; exit 1; }
  echo "$((10#$SOURCE_DATE_EPOCH))"
# Only SRC's own checkout counts: an archive unpacked inside another one
# would otherwise take that one's time.
elif top="$(git -C "$1" rev-parse --show-toplevel 2>/dev/null)" && [ "$top" -ef "$1" ]; then
  git -C "$1" log -1 --format=%ct
else
  echo 0
fi
