#!/bin/sh
# Gives a Wine prefix the fonts the installer asks for, or the nearest free ones from Debian's
# packages: "Consolas" (the edit field) as DejaVu Sans Mono, and "Microsoft YaHei UI" (Chinese
# and Japanese) as Droid Sans Fallback, whose file is put into the prefix's Fonts folder so
# the glyphs render. Without them Wine draws the edit field in a proportional face and CJK
# text as boxes. Droid Sans Fallback has no Latin letters, so it is linked to Liberation Sans
# for them, as Windows links its CJK faces to Segoe UI. Windows are not handed to a window
# manager for decoration: on a display without one (Xvfb) Wine would otherwise leave out the
# top of every window, where it expects the manager's caption. Expects WINEPREFIX to be set
# and its server to be running.
set -eu
fonts="$WINEPREFIX/drive_c/windows/Fonts"
mkdir -p "$fonts"
for file in /usr/share/fonts/truetype/droid/DroidSansFallbackFull.ttf /usr/share/fonts/truetype/dejavu/DejaVuSansMono.ttf; do
    [ -f "$file" ] && cp -f "$file" "$fonts/"
done
reg=$(mktemp --suffix=.reg)
cat >"$reg" <<'REG'
REGEDIT4

[HKEY_LOCAL_MACHINE\Software\Microsoft\Windows NT\CurrentVersion\FontSubstitutes]
"Consolas"="DejaVu Sans Mono"
"Microsoft YaHei UI"="Droid Sans Fallback"
"Microsoft YaHei UI Light"="Droid Sans Fallback"

[HKEY_CURRENT_USER\Software\Wine\X11 Driver]
"Decorated"="N"
REG
wine regedit /S "$(winepath -w "$reg")" </dev/null >/dev/null 2>&1 || true
rm -f "$reg"
wine reg add 'HKLM\Software\Microsoft\Windows NT\CurrentVersion\FontLink\SystemLink' /v 'Droid Sans Fallback' \
    /t REG_MULTI_SZ /d 'LiberationSans-Regular.ttf,Liberation Sans' /f </dev/null >/dev/null 2>&1 || true
