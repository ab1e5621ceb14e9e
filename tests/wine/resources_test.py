#!/usr/bin/env python3
"""Checks the resources and the import table of the built Windows program:
the menu, the About dialog template, the icon (against resources/icon.txt),
the resources' language, and that nothing imported could touch files, the
registry, the network or the environment.

usage: resources_test.py BRISQUAL_EXE [ICON_TXT]
Prints one line per check and exits non-zero if any fails.
"""
import os
import re
import struct
import sys

try:
    import pefile
except ImportError:
    sys.stderr.write("resources_test.py: the pefile module is missing (Debian: python3-pefile)\n")
    sys.exit(2)

HERE = os.path.dirname(os.path.abspath(__file__))
DEFAULT_ICON_TXT = os.path.join(HERE, "..", "..", "resources", "icon.txt")
sys.dont_write_bytecode = True   # keep the source tree free of caches
sys.path.insert(0, os.path.join(HERE, "..", "..", "tools"))
import make_icon  # noqa: E402

SPANISH_MODERN = 0x0C0A
RT_ICON, RT_MENU, RT_DIALOG, RT_GROUP_ICON = 3, 4, 5, 14
MF_END = 0x0080

WS_POPUP, WS_CHILD, WS_VISIBLE = 0x80000000, 0x40000000, 0x10000000
WS_CAPTION, WS_BORDER, WS_GROUP, WS_TABSTOP = 0x00C00000, 0x00800000, 0x00020000, 0x00010000
DS_SETFONT, DS_MODALFRAME = 0x40, 0x80
WS_EX_TOOLWINDOW = 0x80
BS_DEFPUSHBUTTON, BS_GROUPBOX = 0x1, 0x7
SS_LEFT, SS_CENTER, SS_ICON, SS_BLACKFRAME, SS_SUNKEN = 0x0, 0x1, 0x3, 0x7, 0x1000
BUTTON, STATIC = ("ordinal", 0x80), ("ordinal", 0x82)
CHILD = WS_CHILD | WS_VISIBLE

USAGE_TEXT = ("   2-TOCANDO LA CURVA CON EL PUNTERO-CURSOR DEL MOUSE Y OPRIMIENDO EL BOTON "
              "IZQUIERDO, SE LA DEFORMA AD - LIBITUM.  CON LOS BOTONES RESPECTIVOS SE ELIGE "
              "EL TIPO DE DEFORMACION Y CON LA BARRA SE DESPLAZA HASTA LA PROPORCION CONVENIENTE.")

# The About box's controls in template order: id, class, style, rectangle,
# and the text (None where only its form is fixed, checked separately).
DIALOG_CONTROLS = [
    (1, BUTTON, CHILD | BS_DEFPUSHBUTTON | WS_TABSTOP | WS_GROUP, (8, 109, 54, 38),
     ("text", "LISTO CHE !!!!")),
    (-1, STATIC, CHILD | SS_BLACKFRAME | SS_SUNKEN, (5, 3, 171, 35), ("text", "")),
    (-1, STATIC, CHILD | SS_CENTER | WS_GROUP, (75, 112, 147, 34), None),
    (-1, STATIC, CHILD | SS_BLACKFRAME | SS_SUNKEN, (71, 106, 159, 43), ("text", "")),
    (-1, STATIC, CHILD | SS_ICON | SS_SUNKEN | WS_BORDER, (193, 10, 20, 20), ("ordinal", 101)),
    (-1, STATIC, CHILD | SS_LEFT | WS_GROUP, (8, 7, 163, 28), None),
    (-1, BUTTON, CHILD | BS_GROUPBOX, (0, 41, 249, 60), ("text", "")),
    (-1, STATIC, CHILD | SS_LEFT | WS_GROUP, (5, 56, 235, 43), ("text", USAGE_TEXT)),
]

