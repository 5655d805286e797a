#!/usr/bin/env python3
"""Help compiler: turns the plain-text help sources in help/ into compiled HTML Help (.chm).

Source markup (one or more .txt files, compiled in the order given):
  # comment                        ignored (only at the start of a line)
  @helptitle TEXT                  the help file's title (once, before the first topic)
  @topic NAME NUMBER TITLE         starts a topic: page name (NAME.htm), context number, title
  @index WORDS; MORE WORDS         index entries that lead to the current topic
  @picture FILE.png TEXT           a picture from the source's folder, TEXT its description
  == TEXT                          a sub-heading
  - TEXT                           a list item (continuation lines belong to it)
  TEXT                             paragraph text; a blank line ends the paragraph
Inside text: **bold**, [[name]] or [[name|shown text]] links to the topic called name.

The pages, the stylesheet, the contents (.hhc), the index (.hhk) and the project (.hhp) are
written into a work folder, then chmcmd (Free Pascal's CHM compiler) compiles them. The compiler
stamps its output with the time of the build; both stamps are set to the source date afterwards,
so two builds of one commit give the same file.

Usage: helpc.py [--date-file FILE] [--work DIR] [--html-only] -o OUTPUT.chm SOURCE.txt...
A malformed source stops the build with "FILE:LINE: error: ..." and exit status 1.
"""
import html
import os
import re
import shutil
import struct
import subprocess
import sys
import tempfile

ENCODING = "cp1252"
NAME_RE = re.compile(r"^[A-Za-z0-9_.]+$")
PICTURE_RE = re.compile(r"^[A-Za-z0-9_.-]+\.png$")
STYLESHEET = "help.css"
WINDOW = "main"

CSS = """\
/* Varnholt Glyph Gatherer Help: system font, sizes relative to the reader's choice. */
html { font-size: 100%; }
body { font-family: "Segoe UI", Tahoma, Verdana, sans-serif; font-size: 0.85em; line-height: 1.45;
       color: #1e1e1e; background: #ffffff; margin: 0; padding: 0 1.6em 1.6em 1.6em; max-width: 46em; }
.product { font-size: 0.85em; color: #5a5a5a; margin: 0; padding: 1.1em 0 0 0; }
h1 { font-size: 1.7em; font-weight: 300; color: #1e1e1e; margin: 0.2em 0 0.6em 0; }
h2 { font-size: 1.2em; font-weight: 600; color: #1e1e1e; margin: 1.4em 0 0.4em 0; }
p { margin: 0 0 0.7em 0; }
ul { margin: 0 0 0.8em 0; padding-left: 1.5em; }
li { margin: 0 0 0.35em 0; }
a { color: #0063b1; text-decoration: none; }
a:hover { text-decoration: underline; }
b { font-weight: 600; }
.picture { margin: 0.4em 0 1em 0; }
.picture img { border: 1px solid #d0d0d0; max-width: 100%; height: auto; }
.picture p { font-size: 0.9em; color: #5a5a5a; margin: 0.3em 0 0 0; }
.back { border-top: 1px solid #e0e0e0; margin-top: 1.8em; padding-top: 0.6em; font-size: 0.9em; }
"""


class SourceError(Exception):
    def __init__(self, where, message):
        super().__init__(f"{where[0]}:{where[1]}: error: {message}")


class Topic:
    def __init__(self, name, number, title, where):
        self.name, self.number, self.title, self.where = name, number, title, where
        self.paragraphs = []  # (kind, runs or picture, where); kind: "text", "heading", "item", "picture"
        self.keywords = []

    @property
    def page(self):
        return self.name.lower() + ".htm"


# ---------------------------------------------------------------- source reading

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
            target, _, shown = text[m.end():end].partition("|")
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
                if directive == "@picture":
                    if topic is None:
                        raise SourceError(where, "@picture before the first @topic")
                    flush()
                    file, _, text = rest.partition(" ")
                    if not PICTURE_RE.match(file) or not text.strip():
                        raise SourceError(where, "expected '@picture FILE.png DESCRIPTION'")
                    full = os.path.join(os.path.dirname(os.path.abspath(path)), file)
                    if not os.path.isfile(full):
                        raise SourceError(where, f"picture '{file}' not found beside the source")
                    topic.paragraphs.append(("picture", (file, full, text.strip()), where))
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
    names, numbers, pictures = {}, {}, {}
    for t in topics:
        key = t.name.upper()
        if key in names:
            raise SourceError(t.where, f"context name '{t.name}' already used at line {names[key].where[1]}")
        names[key] = t
        if t.number in numbers:
            raise SourceError(t.where, f"context number {t.number} already used by '{numbers[t.number].name}'")
        numbers[t.number] = t
        if not t.paragraphs:
            raise SourceError(t.where, f"topic '{t.name}' has no text")
    for t in topics:
        for kind, body, where in t.paragraphs:
            if kind == "picture":
                # Two sources may not bring different pictures under one name.
                if pictures.setdefault(body[0].lower(), body[1]) != body[1]:
                    raise SourceError(where, f"a different picture '{body[0]}' is already used")
                continue
            for r in body:
                if r[0] == "jump" and r[1].upper() not in names:
                    raise SourceError(r[3], f"jump to unknown topic '{r[1]}'")


