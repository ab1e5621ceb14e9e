// Links: events written as the page's fragment, and fragments read back,
// byte by byte, for the replay tool and the page's module alike.
#include "model/link.h"

#include "model/drag.h"
#include "model/theorem.h"

// The digits of v, at most five, to OUT; their count.
static size_t WriteNumber(uint32_t v, char *out)
{
    char digits[10];
    size_t n = 0;
    do {
        digits[n++] = (char)('0' + v % 10);
        v /= 10;
    } while (v && n < 5);
    for (size_t i = 0; i < n; i++)
        out[i] = digits[n - 1 - i];
    return n;
}

static const char Letters[] = {'d', 'm', 'u', 0, 'p', 'i'};   // by ScriptEventKind

char LinkLetter(ScriptEventKind kind)
{
    return (unsigned)kind < sizeof Letters ? Letters[kind] : 0;
}

bool LinkKindOf(unsigned char letter, ScriptEventKind &kind)
{
    for (unsigned k = 0; k < sizeof Letters; k++)
        if (letter && Letters[k] == (char)letter) {
            kind = (ScriptEventKind)k;
            return true;
        }
    return false;
}

size_t WriteLinkEvent(const ScriptEvent &e, char *out)
{
    const char letter = LinkLetter(e.kind);
    if (!letter)
        return 0;
    size_t n = 0;
    out[n++] = letter;
    n += WriteNumber(e.x, out + n);
    out[n++] = '.';
    n += WriteNumber(e.y, out + n);
    return n;
}

const char *LinkFaultName(LinkFault fault)
{
    switch (fault) {
    case LinkFine:
        return "";
    case LinkNoHash:
        return "hash";
    case LinkTooLong:
        return "length";
    case LinkBadEscape:
    case LinkUnfinishedEscape:
        return "encoding";
    case LinkNoEvent:
        return "item";
    case LinkBeyond65535:
        return "range";
    case LinkBadPulse:
        return "pulse";
    case LinkBadInterval:
        return "interval";
    }
    return "";
}

bool LinkReader::Feed(const char *data, size_t size, LinkEvents &events)
{
    for (size_t i = 0; i < size && fault_ == LinkFine; i++)
        TakeRaw((unsigned char)data[i], events);
    return fault_ == LinkFine;
}

bool LinkReader::Finish(LinkEvents &events)
{
    if (fault_ == LinkFine) {
        if (stage_ == BeforeHash)
            Fail(LinkNoHash, 0);
        else if (escapeDigits_ >= 0)
            Fail(LinkUnfinishedEscape, escapeAt_);
        else if (field_ != Letter)
            EndEvent(events);
    }
    return fault_ == LinkFine;
}

void LinkReader::Fail(LinkFault fault, uint64_t at)
{
    fault_ = fault;
    faultAt_ = at;
}

// Counts one raw character into the address's length as a browser would
// hold it; false once that is more than a browser opens.
bool LinkReader::CountAddress(unsigned char c)
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
    Fail(LinkTooLong, 0);
    return false;
}

void LinkReader::TakeRaw(unsigned char c, LinkEvents &events)
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
        Fail(LinkNoEvent, blankAt_);
        return;
    }
    if (escapeDigits_ >= 0) {
        int digit = c >= '0' && c <= '9' ? c - '0' :
            c >= 'a' && c <= 'f'         ? c - 'a' + 10 :
            c >= 'A' && c <= 'F'         ? c - 'A' + 10 :
                                           -1;
        if (digit < 0) {
            Fail(LinkBadEscape, escapeAt_);
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
// event (which then fails).
void LinkReader::TakeDecoded(unsigned char c, LinkEvents &events)
{
    const uint64_t at = ++decoded_;
    const bool digit = c >= '0' && c <= '9';
    if (field_ == Y && (!digit || digits_ == 5)) {
        if (digits_ == 0) {
            Fail(LinkNoEvent, eventAt_);
            return;
        }
        EndEvent(events);
        if (fault_ != LinkFine)
            return;
    }
    if (field_ == Letter) {
        event_ = ScriptEvent{};
        if (!LinkKindOf(c, event_.kind)) {
            Fail(LinkNoEvent, at);
            return;
        }
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
        Fail(LinkNoEvent, eventAt_);
    }
}

void LinkReader::EndEvent(LinkEvents &events)
{
    if (field_ != Y || digits_ == 0) {
        Fail(LinkNoEvent, eventAt_);
        return;
    }
    // Checked once the event is whole.
    if (event_.kind == EventPulse) {
        if (!ValidPulse((int32_t)x_, (int32_t)value_)) {
            Fail(LinkBadPulse, eventAt_);
            return;
        }
    } else if (event_.kind == EventInterval) {
        if (!TheoremIntervalValid((int32_t)x_, (int32_t)value_)) {
            Fail(LinkBadInterval, eventAt_);
            return;
        }
    } else if (x_ > 65535 || value_ > 65535) {
        Fail(LinkBeyond65535, eventAt_);
        return;
    }
    event_.x = (uint16_t)x_;
    event_.y = (uint16_t)value_;
    events.Add(event_);
    field_ = Letter;
}
