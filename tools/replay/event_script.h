// Event scripts: one mouse or key event a line, as the main window would
// receive them, for replaying a session without a window.
#pragma once

#include <stdint.h>
#include <string>
#include <vector>

enum ScriptEventKind { EventDown, EventMove, EventUp, EventKey };

struct ScriptEvent {
    ScriptEventKind kind;
    uint16_t x, y;
    bool escape;   // EventKey: the Esc key, which ends the program
};

struct ScriptError {
    int line;            // 1-based
    std::string text;    // the offending line as written
    std::string reason;
};

// Parses the whole text first, so a bad line is found before anything runs.
bool ParseEventScript(const std::string &text, std::vector<ScriptEvent> &events, ScriptError &error);

// Feeds the events to the model as the window procedure does; stops at Esc.
void ReplayEvents(const std::vector<ScriptEvent> &events);
