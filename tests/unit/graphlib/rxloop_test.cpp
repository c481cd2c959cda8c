// The receive loop's arithmetic: storing, block hand-over, skip, wrap at L.
#include "rxloop.h"

#include <gtest/gtest.h>

#include <deque>
#include <functional>
#include <string>
#include <vector>

namespace {

using klv::RxBlockInfo;
using klv::RxLoop;

// A scripted serial line: bytes that have arrived, and time-out marks at
// which a read returns short.
class ScriptedSource : public klv::RxByteSource {
public:
    static constexpr int kTimeout = -1;

    void Arrive(const std::vector<uint8_t>& bytes)
    {
        for (uint8_t b : bytes)
            queue_.push_back(b);
    }
    void ArriveRange(int first, int count)
    {
        for (int i = 0; i < count; ++i)
            queue_.push_back(static_cast<uint8_t>(first + i));
    }
    void TimeOut() { queue_.push_back(kTimeout); }
    size_t Pending() const { return queue_.size(); }

    uint32_t Read(uint8_t* dst, uint32_t count) override
    {
        reads.push_back(count);
        uint32_t got = 0;
        while (got < count && !queue_.empty()) {
            int v = queue_.front();
            queue_.pop_front();
            if (v == kTimeout)
                break;
            dst[got++] = static_cast<uint8_t>(v);
        }
        return got;
    }

