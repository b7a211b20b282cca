#!/usr/bin/python3
"""Draws the pictures of the program folder: dist/immagini/* and dist/logo/logo.bmp.

    /usr/bin/python3 scripts/draw-pictures.py [dist-folder]

The pictures are committed, so this script is only needed to change them. It
needs Pillow (Debian: python3-pil) and, for the lettering, the Liberation or
DejaVu fonts (fonts-liberation2, fonts-dejavu-core); without them it falls back
to Pillow's own small font.

Everything is drawn at several times its final size and scaled down, which
gives smooth edges without a vector renderer. GIFs keep one transparent colour;
their edges are blended against the light grey of a window so that they do not
show a halo there.
"""

import io
import math
import os
import random
import struct
import sys

from PIL import Image, ImageDraw, ImageFilter, ImageFont

WINDOW_GREY = (240, 240, 240)
BLOOD = (196, 22, 28)
BLOOD_DARK = (128, 10, 16)
NAVY = (24, 52, 110)

FONT_FILES = {
    "bold": ["/usr/share/fonts/truetype/liberation2/LiberationSans-Bold.ttf",
             "/usr/share/fonts/truetype/dejavu/DejaVuSans-Bold.ttf"],
    "regular": ["/usr/share/fonts/truetype/liberation2/LiberationSans-Regular.ttf",
                "/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf"],
}


def font(size, weight="bold"):
    for path in FONT_FILES[weight]:
        if os.path.exists(path):
            return ImageFont.truetype(path, size)
    return ImageFont.load_default()


class Canvas:
    """An RGBA drawing surface of a final size w x h, drawn at scale s."""

    def __init__(self, w, h, s=8, background=(0, 0, 0, 0)):
        self.w, self.h, self.s = w, h, s
        self.img = Image.new("RGBA", (w * s, h * s), background)

    def _draw(self, paint, *colours):
        """Runs paint(draw). ImageDraw replaces RGBA pixels instead of blending them, so a
        see-through colour is painted on a layer of its own and composited."""
        if any(c is not None and len(c) == 4 and c[3] < 255 for c in colours):
            layer = Image.new("RGBA", self.img.size, (0, 0, 0, 0))
            paint(ImageDraw.Draw(layer))
            self.img.alpha_composite(layer)
        else:
            paint(ImageDraw.Draw(self.img))

    def p(self, *xy):
        """Final-size coordinates to drawing coordinates."""
        return [v * self.s for v in xy]

    def rect(self, x0, y0, x1, y1, fill=None, outline=None, width=0, radius=0):
        box = self.p(x0, y0, x1, y1)
        wd = max(1, round(width * self.s)) if outline else 0
        if radius:
            self._draw(lambda d: d.rounded_rectangle(box, radius=radius * self.s, fill=fill, outline=outline,
                                                     width=wd), fill, outline)
        else:
            self._draw(lambda d: d.rectangle(box, fill=fill, outline=outline, width=wd), fill, outline)

    def ellipse(self, x0, y0, x1, y1, fill=None, outline=None, width=0):
        wd = max(1, round(width * self.s)) if outline else 0
        box = self.p(x0, y0, x1, y1)
        self._draw(lambda d: d.ellipse(box, fill=fill, outline=outline, width=wd), fill, outline)

    def poly(self, pts, fill=None, outline=None, width=0):
        flat = [v * self.s for pt in pts for v in pt]
        if fill is not None:
            self._draw(lambda d: d.polygon(flat, fill=fill), fill)
        if outline:
            closed = pts + [pts[0]]
            self.line(closed, outline, width)

    def line(self, pts, fill, width=1):
        flat = [v * self.s for pt in pts for v in pt]
        wd = max(1, round(width * self.s))
        self._draw(lambda d: d.line(flat, fill=fill, width=wd, joint="curve"), fill)

    def arc(self, x0, y0, x1, y1, start, end, fill, width=1):
        box, wd = self.p(x0, y0, x1, y1), max(1, round(width * self.s))
        self._draw(lambda d: d.arc(box, start, end, fill=fill, width=wd), fill)

    def text(self, x, y, txt, size, fill, weight="bold", anchor="la"):
        f = font(round(size * self.s), weight)
        self._draw(lambda d: d.text((x * self.s, y * self.s), txt, font=f, fill=fill, anchor=anchor), fill)

    def text_width(self, txt, size, weight="bold"):
        return font(round(size * self.s), weight).getlength(txt) / self.s

    def vgradient(self, x0, y0, x1, y1, top, bottom, radius=0):
        """A vertical colour gradient inside a (rounded) rectangle."""
        bx = self.p(x0, y0, x1, y1)
        bw, bh = int(bx[2] - bx[0]), int(bx[3] - bx[1])
        grad = Image.new("RGBA", (bw, bh))
        gd = ImageDraw.Draw(grad)
        for yy in range(bh):
            t = yy / max(1, bh - 1)
            c = tuple(round(a + (b - a) * t) for a, b in zip(top, bottom))
            gd.line([(0, yy), (bw, yy)], fill=c + (255,) if len(c) == 3 else c)
        mask = Image.new("L", (bw, bh), 0)
        ImageDraw.Draw(mask).rounded_rectangle([0, 0, bw - 1, bh - 1], radius=radius * self.s, fill=255)
        self.img.paste(grad, (int(bx[0]), int(bx[1])), mask)

    def final(self):
        return self.img.resize((self.w, self.h), Image.LANCZOS)


