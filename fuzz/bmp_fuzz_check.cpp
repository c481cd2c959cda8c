// bmp_fuzz_check.cpp - the logo reader's promises on arbitrary bytes.
#include "bmp_fuzz_check.h"

#include <cstring>

#include "bmpreader.h"

namespace {

constexpr std::size_t kColourTableStart = kBmpFileHeaderSize + kBmpInfoHeaderSize;
constexpr std::size_t kImageSizeField = 20;
constexpr std::size_t kColoursUsedField = 32;
constexpr std::uint64_t kLargestImage = 256u << 20;

std::uint32_t Le32(const std::uint8_t* p)
{
    return p[0] | (p[1] << 8) | (p[2] << 16) | (static_cast<std::uint32_t>(p[3]) << 24);
}

void PutLe(std::vector<std::uint8_t>& out, std::uint32_t v, int bytes)
{
    for (int i = 0; i < bytes; ++i)
        out.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
}

std::string CheckImage(const std::uint8_t* data, std::size_t size, const BmpImage& image)
{
    if (image.pixelOffset > size || image.imageSize > size - image.pixelOffset)
        return "pixels beyond the end of the file";
    if (image.info.size() != kBmpInfoHeaderSize + 4 * static_cast<std::size_t>(image.colours))
        return "info header and colour table of the wrong length";
    if (kColourTableStart + 4 * static_cast<std::uint64_t>(image.colours) > size)
        return "colour table beyond the end of the file";
    if (image.width <= 0 || image.height == 0)
        return "an image without width or height";
    const int bits = image.bitCount;
    if (bits != 1 && bits != 4 && bits != 8 && bits != 16 && bits != 24 && bits != 32)
        return "an image with an invalid bit count";
    const std::uint64_t stride = (static_cast<std::uint64_t>(bits) * image.width + 31) / 32 * 4;
    const std::uint64_t rows =
        image.height < 0 ? -static_cast<std::int64_t>(image.height) : image.height;
    if (stride * rows > kLargestImage || image.sectionSize != stride * rows)
        return "a section size that is not the image's, or beyond 256 MB";
    // The info header is the file's, but for the two fields it completes.
    for (std::size_t i = 0; i < image.info.size(); ++i) {
        const bool completed = (i >= kImageSizeField && i < kImageSizeField + 4) ||
                               (i >= kColoursUsedField && i < kColoursUsedField + 4);
        if (!completed && image.info[i] != data[kBmpFileHeaderSize + i])
            return "info header or colour table differs from the file";
    }
    if (Le32(image.info.data() + kImageSizeField) != image.imageSize)
        return "image size field differs from the image size";
    return {};
}

std::vector<std::uint8_t> SeedBitmap(std::int32_t width, std::int32_t height, int bits)
{
    const std::uint32_t colours = bits <= 8 ? 1u << bits : 0;
    const std::uint32_t stride = (static_cast<std::uint32_t>(bits) * width + 31) / 32 * 4;
    const std::uint32_t rows = static_cast<std::uint32_t>(height < 0 ? -height : height);
    const std::uint32_t offset = static_cast<std::uint32_t>(kColourTableStart) + 4 * colours;
    std::vector<std::uint8_t> out = {'B', 'M'};
    PutLe(out, offset + stride * rows, 4);
    PutLe(out, 0, 4);
    PutLe(out, offset, 4);
    PutLe(out, kBmpInfoHeaderSize, 4);
    PutLe(out, static_cast<std::uint32_t>(width), 4);
    PutLe(out, static_cast<std::uint32_t>(height), 4);
    PutLe(out, 1, 2);
    PutLe(out, static_cast<std::uint32_t>(bits), 2);
    PutLe(out, 0, 4); // no compression
    PutLe(out, stride * rows, 4);
    PutLe(out, 2835, 4);
    PutLe(out, 2835, 4);
    PutLe(out, colours, 4);
    PutLe(out, 0, 4);
    for (std::uint32_t c = 0; c < colours; ++c)
        PutLe(out, c * 0x010101u, 4);
    for (std::uint32_t i = 0; i < stride * rows; ++i)
        out.push_back(static_cast<std::uint8_t>(i * 7));
    return out;
}

} // namespace

std::string CheckBmpLogo(const std::uint8_t* data, std::size_t size)
{
    BmpImage image;
    if (ReadBmp(data, size, image) != BmpStatus::Ok)
        return {};
    if (std::string broken = CheckImage(data, size, image); !broken.empty())
        return "logo: " + broken;
    return {};
}

std::vector<std::vector<std::uint8_t>> BmpLogoSeeds()
{
    return {SeedBitmap(5, 3, 1),  SeedBitmap(7, -4, 4),  SeedBitmap(16, 16, 8),
            SeedBitmap(3, 2, 24), SeedBitmap(2, -2, 32), SeedBitmap(4, 4, 16)};
}
