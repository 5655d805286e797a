#!/usr/bin/env python3
"""Help compiler: turns the plain-text help sources in help/ into a WinHelp 3.1 file.

Source markup (one or more .txt files, compiled in the order given):
  # comment                        ignored (only at the start of a line)
  @helptitle TEXT                  the help file's title (once, before the first topic)
  @topic NAME NUMBER TITLE         starts a topic: context name, context number, title
  @index WORDS; MORE WORDS         index entries that lead to the current topic
  == TEXT                          a bold sub-heading
  - TEXT                           a list item (continuation lines belong to it)
  TEXT                             paragraph text; a blank line ends the paragraph
Inside text: **bold**, [[name]] or [[name|shown text]] jumps to the topic called name.

Usage: hlpc.py -o OUTPUT.hlp SOURCE.txt...
A malformed source stops the build with "FILE:LINE: error: ..." and exit status 1.
"""
import os
import re
import struct
import sys

ENCODING = "cp1252"

# |TOPIC is written uncompressed in 4 KB blocks, each opening with a 12-byte block header.
BLOCK_SIZE = 4096
BLOCK_HEADER = 12
LINK_HEADER = 21  # TOPICLINK: block size, data length 2, previous, next, data length 1, type
TOPIC_HEADER = 28
TL_TOPICHDR = 0x02
TL_DISPLAY = 0x20

# Fonts: (face, half-points, bold); index = the font number used by 0x80 commands.
FONTS = [("Arial", 20, False), ("Arial", 20, True), ("Arial", 28, True), ("Arial", 22, True)]
F_BODY, F_BOLD, F_TITLE, F_HEADING = range(4)

# The context B+ tree is written as a single 2 KB page of 8-byte entries.
MAX_TOPICS = (0x800 - 8) // 8

NAME_RE = re.compile(r"^[A-Za-z0-9_.]+$")


class SourceError(Exception):
    def __init__(self, where, message):
        super().__init__(f"{where[0]}:{where[1]}: error: {message}")


def context_hash(name):
    """The viewer's hash of a context name (case-insensitive)."""
    h = 0
    for ch in name.upper():
        if "A" <= ch <= "Z":
            v = ord(ch) - ord("A") + 0x11
        elif "1" <= ch <= "9":
            v = ord(ch) - ord("0")
        elif ch == "0":
            v = 0x0A
        elif ch == ".":
            v = 0x0C
        elif ch == "_":
            v = 0x0D
        else:
            raise ValueError(f"character {ch!r} not allowed in a context name")
        h = (h * 43 + v) & 0xFFFFFFFF
    return h - (1 << 32) if h & 0x80000000 else h


# ---------------------------------------------------------------- source reading

class Topic:
    def __init__(self, name, number, title, where):
        self.name, self.number, self.title, self.where = name, number, title, where
        self.paragraphs = []  # (kind, runs, where); kind: "text", "heading", "item"
        self.keywords = []


def parse_inline(text, where):
    """Splits paragraph text into runs: ("text", s), ("bold", s), ("jump", target, s, where)."""
    runs = []
    pos = 0
    pattern = re.compile(r"\*\*|\[\[")
    while pos < len(text):
        m = pattern.search(text, pos)
        if not m:
            runs.append(("text", text[pos:]))
            break
        if m.start() > pos:
            runs.append(("text", text[pos:m.start()]))
        if m.group() == "**":
            end = text.find("**", m.end())
            if end < 0:
                raise SourceError(where, "'**' without a closing '**'")
            if end == m.end():
                raise SourceError(where, "empty bold text '****'")
            runs.append(("bold", text[m.end():end]))
            pos = end + 2
        else:
            end = text.find("]]", m.end())
            if end < 0:
                raise SourceError(where, "'[[' without a closing ']]'")
            inner = text[m.end():end]
            target, _, shown = inner.partition("|")
            target = target.strip()
            if not NAME_RE.match(target):
                raise SourceError(where, f"bad jump target '{target}' (letters, digits, '_' and '.' only)")
            runs.append(("jump", target, shown.strip(), where))
            pos = end + 2
    return runs


