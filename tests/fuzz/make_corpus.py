#!/usr/bin/env python3
"""Writes the seed corpora of the fuzz targets (tests/fuzz/corpus/<target>/)
from inputs of the unit tests and the example registry file. Rerun after
changing the lists; file names are the first 16 hex digits of each input's
SHA-1, so unchanged inputs keep their names."""
import hashlib
import os
import sys

HERE = os.path.dirname(os.path.abspath(__file__))
ROOT = os.path.dirname(os.path.dirname(HERE))


def cp932(text):
    return text.encode("cp932")


def utf16_file(text, ctrl_z=False, odd=False):
    data = b"\xff\xfe" + text.encode("utf-16-le")
    if ctrl_z:
        data += b"\x1a\x00"
    if odd:
        data += b"\x41"
    return data


with open(os.path.join(ROOT, "examples", "example.reg"), "rb") as f:
    EXAMPLE = f.read()
EXAMPLE_TEXT = EXAMPLE[2:].decode("utf-16-le") if EXAMPLE.startswith(b"\xff\xfe") else EXAMPLE.decode("cp932")

# Registry file lines of the converter's and the importer's tests.
REG_TEXTS = [
    "Windows Registry Editor Version 5.00\n\nWINDOWS REGISTRY EDITOR\n   \nREGEDIT4\n",
    '[HKEY_LOCAL_MACHINE\\SYSTEM\\Setup]\n"C"="s"\n[-HKEY_CURRENT_USER\\Software\\Gone]\n"E"="e"\n'
    '[HKEY_CURRENT_USER\\Software\\X]\n"B"=dword:00000001\n[-HKEY_LOCAL_MACHINE\\SOFTWARE\\Old]\n"D"="d"\n'
    '[HKEY_CLASSES_ROOT\\.txt]\n@="txtfile"\n[hkey_local_machine\\software\\Vendor\\App]\n"A"="1"\n'
    '[-HKEY_CLASSES_ROOT\\Old.Doc]\n"F"="f"',
    '[HKEY_USERS\\S-1-5-18\\Software]\n"U"="u"\n; user comment\n[HKEY_LOCAL_MACHINE\\HARDWARE\\DESCRIPTION]\n'
    '"H"="h"\n[HKEY_CURRENT_USER]\n"R"="root"\n[HKEY_CURRENT_CONFIG\\System]\n"G"="g"\n',
    '; top comment\n"A"="1"\n[HKEY_CURRENT_USER\\K]\n',
    '[HKEY_CURRENT_USER\\K]\n@="a"\n"@"="b"\n"gone"=-\n"a=b"="c"\n  "N"="v"\n"a"=word\n"b"="open\n',
    '[HKEY_CURRENT_USER\\K]\n"s"="C:\\\\WINDOWS\\\\system32 \\"q\\" %SystemRoot%;%TEMP%"\n',
    '[HKEY_CURRENT_USER\\K]\n"d"=dword:ffffffff\n"e"=dword:12345678901\n"f"=dword:xyz\n"g"=dword:\n',
    '[HKEY_CURRENT_USER\\K]\n"h"=hex:01, 02,AB\n"e"=hex:\n"long"=hex:'
    + ",".join("%02x" % i for i in range(30)) + "\n",
    '[HKEY_CURRENT_USER\\K]\n"h"=hex:00,01,02,03,04,05,06,07,08,09,\\\n  10,11,12,13,14,15,16,17,18,19,\\\n'
    "  20,21,22,23,24,25,26,27,28,29\n",
    '[HKEY_CURRENT_USER\\K]\n@=hex:AA,\\\n; c\n  BB,CC\n"h"=hex:01,\\\n  02,\n"z"=hex:\\\n  \n\n  x\n',
    '[HKEY_CURRENT_USER\\K]\n"b"=hex(3):01,02\n"q"=hex(b):00,c0,a5,7e,D3,4a,d9,01\n"n"=hex(0):\n'
    '"be"=hex(5):00,00,00,01\n"big"=hex(100):01\n"bad"=hex(zz):01\n"t"=hex(1a):\n',
    '[HKEY_CURRENT_USER\\K]\n"m"=hex(7):61,00,00,00,62,00,00,00,00,00\n"e"=hex(7):00,00\n"z"=hex(7):\n'
    '"q"=hex(7):22,00,00,00,00,00\n',
    '[HKEY_CURRENT_USER\\K]\n"x"=hex(2):25,00,53,00,79,00,73,00,74,00,65,00,6d,00,52,00,6f,00,6f,00,74,00,'
    '25,00,5c,00,78,00,00,00\n"c"=hex(2):25,00,53,00,79,00,73,00,74,00,65,00,6d,00,\\\n  52,00,6f,00,6f,00,'
    '74,00,\\\n  25,00,00,00,00,00,00,00\n"q"=hex(2):22,00,61,00,00,00\n',
    '[HKEY_CURRENT_USER\\K]\n"m"=hex(7):61,00,00,00,\\\n  62,00,00,00,00,00\n"h"=hex(100):01,\\\n  02,03\n',
    '[HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Services\\X]\n"a"="1"\n'
    "[HKEY_LOCAL_MACHINE\\SYSTEM\\controlset002\\Enum]\n[HKEY_LOCAL_MACHINE\\SYSTEM\\ControlSet010\\Services]\n",
    '[HKEY_LOCAL_MACHINE\\SOFTWARE\\表示]\n"名前"="表\\\\値"\n"Exp"=hex(2):95,5c,00\n'
    '[HKEY_CURRENT_USER\\ソ]\n"ソ"="ソ\\\\"\n"a"="表\\""\n',
    "REGEDIT4\n[HKEY_CURRENT_USER\\A\\B\\C]\n[HKEY_CURRENT_USER\\A\\D]\n[-HKEY_CURRENT_USER\\A\\B]\n"
    '[HKEY_CURRENT_USER\\A\\D]\n[HKEY_NOWHERE\\X]\n[HKEY_CURRENT_USER\\X\n"a"="1"\n',
    "[HKEY_CURRENT_USER\\Software\\Test]\n@=\"d\"\n\"b\"=\"1\"\n\"A\"=dword:2\n[HKEY_CURRENT_USER\\Software\\Test\\z]\n"
    "[HKEY_CURRENT_USER\\Software\\Test\\Y]\n\"v\"=hex:" + ",".join("%02x" % i for i in range(51)) + "\n",
    EXAMPLE_TEXT,
]