# What the program calls itself (USER32, GDI32) and what the static mingw-w64
# start-up and runtime import (KERNEL32, msvcrt: thread-local and critical
# section support, pseudo-relocation fix-ups, the error report to stderr).
ALLOWED_IMPORTS = {
    "USER32.DLL": {
        "BeginPaint", "CreateWindowExA", "DefWindowProcA", "DialogBoxParamA",
        "DispatchMessageA", "EndDialog", "EndPaint", "GetMessageA", "InvalidateRect",
        "LoadCursorA", "LoadIconA", "PostQuitMessage", "RegisterClassA", "ShowWindow",
        "TranslateMessage", "UpdateWindow",
    },
    "GDI32.DLL": {
        "CreateBrushIndirect", "CreatePen", "DeleteObject", "LineTo", "MoveToEx",
        "SelectObject",
    },
    "KERNEL32.DLL": {
        "DeleteCriticalSection", "EnterCriticalSection", "FreeLibrary", "GetLastError",
        "GetModuleHandleA", "GetProcAddress", "GetStartupInfoA", "InitializeCriticalSection",
        "LeaveCriticalSection", "LoadLibraryA", "SetUnhandledExceptionFilter", "Sleep",
        "TlsGetValue", "VirtualProtect", "VirtualQuery",
    },
    "MSVCRT.DLL": {
        "__getmainargs", "__initenv", "__p__acmdln", "__p__commode", "__p__fmode",
        "__set_app_type", "__setusermatherr", "_amsg_exit", "_cexit", "_fpreset",
        "_initterm", "_iob", "_onexit", "abort", "calloc", "exit", "fprintf", "free",
        "fwrite", "malloc", "memcpy", "signal", "strlen", "strncmp", "vfprintf",
    },
}

# Functions that would read or write files, the registry, the network or the
# environment; none may be imported even if the lists above grow.
FORBIDDEN_IMPORT = re.compile(
    r"^(Create(File|Directory|Process|Pipe|NamedPipe)|OpenFile|(Read|Write)(File|Console)"
    r"|DeleteFile|CopyFile|MoveFile|FindFirstFile|(Get|Set)FileAttributes|Reg[A-Z]|SH[A-Z]"
    r"|ShellExecute|WinExec|Internet|Http|WSA|(Get|Set|Free|Expand)Environment"
    r"|_*w?(fopen|freopen|open|sopen|creat|read|getenv|dupenv|putenv|unlink|remove|rename"
    r"|mkdir|rmdir|chdir|access|stat|system|popen|spawn|exec|socket|connect|bind|listen"
    r"|accept|send|recv|gethostby|getaddrinfo))")

STANDARD_PALETTE = [
    0x000000, 0x800000, 0x008000, 0x808000, 0x000080, 0x800080, 0x008080, 0xC0C0C0,
    0x808080, 0xFF0000, 0x00FF00, 0xFFFF00, 0x0000FF, 0xFF00FF, 0x00FFFF, 0xFFFFFF,
]


class CheckFailed(Exception):
    pass


def expect(condition, message):
    if not condition:
        raise CheckFailed(message)


def expect_equal(actual, expected, what):
    if actual != expected:
        raise CheckFailed("%s is %r, expected %r" % (what, actual, expected))


class Reader:
    """Little-endian reader over one resource's bytes."""

    def __init__(self, data):
        self.data, self.pos = data, 0

    def unpack(self, fmt):
        size = struct.calcsize("<" + fmt)
        expect(self.pos + size <= len(self.data), "resource ends early at byte %d" % self.pos)
        values = struct.unpack_from("<" + fmt, self.data, self.pos)
        self.pos += size
        return values if len(values) > 1 else values[0]

    def wstring(self):
        chars = []
        while True:
            c = self.unpack("H")
            if c == 0:
                return "".join(chars)
            chars.append(chr(c))

    def sz_or_ord(self):
        first = self.unpack("H")
        if first == 0xFFFF:
            return ("ordinal", self.unpack("H"))
        if first == 0:
            return ("text", "")
        return ("text", chr(first) + self.wstring())

    def align(self, n):
        self.pos = (self.pos + n - 1) // n * n

    def at_end(self):
        return self.pos >= len(self.data)


def key_of(entry):
    return str(entry.name) if entry.name is not None else entry.id