def read_sources(paths):
    title = None
    topics = []
    for path in paths:
        try:
            with open(path, encoding="utf-8") as f:
                lines = f.read().split("\n")
        except (OSError, UnicodeDecodeError) as e:
            raise SourceError((path, 0), f"cannot read: {e}")
        topic = None
        para = None  # [kind, text, where]

        def flush():
            nonlocal para
            if para:
                topic.paragraphs.append((para[0], parse_inline(para[1], para[2]), para[2]))
            para = None

        for number, raw in enumerate(lines, 1):
            where = (path, number)
            line = raw.rstrip()
            try:
                line.encode(ENCODING)
            except UnicodeEncodeError:
                raise SourceError(where, "character not in the Windows-1252 code page")
            if "\t" in line:
                raise SourceError(where, "tab character (use spaces)")
            if line.startswith("#"):
                continue
            if line.startswith("@"):
                directive, _, rest = line.partition(" ")
                rest = rest.strip()
                if directive == "@helptitle":
                    if title is not None:
                        raise SourceError(where, "second @helptitle")
                    if topics or topic:
                        raise SourceError(where, "@helptitle after the first topic")
                    if not rest:
                        raise SourceError(where, "@helptitle without a title")
                    if len(rest) > 50:
                        raise SourceError(where, "@helptitle longer than 50 characters")
                    title = rest
                    continue
                if directive == "@index":
                    if topic is None:
                        raise SourceError(where, "@index before the first @topic")
                    words = [w.strip() for w in rest.split(";")]
                    if not all(words):
                        raise SourceError(where, "empty index entry")
                    if any(len(w) > 255 for w in words):
                        raise SourceError(where, "index entry longer than 255 characters")
                    topic.keywords += words
                    continue
                if directive != "@topic":
                    raise SourceError(where, f"unknown directive '{directive}'")
                if topic:
                    flush()
                parts = rest.split(None, 2)
                if len(parts) < 3:
                    raise SourceError(where, "expected '@topic NAME NUMBER TITLE'")
                name, num, ttl = parts
                if not NAME_RE.match(name):
                    raise SourceError(where, f"bad context name '{name}' (letters, digits, '_' and '.' only)")
                if not num.isdigit() or int(num) > 0x7FFFFFFF:
                    raise SourceError(where, f"bad context number '{num}'")
                topic = Topic(name, int(num), ttl, where)
                topics.append(topic)
                continue
            if topic is None:
                if line.strip():
                    raise SourceError(where, "text before the first @topic")
                continue
            stripped = line.strip()
            if not stripped:
                flush()
            elif line.startswith("== "):
                flush()
                topic.paragraphs.append(("heading", parse_inline(line[3:].strip(), where), where))
            elif line.startswith("- "):
                flush()
                para = ["item", line[2:].strip(), where]
            elif line.startswith("=") or line.startswith("-") and not line.startswith("--"):
                raise SourceError(where, "a heading is '== TEXT', a list item '- TEXT'")
            elif para:
                para[1] += " " + stripped
            else:
                para = ["text", stripped, where]
        if topic:
            flush()
    if not topics:
        raise SourceError((paths[0] if paths else "<none>", 0), "no topic")
    if title is None:
        raise SourceError((paths[0], 1), "no @helptitle")
    check_topics(topics)
    return title, topics


def check_topics(topics):
    if len(topics) > MAX_TOPICS:
        raise SourceError(topics[MAX_TOPICS].where, f"more than {MAX_TOPICS} topics")
    names, numbers, hashes = {}, {}, {}
    for t in topics:
        key = t.name.upper()
        if key in names:
            raise SourceError(t.where, f"context name '{t.name}' already used at line {names[key].where[1]}")
        names[key] = t
        if t.number in numbers:
            raise SourceError(t.where, f"context number {t.number} already used by '{numbers[t.number].name}'")
        numbers[t.number] = t
        h = context_hash(t.name)
        if h in hashes:
            raise SourceError(t.where, f"context name '{t.name}' has the same hash as '{hashes[h].name}'")
        hashes[h] = t
        if not t.paragraphs:
            raise SourceError(t.where, f"topic '{t.name}' has no text")
    for t in topics:
        for _, runs, _ in t.paragraphs:
            for r in runs:
                if r[0] == "jump" and r[1].upper() not in names:
                    raise SourceError(r[3], f"jump to unknown topic '{r[1]}'")


