#!/usr/bin/env python3
"""Draws the program's small set-up images as PNG files into resources/ (pure Python: no
imaging library needed). Shapes are rendered four times larger and averaged down, which gives
smooth edges. Run from the repository root:  /usr/bin/python3 scripts/make_images.py
"""
import math
import os
import struct
import zlib

SCALE = 4


class Canvas:
    def __init__(self, size):
        self.size = size
        self.n = size * SCALE
        self.px = [[(0, 0, 0, 0)] * self.n for _ in range(self.n)]

    # All coordinates are in output pixels (floats); shapes are filled with an RGBA colour.
    def fill(self, inside, colour, box=None):
        x0, y0, x1, y1 = box or (0, 0, self.size, self.size)
        for sy in range(max(0, int(y0 * SCALE) - 1), min(self.n, int(y1 * SCALE) + 2)):
            y = (sy + 0.5) / SCALE
            row = self.px[sy]
            for sx in range(max(0, int(x0 * SCALE) - 1), min(self.n, int(x1 * SCALE) + 2)):
                x = (sx + 0.5) / SCALE
                if inside(x, y):
                    row[sx] = blend(row[sx], colour)

    def disc(self, cx, cy, r, colour):
        self.fill(lambda x, y: (x - cx) ** 2 + (y - cy) ** 2 <= r * r, colour, (cx - r, cy - r, cx + r, cy + r))

    def ring(self, cx, cy, r, width, colour):
        inner = r - width
        self.fill(lambda x, y: inner * inner <= (x - cx) ** 2 + (y - cy) ** 2 <= r * r, colour,
                  (cx - r, cy - r, cx + r, cy + r))

    def rect(self, x0, y0, x1, y1, colour, radius=0.0):
        def inside(x, y):
            if not (x0 <= x <= x1 and y0 <= y <= y1):
                return False
            if radius <= 0:
                return True
            cx = min(max(x, x0 + radius), x1 - radius)
            cy = min(max(y, y0 + radius), y1 - radius)
            return (x - cx) ** 2 + (y - cy) ** 2 <= radius * radius
        self.fill(inside, colour, (x0, y0, x1, y1))

    def line(self, ax, ay, bx, by, width, colour):
        dx, dy = bx - ax, by - ay
        length2 = dx * dx + dy * dy or 1e-9
        half = width / 2

        def inside(x, y):
            t = max(0.0, min(1.0, ((x - ax) * dx + (y - ay) * dy) / length2))
            px, py = ax + t * dx, ay + t * dy
            return (x - px) ** 2 + (y - py) ** 2 <= half * half
        self.fill(inside, colour, (min(ax, bx) - half, min(ay, by) - half, max(ax, bx) + half, max(ay, by) + half))

    def polygon(self, points, colour):
        def inside(x, y):
            hit = False
            j = len(points) - 1
            for i in range(len(points)):
                xi, yi = points[i]
                xj, yj = points[j]
                if (yi > y) != (yj > y) and x < (xj - xi) * (y - yi) / (yj - yi) + xi:
                    hit = not hit
                j = i
            return hit
        xs = [p[0] for p in points]
        ys = [p[1] for p in points]
        self.fill(inside, colour, (min(xs), min(ys), max(xs), max(ys)))

    def save(self, path):
        rows = []
        for y in range(self.size):
            row = bytearray([0])
            for x in range(self.size):
                acc = [0, 0, 0, 0]
                for sy in range(SCALE):
                    for sx in range(SCALE):
                        r, g, b, a = self.px[y * SCALE + sy][x * SCALE + sx]
                        acc[0] += r * a
                        acc[1] += g * a
                        acc[2] += b * a
                        acc[3] += a
                alpha = acc[3] / (SCALE * SCALE)
                if acc[3]:
                    row += bytes([round(acc[0] / acc[3]), round(acc[1] / acc[3]), round(acc[2] / acc[3]), round(alpha)])
                else:
                    row += bytes(4)
            rows.append(bytes(row))
        raw = b"".join(rows)

        def chunk(kind, data):
            body = kind + data
            return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body) & 0xFFFFFFFF)
        png = b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", struct.pack(">IIBBBBB", self.size, self.size, 8, 6, 0, 0, 0))
        png += chunk(b"IDAT", zlib.compress(raw, 9)) + chunk(b"IEND", b"")
        with open(path, "wb") as f:
            f.write(png)


def blend(under, over):
    r, g, b, a = over
    if a >= 255 or under[3] == 0:
        return over
    k = a / 255.0
    out_a = a + under[3] * (1 - k)
    mix = lambda o, u: round((o * a + u * under[3] * (1 - k)) / out_a) if out_a else 0
    return (mix(r, under[0]), mix(g, under[1]), mix(b, under[2]), round(out_a))


BLUE = (40, 110, 200, 255)
DARK = (50, 55, 65, 255)
GREY = (150, 155, 165, 255)
WHITE = (255, 255, 255, 255)
ORANGE = (235, 140, 30, 255)
GREEN = (60, 160, 80, 255)
PAPER = (245, 240, 225, 255)


