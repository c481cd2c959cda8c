// The probe's exchanges and timing, against scripted ports on a virtual clock.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>

#include "crc32.h"
#include "probe_fakes.h"
#include "probe_port.h"

namespace findport::test {
namespace {

using Bytes = std::vector<uint8_t>;

DeviceInfo MakeInfo(const char* identification)
{
    DeviceInfo info{};
    std::memcpy(info.data() + 4, identification, std::min<size_t>(12, std::strlen(identification)));
    info[16] = '0';
    info[17] = '1';
    info[18] = '0';
    info[19] = '6';
    info[20] = '2';
    info[21] = '4';
    return info;
}

// Answers "$52$kk" with byte k of the information; readNo counts the
// "$F0$85$89" that open each read, so a test can alter single reads.
Responder IdentityResponder(DeviceInfo info,
                            std::function<void(int readNo, DeviceInfo&)> alter = nullptr)
{
    auto readNo = std::make_shared<int>(0);
    auto current = std::make_shared<DeviceInfo>(info);
    return [=](const Bytes& written, std::deque<uint8_t>& input) {
        if (written == Bytes{0xF0, 0x85, 0x89}) {
            ++*readNo;
            *current = info;
            if (alter)
                alter(*readNo, *current);
        } else if (written.size() == 2 && written[0] == 0x52 && written[1] < kDeviceInfoSize) {
            input.push_back((*current)[written[1]]);
        }
    };
}

// Requests of byte k in the order they were written to a port.
std::vector<int> InfoRequests(const PortLog& log)
{
    std::vector<int> indexes;
    for (const Bytes& w : log.writes) {
        if (w.size() == 2 && w[0] == 0x52)
            indexes.push_back(w[1]);
    }
    return indexes;
}

int CountWrites(const PortLog& log, const Bytes& bytes)
{
    return static_cast<int>(std::count(log.writes.begin(), log.writes.end(), bytes));
}

struct FindKlvProbe : ::testing::Test {
    FakePortSystem ports;
    FakeClock clock;
    PortProbe probe{ports, clock};
};

TEST(FindKlvCrc32, KnownVectors)
{
    const char* check = "123456789";
    EXPECT_EQ(Crc32(reinterpret_cast<const uint8_t*>(check), 9), 0xCBF43926u);
    EXPECT_EQ(Crc32(nullptr, 0), 0x00000000u);
    const uint8_t a = 'a';
    EXPECT_EQ(Crc32(&a, 1), 0xE8B7BE43u);
    const uint8_t zeros[29] = {};
    EXPECT_EQ(Crc32(zeros, sizeof zeros), 0x0B54C526u); // 29 zero bytes
    const char* fox = "The quick brown fox jumps over the lazy dog";
    EXPECT_EQ(Crc32(reinterpret_cast<const uint8_t*>(fox), std::strlen(fox)), 0x414FA339u);
}

TEST(FindKlvHexBytes, TheThreeTextsOfTheProbe)
{
    Bytes out;
    ASSERT_TRUE(ParseHexBytes("$89$85$F0", out));
    EXPECT_EQ(out, (Bytes{0x89, 0x85, 0xF0}));
    ASSERT_TRUE(ParseHexBytes("$F0$85$89", out));
    EXPECT_EQ(out, (Bytes{0xF0, 0x85, 0x89}));
    ASSERT_TRUE(ParseHexBytes("$52$" + HexByteText(29).substr(1), out));
    EXPECT_EQ(out, (Bytes{0x52, 0x1D}));
    ASSERT_TRUE(ParseHexBytes("$52$0a", out)); // lower-case digits read the same
    EXPECT_EQ(out, (Bytes{0x52, 0x0A}));
}

TEST(FindKlvHexBytes, IndexTextIsTwoUpperCaseDigits)
{
    EXPECT_EQ(HexByteText(0), "$00");
    EXPECT_EQ(HexByteText(10), "$0A");
    EXPECT_EQ(HexByteText(29), "$1D");
    EXPECT_EQ(HexByteText(255), "$FF");
}

TEST(FindKlvHexBytes, MalformedTextIsRefusedAndLeavesOutputAlone)
{
    for (const char* bad : {"$8", "89$85", "$G0", "$89$8", "$89 85", "#89"}) {
        Bytes out{0x11};
        EXPECT_FALSE(ParseHexBytes(bad, out)) << bad;
        EXPECT_EQ(out, Bytes{0x11}) << bad;
    }
}

TEST_F(FindKlvProbe, SendHexBytesWritesEachTextInOneWrite)
{
    ports.AddPort(L"COM1");
    auto port = ports.Open(L"COM1", 1, 1);
    EXPECT_TRUE(probe.SendHexBytes("$89$85$F0", *port));
    EXPECT_TRUE(probe.SendHexBytes("$F0$85$89", *port));
    EXPECT_TRUE(probe.SendHexBytes("$52$1D", *port));
    EXPECT_FALSE(probe.SendHexBytes("$89$8", *port));
    EXPECT_FALSE(probe.SendHexBytes("", *port));
    const PortLog& log = ports.Logs(L"COM1").back();
    ASSERT_EQ(log.writes.size(), 3u); // nothing of the malformed texts
    EXPECT_EQ(log.writes[0], (Bytes{0x89, 0x85, 0xF0}));
    EXPECT_EQ(log.writes[1], (Bytes{0xF0, 0x85, 0x89}));
    EXPECT_EQ(log.writes[2], (Bytes{0x52, 0x1D}));
}

TEST_F(FindKlvProbe, DrainInputReadsAtMostThirtyAtATime)
{
    ports.AddPort(L"COM1");
    std::deque<uint8_t>& input = ports.Input(L"COM1");
    input.assign(75, 0x55);
    auto port = ports.Open(L"COM1", 1, 1);
    probe.DrainInput(*port);
    EXPECT_TRUE(input.empty());
    const PortLog& log = ports.Logs(L"COM1").back();
    EXPECT_EQ(std::count(log.calls.begin(), log.calls.end(), "Read"), 3); // 30 + 30 + 15
}

TEST_F(FindKlvProbe, OpenProbePortSetsUpTheLineAndQuietsTheDevice)
{
    ports.AddPort(L"COM2");
    ports.Input(L"COM2").assign(10, 0x80); // stream bytes left from an earlier user
    clock.trace = &ports.trace;
    auto port = probe.OpenProbePort(L"COM2");
    ASSERT_NE(port, nullptr);
    const PortLog& log = ports.Logs(L"COM2").back();
    EXPECT_EQ(log.inQueue, 4096u);
    EXPECT_EQ(log.outQueue, 1024u);
    EXPECT_EQ(log.xon, 0x86);
    EXPECT_EQ(log.xoff, 0x02);
    EXPECT_EQ(log.timeouts.readInterval, 1000u);
    EXPECT_EQ(log.timeouts.readTotalMultiplier, 10u);
    EXPECT_EQ(log.timeouts.readTotalConstant, 1000u);
    EXPECT_EQ(log.timeouts.writeTotalMultiplier, 500u);
    EXPECT_EQ(log.timeouts.writeTotalConstant, 500u);
    const std::vector<std::string> setup(ports.trace.begin(), ports.trace.begin() + 4);
    EXPECT_EQ(setup, (std::vector<std::string>{"ClearRts", "ClearDtr", "SetFlowCharacters",
                                               "SetTimeouts"}));
    // Five rounds of stop bytes, each followed by 5 ms and draining.
    ASSERT_EQ(log.writes.size(), 5u);
    for (const Bytes& w : log.writes)
        EXPECT_EQ(w, (Bytes{0x89, 0x85, 0xF0}));
    EXPECT_EQ(clock.waits, std::vector<uint32_t>(5, 5));
    EXPECT_EQ(ports.trace[4], "Write");
    EXPECT_EQ(ports.trace[5], "Wait5");
    EXPECT_EQ(ports.trace[6], "Read");
    EXPECT_TRUE(ports.Input(L"COM2").empty());
}

TEST_F(FindKlvProbe, OpenProbePortOfAMissingPortGivesNone)
{
    EXPECT_EQ(probe.OpenProbePort(L"COM7"), nullptr);
    EXPECT_TRUE(clock.waits.empty());
}

TEST_F(FindKlvProbe, CleanDeviceIsAcceptedOnTheSecondRead)
{
    ports.AddPort(L"COM1", IdentityResponder(MakeInfo("KLV1-AC51234")));
    auto port = ports.Open(L"COM1", 1, 1);
    EXPECT_EQ(probe.ReadDeviceInfo(*port), L"KLV1-AC51234");
    EXPECT_EQ(probe.AttemptsMade(), 2);
    const PortLog& log = ports.Logs(L"COM1").back();
    EXPECT_EQ(CountWrites(log, Bytes{0xF0, 0x85, 0x89}), 2);
    std::vector<int> expected;
    for (int read = 0; read < 2; ++read)
        for (int k = 0; k < 30; ++k)
            expected.push_back(k);
    EXPECT_EQ(InfoRequests(log), expected);
    // 3 ms after the stop bytes, one 2 ms poll per byte, 20 ms between reads.
    std::vector<uint32_t> waits{3};
    waits.insert(waits.end(), 30, 2);
    waits.push_back(20);
    waits.push_back(3);
    waits.insert(waits.end(), 30, 2);
    EXPECT_EQ(clock.waits, waits);
}

TEST_F(FindKlvProbe, IdentificationEndsAtAZeroByte)
{
    ports.AddPort(L"COM1", IdentityResponder(MakeInfo("KLV1")));
    auto port = ports.Open(L"COM1", 1, 1);
    EXPECT_EQ(probe.ReadDeviceInfo(*port), L"KLV1");
}

TEST_F(FindKlvProbe, FirstReadDisturbedIsAcceptedOnTheThirdAttempt)
{
    ports.AddPort(L"COM1",
                  IdentityResponder(MakeInfo("KLV1-AC30042"), [](int readNo, DeviceInfo& info) {
                      if (readNo == 1)
                          info[13] ^= 0x01;
                  }));
    auto port = ports.Open(L"COM1", 1, 1);
    EXPECT_EQ(probe.ReadDeviceInfo(*port), L"KLV1-AC30042");
    EXPECT_EQ(probe.AttemptsMade(), 3);
    EXPECT_EQ(probe.Votes().size(), 2u);
}

TEST_F(FindKlvProbe, DifferencesBeyondByte28DoNotSplitTheVote)
{
    ports.AddPort(L"COM1",
                  IdentityResponder(MakeInfo("KLV1-AC51234"), [](int readNo, DeviceInfo& info) {
                      info[29] = static_cast<uint8_t>(readNo);
                  }));
    auto port = ports.Open(L"COM1", 1, 1);
    EXPECT_EQ(probe.ReadDeviceInfo(*port), L"KLV1-AC51234");
    EXPECT_EQ(probe.AttemptsMade(), 2);
}

TEST_F(FindKlvProbe, ByteTwentyOneFfIsNeverAccepted)
{
    ports.AddPort(L"COM1", IdentityResponder(MakeInfo("KLV1-AC51234"),
                                             [](int, DeviceInfo& info) { info[21] = 0xFF; }));
    auto port = ports.Open(L"COM1", 1, 1);
    EXPECT_EQ(probe.ReadDeviceInfo(*port), L"");
    EXPECT_EQ(probe.AttemptsMade(), 11);
    EXPECT_TRUE(probe.Votes().empty());
    const PortLog& log = ports.Logs(L"COM1").back();
    EXPECT_EQ(CountWrites(log, Bytes{0xF0, 0x85, 0x89}), 11);
    EXPECT_EQ(InfoRequests(log).size(), 11u * 30u);
    // After each full read: 2 ms, no 20 ms pause.
    EXPECT_EQ(std::count(clock.waits.begin(), clock.waits.end(), 20u), 0);
}

TEST_F(FindKlvProbe, AnsweringDeviceThatIsNotKlvIsPassedOver)
{
    ports.AddPort(L"COM1", IdentityResponder(MakeInfo("GPS-NMEA0183")));
    auto port = ports.Open(L"COM1", 1, 1);
    EXPECT_EQ(probe.ReadDeviceInfo(*port), L"");
    EXPECT_EQ(probe.AttemptsMade(), 2); // two agreeing reads, then refused
}

TEST_F(FindKlvProbe, DisagreeingReadsAreNeverAccepted)
{
    ports.AddPort(L"COM1",
                  IdentityResponder(MakeInfo("KLV1-AC51234"), [](int readNo, DeviceInfo& info) {
                      info[0] = static_cast<uint8_t>(readNo);
                  }));
    auto port = ports.Open(L"COM1", 1, 1);
    EXPECT_EQ(probe.ReadDeviceInfo(*port), L"");
    EXPECT_EQ(probe.AttemptsMade(), 11);
    EXPECT_EQ(probe.Votes().size(), 11u);
}

TEST_F(FindKlvProbe, SilentPortFailsElevenAttemptsOnTheFirstByte)
{
    ports.AddPort(L"COM1");
    auto port = ports.Open(L"COM1", 1, 1);
    const uint32_t start = clock.now;
    EXPECT_EQ(probe.ReadDeviceInfo(*port), L"");
    EXPECT_EQ(probe.AttemptsMade(), 11);
    EXPECT_EQ(InfoRequests(ports.Logs(L"COM1").back()), std::vector<int>(11, 0));
    // Each attempt: 3 ms, then 2 ms polls until more than 20 ms have passed
    // (11 polls = 22 ms); the next attempt starts at once.
    std::vector<uint32_t> waits;
    for (int a = 0; a < 11; ++a) {
        waits.push_back(3);
        waits.insert(waits.end(), 11, 2);
    }
    EXPECT_EQ(clock.waits, waits);
    EXPECT_EQ(clock.now - start, 11u * 25u);
}

// A device that answers each information request only after a number of
// the probe's 2 ms polls; an answer not delivered before the next command is lost.
struct SlowDevice {
    explicit SlowDevice(int pollsBeforeAnswer) : delay(pollsBeforeAnswer)
    {
        clock.onSleep = [this] {
            if (++polls == delay) {
                for (uint8_t b : held)
                    input->push_back(b);
                held.clear();
            }
        };
        ports.AddPort(L"COM3", [this](const Bytes& w, std::deque<uint8_t>&) {
            held.clear();
            if (w.size() == 2 && w[0] == 0x52) {
                polls = 0;
                held.push_back(MakeInfo("KLV1-AC51234")[w[1]]);
            }
        });
        input = &ports.Input(L"COM3");
    }
    struct HookedClock : FakeClock {
        std::function<void()> onSleep;
        void Sleep(uint32_t ms) override
        {
            FakeClock::Sleep(ms);
            onSleep();
        }
    };
    int delay;
    int polls = 0;
    std::vector<uint8_t> held;
    FakePortSystem ports;
    HookedClock clock;
    std::deque<uint8_t>* input = nullptr;
};

TEST(FindKlvProbeTiming, AnswerSeenOnThePollThatPassesTwentyMillisecondsIsTaken)
{
    // Polls at 2, 4, ... 22 ms: the byte is checked before the time limit.
    SlowDevice device(11);
    PortProbe probe(device.ports, device.clock);
    auto port = device.ports.Open(L"COM3", 1, 1);
    EXPECT_EQ(probe.ReadDeviceInfo(*port), L"KLV1-AC51234");
    EXPECT_EQ(probe.AttemptsMade(), 2);
}

TEST(FindKlvProbeTiming, AnswerLaterThanThatFailsEveryAttempt)
{
    SlowDevice device(12);
    PortProbe probe(device.ports, device.clock);
    auto port = device.ports.Open(L"COM3", 1, 1);
    EXPECT_EQ(probe.ReadDeviceInfo(*port), L"");
    EXPECT_EQ(probe.AttemptsMade(), 11);
}

TEST(FindKlvPortList, SplitDropsRepeatsAndKeepsOrder)
{
    EXPECT_EQ(SplitPortList(L"COM3,COM5,"), (std::vector<std::wstring>{L"COM3", L"COM5"}));
    EXPECT_EQ(SplitPortList(L"COM5,COM3,COM5,COM3,"),
              (std::vector<std::wstring>{L"COM5", L"COM3"}));
    EXPECT_TRUE(SplitPortList(L"").empty());
}

TEST_F(FindKlvProbe, ScanListsOpenablePortsFromCom0ToCom32)
{
    ports.AddPort(L"COM3");
    ports.AddPort(L"COM5");
    ports.AddPort(L"COM33");
    EXPECT_EQ(probe.ScanPorts(), L"");
    EXPECT_EQ(probe.PortList(), L"COM3,COM5,");
    ASSERT_GE(ports.opens.size(), 33u);
    for (int i = 0; i <= 32; ++i)
        EXPECT_EQ(ports.opens[i], L"COM" + std::to_wstring(i));
    EXPECT_EQ(ports.Logs(L"COM3").front().inQueue, 1024u);
    EXPECT_EQ(ports.Logs(L"COM3").front().outQueue, 1024u);
    EXPECT_TRUE(ports.Logs(L"COM3").front().closed);
    // Three passes over both silent ports: listing open + three probes each.
    EXPECT_EQ(ports.Logs(L"COM3").size(), 4u);
    EXPECT_EQ(ports.Logs(L"COM5").size(), 4u);
    EXPECT_TRUE(ports.Logs(L"COM33").empty());
}

TEST_F(FindKlvProbe, ScanFindsTheDeviceOnTheSecondPortAfterTheFirstFails)
{
    ports.AddPort(L"COM1");
    ports.AddPort(L"COM4", IdentityResponder(MakeInfo("KLV1-AC51234")));
    EXPECT_EQ(probe.ScanPorts(), L"KLV1-AC51234|COM4");
    const PortLog& first = ports.Logs(L"COM1").back();
    EXPECT_EQ(InfoRequests(first), std::vector<int>(11, 0));
    EXPECT_TRUE(first.closed);
    EXPECT_TRUE(ports.Logs(L"COM4").back().closed);
    EXPECT_EQ(ports.Logs(L"COM4").size(), 2u); // listing, then one probe
}

TEST_F(FindKlvProbe, ScanWithoutPortsReturnsAtOnce)
{
    EXPECT_EQ(probe.ScanPorts(), L"");
    EXPECT_EQ(probe.PortList(), L"");
    EXPECT_EQ(ports.opens.size(), 33u);
    EXPECT_TRUE(clock.waits.empty());
}

} // namespace
} // namespace findport::test
