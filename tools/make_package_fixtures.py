#!/usr/bin/env python3
"""Writes Store app packages and an installer from our own bytes, for the package tests:
OUT/app, an installed package folder (a manifest and logo variants by scale, target size, theme
and contrast, in file and folder form, beside decoys that are no variants); OUT/Sample.msix, the
same package as one zip; OUT/Sample.msixbundle, an application package and a scale-400 resource
package that together hold the same files; OUT/Sample.msi, an installer whose Icon table holds an
.ico and a library of two icon groups, made with wixl, and OUT/msi-rows, the bytes of those rows.
OUT/damaged holds broken variants of them, OUT/damaged/README.txt says what each one is.
Every run gives the same bytes.

Usage: make_package_fixtures.py OUT
"""
import base64
import hashlib
import os
import random
import re
import shutil
import struct
import subprocess
import sys
import tempfile
import time
import zlib

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from icon_formats import ico_file, pe_file, png_image  # noqa: E402

# ---- The package

FOUNDATION = "http://schemas.microsoft.com/appx/manifest/foundation/windows10"
UAP = "http://schemas.microsoft.com/appx/manifest/uap/windows10"
IDENTITY = 'Name="Varnholt.GlyphSample" Publisher="CN=Varnholt" Version="1.0.0.0"'

# (path in the package, edge). Every file gets its own seed, so no two are alike.
ASSETS = [
    ("Assets/StoreLogo.scale-100.png", 50),
    ("Assets/StoreLogo.scale-200.png", 100),
    ("Assets/scale-400/StoreLogo.png", 200),
    ("Assets/Square44x44Logo.scale-100.png", 44),
    ("Assets/Square44x44Logo.scale-200.png", 88),
    ("Assets/Square44x44Logo.targetsize-16.png", 16),
    ("Assets/Square44x44Logo.targetsize-32.png", 32),
    ("Assets/Square44x44Logo.targetsize-48.png", 48),
    ("Assets/Square44x44Logo.targetsize-256.png", 256),
    ("Assets/Square44x44Logo.targetsize-16_altform-unplated.png", 16),
    ("Assets/Square44x44Logo.targetsize-48_altform-unplated.png", 48),
    ("Assets/Square44x44Logo.targetsize-48_altform-lightunplated.png", 48),
    ("Assets/contrast-high/Square44x44Logo.scale-100.png", 44),
    ("Assets/Square150x150Logo.scale-100.png", 150),
    ("Assets/scale-200/Square150x150Logo.png", 300),
    # Decoys: a longer name that starts like a logo's, and an unrelated image.
    ("Assets/Square44x44LogoWide.scale-100.png", 44),
    ("Assets/Other.png", 32),
]
# The scale-400 resource package of the bundle holds these; the application package the rest.
RESOURCE_FILES = ["Assets/scale-400/StoreLogo.png", "Assets/scale-200/Square150x150Logo.png"]
LOGOS = ("Assets\\StoreLogo.png", "Assets\\Square44x44Logo.png", "Assets\\Square150x150Logo.png")


def manifest(logo=LOGOS[0], square44=LOGOS[1], square150=LOGOS[2], padding=""):
    return f"""<?xml version="1.0" encoding="utf-8"?>
<Package xmlns="{FOUNDATION}" xmlns:uap="{UAP}" IgnorableNamespaces="uap">
  <Identity {IDENTITY} ProcessorArchitecture="x64"/>{padding}
  <Properties>
    <DisplayName>ms-resource:PackageDisplayName</DisplayName>
    <PublisherDisplayName>Varnholt</PublisherDisplayName>
    <Logo>{logo}</Logo>
  </Properties>
  <Dependencies>
    <TargetDeviceFamily Name="Windows.Desktop" MinVersion="10.0.17763.0" MaxVersionTested="10.0.22621.0"/>
  </Dependencies>
  <Resources>
    <Resource Language="en-us"/>
  </Resources>
  <Applications>
    <Application Id="App" Executable="Sample.exe" EntryPoint="Sample.App">
      <uap:VisualElements DisplayName="Glyph Sample" Description="Sample" BackgroundColor="transparent" \
Square150x150Logo="{square150}" Square44x44Logo="{square44}"><uap:DefaultTile/></uap:VisualElements>
    </Application>
  </Applications>
</Package>
""".encode()


