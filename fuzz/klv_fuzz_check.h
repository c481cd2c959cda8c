// klv_fuzz_check.h - what must hold for any input given to the readers of
// graph records and .klv documents, shared by the libFuzzer target and the
// deterministic replay that runs with the unit tests.
#ifndef KLV_FUZZ_CHECK_H
#define KLV_FUZZ_CHECK_H

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

// The graph record reader on data as a stream of records (as _LoadGraph
// calls on one file read them): a record that reads is exactly the bytes it
// was read from, and its counts and buffers agree. Empty when everything
// held, otherwise what broke.
std::string CheckGraphRecordStream(const std::uint8_t* data, std::size_t size);

// The .klv document reader on data: texts stay within their slots, and a
// document read, written and read again is the same document.
std::string CheckKlvDocument(const std::uint8_t* data, std::size_t size);

// Both of the above.
std::string CheckKlvReaders(const std::uint8_t* data, std::size_t size);

// Well-formed inputs to start from: records and documents of the shapes the
// program writes, with and without junk before the markers.
std::vector<std::vector<std::uint8_t>> KlvFuzzSeeds();

#endif
