"""Draws the desk's skin: backgrounds, buttons in four states, lamps, the T-bar, panes, effect
pictures and category buttons. Everything is drawn from code, so the skin can be changed here.

Pure white (255, 255, 255) is the colour key of transparent items: it appears only where an item
is meant to let the window behind show through (the T-bar thumb, the panes' rounded corners).
"""

from PIL import Image, ImageDraw, ImageFont

WHITE_KEY = (255, 255, 255)

# The desk's palette.
BG = (21, 24, 28)
HEADER = ((46, 52, 61), (29, 33, 39))
FRAME_FILL = (31, 35, 41)
FRAME_EDGE = (58, 65, 75)
TITLE = ((50, 57, 67), (38, 43, 50))
TITLE_TEXT = (216, 221, 226)
ACCENT = (232, 140, 30)
TEXT = (196, 202, 208)
HINT = (118, 126, 136)
FIELD = (12, 14, 16)
FIELD_EDGE = (64, 71, 80)
SURFACE = (26, 29, 34)
SURFACE_EDGE = (64, 72, 82)
PGM_RED = (222, 32, 28)
PVW_GREEN = (28, 178, 68)

# Button states 1..4: normal, hover, pressed (also latched), disabled.
STATES = ("normal", "hover", "pressed", "disabled")
_FACE = {
    "normal": dict(top=(72, 79, 90), bottom=(46, 51, 59), edge=(96, 105, 117), text=(232, 235, 238)),
    "hover": dict(top=(92, 110, 132), bottom=(58, 71, 88), edge=(112, 172, 242), text=(250, 250, 250)),
    "pressed": dict(top=(252, 174, 64), bottom=(212, 118, 18), edge=(255, 216, 146), text=(32, 22, 8)),
    "disabled": dict(top=(37, 40, 45), bottom=(37, 40, 45), edge=(52, 56, 62), text=(94, 100, 108)),
}
# The output button lights red while the program goes out.
_ON_AIR = dict(top=(240, 64, 54), bottom=(178, 22, 18), edge=(255, 156, 146), text=(254, 254, 254))
_LED = {"normal": (44, 74, 50), "hover": (64, 116, 74), "pressed": (70, 236, 98), "disabled": (46, 49, 53)}


class Fonts:
    def __init__(self, path):
        self._path = path
        self._cache = {}

    def get(self, size):
        if size not in self._cache:
            self._cache[size] = ImageFont.truetype(self._path, size)
        return self._cache[size]


def no_white(image):
    """Moves pure white one step down, so nothing but the intended areas is transparent."""
    px = image.load()
    for y in range(image.height):
        for x in range(image.width):
            if px[x, y] == WHITE_KEY:
                px[x, y] = (254, 254, 254)
    return image


def gradient(draw, box, top, bottom):
    x0, y0, x1, y1 = box
    height = max(1, y1 - y0)
    for i in range(y1 - y0):
        t = i / max(1, height - 1)
        colour = tuple(round(a + (b - a) * t) for a, b in zip(top, bottom))
        draw.line([(x0, y0 + i), (x1 - 1, y0 + i)], fill=colour)


def text_centre(draw, box, text, font, fill):
    x0, y0, x1, y1 = box
    left, top, right, bottom = draw.textbbox((0, 0), text, font=font)
    x = x0 + (x1 - x0 - (right - left)) / 2 - left
    y = y0 + (y1 - y0 - (bottom - top)) / 2 - top
    draw.text((round(x), round(y)), text, font=font, fill=fill)


def text_left(draw, xy, text, font, fill, height):
    left, top, right, bottom = draw.textbbox((0, 0), text, font=font)
    x, y = xy
    draw.text((x - left, round(y + (height - (bottom - top)) / 2 - top)), text, font=font, fill=fill)


def field(draw, box):
    """A recessed dark area where a list, an edit or a static of the desk sits."""
    x0, y0, x1, y1 = box
    draw.rectangle([x0 - 1, y0 - 1, x1, y1], fill=FIELD, outline=FIELD_EDGE)


# ---------------------------------------------------------------- glyphs

def _tri(draw, cx, cy, size, direction, fill):
    s = size / 2
    if direction == "right":
        pts = [(cx - s * 0.8, cy - s), (cx - s * 0.8, cy + s), (cx + s * 0.8, cy)]
    elif direction == "left":
        pts = [(cx + s * 0.8, cy - s), (cx + s * 0.8, cy + s), (cx - s * 0.8, cy)]
    else:
        pts = [(cx - s, cy + s * 0.6), (cx + s, cy + s * 0.6), (cx, cy - s * 0.8)]
    draw.polygon(pts, fill=fill)


