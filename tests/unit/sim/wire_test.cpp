// The device's wire format: identification table, triplets, pacing.
#include <gtest/gtest.h>

#include <string>

#include "device_model.h"

using namespace klvdevice;

namespace {

std::string chars(const DeviceInfo& d, int from, int n)
{
    return std::string(reinterpret_cast<const char*>(d.data()) + from, n);
}

TEST(DeviceInfoTable, Variant500HasIdentSensorSerialAndDate)
{
    DeviceIdentity id;
    id.variant = Variant::N500;
    id.serial = "4711";
    id.calibration = {"12", "03", "24"};
    DeviceInfo d = MakeDeviceInfo(id);
    EXPECT_EQ(chars(d, 4, 7), "KLV1-AC");
    EXPECT_EQ(d[11], '5');
    EXPECT_EQ(chars(d, 4, 8), "KLV1-AC5");
    EXPECT_EQ(chars(d, 12, 4), "4711");
    EXPECT_EQ(chars(d, 16, 6), "120324");
    for (int i : {0, 1, 2, 3, 22, 23, 24, 25, 26, 27, 28, 29})
        EXPECT_EQ(d[i], 0) << i;
    EXPECT_NE(d[21], 0xFF);
}

TEST(DeviceInfoTable, Variant300HasDigit3AndDefaultsFillTheRest)
{
    DeviceIdentity id;
    id.variant = Variant::N300;
    DeviceInfo d = MakeDeviceInfo(id);
    EXPECT_EQ(chars(d, 4, 8), "KLV1-AC3");
    EXPECT_EQ(chars(d, 12, 4), "0815");
    EXPECT_EQ(chars(d, 16, 6), "010124");
}

TEST(DeviceInfoTable, ModelAnswersEveryIndexFromItsTable)
{
    DeviceModel m(ParseScenario("variant 300\nserial Q9x1\ncalibration 5 11 99\n"));
    DeviceInfo expected = m.CurrentDeviceInfo();
    EXPECT_EQ(chars(expected, 4, 12), "KLV1-AC3Q9x1");
    EXPECT_EQ(chars(expected, 16, 6), "051199");
    for (std::uint8_t i = 0; i < 30; ++i) {
        m.Write({0x52, i});
        auto got = m.Pull(10);
        ASSERT_EQ(got.size(), 1u) << int(i);
        EXPECT_EQ(got[0], expected[i]) << int(i);
    }
}

TEST(Triplet, KnownTripletE01234IsCount589WithStartRequestAndLampsDark)
{
    const std::uint8_t b[3] = {0xE0, 0x12, 0x34};
    DecodedTriplet d = DecodeTriplet(b);
    EXPECT_TRUE(d.valid);
    EXPECT_EQ(d.count, 589);
    EXPECT_TRUE(d.status.startRequest);
    EXPECT_FALSE(d.status.redLit);
    EXPECT_FALSE(d.status.greenLit);
    Triplet t = EncodeTriplet(589, SampleStatus{true, false, false});
    EXPECT_EQ(t, (Triplet{0xE0, 0x12, 0x34}));
}

TEST(Triplet, StatusBitsFollowLampsAndRequest)
{
    EXPECT_EQ(EncodeStatus({false, false, false}), 0xF0);
    EXPECT_EQ(EncodeStatus({false, true, false}), 0xD0); // red lit: bit 5 clear
    EXPECT_EQ(EncodeStatus({false, false, true}), 0xB0); // green lit: bit 6 clear
    EXPECT_EQ(EncodeStatus({true, true, true}), 0x80);
}

TEST(Triplet, CountBoundariesAndClamping)
{
    EXPECT_EQ(EncodeTriplet(0, {}), (Triplet{0xF0, 0x00, 0x00}));
    EXPECT_EQ(EncodeTriplet(4095, {}), (Triplet{0xF0, 0x7F, 0x7C}));
    EXPECT_EQ(EncodeTriplet(5000, {}), EncodeTriplet(4095, {}));
    EXPECT_EQ(EncodeTriplet(-3, {}), EncodeTriplet(0, {}));
    for (int k = 0; k <= 4095; ++k) {
        Triplet t = EncodeTriplet(k, SampleStatus{k % 2 == 0, k % 3 == 0, k % 5 == 0});
        ASSERT_EQ(t[1] & 0x80, 0);
        ASSERT_EQ(t[2] & 0x83, 0);
        DecodedTriplet d = DecodeTriplet(t.data());
        ASSERT_TRUE(d.valid);
        ASSERT_EQ(d.count, k);
        ASSERT_EQ(d.status.startRequest, k % 2 == 0);
        ASSERT_EQ(d.status.redLit, k % 3 == 0);
        ASSERT_EQ(d.status.greenLit, k % 5 == 0);
    }
}

TEST(Triplet, Bit7InByte1Or2MakesItInvalid)
{
    const std::uint8_t a[3] = {0xF0, 0x92, 0x34}, b[3] = {0xF0, 0x12, 0xB4},
                       c[3] = {0x70, 0x12, 0x34};
    EXPECT_FALSE(DecodeTriplet(a).valid);
    EXPECT_FALSE(DecodeTriplet(b).valid);
    EXPECT_FALSE(DecodeTriplet(c).valid);
}

TEST(Scale, Count4095IsOnePointOneTimesFullScale)
{
    EXPECT_EQ(FullScaleNewtons(Variant::N300), 300);
    EXPECT_EQ(FullScaleNewtons(Variant::N500), 500);
    EXPECT_DOUBLE_EQ(NewtonsToCounts(Variant::N500, 550.0), 4095.0);
    EXPECT_DOUBLE_EQ(NewtonsToCounts(Variant::N300, 330.0), 4095.0);
    EXPECT_NEAR(NewtonsToCounts(Variant::N500, 500.0), 3722.7, 0.05);
    EXPECT_NEAR(NewtonsToCounts(Variant::N300, 50.0), 620.45, 0.01);
}

TEST(Pacing, SamplesAndBytesPerTime)
{
    EXPECT_EQ(kBytesPerSecond, 1875);
    EXPECT_EQ(SamplesSentAfter(0), 0u);
    EXPECT_EQ(SamplesSentAfter(1599), 0u);
    EXPECT_EQ(SamplesSentAfter(1600), 1u);
    EXPECT_EQ(SamplesSentAfter(1000000), 625u);
    EXPECT_EQ(StreamBytesSentAfter(1000000), 1875u);
    EXPECT_EQ(StreamBytesSentAfter(102400), 192u); // one block of the receive thread
    EXPECT_EQ(SampleDueTime(0), 1600u);
    EXPECT_EQ(SampleDueTime(624), 1000000u);
    EXPECT_EQ(SecondsToMicros(0.2), 200000u);
    EXPECT_EQ(SecondsToMicros(-1.0), 0u);
}

TEST(Pacing, ModelStreamsAtTheGridWhenDrivenByTime)
{
    DeviceModel m;
    m.AdvanceTo(5000);
    m.Write({0xE0});
    m.AdvanceTo(5000 + 1599);
    EXPECT_EQ(m.PendingOutput(), 0u);
    m.AdvanceTo(5000 + 1600);
    EXPECT_EQ(m.PendingOutput(), 3u);
    m.AdvanceTo(5000 + 1000000);
    EXPECT_EQ(m.PendingOutput(), 1875u);
    EXPECT_EQ(m.SamplesSent(), 625u);
}

TEST(Pacing, UnpacedPullMovesTheClockOneSamplePeriodPerSample)
{
    DeviceModel m;
    m.Write({0xE0});
    auto bytes = m.Pull(3 * 625);
    EXPECT_EQ(bytes.size(), 1875u);
    EXPECT_EQ(m.Now(), 1000000u);
    m.Write({0xF0});
    EXPECT_TRUE(m.Pull(100).empty());
    EXPECT_EQ(m.Now(), 1000000u);
}

} // namespace
