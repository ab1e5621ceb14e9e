#!/usr/bin/env python3
"""Puts the browser page together as one file. It writes what the build
makes as a module of its own, brisqual-generated: the WebAssembly module
(base64), the About dialog's template and menu (from
tools/resource_script.py), the icon (from tools/make_icon.py) and the dialog
base units; and as styles, the dialog font and the dialog's system colours,
read from shell/system_colours.h, which the Qt window reads too; and the
main window's caption from shell/main_window_frame.h, the desktop
windows' own; and the prepared curves, from model/prepared_curves.h, which
the replay tool reads too. esbuild bundles
and minifies the page's modules and styles (shell/web/page/) with these, and
the bundles go into the page's markup, so that the page opens from file://
and from any static host and fetches nothing.

usage: make_page.py ESBUILD PAGE_DIR MODULE_WASM TEMPLATE_JS ICON_JS FONT_TTF|- BASE_X BASE_Y OUTPUT_HTML

The module is gzipped by the zopfli program named in BRISQUAL_ZOPFLI, whose
stream is a twentieth smaller than zlib's best; without it, by zlib.

FONT_TTF '-' leaves the font out: the page then draws the dialog with the
browser's Arial or its like, as Wine does without its own fonts.
"""
import base64
import gzip
import json
import os
import re
import subprocess
import sys
import tempfile

SHELL = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..")
COLOURS = os.path.join(SHELL, "system_colours.h")
FRAME = os.path.join(SHELL, "main_window_frame.h")
PREPARED = os.path.join(SHELL, "..", "model", "prepared_curves.h")


def system_colours(header):
    """Wine's system colours as CSS custom properties: ButtonFace becomes
    --button-face."""
    colours = re.findall(r"const uint32_t (\w+) = SystemRgb\((\d+), (\d+), (\d+)\);", header)
    if not colours:
        raise ValueError("no system colours in %s" % COLOURS)
    return ":root { %s }" % " ".join(
        "--%s: rgb(%s,%s,%s);" % (re.sub(r"(?<!^)([A-Z])", r"-\1", name).lower(), r, g, b)
        for name, r, g, b in colours)


def caption(header):
    """The main window's caption, as the desktop windows show it."""
    found = re.search(r'constexpr const char \*MainWindowCaption = ("[A-Za-z0-9 ]*");', header)
    if not found:
        raise ValueError("no MainWindowCaption in %s" % FRAME)
    return found.group(1)


def prepared_curves(header, name="PreparedCurves"):
    """The prepared curves' links (or the prediction lessons'), as the model holds them."""
    found = re.search(name + r"\[\] = \{(.*?)\};", header, re.S)
    links = re.findall(r'"([a-z0-9.]*)"', found.group(1)) if found else []
    if not links:
        raise ValueError("no %s in %s" % (name, PREPARED))
    return links


def gzipped(data):
    """The module as a gzip stream with no time in its header, so that the
    page is the same bytes for the same module."""
    zopfli = os.environ.get("BRISQUAL_ZOPFLI")
    if not zopfli:
        return gzip.compress(data, 9, mtime=0)
    # zopfli reads a file, not a pipe.
    with tempfile.TemporaryDirectory() as scratch:
        path = os.path.join(scratch, "module.wasm")
        with open(path, "wb") as f:
            f.write(data)
        try:
            done = subprocess.run([zopfli, "-c", path], capture_output=True)
        except OSError as e:
            raise ValueError("cannot run zopfli (%s): %s" % (zopfli, e))
    if done.returncode != 0 or gzip.decompress(done.stdout) != data:
        raise ValueError("zopfli failed on the module: %s" % done.stderr.decode(errors="replace").strip())
    return done.stdout


def generated_module(module, template_js, icon_js, base_x, base_y, frame_header, prepared_header):
    """The module brisqual-generated: the resource script's and the icon's
    constants as the tools write them, exported, with the base units, the
    main window's caption and the WebAssembly module."""
    return "\n".join([
        "// Made by make_page.py from the build's parts.",
        template_js.strip(),
        icon_js.strip(),
        "export { AboutTemplate, MainMenu, BrisqualIcon };",
        "export const DialogBaseUnits = {x: %d, y: %d};" % (base_x, base_y),
        "export const MainWindowCaption = %s;" % caption(frame_header),
        "export const Presets = %s;" % json.dumps(prepared_curves(prepared_header)),
        "export const Predicts = %s;" % json.dumps(prepared_curves(prepared_header, "PredictCurves")),
        # Gzipped, which saves a student's download a quarter of the page:
        # base64 of the module itself compresses poorly; mtime 0 keeps the
        # page the same bytes for the same module.
        'export const ModuleBase64 = "%s";' % base64.b64encode(gzipped(module)).decode("ascii"),
        ""])