def glyph(draw, box, name, fill, fonts):
    """Draws a transport or navigation symbol centred in box; False when name is no symbol."""
    x0, y0, x1, y1 = box
    w, h = x1 - x0, y1 - y0
    cx, cy = x0 + w / 2, y0 + h / 2
    s = min(w, h) * 0.6
    small = fonts.get(max(8, int(h * 0.42)))
    if name == "play":
        _tri(draw, cx, cy, s, "right", fill)
    elif name == "stop":
        draw.rectangle([cx - s / 2.6, cy - s / 2.6, cx + s / 2.6, cy + s / 2.6], fill=fill)
    elif name == "pause":
        bw = max(1, round(s / 4))
        draw.rectangle([cx - s / 2.5, cy - s / 2.2, cx - s / 2.5 + bw, cy + s / 2.2], fill=fill)
        draw.rectangle([cx + s / 2.5 - bw, cy - s / 2.2, cx + s / 2.5, cy + s / 2.2], fill=fill)
    elif name in ("back10", "forward10") and w < 20:
        d = "left" if name == "back10" else "right"
        _tri(draw, cx - s / 4, cy, s * 0.7, d, fill)
        _tri(draw, cx + s / 4, cy, s * 0.7, d, fill)
    elif name in ("back10", "back1", "forward1", "forward10"):
        d = "left" if name.startswith("back") else "right"
        digits = "10" if name.endswith("10") else "1"
        g = h * 0.5
        gx = x0 + w * (0.34 if d == "left" else 0.66)
        _tri(draw, gx, cy, g, d, fill)
        tx0, tx1 = (gx + g * 0.3, x1 - 2) if d == "left" else (x0 + 2, gx - g * 0.3)
        text_centre(draw, (tx0, y0, tx1, y1), digits, small, fill)
    elif name == "load":
        _tri(draw, cx, cy - s / 6, s, "up", fill)
        draw.rectangle([cx - s / 2, cy + s / 2.6, cx + s / 2, cy + s / 2.6 + max(1, s / 6)], fill=fill)
    elif name == "more":
        r = max(1, s / 8)
        for dx in (-s / 2.6, 0, s / 2.6):
            draw.ellipse([cx + dx - r, cy - r, cx + dx + r, cy + r], fill=fill)
    elif name == "nextframe":
        _tri(draw, cx - s / 6, cy, s * 0.8, "right", fill)
        draw.rectangle([cx + s / 3, cy - s / 2.6, cx + s / 3 + max(1, s / 6), cy + s / 2.6], fill=fill)
    elif name == "monitor":
        draw.rectangle([x0 + 4, y0 + 3, x1 - 5, y1 - 7], outline=fill)
        draw.rectangle([x0 + 6, y0 + 5, x1 - 7, y1 - 9], fill=fill)
        draw.line([(cx - 3, y1 - 4), (cx + 3, y1 - 4)], fill=fill)
        draw.line([(cx, y1 - 7), (cx, y1 - 4)], fill=fill)
    elif name.startswith("corner-"):
        fx0, fy0, fx1, fy1 = x0 + 5, y0 + 6, x1 - 6, y1 - 7
        draw.rectangle([fx0, fy0, fx1, fy1], outline=fill)
        q = 5
        corner = name[-2:]
        qx = fx0 + 1 if corner[1] == "l" else fx1 - q
        qy = fy0 + 1 if corner[0] == "t" else fy1 - q
        draw.rectangle([qx, qy, qx + q - 1, qy + q - 1], fill=fill)
    elif name in ("◀", "▶"):
        _tri(draw, cx, cy, s, "left" if name == "◀" else "right", fill)
    elif name in ("−", "+"):
        t = max(1, round(s / 5))
        draw.rectangle([cx - s / 2, cy - t / 2, cx + s / 2, cy + t / 2], fill=fill)
        if name == "+":
            draw.rectangle([cx - t / 2, cy - s / 2, cx + t / 2, cy + s / 2], fill=fill)
    else:
        return False
    return True


# ---------------------------------------------------------------- buttons

