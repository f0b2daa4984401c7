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


def wrapping_commit():
    """Found: a COMMIT reply whose extension offset wraps around 32 bits past
    the part's own offset was checked as the wrapped sum and read 4 GB away."""
    b = Body()
    b.status()
    b.sqlca(0)
    ext = b.add(bytearray(52))
    target = b.add(bytearray(64))
    b.set32(ext + 4, (1 << 32) - ext + target)
    b.set32(28, ext)
    return b.finish()


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

    write("reply_analysis", "commit_wrapping_trace_offset", control(10) + wrapping_commit(), "regress")

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


def env_settings():
    # marlo.ini, then after a zero byte the process environment's lines.
    ini = (b"[marlo]\nPDHOST=127.0.0.1:20000,host2\nPDNAMEPORT=20000\nPDCWAITTIME=30\n"
           b"PDCLTCNVMODE=UTF8\nPDCLTOPTIONSTR=DNX\nPDERRSKIPCODE=-811,-803\nPDTRCMODE=ALL\n"
           b"PDCWAITTIMEWRNPNT=2.5sec\nPDUSER=scott/tiger\nPDBLKF=4\nPDCURSORLVL=1\n")
    write("env_settings", "ini_only", ini)
    write("env_settings", "environment_only",
          b"\0PDSERVICEGRP=sds01\nPDCLTPATH=/tmp\nPDSQLTRACE=4096\nPDFESHOST=fes1:22000,fes2\n")
    write("env_settings", "both",
          b"[other]\nPDHOST=x\n[marlo]\nPDTIMEDOUTRETRY=3\nPDSENDMEMSIZE=64\nPDIPC=MEMORY\n"
          b"\0PDCMDWAITTIME=60\nPDUAPREPLVL=sp\nDCSERVICE=svc1\n")


def frame(kind, body, flags=0x80, length=None, capacity=0):
    """A 12-byte message frame header and its body."""
    n = len(body) if length is None else length
    return bytes([0, 0, flags, kind]) + struct.pack(">II", n, capacity) + bytes(body)


def reply_header(kind=0, return_code=0, retry_wait=0, error_code=0):
    h = bytearray(64)
    h[4:8] = struct.pack(">I", kind)
    h[40:44] = struct.pack(">i", error_code)
    h[44:48] = struct.pack(">i", return_code)
    h[52:56] = struct.pack(">I", retry_wait)
    return bytes(h)


def direct_frame():
    # Control bytes: request (1 = COMMIT), capacity in 64-byte units less
    # one, byte order; then what the server sends.
    b = Body()
    b.status()
    b.sqlca(0)
    body = b.finish()
    write("direct_frame", "body_only", bytes([1, 63, 0]) + frame(0x87, body))
    write("direct_frame", "with_reply_header", bytes([1, 63, 0]) + frame(0x00, reply_header(retry_wait=9) + body))
    write("direct_frame", "larger_than_capacity", bytes([1, 0, 0]) + frame(0x87, bytes(range(256)) * 20))
    lost = bytearray(64)
    lost[32:36] = struct.pack(">i", -2474)
    write("direct_frame", "error_reply", bytes([1, 63, 0]) + frame(0x00, reply_header(kind=8, error_code=-1234) + lost))
    write("direct_frame", "server_return_code", bytes([0, 63, 1]) + frame(0x00, reply_header(return_code=-310) + body))
    # Found: a header announcing 2 GB got its buffer before any body byte.
    write("direct_frame", "announces_two_gigabytes", bytes([1, 0, 0]) + frame(0x87, body, length=0x7FFFF000),
          "regress")


def rpc_message(data, short=False, kind=0, seq=1, status=0):
    """A reply message of the RPC session as the test server builds it."""
    area = 64 if short else 256
    h = bytearray(area)
    h[0:4] = struct.pack(">I", 0x30036)
    h[4:8] = struct.pack(">I", kind)
    h[16:20] = struct.pack("<I", 0x00010001)
    if short:
        h[8:12] = struct.pack(">I", 0x102)
        h[12:16] = struct.pack(">I", 1)
        h[32:36] = struct.pack(">I", 40)
        h[36:40] = struct.pack(">I", 0x40300)
        h[40:44] = struct.pack("<I", seq)
        h[44:48] = struct.pack(">I", status)
    else:
        h[32:36] = struct.pack(">I", 96)
        h[36:40] = struct.pack(">I", 0x10100)
        h[40:44] = struct.pack(">I", 0x102)
        h[48:52] = struct.pack(">I", 0x1234)
        h[96:100] = struct.pack("<I", seq)
        h[100:104] = struct.pack(">I", status)
        h[236:243] = b"Marlo70"
    return bytes(h) + bytes(data), 40 if short else 96


