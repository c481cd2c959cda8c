// The port finder's phases on a virtual clock: when it scans, when it gives
// up, what it stores.
#include <gtest/gtest.h>

#include <cstring>

#include "probe_fakes.h"
#include "seek_session.h"

namespace findport::test {
namespace {

using Bytes = std::vector<uint8_t>;

// The progress window: each wait lets `stepMs` pass; a click on Cancel can be
// scheduled for a given wait.
struct FakeWindow : SeekWindow {
    explicit FakeWindow(FakeClock& c) : clock(c) {}
    void Open() override { events.push_back("Open"); }
    bool WaitForEvent(uint32_t maxMs) override
    {
        EXPECT_EQ(maxMs, 10u);
        ++waitCount;
        clock.Advance(stepMs);
        if (onWait)
            onWait(waitCount);
        return waitCount == cancelOnWait;
    }
    void SetProgress(uint32_t elapsed) override { progress.push_back(elapsed); }
    void Close() override { events.push_back("Close"); }
    bool AskSearchAgain() override
    {
        events.push_back("Ask");
        return answersYes-- > 0;
    }

    FakeClock& clock;
    uint32_t stepMs = 10;
    int waitCount = 0;
    int cancelOnWait = -1;
    int answersYes = 0;
    std::function<void(int)> onWait;
    std::vector<uint32_t> progress;
    std::vector<std::string> events;
};

struct FakeStore : PortStore {
    void StorePort(int32_t index) override { stored.push_back(index); }
    std::vector<int32_t> stored;
};

Responder KlvDevice()
{
    DeviceInfo info{};
    std::memcpy(info.data() + 4, "KLV1-AC51234", 12);
    return [info](const Bytes& w, std::deque<uint8_t>& input) {
        if (w.size() == 2 && w[0] == 0x52 && w[1] < 30)
            input.push_back(info[w[1]]);
    };
}

struct FindKlvSeek : ::testing::Test {
    // Every scan opens COM0..COM32 once while listing.
    int Scans() const
    {
        int count = 0;
        for (const std::wstring& name : ports.opens)
            count += name == L"COM0";
        return count;
    }
    int Run() { return RunSeek(probe, clock, window, store); }

