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

from icon_formats import (
    png_chunk, image, ico_file, cur_file, ani_file, pe_file, ne_file,
)

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