RESOURCE_MANIFEST = f"""<?xml version="1.0" encoding="utf-8"?>
<Package xmlns="{FOUNDATION}" xmlns:uap="{UAP}" IgnorableNamespaces="uap">
  <Identity {IDENTITY} ProcessorArchitecture="neutral" ResourceId="scale-400"/>
  <Properties>
    <DisplayName>ms-resource:PackageDisplayName</DisplayName>
    <PublisherDisplayName>Varnholt</PublisherDisplayName>
    <Logo>{LOGOS[0]}</Logo>
  </Properties>
  <Dependencies>
    <TargetDeviceFamily Name="Windows.Desktop" MinVersion="10.0.17763.0" MaxVersionTested="10.0.22621.0"/>
  </Dependencies>
  <Resources>
    <Resource uap:Scale="400"/>
  </Resources>
</Package>
""".encode()

PACKAGE_TYPES = b"""<?xml version="1.0" encoding="UTF-8"?>
<Types xmlns="http://schemas.openxmlformats.org/package/2006/content-types">\
<Default Extension="png" ContentType="image/png"/><Default Extension="exe" ContentType="application/x-msdownload"/>\
<Override PartName="/AppxManifest.xml" ContentType="application/vnd.ms-appx.manifest+xml"/>\
<Override PartName="/AppxBlockMap.xml" ContentType="application/vnd.ms-appx.blockmap+xml"/>\
<Override PartName="/AppxSignature.p7x" ContentType="application/vnd.ms-appx.signature"/></Types>"""

BUNDLE_TYPES = b"""<?xml version="1.0" encoding="UTF-8"?>
<Types xmlns="http://schemas.openxmlformats.org/package/2006/content-types">\
<Default Extension="msix" ContentType="application/vnd.ms-appx"/>\
<Default Extension="msixbundle" ContentType="application/vnd.ms-appx.bundle"/>\
<Override PartName="/AppxMetadata/AppxBundleManifest.xml" ContentType="application/vnd.ms-appx.bundlemanifest+xml"/>\
<Override PartName="/AppxBlockMap.xml" ContentType="application/vnd.ms-appx.blockmap+xml"/></Types>"""

SIGNATURE = b"PKCX\x30\x82\x00\x10" + bytes(range(16))
SAMPLE_EXE = b"\x00\x01junk, not a program\x7f\xfe"


def block_map(files):
    """A block map: each file's 64 KB blocks by their SHA-256, names as packages write them."""
    out = ['<?xml version="1.0" encoding="UTF-8"?>\n<BlockMap xmlns="http://schemas.microsoft.com/appx/2010/'
           'blockmap" HashMethod="http://www.w3.org/2001/04/xmlenc#sha256">']
    for name, data in files:
        win = name.replace("/", "\\")
        out.append(f'<File Name="{win}" Size="{len(data)}" LfhSize="{30 + len(name.encode())}">')
        for at in range(0, max(len(data), 1), 65536):
            digest = base64.b64encode(hashlib.sha256(data[at:at + 65536]).digest()).decode()
            out.append(f'<Block Hash="{digest}"/>')
        out.append("</File>")
    out.append("</BlockMap>\n")
    return "\n".join(out).encode()


def app_files():
    """The installed package's files by path, the manifest first."""
    files = {"AppxManifest.xml": manifest(), "Sample.exe": SAMPLE_EXE}
    for seed, (path, edge) in enumerate(ASSETS, 1):
        files[path] = png_image(edge, seed * 5)
    return files


# ---- Zip archives, written by hand so that damaged ones can lie in any field

