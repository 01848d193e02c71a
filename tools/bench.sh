#!/bin/bash
# Benchmark (not a test): under Wine and Xvfb, the time from process start
# until the setup window is shown, side by side with an empty-window program
# of the same toolchain (tests/programs/bench_window), alternating, N rounds;
# prints the medians, their ratio and the size of setup.exe.
# Usage: bench.sh [BUILD_ROOT] [ROUNDS]   (default out/build, 7 rounds; build first)
set -euo pipefail
src="$(cd "$(dirname "$0")/.." && pwd)"
build="$(cd "${1:-$src/out/build}" && pwd)"; rounds="${2:-7}"
. "$src/tools/winenv.sh"
for f in win32/setup.exe win32/testbin/robot.exe win32/testbin/bench_window.exe; do
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
bash "$src/tools/make-medium.sh" "$prefix/drive_c/medium" "$build"
cp "$build/win32/testbin/bench_window.exe" "$build/win32/testbin/robot.exe" "$prefix/drive_c/"
export WINEPREFIX="$prefix" WINEDLLOVERRIDES="$RS_BASE_OVERRIDES"
wine reg add 'HKCU\Software\Wine\AppDefaults\setup.exe' /v Version /d winxp /f >/dev/null 2>&1
wineserver -p || true
# One warm-up start of each, so both measure a warm prefix.
run() { # exe dir class -> ms from CreateProcess to the window shown
  wine 'C:\robot.exe' launch --exe "$1" --dir "$2" wait-window --class "$3" --timeout 60000 close --how wm-close \
    | sed -n 's/^window .* since-mark=\([0-9]*\).*/\1/p'
  sleep 2.5  # Wine keeps an ended GUI process about 2 s
}
setup_exe='C:\medium\Setup\setup.exe'; setup_dir='C:\medium\Setup'
run "$setup_exe" "$setup_dir" TSetupForm >/dev/null
run 'C:\bench_window.exe' 'C:\' BenchWindow >/dev/null
s=(); e=()
for i in $(seq "$rounds"); do
  s+=("$(run "$setup_exe" "$setup_dir" TSetupForm)")
  e+=("$(run 'C:\bench_window.exe' 'C:\' BenchWindow)")
done
median() { printf '%s\n' "$@" | sort -n | awk '{a[NR]=$1} END {print a[int((NR+1)/2)]}'; }
ms=$(median "${s[@]}"); me=$(median "${e[@]}")
echo "setup.exe start to window:    ${s[*]} ms (median $ms ms)"
echo "empty window program:         ${e[*]} ms (median $me ms)"
awk -v a="$ms" -v b="$me" 'BEGIN { if (b > 0) printf "ratio setup/empty: %.2f\n", a / b; else print "ratio: n/a" }'
shipped="$build/product/setup.exe"; [ -f "$shipped" ] || shipped="$build/win32/setup.exe"
echo "size of setup.exe: $(stat -c %s "$shipped") bytes"
