// devicestream.h - the force-measuring device on the wire: command bytes,
// the identification block and the three-byte samples of its stream.
#ifndef DEVICESTREAM_H
#define DEVICESTREAM_H

#include <cstddef>
#include <cstdint>

// Command bytes. 0x84/0x85 and 0x88/0x89 are the two pairs with which the
// device's lamps follow the run; the run only ever sends them in its fixed order.
constexpr std::uint8_t kCmdStreamStart = 0xE0; // starts the sample stream
constexpr std::uint8_t kCmdStop = 0xF0;        // first at opening, last at the end
constexpr std::uint8_t kCmd84 = 0x84;
constexpr std::uint8_t kCmd85 = 0x85;
constexpr std::uint8_t kCmd88 = 0x88;
constexpr std::uint8_t kCmd89 = 0x89;
constexpr std::uint8_t kCmdIdentRequest = 0x52; // 'R', followed by an index 0..29

// The identification block, read byte by byte with 'R' + index.
constexpr int kDeviceInfoSize = 30;
constexpr int kDeviceIdOffset = 4; // "KLV1-AC"
constexpr int kDeviceIdLength = 7;
constexpr int kDeviceVariantOffset = 11;     // '5': 500 N sensor
constexpr int kDeviceSensorTypeOffset = 4;   // bytes 4..11, shown as "%.8s"
constexpr int kDeviceSerialOffset = 12;      // bytes 12..15
constexpr int kDeviceCalibrationOffset = 16; // three fields of two characters
extern const char kDeviceId[];               // "KLV1-AC"

// True when bytes 4..10 of the block are "KLV1-AC".
bool DeviceInfoMatches(const std::uint8_t info[kDeviceInfoSize]);
// 500 for the range variant '5', 300 for any other.
int DeviceFullScale(const std::uint8_t info[kDeviceInfoSize]);

// A sample of the stream. Only the status byte has bit 7 set.
constexpr int kTripletSize = 3;
constexpr std::uint8_t kTripletMark = 0x80;
constexpr std::uint8_t kStatusGreenDark = 0x40;
constexpr std::uint8_t kStatusRedDark = 0x20;
constexpr std::uint8_t kStatusNoRequest = 0x10;

inline bool IsStatusByte(std::uint8_t b)
{
    return (b & kTripletMark) != 0;
}
inline bool IsStartRequest(std::uint8_t status)
{
    return (status & kStatusNoRequest) == 0;
}
inline bool IsRedLit(std::uint8_t status)
{
    return (status & kStatusRedDark) == 0;
}
inline bool IsGreenLit(std::uint8_t status)
{
    return (status & kStatusGreenDark) == 0;
}
// A triplet whose data bytes carry bit 7 is dropped.
inline bool TripletDataValid(std::uint8_t high, std::uint8_t low)
{
    return ((high | low) & kTripletMark) == 0;
}
// The device count 0..4095: bits 11-5 in byte 1, bits 4-0 in bits 6-2 of byte 2.
inline int DecodeTripletCount(std::uint8_t high, std::uint8_t low)
{
    return (high & 0x7F) * 32 + (low & 0x7F) / 4;
}

// The device count spans 110 % of the sensor's nominal range; rescaled, 4095
// stands for the nominal full scale. Each quotient is computed in double and
// rounded once to a 32-bit float (10 -> 11, 621 -> 683, 4095 -> 4504), the
// same on every build. fullScale is 300 or 500; the result is the same for both.
std::int16_t RescaleCount(int count, int fullScale);

// The value in N of an offset-corrected count on the measurement graph's
// scale (0 .. 4095 for 0 .. fullScale), computed as the graph library does:
// dMinValue + raw / nMaxBit * (dMaxValue - dMinValue).
double CountToNewton(int count, int fullScale);

// "COM%d" with the 0-based settings index + 1; "COM1" when no index was read.
void MakePortName(char* buf, std::size_t size, bool haveIndex, std::uint32_t index);

#endif
