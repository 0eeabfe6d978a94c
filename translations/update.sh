#!/bin/sh
# Gathers the program's texts into tavuro_en.ts after a user-visible text changed; lupdate keeps
# the English already written. A new or changed text comes in unfinished: write its English in
# the .ts file (or with Qt Linguist). The build turns the .ts file into tavuro_en.qm.
set -eu
top=$(cd "$(dirname "$0")/.." && pwd)
cd "$top"
/usr/lib/qt6/bin/lupdate -tr-function-alias translate+=Translate,translate+=TranslateUtf8 \
  -no-obsolete -locations none -source-language zh_CN -target-language en \
  common platform engine desktop shell xgplayer -ts translations/tavuro_en.ts
if grep -q 'type="unfinished"' translations/tavuro_en.ts; then
  echo "texts still without English in translations/tavuro_en.ts:" >&2
  grep -B2 'type="unfinished"' translations/tavuro_en.ts | sed -n 's/.*<source>\(.*\)<\/source>.*/  \1/p' >&2
fi
