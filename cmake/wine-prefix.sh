#!/bin/sh
# setup ROOT: a fresh Wine prefix under ROOT, its own HOME, a virtual X display, and a
# persistent wine server for the test run. teardown ROOT: stops that server and display only.
set -eu
action=$1
root=$2
export WINEPREFIX="$root/prefix" HOME="$root/home" WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"

stop() {
    wineserver -k 2>/dev/null || true
    if [ -f "$root/xvfb.pid" ]; then
        kill "$(cat "$root/xvfb.pid")" 2>/dev/null || true
        rm -f "$root/xvfb.pid" "$root/display"
    fi
}

case $action in
setup)
    [ -d "$root/prefix" ] && stop
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
