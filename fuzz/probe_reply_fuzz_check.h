// probe_reply_fuzz_check.h - what must hold for FindKLV's probe of a port
// whatever the port answers.
#ifndef PROBE_REPLY_FUZZ_CHECK_H
#define PROBE_REPLY_FUZZ_CHECK_H

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

// The input is what the port answers, write by write: for each write of the
// probe, one length byte L and then L bytes that arrive in the port's input
// (cut short at the end of the input; afterwards the port stays silent).
//
// The port is reported found exactly when, among the complete reads of the
// identification (a byte received after each of the 30 requests, byte 21 not
// 0xFF), the first read that repeats an earlier one in bytes 0 to 28 has
// "KLV" in bytes 4 to 6; the text reported is that read's bytes 4 to 15 up
// to a zero byte. At most 11 reads, within a bounded time. Empty when all
// held, otherwise what broke.
std::string CheckProbeReply(const std::uint8_t* data, std::size_t size);

// Recorded simulator traffic of probes: the 500 N and the 300 N device, a
// spoiled first read, byte 21 read as 0xFF, a device that is no KLV, silence.
std::vector<std::vector<std::uint8_t>> ProbeReplySeeds();

#endif
