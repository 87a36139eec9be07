#!/usr/bin/env bash
# Builds the installer twice from this source tree, in two fresh build folders under different
# paths, and checks that the two executables are byte for byte the same: what a signing
# pipeline signs is then provably what CI built and tested.
#
#   tools/check-reproducible.sh [work folder]     (default build-repro)
#
# Prints the SHA-256 of both and exits 1 with the first differing bytes when they differ.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
work=${1:-$root/build-repro}
case $work in /*) ;; *) work=$root/$work ;; esac

bash cmake/setup-machine.sh
rm -rf "$work"
for side in first second-with-a-longer-path; do
    cmake -S . -B "$work/$side" -G Ninja -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-w64-x86_64.cmake" >/dev/null
    cmake --build "$work/$side" -j"${JOBS:-2}" --target QuorvalentInstaller >/dev/null
done
a=$work/first/QuorvalentInstaller.exe
b=$work/second-with-a-longer-path/QuorvalentInstaller.exe
sha256sum "$a" "$b"
if cmp -s "$a" "$b"; then
    echo "reproducible: the two builds are identical ($(stat -c %s "$a") bytes)"
    rm -rf "$work"
    exit 0
fi
echo "NOT reproducible: the two builds differ" >&2
cmp -l "$a" "$b" | head -n 20 >&2 || true
exit 1