# ---------------------------------------------------------------- the pages

def esc(text):
    return html.escape(text, quote=True)


def render_runs(runs, by_name):
    out = []
    for r in runs:
        if r[0] == "text":
            out.append(esc(r[1]))
        elif r[0] == "bold":
            out.append(f"<b>{esc(r[1])}</b>")
        else:
            target = by_name[r[1].upper()]
            out.append(f'<a href="{target.page}">{esc(r[2] or target.title)}</a>')
    return "".join(out)


def render_page(help_title, topic, by_name):
    body = []
    in_list = False
    for kind, content, _ in topic.paragraphs:
        if kind == "item" and not in_list:
            body.append("<ul>")
            in_list = True
        elif kind != "item" and in_list:
            body.append("</ul>")
            in_list = False
        if kind == "item":
            body.append(f"<li>{render_runs(content, by_name)}</li>")
        elif kind == "heading":
            body.append(f"<h2>{render_runs(content, by_name)}</h2>")
        elif kind == "picture":
            file, _, text = content
            body.append(f'<div class="picture"><img src="{esc(file.lower())}" alt="{esc(text)}">'
                        f"<p>{esc(text)}</p></div>")
        else:
            body.append(f"<p>{render_runs(content, by_name)}</p>")
    if in_list:
        body.append("</ul>")
    keywords = "; ".join(topic.keywords)
    return (
        "<!DOCTYPE html>\n"
        "<html lang=\"en\">\n<head>\n"
        f'<meta http-equiv="Content-Type" content="text/html; charset=windows-1252">\n'
        '<meta http-equiv="X-UA-Compatible" content="IE=edge">\n'
        f'<meta name="keywords" content="{esc(keywords)}">\n'
        f"<title>{esc(topic.title)}</title>\n"
        f'<link rel="stylesheet" href="{STYLESHEET}">\n'
        "</head>\n<body>\n"
        f'<p class="product">{esc(help_title)}</p>\n'
        f"<h1>{esc(topic.title)}</h1>\n" + "\n".join(body) + "\n</body>\n</html>\n")


def sitemap_entry(name, targets):
    """One entry: its name, then the page it opens, or for several pages each page's title and page."""
    if len(targets) == 1:
        params = f'<param name="Local" value="{targets[0][1]}">'
    else:
        params = "".join(f'<param name="Name" value="{esc(t)}"><param name="Local" value="{p}">' for t, p in targets)
    return f'  <li><object type="text/sitemap"><param name="Name" value="{esc(name)}">{params}</object>\n'


def sitemap(items):
    return ('<!DOCTYPE HTML PUBLIC "-//IETF//DTD HTML//EN">\n<html>\n<head>\n'
            '<meta http-equiv="Content-Type" content="text/html; charset=windows-1252">\n</head>\n<body>\n'
            "<ul>\n" + "".join(items) + "</ul>\n</body>\n</html>\n")


def contents_file(topics):
    return sitemap(sitemap_entry(t.title, [(t.title, t.page)]) for t in topics)


def index_file(topics):
    words = {}
    for t in topics:
        for w in t.keywords:
            entry = words.setdefault(w.lower(), (w, []))
            if t not in entry[1]:
                entry[1].append(t)
    return sitemap(sitemap_entry(words[k][0], [(t.title, t.page) for t in words[k][1]]) for k in sorted(words))


def project_file(title, topics, pictures, output_name):
    front = topics[0].page
    lines = ["[OPTIONS]", "Compatibility=1.1 or later", f"Compiled file={output_name}", "Contents file=contents.hhc",
             "Index file=index.hhk", "Binary Index=No", f"Default topic={front}", f"Default Window={WINDOW}",
             "Display compile progress=No", "Full-text search=Yes", "Language=0x409 English (United States)",
             f"Title={title}", "", "[WINDOWS]",
             # Tri-pane viewer with the contents, index and search tabs; remembers its place.
             f'{WINDOW}="{title}","contents.hhc","index.hhk","{front}","{front}",,,,,0x63520,240,0x304e,'
             "[80,60,900,700],,,,,,,0",
             "", "[FILES]", STYLESHEET] + [t.page for t in topics] + sorted(pictures)
    return "\r\n".join(lines) + "\r\n"


def write_pages(title, topics, work):
    """Writes every input of the compiler into work; returns the project file's name."""
    by_name = {t.name.upper(): t for t in topics}
    pictures = {}
    for t in topics:
        for kind, content, _ in t.paragraphs:
            if kind == "picture":
                pictures[content[0].lower()] = content[1]
    files = {STYLESHEET: CSS, "contents.hhc": contents_file(topics), "index.hhk": index_file(topics)}
    for t in topics:
        files[t.page] = render_page(title, t, by_name)
    for name, text in files.items():
        with open(os.path.join(work, name), "w", encoding=ENCODING, newline="\r\n") as f:
            f.write(text)
    for name, source in pictures.items():
        shutil.copyfile(source, os.path.join(work, name))
    return pictures


