#!/usr/bin/env python3
# Makes the zip fixtures of the unpacking tests with Python's zipfile; the
# ones made by Info-ZIP's zip come from make_fixtures.sh.
import io
import zipfile

def write(name, entries, **options):
    with zipfile.ZipFile(name, "w", **options) as z:
        for entry, data in entries:
            z.writestr(entry, data)

# Folders, a file in a folder and one at the top.
write("py_tree.zip", [("sub/", b""), ("sub/a.txt", b"alpha\n"), ("b.txt", b"bravo\n")],
      compression=zipfile.ZIP_DEFLATED)
# The same file name in two folders: unpacked without paths, the second wins.
write("py_duplicates.zip", [("one/same.txt", b"first\n"), ("two/same.txt", b"second\n")],
      compression=zipfile.ZIP_DEFLATED)
# Names that try to leave the destination folder.
write("py_slip.zip", [("../../x", b"escaped?\n"), ("/abs/y", b"absolute\n"),
                      ("ok/../../z", b"dotdot\n")], compression=zipfile.ZIP_DEFLATED)
# A UTF-8 name: zipfile sets the UTF-8 flag for it.
write("py_utf8.zip", [("gr\u00fc\u00dfe/\u00e4\u00f6\u00fc.txt", "umlauts\n".encode())],
      compression=zipfile.ZIP_DEFLATED)

# Zip64 records, forced for small entries.
with zipfile.ZipFile("py_zip64.zip", "w", compression=zipfile.ZIP_DEFLATED, allowZip64=True) as z:
    with z.open("big/one.bin", "w", force_zip64=True) as f:
        f.write(bytes(range(256)) * 64)
    with z.open("two.txt", "w", force_zip64=True) as f:
        f.write(b"zip64 two\n")

# Data descriptors: an archive written to a stream that cannot seek.
class Unseekable(io.RawIOBase):
    def __init__(self):
        self.data = bytearray()
    def writable(self):
        return True
    def write(self, b):
        self.data += b
        return len(b)

stream = Unseekable()
with zipfile.ZipFile(stream, "w", compression=zipfile.ZIP_DEFLATED) as z:
    z.writestr("dd/first.txt", b"descriptor one\n" * 20)
    z.writestr("second.txt", b"descriptor two\n")
open("py_descriptor.zip", "wb").write(bytes(stream.data))

# A code page 437 name (0x82 is e acute, 0x84 a diaeresis), no UTF-8 flag:
# written with placeholders of the same length, then patched.
write("py_cp437.zip", [("cafX.txt", b"cp437\n"), ("Y.txt", b"ae\n")])
data = open("py_cp437.zip", "rb").read()
data = data.replace(b"cafX.txt", b"caf\x82.txt").replace(b"Y.txt", b"\x84.txt")
open("py_cp437.zip", "wb").write(data)

# A stored entry with one byte of its data flipped: the CRC no longer matches.
write("py_badcrc.zip", [("good.txt", b"fine\n"), ("bad.txt", b"the data of this entry is damaged\n")])
data = bytearray(open("py_badcrc.zip", "rb").read())
at = data.find(b"the data of this entry")
data[at + 4] ^= 0x20
open("py_badcrc.zip", "wb").write(bytes(data))

# The first half of an archive: no central directory.
write("py_full.zip", [("t/one.txt", b"one\n" * 100), ("t/two.txt", b"two\n" * 100)],
      compression=zipfile.ZIP_DEFLATED)
data = open("py_full.zip", "rb").read()
open("py_truncated.zip", "wb").write(data[: len(data) // 2])
import os
os.remove("py_full.zip")

# Made on a DOS host: "\\" separates folders, also in a name that climbs.
with zipfile.ZipFile("py_dos.zip", "w") as z:
    for name, data in (("dir\\sub\\f.txt", b"dos f\n"), ("..\\..\\evil.txt", b"dos evil\n")):
        info = zipfile.ZipInfo(name, date_time=(2020, 5, 17, 12, 30, 0))
        info.create_system = 0
        z.writestr(info, data)

# An archive without entries.
write("py_empty.zip", [])
