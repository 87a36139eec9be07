#!/bin/sh
# setup ROOT: a fresh Wine prefix under ROOT, its own HOME, a virtual X display, and a
# persistent wine server for the test run. teardown ROOT: stops that server and display only.
set -eu
action=$1
root=$2
export WINEPREFIX="$root/prefix" HOME="$root/home" WINEDEBUG=-all
# No debugger: a test program that crashes ends at once instead of waiting for one.
export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d;winedbg.exe=d"

stop() {
    [ -d "$WINEPREFIX" ] && { wineserver -k 2>/dev/null || true; }
    if [ -f "$root/xvfb.pid" ]; then
        kill "$(cat "$root/xvfb.pid")" 2>/dev/null || true
        rm -f "$root/xvfb.pid" "$root/display"
    fi
    if mountpoint -q "$root/drive-t" 2>/dev/null; then
        umount "$root/drive-t" || true
    fi
}

# Two extra drives for the tests: R: a plain folder, for installations at a drive's root;
# T: a small file system of its own, where the tests fill the disk on purpose. Mounting needs
# root; without it T: is missing and those tests say so and fall back to injected failures.
add_drives() {
    mkdir -p "$root/drive-r" "$root/drive-t"
    ln -sfn "$root/drive-r" "$WINEPREFIX/dosdevices/r:"
    if [ "$(id -u)" = 0 ] && mount -t tmpfs -o size=16m qv-test-drive "$root/drive-t" 2>/dev/null; then
        ln -sfn "$root/drive-t" "$WINEPREFIX/dosdevices/t:"
    fi
}

case $action in
setup)
    stop
    rm -rf "$root"
    mkdir -p "$root/home"
    # A display of our own, so window tests never touch the developer's screen.
    rm -f "$root/displayfd"
    Xvfb -displayfd 1 -screen 0 1280x1024x24 -nolisten tcp </dev/null >"$root/displayfd" 2>"$root/xvfb.log" &
    echo $! >"$root/xvfb.pid"
    i=0
    while [ ! -s "$root/displayfd" ] && [ $i -lt 100 ]; do sleep 0.1; i=$((i + 1)); done
    [ -s "$root/displayfd" ] || { echo "Xvfb did not start" >&2; cat "$root/xvfb.log" >&2; exit 1; }
    echo ":$(head -n 1 "$root/displayfd")" >"$root/display"
    DISPLAY=$(cat "$root/display")
    export DISPLAY
    # A persistent server for the whole test run, started before anything else uses the prefix.
    mkdir -p "$WINEPREFIX"
    wineserver -p </dev/null >/dev/null 2>&1
    # wineboot reports the missing 32-bit half of Wine as a failure; the prefix is still fine.
    wineboot -i </dev/null >"$root/wineboot.log" 2>&1 || true
    [ -d "$WINEPREFIX/drive_c/windows/system32" ] || { echo "wineboot failed" >&2; cat "$root/wineboot.log" >&2; exit 1; }
    add_drives
    sh "$(dirname "$0")/wine-settings.sh"
    echo "prefix ready at $WINEPREFIX on display $DISPLAY"
    ;;
teardown)
    stop
    ;;
*)
    echo "usage: $0 setup|teardown ROOT" >&2
    exit 2
    ;;
esac
