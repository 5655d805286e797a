#!/usr/bin/env python3
"""Writes icon-bearing test files from our own bytes: well-formed ones (an .ico with every
colour depth and a 256 x 256 PNG image, PE32 and PE32+ libraries, 16-bit NE libraries; cursor
and animated-cursor files, and libraries holding cursor groups and animated cursors) into
OUT/good, and at least 500 damaged variants of them into OUT/damaged: truncations, bit flips in
directories and image headers, huge counts and sizes, looping directories, zero sizes, broken
PNG images; the damage is done to small files of few icons. The same seed always gives the same files.

Usage: make_icon_corpus.py OUT [--good-only | --seeds]
With --seeds it writes only small well-formed files into OUT/good, as fuzzing seeds.
"""
import os
import random
import struct
import sys
import zlib

# ---- Images


def stride(width, bpp):
    return ((width * bpp + 31) // 32) * 4


def dib_image(size, bpp, seed):
    """A disc in colours that follow seed, transparent around it: header, palette, bits, mask."""
    colours = 1 << bpp if bpp <= 8 else 0
    xor = stride(size, bpp) * size
    mask = stride(size, 1) * size
    b = bytearray(struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, bpp, 0, xor + mask, 0, 0, 0, 0))
    for i in range(colours):
        b += bytes(((i * 255 // max(colours - 1, 1)) ^ (seed & 0xFF), (i * 97 + seed * 13) & 0xFF,
                    255 - i * 255 // max(colours - 1, 1), 0))
    c = (size - 1) / 2.0
    r2 = (size / 2.0 - 1) ** 2

    def inside(x, y):
        return (x - c) ** 2 + (y - c) ** 2 <= r2

    for y in range(size):
        row = bytearray(stride(size, bpp))
        for x in range(size):
            v = (x * 7 + y * 3 + seed) if inside(x, y) else 0
            if bpp == 1:
                row[x // 8] |= (v & 1) << (7 - x % 8)
            elif bpp == 4:
                row[x // 2] |= (v & 0xF) << (0 if x % 2 else 4)
            elif bpp == 8:
                row[x] = v & 0xFF
            elif bpp == 24:
                row[x * 3:x * 3 + 3] = bytes((v & 0xFF, (v * 3) & 0xFF, (seed * 40) & 0xFF))
            elif bpp == 32:
                d = (x - c) ** 2 + (y - c) ** 2
                a = (128 if d > r2 * 0.8 else 255) if inside(x, y) else 0
                row[x * 4:x * 4 + 4] = bytes(((v & 0xFF) * a // 255, ((v * 3) & 0xFF) * a // 255,
                                              ((seed * 40) & 0xFF) * a // 255, a))
        b += row
    for y in range(size):
        row = bytearray(stride(size, 1))
        for x in range(size):
            if not inside(x, y):
                row[x // 8] |= 0x80 >> (x % 8)
        b += row
    return bytes(b)


def png_chunk(kind, data):
    return struct.pack(">I", len(data)) + kind + data + struct.pack(">I", zlib.crc32(kind + data) & 0xFFFFFFFF)


def png_image(size, seed):
    """An RGBA PNG image: a soft disc with every alpha level at its rim."""
    c = (size - 1) / 2.0
    raw = bytearray()
    for y in range(size):
        raw.append(0)
        for x in range(size):
            d = ((x - c) ** 2 + (y - c) ** 2) ** 0.5
            a = max(0, min(255, int((size / 2.0 - d) * 16)))
            raw += bytes(((x + seed) & 0xFF, (y * 2) & 0xFF, (seed * 40) & 0xFF, a))
    ihdr = struct.pack(">IIBBBBB", size, size, 8, 6, 0, 0, 0)
    return (b"\x89PNG\r\n\x1a\n" + png_chunk(b"IHDR", ihdr) + png_chunk(b"IDAT", zlib.compress(bytes(raw), 9)) +
            png_chunk(b"IEND", b""))


def image(shape, seed):
    size, bpp = shape
    return png_image(size, seed) if bpp == "png" else dib_image(size, bpp, seed)


def entry_head(shape, data):
    size, bpp = shape
    bits = 32 if bpp == "png" else bpp
    edge = 0 if size >= 256 else size
    return struct.pack("<BBBBHHI", edge, edge, (1 << bits) if bits < 8 else 0, 0, 1, bits, len(data))


# ---- Files. Each builder returns (bytes, marks): marks name byte ranges worth damaging.


def ico_file(shapes, seed, kind=1, hotspots=None):
    """An icon file (kind 1), or with hotspots a .cur file (kind 2) whose entries give each
    image's hotspot where an icon's give planes and bit count."""
    images = [image(s, seed + i) for i, s in enumerate(shapes)]
    b = bytearray(struct.pack("<HHH", 0, kind, len(shapes)))
    offset = 6 + 16 * len(shapes)
    for i, (s, data) in enumerate(zip(shapes, images)):
        head = bytearray(entry_head(s, data))
        if hotspots is not None:
            struct.pack_into("<HH", head, 4, *hotspots[i])
        b += head + struct.pack("<I", offset)
        offset += len(data)
    marks = {"dir": (0, len(b)), "images": []}
    for data in images:
        marks["images"].append((len(b), len(data)))
        b += data
    return bytes(b), marks


def cur_file(shapes, seed, hotspots):
    return ico_file(shapes, seed, kind=2, hotspots=hotspots)


def riff_chunk(tag, data):
    return tag + struct.pack("<I", len(data)) + data + (b"\0" if len(data) % 2 else b"")


def ani_file(frames, jiffies, seq=None, rates=None):
    """An animated cursor (RIFF ACON): its header, optional rates and sequence, then the frames
    (icon or cursor files) in a LIST fram."""
    steps = len(seq) if seq else len(frames)
    anih = struct.pack("<9I", 36, len(frames), steps, 0, 0, 0, 1, jiffies, 1 | (2 if seq else 0))
    body = b"ACON" + riff_chunk(b"anih", anih)
    if rates:
        body += riff_chunk(b"rate", struct.pack("<%dI" % len(rates), *rates))
    if seq:
        body += riff_chunk(b"seq ", struct.pack("<%dI" % len(seq), *seq))
    fram = b"fram" + b"".join(riff_chunk(b"icon", f) for f in frames)
    head_len = 12 + len(body) - 4
    body += riff_chunk(b"LIST", fram)
    out = b"RIFF" + struct.pack("<I", len(body)) + body
    marks = {"dir": (12, head_len - 12), "images": []}
    at = head_len + 12
    for f in frames:
        marks["images"].append((at + 8 + 22, len(f) - 22))
        at += 8 + len(f) + len(f) % 2
    return out, marks


def group_directory(shapes, images, first_id):
    b = bytearray(struct.pack("<HHH", 0, 1, len(shapes)))
    for i, (s, data) in enumerate(zip(shapes, images)):
        b += entry_head(s, data) + struct.pack("<H", first_id + i)
    return bytes(b)


class ResourceSection:
    """A .rsrc section: type, name and language directories, data entries, then the data."""

    def __init__(self, va):
        self.va = va
        self.types = {}  # type id -> [(name, lang, bytes)]

    def add(self, type_id, name, data, lang=0x409):
        self.types.setdefault(type_id, []).append((name, lang, data))

    def build(self, loop=None):
        # Layout: every directory first, then the name strings, then data entries, then data.
        dirs = bytearray()
        type_ids = sorted(self.types)
        plan = []  # (dir offset placeholder positions)
        n_names = sum(len(v) for v in self.types.values())
        dir_size = 16 + 8 * len(type_ids) + sum(16 + 8 * len(v) for v in self.types.values()) + n_names * (16 + 8)
        strings = bytearray()
        string_at = {}
        for entries in self.types.values():
            for name, _, _ in entries:
                if isinstance(name, str) and name not in string_at:
                    string_at[name] = dir_size + len(strings)
                    strings += struct.pack("<H", len(name)) + name.encode("utf-16-le")
        while (dir_size + len(strings)) % 4:
            strings += b"\0"
        entries_at = dir_size + len(strings)
        data_at = entries_at + 16 * n_names
        data_blob = bytearray()
        data_entries = bytearray()
        marks = {"dirs": (0, dir_size), "entries": (entries_at, 16 * n_names), "images": []}

        def directory(named, ids):
            return struct.pack("<IIHHHH", 0, 0, 4, 0, named, ids)

        root = bytearray(directory(0, len(type_ids)))
        type_dirs = bytearray()
        name_dirs = bytearray()
        lang_dirs_at = 16 + 8 * len(type_ids)
        # offsets: root, then all type dirs, then all language dirs
        type_dir_offsets = []
        at = 16 + 8 * len(type_ids)
        for t in type_ids:
            type_dir_offsets.append(at)
            at += 16 + 8 * len(self.types[t])
        lang_at = at
        for t, tdo in zip(type_ids, type_dir_offsets):
            root += struct.pack("<II", t, 0x80000000 | tdo)
            entries = self.types[t]
            named = [e for e in entries if isinstance(e[0], str)]
            ids = sorted((e for e in entries if not isinstance(e[0], str)), key=lambda e: e[0])
            type_dirs += directory(len(named), len(ids))
            for name, lang, data in named + ids:
                key = (0x80000000 | string_at[name]) if isinstance(name, str) else name
                type_dirs += struct.pack("<II", key, 0x80000000 | lang_at)
                entry_index = len(data_entries) // 16
                name_dirs += directory(0, 1) + struct.pack("<II", lang, entries_at + 16 * entry_index)
                lang_at += 24
                rva = self.va + data_at + len(data_blob)
                data_entries += struct.pack("<IIII", rva, len(data), 0, 0)
                if t == 3:
                    marks["images"].append((data_at + len(data_blob), len(data)))
                if t in (12, 14):
                    marks.setdefault("groups", []).append((data_at + len(data_blob), len(data)))
                data_blob += data
                while len(data_blob) % 4:
                    data_blob += b"\0"
        body = bytearray(root + type_dirs + name_dirs)
        assert len(body) == dir_size, (len(body), dir_size)
        if loop == "root":  # the first type points back at the root itself
            struct.pack_into("<I", body, 20, 0x80000000)
        elif loop == "self":  # the group type's first name points at its own type directory
            gt = type_dir_offsets[type_ids.index(14)]
            struct.pack_into("<I", body, gt + 20, 0x80000000 | gt)
        return bytes(body + strings + data_entries + data_blob), marks


def add_icon_groups(rsrc, groups, seed):
    next_id = 1
    for name, shapes, *lang in groups:
        images = [image(s, seed + next_id + i) for i, s in enumerate(shapes)]
        for i, data in enumerate(images):
            rsrc.add(3, next_id + i, data)
        rsrc.add(14, name, group_directory(shapes, images, next_id), *lang)
        next_id += len(shapes)


def add_cursor_groups(rsrc, cursors, animated, seed):
    """RT_CURSOR images (each its hotspot, then the bitmap) named by RT_GROUP_CURSOR directories,
    whose entries give edges as words and the height doubled; RT_ANICURSOR animated cursors."""
    next_id = 1
    for name, shapes, hotspot in cursors:
        b = bytearray(struct.pack("<HHH", 0, 2, len(shapes)))
        for i, s in enumerate(shapes):
            data = struct.pack("<HH", *hotspot) + image(s, seed + next_id + i)
            rsrc.add(1, next_id + i, data)
            b += struct.pack("<HHHHIH", s[0], s[0] * 2, 1, s[1], len(data), next_id + i)
        rsrc.add(12, name, bytes(b))
        next_id += len(shapes)
    for name, data in animated:
        rsrc.add(21, name, data)


def pe_file(groups, seed, plus=False, loop=None, cursors=(), animated=()):
    file_align, section_va = 0x200, 0x1000
    rsrc = ResourceSection(section_va)
    add_icon_groups(rsrc, groups, seed)
    add_cursor_groups(rsrc, cursors, animated, seed + 50)
    body, marks = rsrc.build(loop)
    raw = body + b"\0" * (-len(body) % file_align)
    opt_size = 240 if plus else 224
    headers = 0x80 + 24 + opt_size + 40
    headers_size = (headers + file_align - 1) // file_align * file_align
    dos = bytearray(0x80)
    dos[0:2] = b"MZ"
    struct.pack_into("<I", dos, 0x3C, 0x80)
    machine = 0x8664 if plus else 0x14C
    fh = struct.pack("<4sHHIIIHH", b"PE\0\0", machine, 1, 0, 0, 0, opt_size, 0x2102)
    size_of_image = section_va + ((len(body) + 0xFFF) & ~0xFFF)
    if plus:
        opt = struct.pack("<HBBIIIII", 0x20B, 1, 0, 0, 0, 0, 0, 0)
        opt += struct.pack("<QIIHHHHHHIIIIHHQQQQII", 0x180000000, 0x1000, file_align, 6, 0, 0, 0, 6, 0, 0,
                           size_of_image, headers_size, 0, 2, 0, 0x100000, 0x1000, 0x100000, 0x1000, 0, 16)
    else:
        opt = struct.pack("<HBBIIIIII", 0x10B, 1, 0, 0, 0, 0, 0, 0, 0)
        opt += struct.pack("<IIIHHHHHHIIIIHHIIIIII", 0x10000000, 0x1000, file_align, 4, 0, 0, 0, 4, 0, 0,
                           size_of_image, headers_size, 0, 2, 0, 0x100000, 0x1000, 0x100000, 0x1000, 0, 16)
    dirs = bytearray(16 * 8)
    struct.pack_into("<II", dirs, 2 * 8, section_va, len(body))
    opt += dirs
    assert len(opt) == opt_size
    section = struct.pack("<8sIIIIIIHHI", b".rsrc", len(body), section_va, len(raw), headers_size, 0, 0, 0, 0,
                          0x40000040)
    head = bytes(dos) + fh + opt + section
    head += b"\0" * (headers_size - len(head))
    out = head + raw
    shifted = {"headers": (0, headers), "dirs": (headers_size + marks["dirs"][0], marks["dirs"][1]),
               "entries": (headers_size + marks["entries"][0], marks["entries"][1]),
               "images": [(headers_size + o, n) for o, n in marks["images"]],
               "groups": [(headers_size + o, n) for o, n in marks.get("groups", [])]}
    return out, shifted


def ne_file(groups, seed, shift=4, cursors=()):
    """A 16-bit NE library holding only resources; .icl icon libraries are the same. Cursor
    groups (name, shapes, hotspot) come after the icons' types."""
    unit = 1 << shift
    icons, dirs = [], []
    next_id = 1
    for _, shapes in groups:
        images = [image(s, seed + next_id + i) for i, s in enumerate(shapes)]
        icons += [(next_id + i, data) for i, data in enumerate(images)]
        dirs.append(group_directory(shapes, images, next_id))
        next_id += len(shapes)
    curs, cdirs = [], []
    for _, shapes, hotspot in cursors:
        b = bytearray(struct.pack("<HHH", 0, 2, len(shapes)))
        for i, s in enumerate(shapes):
            data = struct.pack("<HH", *hotspot) + image(s, seed + next_id + i)
            curs.append((next_id + i, data))
            b += struct.pack("<HHHHIH", s[0], s[0] * 2, 1, s[1], len(data), next_id + i)
        cdirs.append(bytes(b))
        next_id += len(shapes)
    ne_at = 0x40
    table_at = 0x40  # relative to the NE header
    table_len = 2 + 8 + 12 * len(icons) + 8 + 12 * len(dirs) + 2
    if cursors:
        table_len += 8 + 12 * len(curs) + 8 + 12 * len(cdirs)
    names = b"\x05ICONS\x00\x00\x00"
    data_start = (ne_at + table_at + table_len + len(names) + unit - 1) // unit * unit
    blobs = bytearray()
    placed = []
    for data in [d for _, d in icons] + dirs + [d for _, d in curs] + cdirs:
        off = data_start + len(blobs)
        placed.append((off, len(data)))
        blobs += data + b"\0" * (-len(data) % unit)
    table = bytearray(struct.pack("<H", shift))
    table += struct.pack("<HHI", 0x8003, len(icons), 0)
    for (rid, _), (off, n) in zip(icons, placed):
        table += struct.pack("<HHHHHH", off >> shift, (n + unit - 1) >> shift, 0x1030, 0x8000 | rid, 0, 0)
    table += struct.pack("<HHI", 0x800E, len(dirs), 0)
    for g, (off, n) in enumerate(placed[len(icons):len(icons) + len(dirs)]):
        table += struct.pack("<HHHHHH", off >> shift, (n + unit - 1) >> shift, 0x1030, 0x8000 | (g + 1), 0, 0)
    if cursors:
        rest = placed[len(icons) + len(dirs):]
        table += struct.pack("<HHI", 0x8001, len(curs), 0)
        for (rid, _), (off, n) in zip(curs, rest):
            table += struct.pack("<HHHHHH", off >> shift, (n + unit - 1) >> shift, 0x1030, 0x8000 | rid, 0, 0)
        table += struct.pack("<HHI", 0x800C, len(cdirs), 0)
        for g, (off, n) in enumerate(rest[len(curs):]):
            table += struct.pack("<HHHHHH", off >> shift, (n + unit - 1) >> shift, 0x1030, 0x8000 | (g + 1), 0, 0)
    table += b"\0\0"
    head = bytearray(ne_at + table_at)
    head[0:2] = b"MZ"
    struct.pack_into("<I", head, 0x3C, ne_at)
    head[ne_at:ne_at + 2] = b"NE"
    head[ne_at + 2] = 5
    struct.pack_into("<H", head, ne_at + 0x24, table_at)
    struct.pack_into("<H", head, ne_at + 0x26, table_at + len(table))
    struct.pack_into("<H", head, ne_at + 0x0C, 0x8000)  # library
    out = bytes(head) + bytes(table) + names
    out += b"\0" * (data_start - len(out)) + blobs
    marks = {"headers": (0, ne_at + 0x40), "dirs": (ne_at + table_at, len(table)),
             "images": [p for p in placed[:len(icons)]], "groups": placed[len(icons):len(icons) + len(dirs)]}
    marks["groups"] += placed[len(icons) + len(dirs) + len(curs):]
    return out, marks


# ---- The corpus

GROUPS = [
    (1, [(32, 4), (16, 4)]),
    (2, [(32, 8)]),
    ("NAMED", [(48, 32), (32, 32), (16, 32)]),
    (5, [(48, 24), (32, 24), (16, 1)]),
    (7, [(16, 8), (32, 32), (48, 32), (256, "png")]),
]
SIZES = [(16, 32), (32, 32), (48, 32), (256, "png")]


# Groups whose ids leave gaps and are given out of order, a named one, one in another language:
# an id is read from the directory, never worked out from a position.
ID_GROUPS = [
    (184, [(32, 32), (16, 32)]),
    (1, [(32, 8)]),
    ("MAINICON", [(48, 32), (32, 32)]),
    (100, [(32, 4), (16, 4)], 0x407),
]


def good_files():
    ico, ico_marks = ico_file([(16, 4), (32, 8), (32, 32), (48, 24), (256, "png")], 3)
    files = {
        "every.ico": (ico, ico_marks),
        "sizes.ico": ico_file(SIZES, 21),
        "mono.ico": ico_file([(32, 1)], 5),
        "lib32.dll": pe_file(GROUPS, 11),
        "lib64.dll": pe_file(GROUPS, 13, plus=True),
        "sizes.dll": pe_file([(1, SIZES)], 17, plus=True),
        "ne.icl": ne_file([g for g in GROUPS if g[1][-1][1] != "png"], 19),
        "ne9.dll": ne_file([(1, [(32, 4)]), (2, [(32, 8), (16, 8)])], 23, shift=9),
    }
    files.update(cursor_files())
    return files


# Cursor groups (name, images, hotspot) of the cursor libraries.
CURSORS = [(1, [(32, 1), (32, 8)], (3, 5)), ("ARROW", [(48, 32), (32, 32)], (11, 7)), (4, [(16, 4)], (15, 0))]


def cursor_files(big=True):
    """Cursor and animated-cursor files, and libraries with cursor groups after their icons."""
    shapes = [(32, 1), (32, 32), (48, 32)] if big else [(16, 4)]
    pointer, marks = cur_file(shapes, 31, [(4, 6), (4, 6), (6, 9)][:len(shapes)])
    frames = [cur_file([(32, 4)], 33 + k, [(16, 16)])[0] for k in range(3)]
    spinner = ani_file(frames, 10, seq=[0, 1, 2, 1], rates=[10, 20, 30, 20])
    plain = ani_file([frames[0], frames[1]], 6)
    cursors = CURSORS if big else CURSORS[2:]
    return {
        "pointer.cur": (pointer, marks),
        "spinner.ani": spinner,
        "plain.ani": plain,
        "cursors32.dll": pe_file([(1, [(32, 4)])], 41, cursors=cursors, animated=[(1, plain[0])]),
        "cursors64.dll": pe_file([(1, [(32, 4)])], 43, plus=True, cursors=cursors, animated=[(7, spinner[0])]),
        "cursors.icl": ne_file([(1, [(32, 4)])], 45, cursors=cursors),
    }


def seed_files():
    small = [(16, 4), (16, 32), (16, "png")]
    return {
        "tiny.ico": ico_file(small, 3),
        "tiny.cur": ico_file([(16, 4)], 4, kind=2),
        "small32.dll": pe_file([(1, [(16, 4)]), ("N", small)], 5),
        "small64.dll": pe_file([(1, [(16, 8)]), (2, [(16, 1), (16, 24)])], 7, plus=True),
        "small.icl": ne_file([(1, [(16, 4)]), (2, [(16, 8), (16, 32)])], 9),
        **cursor_files(big=False),
    }


def broken_png_chunks(png):
    """(chunk type, new body) pairs that keep a PNG image's chunks whole but its content wrong."""
    w, h = struct.unpack(">II", png[16:24])
    return [(b"IDAT", b"\x78\x9c" + bytes((i * 37) & 0xFF for i in range(64))),
            (b"IHDR", struct.pack(">IIBBBBB", 4096, 4096, 8, 6, 0, 0, 0)),
            (b"IHDR", struct.pack(">IIBBBBB", w, h, 8, 3, 0, 0, 0)),
            (b"IDAT", zlib.compress(b"\0" * 10))]


def rechunk(png, kind, body, length):
    """The PNG image with its first chunk of this type replaced, padded or cut to length bytes."""
    at = 8
    while at < len(png):
        n = struct.unpack(">I", png[at:at + 4])[0]
        if png[at + 4:at + 8] == kind:
            out = png[:at] + png_chunk(kind, body) + png[at + 12 + n:]
            return (out + b"\0" * length)[:length]
        at += 12 + n
    return png


def fix_crc(png, at):
    """The PNG image with the check sum of the chunk at `at` made right again."""
    n = struct.unpack(">I", png[at:at + 4])[0]
    crc = zlib.crc32(bytes(png[at + 4:at + 8 + n])) & 0xFFFFFFFF
    return png[:at + 8 + n] + struct.pack(">I", crc) + png[at + 12 + n:]


def png_sum_damage(png):
    """(name, image) pairs whose chunks and check sums are all sound but whose content is not:
    IHDR colour type 6 -> 4, width one less, one IDAT byte changed."""
    out = []
    b = bytearray(png)
    b[25] = 4
    out.append(("grey", fix_crc(bytes(b), 8)))
    b = bytearray(png)
    struct.pack_into(">I", b, 16, struct.unpack(">I", png[16:20])[0] - 1)
    out.append(("narrow", fix_crc(bytes(b), 8)))
    at = 8
    while at < len(png) and png[at + 4:at + 8] != b"IDAT":
        at += 12 + struct.unpack(">I", png[at:at + 4])[0]
    if at < len(png):
        n = struct.unpack(">I", png[at:at + 4])[0]
        b = bytearray(png)
        b[at + 8 + n // 2] ^= 0x5A
        out.append(("idat", fix_crc(bytes(b), at)))
    return out


def bitmap_header_damage(bmp):
    """(name, image) pairs of a bitmap image whose header no icon reader agrees on, its data
    intact: planes 0, 2 and 65535, a palette larger than its bits name (and one of 1 colour on a
    4-bit image), a header size of 56."""
    bpp = struct.unpack("<H", bmp[14:16])[0]
    out = []
    for planes in (0, 2, 0xFFFF):
        b = bytearray(bmp)
        struct.pack_into("<H", b, 12, planes)
        out.append((f"planes{planes}", bytes(b)))
    if bpp <= 8:
        b = bytearray(bmp)
        struct.pack_into("<I", b, 32, (1 << bpp) + 1)
        out.append(("clrused", bytes(b)))
    if bpp == 4:
        b = bytearray(bmp)
        struct.pack_into("<I", b, 32, 1)
        out.append(("clrused1", bytes(b)))
    b = bytearray(bmp)
    struct.pack_into("<I", b, 0, 56)
    out.append(("size56", bytes(b)))
    return out


def damaged_files(good):
    rnd = random.Random(1303)
    out = {}

    def put(name, data):
        out[name] = bytes(data)

    for base, (data, marks) in good.items():
        stem = base.replace(".", "_")
        ext = "." + base.rsplit(".", 1)[1]
        n = len(data)
        # Truncations at many offsets, denser near the start where the directories are.
        cuts = sorted(set([0, 1, 2, 5, 6, 7, 21, 22, 63, 64, 65] + [rnd.randrange(1, n) for _ in range(14)] +
                          [n * k // 10 for k in range(1, 10)] + [n - 1]))
        for c in cuts:
            put(f"{stem}_cut{c}{ext}", data[:c])
        # Bit flips in directories and headers.
        ranges = [marks.get("dir"), marks.get("dirs"), marks.get("headers"), marks.get("entries")]
        ranges = [r for r in ranges if r] + marks.get("groups", [])
        for k in range(30):
            start, length = ranges[k % len(ranges)]
            b = bytearray(data)
            at = start + rnd.randrange(max(length, 1))
            if at < n:
                b[at] ^= 1 << rnd.randrange(8)
            put(f"{stem}_flip{k}{ext}", b)
        # Bit flips in image headers, and images cut short or zeroed.
        for k, (start, length) in enumerate(marks["images"]):
            b = bytearray(data)
            b[start + rnd.randrange(min(40, length))] ^= 1 << rnd.randrange(8)
            put(f"{stem}_imgflip{k}{ext}", b)
            b = bytearray(data)
            b[start:start + length] = b"\0" * length
            put(f"{stem}_imgzero{k}{ext}", b)
            b = bytearray(data)
            struct.pack_into("<i", b, start + 4, 0x7FFFFFF0)
            put(f"{stem}_imgwide{k}{ext}", b)
            if data[start:start + 4] == b"\x89PNG":
                for j, (at, val) in enumerate([(start + 33, 0), (start + 20, 0xFF), (start + 16, 0),
                                               (start + length - 5, 0), (start + 45, 0x55)]):
                    b = bytearray(data)
                    b[at] ^= val or 0xFF
                    put(f"{stem}_png{k}_{j}{ext}", b)
                put(f"{stem}_pngcut{k}{ext}", data[:start + length // 2] + b"\0" * (n - start - length // 2))
                # Whole chunks with sound check sums around broken content: only a decoder finds out.
                for j, (kind, body) in enumerate(broken_png_chunks(data[start:start + length])):
                    b = bytearray(data)
                    b[start:start + length] = rechunk(data[start:start + length], kind, body, length)
                    put(f"{stem}_pngsum{k}_{j}{ext}", b)
                for name, png in png_sum_damage(data[start:start + length]):
                    b = bytearray(data)
                    b[start:start + length] = png
                    put(f"{stem}_png{k}_{name}{ext}", b)
            else:
                for name, bmp in bitmap_header_damage(data[start:start + length]):
                    b = bytearray(data)
                    b[start:start + length] = bmp
                    put(f"{stem}_bmp{k}_{name}{ext}", b)
        # Random damage anywhere.
        for k in range(12):
            b = bytearray(data)
            for _ in range(1 + k):
                b[rnd.randrange(n)] = rnd.randrange(256)
            put(f"{stem}_noise{k}{ext}", b)

    if "tiny.ico" not in good:
        return out
    # The same content damage to a 256 x 256 PNG image, the size that is stored as PNG.
    ico, marks = ico_file(SIZES, 21)
    start, length = marks["images"][-1]
    for name, png in png_sum_damage(ico[start:start + length]):
        put(f"sizes_png_{name}.ico", ico[:start] + png + ico[start + length:])

    # Huge counts and sizes, zero sizes.
    ico, marks = good["tiny.ico"]
    for name, at, fmt, val in [("count_ffff", 4, "<H", 0xFFFF), ("count_100", 4, "<H", 100), ("count0", 4, "<H", 0),
                               ("size_huge", 14, "<I", 0xFFFFFFFF), ("size0", 14, "<I", 0),
                               ("offset_huge", 18, "<I", 0xFFFFFFF0), ("offset_end", 18, "<I", len(ico)),
                               ("type2", 2, "<H", 2), ("reserved", 0, "<H", 1)]:
        b = bytearray(ico)
        struct.pack_into(fmt, b, at, val)
        put(f"ico_{name}.ico", b)
    for base in ("small32.dll", "small64.dll"):
        data, marks = good[base]
        stem = base.split(".")[0]
        d0 = marks["dirs"][0]
        e0, elen = marks["entries"]
        root_ids = struct.unpack("<H", data[d0 + 14:d0 + 16])[0]
        group_type = next(d0 + (struct.unpack("<I", data[d0 + 20 + 8 * i:d0 + 24 + 8 * i])[0] & 0x7FFFFFFF)
                          for i in range(root_ids) if struct.unpack("<I", data[d0 + 16 + 8 * i:d0 + 20 + 8 * i])[0] == 14)
        group_ids = struct.unpack("<H", data[group_type + 14:group_type + 16])[0]
        # One flipped bit in a count (2 -> 130) makes the directory run over the tables after it.
        for name, at, fmt, val in [("rootcount", d0 + 14, "<H", 0xFFFF), ("rootnamed", d0 + 12, "<H", 0xFFFF),
                                   ("typecount", d0 + 16 + 8 * 2 + 14, "<H", 0xFFFF),
                                   ("rootflip", d0 + 14, "<H", root_ids ^ 0x80),
                                   ("typeflip", group_type + 14, "<H", group_ids ^ 0x80)]:
            b = bytearray(data)
            struct.pack_into(fmt, b, at, val)
            put(f"{stem}_{name}.dll", b)
        for k in range(0, elen // 16):
            for name, off, val in [("size_huge", 4, 0xFFFFFFF0), ("size0", 4, 0), ("rva_huge", 0, 0xFFFFFF00),
                                   ("rva0", 0, 0)]:
                if k % 3 and name != "size_huge":
                    continue
                b = bytearray(data)
                struct.pack_into("<I", b, e0 + 16 * k + off, val)
                put(f"{stem}_entry{k}_{name}.dll", b)
        for k, (start, length) in enumerate(marks["groups"]):
            for name, val in [("count_ffff", 0xFFFF), ("count0", 0), ("count_big", 200)]:
                b = bytearray(data)
                struct.pack_into("<H", b, start + 4, val)
                put(f"{stem}_group{k}_{name}.dll", b)
        for loop in ("root", "self"):
            groups = [(1, [(16, 4)]), ("N", [(16, 32), (16, "png")])]
            put(f"{stem}_loop_{loop}.dll", pe_file(groups, 11, plus=stem == "small64", loop=loop)[0])
        b = bytearray(data)
        struct.pack_into("<I", b, 0x3C, 0xFFFFFFF0)
        put(f"{stem}_lfanew_huge.dll", b)
        b = bytearray(data)
        struct.pack_into("<H", b, 0x80 + 6, 0xFFFF)
        put(f"{stem}_sections_ffff.dll", b)
    for base in ("small.icl", "ne9.dll"):
        data, marks = good[base]
        stem = base.replace(".", "_")
        ext = "." + base.rsplit(".", 1)[1]
        t0 = marks["dirs"][0]
        for name, at, fmt, val in [("shift31", t0, "<H", 31), ("shift0", t0, "<H", 0), ("shift16", t0, "<H", 16),
                                   ("typecount", t0 + 4, "<H", 0xFFFF), ("noterm", t0 + marks["dirs"][1] - 2, "<H", 7),
                                   ("restab", 0x40 + 0x26, "<H", 0), ("rsrctab", 0x40 + 0x24, "<H", 0xFFF0)]:
            b = bytearray(data)
            struct.pack_into(fmt, b, at, val)
            put(f"{stem}_{name}{ext}", b)
        for k, (start, length) in enumerate(marks["groups"]):
            b = bytearray(data)
            struct.pack_into("<H", b, start + 4, 0xFFFF)
            put(f"{stem}_group{k}_count{ext}", b)
    return out


def main():
    if len(sys.argv) < 2:
        sys.exit(__doc__)
    root = sys.argv[1]
    good = seed_files() if "--seeds" in sys.argv else good_files()
    os.makedirs(os.path.join(root, "good"), exist_ok=True)
    for name, (data, _) in good.items():
        with open(os.path.join(root, "good", name), "wb") as f:
            f.write(data)
    if "--seeds" in sys.argv:
        return
    os.makedirs(os.path.join(root, "ids"), exist_ok=True)
    for name, plus in (("ids32.dll", False), ("ids64.dll", True)):
        with open(os.path.join(root, "ids", name), "wb") as f:
            f.write(pe_file(ID_GROUPS, 41, plus=plus)[0])
    if "--good-only" in sys.argv:
        return
    # Damage is done to small files of few icons: the window run over all of them stays quick.
    bases = seed_files()
    del bases["tiny.cur"]
    bases["ne9.dll"] = good["ne9.dll"]
    cursor_bases = cursor_files(big=False)
    for name in cursor_bases:
        del bases[name]
    damaged = damaged_files(bases)
    # The cursors' damage after the icons', so the icons' damaged files stay as they were.
    damaged.update(damaged_files(cursor_bases))
    folder = os.path.join(root, "damaged")
    os.makedirs(folder, exist_ok=True)
    for old in os.listdir(folder):
        os.remove(os.path.join(folder, old))
    for name, data in damaged.items():
        with open(os.path.join(folder, name), "wb") as f:
            f.write(data)
    print(f"{len(good)} good and {len(damaged)} damaged files in {root}")


if __name__ == "__main__":
    main()
