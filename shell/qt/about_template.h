// The About dialog's template and the menu bar's command as the resource
// script gives them, generated at build time by tools/resource_script.py:
// rectangles in dialog units.
#pragma once

enum class ControlKind { DefaultButton, BlackFrame, LeftText, CentredText, IconControl, GroupBox };

struct DialogUnitRect {
    int x, y, width, height;
};

struct TemplateControl {
    ControlKind kind;
    DialogUnitRect rect;
    const char *text;
};

struct DialogTemplate {
    const char *caption;
    const char *face;
    int points;
    DialogUnitRect rect;
    const TemplateControl *controls;   // in template order: the first is topmost
    int count;
};

extern const DialogTemplate AboutTemplate;
extern const char AboutCommandText[];   // the one command on the menu bar
