// The device's wire format: pacing, identification bytes and sample triplets.
#include "device_model.h"

#include <algorithm>
#include <cmath>

namespace klvdevice {

std::uint64_t SamplesSentAfter(Micros elapsed)
{
    return elapsed / kSamplePeriodUs;
}

std::uint64_t StreamBytesSentAfter(Micros elapsed)
{
    return SamplesSentAfter(elapsed) * kBytesPerSample;
}

Micros SampleDueTime(std::uint64_t n)
{
    return (n + 1) * kSamplePeriodUs;
}

Micros SecondsToMicros(double seconds)
{
    if (!(seconds > 0.0))
        return 0;
    return static_cast<Micros>(std::llround(seconds * 1e6));
}

int FullScaleNewtons(Variant v)
{
    return v == Variant::N500 ? 500 : 300;
}

double CountsPerNewton(Variant v)
{
    return kMaxCount / (kCountSpan * FullScaleNewtons(v));
}

double NewtonsToCounts(Variant v, double newtons)
{
    return newtons * CountsPerNewton(v);
}

DeviceInfo MakeDeviceInfo(const DeviceIdentity& id)
{
    DeviceInfo info{};
    auto put = [&info](std::size_t at, const std::string& text, std::size_t width) {
        for (std::size_t i = 0; i < width && i < text.size(); ++i)
            info[at + i] = static_cast<std::uint8_t>(text[i]);
    };
    put(4, id.ident, 7);
    info[11] = id.variant == Variant::N500 ? '5' : '3';
    put(12, id.serial, 4);
    put(16, id.calibration[0], 2);
    put(18, id.calibration[1], 2);
    put(20, id.calibration[2], 2);
    return info;
}

std::uint8_t EncodeStatus(const SampleStatus& s)
{
    std::uint8_t b = 0x80;
    if (!s.greenLit)
        b |= 0x40;
    if (!s.redLit)
        b |= 0x20;
    if (!s.startRequest)
        b |= 0x10;
    return b;
}

Triplet EncodeTriplet(int count, const SampleStatus& s)
{
    const int k = std::clamp(count, 0, kMaxCount);
    return {EncodeStatus(s), static_cast<std::uint8_t>(k >> 5),
            static_cast<std::uint8_t>((k & 31) << 2)};
}

DecodedTriplet DecodeTriplet(const std::uint8_t* b)
{
    DecodedTriplet d;
    d.valid = (b[0] & 0x80) && !(b[1] & 0x80) && !(b[2] & 0x80);
    d.count = (b[1] & 0x7F) * 32 + (b[2] & 0x7F) / 4;
    d.status.greenLit = !(b[0] & 0x40);
    d.status.redLit = !(b[0] & 0x20);
    d.status.startRequest = !(b[0] & 0x10);
    return d;
}

} // namespace klvdevice