# ---------------------------------------------------------------- file writing

def cword(value):
    """Compressed unsigned short: one byte for values below 128."""
    return struct.pack("<B", value * 2) if value < 0x80 else struct.pack("<H", value * 2 + 1)


def clong(value):
    """Compressed unsigned long: two bytes for values below 32768."""
    return struct.pack("<H", value * 2) if value < 0x8000 else struct.pack("<L", value * 2 + 1)


def cshort(value):
    """Compressed signed short."""
    if -0x40 <= value < 0x40:
        return struct.pack("<B", (value + 0x40) * 2)
    return struct.pack("<H", (value + 0x4000) * 2 + 1)


def paragraph_record(kind, runs, topics_by_name):
    """LinkData1 and LinkData2 of one display paragraph. Each NUL in the text hands over to
    the next formatting command."""
    font = {"heading": F_HEADING, "title": F_TITLE}.get(kind, F_BODY)
    chunks = [("", b"\x80" + struct.pack("<h", font))]  # (text before a command, the command)
    current = ""
    if kind == "item":
        chunks.append(("\u2022", b"\x83"))
    for r in runs:
        if r[0] == "text":
            current += r[1]
        elif r[0] == "bold":
            chunks.append((current, b"\x80" + struct.pack("<h", F_BOLD)))
            chunks.append((r[1], b"\x80" + struct.pack("<h", font)))
            current = ""
        else:
            target = topics_by_name[r[1].upper()]
            shown = r[2] or target.title
            chunks.append((current, b"\xE3" + struct.pack("<l", context_hash(target.name))))
            chunks.append((shown, b"\x89"))
            current = ""
    chunks.append((current, b"\x82"))
    text = bytearray()
    cmds = bytearray()
    for s, c in chunks:
        text.extend(s.encode(ENCODING) + b"\0")
        cmds.extend(c)
    cmds.append(0xFF)

    # Spacing above and below, then for list items a hanging indent: the bullet sits at the
    # first-line indent and the tab after it reaches the left indent, where the text lines up.
    above, below = {"heading": (14, 4), "item": (0, 4), "text": (6, 6), "title": (0, 8)}[kind]
    bits = 0x0002 | 0x0004
    attrs = cshort(above) + cshort(below)
    if kind == "item":
        bits |= 0x0010 | 0x0040 | 0x0200
        attrs += cshort(30) + cshort(-20)
        attrs += cshort(1) + cword(30)  # one tab stop, at the left indent
    info = bytes([0, 0x80]) + struct.pack("<HH", 0, bits) + bytes(attrs)
    data1 = clong(len(text)) + cword(len(text)) + info + bytes(cmds)
    return data1, bytes(text)


class Link:
    """One TOPICLINK: a topic header (data1 None until the layout is known) or a paragraph."""

    def __init__(self, rtype, data1, data2):
        self.rtype, self.data1, self.data2 = rtype, data1, data2
        self.block = self.offset = 0

    def size(self):
        return LINK_HEADER + (TOPIC_HEADER if self.data1 is None else len(self.data1)) + len(self.data2)

    def pos(self):
        # A link's position counts 16 KB per block, whatever the block's stored size, and the
        # offset includes the block header.
        return self.block * 0x4000 + self.offset


def fits_block(data1, data2):
    return LINK_HEADER + len(data1) + len(data2) <= BLOCK_SIZE - BLOCK_HEADER


