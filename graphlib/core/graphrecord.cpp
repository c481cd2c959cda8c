// graphrecord.cpp - byte layout of the graph record (see graphrecord.h).
#include "graphrecord.h"

#include <algorithm>
#include <cstring>

const std::uint8_t kGraphMarker[kGraphMarkerSize] = {'T', 'G', '\r', '\n'};

namespace {

// Little-endian field writer over a fixed buffer; offsets advance field by
// field in the order of the file layout.
class LeWriter {
public:
    explicit LeWriter(std::uint8_t* out) : p_(out) {}
    void U16(std::uint16_t v) { Bytes(v, 2); }
    void I16(std::int16_t v) { U16(static_cast<std::uint16_t>(v)); }
    void U32(std::uint32_t v) { Bytes(v, 4); }
    void I32(std::int32_t v) { U32(static_cast<std::uint32_t>(v)); }
    void F64(double v) {
        std::uint64_t bits;
        std::memcpy(&bits, &v, 8);
        Bytes(bits, 8);
    }
    void Raw(const char* text, std::size_t size) {
        std::memcpy(p_, text, size);
        p_ += size;
    }
    std::size_t Written(const std::uint8_t* start) const { return static_cast<std::size_t>(p_ - start); }

private:
    void Bytes(std::uint64_t v, int n) {
        for (int i = 0; i < n; ++i) *p_++ = static_cast<std::uint8_t>(v >> (8 * i));
    }
    std::uint8_t* p_;
};

class LeReader {
public:
    explicit LeReader(const std::uint8_t* in) : p_(in) {}
    std::uint16_t U16() { return static_cast<std::uint16_t>(Bytes(2)); }
    std::int16_t I16() { return static_cast<std::int16_t>(U16()); }
    std::uint32_t U32() { return static_cast<std::uint32_t>(Bytes(4)); }
    std::int32_t I32() { return static_cast<std::int32_t>(U32()); }
    double F64() {
        std::uint64_t bits = Bytes(8);
        double v;
        std::memcpy(&v, &bits, 8);
        return v;
    }
    void Raw(char* text, std::size_t size) {
        std::memcpy(text, p_, size);
        p_ += size;
    }

private:
    std::uint64_t Bytes(int n) {
        std::uint64_t v = 0;
        for (int i = 0; i < n; ++i) v |= static_cast<std::uint64_t>(*p_++) << (8 * i);
        return v;
    }
    const std::uint8_t* p_;
};

bool ReadExactly(ByteSource& source, void* dest, std::size_t count) {
    auto* p = static_cast<std::uint8_t*>(dest);
    while (count > 0) {
        std::size_t got = source.Read(p, count);
        if (got == 0) return false;
        p += got;
        count -= got;
    }
    return true;
}

// Samples arrive in slices, so the buffer never outgrows the data present.
constexpr std::size_t kSampleSlice = 32768;

bool ReadSamples(ByteSource& source, std::size_t count, std::vector<std::int16_t>& samples) {
    samples.clear();
    std::vector<std::uint8_t> slice(2 * std::min(count, kSampleSlice));
    while (samples.size() < count) {
        std::size_t n = std::min(count - samples.size(), kSampleSlice);
        if (!ReadExactly(source, slice.data(), 2 * n)) return false;
        std::size_t at = samples.size();
        samples.resize(at + n);
        DecodeSamples(slice.data(), n, samples.data() + at);
    }
    return true;
}

}  // namespace

void SetFixedText(char* field, std::size_t size, const std::string& text) {
    if (size == 0) return;
    std::memset(field, 0, size);
    std::memcpy(field, text.data(), std::min(text.size(), size - 1));
}

std::string FixedText(const char* field, std::size_t size) {
    const char* end = static_cast<const char*>(std::memchr(field, 0, size));
    return std::string(field, end ? static_cast<std::size_t>(end - field) : size);
}

std::string TerminatedText(const char* field, std::size_t size) {
    return size == 0 ? std::string() : FixedText(field, size - 1);
}

