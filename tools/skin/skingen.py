#!/usr/bin/env python3
"""Generates the shipped skin from the desk's layout table (ui-layout.tsv):

  skins/ui.bmp and skins/ui.skn   the main window's skin bitmap and its skin map
  skins/effects/<name>.bmp        one 40 x 40 picture per transition ("_Name" of its effect file)
  skins/btns/<type>_<s>.bmp       the pager's category buttons, s = n, h, s, d
  DeskLayout.h                    the table's places as C++ constants for the desk and its tests

  skingen.py --table ui-layout.tsv --font CJK.ttc --skins OUT/skins --header OUT/DeskLayout.h FX...
"""

import argparse
import sys
from pathlib import Path

from PIL import Image, ImageDraw

import effectart
import skinart
from skinart import STATES, Fonts
from skintable import read_effects, read_table

# Corner ellipse of the buttons the main window gives a round region (width of the ellipse).
ROUND = {1101: 14, 1129: 10, 1174: 2, 1186: 2, 1113: 2, 1125: 2, 1182: 2, 1403: 2}
LED_ITEMS = {1174}          # the enable switches carry a lamp that lights while latched
ON_AIR_ITEMS = {1101}       # the output button lights red while outputs run
GAP = 2


class Sheet:
    """The skin bitmap: the background on top, every other image packed on shelves below it."""

    def __init__(self, width, top):
        self.width = width
        self.images = []        # (x, y, image)
        self._x, self._y, self._shelf = 0, top + GAP, 0

    def place(self, image):
        w, h = image.size
        if w > self.width:
            raise ValueError(f"an image of width {w} does not fit the skin bitmap")
        if self._x + w > self.width:
            self._x, self._y, self._shelf = 0, self._y + self._shelf + GAP, 0
        x, y = self._x, self._y
        self.images.append((x, y, image))
        self._x += w + GAP
        self._shelf = max(self._shelf, h)
        return (x, y, x + w, y + h)

    def height(self):
        return self._y + self._shelf


