#!/usr/bin/env bash
# The silent install side by side with an NSIS installer doing the same job, under Wine:
# builds the peer benchmark's deterministic 9,088,552-byte product, embeds it in our
# installer (a build folder of its own), and runs ../shared/bench/nsis-peer.sh with our
# installer as the row "ours". Prints the result table.
#
#   bench/peer_bench.sh [RUNS]        (default 15; the peer script's knobs pass through)
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
peer=${NSIS_PEER:-$root/../shared/bench/nsis-peer.sh}
[ -f "$peer" ] || { echo "the peer benchmark is not at $peer (set NSIS_PEER)" >&2; exit 1; }
build=$root/build-win-peer
payload=$build/peer-payload.exe

bash cmake/setup-machine.sh
mkdir -p "$build"
bash "$peer" --payload-only "$payload" >/dev/null
cmake -S . -B "$build" -G Ninja -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-w64-x86_64.cmake" \
      -DQUORVALENT_PRODUCT_EXE="$payload" >/dev/null
cmake --build "$build" -j"${JOBS:-2}" --target QuorvalentInstaller
RUNS=${1:-${RUNS:-15}} OUR_EXE="$build/QuorvalentInstaller.exe" RESULT="$build/peer-result.txt" bash "$peer" >&2
sed -n '/^row /,/^$/p' "$build/peer-result.txt"
