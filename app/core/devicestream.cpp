// devicestream.cpp - identification block, rescaling and value conversion.
#include "devicestream.h"

#include <cstdio>
#include <cstring>

const char kDeviceId[] = "KLV1-AC";

bool DeviceInfoMatches(const std::uint8_t info[kDeviceInfoSize])
{
    return std::memcmp(info + kDeviceIdOffset, kDeviceId, kDeviceIdLength) == 0;
}

int DeviceFullScale(const std::uint8_t info[kDeviceInfoSize])
{
    return info[kDeviceVariantOffset] == '5' ? 500 : 300;
}

std::int16_t RescaleCount(int count, int fullScale)
{
    // 110 % of the nominal range, in N.
    const double deviceRange = fullScale == 500 ? 550.0 : 330.0;
    const double nominal = fullScale == 500 ? 500.0 : 300.0;
    // The volatile stores force each rounding: the x87 unit of the 32-bit
    // build would otherwise carry extra precision from one step to the next.
    volatile double quotient = static_cast<double>(count) * deviceRange / 4095.0;
    volatile float newtons = static_cast<float>(quotient);
    quotient = static_cast<double>(newtons) * 4095.0 / nominal;
    volatile float counts = static_cast<float>(quotient);
    return static_cast<std::int16_t>(static_cast<int>(counts));
}

double CountToNewton(int count, int fullScale)
{
    const double minValue = 0.0;
    const double maxValue = fullScale;
    const double maxBit = 4095.0;
    return minValue + (static_cast<double>(count) / maxBit) * (maxValue - minValue);
}

void MakePortName(char* buf, std::size_t size, bool haveIndex, std::uint32_t index)
{
    // An index outside the 32 ports of the settings opens COM1, as a missing one.
    const unsigned number = haveIndex && index < 32 ? index + 1 : 1;
    std::snprintf(buf, size, "COM%u", number);
}
