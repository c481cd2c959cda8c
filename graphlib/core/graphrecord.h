// graphrecord.h - the graph record of a graph window as it is stored in files.
//
// A graph record is the byte image of one graph window: the marker "TG\r\n",
// the 80-byte title, the 5284-byte window block and, per graph, the 84-byte
// graph header followed by all nSize samples. Every number is little-endian
// and written field by field; pointer and handle fields take 4 bytes, so the
// 32- and the 64-bit library write the same bytes. This codec knows no
// windows: varnok.dll (_SaveGraph, _LoadGraph), the .klv document codec and
// klvtool all share it.
#ifndef GRAPHRECORD_H
#define GRAPHRECORD_H

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

constexpr std::size_t kGraphMarkerSize = 4;
constexpr std::size_t kGraphTitleSize = 80;
constexpr std::size_t kGraphBlockSize = 5284;
constexpr std::size_t kGraphHeaderSize = 84;
constexpr std::size_t kGraphRecordFixedSize = kGraphMarkerSize + kGraphTitleSize + kGraphBlockSize;
constexpr std::uint32_t kGraphFileMaxGraphs = 1024;
extern const std::uint8_t kGraphMarker[kGraphMarkerSize]; // "TG\r\n"

// The window block, every field of the file (those that a load does not take
// over are kept too, so that a record read and written again is unchanged).
struct GraphBlockImage {
    std::int16_t nMaxBit = 4095;
    std::int16_t nMinBit = 0;
    std::int16_t nZoomMinBit = 0;
    std::int16_t nZoomMaxBit = 4095;
    std::int16_t rcPlot[4] = {}; // left, right, bottom, top
    double dTimeMin = 0.0;
    double dTimeMax = 1.0e8;
    double dZoomTimeMin = 0.0;
    double dZoomTimeMax = 1.0e8;
    double dMaxValue = 4095.0;
    double dMinValue = 0.0;
    double dSpare = 100.0;
    std::uint32_t nXLines = 5;
    std::uint32_t nYLines = 10;
    char szAxisLabel[20] = {};
    std::int32_t bDragging = 0;
    std::int32_t nSpare1[2] = {1, 1};
    std::int32_t bPaintEnabled = 1;
    std::int32_t bRedraw = 1;
    std::int32_t rcDrag[4] = {};  // left, top, right, bottom
    std::uint32_t hPopupMenu = 0; // handle, 4 bytes in the file
    std::uint32_t hGraphList = 0; // handle, 4 bytes in the file
    std::int32_t nTimeFormat = 1;
    std::uint32_t nGraphs = 0; // the number of graphs that follow
    std::int32_t nShown[4] = {};
    std::int32_t nSpare2 = 0;
    std::int32_t nStyle = 0;
    char szNotes[1000] = {};
    std::int32_t nCursorMode = 1;
    double dCursorTime = 0.0;
    std::uint32_t pGraphs[1024] = {}; // pointers, 4 bytes each in the file
};

// One graph: its 84-byte header and its whole buffer.
struct GraphImage {
    std::int32_t nSize = 0;
    std::uint32_t nBuffEnd = 0;
    double dTimeBase = 0.0;
    double dMinValue = 0.0;
    double dMaxValue = 0.0;
    std::int16_t nMinBit = 0;
    std::int16_t nMaxBit = 0;
    char szUnit[10] = {};
    char szName[30] = {};
    std::uint32_t pData = 0;           // pointer, 4 bytes in the file
    std::uint32_t hItem = 0;           // handle, 4 bytes in the file
    std::vector<std::int16_t> samples; // nSize samples once read
};

// A whole graph record: title, window block and graphs.
struct GraphWindowImage {
    char szTitle[kGraphTitleSize] = {};
    GraphBlockImage block;
    std::vector<GraphImage> graphs; // block.nGraphs entries once read
};

