// Links: events written as the page's fragment, and fragments read back,
// byte by byte, for the replay tool and the page's module alike.
#include "model/link.h"

#include "model/drag.h"
#include "model/prepared_curves.h"
#include "model/theorem.h"

#include <math.h>
#include <string.h>

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

static const char Base64Url[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789-_";

static int Base64UrlValue(unsigned char c)
{
    return c >= 'A' && c <= 'Z' ? c - 'A' :
        c >= 'a' && c <= 'z'    ? c - 'a' + 26 :
        c >= '0' && c <= '9'    ? c - '0' + 52 :
        c == '-'                ? 62 :
        c == '_'                ? 63 :
                                  -1;
}

static bool LinkSampleValid(double v)
{
    return fabs(v) <= MaxLinkSample;   // false for NaN too
}

bool WriteLinkSamples(const double *samples, char *out)
{
    for (int k = 0; k <= SampleCount; k++)
        if (!LinkSampleValid(samples[k]))
            return false;
    size_t n = 0;
    out[n++] = 's';
    uint32_t bits = 0;
    int count = 0;
    for (int k = 0; k <= SampleCount; k++) {
        uint64_t word;
        memcpy(&word, &samples[k], sizeof word);
        for (int i = 0; i < 8; i++) {
            bits = (bits << 8) | (uint32_t)((word >> (8 * i)) & 0xFF);   // little-endian, on any machine
            count += 8;
            while (count >= 6) {
                count -= 6;
                out[n++] = Base64Url[(bits >> count) & 63];
            }
        }
    }
    if (count)
        out[n++] = Base64Url[(bits << (6 - count)) & 63];
    return true;
}

size_t WriteStateLink(char *out)
{
    if (!WriteLinkSamples(Curve.CurveValues, out))
        return 0;
    size_t n = LinkSamplesLength;
    const ScriptEvent pulse = {EventPulse, (uint16_t)Drag.NextPulse.Shape, (uint16_t)Drag.NextPulse.Width, false, NULL};
    n += WriteLinkEvent(pulse, out + n);
    const ScriptEvent interval = {EventInterval, (uint16_t)Theorem.First, (uint16_t)Theorem.Last, false, NULL};
    return n + WriteLinkEvent(interval, out + n);
}

const char *LinkFaultName(LinkFault fault)
{
    switch (fault) {
    case LinkFine:
        return "";
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
    case LinkBadSamples:
        return "samples";
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
        if (stage_ == BeforeHash) {
            // An address with no '#' opens the first prepared curve.
            stage_ = InFragment;
            for (const char *c = PreparedCurves[0]; *c && fault_ == LinkFine; c++)
                TakeDecoded((unsigned char)*c, events);
        }
        if (fault_ != LinkFine)
            return false;
        if (escapeDigits_ >= 0)
            Fail(LinkUnfinishedEscape, escapeAt_);
        else if (field_ == Samples)
            Fail(LinkBadSamples, eventAt_);
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
    if (field_ == Samples) {
        TakeSampleChar(c, events);
        return;
    }
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
        if (c == 's' && at == 1) {
            // The state form: the samples come first, and only there.
            eventAt_ = at;
            field_ = Samples;
            sampleChars_ = bitCount_ = wordBytes_ = sampleCount_ = 0;
            bits_ = 0;
            word_ = 0;
            return;
        }
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

// One character of the state form's samples: six bits, taken into bytes,
// each eight bytes a double, checked as it completes.
void LinkReader::TakeSampleChar(unsigned char c, LinkEvents &events)
{
    const int v = Base64UrlValue(c);
    if (v < 0) {
        Fail(LinkBadSamples, eventAt_);
        return;
    }
    bits_ = ((bits_ << 6) | (uint32_t)v) & 0xFFF;
    bitCount_ += 6;
    if (bitCount_ >= 8 && sampleCount_ <= SampleCount) {
        bitCount_ -= 8;
        word_ |= (uint64_t)((bits_ >> bitCount_) & 0xFF) << (8 * wordBytes_);
        if (++wordBytes_ == 8) {
            double sample;
            memcpy(&sample, &word_, sizeof sample);
            if (!LinkSampleValid(sample)) {
                Fail(LinkBadSamples, eventAt_);
                return;
            }
            samples_[sampleCount_++] = sample;
            word_ = 0;
            wordBytes_ = 0;
        }
    }
    if (++sampleChars_ < LinkSampleChars)
        return;
    if ((bits_ & ((1u << bitCount_) - 1)) != 0) {
        Fail(LinkBadSamples, eventAt_);   // only one text stands for a curve
        return;
    }
    event_.kind = EventSamples;
    event_.samples = samples_;
    events.Add(event_);
    field_ = Letter;
}
