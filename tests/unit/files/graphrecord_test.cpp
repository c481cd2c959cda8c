// The graph record codec: offsets, lengths, marker search, unsafe input.
#include <gtest/gtest.h>

#include <cstring>
#include <ostream>
#include <random>
#include <string>
#include <vector>

#include "graphrecord.h"

namespace {

using Bytes = std::vector<std::uint8_t>;

std::uint32_t U32At(const Bytes& b, std::size_t at)
{
    return b[at] | b[at + 1] << 8 | b[at + 2] << 16 | static_cast<std::uint32_t>(b[at + 3]) << 24;
}
std::int16_t I16At(const Bytes& b, std::size_t at)
{
    return static_cast<std::int16_t>(b[at] | b[at + 1] << 8);
}
double F64At(const Bytes& b, std::size_t at)
{
    std::uint64_t bits = 0;
    for (int i = 0; i < 8; ++i)
        bits |= static_cast<std::uint64_t>(b[at + i]) << (8 * i);
    double v;
    std::memcpy(&v, &bits, 8);
    return v;
}

GraphImage ForceGraph(std::int32_t size, std::uint32_t buffEnd,
                      const char* name = "Forza di chiusura")
{
    GraphImage g;
    g.nSize = size;
    g.nBuffEnd = buffEnd;
    g.dTimeBase = 0.0016;
    g.dMaxValue = 300.0;
    g.nMaxBit = 4095;
    SetFixedText(g.szUnit, sizeof g.szUnit, "N");
    SetFixedText(g.szName, sizeof g.szName, name);
    g.samples.resize(size);
    for (std::int32_t i = 0; i < size; ++i)
        g.samples[i] = static_cast<std::int16_t>((i * 7) % 4096 - 5);
    return g;
}

GraphWindowImage WindowWith(std::vector<GraphImage> graphs, const std::string& title = "Forza")
{
    GraphWindowImage w;
    SetFixedText(w.szTitle, sizeof w.szTitle, title);
    w.graphs = std::move(graphs);
    w.block.nGraphs = static_cast<std::uint32_t>(w.graphs.size());
    return w;
}

Bytes Encode(const GraphWindowImage& w)
{
    Bytes out;
    AppendGraphRecord(w, out);
    return out;
}

GraphReadResult Decode(const Bytes& bytes, GraphWindowImage& w, std::size_t* consumed = nullptr)
{
    MemoryByteSource source(bytes.data(), bytes.size());
    GraphReadResult r = ReadGraphRecord(source, w);
    if (consumed)
        *consumed = source.Position();
    return r;
}

// Delivers one byte per read and searches the marker the way a file does
// (the default, byte by byte), to hold the in-memory search to the same result.
class TrickleSource : public ByteSource {
public:
    explicit TrickleSource(const Bytes& bytes) : memory_(bytes.data(), bytes.size()) {}
    std::size_t Read(void* dest, std::size_t count) override
    {
        return memory_.Read(dest, std::min<std::size_t>(count, 1));
    }
    std::size_t Position() const { return memory_.Position(); }

private:
    MemoryByteSource memory_;
};

// Reads bytes through both sources; expects the same outcome and position.
GraphReadResult DecodeBothWays(const Bytes& bytes, GraphWindowImage& w, std::size_t* consumed)
{
    GraphReadResult r = Decode(bytes, w, consumed);
    GraphWindowImage trickled;
    TrickleSource source(bytes);
    GraphReadResult t = ReadGraphRecord(source, trickled);
    EXPECT_EQ(t.status, r.status) << "byte-by-byte reading ends differently";
    EXPECT_EQ(source.Position(), *consumed) << "byte-by-byte reading stops elsewhere";
    return r;
}

} // namespace

