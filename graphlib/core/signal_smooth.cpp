// Centred moving average of a graph's samples, in place.
#include "signalproc.h"

namespace sigproc {

bool SmoothSamples(int16_t* samples, int32_t nSize, uint32_t windowLength)
{
    const uint32_t a = windowLength;
    if (nSize < kSmoothMinSamples || a > kSmoothMaxWindow || a == 0)
        return false;
    const uint32_t n = static_cast<uint32_t>(nSize);
    if (a > n)
        return false;

    // The ring holds the unsmoothed samples i .. i+a-1; it reads ahead of the
    // write position i + a/2, so every mean is one of the original curve.
    int16_t ring[kSmoothMaxWindow];
    for (uint32_t r = 0; r < a; ++r)
        ring[r] = samples[r];

    const uint32_t centre = a / 2;
    uint32_t r = 0;
    for (uint32_t i = 0; i < n; ++i) {
        double sum = 0.0;
        for (uint32_t j = 0; j < a; ++j)
            sum += ring[j];
        samples[i + centre] = static_cast<int16_t>(sum / a);
        if (i + a >= n)
            break;
        ring[r] = samples[i + a];
        if (++r == a)
            r = 0;
    }
    return true;
}

} // namespace sigproc
