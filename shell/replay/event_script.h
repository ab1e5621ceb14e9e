// Event scripts: one mouse or key event a line, as the main window would
// receive them, and the pulse the browser page's drags take, for replaying
// a session without a window.
#pragma once

#include "model/event.h"
#include "shell/replay/io.h"

#include <stddef.h>
#include <stdint.h>
#include <string>
#include <vector>

struct ScriptError {
    uint64_t line;      // 1-based; a stream may hold more than 2^31 lines
    std::string text;   // the start of the offending line, safe to print
    std::string reason;
};

// Reads a script as it arrives, in pieces of any size, in memory that does
// not grow with the script: each line is checked byte by byte and only its
// first MaxEchoedBytes are kept, for the message (as Printable shows it). A
// UTF-8 byte-order mark before the first line is skipped; a line may end in
// CR LF, and a CR anywhere else, comments included, makes the line bad. A
// key is 'esc' or one lower-case letter or digit: a misspelt Esc must not
// pass as some other key. 'key esc' ends the program, so the lines after it
// are not read. 'pulse K W' takes a shape from 0 to 3 and a width from 1
// to 60. 'interval A B' sets the samples [A, B] of the theorem's
// interval, 0 <= A < B <= N; one that is not is a bad line.
class EventScriptParser {
public:
    // Appends the events completed in DATA; false at the first bad line
    // (and for every call after it).
    bool Feed(const char *data, size_t size, std::vector<ScriptEvent> &events, ScriptError &error);
    // The end of the input: a last line needs no newline.
    bool Finish(std::vector<ScriptEvent> &events, ScriptError &error);
    bool Ended() const { return ended_; }   // 'key esc' was read

private:
    void Take(unsigned char c, std::vector<ScriptEvent> &events);
    void FlushByteOrderMark(std::vector<ScriptEvent> &events);
    void TakeInLine(unsigned char c, std::vector<ScriptEvent> &events);
    void TakeFieldByte(unsigned char c);
    void EndField();
    void EndLine(std::vector<ScriptEvent> &events);
    void Fail(const char *reason);
    void Report();
    void Echo(unsigned char c);
    const char *CountReason() const;
    const char *NumberReason() const;
    bool KnownKey() const;

    uint64_t line_ = 1;
    int bomMatched_ = 0;   // bytes of a byte-order mark held; 3 once past it
    bool ended_ = false, failed_ = false;
    ScriptError error_;

    // The line being read.
    int fields_ = 0;   // fields begun
    bool inField_ = false, comment_ = false, pendingCr_ = false;
    const char *failing_ = nullptr;   // why the line is bad, once known
    char word_[9] = {};               // the first field (longer words are unknown)
    size_t wordLength_ = 0;
    bool isKey_ = false;
    char name_[4] = {};   // a key's name, one byte more than the longest
    size_t nameLength_ = 0;
    uint32_t value_ = 0;   // a coordinate, held at 65536 once past 65535
    ScriptEvent event_ = {};
    unsigned char echo_[MaxEchoedBytes] = {};
    size_t echoLength_ = 0;
    bool echoCut_ = false;
};

// A whole text at once: the events up to 'key esc', or the first bad line.
bool ParseEventScript(const std::string &text, std::vector<ScriptEvent> &events, ScriptError &error);

// Feeds an event to the model as the window procedure does; false for Esc,
// after which the window takes no more events.
bool ReplayEvent(const ScriptEvent &event);
void ReplayEvents(const std::vector<ScriptEvent> &events);   // up to Esc
