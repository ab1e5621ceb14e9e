// The replay tool's words for links: what a refused one lacks, and events
// written as text.
#include "shell/replay/link.h"

#include "model/drag.h"
#include "model/theorem.h"

#include <stdio.h>

std::string LinkEvent(const ScriptEvent &e)
{
    char text[MaxLinkEventLength];
    return std::string(text, WriteLinkEvent(e, text));
}

std::string LinkFaultMessage(LinkFault fault, uint64_t at)
{
    char text[160];
    switch (fault) {
    case LinkFine:
        return std::string();
    case LinkTooLong:
        snprintf(text, sizeof text, "an address longer than the %zu characters a browser opens", MaxUrlLength);
        return text;
    case LinkBadEscape:
        snprintf(text, sizeof text, "a malformed %% escape");
        break;
    case LinkUnfinishedEscape:
        snprintf(text, sizeof text, "an unfinished %% escape");
        break;
    case LinkNoEvent:
        snprintf(text, sizeof text, "no event");
        break;
    case LinkBeyond65535:
        snprintf(text, sizeof text, "a coordinate beyond 65535");
        break;
    case LinkBadPulse:
        snprintf(text, sizeof text, "a pulse out of range (shape 0 to %d, width %d to %d)", PulseShapeCount - 1,
                 MinPulseWidth, MaxPulseWidth);
        break;
    case LinkBadInterval:
        snprintf(text, sizeof text, "an interval whose samples are not 0 <= A < B <= %d", SampleCount);
        break;
    case LinkBadSamples:
        snprintf(text, sizeof text,
                 "samples that are not %d characters of base64url, each eight bytes a finite double of at most "
                 "%g in size",
                 LinkSampleChars, MaxLinkSample);
        break;
    }
    char where[48];
    snprintf(where, sizeof where, " at character %llu of the fragment", (unsigned long long)at);
    return text + std::string(where);
}

namespace {
struct EventList final : LinkEvents {
    explicit EventList(std::vector<ScriptEvent> &list) : events(list) {}
    void Add(const ScriptEvent &event) override { events.push_back(event); }
    std::vector<ScriptEvent> &events;
};
}

bool LinkParser::Feed(const char *data, size_t size, std::vector<ScriptEvent> &events, std::string &error)
{
    EventList list(events);
    if (reader_.Feed(data, size, list))
        return true;
    error = LinkFaultMessage(reader_.Fault(), reader_.At());
    return false;
}

bool LinkParser::Finish(std::vector<ScriptEvent> &events, std::string &error)
{
    EventList list(events);
    if (reader_.Finish(list))
        return true;
    error = LinkFaultMessage(reader_.Fault(), reader_.At());
    return false;
}