class TopicWriter:
    """Lays the topic links out in 4 KB blocks. A link never crosses a block boundary, and
    every topic starts a new block, so its character offset is the block number times 0x8000."""

    def __init__(self):
        self.used = []   # bytes used in each block, header excluded
        self.links = []
        self.topics = []  # (topic number, links)

    def add_topic(self, number, title, paragraphs):
        """paragraphs: (data1, data2) pairs, each short enough for a block (fits_block).
        Returns the topic's character offset."""
        self.used.append(0)
        links = [Link(TL_TOPICHDR, None, title)] + [Link(TL_DISPLAY, d1, d2) for d1, d2 in paragraphs]
        for link in links:
            if self.used[-1] + link.size() > BLOCK_SIZE - BLOCK_HEADER:
                self.used.append(0)
            link.block, link.offset = len(self.used) - 1, BLOCK_HEADER + self.used[-1]
            self.used[-1] += link.size()
        self.links += links
        self.topics.append((number, links))
        return links[0].block * 0x8000

    def build(self):
        """Fills in the topic headers, the links' chain and the block headers; returns |TOPIC."""
        for t, (number, links) in enumerate(self.topics):
            next_topic = self.topics[t + 1][1][0].pos() if t + 1 < len(self.topics) else -1
            size = sum(l.size() for l in links)
            links[0].data1 = struct.pack("<lllllll", size, -1, -1, number, -1, links[1].pos(), next_topic)
        blocks = [bytearray(struct.pack("<lll", -1, -1, -1)) for _ in self.used]
        last_header = -1
        for i, link in enumerate(self.links):
            prev = self.links[i - 1].pos() if i > 0 else -1
            nxt = self.links[i + 1].pos() if i + 1 < len(self.links) else -1
            data1_len = LINK_HEADER + len(link.data1)
            block = blocks[link.block]
            if len(block) == BLOCK_HEADER:
                # Block header: last link of the block before, first link here, last topic header.
                block[0:8] = struct.pack("<ll", prev, link.pos())
            if link.rtype == TL_TOPICHDR:
                last_header = link.pos()
            block[8:12] = struct.pack("<l", last_header)
            block += struct.pack("<lllllB", data1_len + len(link.data2), len(link.data2), prev, nxt, data1_len,
                                 link.rtype) + link.data1 + link.data2
        # Every block but the last is stored at its full size.
        return b"".join(bytes(b.ljust(BLOCK_SIZE, b"\0")) for b in blocks[:-1]) + bytes(blocks[-1])


def btree(structure, entries, page_size, directory=False):
    """A one-page B+ tree: header, then a single leaf page holding every entry."""
    body = b"".join(entries)
    if 8 + len(body) > page_size:
        raise ValueError(f"too many entries for one {structure} page ({len(entries)})")
    flags = 0x0402 if directory else 0x0002
    header = struct.pack("<HHH16shhhhhhl", 0x293B, flags, page_size, structure.encode().ljust(16, b"\0"),
                         0, 0, 0, -1, 1, 1, len(entries))
    page = struct.pack("<Hhhh", page_size - 8 - len(body), len(entries), -1, -1) + body
    return header + page.ljust(page_size, b"\0")


def main_window(caption):
    """The main window's description: only its name and caption are given, so that the
    viewer's window carries the help file's title."""
    return struct.pack("<H10s9s51shhhhh3sB3sB", 0x0002 | 0x0004, b"MAIN", b"main", caption.encode(ENCODING)[:50],
                       0, 0, 0, 0, 0, b"\0\0\0", 0, b"\0\0\0", 0)


