#!/usr/bin/env python3
"""Generates zelkit's code tables (client/src/sql/clt_cnv_tables.cpp) from
glibc's iconv, once; the library itself never calls iconv.

glibc gives the Microsoft code page 932 mapping ("CP932") and JIS X 0201,
JIS X 0208 and JIS X 0212 (through "EUC-JP"); the rows where our server
partners expect otherwise are written below as overrides.

Tables indexed by a 16-bit code are two-level: a 256-entry page index by
the high byte, and 256-entry pages by the low byte, page 0 all zero.
A value of 0 means "no mapping".

Run: python3 scripts/gen_cnv_tables.py > client/src/sql/clt_cnv_tables.cpp
"""
import ctypes
import ctypes.util
import sys

libc = ctypes.CDLL(ctypes.util.find_library("c"))
libc.iconv_open.restype = ctypes.c_void_p
libc.iconv_open.argtypes = [ctypes.c_char_p, ctypes.c_char_p]
libc.iconv.restype = ctypes.c_size_t
libc.iconv.argtypes = [ctypes.c_void_p, ctypes.POINTER(ctypes.c_char_p), ctypes.POINTER(ctypes.c_size_t),
                       ctypes.POINTER(ctypes.c_char_p), ctypes.POINTER(ctypes.c_size_t)]
libc.iconv_close.argtypes = [ctypes.c_void_p]
FAILED = ctypes.c_size_t(-1).value
OUT_ROOM = 16


class Converter:
    def __init__(self, source, target):
        self.cd = libc.iconv_open(target.encode(), source.encode())
        if self.cd in (None, ctypes.c_void_p(-1).value):
            sys.exit(f"iconv cannot convert {source} to {target}")

    def __call__(self, data):
        """The whole of `data` converted, or None."""
        libc.iconv(self.cd, None, None, None, None)
        inb = ctypes.create_string_buffer(data, len(data))
        outb = ctypes.create_string_buffer(OUT_ROOM)
        ip = ctypes.c_char_p(ctypes.addressof(inb))
        il = ctypes.c_size_t(len(data))
        op = ctypes.c_char_p(ctypes.addressof(outb))
        ol = ctypes.c_size_t(OUT_ROOM)
        if libc.iconv(self.cd, ctypes.byref(ip), ctypes.byref(il), ctypes.byref(op), ctypes.byref(ol)) == FAILED:
            return None
        if il.value != 0:
            return None
        return outb.raw[:OUT_ROOM - ol.value]


def ucs2(cp):
    return cp.to_bytes(2, "little")


def unit_of(data):
    """The one UTF-16LE unit that `data` holds, else None."""
    if data is None or len(data) != 2:
        return None
    return int.from_bytes(data, "little")


SURROGATES = range(0xD800, 0xE000)
BMP = [cp for cp in range(0x10000) if cp not in SURROGATES]

# JIS code word kinds of the UCS-2 to JIS table.
JIS_ROMAN = 0x2000
JIS_KANA = 0x4000
JIS_0208 = 0x8000
JIS_0212 = 0x8080


def cp932_from_ucs2():
    enc = Converter("UTF-16LE", "CP932")
    table = [0] * 0x10000
    for cp in BMP:
        out = enc(ucs2(cp))
        if out is not None and 1 <= len(out) <= 2:
            table[cp] = int.from_bytes(out, "big")
    # Kept apart from their look-alikes (which the server partners map to
    # JIS X 0208), and the best-fit rows of the Microsoft table.
    for cp in (0x301C, 0x2016, 0x2212):
        table[cp] = 0
    table[0x00A6] = 0x7C
    table[0xF8F0] = 0xA0
    table[0x00A5] = 0x5C
    return table


def cp932_to_ucs2():
    dec = Converter("CP932", "UTF-16LE")
    table = [0] * 0x10000
    for b in range(0x100):
        table[b] = unit_of(dec(bytes([b]))) or 0
    leads = list(range(0x81, 0xA0)) + list(range(0xE0, 0xFD))
    for lead in leads:
        for trail in range(0x40, 0x100):
            table[lead << 8 | trail] = unit_of(dec(bytes([lead, trail]))) or 0
    table[0x5C] = 0x5C
    table[0x7E] = 0x7E
    return table


