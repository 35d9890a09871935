#!/usr/bin/env bash
# Checks the program's English: translations/kelvane_en.ts holds exactly the texts of the Qt
# layers, each translated (no unfinished entry, none vanished while a source uses it, no Cyrillic
# letter and the same placeholders in a translation), and each Cyrillic text of the pictures has
# its English. Names each fault. scripts/update_translations.sh brings the file up to date.
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/update_translations.sh
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cp translations/kelvane_en.ts "$work/updated.ts"
lupdate_into "$work/updated.ts"
python3 scripts/check_translations.py translations/kelvane_en.ts "$work/updated.ts" \
    resources/*.svg
