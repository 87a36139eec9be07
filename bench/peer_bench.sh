#!/usr/bin/env bash
# The silent install side by side with an NSIS installer doing the same job, under Wine:
# builds the peer benchmark's deterministic product, embeds it in our installer (a build
# folder of its own), and runs ../shared/bench/nsis-peer.sh with our installer as the row
# "ours". Prints the result table and what our installer adds to the product it carries.
#
#   bench/peer_bench.sh [RUNS]        (default 15; the peer script's knobs pass through)
#
# A product that compresses like a real one, against NSIS stored and NSIS with LZMA:
#   PAD=pe PAYLOAD_SIZE=26214400 ROWS="nsis-off nsis-lzma noop" bench/peer_bench.sh 9
# QV_PACK=off embeds the product unchanged instead (its own build folder), for the memory of
# an installer whose resource section is the product itself.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
peer=${NSIS_PEER:-$root/../shared/bench/nsis-peer.sh}
[ -f "$peer" ] || { echo "the peer benchmark is not at $peer (set NSIS_PEER)" >&2; exit 1; }
pack=${QV_PACK:-on}
build=$root/build-win-peer
[ "$pack" = on ] || build=$root/build-win-peer-raw
payload=$build/peer-payload.exe

bash cmake/setup-machine.sh
mkdir -p "$build"
bash "$peer" --payload-only "$payload" >/dev/null
cmake -S . -B "$build" -G Ninja -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-w64-x86_64.cmake" \
      -DQUORVALENT_PRODUCT_EXE="$payload" -DQUORVALENT_PACK_PRODUCT="$pack" >/dev/null
cmake --build "$build" -j"${JOBS:-2}" --target QuorvalentInstaller
RUNS=${1:-${RUNS:-15}} OUR_EXE="$build/QuorvalentInstaller.exe" RESULT="$build/peer-result.txt" bash "$peer" >&2
sed -n '/^row /,/^$/p' "$build/peer-result.txt"
exe_size=$(stat -c %s "$build/QuorvalentInstaller.exe")
embedded=$payload
[ "$pack" = on ] && embedded=$build/product.qvz
embedded_size=$(stat -c %s "$embedded")
overhead=$((exe_size - embedded_size))
printf 'ours: %s bytes = the product as embedded (%s bytes, %s%% of its %s) + %s bytes = %s KiB of installer; target <= 384 KiB\n' \
    "$exe_size" "$embedded_size" "$((embedded_size * 100 / $(stat -c %s "$payload")))" "$(stat -c %s "$payload")" \
    "$overhead" "$((overhead / 1024))"
