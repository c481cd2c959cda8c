// graphrecord.cpp - byte layout of the graph record (see graphrecord.h).
#include "graphrecord.h"

#include <algorithm>
#include <bit>
#include <cstring>
#include <type_traits>

const std::uint8_t kGraphMarker[kGraphMarkerSize] = {'T', 'G', '\r', '\n'};

namespace {

// The file is little-endian whatever the host: a value is copied whole and
// its bytes put in file order (nothing to do on a little-endian host).
template <typename T> T FileOrder(T v)
{
    if constexpr (std::endian::native == std::endian::little) {
        return v;
    } else {
        T swapped = 0;
        for (std::size_t i = 0; i < sizeof(T); ++i)
            swapped = static_cast<T>((swapped << 8) | ((v >> (8 * i)) & 0xFF));
        return swapped;
    }
}

// Little-endian field writer over a fixed buffer; offsets advance field by
// field in the order of the file layout. Arrays of words go in one copy.
class LeWriter {
public:
    explicit LeWriter(std::uint8_t* out) : p_(out) {}
    void U16(std::uint16_t v) { Put(v); }
    void I16(std::int16_t v) { U16(static_cast<std::uint16_t>(v)); }
    void U32(std::uint32_t v) { Put(v); }
    void I32(std::int32_t v) { U32(static_cast<std::uint32_t>(v)); }
    void F64(double v) { Put(std::bit_cast<std::uint64_t>(v)); }
    template <typename T, std::size_t N> void Words(const T (&values)[N])
    {
        using U = std::make_unsigned_t<T>;
        U file[N];
        for (std::size_t i = 0; i < N; ++i)
            file[i] = FileOrder(static_cast<U>(values[i]));
        Raw(file, sizeof file);
    }
    void Raw(const void* bytes, std::size_t size)
    {
        std::memcpy(p_, bytes, size);
        p_ += size;
    }

private:
    template <typename U> void Put(U v)
    {
        v = FileOrder(v);
        Raw(&v, sizeof v);
    }
    std::uint8_t* p_;
};

class LeReader {
public:
    explicit LeReader(const std::uint8_t* in) : p_(in) {}
    std::uint16_t U16() { return Get<std::uint16_t>(); }
    std::int16_t I16() { return static_cast<std::int16_t>(U16()); }
    std::uint32_t U32() { return Get<std::uint32_t>(); }
    std::int32_t I32() { return static_cast<std::int32_t>(U32()); }
    double F64() { return std::bit_cast<double>(Get<std::uint64_t>()); }
    template <typename T, std::size_t N> void Words(T (&values)[N])
    {
        using U = std::make_unsigned_t<T>;
        U file[N];
        Raw(file, sizeof file);
        for (std::size_t i = 0; i < N; ++i)
            values[i] = static_cast<T>(FileOrder(file[i]));
    }
    void Raw(void* bytes, std::size_t size)
    {
        std::memcpy(bytes, p_, size);
        p_ += size;
    }

private:
    template <typename U> U Get()
    {
        U v;
        Raw(&v, sizeof v);
        return FileOrder(v);
    }
    const std::uint8_t* p_;
};

bool ReadExactly(ByteSource& source, void* dest, std::size_t count)
{
    auto* p = static_cast<std::uint8_t*>(dest);
    while (count > 0) {
        std::size_t got = source.Read(p, count);
        if (got == 0)
            return false;
        p += got;
        count -= got;
    }
    return true;
}

// Samples arrive in slices, so the buffer never outgrows the data present.
// Each slice is read straight into the sample buffer and turned into samples
// where it lies.
constexpr std::size_t kSampleSlice = 32768;

bool ReadSamples(ByteSource& source, std::size_t count, std::vector<std::int16_t>& samples)
{
    samples.clear();
    while (samples.size() < count) {
        std::size_t at = samples.size();
        std::size_t n = std::min(count - at, kSampleSlice);
        samples.resize(at + n);
        auto* bytes = reinterpret_cast<std::uint8_t*>(samples.data() + at);
        if (!ReadExactly(source, bytes, 2 * n)) {
            samples.resize(at);
            return false;
        }
        DecodeSamples(bytes, n, samples.data() + at);
    }
    return true;
}

} // namespace