INI_TEXTS = [
    "[Strings]\r\nRS_006=Done\r\n", "[strings]\nrs_006=Done\n", "[Strings]\nRS_006=\n",
    "[Strings]\nRS_006=One\nRS_006=Two\n", "[Strings]\nRS_006=One\nRS_005=Kept?\n[Other]\n[Strings]\nRS_006=Two\n",
    "[Strings]\rRS_006=Done\rRS_007=x", "[Strings]\nRS_005=a\0\nRS_006=b\n", "[Strings]\n;RS_006=Hidden\n",
    "[Strings]\nRS_006\n", "[Strings]\nRS_006=a=b\n", "[Strings]\nRS_006=\"x\\n\"\n", "[Strings\nRS_006=x\n",
    "[Strings]\nRS_006=出力が完了しました\n", "[Strings]\nソア=1\n",
    "[Font01]\nName=ＭＳ Ｐゴシック\nSize=0x0A\nCharset=$80\n[Font02]\nSize=-12\nCharset=2147483648\n",
    "[Form01]\nCaption=Vindra\n[Form02]\nCaption=キー\n",
]

CHARSET_PROBES = [
    b"", b"\x82\xa0", b"\xa4\xa2\xa4\xa4", b"\x1b$B", b"\x1b$@", b"\x8e\xb1", b"\xb1\r", b"\xf5A", b"ab\x05cd",
    b"ab\xffcd", b"\xff\xfeA\x00", b"\xfe\xff\x00A", b"\xef\xbb\xbfA", b"abc\x82", b"\xa1\xe0\x81\x40",
    b"\xa1\xe5\xfd\x41", "日本語のテキスト".encode("utf-8"), "日本語のテキスト".encode("euc-jp"),
    "日本語のテキスト".encode("iso2022_jp"), cp932("日本語のテキスト ｱｲｳ"), EXAMPLE[:2048],
]

LOAD_FILES = [
    b"", b"\xff\xfe", utf16_file("A\r\nB"), utf16_file("A\r\nB", ctrl_z=True), utf16_file("x", odd=True),
    utf16_file("a\0b\r\n"), utf16_file("\U0001F600 ¥ 표\n"), b"\xfe\xff\x00A\x00\r", b"\xef\xbb\xbfWindows\r\n",
    b"a\r\nb\rc\n\rd\n", b"a\0b\nc", cp932("REGEDIT4\r\n[HKEY_CURRENT_USER\\表]\r\n\"ソ\"=\"能\"\r\n"), EXAMPLE,
    utf16_file(EXAMPLE_TEXT, ctrl_z=True),
]

HEX_TEXTS = [
    (2, b"25,00,53,00,79,00,73,00,74,00,65,00,6d,00,52,00,6f,00,6f,00,74,00,25,00,00,00"),
    (2, b"22,00,61,00,00,00"), (2, b"95,5c,00"), (2, b"3d,d8,00,de,00,00"), (2, b""), (2, b"zz,4,,41,00"),
    (7, b"61,00,00,00,62,00,00,00,00,00"), (7, b"00,00"), (7, b""), (7, b"22,00,00,00,00,00"),
    (7, b"00,00,61,00,00,00,00,00"), (7, b"61,00"), (1, b"61,00"),
]
HEX_TYPE_BYTE = {2: 0, 7: 1, 1: 2}


def write(target, data):
    folder = os.path.join(HERE, "corpus", target)
    os.makedirs(folder, exist_ok=True)
    name = hashlib.sha1(data).hexdigest()[:16]
    with open(os.path.join(folder, name), "wb") as f:
        f.write(data)


def main():
    for probe in CHARSET_PROBES:
        write("fuzz_charset", probe)
    for data in LOAD_FILES:
        write("fuzz_reg_load", data)
    for text in REG_TEXTS:
        for options in (0x7F, 0x04, 0x08, 0x50):
            write("fuzz_converter", bytes([options]) + cp932(text))
        write("fuzz_reg_load", cp932(text))
        write("fuzz_reg_load", utf16_file(text))
        for options in (0x00, 0x0B):
            write("fuzz_reg_import", bytes([options]) + cp932(text))
    for i, text in enumerate(REG_TEXTS):
        other = REG_TEXTS[(i + 1) % len(REG_TEXTS)]
        for options in (0x00, 0x19):
            write("fuzz_diff", bytes([options]) + cp932(text + "\n%%\n" + other))
            write("fuzz_diff", bytes([options]) + cp932(text + "\n%%\n" + text.replace("1", "2")))
    for hex_type, text in HEX_TEXTS:
        write("fuzz_decode_hex", bytes([HEX_TYPE_BYTE[hex_type]]) + text)
    for text in INI_TEXTS:
        for section, key in ((0, 0), (5, 5), (3, 2), (4, 4), (1, 1)):
            write("fuzz_ini", bytes([section, key]) + cp932(text))
    return 0


if __name__ == "__main__":
    sys.exit(main())
