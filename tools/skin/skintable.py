"""Reads the desk's layout table (ui-layout.tsv) and the transitions' effect sources."""

import re
from dataclasses import dataclass, field
from pathlib import Path
from typing import List, Optional

PARENTS = {"main", "panel", "view", "allpane", "volpane", "-", "category"}


@dataclass
class Row:
    parent: str
    control: Optional[int]
    item: Optional[int]
    x: Optional[int]
    y: Optional[int]
    w: int
    h: int
    kind: str
    label: str
    line: int

    @property
    def placed(self) -> bool:
        return self.x is not None and self.y is not None

    def rect(self):
        return (self.x, self.y, self.x + self.w, self.y + self.h)


@dataclass
class Table:
    rows: List[Row] = field(default_factory=list)

    def where(self, parent=None, kind=None):
        return [r for r in self.rows
                if (parent is None or r.parent == parent) and (kind is None or r.kind == kind)]

    def background(self) -> Row:
        rows = [r for r in self.rows if r.kind == "background"]
        if len(rows) != 1:
            raise ValueError("the table needs exactly one background row")
        return rows[0]


def _number(text: str, path: Path, line: int, what: str) -> Optional[int]:
    if text == "-":
        return None
    try:
        return int(text)
    except ValueError:
        raise ValueError(f"{path}:{line}: {what} '{text}' is not a number") from None


def read_table(path: Path) -> Table:
    table = Table()
    for number, raw in enumerate(path.read_text(encoding="utf-8").splitlines(), start=1):
        text = raw.strip()
        if not text or text.startswith("#"):
            continue
        parts = text.split(None, 8)
        if len(parts) < 8:
            raise ValueError(f"{path}:{number}: expected at least 8 columns, found {len(parts)}")
        parent = parts[0]
        if parent not in PARENTS:
            raise ValueError(f"{path}:{number}: unknown parent '{parent}'")
        row = Row(parent=parent,
                  control=_number(parts[1], path, number, "control"),
                  item=_number(parts[2], path, number, "item"),
                  x=_number(parts[3], path, number, "x"),
                  y=_number(parts[4], path, number, "y"),
                  w=_number(parts[5], path, number, "width"),
                  h=_number(parts[6], path, number, "height"),
                  kind=parts[7],
                  label=parts[8].strip() if len(parts) > 8 else "",
                  line=number)
        if row.w is None or row.h is None or row.w <= 0 or row.h <= 0:
            raise ValueError(f"{path}:{number}: a row needs a positive width and height")
        table.rows.append(row)
    return table


@dataclass
class Effect:
    stem: str      # the effect file's name without extension
    type: int      # "_Type": the effect's category
    id: int        # "_ID"
    name: str      # "_Name": the picture is skins\effects\<name>.bmp


_INT = r"int\s+{}\s*=\s*(-?\d+)\s*;"
_STRING = r"string\s+{}\s*=\s*\"([^\"]*)\"\s*;"


def read_effect(path: Path) -> Optional[Effect]:
    """A transition's declared type, id and name; None for the engine's own passes."""
    if path.name.startswith("_"):
        return None
    source = path.read_text(encoding="utf-8", errors="replace")
    found = {}
    for key, pattern in (("_Type", _INT), ("_ID", _INT), ("_Name", _STRING)):
        match = re.search(pattern.format(re.escape(key)), source)
        if not match:
            raise ValueError(f"{path}: the transition declares no {key}")
        found[key] = match.group(1)
    return Effect(stem=path.stem, type=int(found["_Type"]), id=int(found["_ID"]), name=found["_Name"])


def read_effects(paths) -> List[Effect]:
    effects = [e for e in (read_effect(Path(p)) for p in paths) if e is not None]
    effects.sort(key=lambda e: (e.type, e.id, e.stem))
    return effects