def envelope(c, x0, y0, x1, y1, body, edge):
    c.rect(x0, y0, x1, y1, edge, radius=1.5)
    w = max(1.0, (x1 - x0) / 24)
    c.rect(x0 + w, y0 + w, x1 - w, y1 - w, body, radius=1)
    mx = (x0 + x1) / 2
    my = y0 + (y1 - y0) * 0.55
    c.line(x0 + w, y0 + w, mx, my, w * 1.4, edge)
    c.line(x1 - w, y0 + w, mx, my, w * 1.4, edge)


def person(c, cx, top, scale, colour):
    c.disc(cx, top + 5 * scale, 4.5 * scale, colour)
    c.fill(lambda x, y: ((x - cx) / (8 * scale)) ** 2 + ((y - (top + 20 * scale)) / (9 * scale)) ** 2 <= 1
           and y <= top + 20 * scale, colour, (cx - 8 * scale, top + 10 * scale, cx + 8 * scale, top + 20 * scale))


def paper_clip():
    c = Canvas(32)
    for (x0, y0, x1, y1) in ((10, 3, 22, 29), (13, 7, 19, 24)):
        r = (x1 - x0) / 2
        c.line(x0, y0 + r, x0, y1 - r, 2.2, GREY)
        c.line(x1, y0 + r, x1, y1 - r, 2.2, GREY)
        c.fill(lambda x, y, x0=x0, x1=x1, y0=y0, r=r: y <= y0 + r and
               (r - 1.1) ** 2 <= (x - (x0 + x1) / 2) ** 2 + (y - (y0 + r)) ** 2 <= (r + 1.1) ** 2, GREY)
        c.fill(lambda x, y, x0=x0, x1=x1, y1=y1, r=r: y >= y1 - r and
               (r - 1.1) ** 2 <= (x - (x0 + x1) / 2) ** 2 + (y - (y1 - r)) ** 2 <= (r + 1.1) ** 2, GREY)
    c.rect(12, 0, 14.5, 12, (0, 0, 0, 0))
    return c


def other_options():
    c = Canvas(32)
    for i, knob in enumerate((10, 21, 14)):
        y = 8 + i * 8
        c.line(5, y, 27, y, 2.0, GREY)
        c.disc(knob, y, 3.2, BLUE)
    return c


def server_settings():
    c = Canvas(32)
    for i in range(3):
        y = 4 + i * 8.5
        c.rect(5, y, 27, y + 7, DARK, radius=1.5)
        c.disc(9, y + 3.5, 1.4, GREEN)
        c.line(14, y + 3.5, 24, y + 3.5, 1.2, GREY)
    return c


def people_picker():
    c = Canvas(32)
    person(c, 20, 5, 1.0, GREY)
    person(c, 12, 8, 1.0, BLUE)
    return c


def me_card():
    c = Canvas(32)
    c.rect(3, 6, 29, 26, DARK, radius=2.5)
    c.rect(4.2, 7.2, 27.8, 24.8, PAPER, radius=2)
    person(c, 11, 9, 0.7, BLUE)
    for i in range(3):
        c.line(18, 11 + i * 4.5, 26, 11 + i * 4.5, 1.3, GREY)
    return c


def simulate_send():
    c = Canvas(32)
    envelope(c, 3, 7, 29, 25, PAPER, DARK)
    c.disc(24, 22, 6.5, ORANGE)
    c.line(21, 22, 27, 22, 1.8, WHITE)
    c.line(24, 19, 24, 25, 1.8, WHITE)
    return c


def application():
    c = Canvas(128)
    c.disc(64, 64, 60, BLUE)
    c.ring(64, 64, 60, 4, (30, 80, 160, 255))
    envelope(c, 24, 38, 104, 92, PAPER, DARK)
    return c


def pause():
    c = Canvas(32)
    c.disc(16, 16, 14, (0, 0, 0, 160))
    c.rect(10, 8, 14, 24, WHITE, radius=1)
    c.rect(18, 8, 22, 24, WHITE, radius=1)
    return c


def clock(frame=None):
    c = Canvas(32)
    c.disc(16, 16, 14, WHITE)
    c.ring(16, 16, 14, 2.2, DARK)
    for h in range(12):
        a = h * math.pi / 6
        c.line(16 + 10.5 * math.sin(a), 16 - 10.5 * math.cos(a), 16 + 12 * math.sin(a), 16 - 12 * math.cos(a), 1.2, GREY)
    minute = 0 if frame is None else frame * 2 * math.pi / 5
    c.line(16, 16, 16 + 6 * math.sin(math.pi * 5 / 3), 16 - 6 * math.cos(math.pi * 5 / 3), 2.2, DARK)
    c.line(16, 16, 16 + 10 * math.sin(minute), 16 - 10 * math.cos(minute), 1.6,
           ORANGE if frame is not None else DARK)
    c.disc(16, 16, 1.8, DARK)
    return c


IMAGES = {
    "PaperClip": paper_clip, "OtherOptions": other_options, "ServerSettings": server_settings,
    "PeoplePicker": people_picker, "OpenMeCard": me_card, "SimulateSend": simulate_send,
    "Brevanto": application, "Pause": pause, "Clock": clock,
}


def main():
    out = "resources"
    for name, draw in IMAGES.items():
        draw().save(os.path.join(out, name + ".png"))
    for i in range(5):
        clock(i).save(os.path.join(out, "O%d.png" % (i + 1)))


if __name__ == "__main__":
    main()