def style_entry(page_dir, font, colours_header):
    """The styles' entry point: the page's own, then the font and colours."""
    face = ""
    if font is not None:
        face = ('@font-face { font-family: "MS Sans Serif"; '
                'src: url(data:font/ttf;base64,%s) format("truetype"); }'
                % base64.b64encode(font).decode("ascii"))
    return "@import %s;\n%s\n%s\n" % (json.dumps(os.path.join(page_dir, "page.css")), face,
                                       system_colours(colours_header))


def bundle(esbuild, entry, output, node_path):
    command = [esbuild, entry, "--bundle", "--minify", "--charset=utf8", "--legal-comments=none",
               "--log-level=warning", "--outfile=" + output]
    if entry.endswith(".js"):
        # One classic script, strict as the modules it was made from.
        command += ["--format=iife", '--banner:js="use strict";']
    # The page's modules import the generated one by its bare name, which
    # esbuild looks up in NODE_PATH: the scratch folder it is written to.
    environment = dict(os.environ, NODE_PATH=node_path)
    try:
        done = subprocess.run(command, env=environment, stderr=subprocess.PIPE, text=True)
    except OSError as e:
        raise ValueError("cannot run esbuild (%s): %s" % (esbuild, e))
    if done.returncode != 0:
        raise ValueError("esbuild failed on %s:\n%s" % (entry, done.stderr.strip()))
    with open(output, encoding="utf-8") as f:
        return f.read().strip()


def fill(page, parts):
    for key, value in parts.items():
        if page.count(key) != 1:
            raise ValueError("the page's markup holds %s %d times, not once" % (key, page.count(key)))
    # One pass, so that nothing a bundle holds is taken for a placeholder.
    return re.sub("|".join(map(re.escape, parts)), lambda m: parts[m.group(0)], page)


def build(esbuild, page_dir, module, template_js, icon_js, font, base_x, base_y, colours_header, frame_header,
          prepared_header):
    with open(os.path.join(page_dir, "page.html"), encoding="utf-8") as f:
        page = f.read()
    with tempfile.TemporaryDirectory() as scratch:
        with open(os.path.join(scratch, "brisqual-generated.js"), "w", encoding="utf-8") as f:
            f.write(generated_module(module, template_js, icon_js, base_x, base_y, frame_header, prepared_header))
        entry_css = os.path.join(scratch, "entry.css")
        with open(entry_css, "w", encoding="utf-8") as f:
            f.write(style_entry(page_dir, font, colours_header))
        script = bundle(esbuild, os.path.join(page_dir, "main.js"), os.path.join(scratch, "page.js"), scratch)
        styles = bundle(esbuild, entry_css, os.path.join(scratch, "page.css"), scratch)
    # esbuild escapes "</script" in strings; a closing tag left in either
    # bundle would end its element early.
    if re.search(r"</script", script, re.I) or re.search(r"</style", styles, re.I):
        raise ValueError("a bundle holds a closing tag of its element")
    return fill(page, {"@STYLES@": styles, "@SCRIPT@": script})


def main(argv):
    if len(argv) != 10:
        sys.stderr.write(__doc__.split("\n\n")[1] + "\n")
        return 2
    esbuild, page_dir, module_path, template_path, icon_path, font_path, bx, by, target = argv[1:]
    try:
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
        with open(FRAME, encoding="utf-8") as f:
            frame_header = f.read()
        with open(PREPARED, encoding="utf-8") as f:
            prepared_header = f.read()
        text = build(esbuild, os.path.abspath(page_dir), module, template_js, icon_js, font, int(bx), int(by),
                     colours_header, frame_header, prepared_header)
    except (OSError, ValueError) as e:
        sys.stderr.write("make_page.py: %s\n" % e)
        return 1
    # Written aside and moved into place, so that a failed write leaves no
    # half page.
    temporary = target + ".tmp"
    try:
        with open(temporary, "w", encoding="utf-8") as f:
            f.write(text)
        os.replace(temporary, target)
    except OSError as e:
        sys.stderr.write("make_page.py: cannot write %s: %s\n" % (target, e))
        if os.path.exists(temporary):
            os.remove(temporary)
        return 1
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