def jis_from_ucs2():
    enc = Converter("UTF-16LE", "EUC-JP")
    table = [0] * 0x10000
    for cp in BMP:
        if cp < 0x80:
            table[cp] = JIS_ROMAN | cp
            continue
        if 0xFF61 <= cp <= 0xFF9F:
            table[cp] = JIS_KANA | (cp - 0xFF61 + 0x21)
            continue
        out = enc(ucs2(cp))
        if out is None:
            continue
        if len(out) == 2 and out[0] >= 0xA1:
            table[cp] = JIS_0208 + ((out[0] << 8 | out[1]) - 0x8080)
        elif len(out) == 3 and out[0] == 0x8F:
            table[cp] = JIS_0212 + ((out[1] << 8 | out[2]) - 0x8080)
    # Backslash and tilde are the JIS X 0208 reverse solidus and the JIS
    # X 0212 tilde; yen and overline are JIS X 0201 Roman.
    table[0x005C] = JIS_0208 + 0x2140
    table[0x007E] = JIS_0212 + 0x2237
    table[0x00A5] = JIS_ROMAN | 0x5C
    table[0x203E] = JIS_ROMAN | 0x7E
    # The full-width forms that Windows writes for JIS characters.
    table[0xFF5E] = JIS_0208 + 0x2141
    table[0xFF0D] = JIS_0208 + 0x215D
    table[0xFFE0] = JIS_0208 + 0x2171
    table[0xFFE1] = JIS_0208 + 0x2172
    table[0xFFE2] = JIS_0208 + 0x224C
    return table


def sjis_of_jis_row_cell(row, cell):
    """The SJIS code of JIS X 0208 row and cell (1 to 94), by the standard arithmetic."""
    lead = (row + 1) // 2 + (0x80 if row <= 62 else 0xC0)
    if row & 1:
        trail = cell + 0x3F if cell <= 63 else cell + 0x40
    else:
        trail = cell + 0x9E
    return lead << 8 | trail


def sjis_from_jis_words(words):
    """UCS-2 to SJIS as the JIS code words give it: JIS X 0201 single bytes,
    JIS X 0208 by the arithmetic, nothing for JIS X 0212."""
    table = [0] * 0x10000
    for cp, w in enumerate(words):
        if w == 0:
            continue
        kind = w & 0xFF00
        if kind == JIS_ROMAN:
            table[cp] = w & 0xFF
        elif kind == JIS_KANA:
            table[cp] = (w & 0xFF) + 0x80
        elif w >= JIS_0208 and not w & 0x80:
            table[cp] = sjis_of_jis_row_cell((w >> 8) - 0x80 - 0x20, (w & 0xFF) - 0x20)
    # NUL keeps its byte; the converter writes code points below 0x20 as they are.
    return table


JIS_CELLS = 94
JIS_FIRST = 0x21


def jis0208_to_ucs2():
    dec = Converter("EUC-JP", "UTF-16LE")
    table = [0] * (JIS_CELLS * JIS_CELLS)
    for row in range(JIS_CELLS):
        for cell in range(JIS_CELLS):
            euc = bytes([row + 0xA1, cell + 0xA1])
            table[row * JIS_CELLS + cell] = unit_of(dec(euc)) or 0
    table[(0x21 - JIS_FIRST) * JIS_CELLS + (0x40 - JIS_FIRST)] = 0x005C
    return table


def jis0201_to_ucs2():
    table = [0] * 0x100
    for b in range(0x80):
        table[b] = b
    table[0x5C] = 0x00A5
    table[0x7E] = 0x203E
    table[0x7F] = 0  # DELETE has no JIS X 0201 character
    for b in range(0xA1, 0xE0):
        table[b] = 0xFF61 + b - 0xA1
    return table


def emit_array(out, decl, values, per_line=16):
    out.append(f"{decl} = {{")
    for i in range(0, len(values), per_line):
        out.append("    " + ", ".join(f"0x{v:04X}" for v in values[i:i + per_line]) + ",")
    out.append("};")


def emit_paged(out, name, table):
    pages = [[0] * 0x100]
    index = []
    for high in range(0x100):
        page = table[high << 8:(high + 1) << 8]
        if any(page):
            index.append(len(pages))
            pages.append(page)
        else:
            index.append(0)
    emit_array(out, f"const uint16_t {name}_index[256]", index)
    out.append(f"const uint16_t {name}_pages[{len(pages)}][256] = {{")
    for page in pages:
        out.append("    {")
        for i in range(0, 0x100, 16):
            out.append("        " + ", ".join(f"0x{v:04X}" for v in page[i:i + 16]) + ",")
        out.append("    },")
    out.append("};")


def main():
    out = ["// Generated by scripts/gen_cnv_tables.py from glibc iconv with its overrides;",
           "// do not edit by hand.",
           '#include "clt_cnv_tables.h"',
           ""]
    emit_paged(out, "clt_cnv_ucs2_cp932", cp932_from_ucs2())
    out.append("")
    emit_paged(out, "clt_cnv_cp932_ucs2", cp932_to_ucs2())
    out.append("")
    jis_words = jis_from_ucs2()
    emit_paged(out, "clt_cnv_ucs2_jis", jis_words)
    out.append("")
    emit_paged(out, "clt_cnv_ucs2_sjis", sjis_from_jis_words(jis_words))
    out.append("")
    emit_array(out, "const uint16_t clt_cnv_jis0208_ucs2[CLT_JIS_CELLS * CLT_JIS_CELLS]", jis0208_to_ucs2())
    out.append("")
    emit_array(out, "const uint16_t clt_cnv_jis0201_ucs2[256]", jis0201_to_ucs2())
    print("\n".join(out))


if __name__ == "__main__":
    main()
