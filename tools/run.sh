#!/bin/bash
# The run command: installs what is needed, builds, lays out the sample
# installation medium (out/medium) and runs setup.exe under Wine from the
# medium's Setup folder, in a prefix of the project's own (out/prefix, a fresh
# copy of a template cached in /tmp; never ~/.wine).
# With a reachable $DISPLAY the window appears there and the command waits for
# the program to end. Without one, it runs under Xvfb, waits for the setup
# window, saves a screenshot of it (out/setup-window.png), prints where, and
# ends the program by typing "n".
# Env: RS_ARCH=win32|win64 (prefix, default win32), RS_WINVER (Windows version
# the program sees, default winxp), RS_LANG=en_US|zh_TW|ko_KR (default: the
# system's language, from LC_ALL/LANG, when it is one of these; else en_US).
set -euo pipefail
src="$(cd "$(dirname "$0")/.." && pwd)"
cd "$src"
out="$src/out"
build="$out/build"
arch="${RS_ARCH:-win32}"; winver="${RS_WINVER:-winxp}"
case "${LC_ALL:-${LANG:-}}" in
  zh_TW*) syslang=zh_TW ;;
  ko_KR*) syslang=ko_KR ;;
  *) syslang=en_US ;;
esac
lang="${RS_LANG:-$syslang}"

sh tools/install-deps.sh
bash tools/build.sh "$build"
sh tools/make-locales.sh "$out/locale"
bash tools/make-medium.sh "$out/medium" "$build"

. tools/winenv.sh
prefix="$out/prefix"
[ -d "$prefix" ] && WINEPREFIX="$prefix" wineserver -k 2>/dev/null || true
rs_clone_prefix "$arch" "$prefix"
rs_locale_fonts "$prefix" "$lang"
export WINEPREFIX="$prefix" WINEDLLOVERRIDES="$RS_BASE_OVERRIDES" LOCPATH="$out/locale"
export LANG="$lang.UTF-8" LC_ALL="$lang.UTF-8" 2>/dev/null
wine reg add 'HKCU\Software\Wine\AppDefaults\setup.exe' /v Version /d "$winver" /f >/dev/null 2>&1
for exe in rundll.exe rundll32.exe; do
  wine reg add "HKCU\\Software\\Wine\\AppDefaults\\$exe" /v Version /d "$winver" /f >/dev/null 2>&1
done

if [ -n "${DISPLAY:-}" ] && xdpyinfo >/dev/null 2>&1; then
  echo "Running setup.exe ($winver, $arch prefix $prefix, $lang) on display $DISPLAY"
  cd "$out/medium/Setup"
  rc=0; wine setup.exe || rc=$?
  echo "setup.exe ended with exit code $rc"
  exit $rc
fi

# No display: a private Xvfb on a free display number (Xvfb picks it).
xfile="$(mktemp /tmp/rs-run-xvfb.XXXXXX)"
Xvfb -displayfd 4 -screen 0 1024x768x24 -nolisten tcp 4>"$xfile" 2>/dev/null &
xpid=$!
for _ in $(seq 200); do [ -s "$xfile" ] && break; sleep 0.1; done
num="$(head -n1 "$xfile")"
[ -n "$num" ] || { echo "Xvfb did not start"; kill "$xpid" 2>/dev/null; exit 1; }
export DISPLAY=":$num"
setup_pid=""
cleanup() {
  [ -n "$setup_pid" ] && kill "$setup_pid" 2>/dev/null || true
  wineserver -k 2>/dev/null || true
  [ -n "$xpid" ] && kill "$xpid" 2>/dev/null || true
  rm -f "$xfile"
}
trap cleanup EXIT
echo "No display: running setup.exe ($winver, $arch prefix $prefix, $lang) under Xvfb on $DISPLAY"
(cd "$out/medium/Setup" && exec wine setup.exe) &
setup_pid=$!
robot="Z:${build//\//\\}\\win32\\testbin\\robot.exe"
if ! wine "$robot" wait-window --class TSetupForm --timeout 60000 >"$out/robot.txt" 2>&1; then
  echo "The setup window did not appear:"; cat "$out/robot.txt"; exit 1
fi
# The largest of the program's visible windows: the application window that
# gives the task bar entry is visible too, but has no area.
xid=""; best=0
for w in $(xdotool search --onlyvisible --pid "$setup_pid" 2>/dev/null || true); do
  eval "$(xdotool getwindowgeometry --shell "$w" 2>/dev/null | grep -E '^(WIDTH|HEIGHT)=')" || continue
  area=$(( ${WIDTH:-0} * ${HEIGHT:-0} ))
  [ "$area" -gt "$best" ] && { best=$area; xid=$w; }
done
shot="$out/setup-window.png"
if [ -n "$xid" ]; then import -window "$xid" "$shot"; else import -window root "$shot"; fi
echo "Screenshot of the setup window: $shot"
wine "$robot" wait-window --class TSetupForm type --text n wait-gone >/dev/null 2>&1 || true
rc=0; wait "$setup_pid" || rc=$?
setup_pid=""
echo "setup.exe ended with exit code $rc"
exit $rc
