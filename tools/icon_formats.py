"""The icon file formats the test corpus is built from, written from our own bytes: images
(bitmaps of every depth, PNG), .ico, .cur and .ani files, and PE32, PE32+ and 16-bit NE
libraries with icon and cursor groups. Each file builder returns (bytes, marks): marks name
byte ranges worth damaging. Used by make_icon_corpus.py."""
import struct
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
