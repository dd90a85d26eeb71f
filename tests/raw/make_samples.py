#!/usr/bin/env python3
"""Writes one real file per type the deep scan knows into a folder, plus
manifest.txt ("name extension" per line). Made with python's own modules,
ImageMagick where present, or byte by byte where no tool is at hand."""
import bz2, gzip, io, lzma, os, random, shutil, sqlite3, struct, subprocess, sys, wave, zipfile, zlib

out = sys.argv[1]
os.makedirs(out, exist_ok=True)
rnd = random.Random(5)
manifest = []


def noise(n):
    return bytes(rnd.getrandbits(8) for _ in range(n))


def put(name, ext, data):
    with open(os.path.join(out, name), "wb") as f:
        f.write(data)
    manifest.append((name, ext))


def zip_with(entries, stored_first=None):
    b = io.BytesIO()
    with zipfile.ZipFile(b, "w", zipfile.ZIP_DEFLATED) as z:
        if stored_first:
            z.writestr(zipfile.ZipInfo(stored_first[0]), stored_first[1], compress_type=zipfile.ZIP_STORED)
        for name, data in entries:
            z.writestr(name, data)
    return b.getvalue()


text = ("The quick brown fox jumps over the lazy dog. " * 300).encode()
put("a.zip", "zip", zip_with([("readme.txt", text), ("data.bin", noise(3000))]))
put("a.docx", "docx", zip_with([("[Content_Types].xml", b"<Types/>"), ("word/document.xml", text)]))
put("a.xlsx", "xlsx", zip_with([("[Content_Types].xml", b"<Types/>"), ("xl/workbook.xml", text)]))
put("a.pptx", "pptx", zip_with([("[Content_Types].xml", b"<Types/>"), ("ppt/presentation.xml", text)]))
put("a.odt", "odt", zip_with([("content.xml", text)], ("mimetype", b"application/vnd.oasis.opendocument.text")))
put("a.ods", "ods", zip_with([("content.xml", text)], ("mimetype", b"application/vnd.oasis.opendocument.spreadsheet")))
put("a.epub", "epub", zip_with([("OEBPS/a.xhtml", text)], ("mimetype", b"application/epub+zip")))
put("a.jar", "jar", zip_with([("META-INF/MANIFEST.MF", b"Manifest-Version: 1.0\n"), ("A.class", noise(900))]))
put("a.apk", "apk", zip_with([("AndroidManifest.xml", noise(700)), ("classes.dex", noise(2000))]))
put("a.gz", "gz", gzip.compress(text + noise(5000)))
put("a.bz2", "bz2", bz2.compress(text + noise(5000)))
put("a.xz", "xz", lzma.compress(text + noise(5000)))

db = os.path.join(out, "tmp.sqlite")
con = sqlite3.connect(db)
con.execute("create table t(a, b)")
con.executemany("insert into t values(?, ?)", [(i, "row %d" % i * 20) for i in range(400)])
con.commit()
con.close()
put("a.sqlite", "sqlite", open(db, "rb").read())
os.remove(db)

w = io.BytesIO()
with wave.open(w, "wb") as f:
    f.setnchannels(1)
    f.setsampwidth(2)
    f.setframerate(8000)
    f.writeframes(noise(9001 * 2))
put("a.wav", "wav", w.getvalue())

# PDF with an incremental update: the file ends at the second %%EOF.
pdf = b"%PDF-1.4\n1 0 obj\n<< /Type /Catalog >>\nendobj\nxref\n0 2\ntrailer\n<< /Root 1 0 R >>\n%%EOF\n"
pdf += b"2 0 obj\n<< /Length 3 >>\nendobj\nxref\n0 3\ntrailer\n<< /Root 1 0 R /Prev 9 >>\n%%EOF\n"
put("a.pdf", "pdf", pdf)
put("a.rtf", "rtf", b"{\\rtf1\\ansi{\\fonttbl{\\f0 Arial;}}\\f0 Hello \\{ brace {\\b bold} world.\\par}")
put("a.eml", "eml", b"Return-Path: <a@example.org>\r\nFrom: A <a@example.org>\r\nTo: b@example.org\r\n"
    b"Subject: hello\r\n\r\n" + text[:3000] + b"\r\n")


