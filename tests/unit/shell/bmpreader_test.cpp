// The logo reader on hand-built bitmap files.
#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "bmpreader.h"

namespace {

void Put32(std::vector<std::uint8_t>& b, std::size_t at, std::uint32_t v)
{
    for (int i = 0; i < 4; ++i)
        b[at + i] = static_cast<std::uint8_t>(v >> (8 * i));
}

std::uint32_t Get32(const std::vector<std::uint8_t>& b, std::size_t at)
{
    return b[at] | (b[at + 1] << 8) | (b[at + 2] << 16) | (std::uint32_t(b[at + 3]) << 24);
}

// A file of width x height at bits per pixel with colours table entries and
// the pixel data right after the table; image size and colour count fields
// as given.
std::vector<std::uint8_t> MakeBmp(int bits, int width, int height, std::uint32_t coloursField,
                                  std::uint32_t tableEntries, std::uint32_t imageSizeField = 0)
{
    const std::uint32_t stride = ((bits * width + 31) / 32) * 4;
    const std::uint32_t pixels = stride * (height < 0 ? -height : height);
    const std::uint32_t offset = 54 + 4 * tableEntries;
    std::vector<std::uint8_t> b(offset + pixels, 0);
    b[0] = 'B';
    b[1] = 'M';
    Put32(b, 2, static_cast<std::uint32_t>(b.size()));
    Put32(b, 10, offset);
    Put32(b, 14, 40);
    Put32(b, 18, static_cast<std::uint32_t>(width));
    Put32(b, 22, static_cast<std::uint32_t>(height));
    b[26] = 1;
    b[28] = static_cast<std::uint8_t>(bits);
    Put32(b, 34, imageSizeField);
    Put32(b, 46, coloursField);
    for (std::size_t i = 54; i < offset; ++i)
        b[i] = static_cast<std::uint8_t>(i);
    b.back() = 0xAB;
    return b;
}

TEST(BmpReader, AcceptsEveryPixelDepthWithItsColourTable)
{
    const struct {
        int bits;
        std::uint32_t table;
    } depths[] = {{1, 2}, {4, 16}, {8, 256}, {16, 0}, {24, 0}, {32, 0}};
    for (const auto& d : depths) {
        const std::vector<std::uint8_t> file = MakeBmp(d.bits, 5, 3, 0, d.table);
        BmpImage image;
        ASSERT_EQ(ReadBmp(file.data(), file.size(), image), BmpStatus::Ok) << d.bits;
        EXPECT_EQ(image.colours, d.table) << d.bits;
        EXPECT_EQ(image.info.size(), 40 + 4 * d.table) << d.bits;
        EXPECT_EQ(image.imageSize, ((d.bits * 5 + 31) / 32) * 4 * 3u) << d.bits;
        EXPECT_EQ(Get32(image.info, 20), image.imageSize) << "image size written into the header";
        EXPECT_EQ(image.pixelOffset + image.imageSize, file.size()) << d.bits;
        EXPECT_EQ(image.sectionSize, image.imageSize) << d.bits;
        if (d.table > 0) {
            EXPECT_EQ(Get32(image.info, 32), d.table) << "colour count written into the header";
        }
    }
}

TEST(BmpReader, TakesTheStatedColourCountAndImageSize)
{
    const std::vector<std::uint8_t> file = MakeBmp(8, 4, 4, 3, 3, 16);
    BmpImage image;
    ASSERT_EQ(ReadBmp(file.data(), file.size(), image), BmpStatus::Ok);
    EXPECT_EQ(image.colours, 3u);
    EXPECT_EQ(image.imageSize, 16u);
    EXPECT_EQ(image.info[40], 54) << "colour table copied from right after the info header";
}

TEST(BmpReader, RefusesDamagedFiles)
{
    std::vector<std::uint8_t> good = MakeBmp(24, 4, 2, 0, 0);
    struct Case {
        const char* what;
        std::vector<std::uint8_t> file;
        BmpStatus status;
    };
    std::vector<Case> cases;
    cases.push_back({"13 bytes", std::vector<std::uint8_t>(good.begin(), good.begin() + 13),
                     BmpStatus::ShortFileHeader});
    auto ba = good;
    ba[1] = 'A';
    cases.push_back({"BA", ba, BmpStatus::NotBitmap});
    cases.push_back({"cut info header", std::vector<std::uint8_t>(good.begin(), good.begin() + 53),
                     BmpStatus::ShortInfoHeader});
    auto core = good;
    Put32(core, 14, 12);
    cases.push_back({"OS/2 header", core, BmpStatus::BadInfoSize});
    cases.push_back({"2 bits", MakeBmp(2, 4, 2, 0, 4), BmpStatus::BadBitCount});
    auto zeroWidth = good;
    Put32(zeroWidth, 18, 0);
    cases.push_back({"width 0", zeroWidth, BmpStatus::BadDimensions});
    auto huge = good;
    Put32(huge, 18, 0x7FFFFFFF);
    Put32(huge, 22, 0x7FFFFFFF);
    cases.push_back({"huge", huge, BmpStatus::BadDimensions});
    auto manyColours = MakeBmp(8, 4, 2, 0, 0);
    cases.push_back({"8 bits without table", manyColours, BmpStatus::ShortColourTable});
    cases.push_back({"cut pixels", std::vector<std::uint8_t>(good.begin(), good.end() - 1),
                     BmpStatus::ShortPixels});
    auto farOffset = good;
    Put32(farOffset, 10, 0xFFFFFFF0u);
    cases.push_back({"offset past the end", farOffset, BmpStatus::ShortPixels});
    auto bigSize = good;
    Put32(bigSize, 34, 0xFFFFFFF0u);
    cases.push_back({"image size past the end", bigSize, BmpStatus::ShortPixels});
    for (const Case& c : cases) {
        BmpImage image;
        EXPECT_EQ(ReadBmp(c.file.data(), c.file.size(), image), c.status) << c.what;
    }
}

} // namespace
