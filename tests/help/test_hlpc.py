"""The help compiler's answers to malformed sources: one clear error naming file and line,
exit status 1, and no output file; a well-formed source still compiles."""
import os
import subprocess
import sys
import tempfile
import unittest

COMPILER = sys.argv.pop(1) if len(sys.argv) > 1 else os.path.join(os.path.dirname(__file__), "../../tools/hlpc.py")

GOOD = """@helptitle Test Help
@topic contents 0 Contents
Text with **bold** and a [[other|jump]].
@topic other 3 Other
Back to [[contents]].
"""


class Compiler(unittest.TestCase):
    def compile(self, text):
        with tempfile.TemporaryDirectory() as d:
            src, out = os.path.join(d, "topics.txt"), os.path.join(d, "out.hlp")
            with open(src, "w", encoding="utf-8") as f:
                f.write(text)
            r = subprocess.run([sys.executable, COMPILER, "-o", out, src], capture_output=True, text=True)
            return r.returncode, r.stderr.replace(src, "topics.txt"), os.path.exists(out)

    def test_good_source_compiles(self):
        self.assertEqual(self.compile(GOOD), (0, "", True))

    def test_errors_name_file_and_line(self):
        cases = [
            (GOOD.replace("**bold**", "**bold"), 3, "'**' without a closing '**'"),
            (GOOD.replace("[[other|jump]]", "[[other|jump"), 3, "'[[' without a closing ']]'"),
            (GOOD.replace("[[contents]]", "[[nowhere]]"), 5, "jump to unknown topic 'nowhere'"),
            (GOOD.replace("@topic other 3", "@topic other 0"), 4, "context number 0 already used"),
            (GOOD.replace("@topic other 3", "@topic Contents 3"), 4, "context name 'Contents' already used"),
            (GOOD.replace("@topic other 3 Other", "@topic other"), 4, "expected '@topic NAME NUMBER TITLE'"),
            (GOOD.replace("@topic other 3", "@topic oth-er 3"), 4, "bad context name"),
            (GOOD.replace("@topic other 3", "@topic other three"), 4, "bad context number"),
            (GOOD.replace("Back to", "@picture x\nBack to"), 5, "unknown directive '@picture'"),
            (GOOD.replace("Back to", "word " * 1000 + "\nBack to"), 5, "paragraph too long"),
            (GOOD.replace("Test Help", "Help " * 11), 1, "@helptitle longer than 50 characters"),
            (GOOD.replace("Back to", "@index one;; two\nBack to"), 5, "empty index entry"),
            ("Loose text\n" + GOOD, 1, "text before the first @topic"),
            (GOOD.replace("Back to", "Back \u4e00 to"), 5, "character not in the Windows-1252 code page"),
        ]
        for text, line, message in cases:
            with self.subTest(message=message):
                code, err, written = self.compile(text)
                self.assertEqual(code, 1)
                self.assertFalse(written)
                self.assertIn(f"topics.txt:{line}: error: {message}", err)
                self.assertEqual(err.count("\n"), 1, err)


if __name__ == "__main__":
    unittest.main()
