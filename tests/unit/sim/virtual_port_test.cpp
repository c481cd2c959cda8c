// The serial line on the virtual clock, with the identification exchanges of
// the measurement program and of the port finder.
#include <gtest/gtest.h>

#include <string>

#include "device_model.h"

using namespace klvdevice;

namespace {

// The measurement program's exchange: 0x52 i, wait 10 ms, read with 1010 ms time-out, wait 20 ms.
bool identifyLikeTheProgram(VirtualSerialPort& port, DeviceInfo& info)
{
    for (std::uint8_t i = 0; i < 30; ++i) {
        port.Write({0x52, i});
        port.SleepMs(10);
        int b = port.ReadByte(1010);
        if (b < 0)
            return false;
        info[i] = static_cast<std::uint8_t>(b);
        port.SleepMs(20);
    }
    return true;
}

TEST(VirtualPort, IdentificationExchangeAgainstTheModel)
{
    DeviceModel m(ParseScenario("variant 300\nserial 0042\n"));
    VirtualSerialPort port(&m);
    DeviceInfo info{};
    ASSERT_TRUE(identifyLikeTheProgram(port, info));
    EXPECT_EQ(std::string(info.begin() + 4, info.begin() + 16), "KLV1-AC30042");
    EXPECT_EQ(port.NowMs(), 30u * 30u);
}

TEST(VirtualPort, SilentPortTimesOutOnTheVirtualClock)
{
    VirtualSerialPort silent;
    silent.Write({0x52, 0});
    EXPECT_EQ(silent.ReadByte(1010), -1);
    EXPECT_EQ(silent.NowMs(), 1010u);
    EXPECT_EQ(silent.BytesWaiting(), 0u);
}

TEST(VirtualPort, HungUpDeviceTimesOut)
{
    DeviceModel m(ParseScenario("hangup\n"));
    VirtualSerialPort port(&m);
    port.Write({0x52, 4});
    EXPECT_EQ(port.ReadByte(20), -1);
    EXPECT_EQ(port.NowMs(), 20u);
}

TEST(VirtualPort, ReadWaitsUntilTheStreamDeliversAndPurgeDiscards)
{
    DeviceModel m;
    VirtualSerialPort port(&m);
    port.Write({0xE0});
    EXPECT_EQ(port.BytesWaiting(), 0u);
    int b = port.ReadByte(1010);
    EXPECT_EQ(b, 0xF0);
    EXPECT_EQ(port.NowUs(), 1600u);
    port.SleepMs(16);
    EXPECT_EQ(port.BytesWaiting(), 2u + 30u);
    port.Purge();
    EXPECT_EQ(port.BytesWaiting(), 0u);
    std::uint8_t buf[8];
    EXPECT_EQ(port.ReadWaiting(buf, 8), 0u);
}

TEST(VirtualPort, InputQueueIsBoundedLikeADriverQueue)
{
    DeviceModel m;
    VirtualSerialPort port(&m, 100);
    port.Write({0xE0});
    port.SleepMs(1000);
    EXPECT_EQ(port.BytesWaiting(), 100u);
    EXPECT_EQ(port.OverrunBytes(), 1875u - 100u);
}

TEST(VirtualPort, ScenarioTimeRunsWithThePortClock)
{
    DeviceModel m(ParseScenario("wait 0.5\ngarbage 2\n"));
    VirtualSerialPort port(&m);
    EXPECT_EQ(port.ReadByte(400), -1);
    int b = port.ReadByte(400);
    EXPECT_GE(b, 0);
    EXPECT_EQ(port.NowUs(), 500000u);
}

} // namespace
