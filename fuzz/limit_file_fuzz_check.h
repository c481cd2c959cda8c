// limit_file_fuzz_check.h - what must hold for any text given to the reader
// of limit files (Limiti.ini).
#ifndef LIMIT_FILE_FUZZ_CHECK_H
#define LIMIT_FILE_FUZZ_CHECK_H

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

// Parses data as a limit file: a refused file names a problem and a line of
// the text, and keeps no set; an accepted file has sets with a name and at
// least one rule each, names found again by FindLimitSet, rules with finite
// limits of at least 0 in line order, no rule twice in a set; and every set
// passes a series whose figures are all 0 and fails one whose figures are all
// far above any limit. Empty when everything held, otherwise what broke.
std::string CheckLimitFile(const std::uint8_t* data, std::size_t size);

// Files to start from: the installed example and one of every kind of line.
std::vector<std::vector<std::uint8_t>> LimitFileSeeds();

#endif