STORED, DEFLATED = 0, 8
DOS_TIME, DOS_DATE = 0, (1 << 5) | 1  # 1980-01-01 00:00: a fixed time keeps the bytes the same


def deflate(data):
    c = zlib.compressobj(9, zlib.DEFLATED, -15)
    return c.compress(data) + c.flush()


def member(name, data, method=DEFLATED, **lies):
    """A zip entry: its name, method, compressed bytes, check sum and size. lies overrides
    fields as written: local_name, local_method, flags, csize, usize, crc, offset, extra."""
    comp = data if method == STORED else deflate(data)
    m = {"name": name, "method": method, "comp": comp, "crc": zlib.crc32(data) & 0xFFFFFFFF, "usize": len(data)}
    m.update(lies)
    return m


def build_zip(members, eocd=None):
    """The zip's bytes and where its parts are: each name's local header offset, the central
    directory's offset and the end record's. eocd overrides the end record's count, size, offset."""
    out, central, where = bytearray(), bytearray(), {}
    for m in members:
        name = m["name"].encode()
        local_name = m.get("local_name", m["name"]).encode()
        extra = m.get("extra", b"")
        csize = m.get("csize", len(m["comp"]))
        offset = len(out)
        where[m["name"]] = offset
        out += struct.pack("<IHHHHHIIIHH", 0x04034B50, 20, m.get("flags", 0), m.get("local_method", m["method"]),
                           DOS_TIME, DOS_DATE, m["crc"], csize, m["usize"], len(local_name), len(extra))
        out += local_name + extra + m["comp"]
        central += struct.pack("<IHHHHHHIIIHHHHHII", 0x02014B50, 20, 20, m.get("flags", 0), m["method"], DOS_TIME,
                               DOS_DATE, m["crc"], csize, m["usize"], len(name), len(extra), 0, 0, 0, 0,
                               m.get("offset", offset)) + name + extra
    cd_at = len(out)
    out += central
    count = len(members)
    if count > 0xFFFF:  # more entries than the end record can count: a zip64 end record and locator
        z64_at = len(out)
        out += struct.pack("<IQHHIIQQQQ", 0x06064B50, 44, 45, 45, 0, 0, count, count, len(central), cd_at)
        out += struct.pack("<IIQI", 0x07064B50, 0, z64_at, 1)
        count = 0xFFFF
    e = {"count": count, "size": len(central), "offset": cd_at}
    e.update(eocd or {})
    eocd_at = len(out)
    out += struct.pack("<IHHHHIIH", 0x06054B50, 0, 0, e["count"], e["count"], e["size"], e["offset"], 0)
    return bytes(out), {"local": where, "central": cd_at, "eocd": eocd_at}


def package_members(files, stored=()):
    """A package's entries: its files, then the block map, content types and signature."""
    names = list(files)
    blocks = block_map([(n, files[n]) for n in names])
    ms = [member(n, files[n], STORED if n in stored else DEFLATED) for n in names]
    ms += [member("AppxBlockMap.xml", blocks), member("[Content_Types].xml", PACKAGE_TYPES)]
    if "AppxSignature.p7x" not in files:
        ms.append(member("AppxSignature.p7x", SIGNATURE, STORED))
    return ms


# The manifest and the store logos are stored, the rest deflated, as packers choose per file.
MSIX_STORED = {"AppxManifest.xml"} | {p for p, _ in ASSETS if "StoreLogo" in p}


def msix(files, **replace):
    """A package of the files; replace gives some entries other members (None drops them)."""
    ms = []
    for m in package_members(files, MSIX_STORED):
        r = replace.get(m["name"], m)
        if r is not None:
            ms.append(r)
    return build_zip(ms)


