// Parsing and replay of event scripts. A line is a word and its fields:
// "down X Y", "move X Y", "up X Y", "key NAME", "pulse K W" or
// "interval A B"; '#' starts a comment.
#include "shell/replay/event_script.h"

#include "model/curve.h"
#include "model/drag.h"
#include "model/theorem.h"

#include <string.h>

static const char UnknownReason[] = "unknown event (expected down, move, up, key, pulse or interval)";
static const char CoordinateReason[] = "coordinates must be whole numbers from 0 to 65535";
static_assert(PulseShapeCount == 4 && MinPulseWidth == 1 && MaxPulseWidth == 60,
              "the pulse's message names its limits");
static const char PulseReason[] =
    "a pulse's shape is 0 to 3 (plateau, hill, triangle, whole curve) and its width 1 to 60";
static const char KeyReason[] = "unknown key (expected esc, or one lower-case letter or digit)";
static_assert(SampleCount == 300, "the interval's message names the last sample");
static const char IntervalReason[] = "an interval is two whole sample numbers A < B from 0 to 300";
static const unsigned char ByteOrderMark[3] = {0xEF, 0xBB, 0xBF};

bool EventScriptParser::Feed(const char *data, size_t size, std::vector<ScriptEvent> &events, ScriptError &error)
{
    for (size_t i = 0; i < size && !failed_ && !ended_; i++)
        Take((unsigned char)data[i], events);
    if (failed_)
        error = error_;
    return !failed_;
}

bool EventScriptParser::Finish(std::vector<ScriptEvent> &events, ScriptError &error)
{
    if (!failed_ && !ended_) {
        FlushByteOrderMark(events);
        pendingCr_ = false;   // a lone CR may end the last line
        if (!failed_)
            EndLine(events);
    }
    if (failed_)
        error = error_;
    return !failed_;
}

void EventScriptParser::Take(unsigned char c, std::vector<ScriptEvent> &events)
{
    if (bomMatched_ < 3 && c == ByteOrderMark[bomMatched_]) {
        bomMatched_++;
        return;
    }
    FlushByteOrderMark(events);
    if (!failed_)
        TakeInLine(c, events);
}

// The bytes held as the start of a byte-order mark that did not come whole
// are text after all.
void EventScriptParser::FlushByteOrderMark(std::vector<ScriptEvent> &events)
{
    int held = bomMatched_ < 3 ? bomMatched_ : 0;
    bomMatched_ = 3;
    for (int i = 0; i < held && !failed_; i++)
        TakeInLine(ByteOrderMark[i], events);
}

void EventScriptParser::TakeInLine(unsigned char c, std::vector<ScriptEvent> &events)
{
    if (pendingCr_) {
        pendingCr_ = false;
        if (c == '\n') {
            EndLine(events);
            return;
        }
        // A CR inside a line is no separator: "down 1\r2" is not "down 1 2".
        Echo('\r');
        if (!failing_)
            Fail("a carriage return inside the line");
    }
    if (c == '\r') {
        pendingCr_ = true;
    } else if (c == '\n') {
        EndLine(events);
        return;
    } else {
        Echo(c);
        if (failing_) {
        } else if (c == '\0') {
            Fail("the line holds a NUL byte");
        } else if (comment_) {
        } else if (c == '#') {
            EndField();
            comment_ = true;
        } else if (c == ' ' || c == '\t') {
            EndField();
        } else {
            TakeFieldByte(c);
        }
    }
    // Once the line is known bad, read on only as far as the message shows.
    if (failing_ && echoCut_)
        Report();
}

void EventScriptParser::TakeFieldByte(unsigned char c)
{
    if (!inField_) {
        inField_ = true;
        if (++fields_ > (isKey_ ? 2 : 3)) {
            Fail(CountReason());
            return;
        }
    }
    if (fields_ == 1) {
        if (wordLength_ == sizeof word_ - 1) {
            Fail(UnknownReason);   // no event's word is this long
            return;
        }
        word_[wordLength_++] = (char)c;
    } else if (isKey_) {
        if (nameLength_ < sizeof name_)   // one more than 'esc' tells it apart
            name_[nameLength_++] = (char)c;
    } else if (c < '0' || c > '9') {
        Fail(NumberReason());
    } else {
        // Any number of leading zeros; past 65535 the value stays at 65536.
        value_ = value_ * 10 + (uint32_t)(c - '0');
        if (value_ > 65535)
            value_ = 65536;
    }
}

