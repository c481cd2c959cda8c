// klvtool_args_fuzz_check.h - what must hold for any command line given to
// `klvtool measure`: its options (paths) and its date (numbers).
#ifndef KLVTOOL_ARGS_FUZZ_CHECK_H
#define KLVTOOL_ARGS_FUZZ_CHECK_H

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

// Splits data at NUL bytes into the arguments after "measure" (at most 16)
// and parses them as klvtool does, without running anything: an accepted
// command line names exactly one of --sim and --port, every value taken is
// one argument or the text after "=", and a date that parses prints back as
// the same text. Empty when everything held, otherwise what broke.
std::string CheckKlvtoolArguments(const std::uint8_t* data, std::size_t size);

// Command lines to start from.
std::vector<std::vector<std::uint8_t>> KlvtoolArgumentSeeds();

#endif
