#!/usr/bin/python3
"""Writes starting inputs for the dBase fuzz target into the folder given (default:
dbf_regressions). Each input is: table length (2 bytes, little-endian), table, memo file.
Run with /usr/bin/python3, which has python3-dbf."""
import datetime
import os
import struct
import sys
import tempfile

import dbf


def pack(table, memo=b''):
    return struct.pack('<H', len(table)) + table + memo


def python_dbf_table(folder):
    path = os.path.join(folder, 't.dbf')
    t = dbf.Table(path, 'NAME C(12); CNT N(5,0); PRICE N(8,2); BORN D; OK L; NOTE M',
                  dbf_type='db3', codepage='cp866')
    t.open(dbf.READ_WRITE)
    t.append(('Привет', 42, 3.14, datetime.date(2026, 3, 5), True, 'заметка ' * 70))
    t.append(('abc', -7, -0.5, None, False, ''))
    t.close()
    with open(path, 'rb') as f, open(path[:-3] + 'dbt', 'rb') as m:
        return pack(f.read(), m.read())


def header(version, count, fields, descriptor, offsets=False):
    size = 1 + sum(length for _, _, length, _ in fields)
    first = 68 if version == 5 else 32
    head_size = first + len(fields) * descriptor + 1
    head = struct.pack('<BBBBIHH', version, 126, 3, 5, count, head_size, size)
    head += bytes(first - len(head))
    offset = 1
    for name, kind, length, decimals in fields:
        d = bytearray(descriptor)
        name_width = 32 if version == 5 else 11
        d[:len(name[:name_width])] = name[:name_width]
        d[32 if version == 5 else 11] = ord(kind)
        d[33 if version == 5 else 16] = length
        d[34 if version == 5 else 17] = decimals
        if offsets:
            d[12:16] = struct.pack('<I', offset)
        offset += length
        head += bytes(d)
    return head + b'\r'


def dbase4_with_memo():
    fields = [(b'NAME', 'C', 6, 0), (b'NOTE', 'M', 10, 0), (b'F', 'F', 8, 3)]
    table = header(0x8B, 2, fields, 32)
    table += b' first          1   1.500' + b' second         2  -2.250' + b'\x1a'
    memo = struct.pack('<I', 3) + bytes(16) + struct.pack('<H', 512) + bytes(490)
    memo += b'\xff\xff\x08\x00' + struct.pack('<I', 8 + 5) + b'hello' + bytes(499)
    memo += b'\xff\xff\x08\x00' + struct.pack('<I', 8 + 3) + b'bye'
    return pack(table, memo)


def dbase3_long_memos():
    """Memos longer than one 4096-byte read piece, one with its end mark split between pieces."""
    fields = [(b'N', 'C', 2, 0), (b'NOTE', 'M', 10, 0)]
    table = header(0x83, 2, fields, 32)
    table += b' a ' + b'1'.rjust(10) + b' b ' + b'10'.rjust(10) + b'\x1a'
    memo = struct.pack('<I', 22) + bytes(508)
    first = b'x' * 4095 + b'\x1a\x1a'
    memo += first + bytes(9 * 512 - len(first))
    memo += (b'y' * 26 + b'\x1a') * 230 + b'\x1a\x1a'
    return pack(table, memo)


def version5():
    fields = [(b'A_LONG_FIELD_NAME_OF_32_BYTES___', 'C', 4, 0), (b'D', 'D', 8, 0),
              (b'L', 'L', 1, 0), (b'N', 'N', 10, 0)]
    table = header(0x05, 1, fields, 48)
    return pack(table + b' abcd20260305T       123\x1a')


COMMANDS = [(b'NAME', 'C', 10, 0), (b'COMAND', 'C', 8, 0), (b'UROVEN', 'C', 2, 0)]
COMMAND_ROWS = b' one       c-one   T  two       c-two   T  three     c-three T '


def zero_length_descriptor(offsets):
    """A descriptor whose length byte is 0 while the header agrees with the file."""
    table = bytearray(header(0x03, 3, COMMANDS, 32, offsets) + COMMAND_ROWS + b'\x1a')
    table[32 + 32 + 16] = 0
    return pack(bytes(table))


def damaged_record_size():
    """The header's record size is wrong; the descriptors, the count and the file agree."""
    table = bytearray(header(0x03, 3, COMMANDS, 32) + COMMAND_ROWS + b'\x1a')
    table[10:12] = struct.pack('<H', 40)
    return pack(bytes(table))


def cut_in_descriptors():
    return pack(header(0x03, 3, COMMANDS, 32)[:70])


def dbase4_memo_overlong():
    """A memo whose stored length runs past its block into the next memo."""
    fields = [(b'NAME', 'C', 6, 0), (b'NOTE', 'M', 10, 0)]
    table = header(0x8B, 2, fields, 32)
    table += b' one            2' + b' two            1' + b'\x1a'
    memo = struct.pack('<I', 3) + bytes(16) + struct.pack('<H', 512) + bytes(490)
    memo += b'\xff\xff\x08\x00' + struct.pack('<I', 0xFFFFFFF0) + b'hello' + bytes(499)
    memo += b'\xff\xff\x08\x00' + struct.pack('<I', 8 + 3) + b'bye'
    return pack(table, memo)


def memo_file_missing():
    fields = [(b'NAME', 'C', 6, 0), (b'NOTE', 'M', 10, 0)]
    return pack(header(0x83, 1, fields, 32) + b' one            1' + b'\x1a')


def main():
    out = sys.argv[1] if len(sys.argv) > 1 else os.path.join(os.path.dirname(__file__),
                                                             'dbf_regressions')
    with tempfile.TemporaryDirectory() as folder:
        seeds = {'seed-python-dbf-memo': python_dbf_table(folder),
                 'seed-dbase4-memo': dbase4_with_memo(),
                 'seed-dbase3-long-memos': dbase3_long_memos(),
                 'seed-version5': version5(),
                 'seed-zero-length-descriptor': zero_length_descriptor(False),
                 'seed-zero-length-descriptor-offsets': zero_length_descriptor(True),
                 'seed-damaged-record-size': damaged_record_size(),
                 'seed-cut-in-descriptors': cut_in_descriptors(),
                 'seed-dbase4-memo-overlong': dbase4_memo_overlong(),
                 'seed-memo-file-missing': memo_file_missing()}
    for name, data in seeds.items():
        with open(os.path.join(out, name), 'wb') as f:
            f.write(data)


main()
