// bmp_fuzz_check.h - what must hold for any file given to the reader of the
// document logo (a Windows bitmap).
#ifndef BMP_FUZZ_CHECK_H
#define BMP_FUZZ_CHECK_H

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

// Reads data as a bitmap file: a bitmap that reads has its pixels and its
// colour table inside the data, a valid bit count and size, and an info
// header that is the file's own except for the colour count and image size
// it completes. Empty when everything held, otherwise what broke.
std::string CheckBmpLogo(const std::uint8_t* data, std::size_t size);

// Bitmaps to start from: 1, 4, 8, 24 and 32 bits per pixel, bottom-up and
// top-down.
std::vector<std::vector<std::uint8_t>> BmpLogoSeeds();

#endif
