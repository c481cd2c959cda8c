// Force levels over time for the timed scenario events (internal to klvdevice).
#pragma once

#include <cstdint>

namespace klvdevice {

// Linear ramp from `from` to `to` over `duration` seconds, at `t` seconds.
double RampForce(double from, double to, double duration, double t);

// Deterministic pseudo-random numbers (splitmix64), the same on every platform.
class Random {
public:
    explicit Random(std::uint64_t seed = 0) : state_(seed) {}
    std::uint64_t Next();
    // Uniform whole number in -amplitude..amplitude.
    int Symmetric(int amplitude);

private:
    std::uint64_t state_;
};

} // namespace klvdevice
