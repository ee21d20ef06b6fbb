#!/usr/bin/env python3
"""Draws the toolbar icons and the logo and writes them as XPM data to
ui/main/Icons.cpp, at their designed size and at twice it (drawn from the
same shapes, for larger text sizes).

Shapes are rasterised with 4x4 supersampling. XPM has only full
transparency, so edge pixels that are mostly covered are blended with the
toolbar's button face and thin slivers are left transparent.
Glyphs (the question mark, the logo's name) come from ImageMagick's
"convert" with the DejaVu fonts. Run from the source folder:
    python3 ui/main/icons/make_icons.py
"""
import math
import os
import subprocess
import sys

SS = 4
# Pixels per unit of the drawings: 1 for the designed size, 2 for twice it.
K = 1
FACE = (214, 214, 219)  # approximate button face the edges are blended with


def clamp(v, lo=0.0, hi=1.0):
    return max(lo, min(hi, v))


def mix(a, b, t):
    return tuple(a[i] + (b[i] - a[i]) * t for i in range(3))


# Signed distances (negative inside) -----------------------------------------

def circle(cx, cy, r):
    return lambda x, y: math.hypot(x - cx, y - cy) - r


def ellipse(cx, cy, rx, ry):
    def f(x, y):
        k = math.hypot((x - cx) / rx, (y - cy) / ry)
        return (k - 1.0) * min(rx, ry)
    return f


def capsule(ax, ay, bx, by, r):
    def f(x, y):
        dx, dy = bx - ax, by - ay
        t = clamp(((x - ax) * dx + (y - ay) * dy) / (dx * dx + dy * dy))
        return math.hypot(x - (ax + t * dx), y - (ay + t * dy)) - r
    return f


def rrect(x0, y0, x1, y1, r):
    cx, cy = (x0 + x1) / 2.0, (y0 + y1) / 2.0
    hx, hy = (x1 - x0) / 2.0 - r, (y1 - y0) / 2.0 - r

    def f(x, y):
        qx, qy = abs(x - cx) - hx, abs(y - cy) - hy
        return math.hypot(max(qx, 0), max(qy, 0)) + min(max(qx, qy), 0) - r
    return f


def polygon(points):
    def inside(x, y):
        c = False
        n = len(points)
        for i in range(n):
            x0, y0 = points[i]
            x1, y1 = points[(i + 1) % n]
            if (y0 > y) != (y1 > y) and x < (x1 - x0) * (y - y0) / (y1 - y0) + x0:
                c = not c
        return c

    def dist(x, y):
        best = 1e9
        n = len(points)
        for i in range(n):
            ax, ay = points[i]
            bx, by = points[(i + 1) % n]
            best = min(best, capsule(ax, ay, bx, by, 0)(x, y))
        return -best if inside(x, y) else best
    return dist


def union(*fs):
    return lambda x, y: min(f(x, y) for f in fs)


def intersect(*fs):
    return lambda x, y: max(f(x, y) for f in fs)


def halfplane_below(y0):
    """Inside where y <= y0."""
    return lambda x, y: y - y0


def grow(f, d):
    return lambda x, y: f(x, y) - d


# Glyph masks from ImageMagick ------------------------------------------------

def glyph_mask(text, font, pointsize, w, h, ox, oy):
    """A coverage function for text drawn in a w x h box at (ox, oy), centred."""
    W, H = w * SS * K, h * SS * K
    out = subprocess.run(
        ["convert", "-size", "%dx%d" % (W, H), "xc:black", "-fill", "white", "-font", font,
         "-pointsize", str(pointsize * SS * K), "-gravity", "center", "-annotate", "+0+0", text,
         "-depth", "8", "pgm:-"], check=True, capture_output=True).stdout
    # Binary PGM: header "P5\n<w> <h>\n255\n"
    parts = out.split(b"\n", 3)
    data = parts[3]

    def f(x, y):
        px, py = int((x - ox) * SS * K), int((y - oy) * SS * K)
        if px < 0 or py < 0 or px >= W or py >= H:
            return 0.0
        return data[py * W + px] / 255.0
    return f


# Canvas ------------------------------------------------------------------------

