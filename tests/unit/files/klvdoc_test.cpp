// The .klv document codec: magic, four graph records, the text block.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "klvdoc.h"

namespace {

using Bytes = std::vector<std::uint8_t>;

GraphWindowImage OneGraphWindow(std::int32_t size, std::uint32_t buffEnd, std::int16_t level)
{
    GraphWindowImage w;
    SetFixedText(w.szTitle, sizeof w.szTitle, "Forza di chiusura (misurazione 1)");
    GraphImage g;
    g.nSize = size;
    g.nBuffEnd = buffEnd;
    g.nMaxBit = 4095;
    g.dMaxValue = 300.0;
    g.dTimeBase = 0.0016;
    g.samples.assign(size, level);
    w.graphs.push_back(g);
    return w;
}

MeasurementDocument SampleDocument()
{
    MeasurementDocument doc;
    for (int k = 0; k < kKlvGraphWindows; ++k)
        doc.graphWindows[k] = OneGraphWindow(3750, 3750, static_cast<std::int16_t>(100 * k));
    for (int item = 0; item < kKlvTextItems; ++item)
        doc.texts[item] = kKlvTextSlots[item].name;
    doc.texts[kKlvKalib].clear();
    return doc;
}

std::size_t TextBlockStart(const Bytes& file)
{
    return file.size() - kKlvTextBlockSize;
}

} // namespace

TEST(KlvTextBlockLayout, SlotsAreContiguousAndFill1560Bytes)
{
    std::size_t next = 0;
    for (const KlvTextSlot& slot : kKlvTextSlots) {
        EXPECT_EQ(slot.offset, next) << slot.name;
        next = slot.offset + slot.width;
    }
    EXPECT_EQ(next, kKlvTextBlockSize);
    EXPECT_EQ(kKlvTextSlots[kKlvTitle].offset, 1264u);
    EXPECT_EQ(kKlvTextSlots[kKlvSensorTyp].width, 20u);
    EXPECT_STREQ(kKlvTextSlots[kKlvMessTyp].name, "MessTyp");
}

TEST(KlvDocumentFile, NewMeasurementShapeIs53372Bytes)
{
    Bytes file = EncodeKlvDocument(SampleDocument());
    EXPECT_EQ(file.size(), 53372u);
    EXPECT_EQ(0, std::memcmp(file.data(), "KLV2", 4));
    for (std::size_t record = 0; record < 4; ++record)
        EXPECT_EQ(0, std::memcmp(&file[4 + record * 12952], "TG\r\n", 4)) << record;
    EXPECT_EQ(std::string(reinterpret_cast<char*>(&file[TextBlockStart(file) + 1264])), "Title");
}

TEST(KlvDocumentFile, RoundTripIsByteExact)
{
    Bytes file = EncodeKlvDocument(SampleDocument());
    MeasurementDocument back;
    KlvReadResult r = ReadKlvDocument(file.data(), file.size(), back);
    ASSERT_TRUE(r) << DescribeKlvReadResult(r);
    EXPECT_EQ(back.texts, SampleDocument().texts);
    EXPECT_EQ(back.graphWindows[3].graphs[0].samples[0], 300);
    EXPECT_EQ(EncodeKlvDocument(back), file);
}

TEST(KlvDocumentFile, GraphRecordsWithAnyNumberOfGraphsAreRead)
{
    MeasurementDocument doc = SampleDocument();
    doc.graphWindows[0].graphs.push_back(OneGraphWindow(3750, 0, 0).graphs[0]);
    doc.graphWindows[1].graphs.clear();
    for (int i = 0; i < 3; ++i)
        doc.graphWindows[2].graphs.push_back(OneGraphWindow(20, 0, 0).graphs[0]);
    Bytes file = EncodeKlvDocument(doc);
    MeasurementDocument back;
    ASSERT_TRUE(ReadKlvDocument(file.data(), file.size(), back));
    EXPECT_EQ(back.graphWindows[0].graphs.size(), 2u);
    EXPECT_EQ(back.graphWindows[1].graphs.size(), 0u);
    EXPECT_EQ(back.graphWindows[2].graphs.size(), 4u);
    EXPECT_EQ(back.graphWindows[3].graphs.size(), 1u);
    EXPECT_EQ(back.texts[kKlvEdit], "Edit");
}

TEST(KlvDocumentFile, OnlyKlv2IsAccepted)
{
    Bytes file = EncodeKlvDocument(SampleDocument());
    for (const char* magic : {"KLV1", "klv2", "KLV3", "\0LV2"}) {
        std::memcpy(file.data(), magic, 4);
        MeasurementDocument back;
        EXPECT_EQ(ReadKlvDocument(file.data(), file.size(), back).status, KlvReadStatus::BadMagic)
            << magic;
    }
    MeasurementDocument back;
    const std::uint8_t shortFile[] = {'K', 'L', 'V'};
    EXPECT_EQ(ReadKlvDocument(shortFile, sizeof shortFile, back).status, KlvReadStatus::BadMagic);
    EXPECT_EQ(ReadKlvDocument(nullptr, 0, back).status, KlvReadStatus::BadMagic);
}

