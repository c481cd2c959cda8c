// Times the full redraw of graph windows (grid, labels and curves drawn off
// screen and copied to the window) and counts the line segments the column
// reduction leaves per pixel column. Run under Wine: bench/graph_draw_bench.sh
//   graph_draw_bench.exe [rounds]
#include "varnok.h"

#include "plotmodel.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <algorithm>
#include <vector>

namespace {

constexpr int kWindowWidth = 1000;
constexpr int kWindowHeight = 600;
constexpr double kTimeBase = 0.0016;

HWND CreateBenchWindow(const char* title)
{
    return CreateWindowExA(0, "GraphWindow", title, WS_POPUP | WS_VISIBLE, 0, 0, kWindowWidth,
                           kWindowHeight, nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
}

// A door closing: a rise to a peak, a decay and sensor noise of up to
// noiseCounts raw counts, with a different shape per graph.
void FillForceCurve(HWND w, int index, int samples, unsigned noiseCounts = 40)
{
    int16_t* p = _GetGraphDataPtr(w, index);
    unsigned noise = 12345u + index;
    for (int i = 0; i < samples; ++i) {
        double t = static_cast<double>(i) / samples;
        double pulse = std::exp(-std::pow((t - 0.3 - 0.1 * index) * 12.0, 2.0));
        noise = noise * 1103515245u + 12345u;
        p[i] = static_cast<int16_t>(200 + 3000 * pulse +
                                    (noiseCounts ? (noise >> 16) % noiseCounts : 0));
    }
    _SetGraphBuffEnd(w, samples, index);
}

void Pump()
{
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
}

double Now()
{
    static LARGE_INTEGER frequency = [] {
        LARGE_INTEGER f;
        QueryPerformanceFrequency(&f);
        return f;
    }();
    LARGE_INTEGER c;
    QueryPerformanceCounter(&c);
    return static_cast<double>(c.QuadPart) / frequency.QuadPart;
}

// Median and best time of a full redraw, in milliseconds. The median, as
// the machine may be busy with other work meanwhile.
void TimeFullRedraws(HWND w, int rounds, double* median, double* best)
{
    GraphData* d = _GetDataPtr(w);
    std::vector<double> times;
    for (int r = 0; r < rounds; ++r) {
        Pump();
        d->bRedraw = 1;
        InvalidateRect(w, nullptr, FALSE);
        double start = Now();
        UpdateWindow(w);
        times.push_back((Now() - start) * 1000.0);
    }
    std::sort(times.begin(), times.end());
    *median = times[times.size() / 2];
    *best = times.front();
}

double SegmentsPerColumn(HWND w, int index)
{
    const GraphData* d = _GetDataPtr(w);
    const GraphRecord* g = d->pGraphs[index];
    klv::PlotFrame f = {d->rcPlot.left,  d->rcPlot.right, d->rcPlot.bottom,
                        d->rcPlot.top,   d->dTimeMin,     d->dZoomTimeMin,
                        d->dZoomTimeMax, d->nZoomMinBit,  d->nZoomMaxBit};
    klv::Curve curve;
    klv::BuildCurve(f, g->pData, g->nBuffEnd, g->dTimeBase, curve);
    return curve.line.empty() ? 0.0
                              : static_cast<double>(curve.line.size() - 1) / (f.right - f.left);
}

void Report(const char* name, HWND w, int graphs, int rounds)
{
    double median = 0.0, best = 0.0;
    TimeFullRedraws(w, rounds, &median, &best);
    const GraphData* d = _GetDataPtr(w);
    std::printf("%-24s plot %d px wide: full redraw median %.2f ms, best %.2f ms (%d rounds)\n",
                name, d->rcPlot.right - d->rcPlot.left, median, best, rounds);
    for (int g = 0; g < graphs; ++g)
        std::printf("%-24s   graph %d: %.2f line segments per pixel column\n", "", g,
                    SegmentsPerColumn(w, g));
}

} // namespace

int main(int argc, char** argv)
{
    int rounds = argc > 1 ? std::atoi(argv[1]) : 50;
    if (rounds < 1)
        rounds = 1;
    if (!LoadLibraryA("varnok.dll")) {
        std::printf("varnok.dll not found\n");
        return 1;
    }

    HWND one = CreateBenchWindow("3750 samples");
    _SetGraphStyle(one, 8, 6, 10, -1.0, 5.0);
    _AddGraph(one, "Kraft", "N", 0.0, 300.0, 0, 4095, kTimeBase, 3750);
    FillForceCurve(one, 0, 3750);
    Pump();
    Report("1 x 3750 samples", one, 1, rounds);
    DestroyWindow(one);

    constexpr int kLong = 200000;
    HWND four = CreateBenchWindow("4 x 200000 samples");
    _SetGraphStyle(four, 8, 6, 10, 0.0, kLong * kTimeBase);
    for (int g = 0; g < 4; ++g) {
        _AddGraph(four, "Kraft", "N", 0.0, 300.0, 0, 4095, kTimeBase, kLong);
        FillForceCurve(four, g, kLong);
        _GetDataPtr(four)->nShown[g] = g + 1;
    }
    Pump();
    Report("4 x 200000 samples", four, 4, rounds);
    DestroyWindow(four);

    // The same curve without noise: what the column reduction leaves of a
    // smooth signal.
    HWND quiet = CreateBenchWindow("200000 samples, no noise");
    _SetGraphStyle(quiet, 8, 6, 10, 0.0, kLong * kTimeBase);
    _AddGraph(quiet, "Kraft", "N", 0.0, 300.0, 0, 4095, kTimeBase, kLong);
    FillForceCurve(quiet, 0, kLong, 0);
    Pump();
    Report("1 x 200000, no noise", quiet, 1, rounds);
    DestroyWindow(quiet);
    return 0;
}