void SetFixedText(char* field, std::size_t size, const std::string& text)
{
    if (size == 0)
        return;
    std::memset(field, 0, size);
    std::memcpy(field, text.data(), std::min(text.size(), size - 1));
}

std::string FixedText(const char* field, std::size_t size)
{
    const char* end = static_cast<const char*>(std::memchr(field, 0, size));
    return std::string(field, end ? static_cast<std::size_t>(end - field) : size);
}

std::string TerminatedText(const char* field, std::size_t size)
{
    return size == 0 ? std::string() : FixedText(field, size - 1);
}

void EncodeGraphBlock(const GraphBlockImage& b, std::uint8_t out[kGraphBlockSize])
{
    LeWriter w(out);
    w.I16(b.nMaxBit);                           // 0
    w.I16(b.nMinBit);                           // 2
    w.I16(b.nZoomMinBit);                       // 4
    w.I16(b.nZoomMaxBit);                       // 6
    w.Words(b.rcPlot);                          // 8
    w.F64(b.dTimeMin);                          // 16
    w.F64(b.dTimeMax);                          // 24
    w.F64(b.dZoomTimeMin);                      // 32
    w.F64(b.dZoomTimeMax);                      // 40
    w.F64(b.dMaxValue);                         // 48
    w.F64(b.dMinValue);                         // 56
    w.F64(b.dSpare);                            // 64
    w.U32(b.nXLines);                           // 72
    w.U32(b.nYLines);                           // 76
    w.Raw(b.szAxisLabel, sizeof b.szAxisLabel); // 80
    w.I32(b.bDragging);                         // 100
    w.Words(b.nSpare1);                         // 104
    w.I32(b.bPaintEnabled);                     // 112
    w.I32(b.bRedraw);                           // 116
    w.Words(b.rcDrag);                          // 120
    w.U32(b.hPopupMenu);                        // 136
    w.U32(b.hGraphList);                        // 140
    w.I32(b.nTimeFormat);                       // 144
    w.U32(b.nGraphs);                           // 148
    w.Words(b.nShown);                          // 152
    w.I32(b.nSpare2);                           // 168
    w.I32(b.nStyle);                            // 172
    w.Raw(b.szNotes, sizeof b.szNotes);         // 176
    w.I32(b.nCursorMode);                       // 1176
    w.F64(b.dCursorTime);                       // 1180
    w.Words(b.pGraphs);                         // 1188 .. 5284
}

void DecodeGraphBlock(const std::uint8_t in[kGraphBlockSize], GraphBlockImage& b)
{
    LeReader r(in);
    b.nMaxBit = r.I16();
    b.nMinBit = r.I16();
    b.nZoomMinBit = r.I16();
    b.nZoomMaxBit = r.I16();
    r.Words(b.rcPlot);
    b.dTimeMin = r.F64();
    b.dTimeMax = r.F64();
    b.dZoomTimeMin = r.F64();
    b.dZoomTimeMax = r.F64();
    b.dMaxValue = r.F64();
    b.dMinValue = r.F64();
    b.dSpare = r.F64();
    b.nXLines = r.U32();
    b.nYLines = r.U32();
    r.Raw(b.szAxisLabel, sizeof b.szAxisLabel);
    b.bDragging = r.I32();
    r.Words(b.nSpare1);
    b.bPaintEnabled = r.I32();
    b.bRedraw = r.I32();
    r.Words(b.rcDrag);
    b.hPopupMenu = r.U32();
    b.hGraphList = r.U32();
    b.nTimeFormat = r.I32();
    b.nGraphs = r.U32();
    r.Words(b.nShown);
    b.nSpare2 = r.I32();
    b.nStyle = r.I32();
    r.Raw(b.szNotes, sizeof b.szNotes);
    b.nCursorMode = r.I32();
    b.dCursorTime = r.F64();
    r.Words(b.pGraphs);
}