def load_resources(pe):
    """{(type, name): [(language, bytes), ...]} of every resource."""
    found = {}
    for rtype in pe.DIRECTORY_ENTRY_RESOURCE.entries:
        for name in rtype.directory.entries:
            for lang in name.directory.entries:
                d = lang.data.struct
                found.setdefault((key_of(rtype), key_of(name)), []).append(
                    (lang.id, pe.get_data(d.OffsetToData, d.Size)))
    return found


def only_resource(resources, rtype, name):
    entries = resources.get((rtype, name))
    expect(entries, "no resource type %s name %r" % (rtype, name))
    expect(len(entries) == 1, "resource %s %r stored in %d languages" % (rtype, name, len(entries)))
    return entries[0][1]


def check_resource_set_and_language(resources):
    expect_equal(sorted(resources, key=str),
                 sorted([(RT_ICON, 1), (RT_MENU, "HOBRIN"), (RT_DIALOG, "ABOUTBOX"),
                         (RT_GROUP_ICON, 101)], key=str), "the set of resources")
    for key, entries in resources.items():
        for language, _ in entries:
            expect(language == SPANISH_MODERN,
                   "resource %r has language 0x%04X, expected 0x0C0A" % (key, language))


def check_menu(resources):
    r = Reader(only_resource(resources, RT_MENU, "HOBRIN"))
    expect_equal(r.unpack("HH"), (0, 0), "menu header (version, header size); 1 is MENUEX")
    flags = r.unpack("H")
    expect_equal(flags, MF_END, "flags of the only item")
    expect_equal(r.unpack("H"), 40012, "command id")
    expect_equal(r.wstring(), "   QUIEN  ..Y COMO ....", "item text")
    expect(r.at_end(), "more than one item in the menu")


def parse_dialog(data):
    r = Reader(data)
    d = {}
    d["version"], d["signature"] = r.unpack("HH")
    expect((d["version"], d["signature"]) == (1, 0xFFFF),
           "not an extended dialog template (version %d, signature 0x%04X)"
           % (d["version"], d["signature"]))
    d["help"], d["exstyle"], d["style"], count = r.unpack("IIIH")
    d["rect"] = r.unpack("hhhh")
    d["menu"], d["class"] = r.sz_or_ord(), r.sz_or_ord()
    d["caption"] = r.wstring()
    if d["style"] & DS_SETFONT:
        d["points"], d["weight"], d["italic"], d["charset"] = r.unpack("HHBB")
        d["face"] = r.wstring()
    d["controls"] = []
    for _ in range(count):
        r.align(4)
        c = {}
        c["help"], c["exstyle"], c["style"] = r.unpack("III")
        c["rect"] = r.unpack("hhhh")
        c["id"] = r.unpack("i")
        c["class"], c["text"] = r.sz_or_ord(), r.sz_or_ord()
        c["extra"] = r.unpack("H")
        r.pos += c["extra"]
        d["controls"].append(c)
    r.align(4)
    expect(r.at_end(), "bytes left after the last control")
    return d


def check_dialog_frame(resources):
    d = parse_dialog(only_resource(resources, RT_DIALOG, "ABOUTBOX"))
    expect_equal(hex(d["style"]), hex(WS_POPUP | WS_CAPTION | DS_MODALFRAME | DS_SETFONT), "style")
    expect_equal(hex(d["exstyle"]), hex(WS_EX_TOOLWINDOW), "extended style")
    expect_equal(d["rect"], (20, 20, 253, 157), "position and size")
    expect_equal((d["menu"], d["class"]), (("text", ""), ("text", "")), "menu and class")
    expect_equal(d["caption"], "Acerca de...", "caption")
    expect_equal((d.get("points"), d.get("weight"), d.get("italic"), d.get("charset"), d.get("face")),
                 (7, 0, 0, 1, "MS Sans Serif"), "font (points, weight, italic, charset, face)")


