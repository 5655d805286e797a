"""The compiled help file read back with an independent reader (extract_chmLib of libchm-bin): a
page per topic of the sources, every link and picture inside resolves, the contents and the
index name every topic. The help compiler: two builds give the same bytes, and a malformed
source gets one clear error naming file and line, exit status 1, and no output file."""
import glob
import os
import re
import subprocess
import sys
import tempfile
import unittest

COMPILER, CHM, SOURCES = sys.argv[1:4]
del sys.argv[1:4]

GOOD = """@helptitle Test Help
@topic contents 0 Contents
Text with **bold** and a [[other|link]].
@topic other 3 Other
Back to [[contents]].
"""


def topics_of_sources():
    """(page, title) of every @topic line, read without the compiler."""
    found = []
    for path in sorted(glob.glob(os.path.join(SOURCES, "*.txt"))):
        with open(path, encoding="utf-8") as f:
            for line in f:
                m = re.match(r"@topic (\S+) \d+ (.+)$", line.rstrip())
                if m:
                    found.append((m.group(1).lower() + ".htm", m.group(2)))
    return found


class CompiledFile(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.temp = tempfile.TemporaryDirectory()
        cls.out = os.path.join(cls.temp.name, "chm")
        subprocess.run(["extract_chmLib", CHM, cls.out], check=True, capture_output=True)

    @classmethod
    def tearDownClass(cls):
        cls.temp.cleanup()

    def read(self, name):
        with open(os.path.join(self.out, name), encoding="cp1252") as f:
            return f.read()

    def test_a_page_per_topic_whose_links_and_pictures_resolve(self):
        topics = topics_of_sources()
        self.assertGreaterEqual(len(topics), 8)
        for page, title in topics:
            with self.subTest(page=page):
                text = self.read(page)
                self.assertIn(f"<title>{title}</title>", text.replace("&amp;", "&"))
                for target in re.findall(r'(?:href|src)="([^"]+)"', text):
                    self.assertTrue(os.path.isfile(os.path.join(self.out, target)), f"{page}: {target}")

    def test_contents_and_index_name_every_topic(self):
        contents, index = self.read("contents.hhc"), self.read("index.hhk")
        listed = re.findall(r'<param name="Local" value="([^"]+)">', contents)
        self.assertEqual(listed, [page for page, _ in topics_of_sources()])
        in_index = set(re.findall(r'<param name="Local" value="([^"]+)">', index))
        self.assertEqual(in_index, set(listed))
        for target in in_index:
            self.assertTrue(os.path.isfile(os.path.join(self.out, target)), target)


class Compiler(unittest.TestCase):
    def compile(self, text, date="1700000000"):
        with tempfile.TemporaryDirectory() as d:
            src, out, stamp = os.path.join(d, "topics.txt"), os.path.join(d, "out.chm"), os.path.join(d, "date")
            with open(src, "w", encoding="utf-8") as f:
                f.write(text)
            with open(stamp, "w") as f:
                f.write(date)
            r = subprocess.run([sys.executable, COMPILER, "--date-file", stamp, "-o", out, src], capture_output=True,
                               text=True)
            data = open(out, "rb").read() if os.path.exists(out) else None
            return r.returncode, r.stderr.replace(src, "topics.txt"), data

    def test_two_builds_give_the_same_file(self):
        code, err, first = self.compile(GOOD)
        self.assertEqual((code, err), (0, ""))
        self.assertEqual(self.compile(GOOD)[2], first)
        self.assertNotEqual(self.compile(GOOD, "1800000000")[2], first)

    def test_errors_name_file_and_line(self):
        cases = [
            (GOOD.replace("**bold**", "**bold"), 3, "'**' without a closing '**'"),
            (GOOD.replace("[[contents]]", "[[nowhere]]"), 5, "jump to unknown topic 'nowhere'"),
            (GOOD.replace("@topic other 3", "@topic Contents 3"), 4, "context name 'Contents' already used"),
            (GOOD.replace("Back to", "@picture nowhere.png The toolbar\nBack to"), 5,
             "picture 'nowhere.png' not found beside the source"),
            (GOOD.replace("Back to", "@index one;; two\nBack to"), 5, "empty index entry"),
            (GOOD.replace("Back to", "Back \u4e00 to"), 5, "character not in the Windows-1252 code page"),
        ]
        for text, line, message in cases:
            with self.subTest(message=message):
                code, err, data = self.compile(text)
                self.assertEqual(code, 1)
                self.assertIsNone(data)
                self.assertIn(f"topics.txt:{line}: error: {message}", err)
                self.assertEqual(err.count("\n"), 1, err)


if __name__ == "__main__":
    unittest.main()