class Canvas:
    def __init__(self, w, h):
        self.w, self.h = w, h
        self.layers = []

    def shape(self, sdf, color):
        """Fill where sdf <= 0; color is an RGB tuple or a function of (x, y)."""
        self.layers.append(("sdf", sdf, color))

    def mask(self, cov, color):
        self.layers.append(("mask", cov, color))

    def sample(self, x, y):
        rgb, a = None, 0.0
        for kind, f, color in self.layers:
            if kind == "sdf":
                cov = 1.0 if f(x, y) <= 0 else 0.0
            else:
                cov = f(x, y)
            if cov <= 0:
                continue
            c = color(x, y) if callable(color) else color
            if rgb is None:
                rgb, a = c, cov
            else:
                rgb = mix(rgb, c, cov)
                a = a + (1 - a) * cov
        return rgb, a

    def render(self):
        pixels = []
        for j in range(self.h * K):
            row = []
            for i in range(self.w * K):
                acc = [0.0, 0.0, 0.0]
                alpha = 0.0
                for sj in range(SS):
                    for si in range(SS):
                        x = (i + (si + 0.5) / SS) / K
                        y = (j + (sj + 0.5) / SS) / K
                        rgb, a = self.sample(x, y)
                        if rgb is None:
                            continue
                        for k in range(3):
                            acc[k] += rgb[k] * a
                        alpha += a
                n = SS * SS
                cover = alpha / n
                if cover < 0.4:
                    row.append(None)
                    continue
                col = tuple(acc[k] / alpha for k in range(3))
                col = mix(FACE, col, clamp(cover * 1.05))
                row.append(tuple(int(round(clamp(c, 0, 255))) for c in col))
            pixels.append(row)
        return pixels


def vgrad(top, bottom, y0, y1):
    return lambda x, y: mix(top, bottom, clamp((y - y0) / (y1 - y0)))


# The pictures --------------------------------------------------------------------

OUTLINE = (48, 62, 92)


def person(c, dx=0.0, dy=0.0, scale=1.0):
    head = circle(9.0 * scale + dx, 6.8 * scale + dy, 4.3 * scale)
    body = intersect(ellipse(9.0 * scale + dx, 21.5 * scale + dy, 7.8 * scale, 9.0 * scale),
                     halfplane_below(21.6 * scale + dy))
    shirt = vgrad((110, 160, 225), (40, 90, 170), 12 * scale + dy, 22 * scale + dy)
    skin = vgrad((255, 222, 190), (226, 176, 136), 2.5 * scale + dy, 11 * scale + dy)
    c.shape(grow(body, 0.9), OUTLINE)
    c.shape(body, shirt)
    c.shape(grow(head, 0.9), OUTLINE)
    c.shape(head, skin)


def badge(c, cx, cy, r, top, bottom):
    c.shape(circle(cx, cy, r + 1.0), (255, 255, 255))
    c.shape(circle(cx, cy, r), vgrad(top, bottom, cy - r, cy + r))


def add_user():
    c = Canvas(24, 24)
    person(c)
    badge(c, 17.6, 17.4, 5.6, (96, 200, 96), (30, 130, 45))
    c.shape(capsule(17.6, 14.3, 17.6, 20.5, 0.95), (255, 255, 255))
    c.shape(capsule(14.5, 17.4, 20.7, 17.4, 0.95), (255, 255, 255))
    return c


def remove_user():
    c = Canvas(24, 24)
    person(c)
    badge(c, 17.6, 17.4, 5.6, (240, 90, 80), (180, 25, 25))
    c.shape(capsule(14.4, 17.4, 20.8, 17.4, 1.05), (255, 255, 255))
    return c


def edit_user():
    c = Canvas(24, 24)
    person(c, dx=-1.0, dy=2.0, scale=0.92)
    # A light grey pencil lying over the person, point down to the left.
    ax, ay, bx, by = 21.5, 2.5, 11.5, 12.5  # back end, start of the point
    px, py = 8.6, 15.4                      # the tip
    w = 2.6                                 # half width across the pencil
    body = polygon([(ax + w * 0.7071, ay + w * 0.7071), (bx + w * 0.7071, by + w * 0.7071),
                    (bx - w * 0.7071, by - w * 0.7071), (ax - w * 0.7071, ay - w * 0.7071)])
    point = polygon([(bx + w * 0.7071, by + w * 0.7071), (px, py), (bx - w * 0.7071, by - w * 0.7071)])
    grey = lambda x, y: mix((238, 238, 242), (176, 178, 186), clamp(((x - y) - (ax - ay) + 8) / 16.0))
    c.shape(grow(union(body, point), 0.9), (90, 92, 104))
    c.shape(body, grey)
    c.shape(point, (236, 214, 176))
    c.shape(intersect(point, circle(px, py, 2.2)), (70, 70, 78))
    # Ferrule band near the back end.
    band = polygon([(19.0 + w * 0.7071, 5.0 + w * 0.7071), (18.0 + w * 0.7071, 6.0 + w * 0.7071),
                    (18.0 - w * 0.7071, 6.0 - w * 0.7071), (19.0 - w * 0.7071, 5.0 - w * 0.7071)])
    c.shape(band, (150, 152, 162))
    return c


