// libFuzzer target of the logo reader: any byte string is either refused or
// gives an image whose header block, colour table and pixels lie inside the
// input. Build: cmake --build build/host --target bmp_reader_fuzzer; run:
// build/host/bin/bmp_reader_fuzzer -max_total_time=60 -max_len=4096
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "bmpreader.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    BmpImage image;
    if (ReadBmp(data, size, image) != BmpStatus::Ok)
        return 0;
    const bool inside = image.pixelOffset <= size && image.imageSize <= size - image.pixelOffset &&
                        image.info.size() == kBmpInfoHeaderSize + 4 * std::size_t{image.colours} &&
                        kBmpFileHeaderSize + image.info.size() <= size && image.width > 0 &&
                        image.height != 0;
    if (!inside)
        std::abort();
    return 0;
}
