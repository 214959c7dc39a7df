#!/usr/bin/env python3
"""Keeps only the characters the game shows of a font face.

    subset.py FACE.ttf OUT.ttf UNICODES FAMILY

UNICODES is a list such as U+0020-007E,U+00A0-017F. The changed face is named FAMILY (with the face's own
style), as the font's licence asks of a modified font: the original family name is reserved to its makers.
The old kerning table stays, since SDL_ttf spaces letters by it, so every text is drawn as with the whole face.
"""
import sys

from fontTools import subset


def main() -> int:
    if len(sys.argv) != 5:
        print(__doc__, file=sys.stderr)
        return 2
    face, out, unicodes, family = sys.argv[1:]
    options = subset.Options()
    options.notdef_outline = True  # a character the game never shows is drawn as a box, not as nothing
    options.legacy_kern = True
    options.drop_tables += ["FFTM"]
    font = subset.load_font(face, options)
    subsetter = subset.Subsetter(options)
    subsetter.populate(unicodes=subset.parse_unicodes(unicodes))
    subsetter.subset(font)
    names = font["name"]
    style = names.getDebugName(2) or "Regular"
    full = family if style == "Regular" else f"{family} {style}"
    postscript = f"{family}-{style}".replace(" ", "")
    for record in names.names:
        new = {1: family, 3: f"Gorvath: {full}", 4: full, 6: postscript, 16: family}.get(record.nameID)
        if new is not None:
            record.string = new
    subset.save_font(font, out, options)
    return 0


if __name__ == "__main__":
    sys.exit(main())
