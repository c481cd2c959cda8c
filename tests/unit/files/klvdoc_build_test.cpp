// The document of a new measurement, as the program builds and saves it.
#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>

#include "evaluation.h"
#include "klvdoc.h"
#include "klvdoc_build.h"
#include "messdescr.h"

namespace {

struct DescrDeleter {
    void operator()(MessDescr* d) const { FreeMessDescr(d); }
};
using DescrPtr = std::unique_ptr<MessDescr, DescrDeleter>;

DescrPtr Series(const char* sensorType)
{
    DescrPtr d(AllocMessDescr());
    std::strcpy(d->szTitle, "Misurazione del 07.12.2026");
    std::strcpy(d->szExaminer, "Rossi");
    std::strcpy(d->szSensorType, sensorType);
    std::strcpy(d->szSerialNo, "SN4711");
    std::strcpy(d->szRemarks, "nota");
    for (int k = 0; k < kMessMeasurements; ++k)
        for (int i = 0; i < kMessCurveSamples; ++i)
            d->pCurve[k][i] = static_cast<std::int16_t>(k * 1000 + i % 1000);
    for (int i = 0; i < kMessCurveSamples; ++i)
        d->pMeanCurve[i] = static_cast<std::int16_t>(i % 4096);
    for (int s = 0; s < kMessSlots; ++s) {
        d->dEffForce[s] = 100.0 + s;
        d->dClampForce[s] = 50.0;
        d->dPeakForce[s] = 200.0;
    }
    return d;
}

std::string Text(const char* field, std::size_t size)
{
    return FixedText(field, size);
}

} // namespace

TEST(NewMeasurementDocument, FourWindowsWithTheirTitlesAndNames)
{
    DescrPtr d = Series("KLV1-AC3");
    MeasurementDocument doc = BuildNewMeasurementDocument(*d);
    const char* titles[] = {"Forza di chiusura (misurazione 1)",
                            "Forza di chiusura (misurazione 2)",
                            "Forza di chiusura (misurazione 3)", "Valore medio del corso di forza"};
    for (int k = 0; k < 4; ++k) {
        const GraphWindowImage& w = doc.graphWindows[k];
        EXPECT_EQ(Text(w.szTitle, 80), titles[k]);
        ASSERT_EQ(w.graphs.size(), 1u);
        EXPECT_EQ(w.block.nGraphs, 1u);
        EXPECT_EQ(Text(w.graphs[0].szName, 30),
                  k < 3 ? "Forza di chiusura" : "Valore medio della forza");
        EXPECT_EQ(Text(w.graphs[0].szUnit, 10), "N");
    }
}

TEST(NewMeasurementDocument, WindowSettingsAndTheGraphOf3750Samples)
{
    DescrPtr d = Series("KLV1-AC3");
    const GraphWindowImage w = BuildNewGraphWindow(*d, 2);
    EXPECT_EQ(w.block.nStyle, 8);
    EXPECT_EQ(w.block.nXLines, 6u);
    EXPECT_EQ(w.block.dTimeMin, -1.0);
    EXPECT_EQ(w.block.dZoomTimeMin, -1.0);
    EXPECT_EQ(w.block.dTimeMax, 5.0);
    EXPECT_EQ(w.block.dZoomTimeMax, 5.0);
    EXPECT_EQ(w.block.nShown[0], 1);
    const GraphImage& g = w.graphs[0];
    EXPECT_EQ(g.nSize, 3750);
    EXPECT_EQ(g.nBuffEnd, 3750u);
    EXPECT_EQ(g.dTimeBase, 0.0016);
    EXPECT_EQ(g.nMinBit, 0);
    EXPECT_EQ(g.nMaxBit, 4095);
    EXPECT_EQ(g.dMinValue, 0.0);
    EXPECT_EQ(g.samples[0], 1000); // curve of measurement 2
    EXPECT_EQ(g.samples[3749], 1000 + 749);
    EXPECT_EQ(BuildNewGraphWindow(*d, 4).graphs[0].samples[3749], 3749); // the mean curve
}

