#!/usr/bin/env python3
"""Draws the skin's small images and the link LEDs as PNG files (no dependencies).

Run from the repository root: python3 tools/draw_images.py
Shapes are described by coverage functions and rendered with 4x4 supersampling.
"""
import math
import os
import struct
import zlib

ROOT = os.path.join(os.path.dirname(os.path.abspath(__file__)), '..', 'resources')


def write_png(path, width, height, pixels):
    raw = bytearray()
    for y in range(height):
        raw.append(0)
        for x in range(width):
            raw.extend(pixels[y * width + x])

    def chunk(tag, data):
        body = tag + data
        return struct.pack('>I', len(data)) + body + struct.pack('>I', zlib.crc32(body) & 0xFFFFFFFF)

    png = b'\x89PNG\r\n\x1a\n'
    png += chunk(b'IHDR', struct.pack('>IIBBBBB', width, height, 8, 6, 0, 0, 0))
    png += chunk(b'IDAT', zlib.compress(bytes(raw), 9))
    png += chunk(b'IEND', b'')
    with open(path, 'wb') as f:
        f.write(png)


def render(width, height, layers):
    """layers: list of (inside(x, y) -> bool, (r, g, b, a)) painted in order."""
    pixels = []
    n = 4
    for py in range(height):
        for px in range(width):
            acc = [0.0, 0.0, 0.0, 0.0]  # premultiplied
            for sy in range(n):
                for sx in range(n):
                    x = px + (sx + 0.5) / n
                    y = py + (sy + 0.5) / n
                    col = [0.0, 0.0, 0.0, 0.0]
                    for inside, rgba in layers:
                        c = rgba(x, y) if callable(rgba) else rgba
                        if inside(x, y):
                            a = c[3] / 255.0
                            col = [c[0] * a + col[0] * (1 - a), c[1] * a + col[1] * (1 - a),
                                   c[2] * a + col[2] * (1 - a), a + col[3] * (1 - a)]
                    for i in range(4):
                        acc[i] += col[i]
            a = acc[3] / (n * n)
            if a > 0:
                rgb = [min(255, round(acc[i] / (n * n) / a)) for i in range(3)]
            else:
                rgb = [0, 0, 0]
            pixels.append(bytes(rgb + [round(a * 255)]))
    return pixels


def triangle(p0, p1, p2):
    def inside(x, y):
        def side(a, b):
            return (b[0] - a[0]) * (y - a[1]) - (b[1] - a[1]) * (x - a[0])
        s0, s1, s2 = side(p0, p1), side(p1, p2), side(p2, p0)
        return (s0 >= 0 and s1 >= 0 and s2 >= 0) or (s0 <= 0 and s1 <= 0 and s2 <= 0)
    return inside


def rounded_rect(x0, y0, x1, y1, r):
    def inside(x, y):
        if not (x0 <= x <= x1 and y0 <= y <= y1):
            return False
        cx = min(max(x, x0 + r), x1 - r)
        cy = min(max(y, y0 + r), y1 - r)
        return (x - cx) ** 2 + (y - cy) ** 2 <= r * r
    return inside


def circle(cx, cy, r):
    return lambda x, y: (x - cx) ** 2 + (y - cy) ** 2 <= r * r


def ring(cx, cy, r_out, r_in):
    return lambda x, y: r_in * r_in < (x - cx) ** 2 + (y - cy) ** 2 <= r_out * r_out


def thick_polyline(points, w):
    def inside(x, y):
        for (ax, ay), (bx, by) in zip(points, points[1:]):
            dx, dy = bx - ax, by - ay
            t = max(0.0, min(1.0, ((x - ax) * dx + (y - ay) * dy) / (dx * dx + dy * dy)))
            if (x - ax - t * dx) ** 2 + (y - ay - t * dy) ** 2 <= (w / 2) ** 2:
                return True
        return False
    return inside


LIGHT = (0xDC, 0xDC, 0xDC, 255)
BLUE = (0x1E, 0x90, 0xFF, 255)
DARK = (0x24, 0x24, 0x24, 255)
GREY = (0x90, 0x90, 0x90, 255)
WHITE = (0xFF, 0xFF, 0xFF, 255)
DISABLED_FILL = (0xE6, 0xE6, 0xE6, 255)