def message_frames(msg, hlen, keep=False, frame_max=4096):
    """A message in frames of at most 4096 bytes, as the test server sends it."""
    msg = bytearray(msg)
    data = len(msg) - hlen
    msg[28:32] = struct.pack(">I", data)
    close = 0x00 if keep else 0x40
    if len(msg) <= frame_max:
        msg[20:24] = bytes(4)
        return frame(0, msg, flags=0x80 | close)
    out = b""
    room = frame_max - hlen
    sent = 0
    while sent < data:
        chunk = min(room, data - sent)
        last = sent + chunk == data
        seg = bytearray(msg[:hlen])
        seg[20:24] = struct.pack(">I", 1)
        if last:
            seg[20] = 0x80
        seg[24:28] = struct.pack(">I", sent)
        seg += msg[hlen + sent:hlen + sent + chunk]
        out += frame(0, seg, flags=0x80 | (close if last else 0))
        sent += chunk
    return out


def transport_and_rpc():
    b = Body()
    b.status()
    b.sqlca(0)
    body = b.finish()
    # frame: form (1: growable reply buffer), first room and second room in
    # 32-byte units less one; then the peer's bytes.
    write("frame", "one_frame", bytes([0, 15, 0]) + frame(0, body, flags=0xC0))
    write("frame", "grows_to_the_body", bytes([1, 7, 3]) + frame(0, bytes(range(256)) * 40, flags=0xC0))
    write("frame", "request_code_reply", bytes([1, 7, 3]) + frame(0x87, body, flags=0xC0))
    write("frame", "truncated", bytes([0, 0, 0]) + frame(0, bytes(200), flags=0xC0))
    write("frame", "announces_two_gigabytes", bytes([1, 7, 3]) + frame(0, body, flags=0xC0, length=0x7FFFF000),
          "regress")
    # rpc_session: form (1 growable, 2 little-endian), room in 64-byte
    # units less one; then the server's frames.
    msg, hlen = rpc_message(body)
    write("rpc_session", "one_message", bytes([1, 63]) + message_frames(msg, hlen))
    msg, hlen = rpc_message(bytes(range(256)) * 50)
    write("rpc_session", "segments", bytes([1, 3]) + message_frames(msg, hlen))
    msg, hlen = rpc_message(body, short=True)
    write("rpc_session", "short_header", bytes([3, 63]) + message_frames(msg, hlen, keep=True))
    msg, hlen = rpc_message(struct.pack(">i", -356), kind=8)
    write("rpc_session", "error_reply", bytes([0, 63]) + message_frames(msg, hlen))
    # Found: a first segment announcing nearly 4 GB got its buffer at once.
    msg, hlen = rpc_message(bytes(range(256)) * 20)
    frames = bytearray(message_frames(msg, hlen))
    frames[12 + 28:12 + 32] = struct.pack(">I", 0xFFFF0000)
    write("rpc_session", "segment_announces_four_gigabytes", bytes([1, 0]) + bytes(frames), "regress")


def cmd_record(chain, body, total=0):
    r = bytearray(32)
    r[0:4] = struct.pack(">I", 32 + len(body))
    r[5] = 32
    r[16] = chain
    r[24:28] = struct.pack(">I", total)
    return bytes(r) + bytes(body)


def cmd_output(rc, flag, length, output):
    body = bytearray(52 - 32)
    body[0:4] = struct.pack(">i", rc)
    body[4:8] = struct.pack(">I", flag)
    body[16:20] = struct.pack(">I", length)
    return bytes(body) + output


def cmd_replies():
    # A 16-bit length and the logon reply, then the command reply.
    def seed(logon, command):
        return struct.pack(">H", len(logon)) + logon + command
    logon_ok = cmd_record(0, struct.pack(">i", 0))
    write("cmd_replies", "single_record", seed(logon_ok, cmd_record(0, cmd_output(0, 1, 5, b"hello"))))
    chained = (cmd_record(1, cmd_output(0, 1, 6, b"first ")) + cmd_record(1, b"second ") +
               cmd_record(0, b"third"))
    write("cmd_replies", "chained", seed(logon_ok, chained))
    write("cmd_replies", "refused_logon", seed(cmd_record(0, struct.pack(">i", -1)), b""))
    write("cmd_replies", "no_output", seed(logon_ok, cmd_record(0, cmd_output(3, 0, 0, b""))))
    # Found: a reply header announcing a gigabyte got its buffer at once.
    huge = bytearray(logon_ok)
    huge[0:4] = struct.pack(">I", 1 << 30)
    write("cmd_replies", "logon_reply_announces_a_gigabyte", seed(bytes(huge), b""), "regress")


