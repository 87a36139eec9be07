#!/usr/bin/env bash
# The README's pictures of the installer's window, taken from the real build under Wine:
#
#   tools/readme-screenshots.sh [build folder]        (default build-win)
#
# writes docs/window-light.png, docs/window-dark.png, docs/window-high-contrast.png and
# docs/languages.png. It builds the installer and window_bench_tool.exe, makes a throwaway Wine
# prefix on a virtual display under the build folder, and for each of the two app settings
# (AppsUseLightTheme 1 and 0, written before the start, as Windows' colour settings write it)
# starts the installer without switches, waits through window_bench_tool.exe until its
# complete first frame is on the screen, and cuts its window rectangle out of a capture of the
# whole screen. docs/languages.png is one sheet of the install and the uninstall window in each
# of the ten languages, in the light look, taken the same way with Wine's interface language
# set through LC_ALL.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
build=${1:-build-win}
case $build in /*) ;; *) build=$root/$build ;; esac

bash cmake/setup-machine.sh

cmake -S . -B "$build" -G Ninja -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-w64-x86_64.cmake" >/dev/null
cmake --build "$build" -j"${JOBS:-2}" --target QuorvalentInstaller window_bench_tool windows_tests >/dev/null

# The profile folder in the default destination carries the user's name: a neutral one, not
# whoever ran the script.
export USER=user LOGNAME=user
wine_root=$build/screenshot-wine
sh cmake/wine-prefix.sh setup "$wine_root" >/dev/null
trap 'sh "$root/cmake/wine-prefix.sh" teardown "$wine_root"; rm -rf "$wine_root"' EXIT
export WINEPREFIX=$wine_root/prefix HOME=$wine_root/home WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
DISPLAY=$(cat "$wine_root/display")
export DISPLAY

tool=$build/window_bench_tool.exe
installer="Z:${build//\//\\}\\QuorvalentInstaller.exe"
mkdir -p docs

# shoot FILE LIGHT LOCALE [SWITCHES...]: the installer's window started with SWITCHES, in the
# light (1) or dark (0) look; LOCALE (LC_ALL, which the installer inherits from the tool)
# chooses Wine's interface language, or the prefix's own when empty.
shoot() {
    local file=$1 light=$2 locale=$3 output=$wine_root/show.txt
    shift 3
    wine reg add 'HKCU\Software\Microsoft\Windows\CurrentVersion\Themes\Personalize' \
        /v AppsUseLightTheme /t REG_DWORD /d "$light" /f >/dev/null 2>&1
    local environment=()
    [ -n "$locale" ] && environment=(env "LC_ALL=$locale")
    # To a file, not a pipe: the installer inherits the tool's output and outlives it.
    "${environment[@]}" wine "$tool" show "$installer" "$@" >"$output" || { cat "$output" >&2; exit 1; }
    local left top right bottom
    read -r _ left top right bottom < <(grep '^rect ' "$output" | tr -d '\r')
    local geometry=$((right - left))x$((bottom - top))+$left+$top
    # No time stamps or other metadata in the file: the same window gives the same bytes.
    import -display "$DISPLAY" -window root -crop "$geometry" +repage -strip \
        -define png:exclude-chunks=date,time "$file"
    wine "$tool" close >/dev/null
    echo "$file: $geometry"
}

shoot docs/window-light.png 1 ''
shoot docs/window-dark.png 0 ''

# The ten languages, each with a locale whose interface language Wine takes for it.
languages=(
    "en_US.UTF-8:English"
    "es_ES.UTF-8:Spanish"
    "pt_BR.UTF-8:Portuguese"
    "fr_FR.UTF-8:French"
    "de_DE.UTF-8:German"
    "ru_RU.UTF-8:Russian"
    "bg_BG.UTF-8:Bulgarian"
    "zh_CN.UTF-8:Chinese (Simplified)"
    "zh_TW.UTF-8:Chinese (Traditional)"
    "ja_JP.UTF-8:Japanese"
)
sheet=$wine_root/languages
mkdir -p "$sheet"
tiles=()
for entry in "${languages[@]}"; do
    locale=${entry%%:*}
    name=${entry#*:}
    shoot "$sheet/$locale-install.png" 1 "$locale" >/dev/null
    shoot "$sheet/$locale-uninstall.png" 1 "$locale" /uninstall >/dev/null
    tiles+=(-label "$name, install" "$sheet/$locale-install.png" -label "$name, uninstall"
        "$sheet/$locale-uninstall.png")
done
# Two languages to a row, each install window beside its uninstall window.
montage -font DejaVu-Sans -pointsize 14 "${tiles[@]}" -tile 4x -geometry +12+8 -background white -strip \
    -define png:exclude-chunks=date,time docs/languages.png
echo "docs/languages.png: ${#languages[@]} languages"

# Wine keeps no high-contrast state, so no started installer can be shown in a scheme. The
# window test that answers the installer's questions about the scheme at its imports draws the
# real main window in one and keeps its client area; that picture is taken from there.
shots=$wine_root/shots
mkdir -p "$shots"
QV_BINARY_DIR="Z:${shots//\//\\}" wine "$build/windows_tests.exe" \
    --gtest_filter=HighContrastTest.EveryControlDrawsInTheSchemesColours >"$wine_root/high-contrast.txt" 2>&1 ||
    { cat "$wine_root/high-contrast.txt" >&2; exit 1; }
convert "$shots/screenshots/window_high_contrast.png" -strip -define png:exclude-chunks=date,time \
    docs/window-high-contrast.png
echo "docs/window-high-contrast.png: the client area of the window test"
