#include "force_profile.h"

namespace klvdevice {

double RampForce(double from, double to, double duration, double t)
{
    if (duration <= 0.0 || t >= duration)
        return to;
    if (t <= 0.0)
        return from;
    return from + (to - from) * (t / duration);
}

std::uint64_t Random::Next()
{
    std::uint64_t z = (state_ += 0x9E3779B97F4A7C15ull);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    return z ^ (z >> 31);
}

int Random::Symmetric(int amplitude)
{
    if (amplitude <= 0)
        return 0;
    const std::uint64_t span = 2ull * static_cast<std::uint64_t>(amplitude) + 1;
    return static_cast<int>(Next() % span) - amplitude;
}

} // namespace klvdevice