def name_service():
    # Flags (1 register, 2 echo the client's identity, 4 echo the query's
    # sequence), a 16-bit length and the registration reply, then the
    # lookup's answer after its RPC header.
    version = 0x30313031

    def nam_header(magic, length, seq=1, query=0):
        h = bytearray(40)
        h[0:4] = struct.pack(">I", length)
        h[4:8] = struct.pack(">I", magic)
        h[8:12] = struct.pack(">I", version)
        h[28:32] = struct.pack(">I", query)
        h[36:40] = struct.pack(">I", seq)
        return h

    reg = nam_header(0x4E414D42, 72) + bytes(16) + bytes([127, 0, 0, 1, 0, 2, 0, 0]) + bytes(8)

    def answer(result, info=True):
        item_len = 24 + 16 + (32 if info else 0)
        m = nam_header(0x4E414D2E, 40 + item_len, seq=2, query=1)
        m[12:16] = struct.pack(">I", 7)
        item = bytearray(item_len)
        item[0:2] = struct.pack(">H", item_len)
        item[12:14] = struct.pack(">H", 24)
        item[14:16] = struct.pack(">H", 40 if info else 0)
        item[20:24] = struct.pack(">i", result)
        item[24:32] = bytes([127, 0, 0, 1, 0, 2, 0x4E, 0x20])
        return bytes(m + item)

    def seed(flags, registration, ans):
        return bytes([flags]) + struct.pack(">H", len(registration)) + bytes(registration) + ans

    write("name_service", "register_and_find", seed(7, reg, answer(0)))
    write("name_service", "known_server_finds", seed(4, b"", answer(0, info=False)))
    write("name_service", "not_registered", seed(4, b"", answer(-632)))
    write("name_service", "registration_of_another_client", seed(5, reg, answer(0)))


def marlo_reply_body(little, sqlcode, sqlstate, message):
    """The test server's reply body: directory, status part, SQLCA part."""
    fmt = "<" if little else ">"
    b = bytearray(36 + 32 + 60 + 2 + len(message))
    b[0:4] = struct.pack(fmt + "I", len(b))
    b[8:12] = struct.pack(fmt + "I", 36)
    b[12:16] = struct.pack(fmt + "I", 68)
    b[36:36 + len(sqlstate)] = sqlstate
    ca = 68
    b[ca:ca + 8] = b"SQLCA  S"
    b[ca + 8:ca + 12] = struct.pack(fmt + "I", 60 if message else 0)
    b[ca + 12:ca + 16] = struct.pack(fmt + "i", sqlcode)
    b[ca + 44:ca + 54] = b"MARLOSRV  "
    b[ca + 56:ca + 60] = struct.pack(fmt + "I", 1)
    if message:
        b[ca + 60:ca + 62] = struct.pack(fmt + "H", len(message))
        b[ca + 62:ca + 62 + len(message)] = message
    return bytes(b)


def marlo_connect_body(little, code_set, version, pid, level_word):
    fmt = "<" if little else ">"
    b = bytearray(marlo_reply_body(little, 0, b"00000", b""))
    at = len(b)
    b += bytes(40)
    b[at:at + 2] = code_set
    b[at + 2:at + 2 + len(version)] = version
    b[at + 12:at + 16] = struct.pack(fmt + "I", pid)
    b[at + 24:at + 28] = struct.pack(fmt + "I", level_word)
    b[0:4] = struct.pack(fmt + "I", len(b))
    b[28:32] = struct.pack(fmt + "I", at)
    return bytes(b)


def exsql_server():
    # 16-bit length and CONNECT body, 16-bit length and COMMIT body, then
    # the name query's answer (none: the server's own).
    def seed(connect, commit, name=b""):
        return struct.pack(">H", len(connect)) + connect + struct.pack(">H", len(commit)) + commit + name
    level26 = (~26) & 0xFFFFFFFF
    direct = marlo_connect_body(False, b"1j", b"07-02-00", 777, level26)
    rpc = marlo_connect_body(False, b"1j", b"07-01-00", 777, level26)
    commit = marlo_reply_body(False, 0, b"00000", b"")
    write("exsql_server", "connect_commit_direct_frame", seed(direct, commit))
    write("exsql_server", "connect_commit_rpc", seed(rpc, commit))
    write("exsql_server", "little_endian_server", seed(marlo_connect_body(True, b"1j", b"07-02-00", 777, level26),
                                                        marlo_reply_body(True, 0, b"00000", b"")))
    write("exsql_server", "connect_refused", seed(marlo_reply_body(False, -1020, b"08004", b"KFPA11020-E refused"),
                                                 b""))
    write("exsql_server", "commit_fails", seed(direct, marlo_reply_body(False, -911, b"40001", b"deadlock")))
    write("exsql_server", "commit_wrapping_extension_offset", seed(direct, wrapping_commit()), "regress")