def drop_points(cx, top, bottom, half_width, steps=48):
    """Outline of a drop: a circle at the bottom whose two tangents meet in a point at the top."""
    r = half_width
    cy = bottom - r
    d = max(cy - top, r * 1.01)
    alpha = math.acos(r / d)  # angle at the centre between the tip and a tangent point
    start, end = -math.pi / 2 + alpha, 3 * math.pi / 2 - alpha
    pts = [(cx, top)]
    for i in range(steps + 1):
        ang = start + (end - start) * i / steps
        pts.append((cx + r * math.cos(ang), cy + r * math.sin(ang)))
    return pts


def draw_drop(c, cx, top, bottom, half_width, colour=BLOOD, shine=True):
    pts = drop_points(cx, top, bottom, half_width)
    c.poly(pts, fill=colour)
    if shine:
        r = half_width
        cy = bottom - r
        c.ellipse(cx - r * 0.55, cy - r * 0.45, cx - r * 0.2, cy + r * 0.05, fill=(255, 255, 255, 110))


# ---------------------------------------------------------------------------
# Saving


def save_gif(img, path, matte=WINDOW_GREY, transparent=True):
    """RGBA to a palette GIF; pixels less than half opaque become the transparent colour."""
    bg = Image.new("RGBA", img.size, matte + (255,))
    rgb = Image.alpha_composite(bg, img).convert("RGB")
    pal = rgb.quantize(colors=255, method=Image.Quantize.MEDIANCUT, dither=Image.Dither.NONE)
    palette = pal.getpalette()[: 255 * 3]
    palette += [0] * (255 * 3 - len(palette)) + list(matte)
    pal.putpalette(palette)
    if transparent:
        clear = img.getchannel("A").point(lambda a: 255 if a < 128 else 0)
        pal.paste(255, (0, 0), clear)
        pal.save(path, transparency=255, optimize=False)
    else:
        pal.save(path, optimize=False)


