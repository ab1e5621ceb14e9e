// Links for the replay tool: model/link.h's reader and writer, with the
// tool's messages in words and the events as text.
#pragma once

#include "model/link.h"
#include "shell/replay/event_script.h"

#include <stddef.h>
#include <stdint.h>
#include <string>
#include <vector>

// The fragment of one event: "d200.300", "p1.30", "i60.240"; nothing for a key.
std::string LinkEvent(const ScriptEvent &event);

// What is wrong with a refused link, for a person: "no event at character
// 5 of the fragment".
std::string LinkFaultMessage(LinkFault fault, uint64_t at);

// model/link.h's LinkReader, its faults told by LinkFaultMessage.
class LinkParser {
public:
    bool Feed(const char *data, size_t size, std::vector<ScriptEvent> &events, std::string &error);
    bool Finish(std::vector<ScriptEvent> &events, std::string &error);

private:
    LinkReader reader_;
};
