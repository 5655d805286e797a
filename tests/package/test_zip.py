#!/usr/bin/env python3
# Opens the portable zip and checks that it holds exactly the six files, each intact: the
# program and its console twin as built (less their symbol tables) and its help, the two texts with Windows line
# ends, and the empty settings file that makes the unpacked program portable.  Usage: test_zip.py ZIP BUILD_DIR STRIP
import os
import struct
import subprocess
import sys
import tempfile
import unittest
import zipfile

ZIP, BUILD, STRIP = sys.argv[1:4]


def without_stamps(pe):
    """The program with the two header fields that stripping rewrites (the time stamp and
    the check sum) blanked."""
    pe = bytearray(pe)
    header = struct.unpack_from("<I", pe, 0x3C)[0]
    pe[header + 8:header + 12] = bytes(4)
    pe[header + 88:header + 92] = bytes(4)
    return bytes(pe)


def built(name):
    if name not in ("Mirovane.exe", "Mirovane.com"):
        with open(os.path.join(BUILD, name), "rb") as f:
            return f.read()
    with tempfile.TemporaryDirectory() as tmp:
        out = os.path.join(tmp, name)
        subprocess.run([STRIP, "--strip-all", "-o", out, os.path.join(BUILD, name)], check=True)
        with open(out, "rb") as f:
            return without_stamps(f.read())


class PortableZip(unittest.TestCase):
    def test_holds_the_six_files_intact(self):
        with zipfile.ZipFile(ZIP) as z:
            self.assertEqual(sorted(z.namelist()),
                             ["LICENSE.TXT", "Mirovane.chm", "Mirovane.com", "Mirovane.exe", "Mirovane.ini", "README.TXT"])
            self.assertEqual(z.read("Mirovane.ini"), b"")
            self.assertIsNone(z.testzip())
            for program in ("Mirovane.exe", "Mirovane.com"):
                self.assertTrue(without_stamps(z.read(program)) == built(program), program)
            self.assertTrue(z.read("Mirovane.chm") == built("Mirovane.chm"))
            licence = z.read("LICENSE.TXT").decode("ascii")
            readme = z.read("README.TXT").decode("ascii")
        self.assertIn("MIT License", licence)
        self.assertIn("Copyright (c) 2026 Varnholt", licence)
        for text in (licence, readme):
            self.assertNotIn("\n", text.replace("\r\n", ""))
        self.assertNotIn("@", readme)  # every placeholder filled in


if __name__ == "__main__":
    unittest.main(argv=sys.argv[:1])
