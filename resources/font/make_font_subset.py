#!/usr/bin/env python3
"""Subsets the application font to the characters the user interface can show.

Usage: make_font_subset.py SOURCE_FONT OUTPUT TS_FILE...

SOURCE_FONT is a .ttc/.otf/.ttf; in a collection the face whose family is "Noto Sans CJK SC" is used.
The kept characters are printable ASCII and Latin-1, common punctuation and symbols, and every
character of the translation sources. The subset is renamed "Noto Sans SC Medium" so style sheets
and the application font agree on one family name.
"""
import sys
import xml.etree.ElementTree as ET

from fontTools import subset
from fontTools.ttLib import TTCollection, TTFont

FAMILY = "Noto Sans SC Medium"
SOURCE_FAMILY = "Noto Sans CJK SC"


def wanted_codepoints(ts_files):
    points = set(range(0x20, 0x7F)) | set(range(0xA0, 0x100))
    points |= set(range(0x2010, 0x2028)) | set(range(0x2030, 0x203B))  # dashes, quotes, ellipsis, per mille
    points |= {0x2122, 0x2190, 0x2191, 0x2192, 0x2193, 0x2212, 0x00D7, 0x00B5, 0x03BC, 0x2103}
    points |= set(range(0x3000, 0x3020))  # CJK punctuation
    points |= set(range(0xFF01, 0xFF5F))  # full-width forms
    for path in ts_files:
        root = ET.parse(path).getroot()
        for element in root.iter():
            for text in (element.text, element.tail):
                if text:
                    points.update(ord(ch) for ch in text if ord(ch) >= 0x20)
    return points


def open_face(path):
    if path.lower().endswith(".ttc"):
        collection = TTCollection(path)
        for face in collection.fonts:
            if (face["name"].getDebugName(1) or "").startswith(SOURCE_FAMILY):
                return face
        raise SystemExit(f"{path}: no face of family {SOURCE_FAMILY}")
    return TTFont(path)


def rename(font):
    names = font["name"]
    names.names = [n for n in names.names if n.nameID not in (16, 17, 21, 22)]
    for record in list(names.names):
        if record.nameID == 1:
            record.string = FAMILY
        elif record.nameID == 2:
            record.string = "Regular"
        elif record.nameID == 4:
            record.string = FAMILY
        elif record.nameID == 6:
            record.string = FAMILY.replace(" ", "")


def main(argv):
    if len(argv) < 3:
        raise SystemExit(__doc__)
    source, output, ts_files = argv[0], argv[1], argv[2:]
    font = open_face(source)
    options = subset.Options()
    options.layout_features = ["*"]
    options.name_IDs = ["*"]
    options.name_languages = ["*"]
    options.notdef_outline = True
    options.desubroutinize = True
    subsetter = subset.Subsetter(options)
    subsetter.populate(unicodes=wanted_codepoints(ts_files))
    subsetter.subset(font)
    rename(font)
    font.save(output)


if __name__ == "__main__":
    main(sys.argv[1:])
