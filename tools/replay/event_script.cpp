// Parsing and replay of event scripts. A line is a word and its fields:
// "down X Y", "move X Y", "up X Y" or "key NAME"; '#' starts a comment.
#include "tools/replay/event_script.h"

#include "model/curve.h"
#include "model/drag.h"

#include <string.h>

static bool SplitFields(const std::string &line, std::vector<std::string> &fields)
{
    fields.clear();
    size_t end = line.find('#');
    std::string body = line.substr(0, end);
    size_t i = 0;
    while (i < body.size()) {
        while (i < body.size() && (body[i] == ' ' || body[i] == '\t' || body[i] == '\r'))
            i++;
        size_t start = i;
        while (i < body.size() && body[i] != ' ' && body[i] != '\t' && body[i] != '\r')
            i++;
        if (i > start)
            fields.push_back(body.substr(start, i - start));
    }
    return !fields.empty();
}

static bool ParseCoordinate(const std::string &field, uint16_t &value)
{
    if (field.empty() || field.size() > 5)
        return false;
    uint32_t v = 0;
    for (char c : field) {
        if (c < '0' || c > '9')
            return false;
        v = v * 10 + (uint32_t)(c - '0');
    }
    if (v > 65535)
        return false;
    value = (uint16_t)v;
    return true;
}

static bool ParseLine(const std::vector<std::string> &f, ScriptEvent &event, std::string &reason)
{
    const std::string &word = f[0];
    event = ScriptEvent{EventKey, 0, 0, false};
    if (word == "key") {
        if (f.size() != 2) {
            reason = "expected 'key NAME'";
            return false;
        }
        event.escape = f[1] == "esc";
        return true;
    }
    if (word == "down")
        event.kind = EventDown;
    else if (word == "move")
        event.kind = EventMove;
    else if (word == "up")
        event.kind = EventUp;
    else {
        reason = "unknown event '" + word + "'";
        return false;
    }
    if (f.size() != 3) {
        reason = "expected '" + word + " X Y'";
        return false;
    }
    if (!ParseCoordinate(f[1], event.x) || !ParseCoordinate(f[2], event.y)) {
        reason = "coordinates must be whole numbers from 0 to 65535";
        return false;
    }
    return true;
}

bool ParseEventScript(const std::string &text, std::vector<ScriptEvent> &events, ScriptError &error)
{
    events.clear();
    std::vector<std::string> fields;
    size_t pos = 0;
    int number = 0;
    while (pos < text.size()) {
        size_t nl = text.find('\n', pos);
        if (nl == std::string::npos)
            nl = text.size();
        std::string line = text.substr(pos, nl - pos);
        pos = nl + 1;
        number++;
        if (memchr(line.data(), '\0', line.size())) {
            error = ScriptError{number, "", "the line holds a NUL byte"};
            return false;
        }
        if (!SplitFields(line, fields))
            continue;
        ScriptEvent event;
        std::string reason;
        if (!ParseLine(fields, event, reason)) {
            if (!line.empty() && line.back() == '\r')
                line.pop_back();
            error = ScriptError{number, line, reason};
            return false;
        }
        events.push_back(event);
    }
    return true;
}

void ReplayEvents(const std::vector<ScriptEvent> &events)
{
    for (const ScriptEvent &e : events) {
        switch (e.kind) {
        case EventDown:
            BeginDrag(e.x, e.y);
            break;
        case EventMove:
            ContinueDrag(e.y);   // the window repaints; the replay paints once at the end
            break;
        case EventUp:
            EndDrag();
            break;
        case EventKey:
            if (e.escape)
                return;
            break;
        }
    }
}
