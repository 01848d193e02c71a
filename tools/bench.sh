#!/bin/bash
# Benchmark (figures, not tests), under Wine and Xvfb in one warm 32-bit
# prefix, Windows XP:
# - start-up: the robot starts setup.exe and an empty-window program of the
#   same toolchain (tests/programs/bench_window) in turn, ROUNDS rounds each,
#   and times process creation until the window is visible; also the peak
#   working set of each at that moment. Medians and ratios.
# - the run's own cost on path C: Yes (typed "y") until the setup window goes,
#   right after the restart prompt (Wine's prompt is a stub that returns at
#   once), less the 150 ms press feedback. Median of three runs.
# - an unattended path C run (/quiet) from its start to its exit, as a
#   deployment tool waits for it. Median of three runs.
# - sizes of the shipped setup.exe, pnpbind.dll and 64-bit helper against
#   their limits.
# Usage: bench.sh [BUILD_ROOT] [ROUNDS]   (default out/build, 21 rounds; build first)
# Single starts under Wine vary by a fifth either way: 21 rounds keep the
# medians steady enough to compare.
set -euo pipefail
src="$(cd "$(dirname "$0")/.." && pwd)"
build="$(cd "${1:-$src/out/build}" && pwd)"; rounds="${2:-21}"
. "$src/tools/winenv.sh"
for f in product/setup.exe product/pnpbind.dll win64/pnpbind64.exe win32/testbin/robot.exe win32/testbin/bench_window.exe; do
  [ -f "$build/$f" ] || { echo "bench: $build/$f missing (build first)" >&2; exit 1; }
