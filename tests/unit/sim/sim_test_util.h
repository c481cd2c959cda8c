// Helpers shared by the device model tests.
#ifndef SIM_TEST_UTIL_H
#define SIM_TEST_UTIL_H

#include <gtest/gtest.h>

#include <vector>

#include "device_model.h"

namespace simtest {

// Splits an aligned stream into triplets (fails the test on a misaligned stream).
inline std::vector<klvdevice::DecodedTriplet> triplets(const std::vector<std::uint8_t>& bytes)
{
    std::vector<klvdevice::DecodedTriplet> out;
    EXPECT_EQ(bytes.size() % 3, 0u);
    for (std::size_t i = 0; i + 3 <= bytes.size(); i += 3)
        out.push_back(klvdevice::DecodeTriplet(&bytes[i]));
    return out;
}

// `n` samples pulled unpaced from a streaming model.
inline std::vector<klvdevice::DecodedTriplet> samples(klvdevice::DeviceModel& m, std::size_t n)
{
    return triplets(m.Pull(3 * n));
}

} // namespace simtest

#endif
