#!/usr/bin/env python3
"""make_preview_types.py IMAGE

Builds a small FAT disk image (no partition table) whose folder "Mixed" holds
deleted files of types the preview treats differently: a PDF and a TIFF it
draws, and a WAV, a ZIP and a DOCX it cannot. Files are written into a fresh
file system one after another, so each lies in one run of clusters."""
import io
import os
import struct
import subprocess
import sys
import tempfile
import zipfile


def pdf():
    # One page with a coloured band and a line of text; offsets in the
    # cross-reference table are counted as the file is put together.
    content = (b"0.16 0.44 0.84 rg 40 330 712 240 re f\n"
               b"BT /F1 72 Tf 0 0 0 rg 60 180 Td (Quarterly report) Tj ET\n")
    objects = [
        b"<< /Type /Catalog /Pages 2 0 R >>",
        b"<< /Type /Pages /Kids [3 0 R] /Count 1 >>",
        b"<< /Type /Page /Parent 2 0 R /MediaBox [0 0 792 612] /Contents 4 0 R "
        b"/Resources << /Font << /F1 5 0 R >> >> >>",
        b"<< /Length %d >>\nstream\n" % len(content) + content + b"endstream",
        b"<< /Type /Font /Subtype /Type1 /BaseFont /Helvetica >>",
    ]
    out = bytearray(b"%PDF-1.4\n")
    offsets = []
    for number, body in enumerate(objects, 1):
        offsets.append(len(out))
        out += b"%d 0 obj\n" % number + body + b"\nendobj\n"
    xref = len(out)
    out += b"xref\n0 %d\n0000000000 65535 f \n" % (len(objects) + 1)
    for at in offsets:
        out += b"%010d 00000 n \n" % at
    out += b"trailer\n<< /Size %d /Root 1 0 R >>\nstartxref\n%d\n%%%%EOF\n" % (len(objects) + 1, xref)
    return bytes(out)


def tiff(width=96, height=64):
    # Baseline, uncompressed RGB in one strip: a gradient.
    pixels = bytearray()
    for y in range(height):
        for x in range(width):
            pixels += bytes((x * 255 // width, y * 255 // height, 160))
    entries = [
        (256, 3, 1, width), (257, 3, 1, height), (258, 3, 3, 0), (259, 3, 1, 1), (262, 3, 1, 2),
        (273, 4, 1, 0), (277, 3, 1, 3), (278, 3, 1, height), (279, 4, 1, len(pixels)),
    ]
    ifd_size = 2 + 12 * len(entries) + 4
    bits_at = 8 + ifd_size
    pixels_at = bits_at + 6
    out = bytearray(b"II*\x00" + struct.pack("<I", 8) + struct.pack("<H", len(entries)))
    for tag, kind, count, value in entries:
        if tag == 258:
            value = bits_at
        if tag == 273:
            value = pixels_at
        if kind == 3 and count == 1:
            out += struct.pack("<HHIHH", tag, kind, count, value, 0)
        else:
            out += struct.pack("<HHII", tag, kind, count, value)
    out += struct.pack("<I", 0) + struct.pack("<HHH", 8, 8, 8) + pixels
    return bytes(out)


def wav():
    samples = b"\x00\x00" * 4000
    return (b"RIFF" + struct.pack("<I", 36 + len(samples)) + b"WAVEfmt " +
            struct.pack("<IHHIIHH", 16, 1, 1, 8000, 16000, 2, 16) + b"data" + struct.pack("<I", len(samples)) +
            samples)


def zipped(members):
    buffer = io.BytesIO()
    with zipfile.ZipFile(buffer, "w", zipfile.ZIP_DEFLATED) as archive:
        for name, text in members:
            archive.writestr(name, text)
    return buffer.getvalue()


def docx():
    return zipped([
        ("[Content_Types].xml",
         '<?xml version="1.0"?><Types xmlns="http://schemas.openxmlformats.org/package/2006/content-types">'
         '<Default Extension="xml" ContentType="application/xml"/></Types>'),
        ("word/document.xml",
         '<?xml version="1.0"?><w:document xmlns:w="http://schemas.openxmlformats.org/wordprocessingml/2006/main">'
         '<w:body><w:p><w:r><w:t>Minutes</w:t></w:r></w:p></w:body></w:document>'),
    ])


def main():
    image = sys.argv[1]
    files = {
        "report.pdf": pdf(),
        "scan.tif": tiff(),
        "voice.wav": wav(),
        "photos.zip": zipped([("notes.txt", "kept for later\n" * 20)]),
        "minutes.docx": docx(),
    }
    if os.path.exists(image):
        os.remove(image)
    subprocess.run(["mkfs.fat", "-C", "-F", "16", "-s", "1", "-n", "MIXED", image, "8192"], check=True,
                   stdout=subprocess.DEVNULL)
    env = dict(os.environ, MTOOLS_SKIP_CHECK="1")
    mtools = lambda *args: subprocess.run(list(args), check=True, env=env, stdout=subprocess.DEVNULL)
    mtools("mmd", "-i", image, "::/Mixed")
    with tempfile.TemporaryDirectory() as work:
        for name, data in files.items():
            path = os.path.join(work, name)
            with open(path, "wb") as f:
                f.write(data)
            mtools("mcopy", "-i", image, path, "::/Mixed/" + name)
    for name in files:
        mtools("mdel", "-i", image, "::/Mixed/" + name)


if __name__ == "__main__":
    main()