def bundle_manifest(packages, offsets):
    rows = []
    for (name, data, kind, attrs, resources), at in zip(packages, offsets):
        rows.append(f'    <Package Type="{kind}" Version="1.0.0.0" {attrs}FileName="{name}" Offset="{at}" '
                    f'Size="{len(data)}">\n      <Resources>{resources}</Resources>\n    </Package>')
    return (f'<?xml version="1.0" encoding="UTF-8"?>\n<Bundle xmlns="http://schemas.microsoft.com/appx/2013/bundle" '
            f'SchemaVersion="5.0">\n  <Identity {IDENTITY}/>\n  <Packages>\n' + "\n".join(rows) +
            "\n  </Packages>\n</Bundle>\n").encode()


def bundle(packages):
    """A bundle: the packages stored first, then the manifest that gives their offsets (of
    their data, past each local header), the block map, content types and signature."""
    ms = [member(name, data, STORED) for name, data, *_ in packages]
    at, offsets = 0, []
    for m in ms:
        offsets.append(at + 30 + len(m["name"].encode()))
        at = offsets[-1] + len(m["comp"])
    bm = bundle_manifest(packages, offsets)
    blocks = block_map([(p[0], p[1]) for p in packages] + [("AppxMetadata/AppxBundleManifest.xml", bm)])
    ms += [member("AppxMetadata/AppxBundleManifest.xml", bm), member("AppxBlockMap.xml", blocks),
           member("[Content_Types].xml", BUNDLE_TYPES), member("AppxSignature.p7x", SIGNATURE, STORED)]
    data, where = build_zip(ms)
    assert [where["local"][p[0]] + 30 + len(p[0].encode()) for p in packages] == offsets
    return data


def sample_bundle(files, app_package=None):
    app = {n: d for n, d in files.items() if n not in RESOURCE_FILES}
    res = {"AppxManifest.xml": RESOURCE_MANIFEST}
    res.update({n: files[n] for n in RESOURCE_FILES})
    if app_package is None:
        app_package = build_zip(package_members(app, MSIX_STORED))[0]
    res_package = build_zip(package_members(res, MSIX_STORED)[:-1])[0]  # resource packages: no signature
    return bundle([
        ("Sample_1.0.0.0_x64.msix", app_package, "application", 'Architecture="x64" ',
         '<Resource Language="en-us"/><Resource Scale="100"/>'),
        ("Sample_1.0.0.0_scale-400.msix", res_package, "resource", 'ResourceId="scale-400" ',
         '<Resource Scale="400"/>'),
    ])


# ---- The installer

MSI_ICONS = [(16, 32), (32, 32), (48, 32), (256, "png")]
MSI_TOOL_GROUPS = [(1, [(16, 32), (32, 32)]), (2, [(48, 32), (32, 4)])]
FIXED_TIME = 1577836800  # 2020-01-01, for the cabinet's file times and the summary's dates
GUID = "{6A4F3C2E-1B7D-4E59-9A21-0C8D5E%06X}"
WXS = """<?xml version="1.0" encoding="utf-8"?>
<Wix xmlns="http://schemas.microsoft.com/wix/2006/wi">
  <Product Id="%s" Name="Glyph Sample" Language="1033" Version="1.0.0" Manufacturer="Varnholt" UpgradeCode="%s">
    <Package InstallerVersion="200" Compressed="yes" Description="Glyph Sample" Comments="Icon table sample"/>
    <Media Id="1" Cabinet="sample.cab" EmbedCab="yes"/>
    <Icon Id="AppIcon.ico" SourceFile="AppIcon.ico"/>
    <Icon Id="ToolIcon.exe" SourceFile="ToolIcon.exe"/>
    <Property Id="ARPPRODUCTICON" Value="AppIcon.ico"/>
    <Directory Id="TARGETDIR" Name="SourceDir">
      <Directory Id="ProgramFilesFolder">
        <Directory Id="INSTALLDIR" Name="Glyph Sample">
          <Component Id="Main" Guid="%s">
            <File Id="readme" Name="readme.txt" Source="readme.txt" KeyPath="yes">
              <Shortcut Id="ReadmeShortcut" Directory="INSTALLDIR" Name="Readme" Icon="ToolIcon.exe" Advertise="yes"/>
            </File>
          </Component>
        </Directory>
      </Directory>
    </Directory>
    <Feature Id="Main" Level="1"><ComponentRef Id="Main"/></Feature>
  </Product>
</Wix>
""" % (GUID % 1, GUID % 2, GUID % 3)


