#!/usr/bin/env python3
"""Writes the icon's pixels as C++ for the Qt front end.

usage: make_icon_source.py MAKE_ICON_PY ICON_TXT OUTPUT_CPP

The picture is read by tools/make_icon.py's own parser, so the Qt icon and
the Windows .ico cannot disagree about what icon.txt says.
"""
import importlib.util
import os
import sys


def load_parser(path):
    found = importlib.util.spec_from_file_location("make_icon", path)
    module = importlib.util.module_from_spec(found)
    found.loader.exec_module(module)
    return module


def main(argv):
    if len(argv) != 4:
        sys.stderr.write("usage: make_icon_source.py MAKE_ICON_PY ICON_TXT OUTPUT_CPP\n")
        return 2
    make_icon = load_parser(argv[1])
    source, target = argv[2], argv[3]
    try:
        with open(source, encoding="ascii") as f:
            rows = make_icon.parse_icon_text(f.read())
    except (OSError, UnicodeDecodeError) as e:
        sys.stderr.write("make_icon_source.py: cannot read %s: %s\n" % (source, e))
        return 1
    except make_icon.IconTextError as e:
        sys.stderr.write("make_icon_source.py: %s: %s\n" % (source, e))
        return 1
    palette = make_icon.STANDARD_PALETTE
    lines = ["// Made from resources/icon.txt by shell/qt/make_icon_source.py.",
             "#include <stdint.h>",
             "",
             "extern const int BrisqualIconSize = %d;" % len(rows),
             "// 0x00RRGGBB, top row first.",
             "extern const uint32_t BrisqualIconPixels[%d] = {" % (len(rows) * len(rows))]
    for row in rows:
        lines.append("    " + ", ".join("0x%06X" % palette[i] for i in row) + ",")
    lines.append("};")
    temporary = target + ".tmp"
    with open(temporary, "w", encoding="ascii") as f:
        f.write("\n".join(lines) + "\n")
    os.replace(temporary, target)
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
