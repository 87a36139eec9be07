#!/usr/bin/env bash
# How long the installer's window takes to appear, against the least a Win32 program needs to
# put a painted window of the same size on the screen, and how much memory it takes. Run by
# hand from anywhere:
#
#   bench/window_bench.sh [build folder] [runs]     (default build-win-bench, 10 runs of each)
#
# It builds the installer, floor_window.exe (one window, one colour) and window_bench_tool.exe
# in the build folder, then, in a Wine prefix of its own on a virtual display with one
# persistent wine server, alternates the two programs. window_bench_tool.exe starts each one
# (time 0 is just before CreateProcess), polls the screen until the program's window is
# visible and every probed pixel of its complete first frame is there (for the installer the
# title bar, the margins, the folder field and both buttons, in the palette the prefix's app
# setting selects), samples the peak working set while the program lives, then closes it with
# WM_CLOSE. Nothing in the installer knows it is being measured. Prints the medians, their
# ratio, the peak working sets and the installer's size overhead (the executable minus the
# EXE_FILE resource it carries).
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
build=${1:-build-win-bench}
case $build in /*) ;; *) build=$root/$build ;; esac
runs=${2:-10}
ratio_target=1.5
# The budget of the whole program, window included.
overhead_target=$((384 * 1024))

bash cmake/setup-machine.sh

cmake -S . -B "$build" -G Ninja -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-w64-x86_64.cmake" >/dev/null
cmake --build "$build" -j"${JOBS:-2}" --target QuorvalentInstaller floor_window window_bench_tool >/dev/null

# A prefix of its own, apart from the one the tests of the same build folder use.
wine_root=$build/window-bench-wine
sh cmake/wine-prefix.sh setup "$wine_root" >/dev/null
trap 'sh "$root/cmake/wine-prefix.sh" teardown "$wine_root"' EXIT
export WINEPREFIX=$wine_root/prefix HOME=$wine_root/home WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
DISPLAY=$(cat "$wine_root/display")
export DISPLAY

windows_path() { echo "Z:${1//\//\\}"; }
results=$build/window-bench-results.txt
status=0
wine "$build/window_bench_tool.exe" series "$runs" "$(windows_path "$build/QuorvalentInstaller.exe")" \
    "$(windows_path "$build/floor_window.exe")" | tr -d '\r' >"$results" || status=1
if grep '^failed' "$results" >&2; then
    status=1
fi

field() { awk -v kind="$1" -v column="$2" '$1 == kind { printf "%s ", $column }' "$results"; }
# median [printf format]: of the numbers on standard input
median() {
    tr ' ' '\n' | grep . | sort -g | awk -v format="${1:-%.1f}\n" '{ v[NR] = $1 }
        END { if (NR) printf format, (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'
}
mib() { awk -v b="$1" 'BEGIN { printf "%.1f", b / 1048576 }'; }
grouped() { echo "$1" | sed ':a;s/\B[0-9]\{3\}\>/,&/;ta'; }
verdict() { if [ "$1" = 1 ]; then echo PASS; else echo FAIL; fi; }

installer_ms=$(field installer 3 | median)
floor_ms=$(field floor 3 | median)
[ -n "$installer_ms" ] && [ -n "$floor_ms" ] || { echo "no complete runs; see $results" >&2; exit 1; }
ratio=$(awk -v a="$installer_ms" -v b="$floor_ms" 'BEGIN { printf "%.2f", a / b }')
ratio_ok=$(awk -v r="$ratio" -v t="$ratio_target" 'BEGIN { print (r <= t) ? 1 : 0 }')
# Each round's two runs share the machine's load of the moment; the median of their ratios
# is steadier than the ratio of the medians when something else runs beside the benchmark.
paired=$(awk '$1 == "installer" { i[$2] = $3 } $1 == "floor" { f[$2] = $3 }
    END { for (k in i) if (k in f && f[k] > 0) printf "%.3f ", i[k] / f[k] }' "$results" | median %.2f)
installer_peak=$(field installer 4 | median)
floor_peak=$(field floor 4 | median)
read -r _ exe_size resource_size < <(grep '^size ' "$results")
overhead=$((exe_size - resource_size))
overhead_ok=$((resource_size > 0 && overhead <= overhead_target ? 1 : 0))

echo "Quorvalent window start-up benchmark: $(wine --version 2>/dev/null), Xvfb, $runs runs of each, alternating"
echo "time from CreateProcess to the first complete frame on the screen, seen from outside"
echo
printf '%-34s %9s   %s\n' "" "median" "runs"
printf '%-34s %9s ms   %s\n' "installer window (no switches)" "$installer_ms" "$(field installer 3)"
printf '%-34s %9s ms   %s\n' "floor (one window, one colour)" "$floor_ms" "$(field floor 3)"
printf '%-34s %9s ms   floor %s ms (the rest is painting)\n' "  of which until visible, installer" \
    "$(field installer 5 | median)" "$(field floor 5 | median)"
printf '%-34s %9s      (each round installer / floor)\n' "  median of the rounds' ratios" "$paired"
printf '%-34s %9s MiB  floor %s MiB, difference %s MiB\n' "peak working set, installer" "$(mib "$installer_peak")" \
    "$(mib "$floor_peak")" "$(awk -v a="$installer_peak" -v b="$floor_peak" 'BEGIN { printf "%.1f", (a - b) / 1048576 }')"
echo
echo "window start-up: installer $installer_ms ms, floor $floor_ms ms, ratio $ratio (target <= $ratio_target)   $(verdict "$ratio_ok")"
echo
printf '%-34s %12s bytes\n' "installer exe" "$(grouped "$exe_size")"
printf '%-34s %12s bytes\n' "embedded product (EXE_FILE)" "$(grouped "$resource_size")"
printf '%-34s %12s bytes = %s KiB   target <= 384 KiB   %s\n' "size overhead (exe - EXE_FILE)" \
    "$(grouped "$overhead")" "$(awk -v o="$overhead" 'BEGIN { printf "%.1f", o / 1024 }')" "$(verdict "$overhead_ok")"
exit $status
