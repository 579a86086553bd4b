#!/bin/sh
# Puts Wine's own fonts (Debian's fonts-wine: Marlett for the caption buttons, Tahoma, MS
# Sans Serif) into the Fonts folder of the prefix given: this Wine looks for fonts there and
# through fontconfig, not where the package installs them, and without them window glyphs
# draw as letters and dialog texts are cut.
set -eu
fonts="$1/drive_c/windows/Fonts"
[ -d /usr/share/wine/fonts ] || exit 0
mkdir -p "$fonts"
for font in /usr/share/wine/fonts/*; do
  ln -sf "$font" "$fonts/"
done
