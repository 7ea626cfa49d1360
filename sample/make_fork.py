#!/usr/bin/env python3
"""Writes sample_host.RSR, the sample host's resource fork: its Apple, File and Edit menus as 'MENU'
resources in the published fork layout (big-endian; a 256-byte header, the data records, the map).
The fork is kept in the tree; run this after changing the menus: python3 sample/make_fork.py"""
import os
import struct


def menu(menu_id, title, items):
    """A 'MENU' resource: ID, width, height, definition ID, enable flags, title, then each item's text,
    icon, key equivalent, mark and style, and a zero length byte. Items starting with '(' are disabled."""
    flags = 0xFFFFFFFF
    body = b""
    for number, (text, key) in enumerate(items, start=1):
        if text.startswith("("):
            text = text[1:]
            flags &= ~(1 << number)
        raw = text.encode("latin-1")
        body += bytes([len(raw)]) + raw + bytes([0, ord(key) if key else 0, 0, 0])
    raw_title = title.encode("latin-1")
    return struct.pack(">hhhiI", menu_id, 0, 0, 0, flags) + bytes([len(raw_title)]) + raw_title + body + b"\0"


def fork(resources):
    """resources: (type, id, data) in order; one type list entry per type, references in the order given."""
    types = []
    for rtype, _, _ in resources:
        if rtype not in types:
            types.append(rtype)
    data, offsets = b"", []
    for _, _, payload in resources:
        offsets.append(len(data))
        data += struct.pack(">I", len(payload)) + payload
    type_list = struct.pack(">h", len(types) - 1)
    references = b""
    ref_offset = 2 + 8 * len(types)
    for rtype in types:
        mine = [i for i, r in enumerate(resources) if r[0] == rtype]
        type_list += rtype.encode("ascii") + struct.pack(">hh", len(mine) - 1, ref_offset + len(references))
        for i in mine:
            references += struct.pack(">hhII", resources[i][1], -1, offsets[i], 0)
    map_body = type_list + references
    map_length = 28 + len(map_body)
    header = struct.pack(">IIII", 256, 256 + len(data), len(data), map_length)
    resource_map = header + bytes(8) + struct.pack(">HH", 28, map_length) + map_body
    return header + bytes(240) + data + resource_map


MENUS = [
    ("MENU", 1, menu(1, "\x14", [("About the sample\xc9", None), ("-", None)])),
    ("MENU", 128, menu(128, "File", [("New", "N"), ("Open\xc9", "O"), ("-", None), ("Quit", "Q")])),
    ("MENU", 129, menu(129, "Edit", [("(Undo", "Z"), ("-", None), ("Cut", "X"), ("Copy", "C"), ("Paste", "V")])),
]

if __name__ == "__main__":
    path = os.path.join(os.path.dirname(os.path.abspath(__file__)), "sample_host.RSR")
    with open(path, "wb") as out:
        out.write(fork(MENUS))