void EncodeGraphBlock(const GraphBlockImage& b, std::uint8_t out[kGraphBlockSize]) {
    LeWriter w(out);
    w.I16(b.nMaxBit);                        // 0
    w.I16(b.nMinBit);                        // 2
    w.I16(b.nZoomMinBit);                    // 4
    w.I16(b.nZoomMaxBit);                    // 6
    for (std::int16_t v : b.rcPlot) w.I16(v);  // 8
    w.F64(b.dTimeMin);                       // 16
    w.F64(b.dTimeMax);                       // 24
    w.F64(b.dZoomTimeMin);                   // 32
    w.F64(b.dZoomTimeMax);                   // 40
    w.F64(b.dMaxValue);                      // 48
    w.F64(b.dMinValue);                      // 56
    w.F64(b.dSpare);                         // 64
    w.U32(b.nXLines);                        // 72
    w.U32(b.nYLines);                        // 76
    w.Raw(b.szAxisLabel, sizeof b.szAxisLabel);  // 80
    w.I32(b.bDragging);                      // 100
    for (std::int32_t v : b.nSpare1) w.I32(v);   // 104
    w.I32(b.bPaintEnabled);                  // 112
    w.I32(b.bRedraw);                        // 116
    for (std::int32_t v : b.rcDrag) w.I32(v);    // 120
    w.U32(b.hPopupMenu);                     // 136
    w.U32(b.hGraphList);                     // 140
    w.I32(b.nTimeFormat);                    // 144
    w.U32(b.nGraphs);                        // 148
    for (std::int32_t v : b.nShown) w.I32(v);    // 152
    w.I32(b.nSpare2);                        // 168
    w.I32(b.nStyle);                         // 172
    w.Raw(b.szNotes, sizeof b.szNotes);      // 176
    w.I32(b.nCursorMode);                    // 1176
    w.F64(b.dCursorTime);                    // 1180
    for (std::uint32_t v : b.pGraphs) w.U32(v);  // 1188 .. 5284
}

void DecodeGraphBlock(const std::uint8_t in[kGraphBlockSize], GraphBlockImage& b) {
    LeReader r(in);
    b.nMaxBit = r.I16();
    b.nMinBit = r.I16();
    b.nZoomMinBit = r.I16();
    b.nZoomMaxBit = r.I16();
    for (std::int16_t& v : b.rcPlot) v = r.I16();
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
    for (std::int32_t& v : b.nSpare1) v = r.I32();
    b.bPaintEnabled = r.I32();
    b.bRedraw = r.I32();
    for (std::int32_t& v : b.rcDrag) v = r.I32();
    b.hPopupMenu = r.U32();
    b.hGraphList = r.U32();
    b.nTimeFormat = r.I32();
    b.nGraphs = r.U32();
    for (std::int32_t& v : b.nShown) v = r.I32();
    b.nSpare2 = r.I32();
    b.nStyle = r.I32();
    r.Raw(b.szNotes, sizeof b.szNotes);
    b.nCursorMode = r.I32();
    b.dCursorTime = r.F64();
    for (std::uint32_t& v : b.pGraphs) v = r.U32();
}

void EncodeGraphHeader(const GraphImage& g, std::uint8_t out[kGraphHeaderSize]) {
    LeWriter w(out);
    w.I32(g.nSize);                          // 0
    w.U32(g.nBuffEnd);                       // 4
    w.F64(g.dTimeBase);                      // 8
    w.F64(g.dMinValue);                      // 16
    w.F64(g.dMaxValue);                      // 24
    w.I16(g.nMinBit);                        // 32
    w.I16(g.nMaxBit);                        // 34
    w.Raw(g.szUnit, sizeof g.szUnit);        // 36
    w.Raw(g.szName, sizeof g.szName);        // 46
    w.U32(g.pData);                          // 76
    w.U32(g.hItem);                          // 80 .. 84
}

