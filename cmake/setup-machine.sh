#!/usr/bin/env bash
# Installs the Debian packages that the builds, the tests under Wine, ./run and the benchmark
# need, and only those that are missing: a machine that has them all is left alone, without
# touching apt at all.
set -euo pipefail

packages=(
    cmake
    ninja-build
    g++-mingw-w64-x86-64-posix   # the Windows compiler (posix threads)
    binutils-mingw-w64-x86-64    # windres and objdump for the resources and the import check
    libz-mingw-w64-dev           # zlib for the Windows build
    wine
    wine64
    xvfb                         # the virtual display of the tests and of ./run without a screen
    x11-utils                    # xdpyinfo: is the developer's display reachable?
    imagemagick                  # the screenshot of ./run without a screen
    googletest
    clang
    libclang-rt-14-dev           # the sanitizer and libFuzzer run-times of clang
    zlib1g-dev
    fonts-dejavu-core            # a monospace face in place of Consolas under Wine
    fonts-wqy-microhei           # Chinese and Japanese glyphs, with Latin ones, under Wine
    fonts-liberation
    osslsigncode                 # Authenticode signing of release builds and the signing test
    openssl                      # the signing test's throwaway certificates and time-stamp replies
    python3                      # the signing test's time-stamp server on the loopback interface
)

missing=()
for package in "${packages[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q '^install ok installed$'; then
        missing+=("$package")
    fi
done
[ ${#missing[@]} -eq 0 ] && exit 0

echo "installing: ${missing[*]}"
sudo=()
[ "$(id -u)" -eq 0 ] || sudo=(sudo)
"${sudo[@]}" env DEBIAN_FRONTEND=noninteractive apt-get update
"${sudo[@]}" env DEBIAN_FRONTEND=noninteractive apt-get install -y "${missing[@]}"