def msi_rows():
    return {"AppIcon.ico": ico_file(MSI_ICONS, 100)[0], "ToolIcon.exe": pe_file(MSI_TOOL_GROUPS, 120)[0]}


def filetime(unix):
    return int((unix + 11644473600) * 10 ** 7)


def sample_msi(rows):
    """The installer as wixl builds it, with the summary's revision number and dates (the run's
    own random and clock values) set to fixed ones in place, so every run gives the same bytes."""
    if not shutil.which("wixl"):
        sys.exit("wixl is missing (tools/deps.sh installs it)")
    with tempfile.TemporaryDirectory() as tmp:
        files = dict(rows)
        files["readme.txt"] = b"Glyph Sample\r\n"
        files["sample.wxs"] = WXS.encode()
        for name, data in files.items():
            path = os.path.join(tmp, name)
            with open(path, "wb") as f:
                f.write(data)
            os.utime(path, (FIXED_TIME, FIXED_TIME))
        before = time.time()
        subprocess.run(["wixl", "-o", "Sample.msi", "sample.wxs"], cwd=tmp, check=True)
        after = time.time()
        with open(os.path.join(tmp, "Sample.msi"), "rb") as f:
            msi = bytearray(f.read())
    ours = {(GUID % k).encode() for k in (1, 2, 3)}
    uuids = [m for m in re.finditer(rb"\{[0-9A-F]{8}-[0-9A-F]{4}-[0-9A-F]{4}-[0-9A-F]{4}-[0-9A-F]{12}\}", msi, re.I)
             if m.group().upper() not in ours]
    if len(uuids) != 1:
        sys.exit(f"wixl wrote {len(uuids)} revision numbers, not one: cannot make the installer the same each run")
    msi[uuids[0].start():uuids[0].end()] = (GUID % 4).encode()
    # VT_FILETIME values of this run's clock (a day's leeway either way for the time zone).
    low, high = filetime(before - 86400), filetime(after + 86400)
    dates = [m.start() + 4 for m in re.finditer(rb"\x40\x00\x00\x00", msi)
             if low <= struct.unpack_from("<Q", msi, m.start() + 4)[0] <= high]
    if not dates:
        sys.exit("wixl wrote no summary dates where they were looked for: cannot make the installer the same each run")
    for at in dates:
        struct.pack_into("<Q", msi, at, filetime(FIXED_TIME))
    return bytes(msi)


# ---- Damage


def bomb():
    """300 MB of zeros, deflated a megabyte at a time: quick, and small in memory."""
    c = zlib.compressobj(9, zlib.DEFLATED, -15)
    chunk = bytes(1 << 20)
    parts, crc = [], 0
    for _ in range(300):
        parts.append(c.compress(chunk))
        crc = zlib.crc32(chunk, crc)
    parts.append(c.flush())
    return b"".join(parts), crc & 0xFFFFFFFF, 300 << 20


def bmp_file(edge):
    """A 32-bit bitmap file, for an entry named .png that is none."""
    pixels = b"".join(bytes((x * 7 & 0xFF, y * 5 & 0xFF, 0x80, 0xFF)) for y in range(edge) for x in range(edge))
    head = struct.pack("<IiiHHIIiiII", 40, edge, edge, 1, 32, 0, len(pixels), 2835, 2835, 0, 0)
    return b"BM" + struct.pack("<IHHI", 14 + len(head) + len(pixels), 0, 0, 14 + len(head)) + head + pixels


