#!/usr/bin/env bash
# Brings translations/kelvane_en.ts up to date with the sources: lupdate adds the texts the Qt
# layers (tr(), QCoreApplication::translate, QT_TRANSLATE_NOOP, the .ui files) have gained, as
# unfinished entries to translate, and drops those they no longer have. Run it after changing a
# text of the windows, translate what it added (Qt Linguist, or by hand: each <translation>
# without type="unfinished"), and commit the file; scripts/check_translations.sh checks it.
set -euo pipefail
cd "$(dirname "$0")/.."
# Usage: lupdate_into TS-FILE
lupdate_into() {
    local lupdate
    lupdate=$(command -v lupdate || echo /usr/lib/qt6/bin/lupdate)
    # Russian is the source; no source lines are kept, so the file changes only with the texts.
    "$lupdate" -silent -source-language ru -target-language en -locations none -no-obsolete \
        -extensions cpp,h,ui -I src src -ts "$1"
}
if [ "${BASH_SOURCE[0]}" = "$0" ]; then
    lupdate_into translations/kelvane_en.ts
fi