void EncodeGraphHeader(const GraphImage& g, std::uint8_t out[kGraphHeaderSize])
{
    LeWriter w(out);
    w.I32(g.nSize);                   // 0
    w.U32(g.nBuffEnd);                // 4
    w.F64(g.dTimeBase);               // 8
    w.F64(g.dMinValue);               // 16
    w.F64(g.dMaxValue);               // 24
    w.I16(g.nMinBit);                 // 32
    w.I16(g.nMaxBit);                 // 34
    w.Raw(g.szUnit, sizeof g.szUnit); // 36
    w.Raw(g.szName, sizeof g.szName); // 46
    w.U32(g.pData);                   // 76
    w.U32(g.hItem);                   // 80 .. 84
}

void DecodeGraphHeader(const std::uint8_t in[kGraphHeaderSize], GraphImage& g)
{
    LeReader r(in);
    g.nSize = r.I32();
    g.nBuffEnd = r.U32();
    g.dTimeBase = r.F64();
    g.dMinValue = r.F64();
    g.dMaxValue = r.F64();
    g.nMinBit = r.I16();
    g.nMaxBit = r.I16();
    r.Raw(g.szUnit, sizeof g.szUnit);
    r.Raw(g.szName, sizeof g.szName);
    g.pData = r.U32();
    g.hItem = r.U32();
}

void EncodeSamples(const std::int16_t* samples, std::size_t count, std::uint8_t* out)
{
    if (count == 0)
        return; // an empty graph's buffer may be no buffer at all
    if constexpr (std::endian::native == std::endian::little) {
        std::memcpy(out, samples, 2 * count);
    } else {
        for (std::size_t i = 0; i < count; ++i) {
            std::uint16_t v = FileOrder(static_cast<std::uint16_t>(samples[i]));
            std::memcpy(out + 2 * i, &v, 2);
        }
    }
}

// in may be the bytes of samples itself: each sample is read before it is
// written, and only its own two bytes.
void DecodeSamples(const std::uint8_t* in, std::size_t count, std::int16_t* samples)
{
    if (count == 0)
        return;
    if constexpr (std::endian::native == std::endian::little) {
        std::memmove(samples, in, 2 * count);
    } else {
        for (std::size_t i = 0; i < count; ++i) {
            std::uint16_t v;
            std::memcpy(&v, in + 2 * i, 2);
            samples[i] = static_cast<std::int16_t>(FileOrder(v));
        }
    }
}

std::size_t GraphRecordLength(const GraphWindowImage& window)
{
    std::size_t length = kGraphRecordFixedSize;
    for (const GraphImage& g : window.graphs)
        length += kGraphHeaderSize + 2 * static_cast<std::size_t>(std::max(g.nSize, 0));
    return length;
}

void AppendGraphRecord(const GraphWindowImage& window, std::vector<std::uint8_t>& out)
{
    std::size_t at = out.size();
    out.resize(at + GraphRecordLength(window));
    std::uint8_t* p = out.data() + at;
    std::memcpy(p, kGraphMarker, kGraphMarkerSize);
    p += kGraphMarkerSize;
    std::memcpy(p, window.szTitle, kGraphTitleSize);
    p += kGraphTitleSize;
    GraphBlockImage block = window.block;
    block.nGraphs = static_cast<std::uint32_t>(window.graphs.size());
    EncodeGraphBlock(block, p);
    p += kGraphBlockSize;
    for (const GraphImage& g : window.graphs) {
        EncodeGraphHeader(g, p);
        p += kGraphHeaderSize;
        std::size_t size = static_cast<std::size_t>(std::max(g.nSize, 0));
        std::size_t have = std::min(size, g.samples.size());
        EncodeSamples(g.samples.data(), have, p);
        std::memset(p + 2 * have, 0, 2 * (size - have));
        p += 2 * size;
    }
}