def idat_at(png):
    at = 8
    while png[at + 4:at + 8] != b"IDAT":
        at += 12 + struct.unpack_from(">I", png, at)[0]
    return at


def damaged_files(files, good_msix, good_bundle, msi):
    rnd = random.Random(4711)
    out = {}

    def put(name, data, what):
        assert name not in out, name
        out[name] = (bytes(data), what)

    def patched(data, at, fmt, *values):
        b = bytearray(data)
        struct.pack_into(fmt, b, at, *values)
        return b

    n = len(good_msix)
    _, where = msix(files)
    cd, eocd = where["central"], where["eocd"]
    for cut, label, what in [(0, "empty", "empty"), (8, 8, "8 bytes"), (100, 100, "100 bytes"),
                             (n // 2, "half", "half"),
                             (n - 1, "last-byte", "all but the last byte"),
                             (cd, "before-central", "just before the central directory"),
                             (eocd, "before-eocd", "just before the end record")]:
        put(f"msix-cut-{label}.msix", good_msix[:cut], f"Sample.msix cut to {what}")
    for label, fields, what in [("count", {"count": 0xFFFF}, "entry count 65535"),
                                ("offset", {"offset": 0xFFFFFFF0}, "directory offset 0xFFFFFFF0"),
                                ("size", {"size": 0xFFFFFFF0}, "directory size 0xFFFFFFF0"),
                                ("all", {"count": 0xFFFF, "offset": 0xFFFFFFF0, "size": 0xFFFFFFF0},
                                 "entry count, directory offset and size all huge")]:
        ms = package_members(files, MSIX_STORED)
        put(f"eocd-{label}-huge.msix", build_zip(ms, eocd=fields)[0], f"end record: {what}")

    def one(name, **lies):
        m = member(name, files[name], STORED if name in MSIX_STORED else DEFLATED, **lies)
        return msix(files, **{name: m})[0]

    logo44 = "Assets/Square44x44Logo.targetsize-48.png"
    logo256 = "Assets/Square44x44Logo.targetsize-256.png"
    store = "Assets/StoreLogo.scale-100.png"
    put("central-offset-past-end-manifest.msix", one("AppxManifest.xml", offset=n + 4096),
        "the manifest's central entry points past the end of the file")
    put("central-offset-past-end-png.msix", one(logo44, offset=n + 4096),
        f"{logo44}: central entry points past the end of the file")
    put("local-name-differs.msix", one(logo44, local_name="Assets/Mismatch.targetsize-48.png"),
        f"{logo44}: its local header gives another name")
    put("local-method-stored.msix", one(logo44, local_method=STORED),
        f"{logo44}: deflated by the central entry, stored by the local header")
    put("local-method-deflated.msix", one(store, local_method=DEFLATED),
        f"{store}: stored by the central entry, deflated by the local header")
    put("entry-4gb-png.msix", one(logo256, usize=0xFFFFFFFE),
        f"{logo256}: claims 4 GB uncompressed")
    put("entry-4gb-zip64-manifest.msix",
        one("AppxManifest.xml", usize=0xFFFFFFFF, extra=struct.pack("<HHQ", 1, 8, 1 << 32)),
        "the manifest claims 4 GB uncompressed in a zip64 extra field")
    m = member(logo256, files[logo256], DEFLATED)
    m["method"] = 99
    put("method-99.msix", msix(files, **{logo256: m})[0], f"{logo256}: compression method 99")
    put("encrypted-png.msix", one(logo256, flags=1), f"{logo256}: the encrypted flag set")
    put("encrypted-manifest.msix", one("AppxManifest.xml", flags=1), "the manifest: the encrypted flag set")
    comp, crc, size = bomb()
    honest = {"name": store, "method": DEFLATED, "comp": comp, "crc": crc, "usize": size}
    put("bomb-honest.msix", msix(files, **{store: honest})[0],
        f"{store}: 300 MB of zeros deflated, the size declared")
    lying = dict(honest, usize=1024, crc=zlib.crc32(bytes(1024)) & 0xFFFFFFFF)
    put("bomb-lying.msix", msix(files, **{store: lying})[0], f"{store}: declares 1 KB, inflates to 300 MB")
    m = member(logo256, files[logo256], DEFLATED)
    comp = bytearray(m["comp"])
    for k in range(16):
        comp[len(comp) // 2 + k] ^= 0xA5
    m["comp"] = bytes(comp)
    put("deflate-flipped.msix", msix(files, **{logo256: m})[0], f"{logo256}: 16 bytes of its deflate data flipped")
    filler = [member(f"f/{k:05d}", b"", STORED) for k in range(70000)]
    put("entries-70000.msix", build_zip(package_members(files, MSIX_STORED) + filler)[0],
        "70,000 central entries (tiny stored ones after the package's, counted by a zip64 end record)")

    def with_manifest(data, method=STORED):
        return msix(files, **{"AppxManifest.xml": member("AppxManifest.xml", data, method)})[0]

    put("manifest-garbage.msix", with_manifest(bytes(rnd.randrange(256) for _ in range(4096))),
        "the manifest is 4 KB of random bytes")
    text = manifest()
    put("manifest-unclosed.msix", with_manifest(text[:text.rindex(b"</Package>")]),
        "the manifest's root element is never closed")
    put("manifest-missing-files.msix",
        with_manifest(manifest("Assets\\NoStoreLogo.png", "Assets\\NoSquare44.png", "Assets\\NoSquare150.png")),
        "the manifest names logos no file of the package is a variant of")
    put("manifest-logo-self.msix", with_manifest(manifest("AppxManifest.xml", "AppxManifest.xml", "AppxManifest.xml")),
        "every logo of the manifest is AppxManifest.xml itself")
    put("manifest-20mb.msix", with_manifest(manifest(padding="\n  <!-- padding -->" * ((20 << 20) // 19)), DEFLATED),
        "a well-formed manifest of 20 MB (comments), deflated")
    put("manifest-absent.msix", msix(files, **{"AppxManifest.xml": None})[0], "no AppxManifest.xml entry")
    for label, path in [("dotdot", "..\\..\\outside.png"), ("drive", "C:\\Windows\\x.png"),
                        ("unc", "\\\\server\\share\\x.png")]:
        put(f"logo-escape-{label}.msix", with_manifest(manifest(path, path, path)),
            f"every logo of the manifest is {path}")
    ms = [member("AppxManifest.xml", manifest("..\\outside.png"), STORED),
          member("../outside.png", png_image(50, 201), STORED),
          member("../outside.scale-100.png", png_image(50, 202), STORED)]
    ms += [m for m in package_members(files, MSIX_STORED) if m["name"] != "AppxManifest.xml"]
    zs = build_zip(ms)[0]
    put("zip-entry-escape.msix", zs,
        "entries named ../outside.png and ../outside.scale-100.png, the Logo ..\\outside.png")
    png = files[logo256]
    put("png-cut.msix", msix(files, **{logo256: member(logo256, png[:len(png) // 2])})[0],
        f"{logo256}: cut to half")
    at = idat_at(files[logo44])
    bad = bytearray(files[logo44])
    bad[at + 8 + struct.unpack_from(">I", bad, at)[0]] ^= 0xFF
    put("png-bad-crc.msix", msix(files, **{logo44: member(logo44, bad)})[0], f"{logo44}: its IDAT check sum wrong")
    name32 = "Assets/Square44x44Logo.targetsize-32.png"
    put("png-is-bmp.msix", msix(files, **{name32: member(name32, bmp_file(32))})[0],
        f"{name32}: a 32 x 32 BMP file")
    put("Sample.eappx", good_msix, "Sample.msix under an encrypted package's name")
    put("Sample.emsix", good_msix, "Sample.msix under an encrypted package's name")
    put("encrypted-header.msix", b"EXPH" + good_msix[4:],
        "an encrypted package's header under a plain package's name")
    app = {k: v for k, v in files.items() if k not in RESOURCE_FILES}
    inner = build_zip(package_members(app, MSIX_STORED))[0]
    put("bundle-inner-cut.msixbundle", sample_bundle(files, inner[:len(inner) // 2]),
        "Sample.msixbundle whose application package is cut to half")
    put("bundle-in-bundle.msixbundle",
        bundle([("Sample.msixbundle", good_bundle, "application", 'Architecture="x64" ',
                 '<Resource Language="en-us"/>')]),
        "a bundle whose only package is Sample.msixbundle")

    n = len(msi)
    for cut, label in [(0, "empty"), (8, 8), (512, 512), (4096, 4096), (n // 2, "half"), (n - 1, "last-byte")]:
        put(f"msi-cut-{label}.msi", msi[:cut], f"Sample.msi cut to {cut} bytes")
    b = bytearray(msi)
    for k in range(64):
        b[n // 2 + k] ^= 0xFF
    put("msi-flipped-middle.msi", b, "Sample.msi with 64 bytes flipped in the middle")
    put("msi-sector-shift.msi", patched(msi, 30, "<H", 0xFFFF), "Sample.msi whose header gives a sector shift of 65535")
    put("msi-random.msi", bytes(rnd.randrange(256) for _ in range(65536)), "64 KB of random bytes")
    put("msi-signature-random.msi", bytes.fromhex("D0CF11E0A1B11AE1") + bytes(rnd.randrange(256) for _ in range(65528)),
        "a compound file's signature, then random bytes")
    return out


def escape_app(root):
    """A package folder whose logos lead out of it; OUT/outside.png is where the first leads, a
    real image that must not be read."""
    folder = os.path.join(root, "damaged", "escape-app")
    os.makedirs(folder, exist_ok=True)
    write(os.path.join(folder, "AppxManifest.xml"),
          manifest("..\\..\\outside.png", "C:\\Windows\\x.png", "\\\\server\\share\\x.png"))
    write(os.path.join(root, "outside.png"), png_image(50, 203))
    write(os.path.join(root, "outside.scale-100.png"), png_image(50, 204))
    return ("escape-app/AppxManifest.xml",
            "a package folder whose Logo is ..\\..\\outside.png (OUT/outside.png and OUT/outside.scale-100.png "
            "exist), Square44x44Logo C:\\Windows\\x.png, Square150x150Logo \\\\server\\share\\x.png")


def write(path, data):
    os.makedirs(os.path.dirname(path), exist_ok=True)
    with open(path, "wb") as f:
        f.write(data)


def main():
    if len(sys.argv) != 2:
        sys.exit(__doc__)
    root = sys.argv[1]
    for folder in ("app", "damaged", "msi-rows"):
        shutil.rmtree(os.path.join(root, folder), ignore_errors=True)
    files = app_files()
    for name, data in files.items():
        write(os.path.join(root, "app", name), data)
    good_msix = msix(files)[0]
    good_bundle = sample_bundle(files)
    rows = msi_rows()
    msi = sample_msi(rows)
    write(os.path.join(root, "Sample.msix"), good_msix)
    write(os.path.join(root, "Sample.msixbundle"), good_bundle)
    write(os.path.join(root, "Sample.msi"), msi)
    for name, data in rows.items():
        write(os.path.join(root, "msi-rows", name), data)
    damaged = damaged_files(files, good_msix, good_bundle, msi)
    for name, (data, _) in damaged.items():
        write(os.path.join(root, "damaged", name), data)
    lines = [f"{name}: {what}" for name, (_, what) in damaged.items()]
    lines.append("%s: %s" % escape_app(root))
    write(os.path.join(root, "damaged", "README.txt"), ("\n".join(lines) + "\n").encode())
    print(f"{len(files)} files in app, a package, a bundle, an installer and {len(lines)} damaged files in {root}")


if __name__ == "__main__":
    main()
