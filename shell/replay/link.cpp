// Links: an event script's presses, moves, releases, pulses and intervals as
// the page's fragment, and the fragment read back exactly as the page's parseLink
// reads it after decodeURIComponent, so that the tool draws any link the
// page opens and refuses any it refuses.
#include "shell/replay/link.h"

#include "model/drag.h"
#include "model/theorem.h"

#include <stdio.h>

std::string LinkEvent(const ScriptEvent &e)
{
    char letter = 0;
    switch (e.kind) {
    case EventDown:
        letter = 'd';
        break;
    case EventMove:
        letter = 'm';
        break;
    case EventUp:
        letter = 'u';
        break;
    case EventPulse:
        letter = 'p';
        break;
    case EventInterval:
        letter = 'i';
        break;
    default:
        return std::string();
    }
    return letter + std::to_string(e.x) + '.' + std::to_string(e.y);
}

bool LinkParser::Feed(const char *data, size_t size, std::vector<ScriptEvent> &events, std::string &error)
{
    for (size_t i = 0; i < size && !failed_; i++)
        TakeRaw((unsigned char)data[i], events);
    if (failed_)
        error = error_;
    return !failed_;
}

bool LinkParser::Finish(std::vector<ScriptEvent> &events, std::string &error)
{
    if (!failed_) {
        if (stage_ == BeforeHash)
            error_ = "no '#' (the events of a link follow its '#')", failed_ = true;
        else if (escapeDigits_ >= 0)
            Fail("an unfinished % escape", escapeAt_);
        else if (field_ != Letter)
            EndEvent(events);
    }
    if (failed_)
        error = error_;
    return !failed_;
}

void LinkParser::Fail(const char *what, uint64_t at)
{
    char where[48];
    snprintf(where, sizeof where, " at character %llu of the fragment", (unsigned long long)at);
    error_ = what + std::string(where);
    failed_ = true;
}

// Counts one raw character into the address's length as a browser would
// hold it; false once that is more than a browser opens.
bool LinkParser::CountAddress(unsigned char c)
{
    if (c == '\t' || c == '\n' || c == '\r')
        return true;
    if (c <= ' ') {
        if (addressLength_)
            heldBlanks_ += 3;   // %20 or %XX, unless nothing follows
        return true;
    }
    addressLength_ += heldBlanks_ + (c < 0x7F ? 1 : 3);
    heldBlanks_ = 0;
    if (addressLength_ <= MaxUrlLength)
        return true;
    char what[128];
    snprintf(what, sizeof what, "an address longer than the %zu characters a browser opens", MaxUrlLength);
    error_ = what;
    failed_ = true;
    return false;
}

void LinkParser::TakeRaw(unsigned char c, std::vector<ScriptEvent> &events)
{
    if (!CountAddress(c))
        return;
    if (stage_ == BeforeHash) {
        if (c == '#')
            stage_ = InFragment;
        return;
    }
    if (c == '\t' || c == '\n' || c == '\r')
        return;   // a browser drops these anywhere in an address
    if (c <= ' ') {
        // Blanks and control characters end an address; inside it they are
        // characters of the fragment, and no event's.
        if (!blankAt_)
            blankAt_ = decoded_ + 1;
        return;
    }
    if (blankAt_) {
        Fail("no event", blankAt_);
        return;
    }
    if (escapeDigits_ >= 0) {
        int digit = c >= '0' && c <= '9' ? c - '0' :
            c >= 'a' && c <= 'f'         ? c - 'a' + 10 :
            c >= 'A' && c <= 'F'         ? c - 'A' + 10 :
                                           -1;
        if (digit < 0) {
            Fail("a malformed % escape", escapeAt_);
            return;
        }
        escapeValue_ = escapeValue_ * 16 + (unsigned)digit;
        if (++escapeDigits_ == 2) {
            escapeDigits_ = -1;
            TakeDecoded((unsigned char)escapeValue_, events);
        }
    } else if (c == '%') {
        escapeDigits_ = 0;
        escapeValue_ = 0;
        escapeAt_ = decoded_ + 1;
    } else {
        TakeDecoded(c, events);
    }
}

// One character of the decoded fragment. Every event is a letter, one to
// five digits, '.', and one to five digits; a sixth digit starts the next
// event (which then fails), as the page's pattern matches.
void LinkParser::TakeDecoded(unsigned char c, std::vector<ScriptEvent> &events)
{
    const uint64_t at = ++decoded_;
    const bool digit = c >= '0' && c <= '9';
    if (field_ == Y && (!digit || digits_ == 5)) {
        if (digits_ == 0) {
            Fail("no event", eventAt_);
            return;
        }
        EndEvent(events);
        if (failed_)
            return;
    }
    if (field_ == Letter) {
        if (c != 'd' && c != 'm' && c != 'u' && c != 'p' && c != 'i') {
            Fail("no event", at);
            return;
        }
        event_ = ScriptEvent{};
        event_.kind = c == 'd' ? EventDown :
            c == 'm'           ? EventMove :
            c == 'u'           ? EventUp :
            c == 'p'           ? EventPulse :
                                 EventInterval;
        eventAt_ = at;
        field_ = X;
        digits_ = 0;
        value_ = 0;
    } else if (digit && digits_ < 5) {
        value_ = value_ * 10 + (uint32_t)(c - '0');
        digits_++;
    } else if (field_ == X && c == '.' && digits_ > 0) {
        x_ = value_;
        field_ = Y;
        digits_ = 0;
        value_ = 0;
    } else {
        Fail("no event", eventAt_);
    }
}

void LinkParser::EndEvent(std::vector<ScriptEvent> &events)
{
    if (field_ != Y || digits_ == 0) {
        Fail("no event", eventAt_);
        return;
    }
    // Checked once the event is whole, as the page checks a match.
    if (event_.kind == EventPulse) {
        if (x_ >= (uint32_t)PulseShapeCount || value_ < (uint32_t)MinPulseWidth || value_ > (uint32_t)MaxPulseWidth) {
            Fail("a pulse out of range (shape 0 to 3, width 1 to 60)", eventAt_);
            return;
        }
    } else if (event_.kind == EventInterval) {
        if (!TheoremIntervalValid((int32_t)x_, (int32_t)value_)) {
            Fail("an interval whose samples are not 0 <= A < B <= 300", eventAt_);
            return;
        }
    } else if (x_ > 65535 || value_ > 65535) {
        Fail("a coordinate beyond 65535", eventAt_);
        return;
    }
    event_.x = (uint16_t)x_;
    event_.y = (uint16_t)value_;
    events.push_back(event_);
    field_ = Letter;
}
