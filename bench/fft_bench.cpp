// Times the spectrum core of varnok.dll against FFTW (single precision) doing
// the same number of complex transforms of the same length in the same run.
// Not a test: it prints times and ratios (ours / FFTW), lower is better.
//   klv_bench [seconds-per-measurement]
#include "signalproc.h"

#include <fftw3.h>

#include <algorithm>
#include <ctime>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <random>
#include <vector>

namespace {

// Seconds of processor time this thread has had: on a shared machine the
// time the thread waits for a processor counts against neither side.
double ThreadSeconds()
{
    timespec now;
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) + now.tv_nsec * 1e-9;
}

struct Case {
    const char* name;
    int32_t nSize;
    bool overlap;
    double transformLimit; // target: our transforms / FFTW's at most this
};

// Microseconds (processor time) per call of each function: the best of fifteen rounds, each
// function timed in every round one after the other, each timing repeated
// until it lasts at least `seconds`/15. Taking turns and keeping the best lets
// a busy moment of the shared machine count against neither side.
std::vector<double> MicrosPerCall(const std::vector<std::function<void()>>& fns, double seconds)
{
    constexpr int kRounds = 15;
    std::vector<double> best(fns.size(), 1e300);
    for (const auto& fn : fns)
        fn(); // warm the caches and the pages
    for (int round = 0; round < kRounds; ++round) {
        for (size_t f = 0; f < fns.size(); ++f) {
            long calls = 0;
            const double start = ThreadSeconds();
            double elapsed = 0.0;
            do {
                fns[f]();
                ++calls;
                elapsed = ThreadSeconds() - start;
            } while (elapsed < seconds / kRounds);
            best[f] = std::min(best[f], elapsed * 1e6 / calls);
        }
    }
    return best;
}

std::vector<int16_t> RandomGraph(int32_t n)
{
    std::mt19937 gen(42);
    std::uniform_int_distribution<int> dist(0, 4095);
    std::vector<int16_t> raw(n);
    for (auto& v : raw)
        v = static_cast<int16_t>(dist(gen));
    return raw;
}

// Largest difference between our transform and FFTW's, relative to the
// largest magnitude: shows both compute the same thing.
double RelativeDifference(const float* ours, const fftwf_complex* theirs, uint32_t n)
{
    double diff = 0.0, peak = 0.0;
    for (uint32_t i = 0; i < n; ++i) {
        diff = std::max({diff, std::fabs(double(ours[2 * i]) - theirs[i][0]),
                         std::fabs(double(ours[2 * i + 1]) - theirs[i][1])});
        peak = std::max({peak, std::fabs(double(theirs[i][0])), std::fabs(double(theirs[i][1]))});
    }
    return peak > 0 ? diff / peak : diff;
}

// Whether the case met its targets: transforms within `transformLimit` x
// FFTW's, the whole core within 1.5 x its own transforms.
bool RunCase(const Case& c, double seconds)
{
    const uint32_t m = sigproc::SpectralSize(c.nSize, c.overlap);
    const uint32_t k = sigproc::SpectrumPassCount(static_cast<uint32_t>(c.nSize), m, c.overlap);
    const uint32_t length = 2 * m; // complex points per transform
    const std::vector<int16_t> raw = RandomGraph(c.nSize);
    const sigproc::RawSignal signal{raw.data(), static_cast<uint32_t>(c.nSize), {4095, 0.0, 300.0}};

    // The k passes' input, loaded once as the core loads it.
    std::vector<float> input(static_cast<size_t>(k) * 2 * length);
    for (uint32_t p = 0; p < k; ++p) {
        const uint32_t start = p * (c.overlap ? 2 * m : 4 * m);
        const uint32_t imag = start + (c.overlap ? m : 2 * m);
        for (uint32_t t = 0; t < length; ++t) {
            input[(size_t(p) * length + t) * 2] = signal.At(start + t);
            input[(size_t(p) * length + t) * 2 + 1] = signal.At(imag + t);
        }
    }

    std::vector<float> work(sigproc::SpectrumWorkFloats(m));
    std::vector<float> power(m);
    std::vector<int16_t> out(m);
    fftwf_complex* buf = fftwf_alloc_complex(length);
    fftwf_plan plan =
        fftwf_plan_dft_1d(static_cast<int>(length), buf, buf, FFTW_FORWARD, FFTW_MEASURE);

    // Same input through both, to show they agree.
    std::memcpy(work.data(), input.data(), length * 2 * sizeof(float));
    std::memcpy(buf, input.data(), length * 2 * sizeof(float));
    sigproc::ComplexFftInPlace(work.data(), length);
    fftwf_execute(plan);
    const double agreement = RelativeDifference(work.data(), buf, length);

    auto oursTransforms = [&] {
        for (uint32_t p = 0; p < k; ++p) {
            std::memcpy(work.data(), &input[size_t(p) * length * 2], length * 2 * sizeof(float));
            sigproc::ComplexFftInPlace(work.data(), length);
        }
    };
    auto fftwTransforms = [&] {
        for (uint32_t p = 0; p < k; ++p) {
            std::memcpy(buf, &input[size_t(p) * length * 2], length * 2 * sizeof(float));
            fftwf_execute(plan);
        }
    };
    // Everything _FFT does between the graph and the raw values.
    auto oursWhole = [&] {
        sigproc::SpectrumToDecibelRaw(signal, m, c.overlap, 60, work.data(), power.data(),
                                      out.data());
    };

    const std::vector<double> t =
        MicrosPerCall({fftwTransforms, oursTransforms, oursWhole}, seconds);
    const double tFftw = t[0], tOurs = t[1], tWhole = t[2];
    const bool met = tOurs / tFftw <= c.transformLimit && tWhole / tOurs <= 1.5;
    std::printf("%-34s %6u %6u %2u %11.1f %11.1f %7.2f %11.1f %7.2f %9.2f %9.1e %s\n", c.name, m,
                length, k, tOurs, tFftw, tOurs / tFftw, tWhole, tWhole / tFftw, tWhole / tOurs,
                agreement, met ? "met" : "NOT MET");
    std::fflush(stdout);

    fftwf_destroy_plan(plan);
    fftwf_free(buf);
    return met;
}

} // namespace

int main(int argc, char** argv)
{
    const double seconds = argc > 1 ? std::atof(argv[1]) : 1.0;
    std::printf("Spectrum core vs FFTW %s (single precision, FFTW_MEASURE plan), "
                "same transforms in the same run\n",
                fftwf_version);
    std::printf("times in microseconds of this thread's processor time per spectrum; ratio = ours"
                " / FFTW\n\n");
    std::printf("%-34s %6s %6s %2s %11s %11s %7s %11s %7s %9s %9s %s\n", "case", "m", "N", "k",
                "transforms", "FFTW", "ratio", "whole core", "ratio", "core/ours", "max diff",
                "targets");
    const Case cases[] = {
        {"largest: 200000 samples, overlap", 200000, true, 3.0},
        {"document: 3750 samples", 3750, false, 5.0},
        {"document: 3750 samples, overlap", 3750, true, 5.0},
    };
    for (const Case& c : cases)
        RunCase(c, seconds);
    std::printf("\ntransforms: k in-place transforms of N complex points (with the copy of the"
                " input, as FFTW's);\nwhole core: conversion of the samples, the k transforms,"
                " power accumulation, normalisation and decibel mapping;\ncore/ours: whole core"
                " / our transforms; targets: transforms <= 3 x FFTW (largest), <= 5 x\n(documents),"
                " whole core <= 1.5 x our transforms.\n");
    return 0;
}
