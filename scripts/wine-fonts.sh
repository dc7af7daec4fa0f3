#!/usr/bin/env bash
# Debian's Wine ships its own fonts in the fonts-wine package (/usr/share/wine/fonts) but
# does not read them from there: without them window frames draw their buttons in another
# font ("0 1 r" for minimize, maximize and close, as Marlett's letters) and the dialogs'
# Tahoma falls back to whatever fontconfig offers. Windows keeps its fonts in
# C:\windows\Fonts, which Wine does read: copy them into the prefix there. Run it after the
# prefix is made and before a program that draws windows starts.
set -euo pipefail
fonts="${WINEPREFIX:?WINEPREFIX must name the throwaway prefix}/drive_c/windows/Fonts"
source_dir=${WINE_FONTS_DIR:-/usr/share/wine/fonts}
[[ -d "$fonts" ]] || exit 0
if [[ ! -f "$source_dir/marlett.ttf" ]]; then
    echo "wine-fonts: no $source_dir/marlett.ttf; scripts/setup.sh installs fonts-wine" >&2
    exit 0
fi
cp -- "$source_dir"/*.ttf "$fonts/"