    FakePortSystem ports;
    FakeClock clock;
    PortProbe probe{ports, clock};
    FakeWindow window{clock};
    FakeStore store;
};

TEST(FindKlvPortIndex, IsTheNumberAfterComMinusOne)
{
    int32_t index = -7;
    ASSERT_TRUE(PortIndexFromScanResult(L"KLV1-AC51234|COM4", index));
    EXPECT_EQ(index, 3);
    ASSERT_TRUE(PortIndexFromScanResult(L"KLV1-AC51234|COM10", index));
    EXPECT_EQ(index, 9);
    ASSERT_TRUE(PortIndexFromScanResult(L"KLV1|COM1", index));
    EXPECT_EQ(index, 0);
    ASSERT_TRUE(PortIndexFromScanResult(L"KLV1|COM32", index));
    EXPECT_EQ(index, 31);
    // COM0 would be index -1 and COM33 index 32: no port setting of the
    // measurement program.
    for (const wchar_t* bad : {L"KLV1-AC51234", L"KLV|COM", L"KLV|LPT1", L"KLV|COM4x", L"",
                               L"KLV|COM0", L"KLV|COM33", L"KLV|COM999"}) {
        EXPECT_FALSE(PortIndexFromScanResult(bad, index)) << bad;
    }
}

TEST(FindKlvHintFile, IndexFollowedByTheSentenceWithoutLineBreak)
{
    EXPECT_EQ(HintFileText(3),
              "3This file should reside in the Directory Klemva was installed to (Top level)");
    EXPECT_EQ(HintFileText(12).substr(0, 3), "12T");
}

TEST_F(FindKlvSeek, DeviceFoundByTheFirstScanIsStoredAtOnce)
{
    ports.AddPort(L"COM4", KlvDevice());
    EXPECT_EQ(Run(), kExitFound);
    EXPECT_EQ(store.stored, std::vector<int32_t>{3});
    EXPECT_EQ(Scans(), 1);
    EXPECT_EQ(window.waitCount, 1);
    EXPECT_EQ(window.events, (std::vector<std::string>{"Open", "Close"}));
}

TEST_F(FindKlvSeek, TimerResolutionIsRaisedOnceBeforeAnyWait)
{
    ports.AddPort(L"COM4", KlvDevice());
    Run();
    EXPECT_EQ(clock.resolutionRaises, 1);
    EXPECT_TRUE(clock.raisedBeforeFirstWait);
}

TEST_F(FindKlvSeek, NothingFoundScansEveryHundredTicksForTwentySeconds)
{
    const uint32_t start = clock.now;
    EXPECT_EQ(Run(), kExitGaveUp);
    // Ticks every 10 ms up to and including 20 s elapsed: 2001 ticks, a scan
    // on ticks 0, 100, ... 2000, then the final scan.
    EXPECT_EQ(window.waitCount, 2001);
    EXPECT_EQ(Scans(), 21 + 1);
    EXPECT_EQ(window.progress.front(), 10u);
    EXPECT_EQ(window.progress.back(), 20010u);
    EXPECT_EQ(clock.now - start, 20010u);
    EXPECT_EQ(window.events, (std::vector<std::string>{"Open", "Close", "Ask"}));
    EXPECT_TRUE(store.stored.empty());
}

TEST_F(FindKlvSeek, YesSearchesAgainUntilNo)
{
    window.answersYes = 2;
    EXPECT_EQ(Run(), kExitGaveUp);
    EXPECT_EQ(Scans(), 21 + 3);
    EXPECT_EQ(window.events, (std::vector<std::string>{"Open", "Close", "Ask", "Ask", "Ask"}));
}

TEST_F(FindKlvSeek, DeviceAttachedWhileAskingIsFoundByYes)
{
    struct AttachingWindow : FakeWindow {
        using FakeWindow::FakeWindow;
        bool AskSearchAgain() override
        {
            ports->AddPort(L"COM10", KlvDevice());
            return FakeWindow::AskSearchAgain();
        }
        FakePortSystem* ports = nullptr;
    } asking(clock);
    asking.ports = &ports;
    asking.answersYes = 1;
    EXPECT_EQ(RunSeek(probe, clock, asking, store), kExitFound);
    EXPECT_EQ(store.stored, std::vector<int32_t>{9});
}

TEST_F(FindKlvSeek, DeviceOnlyOnCom0IsNeverStored)
{
    ports.AddPort(L"COM0", KlvDevice());
    window.cancelOnWait = 1;
    EXPECT_EQ(Run(), kExitGaveUp);
    EXPECT_TRUE(store.stored.empty());
    EXPECT_EQ(window.events, (std::vector<std::string>{"Open", "Close", "Ask"}));
}

TEST_F(FindKlvSeek, CancelLeavesTheTimedPhaseButScansOnceMore)
{
    window.cancelOnWait = 50;
    EXPECT_EQ(Run(), kExitGaveUp);
    EXPECT_EQ(window.waitCount, 50);
    EXPECT_EQ(Scans(), 1 + 1);
    EXPECT_EQ(window.events, (std::vector<std::string>{"Open", "Close", "Ask"}));
}

TEST_F(FindKlvSeek, CancelThenDeviceFoundByTheFinalScan)
{
    window.cancelOnWait = 3;
    window.onWait = [this](int n) {
        if (n == 3)
            ports.AddPort(L"COM2", KlvDevice());
    };
    EXPECT_EQ(Run(), kExitFound);
    EXPECT_EQ(store.stored, std::vector<int32_t>{1});
    EXPECT_EQ(window.events, (std::vector<std::string>{"Open", "Close"}));
}

TEST_F(FindKlvSeek, DeviceAttachedLaterIsFoundByTheNextHundredthTick)
{
    window.onWait = [this](int n) {
        if (n == 150)
            ports.AddPort(L"COM4", KlvDevice());
    };
    EXPECT_EQ(Run(), kExitFound);
    EXPECT_EQ(window.waitCount, 201); // tick 200 is the 201st
    EXPECT_EQ(Scans(), 3);
    EXPECT_EQ(store.stored, std::vector<int32_t>{3});
}

TEST_F(FindKlvSeek, FrequentEventsTickAtMostEverySixMilliseconds)
{
    window.stepMs = 1;
    window.cancelOnWait = 1200;
    Run();
    ASSERT_GE(window.progress.size(), 2u);
    for (size_t i = 1; i < window.progress.size(); ++i) {
        EXPECT_EQ(window.progress[i] - window.progress[i - 1], 6u);
    }
    // 1200 ms of 1 ms events: ticks at 1, 7, ... so scans on ticks 0 and 100,
    // then the final scan.
    EXPECT_EQ(Scans(), 2 + 1);
}

TEST_F(FindKlvSeek, SilentPortsMakeTheScansLongButTheyStillEnd)
{
    ports.AddPort(L"COM1");
    ports.AddPort(L"COM2");
    EXPECT_EQ(Run(), kExitGaveUp);
    // One probe of a silent port: 25 ms opening + 11 x 25 ms attempts; three
    // passes over two ports make a scan of 1800 ms. Scans start on ticks 0,
    // 100, ... 700 (elapsed 10, 2810, ... 19610 ms); the eighth ends past
    // 20 s and the final scan follows.
    EXPECT_EQ(Scans(), 8 + 1);
    EXPECT_EQ(window.progress[100], 2810u);
    EXPECT_EQ(window.events, (std::vector<std::string>{"Open", "Close", "Ask"}));
}

} // namespace
} // namespace findport::test