TEST(NewMeasurementDocument, SensorVariantSetsFullScaleAndYDivisions)
{
    struct Case {
        const char* sensor;
        double fullScale;
        std::uint32_t yLines;
    };
    for (const Case& c :
         {Case{"KLV1-AC5", 500.0, 10}, Case{"KLV1-AC3", 300.0, 6}, Case{"", 300.0, 6},
          Case{"5555555", 300.0, 6}, Case{"xxxxxxx5", 500.0, 10}}) {
        DescrPtr d = Series(c.sensor);
        const GraphWindowImage w = BuildNewGraphWindow(*d, 1);
        EXPECT_EQ(w.block.nYLines, c.yLines) << c.sensor;
        EXPECT_EQ(w.block.dMaxValue, c.fullScale) << c.sensor;
        EXPECT_EQ(w.graphs[0].dMaxValue, c.fullScale) << c.sensor;
    }
}

// A record without curves (as a document opened before its file is read):
// four empty graphs and result texts of zeros, the clamping force marked.
TEST(NewMeasurementDocument, RecordWithoutCurvesGivesEmptyGraphsAndTextsOfZeros)
{
    DescrPtr empty(AllocEmptyMessDescr());
    ASSERT_NE(empty, nullptr);
    const MeasurementDocument doc = BuildNewMeasurementDocument(*empty);
    for (int k = 0; k < 4; ++k) {
        const GraphImage& g = doc.graphWindows[k].graphs[0];
        EXPECT_EQ(g.nBuffEnd, 0u) << k;
        EXPECT_EQ(g.samples.size(), 3750u) << k;
        EXPECT_EQ(g.dMaxValue, 300.0) << k;
    }
    const std::string zeros = "Forza effettiva:\t\t0.0 N\r\nForza di serraggio:\t*0.0 N\r\n"
                              "Forza di punta:\t\t0.0 N\r\nK-fattore:\t\t0.00\r\n"
                              "Durata d' impulsi:\t0.00 s\r\nEnerg\xEC"
                              "a:\t\t\t0.00 J";
    for (int slot = 0; slot < 4; ++slot)
        EXPECT_EQ(doc.texts[kKlvDescr1 + slot], zeros) << slot;
}

TEST(NewMeasurementDocument, TextsFromTheRecordAndFormatResult)
{
    DescrPtr d = Series("KLV1-AC5");
    MeasurementDocument doc = BuildNewMeasurementDocument(*d);
    for (int slot = 0; slot < 4; ++slot) {
        char expected[256];
        FormatResult(d.get(), slot, expected, sizeof expected);
        EXPECT_EQ(doc.texts[kKlvDescr1 + slot], expected);
    }
    EXPECT_EQ(doc.texts[kKlvPruefer], "Rossi");
    EXPECT_EQ(doc.texts[kKlvSensorTyp], "KLV1-AC5");
    EXPECT_EQ(doc.texts[kKlvSerNo], "SN4711");
    EXPECT_EQ(doc.texts[kKlvTitle], "Misurazione del 07.12.2026");
    EXPECT_EQ(doc.texts[kKlvEdit], "nota");
    EXPECT_EQ(doc.texts[kKlvKalib], "");
}

TEST(NewMeasurementDocument, SavedAsExactly53372BytesAndReadBack)
{
    DescrPtr d = Series("KLV1-AC3");
    const std::vector<std::uint8_t> file = EncodeKlvDocument(BuildNewMeasurementDocument(*d));
    ASSERT_EQ(file.size(), 53372u);
    MeasurementDocument back;
    ASSERT_TRUE(ReadKlvDocument(file.data(), file.size(), back));
    EXPECT_EQ(back.graphWindows[2].graphs[0].samples[5], 2005);
    EXPECT_EQ(back.texts[kKlvPruefer], "Rossi");
    EXPECT_EQ(EncodeKlvDocument(back), file);
}
