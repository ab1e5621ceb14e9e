// Event scripts: what the parser accepts, what it refuses and why, and
// that replaying follows the window's handling of each event.
#include "model/curve.h"
#include "model/drag.h"
#include "tools/replay/event_script.h"

#include <gtest/gtest.h>

namespace {

bool Parse(const std::string &text, std::vector<ScriptEvent> &events, ScriptError &error)
{
    return ParseEventScript(text, events, error);
}

TEST(EventScript, ReadsEveryKindOfLineAndSkipsCommentsAndBlanks)
{
    std::vector<ScriptEvent> events;
    ScriptError error;
    ASSERT_TRUE(Parse("# a drag\n\ndown 200 300\r\n  move\t0 65535  # down\nup 1 2\nkey a\nkey esc\n",
                      events, error));
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

TEST(EventScript, RefusesBadLinesNamingTheLine)
{
    const char *bad[] = {
        "jump 1 2", "down 1", "down 1 2 3", "move 65536 0", "move 0 -1", "up 1e3 2",
        "down 0x10 2", "down +5 2", "key", "key esc now", "DOWN 1 2", "move 1 2.0",
        "down 99999999999999999999 1",
    };
    for (const char *line : bad) {
        std::vector<ScriptEvent> events;
        ScriptError error;
        std::string text = std::string("down 1 1\n# fine\n") + line + "\r\nup 1 1\n";
        EXPECT_FALSE(Parse(text, events, error)) << line;
        EXPECT_EQ(error.line, 3) << line;
        EXPECT_EQ(error.text, line);
        EXPECT_FALSE(error.reason.empty()) << line;
    }
    std::vector<ScriptEvent> events;
    ScriptError error;
    EXPECT_FALSE(Parse(std::string("down 1 1\nup 1\0 1\n", 17), events, error));
    EXPECT_EQ(error.line, 2);
}

TEST(EventScript, ReplayDragsAsTheWindowDoesAndStopsAtEscape)
{
    Curve = CurveState{};
    Drag = DragState{};
    ResetCurve();
    std::vector<ScriptEvent> events;
    ScriptError error;
    ASSERT_TRUE(Parse("move 200 0\ndown 200 300\nmove 999 310\nkey q\nup 5 5\nmove 200 400\n"
                      "down 400 10\nkey esc\nmove 400 60000\n",
                      events, error));
    ReplayEvents(events);
    EXPECT_EQ(Curve.CurveValues[100], -0.09999999776482582);
    EXPECT_EQ(Curve.CurveValues[200], 0.0);
    EXPECT_EQ(Drag.DragActive, 1);        // the press before Esc
    EXPECT_EQ(Drag.AnchorIndex, 200);
    EXPECT_EQ(Drag.LastPointerY, 10);     // nothing after Esc
}

}  // namespace
