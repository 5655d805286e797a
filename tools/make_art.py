#!/usr/bin/env python3
# Draws the program's own artwork (window icon, toolbar strips, About side picture, logo, the
# installer's side picture) and writes the BMP/ICO files under res/art/. Standard library only.
# Regenerate after changing a picture:  python3 tools/make_art.py   (from the repository root,
# or from anywhere: paths are relative to this script), then rebuild so the resources pick it up.
import math
import os
import struct
import zlib

ROOT = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "res", "art")
MAGENTA = (255, 0, 255)

# The classic 16-colour palette, in the usual order, so the 4-bit pictures look right everywhere.
VGA = [(0, 0, 0), (128, 0, 0), (0, 128, 0), (128, 128, 0), (0, 0, 128), (128, 0, 128),
       (0, 128, 128), (192, 192, 192), (128, 128, 128), (255, 0, 0), (0, 255, 0),
       (255, 255, 0), (0, 0, 255), (255, 0, 255), (0, 255, 255), (255, 255, 255)]
BLACK, MAROON, GREEN, OLIVE, NAVY, PURPLE, TEAL, SILVER = range(8)
GREY, RED, LIME, YELLOW, BLUE, FUCHSIA, AQUA, WHITE = range(8, 16)


# ---------------------------------------------------------------- file writers

def bmp_file(width, height, bits, rows_bottom_up, palette=()):
    """BITMAPFILEHEADER + BITMAPINFOHEADER + colour table + pixel rows (already padded)."""
    table = b"".join(struct.pack("<BBBB", b, g, r, 0) for (r, g, b) in palette)
    pixels = b"".join(rows_bottom_up)
    info = struct.pack("<IiiHHIIiiII", 40, width, height, 1, bits, 0, len(pixels),
                       2835, 2835, len(palette), 0)
    offset = 14 + len(info) + len(table)
    head = struct.pack("<2sIHHI", b"BM", offset + len(pixels), 0, 0, offset)
    return head + info + table + pixels


def pad(row):
    return row + b"\0" * ((4 - len(row) % 4) % 4)


def rgb_rows(img):
    return [pad(b"".join(struct.pack("BBB", b, g, r) for (r, g, b) in row))
            for row in reversed(img)]


def nibble_rows(img):
    out = []
    for row in reversed(img):
        padded = list(row) + [0] * (len(row) % 2)
        out.append(pad(bytes((padded[i] << 4) | padded[i + 1] for i in range(0, len(padded), 2))))
    return out


def write_bmp24(name, img):
    data = bmp_file(len(img[0]), len(img), 24, rgb_rows(img))
    with open(os.path.join(ROOT, name), "wb") as f:
        f.write(data)


def write_bmp4(name, img):
    data = bmp_file(len(img[0]), len(img), 4, nibble_rows(img), VGA)
    with open(os.path.join(ROOT, name), "wb") as f:
        f.write(data)


def png_file(img):
    """An RGBA picture as PNG bytes: 8 bits per channel, no filtering, fixed compression."""
    raw = b"".join(b"\0" + b"".join(struct.pack("BBBB", *p) for p in row) for row in img)

    def chunk(kind, data):
        return (struct.pack(">I", len(data)) + kind + data +
                struct.pack(">I", zlib.crc32(kind + data) & 0xFFFFFFFF))
    head = struct.pack(">IIBBBBB", len(img[0]), len(img), 8, 6, 0, 0, 0)
    return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", head) + chunk(b"IDAT", zlib.compress(raw, 9)) +
            chunk(b"IEND", b""))


