#!/usr/bin/env python3
"""zel_overview.svg in a real renderer.

    overview_render.py ZEL BASIN-FOLDER

Runs ZEL in batch on a scratch copy of the basin, checks that the picture is
well-formed XML and that its embedded raster decodes, renders it with
rsvg-convert and checks the rendering: the picture's size, colour on it,
the main profile's colour along its points and the river colour somewhere.
Exits 77 (a skipped test) when rsvg-convert is not installed.
"""
import base64
import os
import re
import shutil
import struct
import subprocess
import sys
import tempfile
import xml.etree.ElementTree as ET
import zlib

SKIP = 77
SVG = "{http://www.w3.org/2000/svg}"
HIGHLIGHT = (0xE0, 0x21, 0x8A)  # the main profile
RIVER = (0x1F, 0x4F, 0xD1)


def chunks(png):
    """(type, data) of each chunk, CRCs checked."""
    assert png[:8] == b"\x89PNG\r\n\x1a\n", "not a PNG"
    at = 8
    while at < len(png):
        (n,) = struct.unpack(">I", png[at:at + 4])
        kind, data = png[at + 4:at + 8], png[at + 8:at + 8 + n]
        (crc,) = struct.unpack(">I", png[at + 8 + n:at + 12 + n])
        assert crc == zlib.crc32(kind + data), f"bad CRC in {kind}"
        yield kind.decode(), data
        at += 12 + n