done
work="$(mktemp -d /tmp/rs-bench.XXXXXX)"
prefix="$work/prefix"
xpid=""
cleanup() {
  WINEPREFIX="$prefix" wineserver -k 2>/dev/null || true
  [ -n "$xpid" ] && kill "$xpid" 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT
mkdir -p "$work/home"
export HOME="$work/home"
Xvfb -displayfd 4 -screen 0 1024x768x24 -nolisten tcp 4>"$work/display" 2>/dev/null &
xpid=$!
for _ in $(seq 200); do [ -s "$work/display" ] && break; sleep 0.1; done
export DISPLAY=":$(head -n1 "$work/display")"
rs_clone_prefix win32 "$prefix"
medium="$prefix/drive_c/medium"
bash "$src/tools/make-medium.sh" "$medium" "$build"
cp "$build/win32/testbin/bench_window.exe" "$build/win32/testbin/robot.exe" "$prefix/drive_c/"
export WINEPREFIX="$prefix" WINEDLLOVERRIDES="$RS_BASE_OVERRIDES"
wine reg add 'HKCU\Software\Wine\AppDefaults\setup.exe' /v Version /d winxp /f >/dev/null 2>&1
wineserver -p60 </dev/null >/dev/null 2>&1 9>&- || true
robot() { wine 'C:\robot.exe' "$@" | tr -d '\r'; }
setup_exe='C:\medium\Setup\setup.exe'; setup_dir='C:\medium\Setup'
starts() { # rounds -> robot "start" lines
  robot time-starts --exe "$setup_exe" --dir "$setup_dir" --class TSetupForm \
    --versus 'C:\bench_window.exe' --versus-dir 'C:\' --versus-class BenchWindow --rounds "$1"
}
starts 1 >/dev/null  # warm-up: both programs' files in the cache
out="$(starts "$rounds")"
grep -q '^done' <<<"$out" || { echo "bench: the robot failed:" >&2; echo "$out" >&2; exit 1; }
field() { # program-name key -> values, one a line
  grep "^start exe=\"[^\"]*$1\"" <<<"$out" | sed -n "s/.* $2=\\([0-9.]*\\).*/\\1/p"
}
median() { sort -n | awk '{a[NR]=$1} END {if (NR) print a[int((NR+1)/2)]; else print 0}'; }
ms_s=$(field setup.exe ms | median); ms_e=$(field bench_window.exe ms | median)
ws_s=$(field setup.exe peak-ws | median); ws_e=$(field bench_window.exe peak-ws | median)
echo "start to window, setup.exe:    $(field setup.exe ms | tr '\n' ' ')ms (median $ms_s ms)"
echo "start to window, empty window: $(field bench_window.exe ms | tr '\n' ' ')ms (median $ms_e ms)"
awk -v a="$ms_s" -v e="$ms_e" 'BEGIN { printf "start-up ratio setup/empty: %.2f (limit 1.20, aim 1.10)\n", a / e }'
awk -v a="$ws_s" -v b="$ws_e" 'BEGIN { printf "peak working set at the window: setup.exe %.0f KB, empty window %.0f KB, ratio %.2f (aim 1.50)\n", a / 1024, b / 1024, a / b }'

# Path C: Yes to the window gone, three runs from the same medium; the run's
# files and shortcuts are removed in between, so each run starts afresh.
fresh() { # the path C run's files and shortcuts removed, and the unattended runs' log
  rm -rf "$prefix/drive_c/Program Files/ORVEX" "$prefix/drive_c/windows/inf/ORVEX.inf"
  find "$prefix/drive_c/users" \( -type d -name 'ORVEX Utility' -o -name ORVEX-Setup.log \) -prune -exec rm -rf {} +
}
runs=()
for i in 1 2 3; do
  fresh
  r="$(robot launch --exe "$setup_exe" --dir "$setup_dir" wait-window --class TSetupForm --timeout 60000 \
        mark type --text y wait-gone --timeout 120000 wait-exit --timeout 60000)"
  ms="$(sed -n 's/^gone .* ms=\([0-9]*\).*/\1/p' <<<"$r")"
  [ -n "$ms" ] || { echo "bench: path C run failed:" >&2; echo "$r" >&2; exit 1; }
  grep -q '^exited' <<<"$r" || { echo "bench: setup.exe did not end after path C:" >&2; echo "$r" >&2; exit 1; }
  runs+=("$ms")
done
yes_ms=$(printf '%s\n' "${runs[@]}" | median)
echo "path C, Yes to the restart prompt: ${runs[*]} ms (median $yes_ms ms); less the 150 ms feedback: $((yes_ms - 150)) ms"

# Path C unattended: the robot starts setup.exe /quiet and waits for its end.
runs=(); codes=()
for i in 1 2 3; do
  fresh
  r="$(robot launch --exe "$setup_exe" --dir "$setup_dir" --args /quiet wait-exit --timeout 120000)"
  ms="$(sed -n 's/^exited code=\([0-9]*\) ms=\([0-9]*\).*/\2/p' <<<"$r")"
  [ -n "$ms" ] || { echo "bench: path C /quiet run failed:" >&2; echo "$r" >&2; exit 1; }
  runs+=("$ms"); codes+=("$(sed -n 's/^exited code=\([0-9]*\).*/\1/p' <<<"$r")")
done
quiet_ms=$(printf '%s\n' "${runs[@]}" | median)
echo "path C unattended (/quiet), start to exit: ${runs[*]} ms (median $quiet_ms ms; exit codes ${codes[*]})"

size() { # label file limit-bytes
  local n; n=$(stat -c %s "$2")
  awk -v l="$1" -v n="$n" -v m="$3" 'BEGIN { printf "size of %s: %d bytes (%.1f KB; limit %.1f KB) %s\n", l, n, n / 1024, m / 1024, n <= m ? "ok" : "OVER" }'
}
size setup.exe "$build/product/setup.exe" $((473600 + 13312))  # 475.5 KB: the unattended mode with its life cycle for fleets
size pnpbind.dll "$build/product/pnpbind.dll" $((64 * 1024))
size pnpbind64.exe "$build/win64/pnpbind64.exe" $((64 * 1024))