void EventScriptParser::EndField()
{
    if (!inField_)
        return;
    inField_ = false;
    if (fields_ == 1) {
        word_[wordLength_] = '\0';
        if (strcmp(word_, "down") == 0)
            event_.kind = EventDown;
        else if (strcmp(word_, "move") == 0)
            event_.kind = EventMove;
        else if (strcmp(word_, "up") == 0)
            event_.kind = EventUp;
        else if (strcmp(word_, "key") == 0)
            event_.kind = EventKey, isKey_ = true;
        else if (strcmp(word_, "pulse") == 0)
            event_.kind = EventPulse;
        else if (strcmp(word_, "interval") == 0)
            event_.kind = EventInterval;
        else
            Fail(UnknownReason);
    } else if (!isKey_) {
        if (value_ > 65535) {
            Fail(NumberReason());
            return;
        }
        // A shape is checked with the width that follows it, the two being one pulse.
        if (event_.kind == EventPulse && fields_ == 3 && !ValidPulse(event_.x, (int32_t)value_)) {
            Fail(PulseReason);
            return;
        }
        (fields_ == 2 ? event_.x : event_.y) = (uint16_t)value_;
        value_ = 0;
    }
}

void EventScriptParser::EndLine(std::vector<ScriptEvent> &events)
{
    if (!failing_) {
        EndField();
        if (!failing_ && fields_ > 0 && fields_ != (isKey_ ? 2 : 3))
            Fail(CountReason());
        if (!failing_ && isKey_ && fields_ == 2 && !KnownKey())
            Fail(KeyReason);
        if (!failing_ && fields_ == 3 && event_.kind == EventInterval && !TheoremIntervalValid(event_.x, event_.y))
            Fail(IntervalReason);
    }
    if (failing_) {
        Report();
        return;
    }
    if (fields_ > 0) {
        event_.escape = isKey_ && nameLength_ == 3 && memcmp(name_, "esc", 3) == 0;
        events.push_back(event_);
        ended_ = event_.escape;
    }
    line_++;
    fields_ = 0;
    inField_ = comment_ = pendingCr_ = isKey_ = false;
    wordLength_ = nameLength_ = echoLength_ = 0;
    value_ = 0;
    event_ = ScriptEvent{};
    echoCut_ = false;
}

bool EventScriptParser::KnownKey() const
{
    if (nameLength_ == 1) {
        char c = name_[0];
        return (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9');
    }
    return nameLength_ == 3 && memcmp(name_, "esc", 3) == 0;
}

const char *EventScriptParser::CountReason() const
{
    switch (isKey_ ? EventKey : event_.kind) {
    case EventDown:
        return "expected 'down X Y'";
    case EventMove:
        return "expected 'move X Y'";
    case EventUp:
        return "expected 'up X Y'";
    case EventPulse:
        return "expected 'pulse K W'";
    case EventInterval:
        return "expected 'interval A B'";
    case EventKey:
    case EventSamples:   // only links hold them
        break;
    }
    return "expected 'key NAME'";
}

const char *EventScriptParser::NumberReason() const
{
    return event_.kind == EventPulse ? PulseReason : event_.kind == EventInterval ? IntervalReason : CoordinateReason;
}

void EventScriptParser::Fail(const char *reason)
{
    failing_ = reason;
}

void EventScriptParser::Echo(unsigned char c)
{
    if (echoLength_ < MaxEchoedBytes)
        echo_[echoLength_++] = c;
    else
        echoCut_ = true;
}

void EventScriptParser::Report()
{
    error_.line = line_;
    error_.reason = failing_;
    error_.text = Printable((const char *)echo_, echoLength_);
    if (echoCut_)
        error_.text += "...";
    failed_ = true;
}

bool ParseEventScript(const std::string &text, std::vector<ScriptEvent> &events, ScriptError &error)
{
    events.clear();
    EventScriptParser parser;
    return parser.Feed(text.data(), text.size(), events, error) && parser.Finish(events, error);
}

bool ReplayEvent(const ScriptEvent &e)
{
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
        return !e.escape;
    case EventPulse:
        SetPulse(e.x, e.y);   // the parsers take only pulses in range
        break;
    case EventInterval:
        SetTheoremInterval(e.x, e.y);   // checked when read; the picture does not change
        break;
    case EventSamples:
        SetCurveSamples(e.samples);   // checked when read
        break;
    }
    return true;
}

void ReplayEvents(const std::vector<ScriptEvent> &events)
{
    for (const ScriptEvent &e : events)
        if (!ReplayEvent(e))
            return;
}