def ole2(stream_name):
    ss = 512
    data_sectors = 8
    fat = [0xFFFFFFFD, 0xFFFFFFFE] + [3 + i for i in range(data_sectors - 1)] + [0xFFFFFFFE]
    fat += [0xFFFFFFFF] * (128 - len(fat))
    hdr = bytearray(512)
    hdr[0:8] = b"\xd0\xcf\x11\xe0\xa1\xb1\x1a\xe1"
    struct.pack_into("<HHHHH", hdr, 0x18, 0x3E, 3, 0xFFFE, 9, 6)
    struct.pack_into("<III", hdr, 0x2C, 1, 1, 0)
    struct.pack_into("<III", hdr, 0x38, 4096, 0xFFFFFFFE, 0)
    struct.pack_into("<II", hdr, 0x44, 0xFFFFFFFE, 0)
    for i in range(109):
        struct.pack_into("<I", hdr, 0x4C + 4 * i, 0 if i == 0 else 0xFFFFFFFF)
    d = bytearray(512)

    def entry(i, name, kind, start, size, child=0xFFFFFFFF):
        n = (name + "\0").encode("utf-16-le")
        d[i * 128:i * 128 + len(n)] = n
        struct.pack_into("<HBB", d, i * 128 + 64, len(n), kind, 1)
        struct.pack_into("<III", d, i * 128 + 68, 0xFFFFFFFF, 0xFFFFFFFF, child)
        struct.pack_into("<II", d, i * 128 + 116, start, size)

    entry(0, "Root Entry", 5, 0xFFFFFFFE, 0, 1)
    entry(1, stream_name, 2, 2, ss * data_sectors)
    return bytes(hdr) + struct.pack("<128I", *fat) + bytes(d) + noise(ss * data_sectors)


put("a.doc", "doc", ole2("WordDocument"))
put("a.xls", "xls", ole2("Workbook"))
put("a.ppt", "ppt", ole2("PowerPoint Document"))
put("a.msg", "msg", ole2("__substg1.0_0037001F"))


def vint(v):
    b = bytearray()
    while True:
        b.append((v & 0x7F) | (0x80 if v > 0x7F else 0))
        v >>= 7
        if not v:
            return bytes(b)


def rar5_block(body, data=b""):
    return struct.pack("<I", 0) + vint(len(body)) + body + data


payload = noise(1500)
rar = b"Rar!\x1a\x07\x01\x00" + rar5_block(bytes([1, 0, 0]))
rar += rar5_block(bytes([2, 2]) + vint(len(payload)) + b"\0" * 5, payload) + rar5_block(bytes([5, 0, 0]))
put("a.rar", "rar", rar)

body7 = noise(2000)
start = struct.pack("<QQI", 1900, 100, 0)
put("a.7z", "7z", b"7z\xbc\xaf\x27\x1c\x00\x04" + struct.pack("<I", zlib.crc32(start)) + start + body7)

frame = b"\xff\xfb\x90\x00" + noise(413)
id3 = b"ID3\x03\x00\x00\x00\x00\x02\x01" + noise(257)
put("a.mp3", "mp3", id3 + frame * 40 + b"TAG" + noise(125))


def crc8(b):
    c = 0
    for x in b:
        c ^= x
        for _ in range(8):
            c = ((c << 1) ^ 7) & 0xFF if c & 0x80 else (c << 1) & 0xFF
    return c


def crc16(b):
    c = 0
    for x in b:
        c ^= x << 8
        for _ in range(8):
            c = ((c << 1) ^ 0x8005) & 0xFFFF if c & 0x8000 else (c << 1) & 0xFFFF
    return c


flac = b"fLaC" + bytes([0x80, 0, 0, 34]) + b"\x00\xc0\x00\xc0" + bytes(30)
for n in range(50):
    h = bytes([0xFF, 0xF8, 0x19, 0x08, n])
    fr = h + bytes([crc8(h)]) + bytes([0x00]) + struct.pack(">h", n * 37 - 900)
    flac += fr + struct.pack(">H", crc16(fr))
put("a.flac", "flac", flac)