TEST(KlvTextSlots, TextsAreCutToSlotWidthMinusOne)
{
    MeasurementDocument doc = SampleDocument();
    doc.texts[kKlvPruefer] = std::string(40, 'E'); // 40-character examiner
    doc.texts[kKlvSerNo] = "SN12345678901";
    doc.texts[kKlvEdit] = std::string(256, 'r');
    Bytes file = EncodeKlvDocument(doc);
    std::size_t t = TextBlockStart(file);
    EXPECT_EQ(file[t + 1024 + 38], 'E');
    EXPECT_EQ(file[t + 1024 + 39], 0);
    MeasurementDocument back;
    ASSERT_TRUE(ReadKlvDocument(file.data(), file.size(), back));
    EXPECT_EQ(back.texts[kKlvPruefer], std::string(39, 'E'));
    EXPECT_EQ(back.texts[kKlvSerNo], "SN1234567");
    EXPECT_EQ(back.texts[kKlvEdit], std::string(255, 'r'));
}

TEST(KlvTextSlots, ASlotWithoutTerminatorYieldsExactlyTheSlotWidth)
{
    Bytes file = EncodeKlvDocument(SampleDocument());
    std::size_t t = TextBlockStart(file);
    std::memset(&file[t + 1224], 'S', 20);  // SensorTyp, no NUL, SerNo follows
    std::memset(&file[t + 1304], 'R', 256); // the last slot, the file ends with it
    MeasurementDocument back;
    ASSERT_TRUE(ReadKlvDocument(file.data(), file.size(), back));
    EXPECT_EQ(back.texts[kKlvSensorTyp], std::string(20, 'S'));
    EXPECT_EQ(back.texts[kKlvSerNo], "SerNo");
    EXPECT_EQ(back.texts[kKlvEdit], std::string(256, 'R'));
}

TEST(KlvTextSlots, CalibrationIsIgnoredWhenReadAndWrittenEmpty)
{
    MeasurementDocument doc = SampleDocument();
    doc.texts[kKlvKalib] = "01.02.03";
    Bytes file = EncodeKlvDocument(doc);
    std::size_t t = TextBlockStart(file);
    for (std::size_t i = 0; i < 10; ++i)
        EXPECT_EQ(file[t + 1254 + i], 0);
    std::memcpy(&file[t + 1254], "CALIBRATED", 10);
    MeasurementDocument back;
    ASSERT_TRUE(ReadKlvDocument(file.data(), file.size(), back));
    EXPECT_EQ(back.texts[kKlvKalib], "");
    EXPECT_EQ(back.texts[kKlvTitle], "Title");
}

TEST(KlvTextSlots, BytesAfterTheTerminatorAreIgnored)
{
    Bytes file = EncodeKlvDocument(SampleDocument());
    std::size_t t = TextBlockStart(file);
    std::memcpy(&file[t + 1064 + 9], "garbage", 7); // "Fahrzeug\0" then junk
    MeasurementDocument back;
    ASSERT_TRUE(ReadKlvDocument(file.data(), file.size(), back));
    EXPECT_EQ(back.texts[kKlvFahrzeug], "Fahrzeug");
}

TEST(KlvDocumentUnsafe, ShortTextBlockGivesThePresentSlotsAndIsReported)
{
    Bytes file = EncodeKlvDocument(SampleDocument());
    std::size_t t = TextBlockStart(file);
    file.resize(t + 1024 + 5); // the four value texts and "Pruef"
    MeasurementDocument back;
    KlvReadResult r = ReadKlvDocument(file.data(), file.size(), back);
    EXPECT_EQ(r.status, KlvReadStatus::TruncatedTextBlock);
    EXPECT_EQ(r.textBytes, 1029u);
    EXPECT_EQ(back.texts[kKlvDescr4], "Descr4");
    EXPECT_EQ(back.texts[kKlvPruefer], "Pruef");
    EXPECT_EQ(back.texts[kKlvEdit], "");
    EXPECT_NE(DescribeKlvReadResult(r).find("1029 of 1560"), std::string::npos);
}

TEST(KlvDocumentUnsafe, BrokenGraphRecordNamesTheGraphWindow)
{
    Bytes file = EncodeKlvDocument(SampleDocument());
    file.resize(4 + 2 * 12952 + 5000); // cut inside the third record's block
    MeasurementDocument back;
    KlvReadResult r = ReadKlvDocument(file.data(), file.size(), back);
    EXPECT_EQ(r.status, KlvReadStatus::BadGraphRecord);
    EXPECT_EQ(r.graphWindow, 2);
    EXPECT_EQ(r.graph.status, GraphReadStatus::TruncatedBlock);
    EXPECT_EQ(DescribeKlvReadResult(r),
              "graph record of Graph3: graph record cut short in its 5284-byte window block");
}

TEST(KlvDocumentUnsafe, TrailingBytesAreCountedButNotRefused)
{
    Bytes file = EncodeKlvDocument(SampleDocument());
    file.insert(file.end(), {1, 2, 3});
    MeasurementDocument back;
    KlvReadResult r = ReadKlvDocument(file.data(), file.size(), back);
    EXPECT_TRUE(r);
    EXPECT_EQ(r.trailingBytes, 3u);
}
