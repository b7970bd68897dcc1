#!/usr/bin/python3
"""Draws the shipped pictures: the main icon, the default CD icon and the two splash pictures.

Run with Debian's python3-pil and fonts-dejavu-core; the results are committed beside this
script, so a build needs neither. Icons are written by hand because the icon set of the CD
needs 16- and 256-colour images, which Pillow's own icon writer cannot produce.
"""

import io
import os
import struct

from PIL import Image, ImageDraw, ImageFilter, ImageFont

HERE = os.path.dirname(os.path.abspath(__file__))
FONT_BOLD = "/usr/share/fonts/truetype/dejavu/DejaVuSans-Bold.ttf"
FONT = "/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf"
BIG = 1024


def gradient(size, top, bottom, horizontal=False):
    w, h = size
    img = Image.new("RGBA", size)
    px = img.load()
    span = (w if horizontal else h) - 1 or 1
    for y in range(h):
        for x in range(w):
            t = (x if horizontal else y) / span
            px[x, y] = tuple(int(top[i] + (bottom[i] - top[i]) * t) for i in range(3)) + (255,)
    return img


def rounded_mask(size, radius):
    mask = Image.new("L", size, 0)
    ImageDraw.Draw(mask).rounded_rectangle((0, 0, size[0] - 1, size[1] - 1), radius, fill=255)
    return mask