TEST(GraphRecordLayout, EveryBlockFieldAtItsOffset)
{
    GraphBlockImage b;
    b.nMaxBit = 4095;
    b.nMinBit = -3;
    b.nZoomMinBit = 11;
    b.nZoomMaxBit = 2222;
    b.rcPlot[0] = 1;
    b.rcPlot[1] = 2;
    b.rcPlot[2] = 3;
    b.rcPlot[3] = 4;
    b.dTimeMin = -1.0;
    b.dTimeMax = 5.0;
    b.dZoomTimeMin = -0.5;
    b.dZoomTimeMax = 4.5;
    b.dMaxValue = 500.0;
    b.dMinValue = -2.0;
    b.dSpare = 100.0;
    b.nXLines = 6;
    b.nYLines = 10;
    SetFixedText(b.szAxisLabel, sizeof b.szAxisLabel, "Time [sec]");
    b.bDragging = 21;
    b.nSpare1[0] = 22;
    b.nSpare1[1] = 23;
    b.bPaintEnabled = 24;
    b.bRedraw = 25;
    b.rcDrag[0] = 26;
    b.rcDrag[3] = 29;
    b.hPopupMenu = 0xAABBCCDD;
    b.hGraphList = 31;
    b.nTimeFormat = 32;
    b.nGraphs = 0;
    b.nShown[0] = 1;
    b.nShown[3] = 4;
    b.nSpare2 = 35;
    b.nStyle = 8;
    SetFixedText(b.szNotes, sizeof b.szNotes, "Notiz");
    b.nCursorMode = 2;
    b.dCursorTime = 1.25;
    b.pGraphs[0] = 0x11223344;
    b.pGraphs[1023] = 0x55667788;

    Bytes out(kGraphBlockSize, 0xEE);
    EncodeGraphBlock(b, out.data());
    EXPECT_EQ(I16At(out, 0), 4095);
    EXPECT_EQ(I16At(out, 2), -3);
    EXPECT_EQ(I16At(out, 4), 11);
    EXPECT_EQ(I16At(out, 6), 2222);
    EXPECT_EQ(I16At(out, 8), 1);
    EXPECT_EQ(I16At(out, 14), 4);
    EXPECT_EQ(F64At(out, 16), -1.0);
    EXPECT_EQ(F64At(out, 24), 5.0);
    EXPECT_EQ(F64At(out, 32), -0.5);
    EXPECT_EQ(F64At(out, 40), 4.5);
    EXPECT_EQ(F64At(out, 48), 500.0);
    EXPECT_EQ(F64At(out, 56), -2.0);
    EXPECT_EQ(F64At(out, 64), 100.0);
    EXPECT_EQ(U32At(out, 72), 6u);
    EXPECT_EQ(U32At(out, 76), 10u);
    EXPECT_EQ(std::string(reinterpret_cast<char*>(&out[80])), "Time [sec]");
    EXPECT_EQ(U32At(out, 100), 21u);
    EXPECT_EQ(U32At(out, 104), 22u);
    EXPECT_EQ(U32At(out, 108), 23u);
    EXPECT_EQ(U32At(out, 112), 24u);
    EXPECT_EQ(U32At(out, 116), 25u);
    EXPECT_EQ(U32At(out, 120), 26u);
    EXPECT_EQ(U32At(out, 132), 29u);
    EXPECT_EQ(U32At(out, 136), 0xAABBCCDDu);
    EXPECT_EQ(U32At(out, 140), 31u);
    EXPECT_EQ(U32At(out, 144), 32u);
    EXPECT_EQ(U32At(out, 148), 0u);
    EXPECT_EQ(U32At(out, 152), 1u);
    EXPECT_EQ(U32At(out, 164), 4u);
    EXPECT_EQ(U32At(out, 168), 35u);
    EXPECT_EQ(U32At(out, 172), 8u);
    EXPECT_EQ(std::string(reinterpret_cast<char*>(&out[176])), "Notiz");
    EXPECT_EQ(U32At(out, 1176), 2u);
    EXPECT_EQ(F64At(out, 1180), 1.25);
    EXPECT_EQ(U32At(out, 1188), 0x11223344u);
    EXPECT_EQ(U32At(out, 5280), 0x55667788u);
    for (std::uint8_t byte : out)
        ASSERT_NE(byte, 0xEE) << "a byte of the block was not written";

    GraphBlockImage back;
    DecodeGraphBlock(out.data(), back);
    Bytes again(kGraphBlockSize);
    EncodeGraphBlock(back, again.data());
    EXPECT_EQ(again, out);
}

TEST(GraphRecordLayout, EveryGraphHeaderFieldAtItsOffset)
{
    GraphImage g = ForceGraph(3750, 1200, "Valore medio della forza");
    g.dMinValue = -7.5;
    g.nMinBit = -2;
    g.pData = 0xDEADBEEF;
    g.hItem = 0x01020304;
    Bytes out(kGraphHeaderSize, 0xEE);
    EncodeGraphHeader(g, out.data());
    EXPECT_EQ(U32At(out, 0), 3750u);
    EXPECT_EQ(U32At(out, 4), 1200u);
    EXPECT_EQ(F64At(out, 8), 0.0016);
    EXPECT_EQ(F64At(out, 16), -7.5);
    EXPECT_EQ(F64At(out, 24), 300.0);
    EXPECT_EQ(I16At(out, 32), -2);
    EXPECT_EQ(I16At(out, 34), 4095);
    EXPECT_EQ(std::string(reinterpret_cast<char*>(&out[36])), "N");
    EXPECT_EQ(std::string(reinterpret_cast<char*>(&out[46])), "Valore medio della forza");
    EXPECT_EQ(U32At(out, 76), 0xDEADBEEFu);
    EXPECT_EQ(U32At(out, 80), 0x01020304u);
}

