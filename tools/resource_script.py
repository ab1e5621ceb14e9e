#!/usr/bin/env python3
"""Reads the About dialog's template and the main menu from the resource
script, for the front ends that have no resource compiler.

usage: resource_script.py RC_FILE OUTPUT.cpp|OUTPUT.js

Writes the template (caption, font, position and size, and each control's
kind, rectangle and text, in template order) and the menu's item texts as
C++ data for shell/qt/about_template.h, or as JavaScript for the browser
page. The script is the one source: the Windows program compiles the same
script.
"""
import json
import os
import re
import sys

TOKEN = re.compile(r'\s*(?:(//[^\n]*)|("(?:[^"]|"")*")|([A-Za-z_][A-Za-z_0-9]*)|(-?\d+)|([,|]))')


class ScriptError(Exception):
    pass


def tokens(text):
    """The script's tokens as (kind, value): string, name, number or mark."""
    out = []
    at = 0
    while at < len(text):
        match = TOKEN.match(text, at)
        if not match or match.end() == at:
            if text[at:].strip() == "":
                break
            line = text.count("\n", 0, at) + 1
            raise ScriptError("line %d: cannot read %r" % (line, text[at:at + 20]))
        at = match.end()
        comment, string, name, number, mark = match.groups()
        if string is not None:
            out.append(("string", string[1:-1].replace('""', '"')))
        elif name is not None:
            out.append(("name", name))
        elif number is not None:
            out.append(("number", int(number)))
        elif mark is not None:
            out.append(("mark", mark))
    return out


def read_dialog(text, name):
    """The DIALOGEX template NAME: a dict of caption, face, points, rect and
    controls (each a dict of text, id, cls, styles, rect)."""
    # Preprocessor lines and the other resources play no part here.
    body = "\n".join("" if line.lstrip().startswith("#") else line for line in text.splitlines())
    found = re.search(r"^%s\s+DIALOGEX\b(.*?)^BEGIN\b(.*?)^END\b" % re.escape(name), body, re.M | re.S)
    if not found:
        raise ScriptError("no %s DIALOGEX ... BEGIN ... END" % name)
    head, controls = tokens(found.group(1)), tokens(found.group(2))
    dialog = {"rect": numbers(head[:7], 4, "the template's rectangle"), "controls": []}
    rest = head[7:]
    for i, (kind, value) in enumerate(rest):
        if kind == "name" and value == "CAPTION":
            dialog["caption"] = rest[i + 1][1]
        elif kind == "name" and value == "FONT":
            dialog["points"], dialog["face"] = rest[i + 1][1], rest[i + 3][1]
    for key in ("caption", "points", "face"):
        if key not in dialog:
            raise ScriptError("the %s template has no %s" % (name, key.upper()))
    items = split(controls, "CONTROL")
    for item in items:
        fields = fields_of(item)
        if len(fields) != 8:
            raise ScriptError("a CONTROL of %d fields, expected 8" % len(fields))
        text_field = fields[0][0]
        styles = [v for k, v in fields[3] if k == "name"]
        dialog["controls"].append({
            "text": text_field[1] if text_field[0] == "string" else "",
            "id": fields[1][0][1], "cls": fields[2][0][1], "styles": styles,
            "rect": [f[0][1] for f in fields[4:8]]})
    return dialog


def read_menu(text, name):
    """The item texts of the MENU resource NAME, in order."""
    found = re.search(r"^%s\s+MENU\b.*?^BEGIN\b(.*?)^END\b" % re.escape(name), text, re.M | re.S)
    if not found:
        raise ScriptError("no %s MENU ... BEGIN ... END" % name)
    items = []
    for toks in split(tokens(found.group(1)), "MENUITEM"):
        if not toks or toks[0][0] != "string":
            raise ScriptError("a MENUITEM without its text")
        items.append(toks[0][1])
    return items


def numbers(toks, count, what):
    values = [v for k, v in toks if k == "number"]
    if len(values) != count:
        raise ScriptError("cannot read %s" % what)
    return values


def split(toks, keyword):
    items, current = [], None
    for token in toks:
        if token == ("name", keyword):
            current = []
            items.append(current)
        elif current is None:
            raise ScriptError("%r before the first %s" % (token[1], keyword))
        else:
            current.append(token)
    return items


