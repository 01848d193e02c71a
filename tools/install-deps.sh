#!/bin/sh
# Installs what building and testing need on Debian 12. Idempotent; quiet when done.
set -e
export DEBIAN_FRONTEND=noninteractive
PKGS="cmake ninja-build g++ googletest libgtest-dev libbenchmark-dev clang libclang-rt-14-dev \
 g++-mingw-w64-i686-posix g++-mingw-w64-i686-win32 g++-mingw-w64-x86-64-win32 binutils-mingw-w64-i686 binutils-mingw-w64-x86-64 \
 wine wine32:i386 wine64 fonts-wine fonts-wqy-zenhei xvfb xdotool x11-utils imagemagick locales xauth \
 xorriso osslsigncode openssl libssl-dev"
missing=""
if ! dpkg --print-foreign-architectures | grep -qx i386; then
  dpkg --add-architecture i386
  need_update=1
fi
for p in $PKGS; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing="$missing $p"
done
if [ -n "$missing" ]; then
  apt-get update -qq
  apt-get install -y -qq --no-install-recommends $missing >/dev/null
elif [ -n "$need_update" ]; then
  apt-get update -qq
fi
