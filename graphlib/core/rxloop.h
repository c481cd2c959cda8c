// Receive loop of the serial link: stores the bytes of a byte source in the
// receive buffer and hands the buffer over in blocks of a fixed size. A quiet
// line is waited on one byte at a time; while bytes flow, one read takes the
// rest of the block under construction, so the receive thread wakes about
// once per block instead of once per byte. Portable: the port and the
// hand-over are behind two small interfaces, so the Windows receive thread and
// the native tests run the same arithmetic.
#ifndef RXLOOP_H
#define RXLOOP_H

#include <atomic>
#include <cstddef>
#include <cstdint>

namespace klv {

// Where the receive loop gets its bytes. Read blocks at most for the link's
// time-out and returns the number of bytes delivered (0 .. count).
class RxByteSource {
public:
    virtual ~RxByteSource() = default;
    virtual uint32_t Read(uint8_t* dst, uint32_t count) = 0;
};

// What the loop knows about a block when it hands it over.
struct RxBlockInfo {
    const uint8_t* pBlock; // first byte of the block inside the buffer
    uint32_t nBlockSize;   // bytes in the block
    uint32_t nLastRead;    // bytes delivered by the read that completed it
    uint32_t nRxPos;       // buffer position behind the block
    uint32_t nDistance;    // bytes since the end of the previous block
};

// Receives each completed block; returns when the consumer has handled it.
class RxBlockSink {
public:
    virtual ~RxBlockSink() = default;
    virtual void OnBlock(const RxBlockInfo& info) = 0;
};

// Largest number of bytes thrown away by one discard read; a larger skip
// count is discarded in several reads that stop at the first short one.
constexpr uint32_t kRxDiscardChunk = 256;

// The state of one receive loop. The buffer belongs to the caller and must
// outlive the loop. The run flag and the skip count are the only fields
// another thread touches.
class RxLoop {
public:
    // L, the usable length: bufferSize rounded down to whole blocks.
    static uint32_t UsableLength(uint32_t bufferSize, uint32_t blockSize);

    RxLoop(uint8_t* buffer, uint32_t bufferSize, uint32_t blockSize);

    // What one step did.
    enum class Step {
        Idle,      // the read delivered no byte
        Stored,    // bytes stored, no block completed
        Delivered, // bytes stored and a block handed over
        Stopped    // the run flag was clear; nothing read
    };

    // One pass of the inner loop: wrap at L, apply a pending skip count, read
    // (one byte, or the rest of the block while the line delivers), hand over
    // a completed block. A read never runs past the block under construction,
    // so blocks stay exactly blockSize bytes and the wrap falls between them.
    Step RunStep(RxByteSource& source, RxBlockSink& sink);

    // Runs steps until the run flag is cleared.
    void Run(RxByteSource& source, RxBlockSink& sink);

    // Every read asks for one byte, also while bytes flow: the debug output
    // shows the line read by read. Set before the loop runs.
    void SetOneBytePerRead(bool on) { oneBytePerRead_ = on; }

    // Called from the consumer's thread.
    void SetSkipCount(int32_t count) { skipCount_.store(count); }
    int32_t SkipCount() const { return skipCount_.load(); }
    void Stop() { run_.store(0); }
    bool IsRunning() const { return run_.load() != 0; }

    uint32_t RxPos() const { return rxPos_; }
    uint32_t LastBlockEnd() const { return lastBlockEnd_; }
    uint32_t BlockSize() const { return blockSize_; }
    uint32_t Length() const { return length_; }

private:
    void DiscardPending(RxByteSource& source);
    uint32_t NextReadCount() const;

    uint8_t* buffer_;
    uint32_t blockSize_;
    uint32_t length_;
    uint32_t rxPos_ = 0;
    uint32_t lastBlockEnd_ = 0;
    bool lineDelivers_ = false; // the last read delivered bytes
    bool oneBytePerRead_ = false;
    std::atomic<int32_t> skipCount_{0};
    std::atomic<int32_t> run_{1};
    uint8_t discard_[kRxDiscardChunk];
};

// Capacity of the debug output text, terminator included.
constexpr size_t kRxDebugTextSize = 1000;

// Formats the debug output of one block into text (kRxDebugTextSize bytes):
// the header line with block size, last read, buffer position and distance,
// the milliseconds since the previous block, then "%02x " per byte of the
// block, cut at whole bytes where the text would run past its capacity.
// Returns the length written (without terminator).
size_t FormatRxDebugText(char* text, const RxBlockInfo& info, uint32_t msSinceLast);

} // namespace klv

#endif