void DecodeGraphHeader(const std::uint8_t in[kGraphHeaderSize], GraphImage& g) {
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

void EncodeSamples(const std::int16_t* samples, std::size_t count, std::uint8_t* out) {
    for (std::size_t i = 0; i < count; ++i) {
        auto v = static_cast<std::uint16_t>(samples[i]);
        out[2 * i] = static_cast<std::uint8_t>(v);
        out[2 * i + 1] = static_cast<std::uint8_t>(v >> 8);
    }
}

void DecodeSamples(const std::uint8_t* in, std::size_t count, std::int16_t* samples) {
    for (std::size_t i = 0; i < count; ++i)
        samples[i] = static_cast<std::int16_t>(in[2 * i] | (in[2 * i + 1] << 8));
}

std::size_t GraphRecordLength(const GraphWindowImage& window) {
    std::size_t length = kGraphRecordFixedSize;
    for (const GraphImage& g : window.graphs)
        length += kGraphHeaderSize + 2 * static_cast<std::size_t>(std::max(g.nSize, 0));
    return length;
}

void AppendGraphRecord(const GraphWindowImage& window, std::vector<std::uint8_t>& out) {
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

std::size_t MemoryByteSource::Read(void* dest, std::size_t count) {
    std::size_t n = std::min(count, size_ - pos_);
    if (n > 0) std::memcpy(dest, data_ + pos_, n);
    pos_ += n;
    return n;
}

bool FindGraphMarker(ByteSource& source) {
    std::size_t matched = 0;
    while (matched < kGraphMarkerSize) {
        std::uint8_t byte;
        if (source.Read(&byte, 1) != 1) return false;
        if (byte == kGraphMarker[matched])
            ++matched;
        else
            matched = (byte == kGraphMarker[0]) ? 1 : 0;
    }
    return true;
}

GraphReadResult ReadGraphRecord(ByteSource& source, GraphWindowImage& window) {
    auto fail = [](GraphReadStatus status, int index = -1) { return GraphReadResult{status, index}; };
    window.graphs.clear();
    if (!FindGraphMarker(source)) return fail(GraphReadStatus::MarkerNotFound);
    if (!ReadExactly(source, window.szTitle, kGraphTitleSize)) return fail(GraphReadStatus::TruncatedTitle);
    std::uint8_t block[kGraphBlockSize];
    if (!ReadExactly(source, block, sizeof block)) return fail(GraphReadStatus::TruncatedBlock);
    DecodeGraphBlock(block, window.block);
    if (window.block.nGraphs > kGraphFileMaxGraphs) return fail(GraphReadStatus::TooManyGraphs);

    for (std::uint32_t i = 0; i < window.block.nGraphs; ++i) {
        int index = static_cast<int>(i);
        std::uint8_t header[kGraphHeaderSize];
        if (!ReadExactly(source, header, sizeof header)) return fail(GraphReadStatus::TruncatedHeader, index);
        GraphImage& g = window.graphs.emplace_back();
        DecodeGraphHeader(header, g);
        if (g.nSize < 0) return fail(GraphReadStatus::NegativeSize, index);
        if (!ReadSamples(source, static_cast<std::size_t>(g.nSize), g.samples))
            return fail(GraphReadStatus::TruncatedSamples, index);
    }
    return {};
}

std::string DescribeGraphReadResult(const GraphReadResult& result) {
    std::string graph = "graph " + std::to_string(result.graphIndex + 1) + ": ";
    switch (result.status) {
    case GraphReadStatus::Ok: return "graph record read";
    case GraphReadStatus::MarkerNotFound: return "no graph record marker \"TG\\r\\n\" before the end of the file";
    case GraphReadStatus::TruncatedTitle: return "graph record cut short in its 80-byte title";
    case GraphReadStatus::TruncatedBlock: return "graph record cut short in its 5284-byte window block";
    case GraphReadStatus::TooManyGraphs: return "window block announces more than 1024 graphs";
    case GraphReadStatus::TruncatedHeader: return graph + "graph header cut short (84 bytes expected)";
    case GraphReadStatus::NegativeSize: return graph + "negative capacity nSize";
    case GraphReadStatus::TruncatedSamples: return graph + "fewer samples in the file than its capacity nSize";
    }
    return "unknown graph record failure";
}
