#!/usr/bin/env python3
"""Checks the program's English: the translation file against what lupdate finds in the sources,
and the pictures' texts. Called by check_translations.sh; prints each fault and exits with 1.

  check_translations.py COMMITTED.ts UPDATED.ts PICTURE.svg...

COMMITTED is translations/kelvane_en.ts, UPDATED the same file after lupdate ran over the
sources. A text the sources have and the file has not, one the file keeps though no source uses
it, an unfinished or vanished entry, a translation with a Cyrillic letter or with other
placeholders than its source: each is a fault. So is a Cyrillic text of a picture that has no
English beside it in an SVG <switch>, and a Cyrillic title without an English one."""
import re
import sys
import xml.etree.ElementTree as ET

CYRILLIC = re.compile('[\u0400-\u04FF]')
PLACEHOLDER = re.compile(r'%(?:[1-9]|n|L[1-9])')
SVG = '{http://www.w3.org/2000/svg}'
XML_LANG = '{http://www.w3.org/XML/1998/namespace}lang'


def messages(path):
    """{(context, source, comment): (translation, type)} of a .ts file."""
    found = {}
    for context in ET.parse(path).getroot().iter('context'):
        name = context.findtext('name')
        for message in context.iter('message'):
            key = (name, message.findtext('source') or '', message.findtext('comment') or '')
            translation = message.find('translation')
            found[key] = (''.join(translation.itertext()), translation.get('type', ''))
    return found


def check_translations(committed_path, updated_path):
    faults = []
    committed = messages(committed_path)
    updated = messages(updated_path)
    where = lambda key: f'{key[0]}: "{key[1]}"'
    for key in sorted(updated.keys() - committed.keys()):
        faults.append(f'{where(key)}: not in the translation file yet (run '
                      'scripts/update_translations.sh and translate it)')
    for key in sorted(committed.keys() - updated.keys()):
        faults.append(f'{where(key)}: no source uses it any more (run '
                      'scripts/update_translations.sh)')
    for key, (text, kind) in sorted(committed.items()):
        if kind in ('vanished', 'obsolete') and key in updated:
            faults.append(f'{where(key)}: marked {kind}, but a source uses it: the program '
                          'would show it untranslated (run scripts/update_translations.sh)')
        elif kind:
            faults.append(f'{where(key)}: {kind}')
        if not text.strip():
            faults.append(f'{where(key)}: no translation')
        if CYRILLIC.search(text):
            faults.append(f'{where(key)}: Cyrillic in the English "{text}"')
        if sorted(PLACEHOLDER.findall(key[1])) != sorted(PLACEHOLDER.findall(text)):
            faults.append(f'{where(key)}: the English "{text}" has other placeholders')
    return faults


def check_picture(path):
    faults = []
    root = ET.parse(path).getroot()
    parents = {child: parent for parent in root.iter() for child in parent}
    text_of = lambda element: ''.join(element.itertext())
    for element in root.iter(SVG + 'text'):
        if not CYRILLIC.search(text_of(element)):
            continue
        switch = parents.get(element)
        english = [] if switch is None or switch.tag != SVG + 'switch' else [
            child for child in switch
            if child.get('systemLanguage') == 'en' and not CYRILLIC.search(text_of(child))]
        if not english:
            faults.append(f'{path}: "{text_of(element)}" has no English beside it in a <switch>')
    titles = root.findall(SVG + 'title')
    if any(CYRILLIC.search(text_of(title)) for title in titles) and not any(
            title.get(XML_LANG) == 'en' and not CYRILLIC.search(text_of(title))
            for title in titles):
        faults.append(f'{path}: the title has no English one (<title xml:lang="en">)')
    return faults


def main():
    faults = check_translations(sys.argv[1], sys.argv[2])
    for picture in sys.argv[3:]:
        faults += check_picture(picture)
    for fault in faults:
        print(fault)
    return 1 if faults else 0


if __name__ == '__main__':
    sys.exit(main())
