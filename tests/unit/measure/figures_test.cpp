// The figures of a series for judging: defined or not, saturated or not, and
// the same numbers the value texts are made of.
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "evaluation.h"
#include "figures.h"
#include "klvdoc_build.h"
#include "messdescr.h"

namespace {

struct Series {
    MessDescr* d;
    explicit Series(int fullScale) : d(AllocMessDescr())
    {
        d->nFullScale = fullScale;
        std::strcpy(d->szSensorType, fullScale == 500 ? "KLV1-AC5" : "KLV1-AC3");
    }
    ~Series() { FreeMessDescr(d); }
    // A closing: a plateau of `count` over 300 samples after the trigger and
    // `clamp` at the end.
    void Closing(int k, int count, int clamp = 100)
    {
        std::int16_t* c = d->pCurve[k];
        for (int i = 0; i < kMessCurveSamples; ++i)
            c[i] = 5;
        for (int i = 624; i < 924; ++i)
            c[i] = static_cast<std::int16_t>(count);
        c[kMessCurveSamples - 1] = static_cast<std::int16_t>(clamp);
    }
};

const FigureId kPulseFigures[] = {kFigureEffective, kFigureKFactor, kFigurePulseDuration};
const FigureId kAlwaysFigures[] = {kFigureClamping, kFigurePeak, kFigureEnergy};

TEST(SeriesFigures, SameNumbersAsTheRecordsEvaluation)
{
    Series s(300);
    s.Closing(0, 2000, 400);
    s.Closing(1, 2500, 300);
    s.Closing(2, 1500, 200);
    SeriesFigures f;
    ASSERT_TRUE(ComputeSeriesFigures(*s.d, f));
    EXPECT_EQ(s.d->dPeakForce[0], 0.0) << "the caller's record is left as it was";

    for (int k = 0; k < kMessMeasurements; ++k)
        EvaluateMeasurement(s.d, s.d->pCurve[k], k);
    CompleteSeries(s.d);
    for (int slot = 0; slot < kMessSlots; ++slot) {
        const SlotFigures& got = f.slot[slot];
        const double want[kFigureCount] = {s.d->dEffForce[slot],      s.d->dClampForce[slot],
                                           s.d->dPeakForce[slot],     s.d->dKFactor[slot],
                                           s.d->dPulseDuration[slot], SlotEnergy(s.d, slot)};
        for (int fig = 0; fig < kFigureCount; ++fig) {
            EXPECT_EQ(got.value[fig], want[fig])
                << "slot " << slot << " " << FigureKey(FigureId(fig));
            EXPECT_TRUE(got.defined[fig]) << "slot " << slot << " " << FigureKey(FigureId(fig));
        }
        EXPECT_FALSE(got.saturated) << slot;
    }
}

// A closing that never reaches 50 N (500 N sensor: 409 counts are 49.94 N) has
// no effective force, pulse or K-factor, and neither has the mean.
TEST(SeriesFigures, ClosingBelowTheForceLimitHasNoPulseFigures)
{
    for (int weakCount : {409, 410}) {
        Series s(500);
        s.Closing(0, 2000);
        s.Closing(1, weakCount);
        s.Closing(2, 2000);
        SeriesFigures f;
        ASSERT_TRUE(ComputeSeriesFigures(*s.d, f));
        const bool reaches = weakCount == 410;
        for (FigureId fig : kPulseFigures) {
            EXPECT_TRUE(f.slot[0].defined[fig]) << FigureKey(fig);
            EXPECT_EQ(f.slot[1].defined[fig], reaches) << weakCount << FigureKey(fig);
            EXPECT_EQ(f.slot[kMessMeanSlot].defined[fig], reaches) << weakCount << FigureKey(fig);
        }
        for (FigureId fig : kAlwaysFigures) {
            EXPECT_TRUE(f.slot[1].defined[fig]) << FigureKey(fig);
            EXPECT_TRUE(f.slot[kMessMeanSlot].defined[fig]) << FigureKey(fig);
        }
    }
}

// One count at the top of the range, anywhere in the curve (also before the
// trigger), marks its closing and the mean; one count less does not.
TEST(SeriesFigures, SaturationAtTheEndOfTheRange)
{
    const struct {
        int index;
        int count;
        bool saturated;
    } cases[] = {
        {700, 4094, false},
        {700, 4095, true},
        {3, 4095, true},
        {3749, 4504, true},
    };
    for (const auto& c : cases) {
        Series s(300);
        for (int k = 0; k < kMessMeasurements; ++k)
            s.Closing(k, 2000);
        s.d->pCurve[2][c.index] = static_cast<std::int16_t>(c.count);
        SeriesFigures f;
        ASSERT_TRUE(ComputeSeriesFigures(*s.d, f));
        EXPECT_FALSE(f.slot[0].saturated);
        EXPECT_FALSE(f.slot[1].saturated);
        EXPECT_EQ(f.slot[2].saturated, c.saturated) << c.index << " " << c.count;
        EXPECT_EQ(f.slot[kMessMeanSlot].saturated, c.saturated) << c.index << " " << c.count;
    }
}

TEST(SeriesFigures, RecordWithoutCurvesHasNoFigures)
{
    MessDescr* empty = AllocEmptyMessDescr();
    SeriesFigures f;
    EXPECT_FALSE(ComputeSeriesFigures(*empty, f));
    FreeMessDescr(empty);
}

// A saved document gives the figures of the record it was made from, with
// its sensor's full scale.
TEST(DocumentFigures, SameAsTheRecordsForBothSensors)
{
    for (int fullScale : {300, 500}) {
        Series s(fullScale);
        s.Closing(0, 2000, 400);
        s.Closing(1, 4095, 300);
        s.Closing(2, 300, 200);
        SeriesFigures fromRecord, fromDocument;
        ASSERT_TRUE(ComputeSeriesFigures(*s.d, fromRecord));
        ASSERT_TRUE(ComputeDocumentFigures(BuildNewMeasurementDocument(*s.d), fromDocument));
        for (int slot = 0; slot < kMessSlots; ++slot) {
            for (int fig = 0; fig < kFigureCount; ++fig) {
                EXPECT_EQ(fromDocument.slot[slot].value[fig], fromRecord.slot[slot].value[fig]);
                EXPECT_EQ(fromDocument.slot[slot].defined[fig], fromRecord.slot[slot].defined[fig]);
            }
            EXPECT_EQ(fromDocument.slot[slot].saturated, fromRecord.slot[slot].saturated);
        }
    }
}

TEST(DocumentFigures, DocumentWithoutAWholeCurveHasNoFigures)
{
    Series s(300);
    MeasurementDocument doc = BuildNewMeasurementDocument(*s.d);
    doc.graphWindows[1].graphs[0].samples.resize(kMessCurveSamples - 1);
    SeriesFigures f;
    EXPECT_FALSE(ComputeDocumentFigures(doc, f));
    doc.graphWindows[1].graphs.clear();
    EXPECT_FALSE(ComputeDocumentFigures(doc, f));
}

} // namespace
