#!/bin/sh
# Seeds for the zip reader: small archives with stored and deflated entries, in both the plain
# and the 64-bit directory forms.
set -e
python3 - "$1" <<'PY'
import io, os, sys, zipfile
out = sys.argv[1]
def write(name, zip64):
    b = io.BytesIO()
    with zipfile.ZipFile(b, "w", allowZip64=True) as z:
        for i, method in enumerate((zipfile.ZIP_STORED, zipfile.ZIP_DEFLATED)):
            info = zipfile.ZipInfo(f"Assets/Logo.scale-{100 * (i + 1)}.png", (2020, 1, 1, 0, 0, 0))
            info.compress_type = method
            with z.open(info, "w", force_zip64=zip64) as f:
                f.write(bytes(range(64)) * (i + 2))
        z.writestr("AppxManifest.xml", "<Package/>")
    open(os.path.join(out, name), "wb").write(b.getvalue())
write("plain.zip", False)
write("zip64.zip", True)
PY