def clear_chart():
    c = Canvas(24, 24)
    frame = rrect(1.5, 2.5, 21.5, 19.5, 1.5)
    c.shape(grow(frame, 0.9), (60, 72, 96))
    c.shape(frame, vgrad((150, 168, 196), (100, 120, 152), 2.5, 19.5))
    c.shape(rrect(3.5, 4.5, 19.5, 17.5, 0.5), (236, 240, 246))
    # Grid lines.
    for gy in (8.0, 11.5, 15.0):
        c.shape(capsule(3.5, gy, 19.5, gy, 0.3), (196, 206, 222))
    line = [(4.5, 15.0), (8.0, 10.0), (11.0, 12.5), (14.5, 6.5), (18.5, 9.0)]
    for (ax, ay), (bx, by) in zip(line, line[1:]):
        c.shape(capsule(ax, ay, bx, by, 1.1), (245, 140, 30))
    badge(c, 18.0, 18.0, 5.2, (240, 90, 80), (180, 25, 25))
    c.shape(capsule(16.0, 16.0, 20.0, 20.0, 0.9), (255, 255, 255))
    c.shape(capsule(20.0, 16.0, 16.0, 20.0, 0.9), (255, 255, 255))
    return c


def help_icon():
    c = Canvas(24, 24)
    disc = circle(12.0, 12.0, 10.3)
    c.shape(grow(disc, 0.9), (20, 50, 120))
    c.shape(disc, vgrad((90, 150, 240), (25, 75, 180), 2.0, 22.0))
    # A soft highlight at the top.
    c.shape(intersect(ellipse(12.0, 7.0, 7.0, 4.0), disc), lambda x, y: mix((150, 195, 255), (90, 150, 240),
                                                                             clamp((y - 3.0) / 7.0)))
    c.mask(glyph_mask("?", "DejaVu-Sans-Bold", 16, 24, 24, 0.0, 0.5), (255, 255, 255))
    return c


def logo():
    c = Canvas(65, 24)
    # Emblem: a rounded square with a pulse line.
    box = rrect(1.5, 2.5, 20.5, 21.5, 4.0)
    c.shape(grow(box, 0.9), (120, 20, 40))
    c.shape(box, vgrad((235, 80, 90), (175, 25, 50), 2.5, 21.5))
    wave = [(3.5, 12.5), (7.0, 12.5), (9.0, 8.0), (11.5, 17.0), (13.5, 10.0), (15.0, 12.5), (18.5, 12.5)]
    for (ax, ay), (bx, by) in zip(wave, wave[1:]):
        c.shape(capsule(ax, ay, bx, by, 1.05), (255, 255, 255))
    c.mask(glyph_mask("Brelwick", "DejaVu-Sans-Condensed-Bold", 9, 44, 24, 21.5, 0.0), (35, 60, 110))
    return c


# XPM output ----------------------------------------------------------------------

KEYS = "".join(chr(c) for c in range(35, 127) if chr(c) not in "\\\"")


def to_xpm(name, pixels):
    h, w = len(pixels), len(pixels[0])
    colors = {}
    for row in pixels:
        for p in row:
            if p is not None and p not in colors:
                colors[p] = len(colors)
    keys = {}
    order = ["  "]
    for p, i in colors.items():
        k = KEYS[i // len(KEYS)] + KEYS[i % len(KEYS)] if i < len(KEYS) * len(KEYS) else None
        if k == "  ":
            k = "!!"
        keys[p] = k
        order.append(k)
    lines = ['"%d %d %d 2",' % (w, h, len(colors) + 1), '"   c None",']
    for p, i in colors.items():
        lines.append('"%s c #%02X%02X%02X",' % (keys[p], p[0], p[1], p[2]))
    for j, row in enumerate(pixels):
        text = "".join("  " if p is None else keys[p] for p in row)
        lines.append('"%s"%s' % (text, "," if j + 1 < h else ""))
    body = "\n".join("    " + l for l in lines)
    return "const char* const %s[] = {\n%s\n};\n" % (name, body)


def main():
    global K
    root = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
    pictures = [("addUser", add_user), ("editUser", edit_user), ("removeUser", remove_user),
                ("clearChart", clear_chart), ("help", help_icon), ("logo", logo)]
    out = ["// Generated by ui/main/icons/make_icons.py: the toolbar icons and the logo.",
           '#include "ui/main/Icons.h"', "", "namespace Icons {", ""]
    for scale, suffix in ((1, ""), (2, "2x")):
        K = scale
        for name, make in pictures:
            out.append(to_xpm(name + suffix, make().render()))
    out.append("}  // namespace Icons")
    with open(os.path.join(root, "Icons.cpp"), "w") as f:
        f.write("\n".join(out) + "\n")
    return 0


if __name__ == "__main__":
    sys.exit(main())
