// Event scripts: what the parser accepts, what it refuses and why, and
// that replaying follows the window's handling of each event.
#include "model/curve.h"
#include "model/drag.h"
#include "tests/harness/fresh_model.h"
#include "shell/replay/event_script.h"
#include "shell/replay/link.h"

#include <algorithm>
#include <gtest/gtest.h>

namespace {

bool Parse(const std::string &text, std::vector<ScriptEvent> &events, ScriptError &error)
{
    return ParseEventScript(text, events, error);
}

// The same text fed one byte at a time, as a stream may deliver it.
bool ParseBytewise(const std::string &text, std::vector<ScriptEvent> &events, ScriptError &error)
{
    events.clear();
    EventScriptParser parser;
    for (char c : text)
        if (!parser.Feed(&c, 1, events, error))
            return false;
    return parser.Finish(events, error);
}

using ParseFunction = bool (*)(const std::string &, std::vector<ScriptEvent> &, ScriptError &);
const ParseFunction BothWays[] = {Parse, ParseBytewise};

TEST(EventScript, ReadsEveryKindOfLineAndSkipsCommentsAndBlanks)
{
    std::vector<ScriptEvent> events;
    ScriptError error;
    ASSERT_TRUE(Parse("# a drag\n\ndown 200 300\r\n  move\t0 65535  # down\nup 1 2\nkey a\nkey esc\n", events, error));
    ASSERT_EQ(events.size(), 5u);
    EXPECT_EQ(events[0].kind, EventDown);
    EXPECT_EQ(events[0].x, 200);
    EXPECT_EQ(events[0].y, 300);
    EXPECT_EQ(events[1].kind, EventMove);
    EXPECT_EQ(events[1].y, 65535);
    EXPECT_EQ(events[2].kind, EventUp);
    EXPECT_EQ(events[3].kind, EventKey);
    EXPECT_FALSE(events[3].escape);
    EXPECT_TRUE(events[4].escape);
    EXPECT_TRUE(Parse("", events, error));
    EXPECT_TRUE(events.empty());
    EXPECT_TRUE(Parse("move 1 1", events, error));   // no final newline
    EXPECT_EQ(events.size(), 1u);
}

// Spellings of one script that must read as it does, whole or a byte at a
// time: a byte-order mark, CR LF line ends, leading zeros, a lone CR ending
// the last line, and lines after 'key esc', which are not read at all.
TEST(EventScript, ReadsEquivalentSpellingsAlike)
{
    const std::string plain = "down 200 300\nmove 200 310\nup 200 310\n";
    std::vector<ScriptEvent> expected, events;
    ScriptError error;
    ASSERT_TRUE(Parse(plain, expected, error));
    const std::string withEsc = plain + "key esc\n";
    const std::string spellings[] = {
        "\xEF\xBB\xBF" + plain,
        "down 200 300\r\nmove 200 310\r\nup 200 310\r\n",
        "down 000200 0000000300\nmove 00000000000000000200 310\nup 200 310\n",
        "down 200 300\nmove 200 310\nup 200 310\r",
        withEsc,
        withEsc + "move 200 999\nwiggle\n",
    };
    for (ParseFunction parse : BothWays)
        for (const std::string &text : spellings) {
            bool hasEsc = text.compare(0, withEsc.size(), withEsc) == 0;
            ASSERT_TRUE(parse(text, events, error)) << text << ": " << error.line << ": " << error.reason;
            ASSERT_EQ(events.size(), expected.size() + hasEsc) << text;
            for (size_t i = 0; i < expected.size(); i++) {
                EXPECT_EQ(events[i].kind, expected[i].kind) << text;
                EXPECT_EQ(events[i].x, expected[i].x) << text;
                EXPECT_EQ(events[i].y, expected[i].y) << text;
            }
            EXPECT_EQ(hasEsc, hasEsc && events.back().escape) << text;
        }
}

// Each bad line is named by its number and shown safely: cut short, with
// control and non-ASCII bytes escaped; whole or a byte at a time.
TEST(EventScript, RefusesBadLinesNamingTheLine)
{
    struct Bad {
        std::string line, shown;
    };
    std::vector<Bad> bad = {
        {"jump 1 2", ""},
        {"down 1", ""},
        {"down 1 2 3", ""},
        {"move 65536 0", ""},
        {"move 0 -1", ""},
        {"up 1e3 2", ""},
        {"down 0x10 2", ""},
        {"down +5 2", ""},
        {"key", ""},
        {"key esc now", ""},
        {"key ESC", ""},
        {"key ab", ""},
        {"# a\rb", "# a\\x0Db"},
        {"DOWN 1 2", ""},
        {"move 1 2.0", ""},
        {"down 99999999999999999999 1", ""},
        {"down 1 000000065536", ""},
        {"interval 5 5", ""},
        {"interval 0 301", ""},
        {"interval 7", ""},
        {"interval 1 2 3", ""},
        {"intervals 1 2", ""},
        {"interval 0x1 2", ""},
        {"move 1\r2", "move 1\\x0D2"},
        {"\xEF\xBB\xBF"
         "down 1 2",
         "\\xEF\\xBB\\xBFdown 1 2"},   // a byte-order mark only starts a script
        {"wiggle \x1B]0;title\x07\\", "wiggle \\x1B]0;title\\x07\\x5C"},
        {std::string("up 1\0 1", 7), "up 1\\x00 1"},
        {"down 1 1 " + std::string(1000, '1'), "down 1 1 " + std::string(MaxEchoedBytes - 9, '1') + "..."},
        {"pulse 4 19", ""},
        {"pulse 0 0", ""},
        {"pulse 0 61", ""},
        {"pulse 1 -2", ""},
        {"pulse 99999999 19", ""},
        {"pulse 1", ""},
        {"pulse 1 2 3", ""},
        {"pulses 1 1", ""},
        {"PULSE 1 1", ""},
    };
    for (ParseFunction parse : BothWays)
        for (const Bad &b : bad) {
            std::string text = "down 1 1\n# fine\n" + b.line + "\r\nup 1 1\n";
            std::string shown = b.shown.empty() ? b.line : b.shown;
            std::vector<ScriptEvent> events;
            ScriptError error;
            EXPECT_FALSE(parse(text, events, error)) << shown;
            EXPECT_EQ(error.line, 3u) << shown;
            EXPECT_EQ(error.text, shown);
            EXPECT_FALSE(error.reason.empty()) << shown;
        }
}

// A pulse line at the ends of its ranges, whole or a byte at a time; the
// shape is held in x and the width in y.
TEST(EventScript, ReadsPulseLinesAcrossTheirRanges)
{
    for (ParseFunction parse : BothWays) {
        std::vector<ScriptEvent> events;
        ScriptError error;
        ASSERT_TRUE(parse("pulse 0 1\npulse 3 60 # whole\r\n\tpulse  00002\t019\npulse 1 1", events, error))
            << error.line << ": " << error.reason;
        const int expected[][2] = {{0, 1}, {3, 60}, {2, 19}, {1, 1}};
        ASSERT_EQ(events.size(), 4u);
        for (size_t i = 0; i < events.size(); i++) {
            EXPECT_EQ(events[i].kind, EventPulse);
            EXPECT_EQ(events[i].x, expected[i][0]);
            EXPECT_EQ(events[i].y, expected[i][1]);
        }
    }
}

TEST(EventScript, ReplayDragsAsTheWindowDoesAndStopsAtEscape)
{
    StartFresh();
    std::vector<ScriptEvent> events;
    ScriptError error;
    ASSERT_TRUE(
        Parse("move 200 0\ndown 200 300\nmove 999 310\nkey q\nup 5 5\nmove 200 400\n"
              "down 400 10\nkey esc\nmove 400 60000\n",
              events, error));
    ReplayEvents(events);
    EXPECT_EQ(Curve.CurveValues[100], -0.09999999776482582);
    EXPECT_EQ(Curve.CurveValues[200], 0.0);
    EXPECT_EQ(Drag.DragActive, 1);   // the press before Esc
    EXPECT_EQ(Drag.AnchorIndex, 200);
    EXPECT_EQ(Drag.LastPointerY, 10);   // nothing after Esc
}

// A link read whole or a byte at a time gives the events of the script it
// spells, however the address before '#' and the fragment are written.
TEST(Link, ReadsEverySpellingAsItsScriptInPiecesOfAnySize)
{
    std::vector<ScriptEvent> expected;
    ScriptError scriptError;
    ASSERT_TRUE(Parse("down 200 300\nmove 200 310\nup 7 65535\n", expected, scriptError));
    const std::string spellings[] = {
        "#d200.300m200.310u7.65535",
        "file:///usr/share/brisqual/brisqual.html?a=%zz#d200.300m200.310u7.65535\n",
        " \t#%64200.3%300m200.310\nu00007.65535 \r\n",
    };
    for (const std::string &link : spellings)
        for (size_t piece : {link.size(), (size_t)1}) {
            LinkParser parser;
            std::vector<ScriptEvent> events;
            std::string error;
            for (size_t at = 0; at < link.size(); at += piece)
                ASSERT_TRUE(parser.Feed(link.data() + at, std::min(piece, link.size() - at), events, error)) << error;
            ASSERT_TRUE(parser.Finish(events, error)) << link << ": " << error;
            ASSERT_EQ(events.size(), expected.size()) << link;
            for (size_t i = 0; i < expected.size(); i++) {
                EXPECT_EQ(events[i].kind, expected[i].kind) << link;
                EXPECT_EQ(events[i].x, expected[i].x) << link;
                EXPECT_EQ(events[i].y, expected[i].y) << link;
            }
        }
}

// Pulses in a link: pK.W with one to five digits each, as a press's x.y,
// and a shape or width out of range refused where its event starts.
TEST(Link, ReadsPulsesAndRefusesThemOutOfRange)
{
    struct Case {
        std::string link;
        int shape, width;   // -1: refused
    };
    const Case cases[] = {
        {"#p0.1", 0, 1},  {"#p3.60", 3, 60}, {"#p00003.00060", 3, 60}, {"#%70%31.5", 1, 5},
        {"#p4.1", -1, 0}, {"#p0.0", -1, 0},  {"#p0.61", -1, 0},        {"#p1.123456", -1, 0},
        {"#p1", -1, 0},   {"#p.5", -1, 0},   {"#P1.5", -1, 0},         {"#d1.1p9.9", -1, 0},
    };
    for (const Case &c : cases) {
        LinkParser parser;
        std::vector<ScriptEvent> events;
        std::string error;
        const bool read = parser.Feed(c.link.data(), c.link.size(), events, error) && parser.Finish(events, error);
        ASSERT_EQ(read, c.shape >= 0) << c.link << ": " << error;
        if (!read) {
            EXPECT_NE(error.find("character"), std::string::npos) << c.link << ": " << error;
            continue;
        }
        ASSERT_EQ(events.size(), 1u) << c.link;
        EXPECT_EQ(events[0].kind, EventPulse);
        EXPECT_EQ(events[0].x, c.shape) << c.link;
        EXPECT_EQ(events[0].y, c.width) << c.link;
        EXPECT_EQ(LinkEvent(events[0]), "p" + std::to_string(c.shape) + "." + std::to_string(c.width));
    }
}

}   // namespace