def fetch_replies():
    """A control byte (bit 0: a little-endian server; bits 1-2: one row, an
    array, a block; bit 3: the SQLDA form; bit 4: row records), a 16-bit cut
    and three-byte changes of the test server's FETCH replies. Every FETCH
    and form in both byte orders unchanged, and the blocks whose status byte
    7 says that the server closed every cursor."""
    status_flags7 = 36 + 7
    forms = {"arrays": 0, "sqlda": 0x08, "records": 0x10}
    for kind, kind_name in enumerate(("row", "array", "block")):
        for form, bits in forms.items():
            for little in (0, 1):
                control = little | kind << 1 | bits
                name = f"{kind_name}_{form}_{'le' if little else 'be'}"
                write("fetch_replies", name, bytes([control, 0, 0]))
                if kind_name == "block":
                    write("fetch_replies", name + "_every_cursor_closed",
                          bytes([control, 0, 0]) + struct.pack(">HB", status_flags7, 0x40), "regress")
        write("fetch_replies", f"{kind_name}_cut_in_the_sqlca", bytes([kind << 1]) + struct.pack(">H", 80))


def cnv_convert():
    """A room byte and a control byte (bit 0: a user library is named), then
    the text: Japanese in each code, and texts cut or broken inside a character."""
    text = "ab\\~ \uff71\u3042\u30a2\u6f22\u5b57\u2460 x"
    forms = {
        "sjis": text.encode("cp932"),
        "euc": text.replace("\u2460", "").encode("euc_jp"),
        "utf8": text.encode("utf-8"),
        "ucs2": text.encode("utf-16-le"),
        "ucs2_pair": "a\U0001F600b".encode("utf-16-le"),
        "utf8_four_byte": "a\U0001F600b".encode("utf-8"),
        "sjis_user_area": bytes([0x41, 0xF0, 0x40, 0x81]),
        "euc_user_rows": bytes([0xF5, 0xA1, 0x8F, 0xA2, 0xAF, 0x8E]),
        "utf8_broken": bytes([0xE3, 0x81, 0x41, 0xC0, 0xFF, 0xE3]),
        "ucs2_lone_surrogate": bytes([0x00, 0xD8, 0x41, 0x00, 0x00, 0xDC, 0x41]),
    }
    for name, body in forms.items():
        write("cnv_convert", name, bytes([0xFF, 0]) + body)
        write("cnv_convert", name + "_cut_named", bytes([3, 1]) + body)


def rd_reply(packet, server_block=True, trn=1, implicit=0):
    """A reply of the second protocol as the test server writes it: the
    prefix, blocks 1 to 3, the server block and the reply packet."""
    b = bytearray(20 + 28 + 40 + (16 if server_block else 0) + 48)
    b[4:6] = struct.pack(">H", 2001)
    b[8:10] = struct.pack(">H", 20)
    b[24:26] = struct.pack(">H", 28)
    block3 = 88 + (16 if server_block else 0)
    b[60:62] = struct.pack(">H", block3 - 48)
    if server_block:
        b[64:66] = struct.pack(">H", 40)
        b[90:92] = struct.pack(">H", 0x0102)
        b[92:96] = struct.pack(">I", 0x4711)
        b[96:104] = b"RDSRV01 "
    b[48 + 25] = implicit
    b[block3 + 32:block3 + 36] = struct.pack(">I", 48)
    b[block3 + 40] = ord("Y")
    b[block3 + 41] = trn
    b += bytes(packet)
    b[0:4] = struct.pack(">I", len(b))
    return b


def rd_replies():
    write("rd_replies", "statement", rd_reply(marlo_reply_body(False, 0, b"00000", b"")))
    write("rd_replies", "no_server_block", rd_reply(marlo_reply_body(False, 100, b"02000", b""), False, 3, 1))
    # A describe reply: the description part at 16 with two columns.
    body = Body()
    body.set32(8, body.add(bytearray(32)))
    sqlca = bytearray(64)
    sqlca[0:8] = b"SQLCA   "
    body.set32(12, body.add(sqlca))
    desc = bytearray(16 + 32)
    desc[12:14] = struct.pack(">h", 3)
    desc[14:16] = struct.pack(">h", 2)
    desc[18:20] = struct.pack(">h", -5)
    body.set32(16, body.add(desc))
    body.set32(0, len(body.b))
    write("rd_replies", "describe", rd_reply(body.b))
    # A reply packet that announces more than the reply holds.
    bad = rd_reply(marlo_reply_body(False, 0, b"00000", b""))
    bad[152:156] = struct.pack(">I", len(bad))
    write("rd_replies", "packet_past_end", bad, "regress")


if __name__ == "__main__":
    rd_replies()
    fetch_replies()
    cnv_convert()
    exsql_server()
    name_service()
    cmd_replies()
    transport_and_rpc()
    direct_frame()
    reply_analysis()
    env_settings()
