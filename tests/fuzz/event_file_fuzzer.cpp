// libFuzzer target: any bytes as an event script for the replay tool. A
// script parses, or fails naming a line inside it; its events printed back
// in canonical form parse to the same events; and replaying them keeps the
// model within what the events allow, stopping at Esc as the window does.
// The same bytes as a link: read alike whole and in pieces, and its events
// written back as a fragment read back the same.
#include "model/curve.h"
#include "model/drag.h"
#include "tests/fuzz/model_checks.h"
#include "shell/replay/event_script.h"
#include "shell/replay/link.h"

#include <stdint.h>
#include <stdio.h>
#include <string.h>
#include <string>
#include <vector>

using namespace fuzz;

namespace {

// The parser's entry point, in the one place that knows its shape.
bool Parse(const std::string &text, std::vector<ScriptEvent> &events, ScriptError &error)
{
    return ParseEventScript(text, events, error);
}

// What an error message shows of a bad line: the line without its line end,
// at most MaxEchoedBytes of it with "..." when there is more, and every byte
// but printable ASCII (the backslash too) as \xNN, so that it is safe to print.
NO_COVERAGE std::string Shown(std::string line)
{
    if (!line.empty() && line.back() == '\r')
        line.pop_back();   // of a CR LF, or a CR that ends the input
    std::string shown;
    for (size_t i = 0; i < line.size() && i < MaxEchoedBytes; i++) {
        unsigned char c = (unsigned char)line[i];
        if (c >= 0x20 && c < 0x7F && c != '\\') {
            shown += (char)c;
        } else {
            char escaped[8];
            snprintf(escaped, sizeof escaped, "\\x%02X", c);
            shown += escaped;
        }
    }
    if (line.size() > MaxEchoedBytes)
        shown += "...";
    return shown;
}

// Lines as the parser numbers them: every '\n' ends one, and bytes after
// the last '\n' make one more.
NO_COVERAGE size_t LineCount(const std::string &text)
{
    size_t n = 0;
    for (char c : text)
        n += c == '\n';
    return n + (!text.empty() && text.back() != '\n');
}

// Where line NUMBER (1-based) starts, and the line without its '\n'.
NO_COVERAGE size_t LineStart(const std::string &text, size_t number)
{
    size_t at = 0;
    for (size_t n = 1; n < number; n++)
        at = text.find('\n', at) + 1;
    return at;
}

NO_COVERAGE std::string LineAt(const std::string &text, size_t number)
{
    size_t start = LineStart(text, number);
    size_t end = text.find('\n', start);
    return text.substr(start, end == std::string::npos ? std::string::npos : end - start);
}

NO_COVERAGE std::string Canonical(const std::vector<ScriptEvent> &events)
{
    std::string out;
    char line[32];
    for (const ScriptEvent &e : events) {
        if (e.kind == EventKey) {
            out += e.escape ? "key esc\n" : "key a\n";
            continue;
        }
        if (e.kind == EventInterval) {
            snprintf(line, sizeof line, "interval %u %u\n", (unsigned)e.x, (unsigned)e.y);
            out += line;
            continue;
        }
        const char *word = e.kind == EventDown ? "down" :
            e.kind == EventMove                ? "move" :
            e.kind == EventUp                  ? "up" :
                                                 "pulse";
        snprintf(line, sizeof line, "%s %u %u\n", word, (unsigned)e.x, (unsigned)e.y);
        out += line;
    }
    return out;
}

NO_COVERAGE bool Same(const std::vector<ScriptEvent> &a, const std::vector<ScriptEvent> &b)
{
    if (a.size() != b.size())
        return false;
    for (size_t i = 0; i < a.size(); i++)
        if (a[i].kind != b[i].kind || a[i].x != b[i].x || a[i].y != b[i].y || a[i].escape != b[i].escape ||
            (a[i].kind == EventSamples && memcmp(a[i].samples, b[i].samples, sizeof(double) * (SampleCount + 1)) != 0))
            return false;
    return true;
}

// A bad line is inside the input, every line before it is good, and the line
// on its own is bad too.
NO_COVERAGE void CheckFailure(const std::string &text, const ScriptError &error)
{
    Check(error.line >= 1 && (size_t)error.line <= LineCount(text), "error line outside the input");
    Check(!error.reason.empty(), "an error without a reason");
    std::string line = LineAt(text, (size_t)error.line);
    if (error.line == 1 && line.compare(0, 3, "\xEF\xBB\xBF") == 0)
        line.erase(0, 3);   // a byte-order mark before the first line is no text
    Check(error.text == Shown(line), "the error does not show the bad line");

    std::vector<ScriptEvent> events;
    ScriptError again;
    Check(Parse(text.substr(0, LineStart(text, (size_t)error.line)), events, again),
          "the lines before the bad one do not parse on their own");
    Check(!Parse("\n" + line, events, again) && again.line == 2 && again.reason == error.reason,
          "the bad line on its own is not refused alike");
}

NO_COVERAGE void Reset()
{
    Curve = CurveState{};
    Drag = DragState{};
    ResetCurve();
    ResetTheorem();
}

// Replays event by event, checking the model after each, up to Esc; then the
// whole script at once must leave exactly the same state.
NO_COVERAGE void CheckReplay(const std::vector<ScriptEvent> &events)
{
    Reset();
    Allowance allowance;
    static std::vector<ScriptEvent> one(1);
    for (const ScriptEvent &e : events) {
        int32_t last = Drag.LastPointerY;
        bool dragging = Drag.DragActive != 0;
        one[0] = e;
        ReplayEvents(one);
        if (e.kind == EventMove && dragging)
            allowance.Step(last, e.y);
        allowance.Check();
        if (e.kind == EventKey && e.escape)
            break;
    }
    ComputeRunningIntegral();
    CheckIntegral();

    static CurveState curve;
    curve = Curve;
    DragState drag = Drag;
    Reset();
    ReplayEvents(events);
    ComputeRunningIntegral();
    Check(memcmp(&curve, &Curve, sizeof curve) == 0 && drag.DragActive == Drag.DragActive &&
              drag.AnchorIndex == Drag.AnchorIndex && drag.LastPointerY == Drag.LastPointerY &&
              drag.DragPulse.Shape == Drag.DragPulse.Shape && drag.DragPulse.Width == Drag.DragPulse.Width &&
              drag.NextPulse.Shape == Drag.NextPulse.Shape && drag.NextPulse.Width == Drag.NextPulse.Width,
          "the whole script and its events one by one up to Esc end differently");
    CheckTheorem(Theorem.First, Theorem.Last);   // the script's last interval, or the whole curve
}

}   // namespace