    std::vector<uint32_t> reads; // the count asked by each read

private:
    std::deque<int> queue_;
};

struct Block {
    std::vector<uint8_t> bytes;
    size_t offset; // start inside the buffer
    RxBlockInfo info;
};

class RecordingSink : public klv::RxBlockSink {
public:
    explicit RecordingSink(const uint8_t* buffer) : buffer_(buffer) {}
    void OnBlock(const RxBlockInfo& info) override
    {
        blocks.push_back({std::vector<uint8_t>(info.pBlock, info.pBlock + info.nBlockSize),
                          static_cast<size_t>(info.pBlock - buffer_), info});
        if (onBlock)
            onBlock(blocks.size());
    }
    std::vector<Block> blocks;
    std::function<void(size_t)> onBlock; // the consumer's handling

private:
    const uint8_t* buffer_;
};

// Steps the loop until the source has nothing more to give.
void Drain(RxLoop& loop, ScriptedSource& src, RecordingSink& sink)
{
    while (src.Pending() > 0 && loop.RunStep(src, sink) != RxLoop::Step::Stopped) {
    }
}

std::vector<uint8_t> Range(int first, int count)
{
    std::vector<uint8_t> v;
    for (int i = 0; i < count; ++i)
        v.push_back(static_cast<uint8_t>(first + i));
    return v;
}

TEST(RxLoopTest, UsableLengthIsWholeBlocks)
{
    EXPECT_EQ(RxLoop::UsableLength(15360, 192), 15360u);
    EXPECT_EQ(RxLoop::UsableLength(1000, 192), 960u);
    EXPECT_EQ(RxLoop::UsableLength(100, 192), 0u);
    EXPECT_EQ(RxLoop::UsableLength(100, 0), 0u);
}

TEST(RxLoopTest, BlocksCarryTheBytesInOrderAndWrapAtTheEnd)
{
    std::vector<uint8_t> buffer(15360);
    RxLoop loop(buffer.data(), 15360, 192);
    ScriptedSource src;
    RecordingSink sink(buffer.data());
    const int total = 81 * 192;
    src.ArriveRange(0, total);
    Drain(loop, src, sink);

    ASSERT_EQ(sink.blocks.size(), 81u);
    for (size_t k = 0; k < sink.blocks.size(); ++k) {
        const Block& b = sink.blocks[k];
        EXPECT_EQ(b.bytes, Range(static_cast<int>(k * 192), 192)) << "block " << k;
        EXPECT_EQ(b.info.nBlockSize, 192u);
        EXPECT_EQ(b.info.nDistance, 192u);
        EXPECT_EQ(b.info.nLastRead, k == 0 ? 191u : 192u);
    }
    EXPECT_EQ(sink.blocks[79].offset, 79u * 192);
    EXPECT_EQ(sink.blocks[79].info.nRxPos, 15360u);
    EXPECT_EQ(sink.blocks[80].offset, 0u) << "the 81st block starts again at the buffer's start";
    // The first byte is awaited alone, then each read takes a whole block.
    std::vector<uint32_t> expected(81, 192u);
    expected[0] = 1;
    expected.insert(expected.begin() + 1, 191u);
    EXPECT_EQ(src.reads, expected);
}

// What each read asks for: one byte while the line is quiet, else the rest of
// the block under construction, never more.
TEST(RxLoopTest, ReadsAskForOneByteOnAQuietLineAndTheBlocksRestWhileBytesFlow)
{
    std::vector<uint8_t> buffer(15360);
    RxLoop loop(buffer.data(), 15360, 192);
    ScriptedSource src;
    RecordingSink sink(buffer.data());
    src.TimeOut(); // quiet: the one-byte wait times out
    src.ArriveRange(0, 10);
    src.TimeOut(); // the device pauses after 10 bytes
    src.TimeOut(); // and stays quiet
    src.ArriveRange(10, 182 + 5);
    Drain(loop, src, sink);

    // 1 (empty), 1, 191 (9 came), 182 (empty), 1, 181 (completes the block),
    // 192 (5 came before the script ran out).
    EXPECT_EQ(src.reads, (std::vector<uint32_t>{1, 1, 191, 182, 1, 181, 192}));
    ASSERT_EQ(sink.blocks.size(), 1u);
    EXPECT_EQ(sink.blocks[0].bytes, Range(0, 192));
    EXPECT_EQ(sink.blocks[0].info.nLastRead, 181u);
    EXPECT_EQ(loop.RxPos(), 197u);
}

TEST(RxLoopTest, OneBytePerReadWhenAskedForTheDebugOutput)
{
    std::vector<uint8_t> buffer(15360);
    RxLoop loop(buffer.data(), 15360, 192);
    loop.SetOneBytePerRead(true);
    ScriptedSource src;
    RecordingSink sink(buffer.data());
    src.ArriveRange(0, 2 * 192);
    Drain(loop, src, sink);
    ASSERT_EQ(sink.blocks.size(), 2u);
    EXPECT_EQ(sink.blocks[1].bytes, Range(192, 192));
    EXPECT_EQ(sink.blocks[1].info.nLastRead, 1u);
    EXPECT_EQ(src.reads, std::vector<uint32_t>(2 * 192, 1u));
}

TEST(RxLoopTest, BufferNotAMultipleOfTheBlockLeavesTheTailUntouched)
{
    std::vector<uint8_t> buffer(1000, 0xEE);
    RxLoop loop(buffer.data(), 1000, 192);
    ScriptedSource src;
    RecordingSink sink(buffer.data());
    src.ArriveRange(0, 7 * 192);
    Drain(loop, src, sink);

    ASSERT_EQ(sink.blocks.size(), 7u);
    EXPECT_EQ(sink.blocks[4].offset, 768u);
    EXPECT_EQ(sink.blocks[5].offset, 0u) << "wrap at L = 960";
    EXPECT_EQ(sink.blocks[6].offset, 192u);
    EXPECT_EQ(sink.blocks[5].bytes, Range(5 * 192, 192));
    for (size_t i = 960; i < 1000; ++i)
        ASSERT_EQ(buffer[i], 0xEE) << "byte " << i << " beyond L was written";
}

TEST(RxLoopTest, ReadsWithoutDataStoreNothing)
{
    std::vector<uint8_t> buffer(384);
    RxLoop loop(buffer.data(), 384, 192);
    ScriptedSource src;
    RecordingSink sink(buffer.data());
    src.TimeOut();
    EXPECT_EQ(loop.RunStep(src, sink), RxLoop::Step::Idle);
    EXPECT_EQ(loop.RxPos(), 0u);
    src.ArriveRange(9, 1);
    EXPECT_EQ(loop.RunStep(src, sink), RxLoop::Step::Stored);
    EXPECT_EQ(loop.RxPos(), 1u);
    EXPECT_EQ(buffer[0], 9);
    EXPECT_TRUE(sink.blocks.empty());
}

TEST(RxLoopTest, ShiftFromTheHandlerRealignsTheNextBlock)
{
    std::vector<uint8_t> buffer(15360);
    RxLoop loop(buffer.data(), 15360, 192);
    ScriptedSource src;
    RecordingSink sink(buffer.data());
    sink.onBlock = [&](size_t n) {
        if (n == 1)
            loop.SetSkipCount(1);
    };
    src.ArriveRange(0, 3 * 192 + 1);
    Drain(loop, src, sink);

    ASSERT_EQ(sink.blocks.size(), 3u);
    EXPECT_EQ(sink.blocks[0].bytes, Range(0, 192));
    EXPECT_EQ(sink.blocks[1].bytes, Range(193, 192)) << "byte 192 was discarded";
    EXPECT_EQ(sink.blocks[1].offset, 192u) << "the discarded byte does not count";
    EXPECT_EQ(sink.blocks[2].bytes, Range(385, 192));
    EXPECT_EQ(loop.SkipCount(), 0);
}

TEST(RxLoopTest, TwoShiftsBeforeTheNextReadDiscardOnlyTheLast)
{
    std::vector<uint8_t> buffer(15360);
    RxLoop loop(buffer.data(), 15360, 192);
    ScriptedSource src;
    RecordingSink sink(buffer.data());
    sink.onBlock = [&](size_t n) {
        if (n == 1) {
            loop.SetSkipCount(2);
            loop.SetSkipCount(1);
        }
    };
    src.ArriveRange(0, 2 * 192 + 3);
    Drain(loop, src, sink);
    ASSERT_GE(sink.blocks.size(), 2u);
    EXPECT_EQ(sink.blocks[1].bytes, Range(193, 192));
}

TEST(RxLoopTest, ShiftByZeroDiscardsNothing)
{
    std::vector<uint8_t> buffer(15360);
    RxLoop loop(buffer.data(), 15360, 192);
    ScriptedSource src;
    RecordingSink sink(buffer.data());
    sink.onBlock = [&](size_t) { loop.SetSkipCount(0); };
    src.ArriveRange(0, 2 * 192);
    Drain(loop, src, sink);
    ASSERT_EQ(sink.blocks.size(), 2u);
    EXPECT_EQ(sink.blocks[1].bytes, Range(192, 192));
    EXPECT_EQ(src.reads, (std::vector<uint32_t>{1, 191, 192})) << "no discard read was made";
}

TEST(RxLoopTest, ADiscardReadAsksForTheWholeCountAtOnce)
{
    std::vector<uint8_t> buffer(15360);
    RxLoop loop(buffer.data(), 15360, 192);
    ScriptedSource src;
    RecordingSink sink(buffer.data());
    loop.SetSkipCount(2);
    src.ArriveRange(0, 3);
    EXPECT_EQ(loop.RunStep(src, sink), RxLoop::Step::Stored);
    ASSERT_EQ(src.reads.size(), 2u);
    EXPECT_EQ(src.reads[0], 2u);
    EXPECT_EQ(src.reads[1], 1u);
    EXPECT_EQ(buffer[0], 2);
}

TEST(RxLoopTest, ADiscardReadThatTimesOutShortStillClearsTheCount)
{
    std::vector<uint8_t> buffer(15360);
    RxLoop loop(buffer.data(), 15360, 192);
    ScriptedSource src;
    RecordingSink sink(buffer.data());
    loop.SetSkipCount(5);
    src.Arrive({0xA0, 0xA1});
    src.TimeOut(); // the discard read ends with 2 of 5 bytes
    src.Arrive({0xB0, 0xB1});
    EXPECT_EQ(loop.RunStep(src, sink), RxLoop::Step::Stored);
    EXPECT_EQ(loop.SkipCount(), 0);
    EXPECT_EQ(buffer[0], 0xB0) << "the first byte after the time-out is stored";
    EXPECT_EQ(loop.RunStep(src, sink), RxLoop::Step::Stored);
    EXPECT_EQ(buffer[1], 0xB1) << "the rest of the old count is not discarded later";
}

TEST(RxLoopTest, LargeSkipCountsAreDiscardedInChunks)
{
    std::vector<uint8_t> buffer(15360);
    RxLoop loop(buffer.data(), 15360, 192);
    ScriptedSource src;
    RecordingSink sink(buffer.data());
    loop.SetSkipCount(600);
    src.ArriveRange(0, 601);
    EXPECT_EQ(loop.RunStep(src, sink), RxLoop::Step::Stored);
    EXPECT_EQ(buffer[0], static_cast<uint8_t>(600));
    EXPECT_EQ(src.Pending(), 0u);
}

TEST(RxLoopTest, NegativeSkipCountDiscardsNothing)
{
    std::vector<uint8_t> buffer(15360);
    RxLoop loop(buffer.data(), 15360, 192);
    ScriptedSource src;
    RecordingSink sink(buffer.data());
    loop.SetSkipCount(-3);
    src.Arrive({7});
    EXPECT_EQ(loop.RunStep(src, sink), RxLoop::Step::Stored);
    EXPECT_EQ(buffer[0], 7);
    EXPECT_EQ(src.reads.size(), 1u);
    EXPECT_EQ(loop.SkipCount(), 0);
}

// Suspension stops the loop between steps: the block under construction
// keeps its stored bytes and the bytes read after the pause complete it. (The
// purge of what arrived meanwhile is the port's, done by _EnableCOMThread; the
// serial link's test under Wine checks it.)
TEST(RxLoopTest, APauseBetweenStepsKeepsTheBlockUnderConstruction)
{
    std::vector<uint8_t> buffer(15360);
    RxLoop loop(buffer.data(), 15360, 192);
    ScriptedSource src;
    RecordingSink sink(buffer.data());
    src.ArriveRange(0, 100);
    Drain(loop, src, sink);
    EXPECT_EQ(loop.RxPos(), 100u);
    EXPECT_TRUE(sink.blocks.empty());
    src.TimeOut(); // the line was quiet meanwhile
    EXPECT_EQ(loop.RunStep(src, sink), RxLoop::Step::Idle);

    src.ArriveRange(200, 92);
    Drain(loop, src, sink);

    ASSERT_EQ(sink.blocks.size(), 1u);
    std::vector<uint8_t> expected = Range(0, 100);
    std::vector<uint8_t> tail = Range(200, 92);
    expected.insert(expected.end(), tail.begin(), tail.end());
    EXPECT_EQ(sink.blocks[0].bytes, expected);
    EXPECT_EQ(sink.blocks[0].info.nDistance, 192u);
    EXPECT_EQ(loop.LastBlockEnd(), 192u);
}

TEST(RxLoopTest, StopFromTheHandlerEndsWithoutAnotherRead)
{
    std::vector<uint8_t> buffer(15360);
    RxLoop loop(buffer.data(), 15360, 192);
    ScriptedSource src;
    RecordingSink sink(buffer.data());
    size_t readsAtStop = 0;
    sink.onBlock = [&](size_t) {
        loop.Stop();
        readsAtStop = src.reads.size();
    };
    src.ArriveRange(0, 400);
    loop.Run(src, sink); // returns because the handler stopped it
    EXPECT_EQ(sink.blocks.size(), 1u);
    EXPECT_EQ(src.reads.size(), readsAtStop);
    EXPECT_EQ(loop.RunStep(src, sink), RxLoop::Step::Stopped);
}

// A read that was under way when the link was closed completes a block that
// nobody waits for any more: it is not handed over.
class StopDuringRead : public ScriptedSource {
public:
    explicit StopDuringRead(RxLoop* loop) : loop_(loop) {}
    uint32_t Read(uint8_t* dst, uint32_t count) override
    {
        uint32_t got = ScriptedSource::Read(dst, count);
        if (Pending() == 0)
            loop_->Stop();
        return got;
    }

private:
    RxLoop* loop_;
};

TEST(RxLoopTest, ABlockCompletedAfterStopIsNotHandedOver)
{
    std::vector<uint8_t> buffer(384);
    RxLoop loop(buffer.data(), 384, 192);
    StopDuringRead src(&loop);
    RecordingSink sink(buffer.data());
    src.ArriveRange(0, 192);
    loop.Run(src, sink);
    EXPECT_TRUE(sink.blocks.empty());
}

TEST(RxLoopTest, BlockLargerThanTheBufferReadsNothing)
{
    std::vector<uint8_t> buffer(100);
    RxLoop loop(buffer.data(), 100, 192);
    ScriptedSource src;
    RecordingSink sink(buffer.data());
    src.ArriveRange(0, 10);
    EXPECT_EQ(loop.RunStep(src, sink), RxLoop::Step::Stopped);
    EXPECT_TRUE(src.reads.empty());
}

TEST(RxDebugTextTest, HeaderAndHexDumpOfA192ByteBlock)
{
    std::vector<uint8_t> block = Range(0xF0, 192); // wraps through 0xff to 0xaf
    RxBlockInfo info{block.data(), 192, 1, 384, 192};
    char text[klv::kRxDebugTextSize];
    size_t len = klv::FormatRxDebugText(text, info, 102);
    std::string s(text);
    EXPECT_EQ(s.size(), len);
    const std::string header =
        "MinData: 192 dRead: 01 dBuffPos: 0384 MessageDist: 192 \r\n102 ms\r\nData:\r\n";
    ASSERT_EQ(s.substr(0, header.size()), header);
    std::string dump = s.substr(header.size());
    EXPECT_EQ(dump.size(), 576u);
    EXPECT_EQ(dump.substr(0, 12), "f0 f1 f2 f3 ");
    EXPECT_EQ(dump.substr(15 * 3, 6), "ff 00 ");
    EXPECT_EQ(dump.substr(191 * 3), "af ");
}

TEST(RxDebugTextTest, ADumpThatDoesNotFitIsCutAtAWholeByte)
{
    std::vector<uint8_t> block(500, 0xAB);
    RxBlockInfo info{block.data(), 500, 1, 500, 500};
    char text[klv::kRxDebugTextSize + 8];
    std::fill(text, text + sizeof text, 'Z');
    size_t len = klv::FormatRxDebugText(text, info, 0);
    EXPECT_LE(len, klv::kRxDebugTextSize - 1);
    EXPECT_GT(len, klv::kRxDebugTextSize - 4);
    EXPECT_EQ(text[len], '\0');
    EXPECT_EQ(std::string(text + len - 3, 3), "ab ");
    EXPECT_EQ(text[klv::kRxDebugTextSize], 'Z') << "nothing written past the text";
}

} // namespace