def arrows():
    out = {}
    out['add_bottom.png'] = (10, 10, [(triangle((1, 3), (9, 3), (5, 8)), (0x24, 0x24, 0x24, 255))])
    out['add_top.png'] = (10, 10, [(triangle((1, 7), (9, 7), (5, 2)), (0x24, 0x24, 0x24, 255))])
    out['branch_open.png'] = (10, 10, [(triangle((1, 3), (9, 3), (5, 8)), LIGHT)])
    out['branch_close.png'] = (10, 10, [(triangle((3, 1), (3, 9), (8, 5)), LIGHT)])
    out['calendar_prevmonth.png'] = (16, 16, [(triangle((11, 3), (11, 13), (4, 8)), LIGHT)])
    out['calendar_nextmonth.png'] = (16, 16, [(triangle((5, 3), (5, 13), (12, 8)), LIGHT)])
    return out


def checkboxes():
    out = {}
    box = rounded_rect(0.5, 0.5, 12.5, 12.5, 2)
    inner = rounded_rect(1.5, 1.5, 11.5, 11.5, 1.5)
    tick = thick_polyline([(3.2, 6.8), (5.6, 9.2), (10, 3.8)], 1.8)
    bar = rounded_rect(3, 5.6, 10, 7.4, 0.6)
    for disabled in (False, True):
        suffix = '_disable' if disabled else ''
        edge = GREY if disabled else DARK
        fill = DISABLED_FILL if disabled else WHITE
        mark = GREY if disabled else BLUE
        out['checkbox_unchecked%s.png' % suffix] = (13, 13, [(box, edge), (inner, fill)])
        out['checkbox_checked%s.png' % suffix] = (13, 13, [(box, edge), (inner, fill), (tick, mark)])
        out['checkbox_parcial%s.png' % suffix] = (13, 13, [(box, edge), (inner, fill), (bar, mark)])
    return out


def radiobuttons():
    out = {}
    for disabled in (False, True):
        suffix = '_disable' if disabled else ''
        edge = GREY if disabled else DARK
        fill = DISABLED_FILL if disabled else WHITE
        dot = GREY if disabled else BLUE
        base = [(circle(7.5, 7.5, 7), edge), (circle(7.5, 7.5, 6), fill)]
        out['radiobutton_unchecked%s.png' % suffix] = (15, 15, base)
        out['radiobutton_checked%s.png' % suffix] = (15, 15, base + [(circle(7.5, 7.5, 3.5), dot)])
    return out


def led(on):
    c = 12.0
    if on:
        def body(x, y):
            d = math.hypot(x - c + 2.5, y - c + 2.5) / 10.0
            return (round(0x3A + (0x00 - 0x3A) * min(d, 1)), round(0xF0 + (0xA0 - 0xF0) * min(d, 1)),
                    round(0x5A + (0x30 - 0x5A) * min(d, 1)), 255)
        glow = (0x40, 0xE0, 0x60, 70)
    else:
        def body(x, y):
            d = math.hypot(x - c + 2.5, y - c + 2.5) / 10.0
            v = round(0xB8 + (0x70 - 0xB8) * min(d, 1))
            return (v, v, v, 255)
        glow = (0, 0, 0, 0)
    return (24, 24, [(circle(c, c, 11.5), glow), (circle(c, c, 9), DARK), (circle(c, c, 8), body),
                     (circle(c - 2.5, c - 3, 2.5), (255, 255, 255, 150))])


def main():
    images = {}
    images.update(arrows())
    images.update(checkboxes())
    images.update(radiobuttons())
    for name, (w, h, layers) in sorted(images.items()):
        write_png(os.path.join(ROOT, 'qss', 'psblack', name), w, h, render(w, h, layers))
    for name, on in (('led_on.png', True), ('led_off.png', False)):
        w, h, layers = led(on)
        write_png(os.path.join(ROOT, 'image', name), w, h, render(w, h, layers))


if __name__ == '__main__':
    main()
