#!/usr/bin/env python3
"""Writes the seed corpora of zelkit's harnesses: valid messages in the
layouts the library's request builders and the Marlo test server use.
Run from anywhere; the seeds land in corpus/<harness>/ beside this file."""
import os
import struct

HERE = os.path.dirname(os.path.abspath(__file__))


def write(harness, name, data, kind="corpus"):
    folder = os.path.join(HERE, kind, harness)
    os.makedirs(folder, exist_ok=True)
    with open(os.path.join(folder, name), "wb") as f:
        f.write(bytes(data))


class Body:
    """A reply body: the 36-byte directory, then parts, in the server's order."""

    def __init__(self, little=False):
        self.le = little
        self.b = bytearray(36)

    def add(self, part):
        at = len(self.b)
        self.b += bytes(part)
        return at

    def set32(self, off, v):
        self.b[off:off + 4] = struct.pack("<I" if self.le else ">I", v & 0xFFFFFFFF)

    def set16(self, off, v):
        self.b[off:off + 2] = struct.pack("<H" if self.le else ">H", v & 0xFFFF)

    def status(self, sqlstate=b"00000", flags7=0, flags16=0):
        p = bytearray(32)
        p[0:5] = sqlstate
        p[7] = flags7
        p[16] = flags16
        self.set32(8, self.add(p))

    def sqlca(self, code, text=b""):
        p = bytearray(60)
        p[0:8] = b"SQLCA   "
        p[44:56] = b"SRVMODULE X "
        at = self.add(p)
        self.set32(at + 12, code)
        self.set32(at + 56, 321)
        if text:
            m = self.add(b"\0\0" + text)
            self.set32(at + 8, m - at)
            self.set16(m, len(text))
        self.set32(12, at)

    def description(self, sqln, sqld):
        d = bytearray(16 + 16 * sqld)
        d[0:8] = b"SQLDA   "
        at = self.add(d)
        self.set16(at + 12, sqln)
        self.set16(at + 14, sqld)
        for i in range(sqld):
            e = at + 16 + 16 * i
            self.b[e + 1] = 0xC1 if i else 0x82
            self.set16(e + 2, 1)
            self.set16(e + 4, 10)
        return at

    def names(self, names):
        at = self.add(bytearray(2 + 32 * len(names)))
        self.set16(at, len(names))
        for i, n in enumerate(names):
            self.set16(at + 2 + 32 * i, len(n))
            self.b[at + 4 + 32 * i:at + 4 + 32 * i + len(n)] = n
        return at

    def charset(self, codes, names):
        at = self.add(bytearray(32 + 2 * len(codes) + 64 * len(names)))
        for i, v in enumerate((len(codes), len(codes), len(names), len(names))):
            self.set16(at + 12 + 2 * i, v)
        for i, c in enumerate(codes):
            self.set16(at + 32 + 2 * i, c)
        for i, n in enumerate(names):
            e = at + 32 + 2 * len(codes) + 64 * i
            self.set16(e, len(n))
            self.b[e + 2:e + 2 + len(n)] = n
        return at

    def finish(self):
        self.set32(0, len(self.b))
        return bytes(self.b)


def reply_analysis():
    # Control bytes: function index, level, flags, rows, sqln 1 and 2,
    # character-set codes and names of the caller's areas.
    fn = {1: 0, 3: 1, 9: 5, 10: 6, 13: 7, 35: 12}

    def control(func, level=26, flags=0x0C, rows=1, sqln1=3, sqln2=2, codes=2, names=1):
        return bytes([fn[func], level, flags, rows, sqln1, sqln2, codes, names])

    b = Body()
    b.status()
    b.sqlca(0)
    write("reply_analysis", "commit_ok", control(10) + b.finish())

    b = Body(True)
    b.status(b"42000")
    b.sqlca(-204, b"KFAA30204-E table not found")
    write("reply_analysis", "error_little_endian", control(10, flags=0x01) + b.finish())

    b = Body()
    b.status()
    b.sqlca(0)
    b.set32(16, b.description(2, 2))
    b.set32(20, b.names([b"C1", b"PRICE"]))
    pc = b.add(bytearray(8))
    b.set32(pc, 7)
    b.set32(pc + 4, 9)
    b.set32(24, pc)
    b.set32(32, b.charset([0x3132, 0x3334], [b"UTF8"]))
    ext = b.add(bytearray(52))
    tn = b.add(b"\0\x03OWN\0\x06MYTYPE")
    b.set32(ext + 12, (tn - ext) & 0xFFFFFFFF)
    trace = b.add(bytes(range(40)))
    b.set32(ext + 4, trace - ext)
    trcctl = b.add(bytes([0, 0, 0, 5, 0, 0, 0, 6, 0, 7, 8, 9]))
    b.set32(ext + 32, trcctl - ext)
    errlog = b.add(b"log\0")
    b.set32(ext + 36, errlog - ext)
    sqltrc = b.add(b"\0\0\0\x04abcd")
    b.set32(ext + 20, sqltrc - ext)
    b.set32(28, ext)
    write("reply_analysis", "describe_full", control(9, flags=0x8C) + b.finish())

    b = Body()
    b.status()
    b.sqlca(0)
    d = b.add(bytearray(44))
    out_desc = b.description(3, 3)
    out_values = b.add(struct.pack(">III", 10, 11, 12))
    in_desc = b.description(2, 2)
    in_values = b.add(struct.pack(">II", 20, 21))
    out_names = b.names([b"A", b"B", b"C"])
    in_names = b.names([b"X", b"Y"])
    for field, at in ((20, out_desc), (32, out_values), (4, in_desc), (16, in_values), (24, out_names),
                      (8, in_names)):
        b.set32(d + field, at - d)
    b.set32(16, d)
    write("reply_analysis", "prepare_two_passes", control(3, sqln1=3, sqln2=2, flags=0x84) + b.finish())

    b = Body()
    b.status(flags7=0x08, flags16=0x08)
    b.sqlca(100)
    b.set32(16, b.add(bytearray(16)))
    write("reply_analysis", "fetch_finished", control(1, flags=0x42) + b.finish())

    # Found: an extension offset that wraps around 32 bits past the part's
    # own offset was checked as the wrapped sum and read 4 GB away.
    b = Body()
    b.status()
    b.sqlca(0)
    ext = b.add(bytearray(52))
    target = b.add(bytearray(64))
    b.set32(ext + 4, (1 << 32) - ext + target)
    b.set32(28, ext)
    write("reply_analysis", "commit_wrapping_trace_offset", control(10) + b.finish(), "regress")

    # Found: PREPARE's input values went after the server's output count,
    # not after the entries written, past the caller's per-column array.
    b = Body()
    b.status()
    b.sqlca(0)
    d = b.add(bytearray(44))
    out_desc = b.description(5, 5)
    out_values = b.add(bytearray(20))
    in_desc = b.description(2, 2)
    in_values = b.add(struct.pack(">II", 20, 21))
    for field, at in ((20, out_desc), (32, out_values), (4, in_desc), (16, in_values)):
        b.set32(d + field, at - d)
    b.set32(16, d)
    write("reply_analysis", "prepare_more_output_columns", control(3, sqln1=1, sqln2=2, flags=0x80) + b.finish(),
          "regress")


if __name__ == "__main__":
    reply_analysis()
