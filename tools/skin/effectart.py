"""The effect pictures (40 x 40, one per transition) and the category buttons of the pager.

A picture shows what the transition does with the outgoing picture A (blue) and the incoming
picture B (amber), so an operator reads the palette at a glance.
"""

from PIL import Image, ImageDraw

from skinart import STATES, button, no_white

A = (44, 104, 196)
B = (226, 136, 32)
SIZE = 40


def _mix(a, b, t):
    return tuple(round(x + (y - x) * t) for x, y in zip(a, b))


def _arrow(draw, cx, cy, direction, fill=(250, 250, 250)):
    d = {"left": (-1, 0), "right": (1, 0), "up": (0, -1), "down": (0, 1)}[direction]
    length, head = 9, 4
    x1, y1 = cx + d[0] * length, cy + d[1] * length
    x0, y0 = cx - d[0] * length, cy - d[1] * length
    draw.line([(x0, y0), (x1, y1)], fill=fill, width=2)
    px, py = -d[1], d[0]
    draw.polygon([(x1 + d[0] * 2, y1 + d[1] * 2),
                  (x1 - d[0] * head + px * head, y1 - d[1] * head + py * head),
                  (x1 - d[0] * head - px * head, y1 - d[1] * head - py * head)], fill=fill)


def _split(draw, direction):
    """Half A, half B, split across the wipe's direction, with the edge's travel as an arrow."""
    if direction in ("left", "right"):
        a_box, b_box = ((0, 0, 19, 39), (20, 0, 39, 39)) if direction == "left" else ((20, 0, 39, 39), (0, 0, 19, 39))
    else:
        a_box, b_box = ((0, 0, 39, 19), (0, 20, 39, 39)) if direction == "up" else ((0, 20, 39, 39), (0, 0, 39, 19))
    draw.rectangle(a_box, fill=A)
    draw.rectangle(b_box, fill=B)
    _arrow(draw, 20, 20, direction)


def effect_picture(effect):
    image = Image.new("RGB", (SIZE, SIZE), A)
    draw = ImageDraw.Draw(image)
    stem = effect.stem.lower()
    if stem == "mix":
        for x in range(SIZE):
            draw.line([(x, 0), (x, SIZE - 1)], fill=_mix(A, B, x / (SIZE - 1)))
    elif stem == "fade_black":
        for x in range(SIZE):
            t = x / (SIZE - 1)
            colour = _mix(A, (0, 0, 0), t * 2) if t < 0.5 else _mix((0, 0, 0), B, t * 2 - 1)
            draw.line([(x, 0), (x, SIZE - 1)], fill=colour)
    elif stem.startswith("wipe_"):
        _split(draw, {"left": "left", "right": "right", "top": "up", "bottom": "down"}[stem[5:]])
    elif stem == "soft_wipe":
        for x in range(SIZE):
            t = min(1.0, max(0.0, (x - 10) / 20))
            draw.line([(x, 0), (x, SIZE - 1)], fill=_mix(A, B, t))
        _arrow(draw, 20, 20, "right")
    elif stem == "push_left":
        draw.rectangle([0, 0, 15, 39], fill=A)
        draw.rectangle([16, 0, 39, 39], fill=B)
        draw.line([(16, 0), (16, 39)], fill=(20, 20, 20))
        _arrow(draw, 20, 20, "left")
    elif stem == "iris":
        draw.ellipse([8, 8, 31, 31], fill=B)
    elif stem == "pip":
        draw.rectangle([20, 20, 35, 33], fill=B, outline=(250, 250, 250))
    else:
        draw.polygon([(0, 39), (39, 0), (39, 39)], fill=B)
    draw.rectangle([0, 0, SIZE - 1, SIZE - 1], outline=(20, 22, 26))
    return no_white(image)


def category_buttons(label, w, h, fonts, under_colour):
    """The four images (n, h, s, d) of one category button of the pager."""
    under = Image.new("RGB", (w, h), under_colour)
    suffixes = ("n", "h", "s", "d")
    return {suffix: button(under, state, label, fonts) for suffix, state in zip(suffixes, STATES)}