def button(under, state, label, fonts, radius=3, led=False, on_air=False):
    """One state of a button drawn over `under` (what lies behind it), the same size."""
    image = under.copy().convert("RGB")
    w, h = image.size
    face = _ON_AIR if (on_air and state == "pressed") else _FACE[state]
    body = Image.new("RGB", (w, h))
    gradient(ImageDraw.Draw(body), (0, 0, w, h), face["top"], face["bottom"])
    mask = Image.new("L", (w, h), 0)
    ImageDraw.Draw(mask).rounded_rectangle([0, 0, w - 1, h - 1], radius=radius, fill=255)
    image.paste(body, (0, 0), mask)
    draw = ImageDraw.Draw(image)
    draw.rounded_rectangle([0, 0, w - 1, h - 1], radius=radius, outline=face["edge"])
    if state == "pressed":
        # A lit button looks pushed in: a darker inner line along the top and left.
        draw.line([(radius, 1), (w - radius - 1, 1)], fill=tuple(max(0, c - 60) for c in face["top"]))
    elif state != "disabled" and h > 10:
        draw.line([(radius, 1), (w - radius - 1, 1)], fill=tuple(min(254, c + 28) for c in face["top"]))
    text_box = (0, 0, w, h)
    if led:
        r = max(3, h // 6)
        lx, ly = 6 + r, h / 2
        draw.ellipse([lx - r, ly - r, lx + r, ly + r], fill=_LED[state], outline=(20, 22, 24))
        text_box = (lx + r + 2, 0, w, h)
    if not glyph(draw, text_box, label, face["text"], fonts):
        size = max(9, min(int(h * 0.5), 15 if h < 40 else 20))
        text_centre(draw, text_box, label, fonts.get(size), face["text"])
    return no_white(image)


# ---------------------------------------------------------------- desk surfaces

def frame(draw, box, title, fonts):
    x0, y0, x1, y1 = box
    draw.rectangle([x0, y0, x1 - 1, y1 - 1], fill=FRAME_FILL, outline=FRAME_EDGE)
    gradient(draw, (x0 + 1, y0 + 1, x1 - 1, y0 + 22), TITLE[0], TITLE[1])
    draw.line([(x0 + 1, y0 + 22), (x1 - 2, y0 + 22)], fill=FRAME_EDGE)
    draw.rectangle([x0 + 1, y0 + 1, x0 + 3, y0 + 21], fill=ACCENT)
    text_left(draw, (x0 + 10, y0 + 1), title, fonts.get(13), TITLE_TEXT, 21)


def header(draw, width, title, fonts):
    gradient(draw, (0, 0, width, 40), HEADER[0], HEADER[1])
    draw.line([(0, 40), (width - 1, 40)], fill=FRAME_EDGE)
    name, _, rest = title.partition(" ")
    text_left(draw, (16, 0), name, fonts.get(20), (236, 240, 244), 40)
    left, _, right, _ = draw.textbbox((0, 0), name, font=fonts.get(20))
    text_left(draw, (16 + right - left + 12, 2), rest, fonts.get(15), ACCENT, 40)
    # On-air and preview keys, as the tallies show them.
    x = width - 236
    for colour, words in ((PGM_RED, "PGM 主通道"), (PVW_GREEN, "PVW 预监")):
        draw.rounded_rectangle([x, 14, x + 12, 26], radius=2, fill=colour)
        text_left(draw, (x + 18, 10), words, fonts.get(12), TEXT, 20)
        x += 112


def badge(draw, box, number, fonts):
    x0, y0, x1, y1 = box
    draw.rounded_rectangle([x0, y0, x1 - 1, y1 - 1], radius=4, fill=(38, 43, 50), outline=FRAME_EDGE)
    text_centre(draw, (x0, y0 + 8, x1, y0 + 60), number, fonts.get(34), (236, 240, 244))
    text_centre(draw, (x0, y0 + 62, x1, y0 + 84), "通道", fonts.get(12), HINT)


def panel_background(w, h, fonts):
    """A channel panel: preview frame, lamp slot, meters and the transport row."""
    image = Image.new("RGB", (w, h), SURFACE)
    draw = ImageDraw.Draw(image)
    draw.rectangle([0, 0, w - 1, h - 1], outline=SURFACE_EDGE)
    draw.rectangle([12, 16, 176, 138], outline=(86, 94, 104))
    draw.rectangle([13, 17, 175, 137], fill=(8, 9, 11))
    text_centre(draw, (13, 17, 176, 138), "无信号", fonts.get(12), (70, 76, 84))
    text_left(draw, (8, 2), "INPUT", fonts.get(9), HINT, 14)
    draw.rectangle([12, 141, 176, 150], fill=(8, 9, 11))
    draw.line([(1, 168 if h > 168 else h - 2), (w - 2, 168 if h > 168 else h - 2)], fill=(34, 38, 44))
    return no_white(image)


def view_background(w, h, fonts):
    """The program view: on-air badge, meter row, video frame and the time row."""
    image = Image.new("RGB", (w, h), SURFACE)
    draw = ImageDraw.Draw(image)
    draw.rectangle([0, 0, w - 1, h - 1], outline=SURFACE_EDGE)
    draw.rounded_rectangle([6, 4, 62, 19], radius=3, fill=PGM_RED)
    text_centre(draw, (6, 4, 62, 19), "PGM", fonts.get(11), (250, 240, 238))
    draw.rectangle([74, 7, 304, 17], fill=(8, 9, 11))
    text_left(draw, (312, 4), "主输出", fonts.get(12), TEXT, 16)
    draw.rectangle([24, 21, 354, 267], outline=(86, 94, 104))
    draw.rectangle([25, 22, 353, 266], fill=(0, 0, 0))
    text_left(draw, (30, 270), "输出计时", fonts.get(11), HINT, 18)
    draw.rectangle([146, 269, 227, 287], outline=(50, 56, 64))
    return no_white(image)


def tbar_track(w, h, fonts):
    image = Image.new("RGB", (w, h), FRAME_FILL)
    draw = ImageDraw.Draw(image)
    cx = w // 2
    draw.rectangle([cx - 5, 8, cx + 5, h - 9], fill=(8, 9, 11), outline=(70, 78, 88))
    steps = 10
    for i in range(steps + 1):
        y = round(14 + (h - 28) * i / steps)
        long = i in (0, steps // 2, steps)
        length = 10 if long else 6
        colour = (150, 158, 168) if long else (96, 104, 114)
        draw.line([(cx - 9 - length, y), (cx - 9, y)], fill=colour)
        draw.line([(cx + 9, y), (cx + 9 + length, y)], fill=colour)
    return no_white(image)


def tbar_thumb(w, h):
    """The T-bar's handle on white, which the T-bar keys out."""
    image = Image.new("RGB", (w, h), WHITE_KEY)
    body = Image.new("RGB", (w, h))
    gradient(ImageDraw.Draw(body), (0, 0, w, h), (222, 226, 232), (118, 124, 132))
    mask = Image.new("L", (w, h), 0)
    ImageDraw.Draw(mask).rounded_rectangle([1, 2, w - 2, h - 3], radius=5, fill=255)
    image.paste(body, (0, 0), mask)
    draw = ImageDraw.Draw(image)
    draw.rounded_rectangle([1, 2, w - 2, h - 3], radius=5, outline=(60, 64, 70))
    draw.rectangle([5, h // 2 - 1, w - 6, h // 2], fill=(214, 36, 26))
    for dy in (-6, 5):
        draw.line([(10, h // 2 + dy), (w - 11, h // 2 + dy)], fill=(150, 156, 164))
    return image


def lamp(kind, w, h, fonts):
    if kind == "PGM":
        fill, edge, text = PGM_RED, (255, 128, 118), (254, 242, 240)
    elif kind == "PVW":
        fill, edge, text = PVW_GREEN, (140, 240, 162), (240, 254, 244)
    else:
        fill, edge, text = (44, 48, 54), (64, 70, 78), None
    image = Image.new("RGB", (w, h), SURFACE)
    draw = ImageDraw.Draw(image)
    draw.rounded_rectangle([0, 0, w - 1, h - 1], radius=3, fill=fill, outline=edge)
    if text:
        text_centre(draw, (0, 0, w, h), kind, fonts.get(10), text)
    return no_white(image)


def pane_background(w, h):
    """A pop-up pane's body on white; its rounded corners are keyed out."""
    image = Image.new("RGB", (w, h), WHITE_KEY)
    draw = ImageDraw.Draw(image)
    draw.rounded_rectangle([0, 0, w - 1, h - 1], radius=6, fill=(40, 45, 52), outline=(98, 108, 120))
    return image


def pane_cap(kind, w, h):
    """The clip pane's three-part background: left cap, stretched middle, right cap."""
    image = Image.new("RGB", (w, h), WHITE_KEY)
    draw = ImageDraw.Draw(image)
    fill, edge = (40, 45, 52), (98, 108, 120)
    if kind == "capmiddle":
        draw.rectangle([0, 0, w - 1, h - 1], fill=fill)
        draw.line([(0, 0), (w - 1, 0)], fill=edge)
        draw.line([(0, h - 1), (w - 1, h - 1)], fill=edge)
        return image
    # Each cap is half of a rounded rectangle twice its width.
    double = Image.new("RGB", (2 * w, h), WHITE_KEY)
    ImageDraw.Draw(double).rounded_rectangle([0, 0, 2 * w - 1, h - 1], radius=8, fill=fill, outline=edge)
    return double.crop((0, 0, w, h) if kind == "capleft" else (w, 0, 2 * w, h))


def slider_background(w, h):
    image = Image.new("RGB", (w, h), (40, 45, 52))
    draw = ImageDraw.Draw(image)
    cy = h // 2
    draw.rectangle([2, cy - 2, w - 3, cy + 2], fill=(8, 9, 11), outline=(70, 78, 88))
    return no_white(image)


def slider_thumb(w, h):
    image = Image.new("RGB", (w, h), WHITE_KEY)
    draw = ImageDraw.Draw(image)
    draw.rounded_rectangle([1, 1, w - 2, h - 2], radius=2, fill=(236, 150, 40), outline=(120, 70, 10))
    draw.line([(w // 2, 4), (w // 2, h - 5)], fill=(120, 70, 10))
    return image
