#include "rxloop.h"

#include <algorithm>
#include <cstdio>

namespace klv {

uint32_t RxLoop::UsableLength(uint32_t bufferSize, uint32_t blockSize)
{
    if (blockSize == 0)
        return 0;
    return bufferSize / blockSize * blockSize;
}

RxLoop::RxLoop(uint8_t* buffer, uint32_t bufferSize, uint32_t blockSize)
    : buffer_(buffer), blockSize_(blockSize), length_(UsableLength(bufferSize, blockSize))
{
}

// The consumer asks for bytes to be thrown away to re-align the stream. The
// count is taken (and cleared) before the read, so a count set while the read
// is under way is kept for the next step instead of being lost. A short read
// (time-out) ends the discard: the count is cleared all the same.
void RxLoop::DiscardPending(RxByteSource& source)
{
    int32_t pending = skipCount_.exchange(0);
    if (pending <= 0)
        return; // a negative count would be a read of ~4 GB into nowhere
    uint32_t remaining = static_cast<uint32_t>(pending);
    while (remaining > 0) {
        uint32_t chunk = std::min(remaining, kRxDiscardChunk);
        uint32_t got = std::min(source.Read(discard_, chunk), chunk);
        remaining -= got;
        if (got < chunk)
            break;
    }
}

// A quiet line (at the start, or after a read that timed out empty) is
// waited on with a one-byte read: its time-out is the link's shortest, so a
// silent device is polled as often as ever. Once bytes arrive, the next read
// asks for the rest of the block and returns when the block is complete.
uint32_t RxLoop::NextReadCount() const
{
    return lineDelivers_ && !oneBytePerRead_ ? blockSize_ - (rxPos_ - lastBlockEnd_) : 1;
}

RxLoop::Step RxLoop::RunStep(RxByteSource& source, RxBlockSink& sink)
{
    if (!IsRunning() || length_ == 0)
        return Step::Stopped;
    if (rxPos_ >= length_) { // wrap: blocks never straddle the end of L
        rxPos_ = 0;
        lastBlockEnd_ = 0;
    }
    DiscardPending(source);
    if (!IsRunning())
        return Step::Stopped;

    const uint32_t count = NextReadCount();
    uint32_t got = std::min(source.Read(buffer_ + rxPos_, count), count);
    rxPos_ += got;
    lineDelivers_ = got > 0;
    if (got == 0)
        return Step::Idle;
    if (rxPos_ - lastBlockEnd_ < blockSize_)
        return Step::Stored;
    // A link being closed hands nothing more over.
    if (!IsRunning())
        return Step::Stopped;

    RxBlockInfo info;
    info.pBlock = buffer_ + rxPos_ - blockSize_;
    info.nBlockSize = blockSize_;
    info.nLastRead = got;
    info.nRxPos = rxPos_;
    info.nDistance = rxPos_ - lastBlockEnd_;
    sink.OnBlock(info);
    lastBlockEnd_ = rxPos_;
    return Step::Delivered;
}

void RxLoop::Run(RxByteSource& source, RxBlockSink& sink)
{
    while (RunStep(source, sink) != Step::Stopped) {
    }
}

size_t FormatRxDebugText(char* text, const RxBlockInfo& info, uint32_t msSinceLast)
{
    int len = std::snprintf(
        text, kRxDebugTextSize,
        "MinData: %u dRead: %02u dBuffPos: %04u MessageDist: %u \r\n%u ms\r\nData:\r\n",
        info.nBlockSize, info.nLastRead, info.nRxPos, info.nDistance, msSinceLast);
    if (len < 0)
        len = 0;
    size_t used = std::min(static_cast<size_t>(len), kRxDebugTextSize - 1);
    static const char kHex[] = "0123456789abcdef";
    for (uint32_t i = 0; i < info.nBlockSize; ++i) {
        if (used + 3 > kRxDebugTextSize - 1)
            break; // the dump is cut at a whole byte
        uint8_t b = info.pBlock[i];
        text[used++] = kHex[b >> 4];
        text[used++] = kHex[b & 0x0F];
        text[used++] = ' ';
    }
    text[used] = '\0';
    return used;
}

} // namespace klv
