// The signal-processing exports of varnok.dll on a real graph window:
// smoothing, the low-pass entry point, Nyquist frequency, spectral size and
// the decibel spectrum of a sine put into a second graph.
//   signal_exports_test.exe [snapshot.bmp]
#include "varnok.h"

#include "wintest.h"

#include <cmath>
#include <vector>

namespace {

const double kPi = 3.14159265358979323846;
const double kTimeBase = 0.0016;

HWND g_hHost;

HWND CreateHostWindow()
{
    WNDCLASSA wc = {};
    wc.lpfnWndProc = DefWindowProcA;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.lpszClassName = "SignalTestHost";
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
    RegisterClassA(&wc);
    return CreateWindowExA(0, "SignalTestHost", "Spektrum", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0,
                           820, 520, nullptr, nullptr, wc.hInstance, nullptr);
}

HWND CreateGraphWindow(const char* title)
{
    RECT rc;
    GetClientRect(g_hHost, &rc);
    return CreateWindowExA(0, "GraphWindow", title, WS_CHILD | WS_VISIBLE | 0x0001, 0, 0, rc.right,
                           rc.bottom, g_hHost, nullptr, GetModuleHandleA(nullptr), nullptr);
}

// A graph whose raw 16384 stands for 1.0 (the first graph sets the window's
// y scale, which the spectrum converts with).
bool AddUnitGraph(HWND hWnd, const char* name, int32_t nSize)
{
    return _AddGraph(hWnd, name, "N", 0.0, 1.0, 0, 16384, kTimeBase, nSize) == 1;
}

void FillSine(int16_t* p, int32_t n, double cyclesPerSample)
{
    for (int32_t t = 0; t < n; ++t)
        p[t] =
            static_cast<int16_t>(std::lround(16384.0 * std::sin(2.0 * kPi * cyclesPerSample * t)));
}

// trunc(10 log10(0.5) S + 2047) with S = trunc(2047 / 60) = 34.
const int16_t kHalfPowerAtSixtyDb = 1944;

void TestSmoothAndTiefpass()
{
    HWND hWnd = CreateGraphWindow("Smooth");
    CHECK(hWnd != nullptr);
    CHECK(AddUnitGraph(hWnd, "Kraft", 40));
    CHECK(AddUnitGraph(hWnd, "Kurz", 19));
    int16_t* p = _GetGraphDataPtr(hWnd, 0);
    for (int i = 0; i < 40; ++i)
        p[i] = (i % 4 >= 2) ? 4 : 0;
    int16_t* shortGraph = _GetGraphDataPtr(hWnd, 1);
    for (int i = 0; i < 19; ++i)
        shortGraph[i] = static_cast<int16_t>(i * i);
    const std::vector<int16_t> before(p, p + 40);

    CHECK_EQ(_Tiefpass(hWnd), 1);
    CHECK(std::vector<int16_t>(p, p + 40) == before);

    // Lengths without meaning change nothing.
    _Smooth(hWnd, 1000, 0);
    _Smooth(hWnd, 0, 0);
    _Smooth(hWnd, -3, 0);
    _Smooth(hWnd, 41, 0);
    _Smooth(hWnd, 4, 5); // no such graph
    CHECK(std::vector<int16_t>(p, p + 40) == before);

    _Smooth(hWnd, 4, 0);
    CHECK_EQ(p[0], 0);
    CHECK_EQ(p[1], 0);
    for (int i = 2; i <= 38; ++i)
        CHECK_EQ(p[i], 2);
    CHECK_EQ(p[39], 4);

    _Smooth(hWnd, 3, 1);
    for (int i = 0; i < 19; ++i)
        CHECK_EQ(shortGraph[i], i * i);
    DestroyWindow(hWnd);
}

void TestSizes()
{
    HWND hWnd = CreateGraphWindow("Sizes");
    CHECK(AddUnitGraph(hWnd, "3750", 3750));
    CHECK(AddUnitGraph(hWnd, "6250", 6250));
    CHECK(AddUnitGraph(hWnd, "7", 7));
    CHECK(AddUnitGraph(hWnd, "200000", 200000));
    CHECK_NEAR(_GetNyquistFreq(hWnd, 0), 312.5, 1e-12);
    CHECK_EQ(_GetNyquistFreq(hWnd, 4), 0.0);
    CHECK_EQ(_GetSpektralBuffSize(hWnd, 0, 0), 512);
    CHECK_EQ(_GetSpektralBuffSize(hWnd, 1, 0), 1024);
    CHECK_EQ(_GetSpektralBuffSize(hWnd, 0, 1), 1024);
    CHECK_EQ(_GetSpektralBuffSize(hWnd, 7, 1), 2048);
    CHECK_EQ(_GetSpektralBuffSize(hWnd, 0, 2), 2);
    CHECK_EQ(_GetSpektralBuffSize(hWnd, 1, 2), 2);
    CHECK_EQ(_GetSpektralBuffSize(hWnd, 1, 3), 32768);
    CHECK_EQ(_GetSpektralBuffSize(hWnd, 1, 4), 0);
    CHECK_EQ(_GetSpektralBuffSize(hWnd, 1, -1), 0);
    DestroyWindow(hWnd);
}

// The spectrum of a sine on bin 37 (of 512), shown as a second graph.
void TestSpectrumOfASine(const char* snapshotPath)
{
    HWND hWnd = CreateGraphWindow("Spektrum");
    CHECK(AddUnitGraph(hWnd, "Sinus", 3750));
    FillSine(_GetGraphDataPtr(hWnd, 0), 3750, 37.0 / 1024.0);
    CHECK_EQ(_SetGraphBuffEnd(hWnd, 3750, 0), 1);

    const int m = _GetSpektralBuffSize(hWnd, 0, 0);
    CHECK_EQ(m, 512);
    if (m != 512)
        return;
    // One value past the spectrum shows a write beyond it.
    std::vector<int16_t> out(m + 1, -999);
    CHECK_EQ(_FFT(hWnd, out.data(), 60, 12345, 0, 0), m);
    CHECK_EQ(out[37], kHalfPowerAtSixtyDb);
    CHECK_EQ(out[m], -999);
    // A sine on an odd bin turns sign every 512 samples: every even bin has
    // exactly no power and repeats its neighbour below, so bin 38 shows the
    // peak again. Every other bin is at least 50 dB down.
    CHECK_EQ(out[38], kHalfPowerAtSixtyDb);
    for (int i = 0; i < m; ++i) {
        if (i != 37 && i != 38)
            CHECK(out[i] < kHalfPowerAtSixtyDb - 50 * 34);
    }

    // With overlap: twice the bins, the sine on bin 74.
    CHECK_EQ(_GetSpektralBuffSize(hWnd, 1, 0), 1024);
    std::vector<int16_t> out2(1024 + 1, -999);
    CHECK_EQ(_FFT(hWnd, out2.data(), 60, 0, 1, 0), 1024);
    CHECK_EQ(out2[74], kHalfPowerAtSixtyDb);
    CHECK_EQ(out2[1024], -999);

    // No decibel span, or no graph: refused, nothing written.
    std::vector<int16_t> untouched(m, -7);
    CHECK_EQ(_FFT(hWnd, untouched.data(), 0, 0, 0, 0), 0);
    CHECK_EQ(_FFT(hWnd, untouched.data(), -60, 0, 0, 0), 0);
    CHECK_EQ(_FFT(hWnd, untouched.data(), 60, 0, 0, 3), 0);
    CHECK(untouched == std::vector<int16_t>(m, -7));

    // The spectrum as a graph of its own, on the frequency axis.
    _SetGraphStyle(hWnd, 0, 5, 10, 0.0, _GetNyquistFreq(hWnd, 0));
    CHECK(_AddGraph(hWnd, "Spektrum", "dB", -60.0, 60.0, 0, 4095, 0.5 / m / kTimeBase, m) == 1);
    CopyMemory(_GetGraphDataPtr(hWnd, 1), out.data(), m * sizeof(int16_t));
    CHECK_EQ(_SetGraphBuffEnd(hWnd, m, 1), 1);
    GraphData* d = _GetDataPtr(hWnd);
    d->nShown[0] = 2; // show the spectrum in the first slot
    InvalidateRect(hWnd, nullptr, TRUE);
    CHECK(PumpUntilShown(g_hHost, 5000));
    if (snapshotPath)
        CHECK(SaveWindowSnapshot(g_hHost, snapshotPath));
    DestroyWindow(hWnd);
}

void TestConstantAndZeroSignals()
{
    HWND hWnd = CreateGraphWindow("Konstant");
    CHECK(AddUnitGraph(hWnd, "Konstant", 3750));
    CHECK(AddUnitGraph(hWnd, "Null", 3750));
    CHECK(AddUnitGraph(hWnd, "Kurz", 2500));
    int16_t* c = _GetGraphDataPtr(hWnd, 0);
    for (int i = 0; i < 3750; ++i)
        c[i] = 8192; // 0.5: power 0.25, -6.02 dB
    std::vector<int16_t> out(512);
    CHECK_EQ(_FFT(hWnd, out.data(), 60, 0, 0, 0), 512);
    CHECK_EQ(out[0], static_cast<int16_t>(10.0f * std::log10(0.25f) * 34.0f + 2047.0f));
    for (int i = 1; i < 512; ++i)
        CHECK_EQ(out[i], out[0]);

    // No power anywhere: the bottom of the raw range.
    std::fill(out.begin(), out.end(), -7);
    CHECK_EQ(_FFT(hWnd, out.data(), 60, 0, 0, 1), 512);
    CHECK(out == std::vector<int16_t>(512, 0));

    // Too short for one overlapping pass.
    std::vector<int16_t> out2(1024, -7);
    CHECK_EQ(_FFT(hWnd, out2.data(), 60, 0, 1, 2), 1024);
    CHECK(out2 == std::vector<int16_t>(1024, 0));
    DestroyWindow(hWnd);
}

// Samples are converted with the window's y scale (set by its first graph),
// not with the scale the graph itself was added with.
void TestWindowScaleAndMissingScale()
{
    HWND hWnd = CreateGraphWindow("Skala");
    CHECK(AddUnitGraph(hWnd, "Einheit", 3750));
    CHECK(_AddGraph(hWnd, "Kraft", "N", 0.0, 300.0, 0, 4095, kTimeBase, 3750) == 1);
    FillSine(_GetGraphDataPtr(hWnd, 1), 3750, 37.0 / 1024.0);
    std::vector<int16_t> out(512);
    CHECK_EQ(_FFT(hWnd, out.data(), 60, 0, 0, 1), 512);
    CHECK_EQ(out[37], kHalfPowerAtSixtyDb);
    DestroyWindow(hWnd);

    // A window whose y scale has no full scale cannot convert its samples.
    hWnd = CreateGraphWindow("Ohne Skala");
    CHECK(_AddGraph(hWnd, "Roh", "", 0.0, 1.0, 0, 0, kTimeBase, 3750) == 1);
    FillSine(_GetGraphDataPtr(hWnd, 0), 3750, 37.0 / 1024.0);
    std::vector<int16_t> untouched(512, -7);
    CHECK_EQ(_FFT(hWnd, untouched.data(), 60, 0, 0, 0), 0);
    CHECK(untouched == std::vector<int16_t>(512, -7));
    CHECK_EQ(_FFT(hWnd, nullptr, 60, 0, 0, 0), 0);
    DestroyWindow(hWnd);
}

void TestLargestGraph()
{
    HWND hWnd = CreateGraphWindow("Gross");
    CHECK(AddUnitGraph(hWnd, "Lang", 200000));
    FillSine(_GetGraphDataPtr(hWnd, 0), 200000, 100.0 / 65536.0);
    std::vector<int16_t> out(32768);
    CHECK_EQ(_FFT(hWnd, out.data(), 60, 0, 1, 0), 32768);
    CHECK_EQ(out[100], kHalfPowerAtSixtyDb);
    DestroyWindow(hWnd);
}

} // namespace

int main(int argc, char** argv)
{
    g_hHost = CreateHostWindow();
    CHECK(g_hHost != nullptr);
    RunCase("smooth and low-pass", TestSmoothAndTiefpass);
    RunCase("Nyquist frequency and spectral sizes", TestSizes);
    RunCase("spectrum of a sine", [&] { TestSpectrumOfASine(argc > 1 ? argv[1] : nullptr); });
    RunCase("constant, zero and short signals", TestConstantAndZeroSignals);
    RunCase("window scale and missing scale", TestWindowScaleAndMissingScale);
    RunCase("largest graph with overlap", TestLargestGraph);
    DestroyWindow(g_hHost);
    return Summary();
}