def compile_help(title, topics, stamp=0):
    by_name = {t.name.upper(): t for t in topics}
    writer = TopicWriter()
    offset_of = {}
    for number, t in enumerate(topics):
        paras = [paragraph_record("title", [("text", t.title)], by_name)]
        for kind, runs, where in t.paragraphs:
            paras.append(paragraph_record(kind, runs, by_name))
            if not fits_block(*paras[-1]):
                raise SourceError(where, "paragraph too long (split it with a blank line)")
        offset_of[t.name] = writer.add_topic(number, t.title.encode(ENCODING) + b"\0", paras)
    topic_data = writer.build()

    # Version 3.1 (21), uncompressed topics; the date is the sources', so builds repeat exactly.
    system = struct.pack("<HHHlH", 0x036C, 21, 1, stamp, 0)
    for rtype, data in ((1, title.encode(ENCODING) + b"\0"),
                        (3, struct.pack("<l", offset_of[topics[0].name])),
                        (6, main_window(title))):
        system += struct.pack("<HH", rtype, len(data)) + data

    ctx = sorted((context_hash(t.name), offset_of[t.name]) for t in topics)
    context = btree("L4", [struct.pack("<ll", h, o) for h, o in ctx], 0x800)

    maps = sorted((t.number, offset_of[t.name]) for t in topics)
    ctxomap = struct.pack("<H", len(maps)) + b"".join(struct.pack("<ll", n, o) for n, o in maps)

    faces = sorted({f[0] for f in FONTS})
    font = struct.pack("<HHHH", len(faces), len(FONTS), 8, 8 + 32 * len(faces))
    font += b"".join(f.encode(ENCODING).ljust(32, b"\0") for f in faces)
    for face, half_points, bold in FONTS:
        font += struct.pack("<BBBH3s3s", 0x01 if bold else 0, half_points, 0x03, faces.index(face),
                            b"\0\0\0", b"\xff\xff\xff")

    # The keyword index: each keyword once, with the topics it leads to in |KWDATA.
    keywords = {}
    for t in topics:
        for k in t.keywords:
            entry = keywords.setdefault(k.upper(), (k, []))
            if offset_of[t.name] not in entry[1]:
                entry[1].append(offset_of[t.name])
    kwdata = bytearray()
    kwentries = []
    for key in sorted(keywords):
        word, offsets = keywords[key]
        kwentries.append(word.encode(ENCODING) + b"\0" + struct.pack("<hl", len(offsets), len(kwdata)))
        kwdata += b"".join(struct.pack("<l", o) for o in offsets)
    kwbtree = btree("F24", kwentries, 0x800)

    files = {"|CONTEXT": context, "|CTXOMAP": ctxomap, "|FONT": font, "|SYSTEM": system, "|TOPIC": topic_data,
             "|KWBTREE": kwbtree, "|KWDATA": bytes(kwdata)}
    out = bytearray(16)
    offsets = {}
    for name in sorted(files):
        offsets[name] = len(out)
        data = files[name]
        out += struct.pack("<llB", len(data) + 9, len(data), 4) + data
    directory = btree("z4", [n.encode() + b"\0" + struct.pack("<l", offsets[n]) for n in sorted(files)], 0x400,
                      directory=True)
    dir_start = len(out)
    out += struct.pack("<llB", len(directory) + 9, len(directory), 4) + directory
    out[0:16] = struct.pack("<llll", 0x00035F3F, dir_start, -1, len(out))
    return bytes(out)


def main(argv):
    args = argv[1:]
    date_file = None
    if len(args) >= 2 and args[0] == "--date-file":
        date_file, args = args[1], args[2:]
    if len(args) < 3 or args[0] != "-o":
        print("usage: hlpc.py [--date-file FILE] -o OUTPUT.hlp SOURCE.txt...", file=sys.stderr)
        return 2
    output, sources = args[1], args[2:]
    try:
        title, topics = read_sources(sources)
        # The file's date: the commit's (seconds in DATE_FILE), else the newest source's.
        if date_file:
            with open(date_file) as f:
                stamp = int(f.read().strip())
        else:
            stamp = max(int(os.path.getmtime(p)) for p in sources)
        data = compile_help(title, topics, stamp)
    except SourceError as e:
        print(e, file=sys.stderr)
        return 1
    except ValueError as e:  # a limit of the file layout, such as an index too large for its page
        print(f"{sources[0]}: error: {e}", file=sys.stderr)
        return 1
    with open(output, "wb") as f:
        f.write(data)
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
