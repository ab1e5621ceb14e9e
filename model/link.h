// Links to the browser page: the events after '#' in its address, each a
// letter (d press, m move, u release) and the client pixel x.y, for example
// brisqual.html#d200.300m200.310u200.310, p and the pulse's shape.width
// (p1.30) for the presses after it, or the theorem's interval, i and its
// samples a.b (i60.240). A link in its state form opens with s and the
// curve's samples themselves (below), so that its length does not grow
// with the work that made the curve. The one reader and the one writer of links: the
// replay tool and the page's module both use these, so that they open and
// refuse the same links.
#pragma once

#include "model/curve.h"
#include "model/event.h"

#include <stddef.h>
#include <stdint.h>

// The longest address Chromium opens is 2 MiB (2,097,152 characters); the
// fragment leaves 2 KiB of it to the page's own address.
const size_t MaxUrlLength = 2097152;
const size_t MaxFragmentLength = MaxUrlLength - 2048;

// The longest event written: a letter, five digits, '.', five digits.
enum { MaxLinkEventLength = 12 };

// The letter of an event in a link ('d', 'm', 'u', 'p' or 'i'), 0 for a
// key; and the kind a letter stands for, false for any other character.
char LinkLetter(ScriptEventKind kind);
bool LinkKindOf(unsigned char letter, ScriptEventKind &kind);

// Writes the fragment of one event ("d200.300", "p1.30", "i60.240") to OUT,
// which holds MaxLinkEventLength characters, and returns its length; 0 for
// a key, which a link never holds (Esc would end the page).
size_t WriteLinkEvent(const ScriptEvent &event, char *out);

// The state form: 's' first in the fragment, then the SampleCount + 1
// samples as the bytes of little-endian IEEE doubles in base64url (RFC 4648
// section 5, without padding; the two bits left over in the last character
// are 0, so that a curve has one text). Events may follow, as in any link:
// the writers put the pulse in force and the interval there.
enum {
    LinkSampleBytes = 8 * (SampleCount + 1),
    LinkSampleChars = (LinkSampleBytes * 8 + 5) / 6,
    LinkSamplesLength = 1 + LinkSampleChars,   // with the 's'
};
// The largest |sample| a link carries: far beyond any drag's reach, and far
// enough below the largest double that no integral of it overflows.
const double MaxLinkSample = 1e15;

// Writes 's' and the samples' text (LinkSamplesLength characters) to OUT;
// false, writing nothing, for a sample the reader would refuse.
bool WriteLinkSamples(const double *samples, char *out);

// The model's own state as a link: its curve's samples, the pulse the next
// press takes and the theorem's interval ("s...p0.19i0.300"), to OUT, which
// holds MaxStateLinkLength characters; the length, or 0 for a sample the
// state form cannot carry.
enum { MaxStateLinkLength = LinkSamplesLength + 2 * MaxLinkEventLength };
size_t WriteStateLink(char *out);

// What is wrong with a link that is refused.
enum LinkFault {
    LinkFine,
    LinkTooLong,            // longer than a browser opens
    LinkBadEscape,          // a '%' not followed by two hex digits
    LinkUnfinishedEscape,   // the fragment ends inside a % escape
    LinkNoEvent,            // characters that are no event
    LinkBeyond65535,        // a press, move or release off any screen
    LinkBadPulse,           // a pulse that ValidPulse refuses
    LinkBadInterval,        // an interval TheoremIntervalValid refuses
    LinkBadSamples,         // samples cut short, not base64url, or not finite and within MaxLinkSample
};
// The fault's short name, by which the page keys its messages: "length", "encoding", "item", "range", "pulse",
// "interval" or "samples".
const char *LinkFaultName(LinkFault fault);

// Where a reader puts each event it completes; the one who reads keeps
// them as it needs, so that the reader itself holds no event.
class LinkEvents {
public:
    virtual void Add(const ScriptEvent &event) = 0;

protected:
    ~LinkEvents() = default;
};

// Reads one link as it arrives, in pieces of any size, in memory that does
// not grow with it: anything up to the first '#' is the page's address and
// is skipped (with no '#' at all, the link is the first of PreparedCurves);
// tabs and line breaks are dropped and blanks at either end are trimmed, as
// a browser does to an address; the fragment is percent-decoded, then read
// as events. An address longer than a browser opens (MaxUrlLength, counted
// as the browser holds it: without those tabs, line breaks and end blanks,
// and with each blank or control inside it and each byte past ASCII
// percent-escaped) is refused.
class LinkReader {
public:
    // Appends the events completed; false at the first fault (and for
    // every call after it).
    bool Feed(const char *data, size_t size, LinkEvents &events);
    bool Finish(LinkEvents &events);   // the end of the link
    LinkFault Fault() const { return fault_; }
    // Where: the character of the decoded fragment, from 1; 0 for a fault
    // of the whole link (too long).
    uint64_t At() const { return faultAt_; }

private:
    void TakeRaw(unsigned char c, LinkEvents &events);
    void TakeDecoded(unsigned char c, LinkEvents &events);
    void EndEvent(LinkEvents &events);
    void Fail(LinkFault fault, uint64_t at);
    bool CountAddress(unsigned char c);

    enum Stage { BeforeHash, InFragment };
    void TakeSampleChar(unsigned char c, LinkEvents &events);

    enum Field { Letter, X, Y, Samples };
    Stage stage_ = BeforeHash;
    LinkFault fault_ = LinkFine;
    uint64_t faultAt_ = 0;
    uint64_t blankAt_ = 0;    // a blank not yet known to end the link (its character)
    int escapeDigits_ = -1;   // hex digits read of a %XX escape, or -1
    unsigned escapeValue_ = 0;
    uint64_t escapeAt_ = 0;
    uint64_t decoded_ = 0;   // characters of the decoded fragment so far
    Field field_ = Letter;
    uint64_t eventAt_ = 0;   // where the event being read started
    ScriptEvent event_ = {};
    int digits_ = 0;
    uint32_t value_ = 0, x_ = 0;   // up to five digits each
    uint64_t addressLength_ = 0;   // characters of the address so far
    uint64_t heldBlanks_ = 0;      // inside it if anything but blanks follows
    // The state form's samples as they are decoded.
    int sampleChars_ = 0, bitCount_ = 0, wordBytes_ = 0, sampleCount_ = 0;
    uint32_t bits_ = 0;
    uint64_t word_ = 0;
    double samples_[SampleCount + 1] = {};
};
