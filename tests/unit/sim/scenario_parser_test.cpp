// The scenario language: every event, levels, comments, and clear errors.
#include <gtest/gtest.h>

#include "device_model.h"

using namespace klvdevice;

namespace {

ScenarioEvent one(const std::string& line)
{
    Scenario s = ParseScenario(line);
    EXPECT_EQ(s.events.size(), 1u) << line;
    return s.events.empty() ? ScenarioEvent{} : s.events[0];
}

TEST(ScenarioParser, EveryEventOfTheLanguage)
{
    const char* text = R"(# comment line
variant 300
serial AB12   # trailing comment
calibration 7 3 24
ident XYZ1-AC
offset 120N
noise 3 42

wait 1.5
press 0.2
ramp 1500 0.5
hold 2s
closing peak=310N clamp=45N rise=0.01 ring=10 decay=0.1 hold=5.5 release=0.3
await start-wait
await threshold-wait
await stream
await stop
drop 4
garbage 7
flip
flip 2
stall 0.25
ff21
disturb
disturb 12
hangup
)";
    Scenario s = ParseScenario(text, "x.klvs");
    ASSERT_EQ(s.events.size(), 24u);
    EXPECT_EQ(s.name, "x.klvs");
    const auto& e = s.events;
    EXPECT_EQ(e[0].kind, EventKind::Variant);
    EXPECT_EQ(e[0].number, 300);
    EXPECT_EQ(e[0].line, 2);
    EXPECT_EQ(e[1].kind, EventKind::Serial);
    EXPECT_EQ(e[1].text, "AB12");
    EXPECT_EQ(e[1].source, "serial AB12");
    EXPECT_EQ(e[2].kind, EventKind::Calibration);
    EXPECT_EQ(e[2].date[0], "07");
    EXPECT_EQ(e[2].date[1], "03");
    EXPECT_EQ(e[2].date[2], "24");
    EXPECT_EQ(e[3].kind, EventKind::Ident);
    EXPECT_EQ(e[4].kind, EventKind::Offset);
    EXPECT_TRUE(e[4].level.newtons);
    EXPECT_DOUBLE_EQ(e[4].level.value, 120.0);
    EXPECT_EQ(e[5].kind, EventKind::Noise);
    EXPECT_EQ(e[5].number, 3);
    EXPECT_EQ(e[5].seed, 42u);
    EXPECT_EQ(e[6].kind, EventKind::Wait);
    EXPECT_EQ(e[6].line, 9); // the blank line counts
    EXPECT_DOUBLE_EQ(e[6].seconds, 1.5);
    EXPECT_EQ(e[7].kind, EventKind::Press);
    EXPECT_EQ(e[8].kind, EventKind::Ramp);
    EXPECT_FALSE(e[8].level.newtons);
    EXPECT_DOUBLE_EQ(e[8].level.value, 1500.0);
    EXPECT_DOUBLE_EQ(e[8].seconds, 0.5);
    EXPECT_EQ(e[9].kind, EventKind::Hold);
    EXPECT_DOUBLE_EQ(e[9].seconds, 2.0);
    EXPECT_EQ(e[10].kind, EventKind::Closing);
    EXPECT_DOUBLE_EQ(e[10].closing.peak.value, 310.0);
    EXPECT_DOUBLE_EQ(e[10].closing.clamp.value, 45.0);
    EXPECT_DOUBLE_EQ(e[10].closing.rise, 0.01);
    EXPECT_DOUBLE_EQ(e[10].closing.ring, 10.0);
    EXPECT_DOUBLE_EQ(e[10].closing.decay, 0.1);
    EXPECT_DOUBLE_EQ(e[10].closing.hold, 5.5);
    EXPECT_DOUBLE_EQ(e[10].closing.release, 0.3);
    EXPECT_EQ(e[11].kind, EventKind::AwaitStartWait);
    EXPECT_EQ(e[12].kind, EventKind::AwaitThresholdWait);
    EXPECT_EQ(e[13].kind, EventKind::AwaitStream);
    EXPECT_EQ(e[14].kind, EventKind::AwaitStop);
    EXPECT_EQ(e[15].kind, EventKind::Drop);
    EXPECT_EQ(e[15].number, 4);
    EXPECT_EQ(e[16].kind, EventKind::Garbage);
    EXPECT_EQ(e[16].number, 7);
    EXPECT_EQ(e[17].number, 1);
    EXPECT_EQ(e[18].number, 2);
    EXPECT_EQ(e[19].kind, EventKind::Stall);
    EXPECT_EQ(e[20].kind, EventKind::Ff21);
    EXPECT_EQ(e[21].number, 6);
    EXPECT_EQ(e[22].number, 12);
    EXPECT_EQ(e[23].kind, EventKind::Hangup);
}

TEST(ScenarioParser, ClosingDefaultsAndEmptyText)
{
    ScenarioEvent c = one("closing clamp=100 peak=2000");
    EXPECT_DOUBLE_EQ(c.closing.peak.value, 2000.0);
    EXPECT_FALSE(c.closing.peak.newtons);
    EXPECT_DOUBLE_EQ(c.closing.rise, ClosingShape{}.rise);
    EXPECT_DOUBLE_EQ(c.closing.hold, ClosingShape{}.hold);
    EXPECT_TRUE(ParseScenario("").events.empty());
    EXPECT_TRUE(ParseScenario("# only\n\n   \t\n").events.empty());
    EXPECT_EQ(one("ramp -20N 0").level.value, -20.0);
    EXPECT_EQ(one("wait 0").seconds, 0.0);
    EXPECT_EQ(one("ramp 12.5N 1\r").level.value, 12.5); // CR LF files
}

