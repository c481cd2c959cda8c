// blocktiming.cpp - per-block handling times of the measurement dialog,
// written as text: one line per block with its handling time in
// microseconds, then "samples", "blocks", "stream_ms" (first to last block)
// and "cpu_ms" (user and kernel time of the process over the same span).
#include "blocktiming.h"

#include <windows.h>

#include <cstdio>
#include <vector>

namespace {

struct BlockTimes {
    char path[MAX_PATH];
    LARGE_INTEGER frequency;
    LARGE_INTEGER blockStart;
    std::vector<unsigned> micros;
    unsigned long long samples;
    DWORD firstTick;
    DWORD lastTick;
    ULONGLONG firstCpu100ns;
    ULONGLONG lastCpu100ns;
};

BlockTimes* gTimes = nullptr;

ULONGLONG ProcessCpu100ns()
{
    FILETIME created, exited, kernel, user;
    GetProcessTimes(GetCurrentProcess(), &created, &exited, &kernel, &user);
    auto value = [](const FILETIME& t) {
        return (static_cast<ULONGLONG>(t.dwHighDateTime) << 32) | t.dwLowDateTime;
    };
    return value(kernel) + value(user);
}

} // namespace

void BlockTimingOpen()
{
    char path[MAX_PATH];
    const DWORD length = GetEnvironmentVariableA("KLV_BLOCK_TIMES", path, sizeof(path));
    if (length == 0 || length >= sizeof(path) || gTimes)
        return;
    gTimes = new BlockTimes();
    lstrcpynA(gTimes->path, path, sizeof(gTimes->path));
    QueryPerformanceFrequency(&gTimes->frequency);
    // Room for well over ten minutes of blocks: no allocation while streaming.
    gTimes->micros.reserve(16384);
}

void BlockTimingBegin()
{
    if (!gTimes)
        return;
    if (gTimes->micros.empty()) {
        gTimes->firstTick = GetTickCount();
        gTimes->firstCpu100ns = ProcessCpu100ns();
    }
    QueryPerformanceCounter(&gTimes->blockStart);
}

void BlockTimingEnd()
{
    if (!gTimes)
        return;
    LARGE_INTEGER end;
    QueryPerformanceCounter(&end);
    const double micros = static_cast<double>(end.QuadPart - gTimes->blockStart.QuadPart) * 1e6 /
                          static_cast<double>(gTimes->frequency.QuadPart);
    if (gTimes->micros.size() < gTimes->micros.capacity())
        gTimes->micros.push_back(static_cast<unsigned>(micros + 0.5));
    gTimes->lastTick = GetTickCount();
    gTimes->lastCpu100ns = ProcessCpu100ns();
}

void BlockTimingCountSamples(int count)
{
    if (gTimes && count > 0)
        gTimes->samples += static_cast<unsigned>(count);
}

void BlockTimingClose()
{
    if (!gTimes)
        return;
    if (FILE* f = std::fopen(gTimes->path, "w")) {
        for (unsigned micros : gTimes->micros)
            std::fprintf(f, "%u\n", micros);
        std::fprintf(f, "samples %llu\nblocks %u\nstream_ms %lu\ncpu_ms %llu\n", gTimes->samples,
                     static_cast<unsigned>(gTimes->micros.size()),
                     static_cast<unsigned long>(gTimes->lastTick - gTimes->firstTick),
                     (gTimes->lastCpu100ns - gTimes->firstCpu100ns) / 10000ULL);
        std::fclose(f);
    }
    delete gTimes;
    gTimes = nullptr;
}