def ogg_page(kind, seq, body):
    segs = [255] * (len(body) // 255) + [len(body) % 255]
    return b"OggS" + bytes([0, kind]) + struct.pack("<qIII", seq * 1000, 7, seq, 0) + bytes([len(segs)]) + bytes(segs) + body


put("a.ogg", "ogg", ogg_page(2, 0, b"\x01vorbis" + noise(23)) + ogg_page(0, 1, noise(3000)) + ogg_page(4, 2, noise(600)))

avi_list = b"LIST" + struct.pack("<I", 4 + 64) + b"hdrl" + b"avih" + struct.pack("<I", 56) + noise(56)
movi = b"LIST" + struct.pack("<I", 4 + 3008) + b"movi" + b"00dc" + struct.pack("<I", 3000) + noise(3000)
avi_body = b"AVI " + avi_list + movi
put("a.avi", "avi", b"RIFF" + struct.pack("<I", len(avi_body)) + avi_body)


def box(kind, body):
    return struct.pack(">I", 8 + len(body)) + kind + body


put("a.mp4", "mp4", box(b"ftyp", b"isom\0\0\2\0isomiso2mp41") + box(b"moov", box(b"mvhd", noise(100))) + box(b"mdat", noise(5000)))
put("a.mov", "mov", box(b"ftyp", b"qt  \0\0\2\0qt  ") + box(b"wide", b"") + box(b"mdat", noise(4000)) + box(b"moov", noise(300)))


def ebml_el(id_bytes, body):
    return id_bytes + bytes([0x01]) + struct.pack(">Q", len(body))[1:] + body


def ebml_file(doctype):
    head = ebml_el(b"\x1a\x45\xdf\xa3", ebml_el(b"\x42\x82", doctype))
    seg = ebml_el(b"\x15\x49\xa9\x66", noise(40)) + ebml_el(b"\x1f\x43\xb6\x75", noise(3000))
    return head + ebml_el(b"\x18\x53\x80\x67", seg)


put("a.mkv", "mkv", ebml_file(b"matroska"))
put("a.webm", "webm", ebml_file(b"webm"))

guid_header = b"\x30\x26\xb2\x75\x8e\x66\xcf\x11\xa6\xd9\x00\xaa\x00\x62\xce\x6c"
guid_props = b"\xa1\xdc\xab\x8c\x47\xa9\xcf\x11\x8e\xe4\x00\xc0\x0c\x20\x53\x65"
guid_data = b"\x36\x26\xb2\x75\x8e\x66\xcf\x11\xa6\xd9\x00\xaa\x00\x62\xce\x6c"
data_obj = guid_data + struct.pack("<Q", 24 + 4000) + noise(4000)
props_len = 104
header_len = 30 + props_len
total = header_len + len(data_obj)
props = guid_props + struct.pack("<Q", props_len) + noise(16) + struct.pack("<Q", total) + noise(props_len - 48)
put("a.wmv", "wmv", guid_header + struct.pack("<QIBB", header_len, 1, 1, 2) + props + data_obj)


def pe(dll):
    mz = bytearray(0x80)
    mz[0:2] = b"MZ"
    struct.pack_into("<I", mz, 0x3C, 0x80)
    coff = b"PE\0\0" + struct.pack("<HHIIIHH", 0x14C, 2, 0, 0, 0, 224, 0x2102 if dll else 0x0102)
    opt = bytearray(224)
    struct.pack_into("<H", opt, 0, 0x10B)
    struct.pack_into("<I", opt, 60, 0x400)
    struct.pack_into("<I", opt, 92, 16)
    secs = b""
    for i, (at, size) in enumerate([(0x400, 0x600), (0xA00, 0x200)]):
        secs += struct.pack("<8sIIIIIIHHI", b".s%d" % i, size, 0x1000 * (i + 1), size, at, 0, 0, 0, 0, 0)
    head = bytes(mz) + coff + bytes(opt) + secs
    return head + bytes(0x400 - len(head)) + noise(0x800)


put("a.exe", "exe", pe(False))
put("a.dll", "dll", pe(True))

# Text of each kind the scan tells apart by content.
prose = ("Minutes of the planning meeting, second quarter.\n"
         "Attendees agreed to move the archive to the new server before July;\n"
         "backups will run nightly at 02:00 and be checked every Monday.\n") * 6
put("a.txt", "txt", prose.encode())
put("u8bom.txt", "txt", b"\xef\xbb\xbf" + "".join("Grüße aus Köln%s naïve café %d, 東京 und Ελλάδα.\n" % ("," * (i % 3), i)
                                                       for i in range(8)).encode())
put("u16le.txt", "txt", b"\xff\xfe" + "".join("Unicode note %d for the team: résumé, 日本語.\r\n" % i for i in range(10)).encode("utf-16-le"))
put("u16be.txt", "txt", ("Plain UTF-16 without a byte order mark, big end first.\n" * 8).encode("utf-16-be"))
rows = "".join("<tr><td>%d</td><td>item %d</td><td>%d.%02d</td></tr>\n" % (i, i, i * 3, i % 100) for i in range(40))
put("a.html", "html", ("<!DOCTYPE html>\n<html lang=\"en\">\n<head><title>Price list</title></head>\n<body>\n"
                       "<table>\n" + rows + "</table>\n</body>\n</html>\n").encode())
put("a.xml", "xml", ("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<catalog>\n" +
                     "".join("  <book id=\"b%d\"><title>Volume %d</title><price>%d.95</price></book>\n" % (i, i, i)
                             for i in range(30)) + "</catalog>\n").encode())
put("a.svg", "svg", ("<?xml version=\"1.0\"?>\n<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"200\" height=\"200\">\n" +
                     "".join("  <circle cx=\"%d\" cy=\"%d\" r=\"%d\" fill=\"#%06x\"/>\n" % (i * 7, i * 5, i + 3, i * 40503)
                             for i in range(25)) + "</svg>\n").encode())
put("a.json", "json", ("{\n  \"name\": \"inventory\",\n  \"version\": 3,\n  \"items\": [\n" +
                       ",\n".join("    {\"id\": %d, \"label\": \"part-%d\", \"weight\": %d.5, \"ok\": true}" % (i, i, i)
                                   for i in range(30)) + "\n  ],\n  \"owner\": null\n}\n").encode())
put("a.csv", "csv", ("id,name,city,amount\n" + "".join("%d,Person %d,Town %d,%d.%02d\n" % (i, i, i % 7, i * 13, i % 97)
                                                          for i in range(60))).encode())
put("b.rtf", "rtf", b"{\\rtf1\\ansi\\deff0{\\fonttbl{\\f0 Times;}}\r\n\\f0\\fs24 Letter to the board.\\par\r\n}\r\n")
put("a.c", "c", b"/* Counts words on standard input. */\n#include <stdio.h>\n#include <ctype.h>\n\n"
    b"int main(void)\n{\n    int c, words = 0, in_word = 0;\n    while ((c = getchar()) != EOF) {\n"
    b"        if (isspace(c))\n            in_word = 0;\n        else if (!in_word) {\n"
    b"            in_word = 1;\n            ++words;\n        }\n    }\n    printf(\"%d\\n\", words);\n    return 0;\n}\n")
put("a.cpp", "cpp", b"#include <iostream>\n#include <vector>\n\nnamespace tally {\n"
    b"int sum(const std::vector<int> &v)\n{\n    int s = 0;\n    for (int x : v)\n        s += x;\n    return s;\n}\n"
    b"} // namespace tally\n\nint main()\n{\n    std::cout << tally::sum({1, 2, 3}) << std::endl;\n}\n")
put("a.py", "py", b"import os\nimport sys\n\n\ndef largest(folder):\n    best = None\n"
    b"    for name in os.listdir(folder):\n        size = os.path.getsize(os.path.join(folder, name))\n"
    b"        if best is None or size > best[1]:\n            best = (name, size)\n    return best\n\n\n"
    b"if __name__ == \"__main__\":\n    print(largest(sys.argv[1]))\n")
put("a.sh", "sh", b"#!/bin/sh\n# Rotates the logs kept in the folder given.\nset -e\ncd \"$1\"\n"
    b"for f in *.log; do\n    [ -f \"$f\" ] || continue\n    mv \"$f\" \"$f.1\"\n    : > \"$f\"\ndone\necho rotated\n")
put("a.js", "js", b"'use strict';\nconst fs = require('fs');\n\nfunction countLines(path) {\n"
    b"    return fs.readFileSync(path, 'utf8').split('\\n').length;\n}\n\n"
    b"module.exports = { countLines };\nconsole.log(countLines(process.argv[2]));\n")
put("a.php", "php", b"<?php\n// Greets the visitor by name.\n$name = htmlspecialchars($_GET['name'] ?? 'guest');\n"
    b"echo \"<p>Hello, $name!</p>\\n\";\n")

# Pictures from ImageMagick, where it is installed.
if shutil.which("convert"):
    for ext, fmt in [("jpg", "jpg"), ("png", "png"), ("gif", "gif"), ("bmp", "bmp"), ("tif", "tif"),
                     ("ico", "ico"), ("psd", "psd"), ("webp", "webp")]:
        path = os.path.join(out, "a." + fmt)
        r = subprocess.run(["convert", "-seed", "5", "-size", "96x64", "plasma:fractal", path],
                           stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        if r.returncode == 0 and os.path.exists(path):
            manifest.append(("a." + fmt, ext))
    path = os.path.join(out, "b.tif")
    if subprocess.run(["convert", "-size", "40x30", "xc:red", "-endian", "MSB", path],
                      stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL).returncode == 0:
        manifest.append(("b.tif", "tif"))

with open(os.path.join(out, "manifest.txt"), "w") as f:
    for name, ext in manifest:
        f.write("%s %s\n" % (name, ext))