# ---------------------------------------------------------------- compiling and stamping

def encint(data, pos):
    value = 0
    while True:
        b = data[pos]
        pos += 1
        value = (value << 7) | (b & 0x7F)
        if b < 0x80:
            return value, pos


def directory(data):
    """The file's directory: name -> (section, offset, length), from its listing chunks."""
    if data[:4] != b"ITSF" or struct.unpack_from("<I", data, 4)[0] != 3:
        raise ValueError("the compiler's output is not a version 3 ITSF file")
    dir_offset = struct.unpack_from("<Q", data, 0x48)[0]
    content = struct.unpack_from("<Q", data, 0x58)[0]
    if data[dir_offset:dir_offset + 4] != b"ITSP":
        raise ValueError("the compiler's output has no directory")
    head_len, chunk_size = struct.unpack_from("<I", data, dir_offset + 8)[0], struct.unpack_from(
        "<I", data, dir_offset + 0x10)[0]
    chunks = struct.unpack_from("<I", data, dir_offset + 0x2C)[0]
    entries = {}
    for c in range(chunks):
        at = dir_offset + head_len + c * chunk_size
        if data[at:at + 4] != b"PMGL":
            continue
        end = at + chunk_size - struct.unpack_from("<I", data, at + 4)[0]
        pos = at + 20
        while pos < end:
            n, pos = encint(data, pos)
            name = data[pos:pos + n].decode("utf-8")
            pos += n
            section, pos = encint(data, pos)
            offset, pos = encint(data, pos)
            length, pos = encint(data, pos)
            entries[name] = (section, offset, length)
    return entries, content


def stamp(data, seconds):
    """Sets the compile time in the header and in #SYSTEM to the source date."""
    out = bytearray(data)
    struct.pack_into(">I", out, 0x10, seconds & 0xFFFFFFFF)
    entries, content = directory(out)
    section, offset, length = entries.get("/#SYSTEM", (None, 0, 0))
    if section != 0:
        raise ValueError("the compiler's output has no #SYSTEM in its uncompressed section")
    pos, end = content + offset + 4, content + offset + length
    while pos + 4 <= end:
        code, size = struct.unpack_from("<HH", out, pos)
        if code == 10 and size >= 4:  # the compile time
            struct.pack_into("<I", out, pos + 4, seconds & 0xFFFFFFFF)
        pos += 4 + size
    return bytes(out)


def compile_chm(work, project, chm_name):
    r = subprocess.run(["chmcmd", "--no-html-scan", project], cwd=work, capture_output=True, text=True)
    built = os.path.join(work, chm_name)
    if r.returncode != 0 or not os.path.isfile(built):
        raise ValueError(f"chmcmd failed: {(r.stdout + r.stderr).strip()}")
    with open(built, "rb") as f:
        return f.read()


def main(argv):
    args = argv[1:]
    date_file, work, html_only = None, None, False
    while args and args[0].startswith("--"):
        if args[0] == "--html-only":
            html_only, args = True, args[1:]
        elif args[0] in ("--date-file", "--work") and len(args) >= 2:
            if args[0] == "--date-file":
                date_file = args[1]
            else:
                work = args[1]
            args = args[2:]
        else:
            break
    if len(args) < 3 or args[0] != "-o":
        print("usage: helpc.py [--date-file FILE] [--work DIR] [--html-only] -o OUTPUT.chm SOURCE.txt...",
              file=sys.stderr)
        return 2
    output, sources = args[1], args[2:]
    chm_name = os.path.basename(output)
    try:
        title, topics = read_sources(sources)
        # The file's date: the commit's (seconds in DATE_FILE), else the newest source's.
        if date_file:
            with open(date_file) as f:
                seconds = int(f.read().strip())
        else:
            seconds = max(int(os.path.getmtime(p)) for p in sources)
        with tempfile.TemporaryDirectory() as temp:
            folder = work or temp
            if work:
                shutil.rmtree(work, ignore_errors=True)
                os.makedirs(work)
            pictures = write_pages(title, topics, folder)
            if html_only:
                return 0
            project = "Mirovane.hhp"
            with open(os.path.join(folder, project), "w", encoding=ENCODING, newline="") as f:
                f.write(project_file(title, topics, pictures, chm_name))
            data = stamp(compile_chm(folder, project, chm_name), seconds)
    except SourceError as e:
        print(e, file=sys.stderr)
        return 1
    except (ValueError, OSError) as e:
        print(f"{sources[0]}: error: {e}", file=sys.stderr)
        return 1
    with open(output, "wb") as f:
        f.write(data)
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
