// Decoding, rescaling, value conversion, texts, dates and the record.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "appstrings.h"
#include "device_model.h"
#include "devicestream.h"
#include "measrun.h"
#include "messdescr.h"

namespace {

// The 32-bit build computes on the x87 unit: each quotient comes out in
// extended precision and is stored to double before the float rounding.
int RescaleAsX87(int k, int fullScale)
{
    const long double range = fullScale == 500 ? 550.0L : 330.0L;
    const long double nominal = fullScale;
    volatile double q = static_cast<double>(static_cast<long double>(k) * range / 4095.0L);
    volatile float a = static_cast<float>(q);
    volatile double q2 = static_cast<double>(static_cast<long double>(a) * 4095.0L / nominal);
    volatile float b = static_cast<float>(q2);
    return static_cast<int>(b);
}

TEST(Triplet, DecodesE01234AsStartRequestWithBothLampsDark)
{
    const std::uint8_t status = 0xE0, high = 0x12, low = 0x34;
    EXPECT_TRUE(IsStatusByte(status));
    EXPECT_TRUE(TripletDataValid(high, low));
    EXPECT_EQ(DecodeTripletCount(high, low), 18 * 32 + 13);
    EXPECT_EQ(DecodeTripletCount(high, low), 589);
    EXPECT_EQ(RescaleCount(589, 300), 647);
    EXPECT_EQ(RescaleCount(589, 500), 647);
    EXPECT_TRUE(IsStartRequest(status));
    EXPECT_FALSE(IsRedLit(status));
    EXPECT_FALSE(IsGreenLit(status));
    // The device model encodes the same count into the same data bytes.
    const klvdevice::Triplet t = klvdevice::EncodeTriplet(589, {true, false, false});
    EXPECT_EQ(t[0], 0xE0);
    EXPECT_EQ(DecodeTripletCount(t[1], t[2]), 589);
}

TEST(Triplet, DataBytesWithBit7AreInvalidAndStatusBitsMapToLamps)
{
    EXPECT_FALSE(TripletDataValid(0x80, 0x00));
    EXPECT_FALSE(TripletDataValid(0x00, 0x80));
    EXPECT_TRUE(TripletDataValid(0x7F, 0x7F));
    EXPECT_EQ(DecodeTripletCount(0x7F, 0x7C), 4095);
    EXPECT_FALSE(IsStatusByte(0x7F));
    EXPECT_TRUE(IsRedLit(0x80 | 0x40 | 0x10));
    EXPECT_FALSE(IsGreenLit(0x80 | 0x40 | 0x10));
    EXPECT_TRUE(IsGreenLit(0x80 | 0x20 | 0x10));
    EXPECT_FALSE(IsStartRequest(0x90));
}

TEST(Rescale, KnownCountsForBothSensors)
{
    const int cases[][2] = {{0, 0}, {10, 11}, {75, 82}, {621, 683}, {3723, 4095}, {4095, 4504}};
    for (const auto& c : cases) {
        EXPECT_EQ(RescaleCount(c[0], 300), c[1]) << c[0];
        EXPECT_EQ(RescaleCount(c[0], 500), c[1]) << c[0];
    }
}

// Worked out from the conversion rule in exact fractions (a = k x range /
// 4095 rounded to float, b = a x 4095 / nominal rounded to float, the count
// is b truncated), at counts where leaving out a float rounding, or rounding
// in double only, gives another count.
TEST(Rescale, CountsWhereTheFloatRoundingDecides)
{
    struct Case {
        int fullScale, count, rescaled; // a in N
    };
    const Case cases[] = {
        {300, 110, 120},   // 8.864468574523926
        {300, 220, 241},   // 17.72893714904785
        {300, 430, 473},   // 34.652015686035156
        {300, 620, 682},   // 49.96337127685547, one count below the trigger
        {300, 810, 891},   // 65.27472686767578
        {300, 3300, 3629}, // 265.9340515136719
        {500, 10, 11},     // 1.3431013822555542
        {500, 20, 22},     // 2.6862027645111084
        {500, 640, 704},   // 85.95848846435547
        {500, 970, 1066},  // 130.28082275390625
        {500, 3880, 4267}, // 521.123291015625
        {500, 2730, 3003}, // 366.6666564941406
    };
    for (const Case& c : cases)
        EXPECT_EQ(RescaleCount(c.count, c.fullScale), c.rescaled)
            << c.fullScale << " N, count " << c.count;
}

TEST(Rescale, EveryCountAgreesWithTheX87BuildAndStaysNear110Percent)
{
    for (int fullScale : {300, 500}) {
        for (int k = 0; k <= 4095; ++k) {
            const int v = RescaleCount(k, fullScale);
            ASSERT_EQ(v, RescaleAsX87(k, fullScale)) << k << " " << fullScale;
            // Never more than one count below 110 % of the device count.
            ASSERT_LE(v * 10, k * 11) << k;
            ASSERT_GT((v + 1) * 10, k * 11 - 10) << k;
        }
    }
}

TEST(CountToNewton, UsesTheMeasurementGraphScale)
{
    EXPECT_DOUBLE_EQ(CountToNewton(4095, 500), 500.0);
    EXPECT_NEAR(CountToNewton(82, 500), 10.0122, 1e-4);
    EXPECT_NEAR(CountToNewton(683, 300), 50.0366, 1e-4);
    EXPECT_LT(CountToNewton(682, 300), 50.0);
    EXPECT_EQ(CountToNewton(0, 300), 0.0);
}

TEST(DeviceInfo, IdentificationAndVariant)
{
    klvdevice::DeviceIdentity id;
    id.variant = klvdevice::Variant::N500;
    klvdevice::DeviceInfo info = klvdevice::MakeDeviceInfo(id);
    EXPECT_TRUE(DeviceInfoMatches(info.data()));
    EXPECT_EQ(DeviceFullScale(info.data()), 500);
    id.variant = klvdevice::Variant::N300;
    info = klvdevice::MakeDeviceInfo(id);
    EXPECT_EQ(DeviceFullScale(info.data()), 300);
    info[10] = 'B';
    EXPECT_FALSE(DeviceInfoMatches(info.data()));
}

TEST(PortName, IndexPlusOneAndCom1WhenMissing)
{
    char name[16];
    MakePortName(name, sizeof(name), true, 0);
    EXPECT_STREQ(name, "COM1");
    MakePortName(name, sizeof(name), true, 31);
    EXPECT_STREQ(name, "COM32");
    MakePortName(name, sizeof(name), false, 7);
    EXPECT_STREQ(name, "COM1");
    MakePortName(name, sizeof(name), true, 32);
    EXPECT_STREQ(name, "COM1");
}

TEST(Texts, AreWindows1252Bytes)
{
    const std::string measuring = AppString(IDS_MEASURING);
    EXPECT_EQ(measuring, std::string("Misurazione %d ") + '\xE8' + " in corso...");
    const std::string result = AppString(IDS_RESULT_EFF_MARKED);
    EXPECT_NE(result.find(std::string("\r\nEnerg") + '\xEC' + "a:\t\t\t%0.2f J"),
              std::string::npos);
    const std::string notFound = AppString(IDS_SENSOR_NOT_FOUND);
    EXPECT_EQ(notFound, std::string("Il sensore non ") + '\xE8' +
                            " potuto essere trovato.\r\nPer piacere controllate la conessione al "
                            "port seriale del Vs. PC.");
    const std::string notOpened = AppString(IDS_PORT_NOT_OPENED);
    const std::string opening =
        std::string("L'apparecchio \"%s\" non ") + '\xE8' + " potuto essere aperto.\r\n";
    EXPECT_EQ(notOpened.substr(0, opening.size()), opening);
    EXPECT_NE(
        notOpened.find("Probalbilmente viene utilizzatoda un altro programma o dal mouse.\r\n"),
        std::string::npos);
    EXPECT_NE(notOpened.find("nel dialogo \"Impostazioni\" (menu di file)."), std::string::npos);
    // No UTF-8 sequences slipped in: every byte above 0x7F is one of è, ì
    // and the ß of the maker's address.
    for (std::size_t i = 0; i < kAppStringCount; ++i) {
        for (const char* p = kAppStrings[i].text; *p; ++p) {
            const auto b = static_cast<unsigned char>(*p);
            if (b >= 0x80) {
                EXPECT_TRUE(b == 0xE8 || b == 0xEC || b == 0xDF)
                    << kAppStrings[i].id << " byte " << int(b);
            }
        }
    }
    EXPECT_EQ(AppString(12345), nullptr);
}

TEST(Texts, FormatWithArgumentsAndCut)
{
    char buf[128];
    EXPECT_STREQ(FormatAppString(buf, sizeof(buf), IDS_WAIT_START, 2),
                 "Aspetti l'avviamento di misurazione 2...");
    EXPECT_STREQ(FormatAppString(buf, sizeof(buf), IDS_WAIT_THRESHOLD, 3),
                 "Aspetti il superamento della soglia per la misuratione 3...");
    EXPECT_STREQ(FormatAppString(buf, 8, IDS_FORCE_GRAPH_NAME), "Forza d");
    EXPECT_STREQ(FormatAppString(buf, sizeof(buf), 29999), ""); // an id without text
    FormatAppString(buf, sizeof(buf), IDS_PORT_NOT_OPENED, "COM7");
    EXPECT_EQ(std::string(buf, 23), "L'apparecchio \"COM7\" no");
}

TEST(SensorLine, CalibrationIsCutOff)
{
    char line[512];
    FormatAppString(line, sizeof(line), IDS_SENSOR_LINE, "KLV1-AC5", "4711", "12", "03", "24");
    EXPECT_STREQ(line, "       S\tSensore:\tKLV1-AC5  SN4711\r\n       M\tCalibratura:\t12.03.24");
    CutSensorLine(line);
    EXPECT_STREQ(line, "       S\tSensore:\tKLV1-AC5  SN4711\r\n       M");
}

TEST(TitleDate, IsTheUtcDate)
{
    // 2026-12-07 00:30 in Berlin (UTC+1) is still 6 December in UTC.
    const std::int64_t berlinHalfPastMidnight = 1796599800; // 2026-12-06 23:30 UTC
    MeasDate d = MeasDateFromUnixTime(berlinHalfPastMidnight);
    EXPECT_EQ(d.day, 6);
    EXPECT_EQ(d.month, 12);
    EXPECT_EQ(d.year, 2026);
    d = MeasDateFromUnixTime(1796603400); // 2026-12-07 00:30 UTC
    EXPECT_EQ(d.day, 7);
    d = MeasDateFromUnixTime(0);
    EXPECT_EQ(d.year, 1970);
    EXPECT_EQ(d.month, 1);
    EXPECT_EQ(d.day, 1);
    d = MeasDateFromUnixTime(951782400); // 2000-02-29
    EXPECT_EQ(d.day, 29);
    EXPECT_EQ(d.month, 2);
    d = MeasDateFromUnixTime(-1); // 1969-12-31 23:59:59
    EXPECT_EQ(d.year, 1969);
    EXPECT_EQ(d.day, 31);
}

TEST(MessDescrRecord, FullRecordHasFourZeroedCurves)
{
    MessDescr* d = AllocMessDescr();
    ASSERT_NE(d, nullptr);
    EXPECT_TRUE(MessDescrHasCurves(d));
    std::int16_t* curves[4] = {d->pCurve[0], d->pCurve[1], d->pCurve[2], d->pMeanCurve};
    for (int c = 0; c < 4; ++c) {
        ASSERT_NE(curves[c], nullptr);
        for (int j = 0; j < c; ++j)
            EXPECT_NE(curves[c], curves[j]);
        for (int i = 0; i < kMessCurveSamples; ++i)
            ASSERT_EQ(curves[c][i], 0);
        curves[c][kMessCurveSamples - 1] = 7; // each buffer holds 3750 samples
    }
    EXPECT_EQ(d->szTitle[0], 0);
    EXPECT_EQ(d->nFullScale, 0);
    EXPECT_EQ(d->dPulseDuration[3], 0.0);
    FreeMessDescr(d);
}

TEST(MessDescrRecord, EmptyRecordHasNoCurves)
{
    MessDescr* d = AllocEmptyMessDescr();
    ASSERT_NE(d, nullptr);
    EXPECT_FALSE(MessDescrHasCurves(d));
    EXPECT_EQ(d->pMeanCurve, nullptr);
    EXPECT_EQ(d->szRemarks[0], 0);
    EXPECT_EQ(d->dEffForce[0], 0.0);
    FreeMessDescr(d);
    FreeMessDescr(nullptr);
    EXPECT_FALSE(MessDescrHasCurves(nullptr));
}

} // namespace
