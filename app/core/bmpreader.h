// bmpreader.h - the reader of Windows bitmap files behind the document
// logo: a pure function over the file's bytes, bounds-checked everywhere, so
// a damaged or hostile file gives no logo and never a read past its end.
#ifndef BMPREADER_H
#define BMPREADER_H

#include <cstddef>
#include <cstdint>
#include <vector>

constexpr std::size_t kBmpFileHeaderSize = 14;
constexpr std::size_t kBmpInfoHeaderSize = 40;

enum class BmpStatus {
    Ok,
    ShortFileHeader,  // fewer than 14 bytes
    NotBitmap,        // does not begin with "BM"
    ShortInfoHeader,  // fewer than 40 bytes of info header
    BadInfoSize,      // the info header's size field is not 40
    BadBitCount,      // not 1, 4, 8, 16, 24 or 32 bits per pixel
    BadDimensions,    // width not positive, height 0, or an image beyond 256 MB
    ShortColourTable, // the colour table does not fit into the file
    ShortPixels,      // the pixel data does not fit into the file
};

struct BmpImage {
    // The 40-byte info header followed by the colour table (4 bytes per
    // colour), as a DIB section is created from it: a colour count of 0 with
    // at most 8 bits is replaced by 2^bits and an image size of 0 by the
    // computed size.
    std::vector<std::uint8_t> info;
    std::uint32_t colours = 0;     // entries in the colour table
    std::uint32_t imageSize = 0;   // pixel bytes
    std::uint32_t sectionSize = 0; // pixel bytes of an uncompressed image of this size
    std::size_t pixelOffset = 0;   // where the pixels start in the file
    std::int32_t width = 0;
    std::int32_t height = 0; // negative for top-down images
    int bitCount = 0;
};

// Reads a bitmap file held in data[0..size). On Ok, the pixels are
// data[pixelOffset .. pixelOffset + imageSize).
BmpStatus ReadBmp(const std::uint8_t* data, std::size_t size, BmpImage& image);

#endif
