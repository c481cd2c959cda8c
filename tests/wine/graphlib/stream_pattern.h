// The byte stream the test peer sends after the start command: byte p of the
// stream is a function of p that repeats neither every 192 nor every 256
// bytes, so a lost, doubled or shifted byte shows in any block.
#ifndef STREAM_PATTERN_H
#define STREAM_PATTERN_H

#include <cstdint>

constexpr unsigned char kPeerStart = 'S'; // restart the stream at position 0
constexpr unsigned char kPeerStop = 'X';  // stop streaming

inline uint8_t StreamByte(uint32_t p)
{
    return static_cast<uint8_t>(p * 31u + (p >> 8) * 7u + (p >> 16) * 13u + 11u);
}

#endif