std::size_t MemoryByteSource::Read(void* dest, std::size_t count)
{
    std::size_t n = std::min(count, size_ - pos_);
    if (n > 0)
        std::memcpy(dest, data_ + pos_, n);
    pos_ += n;
    return n;
}

bool ByteSource::SkipPast(const std::uint8_t* marker, std::size_t size)
{
    // One byte at a time, so that the file position ends right after the
    // marker. The fallback to "1 byte matched" is exact for markers whose
    // first byte occurs nowhere else in them, as in "TG\r\n".
    std::size_t matched = 0;
    while (matched < size) {
        std::uint8_t byte;
        if (Read(&byte, 1) != 1)
            return false;
        if (byte == marker[matched])
            ++matched;
        else
            matched = (byte == marker[0]) ? 1 : 0;
    }
    return true;
}

bool MemoryByteSource::SkipPast(const std::uint8_t* marker, std::size_t size)
{
    const std::uint8_t* end = data_ + size_;
    const std::uint8_t* found = std::search(data_ + pos_, end, marker, marker + size);
    if (found == end) {
        pos_ = size_;
        return false;
    }
    pos_ = static_cast<std::size_t>(found - data_) + size;
    return true;
}

bool FindGraphMarker(ByteSource& source)
{
    return source.SkipPast(kGraphMarker, kGraphMarkerSize);
}

GraphReadResult ReadGraphRecord(ByteSource& source, GraphWindowImage& window)
{
    auto fail = [](GraphReadStatus status, int index = -1) {
        return GraphReadResult{status, index};
    };
    window.graphs.clear();
    if (!FindGraphMarker(source))
        return fail(GraphReadStatus::MarkerNotFound);
    if (!ReadExactly(source, window.szTitle, kGraphTitleSize))
        return fail(GraphReadStatus::TruncatedTitle);
    std::uint8_t block[kGraphBlockSize];
    if (!ReadExactly(source, block, sizeof block))
        return fail(GraphReadStatus::TruncatedBlock);
    DecodeGraphBlock(block, window.block);
    if (window.block.nGraphs > kGraphFileMaxGraphs)
        return fail(GraphReadStatus::TooManyGraphs);

    for (std::uint32_t i = 0; i < window.block.nGraphs; ++i) {
        int index = static_cast<int>(i);
        std::uint8_t header[kGraphHeaderSize];
        if (!ReadExactly(source, header, sizeof header))
            return fail(GraphReadStatus::TruncatedHeader, index);
        GraphImage& g = window.graphs.emplace_back();
        DecodeGraphHeader(header, g);
        if (g.nSize < 0)
            return fail(GraphReadStatus::NegativeSize, index);
        if (!ReadSamples(source, static_cast<std::size_t>(g.nSize), g.samples))
            return fail(GraphReadStatus::TruncatedSamples, index);
    }
    return {};
}

std::string DescribeGraphReadResult(const GraphReadResult& result)
{
    std::string graph = "graph " + std::to_string(result.graphIndex + 1) + ": ";
    switch (result.status) {
    case GraphReadStatus::Ok:
        return "graph record read";
    case GraphReadStatus::MarkerNotFound:
        return "no graph record marker \"TG\\r\\n\" before the end of the file";
    case GraphReadStatus::TruncatedTitle:
        return "graph record cut short in its 80-byte title";
    case GraphReadStatus::TruncatedBlock:
        return "graph record cut short in its 5284-byte window block";
    case GraphReadStatus::TooManyGraphs:
        return "window block announces more than 1024 graphs";
    case GraphReadStatus::TruncatedHeader:
        return graph + "graph header cut short (84 bytes expected)";
    case GraphReadStatus::NegativeSize:
        return graph + "negative capacity nSize";
    case GraphReadStatus::TruncatedSamples:
        return graph + "fewer samples in the file than its capacity nSize";
    }
    return "unknown graph record failure";
}
