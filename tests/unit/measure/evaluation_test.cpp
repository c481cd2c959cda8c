// Closing-force evaluation: figures of one closing, means, result texts.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <string>
#include <vector>

#include "evaluation.h"
#include "messdescr.h"

namespace {

struct Record {
    MessDescr* d;
    explicit Record(int fullScale) : d(AllocMessDescr())
    {
        d->nFullScale = fullScale;
        std::strcpy(d->szSensorType, fullScale == 500 ? "KLV1-AC5" : "KLV1-AC3");
    }
    ~Record() { FreeMessDescr(d); }
};

std::vector<std::int16_t> Curve(int fill = 0)
{
    return std::vector<std::int16_t>(kMessCurveSamples, static_cast<std::int16_t>(fill));
}

double N(int count, int fullScale)
{
    return count * static_cast<double>(fullScale) / 4095.0;
}

TEST(EvaluateMeasurement, FiguresOfATypicalClosing)
{
    Record r(300);
    std::vector<std::int16_t> c = Curve(10);
    c[624] = c[625] = 700; // trigger, stored twice
    for (int i = 626; i < 826; ++i)
        c[i] = 2000; // 200 samples at 146.5 N
    c[900] = 3000;   // the peak
    c[3749] = 1000;  // clamping force at 5 s
    EvaluateMeasurement(r.d, c.data(), 1);
    const double sum = N(700, 300) + 200 * N(2000, 300) + N(3000, 300) + N(1000, 300);
    EXPECT_NEAR(r.d->dEffForce[1], sum / 203, 1e-9);
    EXPECT_NEAR(r.d->dPulseDuration[1], 203 * 0.0016, 1e-12);
    EXPECT_DOUBLE_EQ(r.d->dClampForce[1], N(1000, 300));
    EXPECT_DOUBLE_EQ(r.d->dPeakForce[1], N(3000, 300));
    EXPECT_DOUBLE_EQ(r.d->dKFactor[1], r.d->dEffForce[1] / r.d->dPeakForce[1]);
    // Other slots untouched.
    EXPECT_EQ(r.d->dEffForce[0], 0.0);
    EXPECT_EQ(r.d->dEffForce[2], 0.0);
}

TEST(EvaluateMeasurement, PulseDurationOf1000SamplesTogetherOrApart)
{
    for (bool scattered : {false, true}) {
        Record r(500);
        std::vector<std::int16_t> c = Curve(409); // 49.94 N: below the limit
        for (int n = 0; n < 1000; ++n)
            c[scattered ? 625 + 3 * n : 1000 + n] = 410; // 50.06 N
        EvaluateMeasurement(r.d, c.data(), 0);
        EXPECT_NEAR(r.d->dPulseDuration[0], 1.60, 1e-12) << scattered;
        // The mean of 1000 equal values, up to the rounding of their running sum.
        EXPECT_NEAR(r.d->dEffForce[0], N(410, 500), 1e-9) << scattered;
    }
}

TEST(EvaluateMeasurement, LimitIsInclusiveAndStartsAtTheRepeatedTrigger)
{
    Record r(300);
    std::vector<std::int16_t> c = Curve(0);
    c[624] = 683;  // before index 625: not counted
    c[625] = 683;  // 50.04 N: counted
    c[626] = 682;  // 49.96 N: not counted
    c[3749] = 683; // the last sample counts
    EvaluateMeasurement(r.d, c.data(), 0);
    EXPECT_NEAR(r.d->dPulseDuration[0], 2 * 0.0016, 1e-12);
    EXPECT_DOUBLE_EQ(r.d->dEffForce[0], N(683, 300));
}

TEST(EvaluateMeasurement, PreTriggerPeakIsThePeakForce)
{
    Record r(500);
    std::vector<std::int16_t> c = Curve(0);
    c[100] = 3500; // before the trigger
    c[624] = c[625] = 82;
    c[1000] = 3000;
    EvaluateMeasurement(r.d, c.data(), 2);
    EXPECT_DOUBLE_EQ(r.d->dPeakForce[2], N(3500, 500));
}

TEST(EvaluateMeasurement, ClosingThatNeverReaches50NIsFiniteAndZero)
{
    // Possible with the 500 N sensor only: its trigger lies at 10 N.
    Record r(500);
    std::vector<std::int16_t> c = Curve(5);
    c[624] = c[625] = 82;
    c[700] = 400; // 48.8 N at most
    c[3749] = 100;
    EvaluateMeasurement(r.d, c.data(), 0);
    EXPECT_EQ(r.d->dEffForce[0], 0.0);
    EXPECT_EQ(r.d->dPulseDuration[0], 0.0);
    EXPECT_EQ(r.d->dKFactor[0], 0.0);
    EXPECT_DOUBLE_EQ(r.d->dPeakForce[0], N(400, 500));
    EXPECT_DOUBLE_EQ(r.d->dClampForce[0], N(100, 500));
    char text[512];
    FormatResult(r.d, 0, text, sizeof(text));
    EXPECT_EQ(std::string(text).rfind("Forza effettiva:\t\t0.0 N\r\nForza di serraggio:\t*", 0),
              0u);
    EXPECT_NE(std::string(text).find("\t*12.2 N"), std::string::npos);
    // An all-zero curve gives no division by zero either.
    std::vector<std::int16_t> zero = Curve(0);
    EvaluateMeasurement(r.d, zero.data(), 1);
    EXPECT_TRUE(std::isfinite(r.d->dKFactor[1]));
    EXPECT_EQ(r.d->dKFactor[1], 0.0);
}

TEST(CompleteSeries, MeanCurveTruncatesAndMeansAreThirds)
{
    Record r(300);
    r.d->pCurve[0][10] = 1;
    r.d->pCurve[1][10] = 1;
    r.d->pCurve[2][10] = 2;
    r.d->pCurve[0][11] = 4095;
    r.d->pCurve[1][11] = 4504;
    r.d->pCurve[2][11] = 4504;
    const double eff[3] = {100.0, 110.0, 120.5};
    const double k[3] = {0.5, 0.25, 0.125};
    for (int s = 0; s < 3; ++s) {
        r.d->dEffForce[s] = eff[s];
        r.d->dKFactor[s] = k[s];
        r.d->dPeakForce[s] = 10.0 * (s + 1);
    }
    r.d->dClampForce[3] = 99.0; // overwritten, not added to
    CompleteSeries(r.d);
    EXPECT_EQ(r.d->pMeanCurve[10], 1);    // 4 / 3
    EXPECT_EQ(r.d->pMeanCurve[11], 4367); // 13103 / 3
    EXPECT_EQ(r.d->pMeanCurve[0], 0);
    EXPECT_DOUBLE_EQ(r.d->dEffForce[3], (100.0 + 110.0 + 120.5) * (1.0 / 3.0));
    // The mean K-factor is the mean of the K-factors.
    EXPECT_DOUBLE_EQ(r.d->dKFactor[3], (0.5 + 0.25 + 0.125) / 3.0);
    EXPECT_EQ(r.d->dClampForce[3], 0.0);
    EXPECT_DOUBLE_EQ(r.d->dPeakForce[3], 20.0);
}

TEST(CompleteSeries, EmptyRecordGetsMeansWithoutCurves)
{
    MessDescr* d = AllocEmptyMessDescr();
    d->dPulseDuration[0] = 0.3;
    d->dPulseDuration[1] = 0.6;
    d->dPulseDuration[2] = 0.9;
    CompleteSeries(d);
    EXPECT_NEAR(d->dPulseDuration[3], 0.6, 1e-15);
    FreeMessDescr(d);
}

TEST(Energy, FullScalePeaksGiveTheDocumentedEnergies)
{
    Record r300(300);
    r300.d->dPeakForce[0] = 300.0;
    EXPECT_NEAR(SlotEnergy(r300.d, 0), 4.50, 1e-12);
    Record r500(500);
    r500.d->dPeakForce[3] = 500.0;
    EXPECT_NEAR(SlotEnergy(r500.d, 3), 7.50, 1e-12);
    // The sensor is told by character 8 of the sensor type, not by nFullScale.
    r500.d->szSensorType[7] = '3';
    EXPECT_NEAR(SlotEnergy(r500.d, 3), 12.50, 1e-12);
}

TEST(FormatResult, AsteriskMarksTheLargerForce)
{
    Record r(300);
    r.d->dEffForce[0] = 120.04;
    r.d->dClampForce[0] = 80.0;
    r.d->dPeakForce[0] = 300.0;
    r.d->dKFactor[0] = 0.4;
    r.d->dPulseDuration[0] = 1.6;
    char text[512];
    FormatResult(r.d, 0, text, sizeof(text));
    EXPECT_EQ(std::string(text),
              std::string("Forza effettiva:\t\t*120.0 N\r\nForza di serraggio:\t80.0 N\r\n"
                          "Forza di punta:\t\t300.0 N\r\nK-fattore:\t\t0.40\r\n"
                          "Durata d' impulsi:\t1.60 s\r\nEnerg") +
                  '\xEC' + "a:\t\t\t4.50 J");

    // Equal forces: 30037, the asterisk at the clamping force.
    r.d->dClampForce[0] = 120.04;
    FormatResult(r.d, 0, text, sizeof(text));
    EXPECT_EQ(std::string(text).rfind(
                  "Forza effettiva:\t\t120.0 N\r\nForza di serraggio:\t*120.0 N\r\nForza", 0),
              0u);

    // Larger clamping force, mean slot.
    r.d->dEffForce[3] = 10.0;
    r.d->dClampForce[3] = 20.0;
    FormatResult(r.d, 3, text, sizeof(text));
    EXPECT_NE(std::string(text).find("\t*20.0 N"), std::string::npos);

    // Not comparable: 30037 as well.
    r.d->dEffForce[2] = std::nan("");
    FormatResult(r.d, 2, text, sizeof(text));
    EXPECT_NE(std::string(text).find("serraggio:\t*"), std::string::npos);
}

TEST(FormatResult, BadSlotGivesEmptyText)
{
    Record r(300);
    char text[16] = "x";
    FormatResult(r.d, 4, text, sizeof(text));
    EXPECT_STREQ(text, "");
}

} // namespace
