#!/usr/bin/env python3
"""Stages the files of one download and packs the portable zip, the same bytes on every build
of one commit: the program stripped of its symbol table, every file dated with the commit's
time (the installer keeps these dates too), the entries in the order given, with fixed
attributes.
Usage: pack.py DATE_FILE STRIP PROGRAM STAGE ZIP FILE...
  DATE_FILE  seconds since 1970 (cmake/SourceDate.cmake writes it)
  STRIP      the strip program of the program's compiler
  PROGRAM    the linked Mirovane.exe; staged and packed first
  STAGE      the folder to stage into (the installer packs from there)
  FILE...    further files, staged and packed by their names, in this order; further
             programs (.exe, .com) are stripped as PROGRAM is"""
import os
import shutil
import subprocess
import sys
import time
import zipfile

# The oldest date a zip entry can hold.
ZIP_EPOCH = 315532800  # 1980-01-01


def main(argv):
    if len(argv) < 6:
        print(__doc__, file=sys.stderr)
        return 2
    date_file, strip, program, stage, out, *files = argv[1:]
    with open(date_file) as f:
        stamp = max(int(f.read().strip()), ZIP_EPOCH)
    os.makedirs(stage, exist_ok=True)
    names = []
    for path in [program] + files:
        names.append(os.path.basename(path))
        if path.lower().endswith((".exe", ".com")):
            # strip writes the date into the program's header: the same one, not the time of day.
            subprocess.run([strip, "--strip-all", "-o", os.path.join(stage, names[-1]), path], check=True,
                           env=dict(os.environ, SOURCE_DATE_EPOCH=str(stamp)))
        else:
            shutil.copyfile(path, os.path.join(stage, names[-1]))
    for name in names:
        staged = os.path.join(stage, name)
        os.chmod(staged, 0o644)
        os.utime(staged, (stamp, stamp))

    date_time = time.gmtime(stamp)[:6]
    partial = out + ".part"
    with zipfile.ZipFile(partial, "w") as z:
        for name in names:
            entry = zipfile.ZipInfo(name, date_time)
            entry.create_system = 0  # made on "MS-DOS": no Unix owner or permissions inside
            entry.external_attr = 0x20  # the archive attribute, as Windows sets it
            entry.compress_type = zipfile.ZIP_DEFLATED
            with open(os.path.join(stage, name), "rb") as f:
                z.writestr(entry, f.read(), compresslevel=9)
    os.replace(partial, out)
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