def decode_png(png):
    """(width, height, channels, rows of bytes) of an 8-bit PNG, unfiltered."""
    pieces = list(chunks(png))
    width, height, depth, colour = struct.unpack(">IIBB", pieces[0][1][:10])
    assert depth == 8, f"bit depth {depth}"
    channels = {0: 1, 2: 3, 3: 1, 4: 2, 6: 4}[colour]
    raw = zlib.decompress(b"".join(d for k, d in pieces if k == "IDAT"))
    stride = width * channels
    assert len(raw) == height * (stride + 1), "pixel data of the wrong length"
    rows, prev = [], bytearray(stride)
    for y in range(height):
        kind = raw[y * (stride + 1)]
        line = bytearray(raw[y * (stride + 1) + 1:(y + 1) * (stride + 1)])
        for x in range(stride):
            a = line[x - channels] if x >= channels else 0
            b = prev[x]
            c = prev[x - channels] if x >= channels else 0
            if kind == 1:
                line[x] = (line[x] + a) & 255
            elif kind == 2:
                line[x] = (line[x] + b) & 255
            elif kind == 3:
                line[x] = (line[x] + (a + b) // 2) & 255
            elif kind == 4:
                p = a + b - c
                pa, pb, pc = abs(p - a), abs(p - b), abs(p - c)
                line[x] = (line[x] + (a if pa <= pb and pa <= pc else b if pb <= pc else c)) & 255
        rows.append(bytes(line))
        prev = line
    return width, height, channels, rows, colour


def near(pixel, colour, tolerance=40):
    return all(abs(p - c) <= tolerance for p, c in zip(pixel, colour))


def main():
    if len(sys.argv) != 3:
        print(__doc__)
        return 2
    zel, basin = os.path.abspath(sys.argv[1]), sys.argv[2]
    rsvg = shutil.which("rsvg-convert")
    if not rsvg:
        print("rsvg-convert not found (Debian package librsvg2-bin): test skipped")
        return SKIP
    failures = []

    def check(ok, what):
        if not ok:
            failures.append(what)
            print("FAILED:", what)

    with tempfile.TemporaryDirectory(prefix="zel_overview_") as work:
        for name in os.listdir(basin):
            shutil.copy(os.path.join(basin, name), work)
        with open(os.devnull) as nothing:
            run = subprocess.run([zel], cwd=work, stdin=nothing, capture_output=True, text=True,
                                 timeout=120)
        if run.returncode != 0 or "zel_overview.svg written" not in run.stdout.splitlines():
            print(run.stdout[-2000:], run.stderr)
            print("FAILED: zel did not end normally with the picture written")
            return 1
        svg_path = os.path.join(work, "zel_overview.svg")
        with open(svg_path, encoding="utf-8") as f:
            text = f.read()
        root = ET.fromstring(text)  # well-formed, or this raises
        width, height = int(root.get("width")), int(root.get("height"))
        check(root.get("viewBox") == f"0 0 {width} {height}", "the viewBox is the picture's size")

        # The embedded raster decodes, its first palette entry transparent.
        image = root.find(f".//{SVG}image")
        href = image.get("{http://www.w3.org/1999/xlink}href") or image.get("href")
        prefix = "data:image/png;base64,"
        check(href.startswith(prefix), "the raster is an embedded PNG")
        raster = base64.b64decode(href[len(prefix):])
        kinds = [k for k, _ in chunks(raster)]
        check(kinds[:3] == ["IHDR", "PLTE", "tRNS"] and kinds[-1] == "IEND", f"chunks {kinds}")
        rw, rh, _, rrows, rcolour = decode_png(raster)
        check(rcolour == 3 and max(rw, rh) <= 512, f"a palette raster of {rw} x {rh}")
        indices = set(b"".join(rrows))
        check(0 in indices and len(indices) > 20, "the raster has transparent and many shaded squares")

        # The main profile's points, in picture coordinates.
        main = next(e for e in root.iter(f"{SVG}polyline") if e.get("id") == "main-profile")
        numbers = [float(v) for v in re.findall(r"-?[0-9.]+", main.get("points"))]
        points = list(zip(numbers[0::2], numbers[1::2]))
        check(len(points) >= 5, "the main profile has points")

        # The vector layers lie on the watershed's squares of the raster.
        box = [float(image.get(a)) for a in ("x", "y", "width", "height")]

        def in_watershed(x, y):
            u, v = int((x - box[0]) / box[2] * rw), int((y - box[1]) / box[3] * rh)
            return 0 <= u < rw and 0 <= v < rh and rrows[v][u] != 0

        rivers = " ".join(p.get("d") for g in root.iter(f"{SVG}g") if g.get("id") == "rivers"
                          for p in g.iter(f"{SVG}path"))
        ends = [tuple(map(float, m)) for m in re.findall(r"[ML](-?[0-9.]+) (-?[0-9.]+)", rivers)]
        check(len(ends) > 20, f"{len(ends)} river segment ends")
        check(all(in_watershed(x, y) for x, y in ends), "every river segment in the watershed")
        check(all(in_watershed(x, y) for x, y in points), "the main profile in the watershed")

        png_path = os.path.join(work, "overview.png")
        subprocess.run([rsvg, "-o", png_path, svg_path], check=True, timeout=120)
        with open(png_path, "rb") as f:
            w, h, channels, rows, _ = decode_png(f.read())
    check((w, h) == (width, height), f"rendered {w} x {h}, the picture says {width} x {height}")

    def pixel(x, y):
        at = x * channels
        return tuple(rows[y][at:at + 3])

    colours = set()
    not_white = river = 0
    for y in range(h):
        for x in range(0, w):
            p = pixel(x, y)
            colours.add(p)
            not_white += p != (255, 255, 255)
            river += near(p, RIVER, 24)
    check(len(colours) > 200, f"{len(colours)} distinct colours")
    check(not_white > w * h // 5, f"{not_white} of {w * h} pixels drawn")
    check(river > 200, f"{river} pixels of the river colour")
    on_profile = sum(near(pixel(int(x), int(y)), HIGHLIGHT) for x, y in points
                     if 0 <= int(x) < w and 0 <= int(y) < h)
    check(on_profile >= 0.8 * len(points),
          f"{on_profile} of {len(points)} main-profile points in the highlight colour")
    if failures:
        return 1
    print(f"rendered {w} x {h}: {len(colours)} colours, {river} river pixels, "
          f"{on_profile}/{len(points)} main-profile points highlighted")
    return 0


if __name__ == "__main__":
    sys.exit(main())