TEST(GraphRecordLayout, SamplesAreLittleEndianSigned)
{
    const std::int16_t samples[] = {0, 1, -1, 4095, -32768, 32767};
    std::uint8_t out[12];
    EncodeSamples(samples, 6, out);
    const std::uint8_t expected[] = {0, 0, 1, 0, 0xFF, 0xFF, 0xFF, 0x0F, 0x00, 0x80, 0xFF, 0x7F};
    EXPECT_EQ(0, std::memcmp(out, expected, 12));
    std::int16_t back[6];
    DecodeSamples(out, 6, back);
    EXPECT_EQ(0, std::memcmp(back, samples, sizeof samples));
}

TEST(GraphRecordLength, EmptyWindowIs5368BytesAndReadsBack)
{
    GraphWindowImage w = WindowWith({}, "Leer");
    SetFixedText(w.block.szNotes, sizeof w.block.szNotes, "nur Notizen");
    Bytes bytes = Encode(w);
    ASSERT_EQ(bytes.size(), 5368u);
    EXPECT_EQ(0, std::memcmp(bytes.data(), "TG\r\n", 4));

    GraphWindowImage back;
    std::size_t consumed = 0;
    ASSERT_TRUE(Decode(bytes, back, &consumed));
    EXPECT_EQ(consumed, 5368u);
    EXPECT_EQ(FixedText(back.szTitle, sizeof back.szTitle), "Leer");
    EXPECT_EQ(FixedText(back.block.szNotes, sizeof back.block.szNotes), "nur Notizen");
    EXPECT_TRUE(back.graphs.empty());
}

TEST(GraphRecordLength, AllSamplesWrittenNotOnlyTheValidOnes)
{
    GraphWindowImage w = WindowWith({ForceGraph(3750, 1200)});
    Bytes bytes = Encode(w);
    ASSERT_EQ(bytes.size(), 5368u + 84u + 7500u); // 12952, one graph window of a new measurement

    GraphWindowImage back;
    ASSERT_TRUE(Decode(bytes, back));
    ASSERT_EQ(back.graphs.size(), 1u);
    EXPECT_EQ(back.graphs[0].nBuffEnd, 1200u);
    EXPECT_EQ(back.graphs[0].samples, w.graphs[0].samples); // beyond 1200 as saved
    EXPECT_EQ(back.graphs[0].samples[3749], w.graphs[0].samples[3749]);
}

TEST(GraphRecordRoundTrip, EveryByteKeptIncludingUninterpretedOnes)
{
    // Random bytes in every field, the text fields' tails included: a record
    // read and written again is the same record, byte for byte.
    std::mt19937 rng(5);
    GraphWindowImage w = WindowWith({ForceGraph(10, 3), ForceGraph(0, 0), ForceGraph(1, 1)});
    Bytes bytes = Encode(w);
    for (std::size_t i = 4; i < bytes.size(); ++i)
        bytes[i] = static_cast<std::uint8_t>(rng());
    // keep the counts sound
    const std::uint8_t nGraphs[4] = {3, 0, 0, 0};
    std::memcpy(&bytes[kGraphRecordFixedSize - kGraphBlockSize + 148], nGraphs, 4);
    std::size_t at = kGraphRecordFixedSize;
    for (std::int32_t size : {10, 0, 1}) {
        std::memcpy(&bytes[at], &size, 4); // little-endian host
        at += kGraphHeaderSize + 2 * size;
    }
    GraphWindowImage back;
    ASSERT_TRUE(Decode(bytes, back));
    EXPECT_EQ(Encode(back), bytes);
}

TEST(GraphRecordRoundTrip, TitleOf79CharactersSurvivesWithTerminatorAt80)
{
    std::string title(79, 'x');
    GraphWindowImage w = WindowWith({}, title + "beyond");
    Bytes bytes = Encode(w);
    EXPECT_EQ(bytes[4 + 78], 'x');
    EXPECT_EQ(bytes[4 + 79], 0);
    GraphWindowImage back;
    ASSERT_TRUE(Decode(bytes, back));
    EXPECT_EQ(FixedText(back.szTitle, sizeof back.szTitle), title);
}