def dib32(img):
    """An RGBA picture as an icon image: 32-bit BGRA rows bottom-up, then the AND mask."""
    size = len(img)
    xor = b"".join(b"".join(struct.pack("BBBB", b, g, r, a) for (r, g, b, a) in row)
                   for row in reversed(img))
    mask = []
    for row in reversed(img):
        bits = 0
        for p in row:
            bits = (bits << 1) | (1 if p[3] == 0 else 0)
        mask.append(pad(bits.to_bytes((size + 7) // 8, "big")))
    info = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, 32, 0, len(xor) + len(b"".join(mask)),
                       0, 0, 0, 0)
    return info + xor + b"".join(mask)


def write_ico(name, images):
    """Square RGBA pictures, smallest first; the 256 x 256 one is stored as PNG."""
    bodies = [png_file(img) if len(img) >= 256 else dib32(img) for img in images]
    head = struct.pack("<HHH", 0, 1, len(images))
    offset = 6 + 16 * len(images)
    entries = b""
    for img, body in zip(images, bodies):
        size = len(img) % 256  # 0 stands for 256
        entries += struct.pack("<BBBBHHII", size, size, 0, 0, 1, 32, len(body), offset)
        offset += len(body)
    with open(os.path.join(ROOT, name), "wb") as f:
        f.write(head + entries + b"".join(bodies))


# ---------------------------------------------------------------- toolbar pictures

TOOL_COLOURS = {
    ".": MAGENTA, "k": (0, 0, 0), "K": (64, 64, 64), "g": (128, 128, 128),
    "s": (192, 192, 192), "w": (255, 255, 255), "b": (0, 0, 128), "B": (40, 90, 200),
    "c": (120, 170, 255), "y": (255, 222, 70), "Y": (200, 150, 20), "r": (200, 0, 0),
    "G": (0, 150, 40), "l": (110, 220, 110), "o": (240, 140, 20), "n": (120, 70, 10),
}


def chars(rows, under=None):
    """Turns a 16 x 16 character map into pixels; ' ' keeps the picture underneath."""
    assert len(rows) == 16 and all(len(r) == 16 for r in rows), rows
    out = [list(r) for r in (under or ["." * 16] * 16)]
    for y, r in enumerate(rows):
        for x, c in enumerate(r):
            if c != " ":
                out[y][x] = c
    return ["".join(r) for r in out]


FLOPPY = chars([
    "................",
    ".kkkkkkkkkkkkkk.",
    ".kBkwwwwwwwwkBk.",
    ".kBkwwwwwwwwkBk.",
    ".kBkwggggggwkBk.",
    ".kBkwwwwwwwwkBk.",
    ".kBkwggggggwkBk.",
    ".kBkwwwwwwwwkBk.",
    ".kBBkkkkkkkkBBk.",
    ".kBBBBBBBBBBBBk.",
    ".kBBkkkkkkkkBBk.",
    ".kBBksssBBsskBk.",
    ".kBBksssBBsskBk.",
    ".kBBksssBBsskBk.",
    ".kcBksssssssk.k.",
    "..kkkkkkkkkkkk..",
])

COPY = chars([
    ".kkkkkkkkk......",
    ".kwwwwwwwk......",
    ".kwggggwwk......",
    ".kwwwwwwwk......",
    ".kwgggggwk......",
    ".kwwwwkkkkkkkkk.",
    ".kwggwkwwwwwwwk.",
    ".kwwwwkwggggwwk.",
    ".kwgggkwwwwwwwk.",
    ".kwwwwkwgggggwk.",
    ".kkkkkkwwwwwwwk.",
    "......kwggggwwk.",
    "......kwwwwwwwk.",
    "......kwgggggwk.",
    "......kwwwwwwwk.",
    "......kkkkkkkkk.",
])

FOLDER = [
    "................",
    "................",
    ".kkkkk..........",
    "kyyyyyk.........",
    "kyyyyyykkkkkkkk.",
    "kywwwwwwwwwwwwYk",
    "kywyyyyyyyyyyyYk",
    "kywyyyyyyyyyyyYk",
    "kywyyyyyyyyyyyYk",
    "kywyyyyyyyyyyyYk",
    "kywyyyyyyyyyyyYk",
    "kywyyyyyyyyyyyYk",
    "kywyyyyyyyyyyyYk",
    "kyYYYYYYYYYYYYYk",
    "kkkkkkkkkkkkkkkk",
    "................",
]
UP = chars([
    "                ",
    "       k        ",
    "      kGk       ",
    "     kGlGk      ",
    "    kGlGGGk     ",
    "   kGlGGGGGk    ",
    "   kkkkGGkkk    ",
    "      kGGk      ",
    "      kGGk      ",
    "      kGGk      ",
    "      kGGk      ",
    "      kGGk      ",
    "      kkkk      ",
    "                ",
    "                ",
    "                ",
], FOLDER)


def views():
    rows = [["."] * 16 for _ in range(16)]
    for oy in (1, 9):
        for ox in (1, 9):
            for y in range(6):
                for x in range(6):
                    edge = x in (0, 5) or y in (0, 5)
                    c = "k" if edge else ("c" if x == 1 or y == 1 else "B")
                    rows[oy + y][ox + x] = c
    return ["".join(r) for r in rows]


LEFT = chars([
    "................",
    ".......k........",
    "......kk........",
    ".....klk........",
    "....klGk........",
    "...klGGkkkkkkkk.",
    "..klGGllllllllk.",
    ".kGGGGGGGGGGGGk.",
    "..kGGGGGGGGGGGk.",
    "...kGGGkkkkkkkk.",
    "....kGGk........",
    ".....kGk........",
    "......kk........",
    ".......k........",
    "................",
    "................",
])
RIGHT = [r[::-1] for r in LEFT]

BOOK = chars([
    "                ",
    "                ",
    "                ",
    "     yyyy       ",
    "    yy  yy      ",
    "        yy      ",
    "       yy       ",
    "      yy        ",
    "      yy        ",
    "                ",
    "      yy        ",
    "                ",
    "                ",
    "                ",
    "                ",
    "                ",
], [
    "................",
    "..kkkkkkkkkkkkk.",
    ".kbBBBBBBBBBBBk.",
    ".kbBBBBBBBBBBBk.",
    ".kbBBBBBBBBBBBk.",
    ".kbBBBBBBBBBBBk.",
    ".kbBBBBBBBBBBBk.",
    ".kbBBBBBBBBBBBk.",
    ".kbBBBBBBBBBBBk.",
    ".kbBBBBBBBBBBBk.",
    ".kbBBBBBBBBBBBk.",
    ".kbBBBBBBBBBBBk.",
    ".kbkkkkkkkkkkkk.",
    ".kbwwwwwwwwwwwk.",
    "..kkkkkkkkkkkkk.",
    "................",
])

TOOLS = [FLOPPY, COPY, UP, views(), LEFT, RIGHT, BOOK]


def strip(maps, colour_of, size=16):
    """The pictures side by side, each size x size: the 16 x 16 maps with every pixel grown
    to whole pixels, so the larger strips for scaled displays stay as crisp as the small one."""
    return [[colour_of(TOOL_COLOURS[m[y * 16 // size][x * 16 // size]]) for m in maps for x in range(size)]
            for y in range(size)]


def greyed(c):
    if c == MAGENTA:
        return c
    lum = 0.30 * c[0] + 0.59 * c[1] + 0.11 * c[2]
    # Lifted a little so the outlines stay soft against a grey toolbar.
    v = int(round(48 + lum * 0.80))
    return (v, v, v)


# ---------------------------------------------------------------- window icon

# The program's icon: a magnifying glass over a 3 x 3 grid of little icons. Every size is drawn
# for itself: the grid's tiles, gaps and margin are whole pixels of that size, the lens and its
# ring are placed on pixel edges, and edges are smoothed by 4 x 4 samples per pixel.
ICON_SIZES = (16, 20, 24, 32, 40, 48, 64, 256)
ICON_TILES = [[(220, 60, 50), (70, 170, 70), (50, 110, 210)],
              [(40, 170, 190), (240, 190, 40), (180, 70, 180)],
              [(60, 140, 60), (40, 90, 200), (230, 110, 40)]]
# Per size: tile, gap and margin in pixels (3 tiles + 2 gaps + 2 margins = size, the spare
# pixel of an odd remainder on the right and bottom), the ring's width and the handle's.
ICON_GRID = {16: (4, 1, 1, 1.5, 2.5), 20: (5, 1, 1, 1.75, 3.0), 24: (6, 1, 2, 2.0, 3.5),
             32: (8, 2, 2, 2.5, 4.5), 40: (10, 2, 3, 3.0, 5.5), 48: (12, 3, 3, 3.5, 6.5),
             64: (16, 4, 4, 4.5, 8.5), 256: (64, 16, 16, 16.0, 32.0)}
INK = (40, 44, 52)


def shade(c, k):
    return tuple(max(0, min(255, int(round(v * k)))) for v in c)


def tile_colour(size, x, y):
    """RGB of the grid at (x, y) in pixels, or None between and around the tiles."""
    t, g, m = ICON_GRID[size][:3]
    r = max(1.0, t / 5.0)  # corner radius
    for ty in range(3):
        for tx in range(3):
            x0, y0 = m + tx * (t + g), m + ty * (t + g)
            u, v = x - x0, y - y0
            if not (0 <= u < t and 0 <= v < t):
                continue
            # Rounded corners: outside the quarter circle of each corner is no tile.
            cu, cv = min(max(u, r), t - r), min(max(v, r), t - r)
            if math.hypot(u - cu, v - cv) > r:
                return None
            base = ICON_TILES[ty][tx]
            edge = min(u, v, t - u, t - v)
            if size >= 24 and edge < max(1.0, t / 10.0):
                return shade(base, 0.7)  # a darker rim sets the tiles apart
            return shade(base, 1.15 - 0.3 * v / t)  # lit from above
    return None


def icon_sample(size, x, y):
    """RGBA (alpha 0..1) of one sample point of the icon at this size."""
    t, g, m, ring, handle = ICON_GRID[size]
    # The lens sits over the upper left tiles, centred on a pixel edge.
    cx = cy = round(m + t + g / 2)
    radius = round(t + g)
    d = math.hypot(x - cx, y - cy)
    # The handle runs from the ring towards the lower right corner, with a rounded end.
    along = ((x - cx) + (y - cy)) / math.sqrt(2)
    across = abs((x - cx) - (y - cy)) / math.sqrt(2)
    end = (size - m * 0.5 - cx) * math.sqrt(2) - handle / 2
    if radius - ring / 2 < along < end and across < handle / 2:
        k = 1.0 - 0.25 * across / (handle / 2)
        return (*shade((120, 72, 40), k), 1.0)
    if along >= end and math.hypot(along - end, across) < handle / 2:
        return (*shade((120, 72, 40), 0.85), 1.0)
    if radius - ring <= d <= radius:
        return (*INK, 1.0)
    if d < radius - ring:
        # Under the glass the grid shows larger, on a pale ground, with a glint at the top left.
        mx, my = cx + (x - cx) / 1.3, cy + (y - cy) / 1.3
        c = tile_colour(size, mx, my) or (235, 242, 250)
        c = tuple(int(v * 0.8 + 255 * 0.2) for v in c)
        gx, gy = (x - cx) / radius, (y - cy) / radius
        if 0.45 < math.hypot(gx, gy) < 0.68 and gx < -0.1 and gy < -0.1 and size >= 20:
            c = (255, 255, 255)
        return (*c, 1.0)
    c = tile_colour(size, x, y)
    return (0, 0, 0, 0.0) if c is None else (*c, 1.0)


def window_icon(size):
    """The icon at one size as rows of RGBA, smoothed over 4 x 4 samples per pixel."""
    n = 4
    img = []
    for y in range(size):
        row = []
        for x in range(size):
            acc = [0.0, 0.0, 0.0, 0.0]
            for sy in range(n):
                for sx in range(n):
                    r, g, b, a = icon_sample(size, x + (sx + 0.5) / n, y + (sy + 0.5) / n)
                    acc[0] += r * a
                    acc[1] += g * a
                    acc[2] += b * a
                    acc[3] += a
            a = acc[3]
            if a == 0:
                row.append((0, 0, 0, 0))
            else:
                row.append((int(round(acc[0] / a)), int(round(acc[1] / a)), int(round(acc[2] / a)),
                            int(round(255 * a / (n * n)))))
        img.append(row)
    return img


# ---------------------------------------------------------------- About side picture

BAYER = [[0, 8, 2, 10], [12, 4, 14, 6], [3, 11, 1, 9], [15, 7, 13, 5]]


def blend(a, b, t, x, y):
    """Ordered dither between two palette colours: t = 0 gives a, t = 1 gives b."""
    return b if (BAYER[y % 4][x % 4] + 0.5) / 16 < t else a


def star(px, py, cx, cy, r_out, r_in):
    ang = math.atan2(py - cy, px - cx) + math.pi / 2
    d = math.hypot(px - cx, py - cy)
    seg = (ang % (2 * math.pi / 5)) / (2 * math.pi / 5)
    k = abs(seg - 0.5) * 2   # 1 at a point, 0 between points
    return d < r_in + (r_out - r_in) * k


def heart(px, py, cx, cy, s):
    x, y = (px - cx) / s, -(py - cy) / s + 0.25
    return (x * x + y * y - 1) ** 3 - x * x * y ** 3 < 0


def glyph_tile(kind, u, v):
    """Pixel (u, v) of a 27 x 27 tile: raised frame, white face, one glyph."""
    if u in (0, 26) or v in (0, 26):
        return BLACK
    if u == 1 or v == 1:
        return WHITE
    if u == 25 or v == 25:
        return GREY
    if u in (2, 24) or v in (2, 24):
        return SILVER
    px, py = u + 0.5, v + 0.5
    if kind == "star":
        if star(px, py, 13.5, 14.2, 9.5, 4.2):
            return OLIVE if not star(px, py, 13.5, 14.2, 8.0, 3.4) else YELLOW
    elif kind == "heart":
        if heart(px, py, 13.5, 13.0, 7.8):
            return MAROON if not heart(px, py, 13.5, 13.2, 6.6) else RED
    elif kind == "page":
        if 7 <= u <= 19 and 5 <= v <= 21:
            if u in (7, 19) or v in (5, 21) or (u - 15 > v - 5 and u > 15 and v < 9):
                return NAVY
            if u > 15 and v < 9:
                return WHITE
            return BLUE if (v % 3 == 0 and 9 <= u <= 17 and v > 7) else AQUA
    elif kind == "face":
        d = math.hypot(px - 13.5, py - 13.5)
        if d < 9.3:
            if d > 8.3:
                return OLIVE
            eyes = math.hypot(px - 10.5, py - 10.5) < 1.5 or math.hypot(px - 16.5, py - 10.5) < 1.5
            mouth = 4.2 < math.hypot(px - 13.5, py - 12.5) < 5.4 and py > 14.5
            return BLACK if eyes or mouth else YELLOW
    elif kind == "lens":
        d = math.hypot(px - 11.5, py - 11.5)
        along = ((px - 11.5) + (py - 11.5)) / math.sqrt(2)
        across = abs((px - 11.5) - (py - 11.5)) / math.sqrt(2)
        if d < 5.2:
            return AQUA if (px < 11 and py < 11) else TEAL
        if d < 7.0:
            return BLACK
        if 7.0 <= along < 15.5 and across < 1.8:
            return MAROON
    return WHITE


def side_gradient(t, x, y):
    """The side pictures' colour at height t (0 top, 1 foot): blue deepening to navy, then
    teal at the foot."""
    if t < 0.55:
        return blend(BLUE, NAVY, t / 0.55, x, y)
    return blend(NAVY, TEAL, (t - 0.55) / 0.45, x, y)


def side_picture(w, h, kinds, scale, top, left):
    """A side picture: the gradient with a column of glyph tiles (27 pixels drawn `scale` times
    over) and their drop shadows, spread from `top` to the foot."""
    size, shadow = 27 * scale, 2 * scale
    gap = (h - 2 * top - size * len(kinds)) / (len(kinds) - 1)
    img = []
    for y in range(h):
        t = y / (h - 1)
        row = []
        for x in range(w):
            c = side_gradient(t, x, y)
            for i, kind in enumerate(kinds):
                ty = int(round(top + i * (size + gap)))
                if left <= x < left + size and ty <= y < ty + size:
                    c = glyph_tile(kind, (x - left) // scale, (y - ty) // scale)
                elif left + shadow <= x < left + size + shadow and ty + shadow <= y < ty + size + shadow:
                    c = BLACK  # drop shadow
            row.append(c)
        img.append(row)
    return img


def about_side():
    return side_picture(57, 145, ["star", "heart", "page", "lens"], 1, 6, 15)


def setup_side():
    """The installer's welcome and finish side picture, 164 x 314: the About side picture's
    colours with its glyph tiles at twice the size, five of them."""
    return side_picture(164, 314, ["star", "heart", "page", "face", "lens"], 2, 14, (164 - 54) // 2)


# ---------------------------------------------------------------- maker's logo

FONT = {
    "V": ["#...#", "#...#", "#...#", "#...#", ".#.#.", ".#.#.", "..#.."],
    "a": [".....", ".....", ".###.", "....#", ".####", "#...#", ".####"],
    "r": ["....", "....", "#.##", "##..", "#...", "#...", "#..."],
    "n": [".....", ".....", "#.##.", "##..#", "#...#", "#...#", "#...#"],
    "h": ["#....", "#....", "#.##.", "##..#", "#...#", "#...#", "#...#"],
    "o": [".....", ".....", ".###.", "#...#", "#...#", "#...#", ".###."],
    "l": ["##.", ".#.", ".#.", ".#.", ".#.", ".#.", "###"],
    "t": [".#..", ".#..", "###.", ".#..", ".#..", ".#..", "..##"],
}


def text_mask(word):
    cols = []
    for i, ch in enumerate(word):
        if i:
            cols.append("." * 7)
        g = FONT[ch]
        cols.extend("".join(g[y][x] for y in range(7)) for x in range(len(g[0])))
    return cols  # column-major


def logo():
    w, h = 70, 42
    # The V mark, supersampled so its slanted edges come out smooth in 24 bits.
    def in_v(px, py):
        if not (3.0 <= py <= 27.0):
            return False
        t = (py - 3.0) / 24.0
        half = 14.0 * (1 - t)            # centre line of each arm, from the middle
        arm = 3.4
        return abs(abs(px - 35.0) - half) < arm * (1 - 0.25 * t) + 0.6 * t
    mask = text_mask("Varnholt")
    tx0, ty0 = (w - len(mask)) // 2, 31
    img = []
    for y in range(h):
        row = []
        for x in range(w):
            t = y / (h - 1)
            bg = (int(18 + 30 * t), int(40 + 60 * t), int(100 + 70 * t))
            if x in (0, w - 1) or y in (0, h - 1):
                bg = (10, 22, 60)
            hits = sum(in_v(x + (i + 0.5) / 4, y + (j + 0.5) / 4) for i in range(4) for j in range(4))
            a = hits / 16
            gold = (250, int(200 - 60 * (y - 3) / 24), 40)
            c = tuple(int(round(bg[k] * (1 - a) + gold[k] * a)) for k in range(3))
            mx, my = x - tx0, y - ty0
            if 0 <= mx < len(mask) and 0 <= my < 7 and mask[mx][my] == "#":
                c = (255, 255, 255)
            elif 0 <= mx - 1 < len(mask) and 0 <= my - 1 < 7 and mask[mx - 1][my - 1] == "#":
                c = (8, 16, 40)  # shadow under the lettering
            row.append(c)
        img.append(row)
    return img


def main():
    os.makedirs(ROOT, exist_ok=True)
    write_ico("Mirovane.ico", [window_icon(size) for size in ICON_SIZES])
    write_bmp24("colour.bmp", strip(TOOLS, lambda c: c))
    write_bmp24("grey.bmp", strip(TOOLS[:6], greyed))
    # The same at 150 % and 200 % display scale.
    for size in (24, 32):
        write_bmp24("colour%d.bmp" % size, strip(TOOLS, lambda c: c, size))
        write_bmp24("grey%d.bmp" % size, strip(TOOLS[:6], greyed, size))
    write_bmp4("aboutside.bmp", about_side())
    write_bmp4("setupside.bmp", setup_side())
    write_bmp24("logo.bmp", logo())


if __name__ == "__main__":
    main()