def main_icon_art():
    """A blue tile with a white Q: a ring whose tail leaves it like a cursor leaving a page."""
    img = Image.new("RGBA", (BIG, BIG), (0, 0, 0, 0))
    tile = gradient((BIG - 64, BIG - 64), (56, 132, 214), (22, 70, 140))
    img.paste(tile, (32, 32), rounded_mask(tile.size, 200))
    d = ImageDraw.Draw(img)
    c, r, w = BIG // 2, 300, 110
    d.ellipse((c - r, c - r - 20, c + r, c + r - 20), outline=(255, 255, 255, 255), width=w)
    d.line((c + 100, c + 80, c + 290, c + 270), fill=(255, 255, 255, 255), width=w)
    d.ellipse((c + 290 - w // 2, c + 270 - w // 2, c + 290 + w // 2, c + 270 + w // 2),
              fill=(255, 255, 255, 255))
    return img


def disc_art():
    """A neutral silver disc with a soft sheen."""
    img = Image.new("RGBA", (BIG, BIG), (0, 0, 0, 0))
    d = ImageDraw.Draw(img)
    d.ellipse((40, 40, BIG - 40, BIG - 40), fill=(120, 126, 136, 255))
    d.ellipse((60, 60, BIG - 60, BIG - 60), fill=(214, 219, 226, 255))
    sheen = Image.new("RGBA", (BIG, BIG), (0, 0, 0, 0))
    sd = ImageDraw.Draw(sheen)
    sd.pieslice((60, 60, BIG - 60, BIG - 60), 200, 250, fill=(150, 200, 255, 200))
    sd.pieslice((60, 60, BIG - 60, BIG - 60), 20, 70, fill=(255, 220, 150, 180))
    img = Image.alpha_composite(img, sheen.filter(ImageFilter.GaussianBlur(30)))
    d = ImageDraw.Draw(img)
    d.ellipse((BIG // 2 - 170, BIG // 2 - 170, BIG // 2 + 170, BIG // 2 + 170),
              fill=(160, 166, 176, 255))
    d.ellipse((BIG // 2 - 70, BIG // 2 - 70, BIG // 2 + 70, BIG // 2 + 70), fill=(0, 0, 0, 0))
    return img


def dib_image(img, bpp):
    """One icon image in the bitmap format: header, palette, colour rows, mask rows."""
    w, h = img.size
    alpha = img.getchannel("A")
    if bpp == 32:
        palette, rows = b"", []
        for y in range(h - 1, -1, -1):
            row = bytearray()
            for x in range(w):
                r, g, b, a = img.getpixel((x, y))
                row += bytes((b, g, r, a))
            rows.append(bytes(row))
    else:
        colours = 1 << bpp
        flat = Image.new("RGB", img.size, (255, 255, 255))
        flat.paste(img, mask=alpha)
        q = flat.quantize(colors=colours, method=Image.Quantize.MEDIANCUT)
        pal = q.getpalette()[: colours * 3]
        pal += [0] * (colours * 3 - len(pal))
        palette = b"".join(bytes((pal[i * 3 + 2], pal[i * 3 + 1], pal[i * 3], 0))
                           for i in range(colours))
        rows = []
        for y in range(h - 1, -1, -1):
            idx = [q.getpixel((x, y)) for x in range(w)]
            if bpp == 8:
                row = bytes(idx)
            else:
                row = bytes((idx[x] << 4) | (idx[x + 1] if x + 1 < w else 0)
                            for x in range(0, w, 2))
            rows.append(row)
    stride = lambda n: (n + 3) & ~3
    xor = b"".join(r + b"\0" * (stride(len(r)) - len(r)) for r in rows)
    mask_rows = []
    for y in range(h - 1, -1, -1):
        bits = bytearray((w + 7) // 8)
        for x in range(w):
            if alpha.getpixel((x, y)) < 128:
                bits[x // 8] |= 0x80 >> (x % 8)
        mask_rows.append(bytes(bits) + b"\0" * (stride(len(bits)) - len(bits)))
    colours_used = 0 if bpp == 32 else (1 << bpp)
    header = struct.pack("<IiiHHIIiiII", 40, w, h * 2, 1, bpp, 0, len(xor), 0, 0,
                         colours_used, 0)
    return header + palette + xor + b"".join(mask_rows)


def png_image(img):
    out = io.BytesIO()
    img.save(out, "PNG", optimize=True)
    return out.getvalue()


def write_icon(path, art, specs):
    """specs: (size, bits per pixel, as PNG) for each image, in directory order."""
    images = []
    for size, bpp, as_png in specs:
        img = art.resize((size, size), Image.LANCZOS)
        data = png_image(img) if as_png else dib_image(img, bpp)
        images.append((size, bpp, data))
    header = struct.pack("<HHH", 0, 1, len(images))
    offset = 6 + 16 * len(images)
    directory, blobs = b"", b""
    for size, bpp, data in images:
        colour_count = 16 if bpp == 4 else 0
        directory += struct.pack("<BBBBHHII", size % 256, size % 256, colour_count, 0, 1, bpp,
                                 len(data), offset)
        blobs += data
        offset += len(data)
    with open(path, "wb") as f:
        f.write(header + directory + blobs)


def splash(path, background, art, title, lines, title_colour, text_colour, accent):
    img = background.copy()
    icon = art.resize((112, 112), Image.LANCZOS)
    shadow = Image.new("RGBA", img.size, (0, 0, 0, 0))
    shadow.paste((0, 0, 0, 70), (34, 59, 34 + 112, 59 + 112), icon.getchannel("A"))
    img = Image.alpha_composite(img, shadow.filter(ImageFilter.GaussianBlur(6)))
    img.paste(icon, (30, 52), icon)
    d = ImageDraw.Draw(img)
    d.text((168, 58), title, font=ImageFont.truetype(FONT_BOLD, 38), fill=title_colour)
    y = 110
    for text in lines:
        d.text((170, y), text, font=ImageFont.truetype(FONT, 13), fill=text_colour)
        y += 22
    track = tuple((a * 3 + b) // 4 for a, b in zip(background.getpixel((300, 178))[:3],
                                                     text_colour[:3]))
    d.rounded_rectangle((170, 176, 394, 181), 3, fill=track)
    d.rounded_rectangle((170, 176, 270, 181), 3, fill=accent)
    img.convert("RGB").save(path, "PNG", optimize=True)


def main():
    q = main_icon_art()
    disc = disc_art()
    write_icon(os.path.join(HERE, "MainIcon.ico"), q,
               [(16, 32, False), (24, 32, False), (32, 32, False), (48, 32, False),
                (64, 32, False), (256, 32, True)])
    write_icon(os.path.join(HERE, "CD.ico"), disc,
               [(32, 4, False), (16, 4, False), (48, 8, False), (32, 8, False), (16, 8, False),
                (48, 32, False), (32, 32, False), (16, 32, False)])
    splash(os.path.join(HERE, "Splash.png"),
           gradient((424, 222), (24, 62, 116), (36, 112, 170), horizontal=True), q, "Quindle",
           ["Your PHP site as a desktop app.", "Starting the servers…"],
           (255, 255, 255, 255), (214, 230, 248, 255), (120, 200, 255, 255))
    splash(os.path.join(HERE, "CDSplash.png"),
           gradient((424, 222), (246, 247, 249), (226, 229, 234)), disc, "Loading",
           ["Please wait while the", "application starts…"],
           (52, 58, 68, 255), (96, 104, 116, 255), (90, 140, 210, 255))


if __name__ == "__main__":
    main()