TEST(GraphRecordRoundTrip, TitleWithoutTerminatorIsCutTo79AndKeptWhole)
{
    GraphWindowImage w = WindowWith({});
    Bytes bytes = Encode(w);
    std::memset(&bytes[4], 'y', 80);
    GraphWindowImage back;
    ASSERT_TRUE(Decode(bytes, back));
    EXPECT_EQ(TerminatedText(back.szTitle, sizeof back.szTitle), std::string(79, 'y'));
    EXPECT_EQ(Encode(back), bytes);
}

TEST(GraphRecordRoundTrip, TwoRecordsInOneStreamReadInOrder)
{
    Bytes bytes = Encode(WindowWith({ForceGraph(5, 5)}, "first"));
    AppendGraphRecord(WindowWith({ForceGraph(7, 2), ForceGraph(3, 0)}, "second"), bytes);
    MemoryByteSource source(bytes.data(), bytes.size());
    GraphWindowImage a, b, c;
    ASSERT_TRUE(ReadGraphRecord(source, a));
    ASSERT_TRUE(ReadGraphRecord(source, b));
    EXPECT_EQ(FixedText(a.szTitle, 80), "first");
    EXPECT_EQ(FixedText(b.szTitle, 80), "second");
    EXPECT_EQ(a.graphs.size(), 1u);
    EXPECT_EQ(b.graphs.size(), 2u);
    EXPECT_EQ(source.Remaining(), 0u);
    EXPECT_EQ(ReadGraphRecord(source, c).status, GraphReadStatus::MarkerNotFound);
}

TEST(GraphRecordRoundTrip, WriterKeepsCountsConsistent)
{
    GraphWindowImage w = WindowWith({ForceGraph(4, 4)});
    w.block.nGraphs = 99;          // a stale count is not written
    w.graphs[0].samples.resize(2); // missing samples become zeros
    Bytes bytes = Encode(w);
    ASSERT_EQ(bytes.size(), 5368u + 84u + 8u);
    EXPECT_EQ(U32At(bytes, 84 + 148), 1u);
    EXPECT_EQ(I16At(bytes, 5368 + 84 + 4), 0);
}

struct JunkCase {
    const char* name;
    std::string junk;
};

void PrintTo(const JunkCase& c, std::ostream* os)
{
    *os << c.name;
}

class GraphMarkerSearch : public ::testing::TestWithParam<JunkCase> {};

TEST_P(GraphMarkerSearch, JunkBeforeTheMarkerIsSkipped)
{
    Bytes record = Encode(WindowWith({ForceGraph(3, 3)}, "found"));
    Bytes bytes(GetParam().junk.begin(), GetParam().junk.end());
    bytes.insert(bytes.end(), record.begin(), record.end());
    GraphWindowImage back;
    std::size_t consumed = 0;
    ASSERT_TRUE(DecodeBothWays(bytes, back, &consumed));
    EXPECT_EQ(FixedText(back.szTitle, 80), "found");
    EXPECT_EQ(consumed, bytes.size());
    EXPECT_EQ(back.graphs[0].samples, ForceGraph(3, 3).samples);
}

