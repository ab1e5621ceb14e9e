#!/usr/bin/env python3
"""Puts the browser page together as one file: the template
(shell/web/page.html) with the WebAssembly module, the About dialog's
template and menu (from tools/resource_script.py), the icon (from
tools/make_icon.py) and the dialog font, all inlined, so that the page opens
from file:// and from any static host and fetches nothing. The dialog's
system colours are read from the Qt window's classic controls, their one
home, as CSS custom properties.

usage: make_page.py PAGE_HTML MODULE_WASM TEMPLATE_JS ICON_JS FONT_TTF|- BASE_X BASE_Y OUTPUT_HTML

FONT_TTF '-' leaves the font out: the page then draws the dialog with the
browser's Arial or its like, as Wine does without its own fonts.
"""
import base64
import os
import re
import sys


def shrink(page):
    """The template without its comments and indentation: the page's size
    is part of its start-up time. Only whole comment lines go, so that no
    string or regular expression can be cut; the licence notice stays."""
    page = re.sub(r"<!--(?:(?!Copyright).)*?-->\n?", "", page, flags=re.S)
    page = re.sub(r"/\*.*?\*/", "", page, flags=re.S)
    lines = (line.strip() for line in page.split("\n"))
    return "\n".join(line for line in lines if line and not line.startswith("//"))


COLOURS = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "qt", "classic_controls.h")


def system_colours(header):
    """Wine's system colours as CSS custom properties: ButtonFace becomes
    --button-face."""
    colours = re.findall(r"const QRgb (\w+) = qRgb\((\d+), (\d+), (\d+)\);", header)
    if not colours:
        raise ValueError("no system colours in %s" % COLOURS)
    return ":root { %s }" % " ".join(
        "--%s: rgb(%s,%s,%s);" % (re.sub(r"(?<!^)([A-Z])", r"-\1", name).lower(), r, g, b)
        for name, r, g, b in colours)


def build(page, module, template_js, icon_js, font, base_x, base_y, colours_header):
    page = shrink(page)
    if font is None:
        face = ""
    else:
        face = ('@font-face { font-family: "MS Sans Serif"; '
                'src: url(data:font/ttf;base64,%s) format("truetype"); }'
                % base64.b64encode(font).decode("ascii"))
    parts = {
        "@FONT_FACE@": face,
        "@ABOUT_TEMPLATE@": template_js.strip(),
        "@ICON@": icon_js.strip(),
        "@SYSTEM_COLOURS@": system_colours(colours_header),
        "@BASE_UNITS@": "{x: %d, y: %d}" % (base_x, base_y),
        "@MODULE_BASE64@": base64.b64encode(module).decode("ascii"),
    }
    for key, value in parts.items():
        if page.count(key) != 1:
            raise ValueError("the page template holds %s %d times, not once" % (key, page.count(key)))
        page = page.replace(key, value)
    return page


def main(argv):
    if len(argv) != 9:
        sys.stderr.write(__doc__.split("\n\n")[1] + "\n")
        return 2
    page_path, module_path, template_path, icon_path, font_path, bx, by, target = argv[1:]
    try:
        with open(page_path, encoding="utf-8") as f:
            page = f.read()
        with open(module_path, "rb") as f:
            module = f.read()
        with open(template_path, encoding="ascii") as f:
            template_js = f.read()
        with open(icon_path, encoding="ascii") as f:
            icon_js = f.read()
        font = None
        if font_path != "-":
            with open(font_path, "rb") as f:
                font = f.read()
        with open(COLOURS, encoding="utf-8") as f:
            colours_header = f.read()
        text = build(page, module, template_js, icon_js, font, int(bx), int(by), colours_header)
    except (OSError, ValueError) as e:
        sys.stderr.write("make_page.py: %s\n" % e)
        return 1
    temporary = target + ".tmp"
    with open(temporary, "w", encoding="utf-8") as f:
        f.write(text)
    os.replace(temporary, target)
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
