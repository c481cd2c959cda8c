// Force levels over time for the timed scenario events (internal to klvdevice).
#ifndef FORCE_PROFILE_H
#define FORCE_PROFILE_H

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

// The generator of one sample's noise: a function of the scenario's seed, the
// point the samples are counted from and the sample's number since it, so a
// sample's noise does not depend on the samples sent or lost before it.
Random SampleNoise(std::uint64_t seed, std::uint64_t anchor, std::uint64_t number);

} // namespace klvdevice

#endif