INSTANTIATE_TEST_SUITE_P(Junk, GraphMarkerSearch,
                         ::testing::Values(JunkCase{"none", ""}, JunkCase{"loneT", "abcT\n"},
                                           // one T of junk: the stream reads T T G CR LF, and the
                                           // second T must restart the match at one byte
                                           JunkCase{"TTGCRLF", "T"}, JunkCase{"doubleT", "TT"},
                                           JunkCase{"partialMarkers", "TG\rTG\nTGT\r\nG\r\nTTGG"},
                                           JunkCase{"binary", std::string("\0\xffT\0G\r\n", 7)}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(GraphMarkerSearchEnd, NoMarkerMeansNothingFound)
{
    for (const char* text : {"", "T", "TG", "TG\r", "TG\n\r", "xxxxxxxx"}) {
        Bytes bytes(text, text + std::strlen(text));
        GraphWindowImage back;
        std::size_t consumed = 0;
        EXPECT_EQ(DecodeBothWays(bytes, back, &consumed).status, GraphReadStatus::MarkerNotFound)
            << text;
        EXPECT_EQ(consumed, bytes.size()) << text;
    }
}

TEST(GraphRecordUnsafe, EveryTruncationIsRefusedWithItsReason)
{
    Bytes full = Encode(WindowWith({ForceGraph(6, 6), ForceGraph(2, 1)}));
    for (std::size_t length = 0; length < full.size(); ++length) {
        Bytes cut(full.begin(), full.begin() + static_cast<std::ptrdiff_t>(length));
        GraphWindowImage back;
        GraphReadResult r = Decode(cut, back);
        ASSERT_FALSE(r) << "length " << length;
        GraphReadStatus expected = length < 4                ? GraphReadStatus::MarkerNotFound
                                   : length < 84             ? GraphReadStatus::TruncatedTitle
                                   : length < 5368           ? GraphReadStatus::TruncatedBlock
                                   : length < 5368 + 84      ? GraphReadStatus::TruncatedHeader
                                   : length < 5368 + 84 + 12 ? GraphReadStatus::TruncatedSamples
                                   : length < 5368 + 84 + 12 + 84
                                       ? GraphReadStatus::TruncatedHeader
                                       : GraphReadStatus::TruncatedSamples;
        ASSERT_EQ(r.status, expected) << "length " << length;
        if (length >= 5368) {
            EXPECT_EQ(r.graphIndex, length < 5368 + 96 ? 0 : 1);
        }
    }
    GraphWindowImage back;
    EXPECT_TRUE(Decode(full, back));
}

TEST(GraphRecordUnsafe, MoreThan1024GraphsRefusedBeforeAnyGraphIsRead)
{
    GraphWindowImage w = WindowWith({});
    Bytes bytes = Encode(w);
    for (std::uint32_t count : {1025u, 0x7FFFFFFFu, 0xFFFFFFFFu}) {
        std::memcpy(&bytes[84 + 148], &count, 4);
        GraphWindowImage back;
        GraphReadResult r = Decode(bytes, back);
        EXPECT_EQ(r.status, GraphReadStatus::TooManyGraphs) << count;
        EXPECT_TRUE(back.graphs.empty());
    }
}

TEST(GraphRecordUnsafe, Exactly1024EmptyGraphsAreAccepted)
{
    GraphWindowImage w = WindowWith(std::vector<GraphImage>(1024, ForceGraph(0, 0)));
    GraphWindowImage back;
    ASSERT_TRUE(Decode(Encode(w), back));
    EXPECT_EQ(back.graphs.size(), 1024u);
}

TEST(GraphRecordUnsafe, NegativeSizeRefused)
{
    Bytes bytes = Encode(WindowWith({ForceGraph(2, 2)}));
    const std::int32_t negative = -1;
    std::memcpy(&bytes[5368], &negative, 4);
    GraphWindowImage back;
    GraphReadResult r = Decode(bytes, back);
    EXPECT_EQ(r.status, GraphReadStatus::NegativeSize);
    EXPECT_EQ(r.graphIndex, 0);
}

TEST(GraphRecordUnsafe, AbsurdSizeEndsAsTruncationWithoutAHugeBuffer)
{
    Bytes bytes = Encode(WindowWith({ForceGraph(2, 2)}));
    const std::int32_t absurd = 0x7FFFFFFF;
    std::memcpy(&bytes[5368], &absurd, 4);
    GraphWindowImage back;
    GraphReadResult r = Decode(bytes, back);
    EXPECT_EQ(r.status, GraphReadStatus::TruncatedSamples);
    ASSERT_EQ(back.graphs.size(), 1u);
    EXPECT_LE(back.graphs[0].samples.capacity(), 65536u);
}

TEST(FixedTextField, CutToWidthMinusOneAndNoTerminatorMeansFullWidth)
{
    char field[10];
    std::memset(field, 'z', sizeof field);
    SetFixedText(field, sizeof field, "0123456789abc");
    EXPECT_EQ(FixedText(field, sizeof field), "012345678");
    EXPECT_EQ(field[9], 0);
    SetFixedText(field, sizeof field, "ab");
    for (int i = 2; i < 10; ++i)
        EXPECT_EQ(field[i], 0);
    std::memset(field, 'q', sizeof field);
    EXPECT_EQ(FixedText(field, sizeof field), std::string(10, 'q'));
}

TEST(GraphReadMessages, NameTheGraphConcerned)
{
    EXPECT_EQ(DescribeGraphReadResult({GraphReadStatus::TruncatedSamples, 1}),
              "graph 2: fewer samples in the file than its capacity nSize");
    EXPECT_NE(DescribeGraphReadResult({GraphReadStatus::MarkerNotFound, -1}).find("marker"),
              std::string::npos);
}
