#!/usr/bin/env python3
"""Rewrites an archive made by applet-tool into a hostile one, for the end-to-end checks.

    craft_archive.py IN OUT EDIT...

Members are addressed by their stored name (as applet-tool wrote it). Edits, applied in order:

    name:MEMBER=NEW     store the member under NEW (any bytes; \\ stays a backslash)
    usize:MEMBER=N      its uncompressed size field (N may be 0x...; +N and -N change the
                        present value; the field wraps to 32 bits)
    csize:MEMBER=N      its compressed size field, as usize; the data stay as they are
    sum:MEMBER          its checksum is made wrong (one added)
    cut=N               the output ends N bytes before its end
    total=N             the archive header's total (otherwise as below)

By default the archive header's total is the sum of the members' uncompressed size fields as written,
so the archive stays consistent with its own lies.
"""
import struct
import sys

ARCHIVE_HEADER = 21
MEMBER_HEADER = 25


def read_members(data):
    members, pos = [], ARCHIVE_HEADER
    while pos + MEMBER_HEADER <= len(data):
        fields = list(struct.unpack_from("<hIHiiBII", data, pos))
        name = data[pos + MEMBER_HEADER:pos + MEMBER_HEADER + fields[0]]
        start = pos + MEMBER_HEADER + fields[0]
        members.append({"fields": fields, "name": name, "data": data[start:start + fields[4]]})
        pos = start + fields[4]
    return members


def find(members, name):
    for m in members:
        if m["name"] == name.encode("latin-1"):
            return m
    sys.exit("craft_archive: no member " + name)


def field(present, text):
    value = present + int(text, 0) if text[0] in "+-" else int(text, 0)
    return struct.unpack("<i", struct.pack("<I", value & 0xFFFFFFFF))[0]


def main():
    source, target, edits = sys.argv[1], sys.argv[2], sys.argv[3:]
    with open(source, "rb") as f:
        data = f.read()
    header, members, cut, total = bytearray(data[:ARCHIVE_HEADER]), read_members(data), 0, None
    for edit in edits:
        if edit.startswith("cut="):
            cut = int(edit[4:], 0)
            continue
        if edit.startswith("total="):
            total = int(edit[6:], 0)
            continue
        op, _, rest = edit.partition(":")
        name, _, value = rest.partition("=")
        m = find(members, name)
        if op == "name":
            m["name"] = value.encode("latin-1")
        elif op == "usize":
            m["fields"][3] = field(m["fields"][3], value)
        elif op == "csize":
            m["fields"][4] = field(m["fields"][4], value)
        elif op == "sum":
            m["fields"][6] = (m["fields"][6] + 1) & 0xFFFFFFFF
        else:
            sys.exit("craft_archive: unknown edit " + edit)
    out = bytearray()
    for m in members:
        m["fields"][0] = len(m["name"])
        out += struct.pack("<hIHiiBII", *m["fields"]) + m["name"] + m["data"]
    if total is None:
        total = sum(m["fields"][3] for m in members)
    struct.pack_into("<I", header, 8, total & 0xFFFFFFFF)
    out = header + out
    with open(target, "wb") as f:
        f.write(out[:len(out) - cut] if cut else out)


main()