struct BadLine {
    const char* text;
    int line;
    const char* problemPart;
};

class ScenarioParserErrors : public ::testing::TestWithParam<BadLine> {};

TEST_P(ScenarioParserErrors, NameTheLineAndTheProblem)
{
    const BadLine& b = GetParam();
    try {
        ParseScenario(b.text, "bad.klvs");
        FAIL() << "accepted: " << b.text;
    } catch (const ScenarioError& e) {
        EXPECT_EQ(e.Line(), b.line) << e.what();
        EXPECT_NE(e.Problem().find(b.problemPart), std::string::npos) << e.what();
        std::string prefix = "bad.klvs:" + std::to_string(b.line) + ": ";
        EXPECT_EQ(std::string(e.what()).rfind(prefix, 0), 0u) << e.what();
    }
}

INSTANTIATE_TEST_SUITE_P(
    AllKinds, ScenarioParserErrors,
    ::testing::Values(
        BadLine{"variant 500\nrmap 10 1\n", 2, "unknown event 'rmap'"},
        BadLine{"variant 400", 1, "expected 300 or 500"}, BadLine{"variant", 1, "missing argument"},
        BadLine{"serial 123", 1, "exactly 4 characters"},
        BadLine{"serial 12345", 1, "exactly 4 characters"},
        BadLine{"calibration 32 1 24", 1, "calibration day"},
        BadLine{"calibration 1 13 24", 1, "calibration month"},
        BadLine{"calibration 1 1", 1, "missing argument"},
        BadLine{"calibration 1 1 2024", 1, "1 or 2 digits"},
        BadLine{"ident KLV1", 1, "exactly 7 characters"},
        BadLine{"offset ten", 1, "is not a LEVEL"},
        BadLine{"offset 12.5", 1, "is not a LEVEL"}, // counts are whole numbers
        BadLine{"noise 3", 1, "missing argument"}, BadLine{"noise -1 3", 1, "noise COUNTS"},
        BadLine{"noise 2 x", 1, "SEED"}, BadLine{"\n\nwait", 3, "missing argument"},
        BadLine{"wait -1", 1, "must not be negative"}, BadLine{"wait 1 2", 1, "unexpected '2'"},
        BadLine{"wait abc", 1, "not a number of seconds"}, BadLine{"press 1e9", 1, "too long"},
        BadLine{"ramp 100", 1, "missing argument"}, BadLine{"ramp 100X 1", 1, "is not a LEVEL"},
        BadLine{"hold nan", 1, "not a number of seconds"},
        BadLine{"closing peak=300N", 1, "missing clamp"},
        BadLine{"closing clamp=30N", 1, "missing peak"},
        BadLine{"closing peak=300N clamp=30N speed=3", 1, "unknown key 'speed'"},
        BadLine{"closing peak=300N clamp=30N rise", 1, "KEY=VALUE"},
        BadLine{"closing peak=300N clamp=30N decay=0", 1, "decay"},
        BadLine{"closing peak=300N clamp=30N hold=0.001 rise=0.1", 1, "hold"},
        BadLine{"await", 1, "missing argument"},
        BadLine{"await threshold", 1, "unknown state 'threshold'"},
        BadLine{"drop 0", 1, "whole number"}, BadLine{"garbage many", 1, "whole number"},
        BadLine{"flip 3", 1, "whole number 1..2"}, BadLine{"disturb 30", 1, "whole number 0..29"},
        BadLine{"ff21 now", 1, "unexpected 'now'"}, BadLine{"stall", 1, "missing argument"},
        BadLine{"hangup 1", 1, "unexpected '1'"}));

TEST(ScenarioParser, ErrorWithoutANameSaysLine)
{
    try {
        ParseScenario("wait 1\nbogus\n");
        FAIL();
    } catch (const ScenarioError& e) {
        EXPECT_STREQ(e.what(),
                     "line 2: unknown event 'bogus' (known: variant serial ident calibration "
                     "offset noise wait press ramp hold closing await drop garbage flip stall "
                     "ff21 disturb hangup)");
    }
}

TEST(ScenarioParser, LoadBuiltinSeriesAndMissingFile)
{
    Scenario s = LoadScenario("series");
    EXPECT_EQ(s.name, "series");
    EXPECT_GT(s.events.size(), 20u);
    try {
        LoadScenario("/nonexistent/dir/x.klvs");
        FAIL();
    } catch (const ScenarioError& e) {
        EXPECT_EQ(e.Line(), 0);
        EXPECT_NE(std::string(e.what()).find("cannot read"), std::string::npos);
    }
    // A directory opens like a file on Linux and reads as nothing: it must not
    // pass for an empty scenario.
    try {
        LoadScenario("/tmp");
        FAIL();
    } catch (const ScenarioError& e) {
        EXPECT_EQ(e.Line(), 0);
        EXPECT_STREQ(e.what(), "/tmp: is a directory, not a scenario file");
    }
}

TEST(ScenarioParser, ControlCharactersInABadLineAreShownEscaped)
{
    try {
        ParseScenario(std::string("wait 1\n\x01oops\x00x\n", 15), "ctl.klvs");
        FAIL();
    } catch (const ScenarioError& e) {
        EXPECT_EQ(e.Line(), 2);
        const std::string what = e.what();
        EXPECT_EQ(what, "ctl.klvs:2: unknown event '\\x01oops\\x00x' (known: variant serial ident "
                        "calibration offset noise wait press ramp hold closing await drop garbage "
                        "flip stall ff21 disturb hangup)");
    }
}

} // namespace
