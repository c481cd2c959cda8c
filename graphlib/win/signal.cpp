// Exported signal processing of varnok.dll: moving average, the low-pass
// entry point and the power spectrum of a graph. The arithmetic is in
// graphlib/core/signal*.cpp; here the graph is found and working memory had.
#include "varnok.h"

#include "globalmem.h"
#include "signalproc.h"

namespace {

// Graph nIndex of the window, or nullptr for a window without a block, an
// index outside the graphs held, or a graph without a buffer. Unlike the
// sample-level calls these whole-graph operations check, because they would
// otherwise read or write a whole buffer through a stray pointer.
GraphRecord* FindGraph(HWND hGraphWnd, int nIndex)
{
    GraphData* data = _GetDataPtr(hGraphWnd);
    if (data == nullptr || nIndex < 0 || nIndex >= data->nGraphs)
        return nullptr;
    GraphRecord* graph = data->pGraphs[nIndex];
    if (graph == nullptr || graph->pData == nullptr)
        return nullptr;
    return graph;
}

void ShowSpectrumMemoryError()
{
    MessageBoxA(nullptr, "Error in Spectrum ()", "", MB_OK);
}

} // namespace

extern "C" {

VARNOK_API void _Smooth(HWND hGraphWnd, int nLength, int nIndex)
{
    GraphRecord* graph = FindGraph(hGraphWnd, nIndex);
    if (graph == nullptr)
        return;
    // A negative length becomes a huge unsigned one and is refused as too long.
    sigproc::SmoothSamples(graph->pData, graph->nSize, static_cast<uint32_t>(nLength));
}

VARNOK_API int _Tiefpass(HWND)
{
    return 1;
}

VARNOK_API double _GetNyquistFreq(HWND hGraphWnd, int nIndex)
{
    GraphRecord* graph = FindGraph(hGraphWnd, nIndex);
    if (graph == nullptr)
        return 0.0;
    return sigproc::NyquistFrequency(graph->dTimeBase);
}

VARNOK_API int _GetSpektralBuffSize(HWND hGraphWnd, int bOverlap, int nIndex)
{
    GraphRecord* graph = FindGraph(hGraphWnd, nIndex);
    if (graph == nullptr)
        return 0;
    return static_cast<int>(sigproc::SpectralSize(graph->nSize, bOverlap != 0));
}

VARNOK_API int _FFT(HWND hGraphWnd, int16_t* pOutput, int nDecibelSpan, int, int bOverlap,
                    int nIndex)
{
    GraphRecord* graph = FindGraph(hGraphWnd, nIndex);
    // Refused without writing anything: no graph, nowhere to write, no decibel
    // scale (a span must be positive) or no y scale to convert samples with.
    if (graph == nullptr || pOutput == nullptr || nDecibelSpan <= 0)
        return 0;
    const GraphData* data = _GetDataPtr(hGraphWnd);
    if (data->nMaxBit == 0)
        return 0;

    const bool overlap = bOverlap != 0;
    const uint32_t m = sigproc::SpectralSize(graph->nSize, overlap);
    // The working memory the estimate needs: 2m complex points and m bins
    // (one spare value each).
    float* work =
        static_cast<float*>(AllocLocked((sigproc::SpectrumWorkFloats(m) + 1) * sizeof(float)));
    float* power = static_cast<float*>(AllocLocked((m + 1) * sizeof(float)));
    const uint32_t count = graph->nSize > 0 ? static_cast<uint32_t>(graph->nSize) : 0;
    const sigproc::RawSignal signal{
        graph->pData, count, {data->nMaxBit, data->dMinValue, data->dMaxValue}};
    const bool estimated =
        sigproc::SpectrumToDecibelRaw(signal, m, overlap, nDecibelSpan, work, power, pOutput);
    // What could be had is given back before the box waits for the user.
    FreeLocked(power);
    FreeLocked(work);
    if (!estimated)
        ShowSpectrumMemoryError();
    return static_cast<int>(m);
}

} // extern "C"
