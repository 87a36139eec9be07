#!/usr/bin/env bash
# How close a silent install comes to the physical limit, and what the installer adds to the
# size of the product it carries. Run by hand from anywhere:
#
#   bench/install_bench.sh [runs]        (default 5 runs of each kind)
#   PAYLOAD_SIZE=26214400 QV_BENCH_BASELINE=3c083d7 bench/install_bench.sh 9
#
# It builds the installer in its own folder (build-bench, or QV_BENCH_BUILD_DIR) around a
# payload of PAYLOAD_SIZE bytes, 9,088,552 unless given (the stand-in product padded with
# fixed bytes, so it is still a valid program), then, in one Wine prefix with one persistent
# wine server, alternates "QuorvalentInstaller.exe /verysilent /dir=<fresh folder>", the same
# once more over the installation it has just made (an update: every file replaced, the old
# one kept until the end), and a plain copy of the bytes
# that install writes (the payload as Quorvalent.exe and the installer as
# QuorvalentInstaller.exe) into another fresh folder of the same prefix. Both are child
# processes started and timed by bench_tool.exe inside Wine, so both pay the same process
# start-up; Wine's desktop process is held open for the whole series, as Windows' shell is
# always there. For comparison it also times the copy flushed to the disk and the
# installer's start-up alone. Prints the medians, the ratio and the size overhead against
# the targets. With QV_BENCH_BASELINE, a commit of this repository, it also builds that
# commit's installer around the same payload (in the build folder's "baseline", from
# "git archive") and times its install and update in the same rounds, taking turns at going
# first, for the ratios of this build's medians to the baseline's.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
runs=${1:-5}
build=${QV_BENCH_BUILD_DIR:-$root/build-bench}
case $build in /*) ;; *) build=$root/$build ;; esac
payload_size=${PAYLOAD_SIZE:-9088552}
baseline=${QV_BENCH_BASELINE:-}
ratio_target=1.5
# The budget of the whole program, window included.
overhead_target=$((384 * 1024))

bash cmake/setup-machine.sh

payload=$build/bench-payload.exe
# The product is embedded unchanged: this measures the install against a plain copy of the
# same bytes (bench/peer_bench.sh measures the compressed product against NSIS's LZMA).
cmake -S . -B "$build" -G Ninja -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-w64-x86_64.cmake" \
    -DQUORVALENT_PRODUCT_EXE="$payload" -DQUORVALENT_PACK_PRODUCT=OFF >/dev/null
cmake --build "$build" -j"${JOBS:-2}" --target QuorvalentStandin >/dev/null

# The stand-in followed by a repeated text up to the exact size; rewritten only when it
# changes, so that the installer is not relinked for nothing.
standin=$build/QuorvalentStandin.exe
standin_size=$(stat -c %s "$standin")
[ "$standin_size" -lt "$payload_size" ] || { echo "the stand-in is larger than the payload" >&2; exit 1; }
{
    cat "$standin"
    (yes "Quorvalent benchmark payload, padded to the size of the product. " || true) |
        head -c $((payload_size - standin_size))
} >"$payload.new"
if cmp -s "$payload.new" "$payload"; then
    rm "$payload.new"
else
    mv "$payload.new" "$payload"
fi
cmake --build "$build" -j"${JOBS:-2}" --target QuorvalentInstaller bench_tool >/dev/null

installer=$build/QuorvalentInstaller.exe
exe_size=$(stat -c %s "$installer")
overhead=$((exe_size - payload_size))

baseline_installer=
if [ -n "$baseline" ]; then
    baseline_src=$build/baseline-src
    rm -rf "$baseline_src"
    mkdir -p "$baseline_src"
    git -C "$root" archive "$baseline" | tar -x -C "$baseline_src"
    cmake -S "$baseline_src" -B "$build/baseline" -G Ninja \
        -DCMAKE_TOOLCHAIN_FILE="$baseline_src/cmake/mingw-w64-x86_64.cmake" \
        -DQUORVALENT_PRODUCT_EXE="$payload" -DQUORVALENT_PACK_PRODUCT=OFF >/dev/null
    cmake --build "$build/baseline" -j"${JOBS:-2}" --target QuorvalentInstaller >/dev/null
    baseline_installer=$build/baseline/QuorvalentInstaller.exe
fi

# One prefix and one persistent server for all runs.
wine_root=$build/bench-wine
sh cmake/wine-prefix.sh setup "$wine_root" >/dev/null
trap 'sh "$root/cmake/wine-prefix.sh" teardown "$wine_root"' EXIT
export WINEPREFIX=$wine_root/prefix HOME=$wine_root/home WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
DISPLAY=$(cat "$wine_root/display")
export DISPLAY

work=$WINEPREFIX/drive_c/bench
rm -rf "$work"
windows_path() { echo "Z:${1//\//\\}"; }
results=$build/bench-results.txt
wine "$build/bench_tool.exe" series "$runs" "$(windows_path "$installer")" "$(windows_path "$payload")" \
    'C:\bench' ${baseline_installer:+"$(windows_path "$baseline_installer")"} | tr -d '\r' >"$results"

# Every run must have done what it stands for, or the timings mean nothing: the installs and
# copies landed the same bytes, the start-up runs stopped at the probe.
status=0
while read -r kind index _ code; do
    folder=$work/$kind-$index
    expected=$installer
    case $kind in
    update) folder=$work/install-$index ;;
    baseline-*) folder=$work/baseline-$index expected=$baseline_installer ;;
    esac
    if [ "$kind" = startup ]; then
        [ "$code" = 2 ] && continue
    elif [ "$code" = 0 ] && cmp -s "$folder/Quorvalent.exe" "$payload" &&
        cmp -s "$folder/QuorvalentInstaller.exe" "$expected" &&
        [ "$(find "$folder" -maxdepth 1 -type f | wc -l)" = 2 ]; then
        continue
    fi
    echo "run $kind $index did not do its work (exit code $code)" >&2
    status=1
done <"$results"
rm -rf "$work"

times() { awk -v kind="$1" '$1 == kind { printf "%s ", $3 }' "$results"; }
median() { tr ' ' '\n' | grep . | sort -g | awk '{ v[NR] = $1 } END { print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }
grouped() { echo "$1" | sed ':a;s/\B[0-9]\{3\}\>/,&/;ta'; }
verdict() { if [ "$1" = 1 ]; then echo PASS; else echo FAIL; fi; }

install_median=$(times install | median)
copy_median=$(times copy | median)
ratio=$(awk -v a="$install_median" -v b="$copy_median" 'BEGIN { printf "%.2f", a / b }')
ratio_ok=$(awk -v r="$ratio" -v t="$ratio_target" 'BEGIN { print (r <= t) ? 1 : 0 }')
overhead_ok=$((overhead <= overhead_target ? 1 : 0))
overhead_kib=$(awk -v o="$overhead" 'BEGIN { printf "%.1f", o / 1024 }')
row() { printf '%-40s %9s ms   %s\n' "$1" "$(times "$2" | median)" "$(times "$2")"; }
ratio_of() { awk -v a="$(times "$1" | median)" -v b="$(times "$2" | median)" 'BEGIN { printf "%.3f", a / b }'; }

echo "Quorvalent installer benchmark: $(wine --version 2>/dev/null), $runs runs of each kind, alternating"
echo "payload $(grouped "$payload_size") bytes; a copy writes the same two files as an install;"
echo "each run a child process timed inside Wine, with Wine's desktop process kept running"
echo
printf '%-40s %12s   %s\n' "" "median" "runs (ms)"
row "silent install (/verysilent /dir=...)" install
row "copy of the same bytes (CopyFileW)" copy
printf '%-40s %11sx   target <= %sx   %s\n' "install / copy" "$ratio" "$ratio_target" "$(verdict "$ratio_ok")"
echo "for comparison:"
row "  copy flushed to disk (FlushFileBuffers)" durablecopy
row "  installer start-up alone (exit code 2)" startup
row "  update: the install once more over it" update
printf '%-40s %11sx\n' "  update / install" "$(ratio_of update install)"
if [ -n "$baseline" ]; then
    echo "against the build of $baseline ($(git -C "$root" rev-parse --short "$baseline")), same payload, same rounds:"
    row "  baseline silent install" baseline-install
    row "  baseline update" baseline-update
    printf '%-40s %11sx\n' "  install / baseline install" "$(ratio_of install baseline-install)"
    printf '%-40s %11sx\n' "  update / baseline update" "$(ratio_of update baseline-update)"
fi
echo
printf '%-40s %12s bytes\n' "installer exe" "$(grouped "$exe_size")"
printf '%-40s %12s bytes\n' "payload (EXE_FILE)" "$(grouped "$payload_size")"
printf '%-40s %12s bytes = %s KiB   target <= 384 KiB   %s\n' "size overhead (exe - payload)" \
    "$(grouped "$overhead")" "$overhead_kib" "$(verdict "$overhead_ok")"
exit $status