def check_dialog_controls(resources):
    d = parse_dialog(only_resource(resources, RT_DIALOG, "ABOUTBOX"))
    controls = d["controls"]
    expect_equal(len(controls), len(DIALOG_CONTROLS), "number of controls")
    for n, (c, (cid, cls, style, rect, text)) in enumerate(zip(controls, DIALOG_CONTROLS), 1):
        what = "control %d " % n
        expect_equal(c["id"], cid, what + "id")
        expect_equal(c["class"], cls, what + "class")
        expect_equal(hex(c["style"]), hex(style), what + "style")
        expect_equal((c["exstyle"], c["help"], c["extra"]), (0, 0, 0),
                     what + "(extended style, help id, creation data)")
        expect_equal(c["rect"], rect, what + "rectangle")
        if text is not None:
            expect_equal(c["text"], text, what + "text")


def check_dialog_free_texts(resources):
    controls = parse_dialog(only_resource(resources, RT_DIALOG, "ABOUTBOX"))["controls"]
    expect(len(controls) >= 6, "too few controls")
    kind, notice = controls[2]["text"]
    expect_equal(kind, "text", "kind of the usage notice (control 3)")
    expect_equal(len(notice), 128, "length of the usage notice (control 3)")
    expect(notice == notice.upper() and notice != notice.lower(),
           "usage notice is not all capitals: %r" % notice)
    kind, credit = controls[5]["text"]
    expect_equal(kind, "text", "kind of the credit line (control 6)")
    expect_equal(len(credit), 80, "length of the credit line (control 6)")
    expect(credit.endswith("  ") and credit.strip(), "credit line does not end in blanks: %r" % credit)
    upper = sum(ch.isupper() for ch in credit)
    lower = sum(ch.islower() for ch in credit)
    expect(upper > 4 * lower, "credit line is not mostly capitals: %r" % credit)


def read_icon_text(path):
    """The picture in icon.txt as 32 rows of palette indices, top row first,
    read by the same reader that builds the icon."""
    with open(path, encoding="ascii") as f:
        text = f.read()
    try:
        return make_icon.parse_icon_text(text)
    except make_icon.IconTextError as e:
        raise CheckFailed("icon.txt: %s" % e)


def icon_image(resources):
    group = Reader(only_resource(resources, RT_GROUP_ICON, 101))
    expect_equal(group.unpack("HHH"), (0, 1, 1), "icon group header (reserved, type, count)")
    width, height, colours, _, planes, bits, size, image_id = group.unpack("BBBBHHIH")
    expect_equal((width, height, colours, planes, bits, image_id), (32, 32, 16, 1, 4, 1),
                 "group entry (width, height, colours, planes, bits, image id)")
    image = only_resource(resources, RT_ICON, image_id)
    expect_equal(size, len(image), "image size in the group entry")
    return image


def check_icon_format(resources):
    image = icon_image(resources)
    r = Reader(image)
    header = r.unpack("IiiHHIIiiII")
    expect_equal(header[:6], (40, 32, 64, 1, 4, 0),
                 "BITMAPINFOHEADER (size, width, height, planes, bits, compression)")
    expect(header[9] in (0, 16), "colours used is %d" % header[9])
    palette = [r.unpack("BBBB") for _ in range(16)]
    expect_equal(["%06X" % (rr << 16 | g << 8 | b) for b, g, rr, _ in palette],
                 ["%06X" % c for c in STANDARD_PALETTE], "palette (RRGGBB)")
    expect_equal(len(image) - r.pos, 32 * 16 + 32 * 4, "bytes of XOR and AND bitmaps")
    mask = image[r.pos + 32 * 16:]
    expect(not any(mask), "AND mask is not all zero: the icon is not fully opaque")


def check_icon_pixels(resources, icon_txt):
    image = icon_image(resources)
    xor = image[40 + 64:40 + 64 + 32 * 16]
    expect_equal(len(xor), 32 * 16, "bytes of the XOR bitmap")
    pixels = []
    for y in range(32):
        row = xor[(31 - y) * 16:(32 - y) * 16]          # DIB rows run bottom-up
        pixels.append([v for byte in row for v in (byte >> 4, byte & 15)])
    wanted = read_icon_text(icon_txt)
    for y in range(32):
        for x in range(32):
            expect(pixels[y][x] == wanted[y][x], "pixel (%d, %d) is index %d, icon.txt has %d"
                   % (x, y, pixels[y][x], wanted[y][x]))


