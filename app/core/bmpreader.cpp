// bmpreader.cpp - BITMAPFILEHEADER, BITMAPINFOHEADER, colour table, pixels.
#include "bmpreader.h"

#include <cstring>

namespace {

constexpr std::uint16_t kBmpMagic = 0x4D42; // "BM" read little-endian
constexpr std::uint64_t kMaxImageBytes = 256u << 20;
constexpr std::size_t kBitCountOffset = 14;
constexpr std::size_t kImageSizeOffset = 20;
constexpr std::size_t kColoursUsedOffset = 32;

std::uint32_t Le32(const std::uint8_t* p)
{
    return p[0] | (p[1] << 8) | (p[2] << 16) | (static_cast<std::uint32_t>(p[3]) << 24);
}

std::uint16_t Le16(const std::uint8_t* p)
{
    return static_cast<std::uint16_t>(p[0] | (p[1] << 8));
}

void PutLe32(std::uint8_t* p, std::uint32_t v)
{
    for (int i = 0; i < 4; ++i)
        p[i] = static_cast<std::uint8_t>(v >> (8 * i));
}

bool ValidBitCount(int bits)
{
    return bits == 1 || bits == 4 || bits == 8 || bits == 16 || bits == 24 || bits == 32;
}

} // namespace

BmpStatus ReadBmp(const std::uint8_t* data, std::size_t size, BmpImage& image)
{
    if (size < kBmpFileHeaderSize)
        return BmpStatus::ShortFileHeader;
    if (Le16(data) != kBmpMagic)
        return BmpStatus::NotBitmap;
    const std::size_t pixelOffset = Le32(data + 10);
    if (size - kBmpFileHeaderSize < kBmpInfoHeaderSize)
        return BmpStatus::ShortInfoHeader;
    const std::uint8_t* info = data + kBmpFileHeaderSize;
    if (Le32(info) != kBmpInfoHeaderSize)
        return BmpStatus::BadInfoSize;
    const int bits = Le16(info + kBitCountOffset);
    if (!ValidBitCount(bits))
        return BmpStatus::BadBitCount;
    const std::int32_t width = static_cast<std::int32_t>(Le32(info + 4));
    const std::int32_t height = static_cast<std::int32_t>(Le32(info + 8));
    const std::uint64_t stride =
        ((static_cast<std::uint64_t>(bits) * (width > 0 ? width : 0) + 31) / 32) * 4;
    const std::uint64_t rows = height < 0 ? -static_cast<std::int64_t>(height) : height;
    if (width <= 0 || height == 0 || stride * rows > kMaxImageBytes)
        return BmpStatus::BadDimensions;

    std::uint32_t colours = Le32(info + kColoursUsedOffset);
    if (colours == 0 && bits <= 8)
        colours = 1u << bits;
    std::uint32_t imageSize = Le32(info + kImageSizeOffset);
    if (imageSize == 0)
        imageSize = static_cast<std::uint32_t>(stride * rows);
    const std::size_t tableStart = kBmpFileHeaderSize + kBmpInfoHeaderSize;
    if (colours > (size - tableStart) / 4)
        return BmpStatus::ShortColourTable;
    if (pixelOffset > size || imageSize > size - pixelOffset)
        return BmpStatus::ShortPixels;

    image.info.assign(info, info + kBmpInfoHeaderSize + 4 * static_cast<std::size_t>(colours));
    PutLe32(image.info.data() + kColoursUsedOffset, bits <= 8 ? colours : Le32(info + 32));
    PutLe32(image.info.data() + kImageSizeOffset, imageSize);
    image.colours = colours;
    image.imageSize = imageSize;
    image.sectionSize = static_cast<std::uint32_t>(stride * rows);
    image.pixelOffset = pixelOffset;
    image.width = width;
    image.height = height;
    image.bitCount = bits;
    return BmpStatus::Ok;
}
