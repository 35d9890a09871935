#!/usr/bin/python3
"""Writes com.dbf and com_en.dbf, the command tables the program starts with: dBase III tables
with the character fields NAME, COMAND and UROVEN in the DOS Cyrillic code page (CP866),
holding commands every technician needs, built from the drive commands the menus know.
com.dbf names them in Russian, com_en.dbf in English for an English interface; the commands and
their levels are the same bytes in both. The header's date of last update is fixed, so the
output is byte-for-byte the same on every run and the committed tables can be checked against
this script.

Usage: /usr/bin/python3 make_com_dbf.py [output folder]   (default: the script's own folder)
Debian's interpreter has python3-dbf.
"""
import os
import sys

import dbf

COMMANDS = [
    # (name shown in the grid, the same in English, command, level)
    ("Тип и версия ПЗУ", "ROM type and version", "M", "1"),
    ("Конфигурация перемычек", "Jumper settings", "F", "1"),
    ("Раскрутить шпиндель", "Spin up spindle", "U", "2"),
    ("Остановить шпиндель", "Stop spindle", "Z", "2"),
    ("Чтение служебной дорожки", "Read service track", "R", "T"),
    ("SMART: просмотр атрибутов", "SMART: show attributes", "N5", "1"),
    ("SMART: обновить атрибуты", "SMART: update attributes", "N2", "1"),
    ("SMART: создать заново", "SMART: recreate", "N1", "1"),
    ("G-List", "G-List", "N7", "1"),
    ("P-List", "P-List", "N9", "1"),
    ("Critical Event Log", "Critical Event Log", "N8", "1"),
    ("Запуск DST Short Test", "Start DST Short Test", "NB", "1"),
    ("Головка 1", "Head 1", "H1", "2"),
    ("Дорожка 0, головка 1", "Track 0, head 1", "S0,1", "2"),
]

TABLES = {"com.dbf": 0, "com_en.dbf": 1}  # file: which name of COMMANDS it holds
LAST_UPDATE = (2026, 12, 7)


def write(target, names):
    if os.path.exists(target):
        os.remove(target)
    table = dbf.Table(target, "NAME C(40); COMAND C(40); UROVEN C(5)",
                      dbf_type="db3", codepage="cp866")
    table.open(dbf.READ_WRITE)
    for entry in COMMANDS:
        table.append((entry[names], entry[2], entry[3]))
    table.close()
    # Bytes 1 to 3 of a dBase header: year - 1900, month, day.
    year, month, day = LAST_UPDATE
    with open(target, "r+b") as f:
        f.seek(1)
        f.write(bytes([year - 1900, month, day]))


def main():
    folder = sys.argv[1] if len(sys.argv) > 1 else os.path.dirname(os.path.abspath(__file__))
    for name, names in TABLES.items():
        write(os.path.join(folder, name), names)


if __name__ == "__main__":
    main()