def check_icon_picture(icon_txt):
    # The picture as described: red above and green below a black axis, a
    # yellow hump only above and a magenta dip only below, blue outlines.
    rows = read_icon_text(icon_txt)
    red, green, yellow, blue, magenta, black = 9, 10, 11, 12, 13, 0
    upper, lower = [v for row in rows[:15] for v in row], [v for row in rows[17:] for v in row]
    expect(rows[15] == [black] * 32 and rows[16] == [black] * 32, "rows 15-16 are not the axis")
    expect(rows[0][0] == red and rows[31][0] == green, "background corners are not red/green")
    expect(yellow in upper and yellow not in lower, "yellow hump not only in the upper half")
    expect(magenta in lower and magenta not in upper, "magenta dip not only in the lower half")
    expect(blue in upper and blue in lower, "outlines missing")
    expect(black in rows[1][16:] and black in lower, "lettering missing")


def imported(pe):
    """[(dll upper-case, function name or None for an ordinal)]"""
    return [(entry.dll.decode("ascii").upper(), imp.name.decode("ascii") if imp.name else None)
            for entry in getattr(pe, "DIRECTORY_ENTRY_IMPORT", []) for imp in entry.imports]


def check_imported_dlls(pe):
    dlls = {dll for dll, _ in imported(pe)}
    expect(dlls <= set(ALLOWED_IMPORTS), "unexpected DLLs: %s" % sorted(dlls - set(ALLOWED_IMPORTS)))
    expect(not hasattr(pe, "DIRECTORY_ENTRY_DELAY_IMPORT"), "delay-load imports present")


def check_imported_functions(pe):
    for dll, name in imported(pe):
        expect(name is not None, "%s imported by ordinal" % dll)
        expect(not FORBIDDEN_IMPORT.match(name), "%s!%s touches files, registry, network "
               "or environment" % (dll, name))
        expect(name in ALLOWED_IMPORTS.get(dll, ()), "%s!%s is not expected" % (dll, name))


def main(argv):
    if len(argv) not in (2, 3):
        sys.stderr.write("usage: resources_test.py BRISQUAL_EXE [ICON_TXT]\n")
        return 2
    exe = argv[1]
    icon_txt = argv[2] if len(argv) == 3 else DEFAULT_ICON_TXT
    try:
        pe = pefile.PE(exe)
    except (OSError, pefile.PEFormatError) as e:
        sys.stderr.write("resources_test.py: cannot read %s: %s\n" % (exe, e))
        return 2
    resources = load_resources(pe) if hasattr(pe, "DIRECTORY_ENTRY_RESOURCE") else {}
    checks = [
        ("resources are the menu, dialog and icon, all in Spanish (0x0C0A)",
         lambda: check_resource_set_and_language(resources)),
        ("menu HOBRIN is a standard menu with the one About command",
         lambda: check_menu(resources)),
        ("dialog ABOUTBOX is an extended template with its style, size, caption and font",
         lambda: check_dialog_frame(resources)),
        ("dialog ABOUTBOX has its eight controls in order",
         lambda: check_dialog_controls(resources)),
        ("dialog ABOUTBOX usage notice and credit line have their form",
         lambda: check_dialog_free_texts(resources)),
        ("icon 101 is one opaque 32x32 16-colour image",
         lambda: check_icon_format(resources)),
        ("icon 101 pixels equal icon.txt",
         lambda: check_icon_pixels(resources, icon_txt)),
        ("icon.txt shows the wave, axis and lettering",
         lambda: check_icon_picture(icon_txt)),
        ("only USER32, GDI32, KERNEL32 and msvcrt are imported",
         lambda: check_imported_dlls(pe)),
        ("no imported function touches files, registry, network or environment",
         lambda: check_imported_functions(pe)),
    ]
    failed = 0
    for title, check in checks:
        try:
            check()
            print("ok   " + title)
        except (CheckFailed, KeyError, ValueError, IndexError, OSError) as e:
            failed += 1
            print("FAIL %s: %s" % (title, e))
    print("%d checks, %d failed" % (len(checks), failed))
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