class Skin:
    def __init__(self, table, fonts):
        self.table = table
        self.fonts = fonts
        self.items = {}         # id -> (rect, name, desc)

    def add(self, item_id, rect, name, desc):
        if item_id in self.items:
            raise ValueError(f"skin item {item_id} is drawn twice")
        self.items[item_id] = (rect, name, desc)

    # -- the background, without buttons: what lies behind every control of the main window
    def draw_background(self):
        bg_row = self.table.background()
        image = Image.new("RGB", (bg_row.w, bg_row.h), skinart.BG)
        draw = ImageDraw.Draw(image)
        skinart.header(draw, bg_row.w, bg_row.label, self.fonts)
        for row in self.table.where("main", "frame"):
            skinart.frame(draw, row.rect(), row.label, self.fonts)
        for row in self.table.where("main"):
            if row.kind in ("list", "edit", "static", "subtitle"):
                skinart.field(draw, row.rect())
            elif row.kind == "text":
                skinart.text_left(draw, (row.x, row.y), row.label, self.fonts.get(12), skinart.TEXT, row.h)
            elif row.kind == "hint":
                skinart.text_left(draw, (row.x, row.y), row.label, self.fonts.get(11), skinart.HINT, row.h)
            elif row.kind == "badge":
                skinart.badge(draw, row.rect(), row.label, self.fonts)
        self._place_surfaces(image)
        return image

    def _place_surfaces(self, image):
        surfaces = {"panel": lambda r: skinart.panel_background(r.w, r.h, self.fonts),
                    "view": lambda r: skinart.view_background(r.w, r.h, self.fonts),
                    "tbar": lambda r: skinart.tbar_track(r.w, r.h, self.fonts)}
        for row in self.table.where("main"):
            if row.kind not in surfaces:
                continue
            image.paste(surfaces[row.kind](row), (row.x, row.y))
            if row.item not in self.items:
                self.add(row.item, row.rect(), f"main.{row.control}.{row.kind}", row.label)

    # -- buttons: the normal image at the button's place, the other states on the sheet
    def draw_buttons(self, background, sheet, surfaces):
        clean = background.copy()
        for row in self.table.where(kind="button"):
            base = row.item
            if row.parent == "main":
                under = clean.crop(row.rect())
            else:
                under = surfaces[row.parent].crop(row.rect()) if row.parent in surfaces else \
                    Image.new("RGB", (row.w, row.h), (40, 45, 52))
            images = [skinart.button(under, state, row.label, self.fonts,
                                     radius=max(1, ROUND.get(base, 6) // 2),
                                     led=base in LED_ITEMS, on_air=base in ON_AIR_ITEMS)
                      for state in STATES]
            if row.parent == "main":
                background.paste(images[0], (row.x, row.y))
            if base in self.items:
                first = self.items[base][0]
                if (first[2] - first[0], first[3] - first[1]) != (row.w, row.h):
                    raise ValueError(f"line {row.line}: control {row.control} shares item {base} "
                                     "but not its size")
                continue
            for offset, (state, image) in enumerate(zip(STATES, images)):
                if offset == 0 and row.parent == "main":
                    rect = row.rect()
                else:
                    rect = sheet.place(image)
                self.add(base + offset, rect, f"{row.parent}.{row.control}.{state}",
                         f"{row.label} ({state})")

    def draw_sheet_items(self, sheet):
        makers = {
            "thumb": lambda r: skinart.tbar_thumb(r.w, r.h),
            "lamp": lambda r: skinart.lamp(r.label, r.w, r.h, self.fonts),
            "panebg": lambda r: skinart.pane_background(r.w, r.h),
            "capleft": lambda r: skinart.pane_cap("capleft", r.w, r.h),
            "capmiddle": lambda r: skinart.pane_cap("capmiddle", r.w, r.h),
            "capright": lambda r: skinart.pane_cap("capright", r.w, r.h),
            "slider": lambda r: skinart.slider_background(r.w, r.h),
            "sliderthumb": lambda r: skinart.slider_thumb(r.w, r.h),
        }
        for row in self.table.rows:
            if row.kind in makers and row.item is not None:
                rect = sheet.place(makers[row.kind](row))
                self.add(row.item, rect, f"{row.parent}.{row.kind}", row.label)


def pane_surfaces(table, fonts):
    """What lies behind the buttons of the panel, the view and the panes."""
    panel = next(r for r in table.where("main", "panel"))
    view = next(r for r in table.where("main", "view"))
    pane = next(r for r in table.rows if r.kind == "panebg")
    return {"panel": skinart.panel_background(panel.w, panel.h, fonts),
            "view": skinart.view_background(view.w, view.h, fonts),
            "allpane": skinart.pane_background(pane.w, pane.h)}


def xml_text(text):
    return (text.replace("&", "&amp;").replace("<", "&lt;").replace(">", "&gt;")
            .replace("'", "&apos;").replace('"', "&quot;"))


def skin_map_xml(bitmap_path, items):
    """The skin map as Boost Serialization's XML archive writes the manager (root "BMPMGR")."""
    out = ['<?xml version="1.0" encoding="UTF-8" standalone="yes" ?>',
           "<!DOCTYPE boost_serialization>",
           # 19: the archive version the Boost the program links writes, so a map it saves equals ours.
           '<boost_serialization signature="serialization::archive" version="19">',
           '<BMPMGR class_id="0" tracking_level="0" version="0">',
           f"\t<BMPPATH>{xml_text(bitmap_path)}</BMPPATH>",
           '\t<BMPMAP class_id="1" tracking_level="0" version="0">',
           f"\t\t<count>{len(items)}</count>",
           "\t\t<item_version>0</item_version>"]
    for index, item_id in enumerate(sorted(items)):
        (l, t, r, b), name, desc = items[item_id]
        first = index == 0
        attrs = (lambda n: f' class_id="{n}" tracking_level="0" version="0"' if first else "")
        out += [f"\t\t<item{attrs(2)}>",
                f"\t\t\t<first>{item_id}</first>",
                f"\t\t\t<second{attrs(3)}>",
                f"\t\t\t\t<ID>{item_id}</ID>",
                f"\t\t\t\t<Rect{attrs(4)}>",
                f"\t\t\t\t\t<l>{l}</l>", f"\t\t\t\t\t<t>{t}</t>",
                f"\t\t\t\t\t<r>{r}</r>", f"\t\t\t\t\t<b>{b}</b>",
                "\t\t\t\t</Rect>",
                f"\t\t\t\t<Name>{xml_text(name)}</Name>",
                f"\t\t\t\t<Desc>{xml_text(desc)}</Desc>",
                "\t\t\t</second>",
                "\t\t</item>"]
    out += ["\t</BMPMAP>", "</BMPMGR>", "</boost_serialization>", "", ""]
    return "\n".join(out)


def layout_header(table, source_name):
    def placements(parent):
        rows = [r for r in table.where(parent) if r.control is not None and r.placed]
        lines = []
        for r in rows:
            item = r.item if r.item is not None else 0
            lines.append(f"    {{{r.control}, {item}, {{{r.x}, {r.y}, {r.x + r.w}, {r.y + r.h}}}}},"
                         f"  // {r.kind}")
        return "\n".join(lines)

    bg = table.background()
    panel = next(r for r in table.where("main", "panel"))
    blocks = []
    for parent, name, what in (("main", "kMainWindow", "the main window (dialog 102), client pixels"),
                               ("panel", "kPanel", "a channel panel, its client pixels"),
                               ("view", "kView", "the program view, its client pixels"),
                               ("allpane", "kAllCtrlPane", "the panel pane (dialog 155)"),
                               ("volpane", "kVolCtrlPane", "the clip transport pane (dialog 156)")):
        blocks.append(f"// Controls of {what}: control id, first skin item (0: none), rectangle.\n"
                      f"constexpr Placement {name}[] = {{\n{placements(parent)}\n}};\n")
    return (f"// Generated from {source_name} by tools/skin/skingen.py at build time: change the table.\n"
            "#pragma once\n\n#include <windows.h>\n\nnamespace skin_layout {\n\n"
            "struct Placement {\n    int control;\n    unsigned item;\n    RECT rect;\n};\n\n"
            "// The main window's client area is the size of background item 101.\n"
            f"constexpr int kClientWidth = {bg.w};\nconstexpr int kClientHeight = {bg.h};\n"
            f"constexpr int kPanelWidth = {panel.w};\nconstexpr int kPanelHeight = {panel.h};\n\n"
            + "\n".join(blocks) + "\n} // namespace skin_layout\n")


def write_if_changed(path, data):
    path.parent.mkdir(parents=True, exist_ok=True)
    if isinstance(data, str):
        data = data.encode("utf-8")
    if not path.exists() or path.read_bytes() != data:
        path.write_bytes(data)


def save_bmp(image, path):
    import io
    buffer = io.BytesIO()
    image.convert("RGB").save(buffer, format="BMP")
    write_if_changed(path, buffer.getvalue())


def main(argv):
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("--table", required=True, type=Path)
    parser.add_argument("--font", required=True)
    parser.add_argument("--skins", required=True, type=Path)
    parser.add_argument("--header", required=True, type=Path)
    parser.add_argument("--stamp", type=Path)
    parser.add_argument("effects", nargs="*", type=Path)
    args = parser.parse_args(argv)

    table = read_table(args.table)
    effects = read_effects(args.effects)
    fonts = Fonts(args.font)

    skin = Skin(table, fonts)
    background = skin.draw_background()
    bg_row = table.background()
    skin.add(bg_row.item, bg_row.rect(), "background", bg_row.label)
    sheet = Sheet(bg_row.w, bg_row.h)
    skin.draw_buttons(background, sheet, pane_surfaces(table, fonts))
    skin.draw_sheet_items(sheet)

    bitmap = Image.new("RGB", (bg_row.w, sheet.height()), skinart.BG)
    bitmap.paste(background, (0, 0))
    for x, y, image in sheet.images:
        bitmap.paste(image, (x, y))
    save_bmp(bitmap, args.skins / "ui.bmp")
    # The bitmap path is combined with the map file's own path: "..\ui.bmp" is the bitmap beside it.
    write_if_changed(args.skins / "ui.skn", skin_map_xml("..\\ui.bmp", skin.items))

    for effect in effects:
        save_bmp(effectart.effect_picture(effect), args.skins / "effects" / f"{effect.name}.bmp")
    labels = {r.control: r for r in table.where("category")}
    for category in sorted({e.type for e in effects}):
        row = labels.get(category)
        label = row.label if row else f"特效组{category}"
        w, h = (row.w, row.h) if row else (78, 24)
        for suffix, image in effectart.category_buttons(label, w, h, fonts, skinart.FRAME_FILL).items():
            save_bmp(image, args.skins / "btns" / f"{category}_{suffix}.bmp")

    write_if_changed(args.header, layout_header(table, args.table.name))
    if args.stamp:
        write_if_changed(args.stamp, f"{len(skin.items)} items, {len(effects)} effects\n")
    return 0


if __name__ == "__main__":
    try:
        sys.exit(main(sys.argv[1:]))
    except (ValueError, OSError) as error:
        print(f"skingen: {error}", file=sys.stderr)
        sys.exit(1)