def fields_of(toks):
    fields = [[]]
    for token in toks:
        if token == ("mark", ","):
            fields.append([])
        else:
            fields[-1].append(token)
    return fields


def kind_of(control):
    """The kind of control the front ends draw, from its class and styles."""
    cls, styles = control["cls"], set(control["styles"])
    if cls == "BUTTON_CLASS" and "BS_DEFPUSHBUTTON" in styles:
        return "DefaultButton"
    if cls == "BUTTON_CLASS" and "BS_GROUPBOX" in styles:
        return "GroupBox"
    if cls == "STATIC_CLASS":
        for style, kind in (("SS_BLACKFRAME", "BlackFrame"), ("SS_ICON", "IconControl"),
                            ("SS_CENTER", "CentredText"), ("SS_LEFT", "LeftText")):
            if style in styles:
                return kind
    raise ScriptError("no front end draws a %s with %s" % (cls, " | ".join(control["styles"])))


def cpp_string(text):
    if any(ord(c) > 126 or ord(c) < 32 for c in text):
        raise ScriptError("text %r is not plain ASCII" % text)
    return '"' + text.replace("\\", "\\\\").replace('"', '\\"') + '"'


def cpp_source(dialog, menu):
    if len(menu) != 1:
        raise ScriptError("the Qt window's menu bar holds one command, the script has %d items" % len(menu))
    lines = ["// Made from resources/brisqual.rc by tools/resource_script.py.",
             '#include "shell/qt/about_template.h"',
             "",
             "static const TemplateControl Controls[] = {"]
    for c in dialog["controls"]:
        lines.append("    {ControlKind::%s, {%d, %d, %d, %d}, %s}," % ((kind_of(c),) + tuple(c["rect"]) + (cpp_string(c["text"]),)))
    lines += ["};",
              "",
              "extern const DialogTemplate AboutTemplate = {",
              "    %s, %s, %d, {%d, %d, %d, %d}, Controls, %d," % (
                  (cpp_string(dialog["caption"]), cpp_string(dialog["face"]), dialog["points"])
                  + tuple(dialog["rect"]) + (len(dialog["controls"]),)),
              "};",
              "",
              "extern const char AboutCommandText[] = %s;" % cpp_string(menu[0])]
    return "\n".join(lines) + "\n"


def js_source(dialog, menu):
    """The template and the menu's items as JavaScript statements (JSON data)
    for the page."""
    for text in [dialog["caption"], dialog["face"]] + [c["text"] for c in dialog["controls"]] + menu:
        cpp_string(text)   # the same plain-ASCII rule as for C++
    data = {"caption": dialog["caption"], "face": dialog["face"], "points": dialog["points"],
            "rect": dialog["rect"],
            "controls": [{"kind": kind_of(c), "rect": c["rect"], "text": c["text"]}
                         for c in dialog["controls"]]}
    return ("// Made from resources/brisqual.rc by tools/resource_script.py.\n"
            "const AboutTemplate = %s;\nconst MainMenu = %s;\n"
            % (json.dumps(data, separators=(",", ":")), json.dumps(menu)))


def main(argv):
    if len(argv) != 3 or not argv[2].endswith((".cpp", ".js")):
        sys.stderr.write("usage: resource_script.py RC_FILE OUTPUT.cpp|OUTPUT.js\n")
        return 2
    source, target = argv[1], argv[2]
    try:
        with open(source, encoding="ascii") as f:
            text = f.read()
        dialog, menu = read_dialog(text, "ABOUTBOX"), read_menu(text, "HOBRIN")
        source_text = js_source(dialog, menu) if target.endswith(".js") else cpp_source(dialog, menu)
    except (OSError, UnicodeDecodeError) as e:
        sys.stderr.write("resource_script.py: cannot read %s: %s\n" % (source, e))
        return 1
    except ScriptError as e:
        sys.stderr.write("resource_script.py: %s: %s\n" % (source, e))
        return 1
    temporary = target + ".tmp"
    with open(temporary, "w", encoding="ascii") as f:
        f.write(source_text)
    os.replace(temporary, target)
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
