#!/bin/sh
# Gives a Wine prefix the fonts the installer asks for, or the nearest free ones from Debian's
# packages, whose files are put into the prefix's Fonts folder so the glyphs render:
# "Consolas" (the edit field) as DejaVu Sans Mono, and the Chinese and Japanese faces
# "Microsoft YaHei UI" and "Microsoft YaHei UI Light" as WenQuanYi Micro Hei, through Wine's
# own font replacements. Without them Wine draws the edit field in a proportional face and CJK
# text as boxes. WenQuanYi Micro Hei has Latin letters as well as the CJK ideographs and kana,
# as the face it stands for does: a Chinese or Japanese window draws the product's name, the
# version, the folder and the link in it too, where a face with CJK glyphs only would leave
# them as empty boxes. Windows are not handed to a window manager for decoration: on a display
# without one (Xvfb) Wine would otherwise leave out the top of every window, where it expects
# the manager's caption. Expects WINEPREFIX to be set and its server to be running.
set -eu
fonts="$WINEPREFIX/drive_c/windows/Fonts"
mkdir -p "$fonts"
for file in /usr/share/fonts/truetype/wqy/wqy-microhei.ttc /usr/share/fonts/truetype/dejavu/DejaVuSansMono.ttf; do
    [ -f "$file" ] && cp -f "$file" "$fonts/"
done
reg=$(mktemp --suffix=.reg)
cat >"$reg" <<'REG'
REGEDIT4

[HKEY_LOCAL_MACHINE\Software\Microsoft\Windows NT\CurrentVersion\FontSubstitutes]
"Consolas"="DejaVu Sans Mono"

[HKEY_CURRENT_USER\Software\Wine\Fonts\Replacements]
"Microsoft YaHei UI"="WenQuanYi Micro Hei"
"Microsoft YaHei UI Light"="WenQuanYi Micro Hei"

[HKEY_CURRENT_USER\Software\Wine\X11 Driver]
"Decorated"="N"
REG
wine regedit /S "$(winepath -w "$reg")" </dev/null >/dev/null 2>&1 || true
rm -f "$reg"
