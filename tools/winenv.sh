# Wine prefix helpers, sourced by the run and test scripts.
# Every prefix is the project's own: never the user's ~/.wine.

export WINEDEBUG="${WINEDEBUG:--all}"
RS_BASE_OVERRIDES="mscoree,mshtml,winemenubuilder.exe="
RS_WINE_FONTS="/usr/share/wine/fonts"

# rs_make_prefix ARCH DIR: a fresh prefix (ARCH win32 or win64) with the
# hygiene tests need: no links into $HOME, no crash dialog, Windows'
# default of hidden extensions, Wine's own fonts, Wine's console defaults
# (rs_console_defaults), in a 64-bit prefix the 32-bit view's Fonts key.
# The wine server is stopped afterwards.
# Fails (and leaves no prefix) when wineboot fails. Wine's processes get
# none of the caller's descriptors above 2 (a lock held there would stay
# held as long as the wine server lives).
rs_make_prefix() {
  arch="$1"; dir="$2"
  rm -rf "$dir"; mkdir -p "$(dirname "$dir")"
  if ! WINEPREFIX="$dir" WINEARCH="$arch" WINEDLLOVERRIDES="$RS_BASE_OVERRIDES" timeout -k 10 300 wineboot -i \
       >/dev/null 2>&1 9>&-; then
    echo "wineboot failed for $arch prefix $dir" >&2
    WINEPREFIX="$dir" timeout 60 wineserver -k 2>/dev/null 9>&-
    rm -rf "$dir"; return 1
  fi
  WINEPREFIX="$dir" timeout 120 wineserver -w 9>&-
  # Wine's own fonts (fonts-wine): without them in the prefix's Fonts folder,
  # "MS Sans Serif" and Tahoma are drawn with a wider substitute and the
  # windows' texts wrap differently.
  if [ -d "$RS_WINE_FONTS" ]; then
    cp "$RS_WINE_FONTS"/*.fon "$RS_WINE_FONTS"/*.ttf "$dir/drive_c/windows/Fonts/"
  fi
  # wineboot links Desktop, Documents... to $HOME: make them real folders.
  find "$dir/drive_c/users" -maxdepth 6 -type l -exec sh -c 'rm "$1"; mkdir "$1"' _ {} \;
  WINEPREFIX="$dir" WINEDLLOVERRIDES="$RS_BASE_OVERRIDES" timeout 120 wine reg add 'HKCU\Software\Wine\WineDbg' /v ShowCrashDialog /t REG_DWORD /d 0 /f >/dev/null 2>&1 9>&-
  WINEPREFIX="$dir" WINEDLLOVERRIDES="$RS_BASE_OVERRIDES" timeout 120 wine reg add 'HKCU\Software\Microsoft\Windows\CurrentVersion\Explorer\Advanced' /v HideFileExt /t REG_DWORD /d 1 /f >/dev/null 2>&1 9>&-
  # The first font set-up of each wine server session creates both Fonts
  # keys in the registry view of the process that does it. wineboot, a
  # 64-bit program, leaves the 32-bit view's Windows\CurrentVersion\Fonts
  # out: made here, a 32-bit program winning that race later (the robot,
  # setup.exe) adds nothing to a run's audit.
  if [ "$arch" = win64 ]; then
    WINEPREFIX="$dir" WINEDLLOVERRIDES="$RS_BASE_OVERRIDES" timeout 120 wine reg add 'HKLM\Software\Microsoft\Windows\CurrentVersion\Fonts' /reg:32 /f >/dev/null 2>&1 9>&-
  fi
  rs_console_defaults "$dir"
  WINEPREFIX="$dir" timeout 60 wineserver -k 2>/dev/null 9>&- || true
  WINEPREFIX="$dir" timeout 60 wineserver -w 2>/dev/null 9>&- || true
  if ! grep -q '^\[Console\]' "$dir/user.reg"; then
    echo "no console defaults (HKCU\\Console) in the $arch prefix $dir" >&2
    rm -rf "$dir"; return 1
  fi
  if [ "$arch" = win64 ] && ! grep -q '^\[Software\\\\Wow6432Node\\\\Microsoft\\\\Windows\\\\CurrentVersion\\\\Fonts\]' "$dir/system.reg"; then
    echo "no 32-bit Fonts key in the $arch prefix $dir" >&2
    rm -rf "$dir"; return 1
  fi
  touch "$dir/.rs-template-ok"
}

# rs_console_defaults PREFIX: Wine's console writes its defaults
# (HKCU\Console: colour table, font, sizes) the first time a console
# program gets a console window (only a display gives one), before it shows
# the program's first output; hence the echo. A run's first such
# program would leave them in that run's audit; made here, on a private
# Xvfb, they are in every prefix before the first snapshot (a later console
# window, in any locale, keeps them as they are).
rs_console_defaults() {
  local x RS_XVFB_PID RS_DISPLAY
  x="$(mktemp -d "${TMPDIR:-/tmp}/rs-console.XXXXXX")" || return 1
  if rs_start_xvfb "$x"; then
    WINEPREFIX="$1" DISPLAY="$RS_DISPLAY" WINEDLLOVERRIDES="$RS_BASE_OVERRIDES" timeout 120 \
      wine cmd /c start /wait cmd /c echo defaults </dev/null >/dev/null 2>&1 9>&-
    WINEPREFIX="$1" timeout 60 wineserver -w 2>/dev/null 9>&-
    kill "$RS_XVFB_PID" 2>/dev/null; wait "$RS_XVFB_PID" 2>/dev/null
  fi
  rm -rf "$x"
}

# rs_locale_fonts DIR LOCALE: a Chinese, Japanese or Korean Windows draws
# text asked for in "MS Sans Serif" with the default character set in its
# own locale's font, which it chooses by character set. Wine picks a font by
# name first, and its Western "MS Sans Serif" has none of those characters:
# without that font in the prefix, Wine too chooses by character set.
rs_locale_fonts() {
  case "$2" in
    zh*|ja*|ko*) rm -f "$1"/drive_c/windows/Fonts/sserif*.fon ;;
  esac
}

# rs_template ARCH: path of a cached template prefix, made when missing;
# fails when it cannot be made. Cached under RS_PREFIX_CACHE (default
# /tmp/rs-prefixes) per user.
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
      flock -w 600 9 || exit 1
      [ -f "$t/.rs-template-ok" ] || rs_make_prefix "$arch" "$t"
    ) 9>"$cache/.lock-$arch" || return 1
  fi
  echo "$t"
}

# rs_clone_prefix ARCH DEST: a throwaway copy of the template (never hard
# links: the wine server rewrites registry files in place).
rs_clone_prefix() {
  t="$(rs_template "$1")" || return 1
  rm -rf "$2"; mkdir -p "$(dirname "$2")"
  cp -a "$t" "$2" || return 1
  rm -f "$2/.rs-template-ok"
}

# rs_unmanaged_windows PREFIX: Wine leaves the prefix's windows to no window
# manager. Under Xvfb there is none, and Wine then waits 2 s for one at every
# top-level window it hides, also at a program's end. Written into user.reg,
# so only while no wine server runs in the prefix.
rs_unmanaged_windows() {
  printf '\n[Software\\\\Wine\\\\X11 Driver] 1700000000\n"Managed"="N"\n' >>"$1/user.reg"
}

# rs_start_xvfb DIR: a private Xvfb on a display number it picks itself;
# sets RS_XVFB_PID and RS_DISPLAY (":N"), its log in DIR/xvfb.log. Fails
# (Xvfb ended) when no display number came within 20 s.
rs_start_xvfb() {
  local num=""
  rm -f "$1/display"; mkfifo "$1/display" || return 1
  Xvfb -displayfd 4 -screen 0 1024x768x24 -nolisten tcp 4>"$1/display" 2>"$1/xvfb.log" 9>&- &
  RS_XVFB_PID=$!
  read -r -t 20 num <"$1/display"
  if [ -z "$num" ]; then kill "$RS_XVFB_PID" 2>/dev/null; wait "$RS_XVFB_PID" 2>/dev/null; return 1; fi
  RS_DISPLAY=":$num"
}

# rs_gtest_counts XML: "tests failed skipped" of a GoogleTest report
# (disabled tests are not counted as tests).
rs_gtest_counts() {
  local head t f d s
  head="$(grep -m1 '<testsuites' "$1")"
  t=$(sed -n 's/.* tests="\([0-9]*\)".*/\1/p' <<<"$head")
  f=$(sed -n 's/.* failures="\([0-9]*\)".*/\1/p' <<<"$head")
  d=$(sed -n 's/.* disabled="\([0-9]*\)".*/\1/p' <<<"$head")
  s=$(grep -c '<skipped' "$1")
  echo "$((t - d)) ${f:-0} $s"
}

# rs_running_test LOG: the test a GoogleTest output log began last and never
# finished ("no test" when none).
rs_running_test() {
  awk '{ sub(/\r$/, "") } /^\[ RUN      \]/ { t = $NF } /^\[ *(OK|FAILED|SKIPPED) *\]/ { if ($4 == t) t = "" }
       END { print (t == "" ? "no test" : t) }' "$1"
}
