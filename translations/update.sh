#!/bin/sh
# Gathers the program's texts into tavuro_en.ts and writes their English wording: run it after
# a user-visible text changed. The build turns the .ts file into tavuro_en.qm.
set -eu
top=$(cd "$(dirname "$0")/.." && pwd)
cd "$top"
/usr/lib/qt6/bin/lupdate -tr-function-alias translate+=Translate,translate+=TranslateUtf8 \
  -no-obsolete -locations none -source-language zh_CN -target-language en \
  common platform engine desktop shell xgplayer -ts translations/tavuro_en.ts
python3 translations/fill-english.py translations/tavuro_en.ts