def save_ico(images, path):
    """Icons as 32-bit DIB entries with an AND mask, the form every ICO reader knows."""
    entries, blobs = [], []
    offset = 6 + 16 * len(images)
    for im in images:
        im = im.convert("RGBA")
        w, h = im.size
        px = im.load()
        rows = []
        for y in range(h - 1, -1, -1):
            rows.append(b"".join(struct.pack("BBBB", px[x, y][2], px[x, y][1], px[x, y][0], px[x, y][3])
                                 for x in range(w)))
        mask_stride = ((w + 31) // 32) * 4
        mask = []
        for y in range(h - 1, -1, -1):
            bits = bytearray(mask_stride)
            for x in range(w):
                if px[x, y][3] == 0:
                    bits[x // 8] |= 0x80 >> (x % 8)
            mask.append(bytes(bits))
        header = struct.pack("<IiiHHIIiiII", 40, w, h * 2, 1, 32, 0, 0, 0, 0, 0, 0)
        blob = header + b"".join(rows) + b"".join(mask)
        entries.append(struct.pack("<BBBBHHII", w % 256, h % 256, 0, 0, 1, 32, len(blob), offset))
        blobs.append(blob)
        offset += len(blob)
    with open(path, "wb") as f:
        f.write(struct.pack("<HHH", 0, 1, len(images)))
        f.write(b"".join(entries))
        f.write(b"".join(blobs))


def save_icon(draw, path):
    """Draws one icon at 32 and at 16 pixels (the small one from the same drawing)."""
    big = draw(32)
    small = draw(16)
    save_ico([big, small], path)


def save_jpg(img, path, quality=86):
    img.convert("RGB").save(path, "JPEG", quality=quality, optimize=True, progressive=False)


# ---------------------------------------------------------------------------
# Flags, 32 x 20


def flag_canvas():
    return Canvas(32, 20, 8, (255, 255, 255, 255))


def flag_border(c):
    c.rect(0.1, 0.1, 31.9, 19.9, outline=(90, 90, 90), width=0.9)


def flag_vertical(colours):
    c = flag_canvas()
    for i, col in enumerate(colours):
        c.rect(32 * i / 3, 0, 32 * (i + 1) / 3, 20, fill=col)
    flag_border(c)
    return c.final()


def flag_horizontal(bands):
    """bands: (colour, weight) from top to bottom."""
    c = flag_canvas()
    total = sum(w for _, w in bands)
    y = 0
    for col, w in bands:
        c.rect(0, y, 32, y + 20 * w / total, fill=col)
        y += 20 * w / total
    flag_border(c)
    return c.final()


def flag_english():
    c = flag_canvas()
    blue, red, white = (1, 33, 105), (200, 16, 46), (255, 255, 255)
    c.rect(0, 0, 32, 20, fill=blue)
    c.line([(0, 0), (32, 20)], white, 4)
    c.line([(32, 0), (0, 20)], white, 4)
    c.line([(0, 0), (32, 20)], red, 1.3)
    c.line([(32, 0), (0, 20)], red, 1.3)
    c.rect(13, 0, 19, 20, fill=white)
    c.rect(0, 7, 32, 13, fill=white)
    c.rect(14.2, 0, 17.8, 20, fill=red)
    c.rect(0, 8.2, 32, 11.8, fill=red)
    flag_border(c)
    return c.final()


# ---------------------------------------------------------------------------
# Navigation buttons, 24 x 24

GLYPH = (22, 58, 130)


def button():
    c = Canvas(24, 24, 8)
    c.vgradient(1, 1, 23, 23, (252, 253, 255), (205, 215, 232), radius=4)
    c.rect(1, 1, 23, 23, outline=(120, 135, 165), width=1, radius=4)
    return c


def nav_next():
    c = button()
    c.poly([(8.5, 6), (17.5, 12), (8.5, 18)], fill=GLYPH)
    return c.final()


def nav_previous():
    c = button()
    c.poly([(15.5, 6), (6.5, 12), (15.5, 18)], fill=GLYPH)
    return c.final()


def nav_first():
    c = button()
    c.rect(6, 6, 8.2, 18, fill=GLYPH)
    c.poly([(17.5, 6), (9, 12), (17.5, 18)], fill=GLYPH)
    return c.final()


def nav_last():
    c = button()
    c.poly([(6.5, 6), (15, 12), (6.5, 18)], fill=GLYPH)
    c.rect(15.8, 6, 18, 18, fill=GLYPH)
    return c.final()


def nav_goto():
    c = button()
    c.rect(11, 6, 18.5, 18, fill=(255, 255, 255), outline=GLYPH, width=1.4, radius=1)
    c.line([(4.5, 12), (12.5, 12)], GLYPH, 2)
    c.poly([(11, 8.5), (15, 12), (11, 15.5)], fill=GLYPH)
    return c.final()


def nav_refresh():
    c = button()
    green = (24, 120, 60)
    r, end = 5.6, 290
    c.arc(12 - r, 12 - r, 12 + r, 12 + r, end - 300, end, green, 2.2)
    # arrow head at the end of the arc, pointing on clockwise
    t = math.radians(end)
    ex, ey = 12 + r * math.cos(t), 12 + r * math.sin(t)
    dx, dy = -math.sin(t), math.cos(t)
    nx, ny = math.cos(t), math.sin(t)
    c.poly([(ex + dx * 3.6, ey + dy * 3.6), (ex + nx * 3, ey + ny * 3), (ex - nx * 3, ey - ny * 3)], fill=green)
    return c.final()


# ---------------------------------------------------------------------------
# Icons, 32 x 32 (and 16 x 16)


def icon_search(n):
    c = Canvas(n, n, 8)
    k = n / 32
    c.line([(19.5 * k, 19.5 * k), (28.5 * k, 28.5 * k)], (92, 60, 30), 4.6 * k)
    c.line([(20.5 * k, 20.5 * k), (27.5 * k, 27.5 * k)], (140, 96, 52), 2.4 * k)
    c.ellipse(3 * k, 3 * k, 23 * k, 23 * k, fill=(200, 228, 250, 235), outline=(60, 70, 90), width=2.6 * k)
    c.arc(7 * k, 7 * k, 19 * k, 19 * k, 190, 260, (255, 255, 255), 1.8 * k)
    return c.final()


def icon_qc(n):
    """A control chart: mean and limit lines with a run of points."""
    c = Canvas(n, n, 8)
    k = n / 32
    c.rect(1.5 * k, 3 * k, 30.5 * k, 29 * k, fill=(255, 255, 255), outline=(70, 80, 100), width=1.4 * k, radius=2 * k)
    for y, col in ((8.5, (210, 40, 40)), (23.5, (210, 40, 40)), (16, (40, 140, 60))):
        c.line([(4 * k, y * k), (28 * k, y * k)], col, 1.1 * k)
    pts = [(5.5, 16), (9, 12.5), (12.5, 18.5), (16, 14), (19.5, 19.5), (23, 11.5), (26.5, 15.5)]
    pts = [(x * k, y * k) for x, y in pts]
    c.line(pts, (30, 70, 160), 1.5 * k)
    for x, y in pts:
        c.ellipse(x - 1.5 * k, y - 1.5 * k, x + 1.5 * k, y + 1.5 * k, fill=(30, 70, 160))
    return c.final()


def icon_worksheet(n):
    c = Canvas(n, n, 8)
    k = n / 32
    c.poly([(6 * k, 2 * k), (21 * k, 2 * k), (27 * k, 8 * k), (27 * k, 30 * k), (6 * k, 30 * k)],
           fill=(255, 255, 255), outline=(70, 80, 100), width=1.4 * k)
    c.poly([(21 * k, 2 * k), (21 * k, 8 * k), (27 * k, 8 * k)], fill=(215, 222, 235), outline=(70, 80, 100),
           width=1.2 * k)
    c.rect(9 * k, 10 * k, 24 * k, 13 * k, fill=(60, 110, 190))
    for i in range(5):
        y = (15.5 + i * 3) * k
        c.line([(9 * k, y), (13 * k, y)], (120, 130, 150), 1.2 * k)
        c.line([(15 * k, y), (24 * k, y)], (120, 130, 150), 1.2 * k)
    return c.final()


def icon_printer(n):
    c = Canvas(n, n, 8)
    k = n / 32
    c.rect(8 * k, 3 * k, 24 * k, 14 * k, fill=(255, 255, 255), outline=(80, 80, 90), width=1.2 * k)
    for y in (6.5, 9, 11.5):
        c.line([(10.5 * k, y * k), (21.5 * k, y * k)], (150, 150, 160), 1 * k)
    c.rect(2 * k, 12 * k, 30 * k, 25 * k, fill=(110, 118, 135), outline=(55, 60, 72), width=1.2 * k, radius=3 * k)
    c.rect(4 * k, 14 * k, 28 * k, 16 * k, fill=(150, 158, 175))
    c.ellipse(24.5 * k, 18 * k, 27 * k, 20.5 * k, fill=(80, 210, 90))
    c.rect(8 * k, 21 * k, 24 * k, 30 * k, fill=(255, 255, 255), outline=(80, 80, 90), width=1.2 * k)
    for y in (24, 26.5):
        c.line([(10.5 * k, y * k), (21.5 * k, y * k)], (60, 60, 70), 1 * k)
    return c.final()


def icon_blood_count(n):
    """A drop of blood with red cells beside it."""
    c = Canvas(n, n, 8)
    k = n / 32
    draw_drop(c, 12 * k, 1.5 * k, 29 * k, 9.5 * k)
    for cx, cy, r in ((24, 22, 6), (25.5, 10, 4.2)):
        c.ellipse((cx - r) * k, (cy - r) * k, (cx + r) * k, (cy + r) * k, fill=(220, 60, 60), outline=BLOOD_DARK,
                  width=1 * k)
        c.ellipse((cx - r * 0.45) * k, (cy - r * 0.45) * k, (cx + r * 0.45) * k, (cy + r * 0.45) * k,
                  fill=(245, 140, 140))
    return c.final()


def icon_archive(n):
    c = Canvas(n, n, 8)
    k = n / 32
    brown, dark, light = (196, 150, 92), (120, 84, 40), (220, 182, 128)
    c.rect(4 * k, 12 * k, 28 * k, 29 * k, fill=brown, outline=dark, width=1.3 * k)
    c.rect(2 * k, 5 * k, 30 * k, 12.5 * k, fill=light, outline=dark, width=1.3 * k, radius=1 * k)
    c.rect(11 * k, 16 * k, 21 * k, 22 * k, fill=(250, 246, 235), outline=dark, width=1 * k)
    c.line([(13 * k, 19 * k), (19 * k, 19 * k)], dark, 1.2 * k)
    return c.final()


# ---------------------------------------------------------------------------
# Analysers, 120 x 90


def analyser(model, variant):
    c = Canvas(120, 90, 6)
    body, edge = (232, 234, 238), (110, 116, 128)
    accent = {"3000": (40, 110, 180), "3200": (30, 140, 120), "3500": (60, 80, 170), "3700": (150, 60, 110)}[variant]
    # shadow on the bench
    c.ellipse(6, 80, 114, 88, fill=(0, 0, 0, 40))
    if variant == "3700":
        # main unit behind, sample loader with a rack of tubes in front
        c.rect(14, 4, 106, 56, fill=body, outline=edge, width=1, radius=3)
        c.rect(14, 4, 106, 10, fill=accent, radius=3)
        c.rect(14, 7, 106, 10, fill=accent)
        scr = (21, 15, 55, 40)
        c.rect(*scr, fill=(18, 34, 60), outline=(60, 60, 70), width=1, radius=1)
        for q in range(5):
            kx = 62 + q * 8
            c.rect(kx, 32, kx + 5.5, 37.5, fill=(190, 196, 206), outline=(140, 146, 158), width=0.5, radius=0.8)
        c.rect(4, 62, 116, 82, fill=(205, 208, 214), outline=edge, width=1, radius=2)
        for i in range(10):
            x = 12 + i * 9.8
            c.rect(x, 50, x + 4.6, 72, fill=(245, 245, 250), outline=(130, 130, 140), width=0.6, radius=1.2)
            cap = [(200, 40, 40), (120, 60, 170), (40, 140, 60)][i % 3]
            c.rect(x - 0.4, 47, x + 5, 51.5, fill=cap, radius=1)
        c.rect(8, 66, 112, 74, fill=(150, 156, 168), outline=edge, width=0.8, radius=1)
        label_x, label_y = 62, 16
    else:
        width = {"3000": 78, "3200": 92, "3500": 106}[variant]
        x0 = (120 - width) / 2
        x1 = x0 + width
        c.rect(x0, 10, x1, 80, fill=body, outline=edge, width=1, radius=4)
        c.rect(x0, 10, x1, 17, fill=accent, radius=4)
        c.rect(x0, 14, x1, 17, fill=accent)
        scr_w = {"3000": 30, "3200": 34, "3500": 40}[variant]
        scr = (x0 + 7, 23, x0 + 7 + scr_w, 50)
        c.rect(*scr, fill=(18, 34, 60), outline=(60, 60, 70), width=1, radius=1)
        # keypad
        for r in range(3):
            for q in range(4):
                kx, ky = scr[2] + 6 + q * 6, 24 + r * 6
                c.rect(kx, ky, kx + 4.2, ky + 4.2, fill=(190, 196, 206), outline=(140, 146, 158), width=0.5, radius=0.8)
        # sample probe
        px = x1 - 12
        c.rect(px - 4, 54, px + 4, 62, fill=(200, 204, 212), outline=edge, width=0.8, radius=1)
        c.line([(px, 62), (px, 70)], (120, 120, 130), 1.2)
        if variant == "3200":
            # the built-in printer: a slot with the paper coming out of it, beside the keypad
            kx0 = scr[2] + 6
            c.rect(kx0 + 2, 46, kx0 + 20, 54, fill=(255, 255, 255), outline=(150, 150, 150), width=0.5)
            for y in (48.5, 51):
                c.line([(kx0 + 4, y), (kx0 + 16, y)], (150, 150, 160), 0.6)
            c.rect(kx0, 53.5, kx0 + 22, 57, fill=(60, 62, 70), radius=1)
        if variant == "3500":
            # side module with the reagent doors
            c.line([(x1 - 26, 20), (x1 - 26, 76)], edge, 0.8)
            c.rect(x1 - 23, 22, x1 - 5, 46, fill=(220, 224, 230), outline=edge, width=0.7, radius=1.5)
        label_y = 64
        label_x = x0 + 7
    # data on the screen: a small histogram
    sx0, sy0, sx1, sy1 = scr
    pts = []
    for i in range(25):
        t = i / 24
        y = math.exp(-((t - 0.35) ** 2) / 0.02) * 0.8 + math.exp(-((t - 0.7) ** 2) / 0.01) * 0.45
        pts.append((sx0 + 3 + t * (sx1 - sx0 - 6), sy1 - 3 - y * (sy1 - sy0 - 8)))
    c.line(pts, (110, 230, 140), 0.9)
    c.line([(sx0 + 3, sy0 + 3), (sx0 + (sx1 - sx0) * 0.5, sy0 + 3)], (160, 200, 255), 0.8)
    c.text(label_x, label_y, model, 9, (40, 44, 56))
    return c.final()


# ---------------------------------------------------------------------------
# PC pictures, 64 x 64


def pc(with_data):
    c = Canvas(64, 64, 6)
    case, edge = (218, 222, 228), (90, 96, 110)
    c.rect(4, 5, 60, 45, fill=case, outline=edge, width=1.2, radius=3)
    c.rect(8, 9, 56, 40, fill=(20, 40, 80) if with_data else (40, 70, 120))
    if with_data:
        for i, (w, col) in enumerate([(38, (120, 230, 150)), (30, (120, 230, 150)), (42, (160, 200, 255)),
                                      (26, (120, 230, 150)), (34, (160, 200, 255)), (20, (120, 230, 150))]):
            y = 13 + i * 4.5
            c.line([(11, y), (11 + w, y)], col, 1.6)
    else:
        c.poly([(8, 9), (30, 9), (8, 28)], fill=(70, 100, 150))
    c.ellipse(30.5, 41.5, 33.5, 44, fill=(80, 200, 90))
    c.poly([(26, 45), (38, 45), (40, 52), (24, 52)], fill=(170, 175, 185), outline=edge, width=0.8)
    c.rect(14, 52, 50, 55, fill=(190, 194, 202), outline=edge, width=0.8, radius=1)
    c.poly([(8, 57), (56, 57), (60, 62), (4, 62)], fill=(200, 204, 212), outline=edge, width=0.8)
    for i in range(9):
        x = 10 + i * 5
        c.line([(x, 59.5), (x + 3, 59.5)], (140, 146, 158), 1)
    return c.final()


# ---------------------------------------------------------------------------
# Logos and banners


def draw_z(c, cx, cy, size, colour=(255, 255, 255), width=None):
    """A stylised Z: two bars joined by a diagonal."""
    w = width or size * 0.2
    h = size
    half = size * 0.42
    top, bottom = cy - h / 2, cy + h / 2
    c.rect(cx - half, top, cx + half, top + w, fill=colour)
    c.rect(cx - half, bottom - w, cx + half, bottom, fill=colour)
    c.poly([(cx + half, top + w), (cx + half - w * 1.25, top + w), (cx - half, bottom - w),
            (cx - half + w * 1.25, bottom - w)], fill=colour)


def logo_drop(n):
    c = Canvas(n, n, 6)
    k = n / 120
    draw_drop(c, 60 * k, 4 * k, 116 * k, 40 * k, shine=False)
    draw_z(c, 60 * k, 78 * k, 38 * k, width=8 * k)
    c.ellipse(33 * k, 62 * k, 42 * k, 76 * k, fill=(255, 255, 255, 70))
    return c.final()


def head_banner():
    c = Canvas(400, 60, 4)
    c.vgradient(0, 0, 400, 60, (150, 14, 22), (96, 6, 12))
    c.rect(0, 52, 400, 54, fill=(230, 180, 60))
    draw_drop(c, 34, 6, 50, 15, colour=(255, 255, 255), shine=False)
    draw_z(c, 34, 38, 14, colour=BLOOD, width=3)
    c.text(60, 26, "Zarvium", 34, (255, 255, 255), anchor="lm")
    c.text(392, 30, "haematology data manager", 12, (245, 215, 215), weight="regular", anchor="rm")
    return c.final()


def paw(c, cx, cy, size, colour):
    """A paw print centred on (cx, cy), size about its height."""
    s = size / 100
    c.ellipse(cx - 30 * s, cy - 2 * s, cx + 30 * s, cy + 42 * s, fill=colour)
    c.ellipse(cx - 22 * s, cy + 20 * s, cx + 22 * s, cy + 48 * s, fill=colour)
    for dx, dy, rx, ry in ((-40, -16, 11, 14), (-15, -38, 12, 15), (15, -38, 12, 15), (40, -16, 11, 14)):
        c.ellipse(cx + (dx - rx) * s, cy + (dy - ry) * s, cx + (dx + rx) * s, cy + (dy + ry) * s, fill=colour)


def vet_logo():
    c = Canvas(100, 100, 6)
    green = (26, 120, 100)
    c.ellipse(3, 3, 97, 97, fill=(255, 255, 255), outline=green, width=3)
    paw(c, 50, 46, 62, green)
    return c.final()


def vet_badge():
    c = Canvas(120, 120, 6)
    green, light = (26, 120, 100), (222, 242, 236)
    c.ellipse(4, 4, 116, 116, fill=light, outline=green, width=4)
    paw(c, 54, 58, 70, green)
    # a small medical cross
    c.rect(82, 74, 90, 98, fill=BLOOD, radius=1)
    c.rect(74, 82, 98, 90, fill=BLOOD, radius=1)
    return c.final()


def report_logo():
    """The report logo. It fills the report's logo box (about 1815 x 1575 twips) at 96 dpi."""
    c = Canvas(116, 100, 6, (255, 255, 255, 255))
    draw_drop(c, 58, 4, 70, 26, shine=False)
    draw_z(c, 58, 53, 24, width=5)
    c.ellipse(39, 42, 45, 52, fill=(255, 255, 255, 70))
    wd = c.text_width("Zarvium", 19)
    c.text(58 - wd / 2, 75, "Zarvium", 19, BLOOD_DARK)
    return c.final().convert("RGB")


# ---------------------------------------------------------------------------
# Backgrounds


def cells_background():
    w, h, s = 400, 300, 3
    img = Image.new("RGBA", (w * s, h * s), (246, 242, 252, 255))
    rnd = random.Random(20240611)
    for _ in range(70):
        r = rnd.uniform(10, 34) * s
        x, y = rnd.uniform(-20, w + 20) * s, rnd.uniform(-20, h + 20) * s
        tone = rnd.randint(0, 30)
        # each cell on a layer of its own, so that overlapping cells blend
        size = int(2 * r) + 4
        cell = Image.new("RGBA", (size, size), (0, 0, 0, 0))
        d = ImageDraw.Draw(cell)
        ox, oy = size / 2, size / 2
        d.ellipse([ox - r, oy - r, ox + r, oy + r], fill=(214 - tone, 198 - tone, 238, 70),
                  outline=(190 - tone, 170 - tone, 225, 110), width=2 * s)
        if r > 20 * s and rnd.random() < 0.55:
            # a lobed nucleus, as in a neutrophil
            lobes = rnd.choice((2, 3, 3, 4))
            base = rnd.uniform(0, 2 * math.pi)
            nucleus = Image.new("RGBA", cell.size, (0, 0, 0, 0))
            nd = ImageDraw.Draw(nucleus)
            for i in range(lobes):
                a = base + i * 2 * math.pi / lobes * 0.55
                lx, ly = ox + math.cos(a) * r * 0.32, oy + math.sin(a) * r * 0.32
                lr = r * 0.26
                nd.ellipse([lx - lr, ly - lr, lx + lr, ly + lr], fill=(168, 140, 210, 120))
            cell.alpha_composite(nucleus)
        layer = Image.new("RGBA", img.size, (0, 0, 0, 0))
        layer.paste(cell, (int(x - ox), int(y - oy)))
        img.alpha_composite(layer)
    img = img.convert("RGB").filter(ImageFilter.GaussianBlur(2.2 * s))
    return img.resize((w, h), Image.LANCZOS)


def glassware():
    c = Canvas(160, 120, 4)
    c.vgradient(0, 0, 160, 120, (236, 244, 250), (206, 222, 236))
    c.rect(0, 100, 160, 120, fill=(178, 190, 204))
    glass, edge = (235, 245, 252, 170), (90, 110, 130)
    # Erlenmeyer flask with blue liquid
    c.poly([(26, 100), (62, 100), (50, 58), (50, 34), (38, 34), (38, 58)], fill=glass)
    c.poly([(29.5, 98), (58.5, 98), (52, 74), (36, 74)], fill=(70, 130, 210, 220))
    c.poly([(26, 100), (62, 100), (50, 58), (50, 34), (38, 34), (38, 58)], outline=edge, width=1.4)
    c.rect(36, 30, 52, 34, fill=(200, 210, 220), outline=edge, width=1)
    # beaker with red liquid
    c.rect(72, 62, 100, 100, fill=glass)
    c.rect(73.5, 78, 98.5, 98.5, fill=(200, 40, 50, 220))
    c.line([(72, 60), (72, 100), (100, 100), (100, 60)], edge, 1.4)
    for y in (70, 78, 86):
        c.line([(94, y), (99, y)], edge, 0.8)
    # test tubes in a rack
    cols = [(200, 40, 50), (120, 70, 180), (50, 150, 80)]
    for i in range(3):
        x = 112 + i * 13
        c.rect(x, 44, x + 8, 96, fill=glass, radius=4)
        c.rect(x + 1, 70 + i * 4, x + 7, 95, fill=cols[i] + (220,), radius=3)
        c.rect(x, 44, x + 8, 96, outline=edge, width=1, radius=4)
    c.rect(106, 80, 154, 86, fill=(150, 110, 70), outline=(100, 70, 40), width=0.8)
    c.rect(108, 86, 112, 100, fill=(150, 110, 70))
    c.rect(148, 86, 152, 100, fill=(150, 110, 70))
    return c.final().convert("RGB")


# ---------------------------------------------------------------------------


def main():
    here = os.path.dirname(os.path.abspath(__file__))
    dist = sys.argv[1] if len(sys.argv) > 1 else os.path.join(here, "..", "dist")
    imm = os.path.join(dist, "immagini")
    logo = os.path.join(dist, "logo")
    os.makedirs(imm, exist_ok=True)
    os.makedirs(logo, exist_ok=True)

    def out(name):
        return os.path.join(imm, name)

    # Flags carry their own border and fill the whole picture.
    save_gif(flag_vertical([(0, 146, 70), (255, 255, 255), (206, 43, 55)]), out("italian.gif"), transparent=False)
    save_gif(flag_english(), out("english.gif"), transparent=False)
    save_gif(flag_horizontal([((20, 20, 20), 1), ((221, 0, 0), 1), ((255, 206, 0), 1)]), out("german.gif"),
             transparent=False)
    save_gif(flag_vertical([(0, 35, 149), (255, 255, 255), (237, 41, 57)]), out("french.gif"), transparent=False)
    save_gif(flag_horizontal([((170, 21, 27), 1), ((241, 191, 0), 2), ((170, 21, 27), 1)]), out("spanish.gif"),
             transparent=False)
    save_gif(flag_horizontal([((255, 255, 255), 1), ((0, 57, 166), 1), ((213, 43, 30), 1)]), out("russia.gif"),
             transparent=False)

    save_gif(nav_next(), out("avanti.gif"))
    save_gif(nav_previous(), out("indietro.gif"))
    save_gif(nav_first(), out("inizio.gif"))
    save_gif(nav_last(), out("fine.gif"))
    save_gif(nav_goto(), out("goto2.gif"))
    save_gif(nav_refresh(), out("refresh.gif"))

    save_icon(icon_search, out("search.ico"))
    save_icon(icon_qc, out("vrml.ico"))
    save_icon(icon_worksheet, out("simm.ico"))
    save_icon(icon_printer, out("printer.ico"))
    save_icon(icon_blood_count, out("emocromi.ico"))
    save_icon(icon_archive, out("arch.ico"))

    save_gif(analyser("CD3000", "3000"), out("cd3000small.gif"))
    save_gif(analyser("CD3200", "3200"), out("cd3200small.gif"))
    save_gif(analyser("CD3500", "3500"), out("cd3500small.gif"))
    save_gif(analyser("CD3700", "3700"), out("3700.gif"))

    save_gif(pc(False), out("pc.gif"))
    save_gif(pc(True), out("pcdata.gif"))
    save_gif(head_banner(), out("head.gif"), transparent=False)
    save_gif(logo_drop(120), out("logo.gif"))
    save_gif(vet_logo(), out("logoVeterinaria100.gif"))
    save_gif(vet_badge(), out("veterinary120.gif"))

    save_jpg(cells_background(), out("neutrofilibg.jpg"))
    save_jpg(glassware(), out("lab2_small.jpg"))

    report_logo().save(os.path.join(logo, "logo.bmp"), "BMP", dpi=(96, 96))


if __name__ == "__main__":
    main()
