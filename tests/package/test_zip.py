#!/usr/bin/env python3
# Opens the portable zip and checks that it holds exactly the four files, each intact: the
# program and its help as built, and the two texts with Windows line ends.
# Usage: test_zip.py ZIP BUILD_DIR
import sys
import unittest
import zipfile

ZIP, BUILD = sys.argv[1], sys.argv[2]


class PortableZip(unittest.TestCase):
    def test_holds_the_four_files_intact(self):
        with zipfile.ZipFile(ZIP) as z:
            self.assertEqual(sorted(z.namelist()),
                             ["LICENSE.TXT", "Mirovane.exe", "Mirovane.hlp", "README.TXT"])
            self.assertIsNone(z.testzip())
            for name in ("Mirovane.exe", "Mirovane.hlp"):
                with open(f"{BUILD}/{name}", "rb") as built:
                    self.assertEqual(z.read(name), built.read(), name)
            licence = z.read("LICENSE.TXT").decode("ascii")
            readme = z.read("README.TXT").decode("ascii")
        self.assertIn("MIT License", licence)
        self.assertIn("Copyright (c) 2026 Varnholt", licence)
        for text in (licence, readme):
            self.assertNotIn("\n", text.replace("\r\n", ""))
        self.assertNotIn("@", readme)  # every placeholder filled in


if __name__ == "__main__":
    unittest.main(argv=sys.argv[:1])
