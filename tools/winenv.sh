# Wine prefix helpers, sourced by the run and test scripts.
# Every prefix is the project's own: never the user's ~/.wine.

export WINEDEBUG="${WINEDEBUG:--all}"
RS_BASE_OVERRIDES="mscoree,mshtml,winemenubuilder.exe="

# rs_make_prefix ARCH DIR: a fresh prefix (ARCH win32 or win64) with the
# hygiene tests need: no links into $HOME, no crash dialog, Windows'
# default of hidden extensions. The wine server is stopped afterwards.
rs_make_prefix() {
  arch="$1"; dir="$2"
  rm -rf "$dir"; mkdir -p "$(dirname "$dir")"
  WINEPREFIX="$dir" WINEARCH="$arch" WINEDLLOVERRIDES="$RS_BASE_OVERRIDES" wineboot -i >/dev/null 2>&1
  WINEPREFIX="$dir" wineserver -w
  # wineboot links Desktop, Documents... to $HOME: make them real folders.
  find "$dir/drive_c/users" -maxdepth 6 -type l -exec sh -c 'rm "$1"; mkdir "$1"' _ {} \;
  WINEPREFIX="$dir" WINEDLLOVERRIDES="$RS_BASE_OVERRIDES" wine reg add 'HKCU\Software\Wine\WineDbg' /v ShowCrashDialog /t REG_DWORD /d 0 /f >/dev/null 2>&1
  WINEPREFIX="$dir" WINEDLLOVERRIDES="$RS_BASE_OVERRIDES" wine reg add 'HKCU\Software\Microsoft\Windows\CurrentVersion\Explorer\Advanced' /v HideFileExt /t REG_DWORD /d 1 /f >/dev/null 2>&1
  WINEPREFIX="$dir" wineserver -k 2>/dev/null || true
  WINEPREFIX="$dir" wineserver -w 2>/dev/null || true
  touch "$dir/.rs-template-ok"
}

# rs_template ARCH: path of a cached template prefix, made when missing.
# Cached under RS_PREFIX_CACHE (default /tmp/rs-prefixes) per user.
rs_template() {
  arch="$1"
  cache="${RS_PREFIX_CACHE:-/tmp/rs-prefixes-$(id -u)}"
  # A template made under another Wine, another prefix recipe or other fonts
  # (Wine registers the fonts it finds at the first start) is not reused.
  fp="$( { wine --version 2>/dev/null; cat "${BASH_SOURCE[0]:-$0}" 2>/dev/null; \
          dpkg-query -W -f='${Package} ${Version}\n' 'fonts-*' 'wine*' 2>/dev/null; } | md5sum | cut -c1-12)"
  t="$cache/template-$arch-$fp"
  if [ ! -f "$t/.rs-template-ok" ]; then
    mkdir -p "$cache"
    # One maker at a time: parallel test runs share the cache.
    (
      flock 9
      [ -f "$t/.rs-template-ok" ] || rs_make_prefix "$arch" "$t"
    ) 9>"$cache/.lock-$arch"
  fi
  echo "$t"
}

# rs_clone_prefix ARCH DEST: a throwaway copy of the template (never hard
# links: the wine server rewrites registry files in place).
rs_clone_prefix() {
  t="$(rs_template "$1")"
  rm -rf "$2"; mkdir -p "$(dirname "$2")"
  cp -a "$t" "$2"
  rm -f "$2/.rs-template-ok"
}