// The text fed in pieces, cut where its own bytes say, as a stream arrives:
// the same result as the whole text at once.
NO_COVERAGE bool ParseInPieces(const std::string &text, std::vector<ScriptEvent> &events, ScriptError &error)
{
    events.clear();
    EventScriptParser parser;
    size_t at = 0;
    while (at < text.size()) {
        size_t piece = 1 + (unsigned char)text[at] % 7;
        piece = piece < text.size() - at ? piece : text.size() - at;
        if (!parser.Feed(text.data() + at, piece, events, error))
            return false;
        at += piece;
    }
    return parser.Finish(events, error);
}

// A state form's samples live in the reader; they are kept here, one copy
// for each way of reading, past the reader's life.
NO_COVERAGE void KeepSamples(std::vector<ScriptEvent> &events, double *kept)
{
    for (ScriptEvent &e : events)
        if (e.kind == EventSamples && e.samples != kept) {
            memcpy(kept, e.samples, sizeof(double) * (SampleCount + 1));
            e.samples = kept;
        }
}

NO_COVERAGE bool ReadLink(const std::string &text, std::vector<ScriptEvent> &events, std::string &error, bool pieces,
                          double *kept)
{
    events.clear();
    LinkParser parser;
    bool read = true;
    for (size_t at = 0, piece; read && at < text.size(); at += piece) {
        piece = pieces ? 1 + (unsigned char)text[at] % 7 : text.size();
        piece = piece < text.size() - at ? piece : text.size() - at;
        read = parser.Feed(text.data() + at, piece, events, error);
    }
    read = read && parser.Finish(events, error);
    KeepSamples(events, kept);
    return read;
}

NO_COVERAGE void CheckLink(const std::string &text)
{
    std::vector<ScriptEvent> events, streamed;
    std::string error, streamError;
    static double whole[SampleCount + 1], inPieces[SampleCount + 1];
    const bool read = ReadLink(text, events, error, false, whole);
    Check(read == ReadLink(text, streamed, streamError, true, inPieces) && Same(events, streamed) &&
              error == streamError,
          "the link in pieces reads otherwise than whole");
    if (!read)
        return;
    std::string fragment = "#";
    for (const ScriptEvent &e : events) {
        if (e.kind == EventSamples) {
            char samples[LinkSamplesLength];
            Check(WriteLinkSamples(e.samples, samples), "samples read that cannot be written");
            fragment.append(samples, sizeof samples);
        }
        fragment += LinkEvent(e);
    }
    Check(ReadLink(fragment, streamed, error, false, inPieces) && Same(events, streamed),
          "the link's events written back read otherwise");
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    std::string text((const char *)data, size);
    CheckLink(text);
    std::vector<ScriptEvent> events;
    ScriptError error;
    const bool parsed = Parse(text, events, error);
    std::vector<ScriptEvent> streamed;
    ScriptError streamError;
    const bool streamedParsed = ParseInPieces(text, streamed, streamError);
    Check(
        parsed == streamedParsed && Same(events, streamed) &&
            (parsed ||
             (streamError.line == error.line && streamError.reason == error.reason && streamError.text == error.text)),
        "the text in pieces parses otherwise than whole");
    if (!parsed) {
        CheckFailure(text, error);
        return 0;
    }
    Check(events.size() <= LineCount(text), "more events than lines");

    std::string canonical = Canonical(events);
    std::vector<ScriptEvent> reparsed;
    Check(Parse(canonical, reparsed, error), "the canonical form does not parse");
    Check(Same(events, reparsed), "the canonical form parses to other events");
    Check(Canonical(reparsed) == canonical, "the canonical form is not stable");

    CheckReplay(events);
    return 0;
}
