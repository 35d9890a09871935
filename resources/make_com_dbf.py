#!/usr/bin/python3
# Writes com.dbf, the command table the program starts with: a dBase III table with the
# character fields NAME, COMAND and UROVEN in the DOS Cyrillic code page (CP866), holding
# commands every technician needs, built from the drive commands the menus know.
# Run with Debian's interpreter, which has python3-dbf:  /usr/bin/python3 make_com_dbf.py
import os
import sys

import dbf

COMMANDS = [
    # (name shown in the grid, command, level)
    ("Тип и версия ПЗУ", "M", "1"),
    ("Конфигурация перемычек", "F", "1"),
    ("Раскрутить шпиндель", "U", "2"),
    ("Остановить шпиндель", "Z", "2"),
    ("Чтение служебной дорожки", "R", "T"),
    ("SMART: просмотр атрибутов", "N5", "1"),
    ("SMART: обновить атрибуты", "N2", "1"),
    ("SMART: создать заново", "N1", "1"),
    ("G-List", "N7", "1"),
    ("P-List", "N9", "1"),
    ("Critical Event Log", "N8", "1"),
    ("Запуск DST Short Test", "NB", "1"),
    ("Головка 1", "H1", "2"),
    ("Дорожка 0, головка 1", "S0,1", "2"),
]


def main():
    target = sys.argv[1] if len(sys.argv) > 1 else os.path.join(os.path.dirname(__file__), "com.dbf")
    if os.path.exists(target):
        os.remove(target)
    table = dbf.Table(target, "NAME C(40); COMAND C(40); UROVEN C(5)",
                      dbf_type="db3", codepage="cp866")
    table.open(dbf.READ_WRITE)
    for name, command, level in COMMANDS:
        table.append((name, command, level))
    table.close()


if __name__ == "__main__":
    main()
