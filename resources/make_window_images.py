#!/usr/bin/python3
"""Draws the images of the browser windows: the toolbar set (32 x 32), the menu button strip
(9 x 46), the address box entry (16 x 16) and the Go button (20 x 20).

Run with Debian's python3-pil; the results are committed under images/, so a build needs
neither. Shapes are drawn four times larger and scaled down for smooth edges.
"""

import math
import os

from PIL import Image, ImageDraw

HERE = os.path.dirname(os.path.abspath(__file__))
OUT = os.path.join(HERE, "images")
K = 4

BLUE = (40, 104, 186, 255)
GREEN = (46, 150, 72, 255)
RED = (200, 52, 44, 255)
ORANGE = (226, 130, 30, 255)
GREY = (92, 98, 108, 255)


def canvas(w, h):
    img = Image.new("RGBA", (w * K, h * K), (0, 0, 0, 0))
    return img, ImageDraw.Draw(img)


def save(img, w, h, name):
    img.resize((w, h), Image.LANCZOS).save(os.path.join(OUT, name), "PNG", optimize=True)


def arrow(d, size, colour, pointing_left):
    s = size * K
    mid = s // 2
    body = [(s * 0.42, s * 0.36), (s * 0.86, s * 0.36), (s * 0.86, s * 0.64), (s * 0.42, s * 0.64)]
    head = [(s * 0.10, mid), (s * 0.46, s * 0.12), (s * 0.46, s * 0.88)]
    if not pointing_left:
        body = [(s - x, y) for x, y in body]
        head = [(s - x, y) for x, y in head]
    d.polygon(body, fill=colour)
    d.polygon(head, fill=colour)


def refresh(d, size):
    s = size * K
    w = int(s * 0.13)
    box = (s * 0.16, s * 0.16, s * 0.84, s * 0.84)
    d.arc(box, 40, 330, fill=GREEN, width=w)
    # Arrow head at the open end of the ring.
    a = math.radians(330)
    cx, cy, r = s / 2, s / 2, s * 0.34
    x, y = cx + r * math.cos(a), cy + r * math.sin(a)
    d.polygon([(x + s * 0.16, y - s * 0.02), (x - s * 0.14, y - s * 0.06), (x + s * 0.04, y + s * 0.2)],
              fill=GREEN)


def stop(d, size):
    s = size * K
    d.ellipse((s * 0.1, s * 0.1, s * 0.9, s * 0.9), fill=RED)
    w = int(s * 0.11)
    d.line((s * 0.33, s * 0.33, s * 0.67, s * 0.67), fill=(255, 255, 255, 255), width=w)
    d.line((s * 0.67, s * 0.33, s * 0.33, s * 0.67), fill=(255, 255, 255, 255), width=w)


def home(d, size):
    s = size * K
    d.polygon([(s * 0.5, s * 0.1), (s * 0.92, s * 0.5), (s * 0.08, s * 0.5)], fill=ORANGE)
    d.rectangle((s * 0.2, s * 0.48, s * 0.8, s * 0.9), fill=ORANGE)
    d.rectangle((s * 0.42, s * 0.62, s * 0.58, s * 0.9), fill=(255, 255, 255, 255))


def page(d, size):
    s = size * K
    d.rectangle((s * 0.2, s * 0.08, s * 0.8, s * 0.92), fill=(255, 255, 255, 255), outline=GREY,
                width=max(K, int(s * 0.05)))
    for i in range(4):
        y = s * (0.3 + i * 0.14)
        d.line((s * 0.3, y, s * 0.7, y), fill=BLUE, width=max(K, int(s * 0.05)))


def brand(d, size):
    s = size * K
    # A stamp: handle, neck and a coloured foot.
    d.ellipse((s * 0.34, s * 0.06, s * 0.66, s * 0.34), fill=BLUE)
    d.rectangle((s * 0.44, s * 0.3, s * 0.56, s * 0.56), fill=BLUE)
    d.rounded_rectangle((s * 0.14, s * 0.54, s * 0.86, s * 0.72), radius=s * 0.04, fill=BLUE)
    d.rectangle((s * 0.1, s * 0.8, s * 0.9, s * 0.9), fill=RED)


def menu_strip():
    w, h = 9, 46
    img, d = canvas(w, h)
    for i in range(3):
        y = (h // 2 - 8 + i * 7) * K
        d.polygon([(1 * K, y), (8 * K, y), (4.5 * K, y + 4 * K)], fill=GREY)
    save(img, w, h, "menu.png")


def main():
    os.makedirs(OUT, exist_ok=True)
    drawers = [
        ("back.png", lambda d: arrow(d, 32, BLUE, True)),
        ("forward.png", lambda d: arrow(d, 32, BLUE, False)),
        ("refresh.png", lambda d: refresh(d, 32)),
        ("stop.png", lambda d: stop(d, 32)),
        ("home.png", lambda d: home(d, 32)),
        ("page.png", lambda d: page(d, 32)),
        ("brand.png", lambda d: brand(d, 32)),
    ]
    for name, draw in drawers:
        img, d = canvas(32, 32)
        draw(d)
        save(img, 32, 32, name)
    img, d = canvas(16, 16)
    page(d, 16)
    save(img, 16, 16, "address.png")
    img, d = canvas(20, 20)
    arrow(d, 20, GREEN, False)
    save(img, 20, 20, "go.png")
    menu_strip()


if __name__ == "__main__":
    main()