// Copies text into a fixed field: at most size - 1 characters, then NUL,
// and zeros up to the end of the field.
void SetFixedText(char* field, std::size_t size, const std::string& text);
// The text of a fixed field: up to its first NUL or the end of the field.
std::string FixedText(const char* field, std::size_t size);
// The text of a NUL-terminated field as a load takes it over: up to its first
// NUL, at most size - 1 characters (a field without a terminator is cut).
std::string TerminatedText(const char* field, std::size_t size);

// ---- encoding -------------------------------------------------------------

void EncodeGraphBlock(const GraphBlockImage& block, std::uint8_t out[kGraphBlockSize]);
void DecodeGraphBlock(const std::uint8_t in[kGraphBlockSize], GraphBlockImage& block);
void EncodeGraphHeader(const GraphImage& graph, std::uint8_t out[kGraphHeaderSize]);
void DecodeGraphHeader(const std::uint8_t in[kGraphHeaderSize], GraphImage& graph);
// count samples as little-endian 16-bit values into out (2 x count bytes).
void EncodeSamples(const std::int16_t* samples, std::size_t count, std::uint8_t* out);
void DecodeSamples(const std::uint8_t* in, std::size_t count, std::int16_t* samples);

// Appends the whole record to out. Writes block.nGraphs as graphs.size() and
// each graph's nSize samples (a shorter sample vector is padded with zeros, a
// longer one cut), so the record is always well formed.
void AppendGraphRecord(const GraphWindowImage& window, std::vector<std::uint8_t>& out);
// The length of the record AppendGraphRecord writes.
std::size_t GraphRecordLength(const GraphWindowImage& window);

// ---- reading --------------------------------------------------------------

// Where a record is read from: a file handle, a buffer.
class ByteSource {
public:
    virtual ~ByteSource() = default;
    // Reads up to count bytes; the result is the number delivered (0 at end).
    virtual std::size_t Read(void* dest, std::size_t count) = 0;
    // Consumes everything up to and including the first occurrence of the
    // marker; false (all consumed) when the data end first. The default
    // reads one byte at a time, never past the marker.
    virtual bool SkipPast(const std::uint8_t* marker, std::size_t size);
};

class MemoryByteSource : public ByteSource {
public:
    MemoryByteSource(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}
    std::size_t Read(void* dest, std::size_t count) override;
    bool SkipPast(const std::uint8_t* marker, std::size_t size) override; // searches in place
    std::size_t Position() const { return pos_; }
    std::size_t Remaining() const { return size_ - pos_; }

private:
    const std::uint8_t* data_;
    std::size_t size_;
    std::size_t pos_ = 0;
};

enum class GraphReadStatus {
    Ok,
    MarkerNotFound, // end of data before "TG\r\n"
    TruncatedTitle,
    TruncatedBlock,
    TooManyGraphs,    // nGraphs above 1024
    TruncatedHeader,  // a graph header cut short
    NegativeSize,     // a graph with nSize below 0
    TruncatedSamples, // fewer samples than nSize
};

struct GraphReadResult {
    GraphReadStatus status = GraphReadStatus::Ok;
    int graphIndex = -1; // the graph concerned, for the per-graph failures
    explicit operator bool() const { return status == GraphReadStatus::Ok; }
};

// Skips forward to just past the marker: bytes before it are junk. False
// when the data end first. A file is read one byte at a time as the library
// does, so that the next record starts right after this one.
bool FindGraphMarker(ByteSource& source);

// Reads one graph record: marker search, title, block, then every graph with
// all its samples. Nothing is taken on trust: a count or size that the data
// do not back is refused, and sample buffers grow only as data arrive, so a
// lying header can neither make the reader run past the data nor allocate
// more than the data hold. On failure window holds what was read so far.
GraphReadResult ReadGraphRecord(ByteSource& source, GraphWindowImage& window);

// A sentence naming what is wrong, for messages ("graph 2: samples cut short").
std::string DescribeGraphReadResult(const GraphReadResult& result);

#endif
