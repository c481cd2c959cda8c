// The port index in the hint file, read as "%i" reads it.
#include <gtest/gtest.h>

#include <cstring>

#include "hintport.h"

namespace {

TEST(HintPort, ReadsTheLeadingIntegerInEveryFormOfPercentI)
{
    const struct {
        const char* text;
        int port;
    } cases[] = {
        {"3", 3},     {"3\r\n", 3},  {"3 is COM4", 3}, {"  \n 7", 7}, {"0x1", 1},
        {"0X1f", 31}, {"010", 8},    {"0", 0},         {"0x", 0},     {"+2", 2},
        {"-1", -1},   {"12abc", 12}, {"09", 0},
    };
    for (const auto& c : cases) {
        int port = -99;
        EXPECT_TRUE(ParseHintPort(c.text, std::strlen(c.text), &port)) << c.text;
        EXPECT_EQ(port, c.port) << c.text;
    }
}

TEST(HintPort, TextWithoutALeadingIntegerLeavesThePortAlone)
{
    for (const char* text : {"", "COM4", " x3", "-", "+", "99999999999", "0x100000000"}) {
        int port = -99;
        EXPECT_FALSE(ParseHintPort(text, std::strlen(text), &port)) << text;
        EXPECT_EQ(port, -99) << text;
    }
}

TEST(HintPort, StopsAtTheEndOfTheBytesRead)
{
    int port = 0;
    ASSERT_TRUE(ParseHintPort("12345", 2, &port));
    EXPECT_EQ(port, 12);
}

} // namespace
