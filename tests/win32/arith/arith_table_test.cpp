// The figures both builds must compute identically, as one table checked
// against arith_expected.txt: the rescaling of every count of both sensors,
// the evaluation figures and result texts of a recorded series, its spectra,
// _GetNyquistFreq and _Bit2ValByIndex. Doubles are compared by their bit
// patterns, so any difference in the arithmetic shows.
//   arith_table_test.exe EXPECTED.txt SERIES.klv [--write TABLE.txt]
// --write saves the computed table instead of checking it (for a deliberate
// change of a figure; review the difference before committing it).
#include "varnok.h"

#include "devicestream.h"
#include "evaluation.h"
#include "klvdoc.h"
#include "messdescr.h"

#include "wintest.h"

#include <cstdint>
#include <cstring>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

namespace {

// One line of the table: a key and its values, formatted exactly.
using Table = std::vector<std::pair<std::string, std::string>>;

std::string DoubleBits(double v)
{
    std::uint64_t bits;
    std::memcpy(&bits, &v, sizeof bits);
    char buf[20];
    std::snprintf(buf, sizeof buf, "%016llx", static_cast<unsigned long long>(bits));
    return buf;
}

std::string Doubles(const double* v, int n)
{
    std::string s;
    for (int i = 0; i < n; ++i)
        s += (i ? " " : "") + DoubleBits(v[i]);
    return s;
}

// A text on one table line: line breaks and tabs written as \r \n \t.
std::string Escaped(const char* text)
{
    std::string s;
    for (const char* p = text; *p; ++p) {
        switch (*p) {
        case '\r':
            s += "\\r";
            break;
        case '\n':
            s += "\\n";
            break;
        case '\t':
            s += "\\t";
            break;
        case '\\':
            s += "\\\\";
            break;
        default:
            s += *p;
        }
    }
    return s;
}

std::string Ints(const std::int16_t* v, int n)
{
    std::string s;
    for (int i = 0; i < n; ++i)
        s += (i ? " " : "") + std::to_string(v[i]);
    return s;
}

// Long rows are split into lines of 64 values, keyed NAME.FIRSTINDEX.
void AddIntRows(Table& t, const std::string& name, const std::vector<std::int16_t>& v)
{
    for (std::size_t i = 0; i < v.size(); i += 64) {
        const int n = static_cast<int>(std::min<std::size_t>(64, v.size() - i));
        t.emplace_back(name + "." + std::to_string(i), Ints(v.data() + i, n));
    }
}

void AddRescaling(Table& t)
{
    for (int fullScale : {300, 500}) {
        std::vector<std::int16_t> v;
        for (int k = 0; k <= 4095; ++k)
            v.push_back(RescaleCount(k, fullScale));
        AddIntRows(t, "rescale" + std::to_string(fullScale), v);
    }
}

// The sensor of the recorded series, as the program takes it from the
// sensor type text.
int FullScaleOf(const MeasurementDocument& doc)
{
    MessDescr* d = AllocEmptyMessDescr();
    std::snprintf(d->szSensorType, sizeof d->szSensorType, "%s", doc.texts[kKlvSensorTyp].c_str());
    const int fullScale = IsSensor500(d) ? 500 : 300;
    FreeMessDescr(d);
    return fullScale;
}

// The three curves of the recorded series evaluated again, as the document
// window does for a new measurement: with the sensor that recorded them, and
// with the other sensor for its conversion and energy constant.
void AddEvaluation(Table& t, const MeasurementDocument& doc, bool otherSensor)
{
    MessDescr* d = AllocMessDescr();
    CHECK(d != nullptr);
    if (!d)
        return;
    std::snprintf(d->szSensorType, sizeof d->szSensorType, "%s", doc.texts[kKlvSensorTyp].c_str());
    d->nFullScale = FullScaleOf(doc);
    if (otherSensor) {
        d->nFullScale = d->nFullScale == 500 ? 300 : 500;
        d->szSensorType[7] = d->nFullScale == 500 ? '5' : '3';
    }
    const std::string key = "eval" + std::to_string(d->nFullScale);
    for (int m = 0; m < kMessMeasurements; ++m) {
        const std::vector<std::int16_t>& s = doc.graphWindows[m].graphs.at(0).samples;
        CHECK_EQ(s.size(), kMessCurveSamples);
        std::memcpy(d->pCurve[m], s.data(), kMessCurveSamples * sizeof(std::int16_t));
        EvaluateMeasurement(d, d->pCurve[m], m);
    }
    CompleteSeries(d);
    t.emplace_back(key + ".fullscale", std::to_string(d->nFullScale));
    t.emplace_back(key + ".effforce", Doubles(d->dEffForce, kMessSlots));
    t.emplace_back(key + ".clampforce", Doubles(d->dClampForce, kMessSlots));
    t.emplace_back(key + ".peakforce", Doubles(d->dPeakForce, kMessSlots));
    t.emplace_back(key + ".kfactor", Doubles(d->dKFactor, kMessSlots));
    t.emplace_back(key + ".pulseduration", Doubles(d->dPulseDuration, kMessSlots));
    for (int slot = 0; slot < kMessSlots; ++slot) {
        double energy = SlotEnergy(d, slot);
        t.emplace_back(key + ".energy." + std::to_string(slot), Doubles(&energy, 1));
        char text[256];
        FormatResult(d, slot, text, sizeof text);
        t.emplace_back(key + ".text." + std::to_string(slot), Escaped(text));
        // The program that recorded the series wrote the same texts.
        CHECK(otherSensor || doc.texts[kKlvDescr1 + slot] == text);
    }
    AddIntRows(t, key + ".meancurve",
               std::vector<std::int16_t>(d->pMeanCurve, d->pMeanCurve + kMessCurveSamples));
    FreeMessDescr(d);
}

HWND CreateGraphWindow()
{
    WNDCLASSA wc = {};
    wc.lpfnWndProc = DefWindowProcA;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.lpszClassName = "ArithTableHost";
    RegisterClassA(&wc);
    HWND host = CreateWindowExA(0, "ArithTableHost", "Tabella", WS_OVERLAPPEDWINDOW, 0, 0, 640, 480,
                                nullptr, nullptr, wc.hInstance, nullptr);
    return CreateWindowExA(0, "GraphWindow", "Tabella", WS_CHILD | WS_VISIBLE, 0, 0, 640, 480, host,
                           nullptr, wc.hInstance, nullptr);
}

// The spectra of the recorded curves with both overlap settings, the Nyquist
// frequency of several time bases and raw values converted on several ranges.
void AddGraphExports(Table& t, const MeasurementDocument& doc)
{
    HWND hWnd = CreateGraphWindow();
    CHECK(hWnd != nullptr);
    if (!hWnd)
        return;
    const double fullScale = FullScaleOf(doc);
    for (int m = 0; m < kMessMeasurements; ++m) {
        const std::vector<std::int16_t>& s = doc.graphWindows[m].graphs.at(0).samples;
        const std::string name = "Misura " + std::to_string(m + 1);
        CHECK_EQ(_AddGraph(hWnd, name.c_str(), "N", 0.0, fullScale, 0, 4095, kSampleInterval,
                           kMessCurveSamples),
                 1);
        for (std::int16_t v : s)
            _AddValue(hWnd, m, v);
        for (int overlap : {0, 1}) {
            std::vector<std::int16_t> spectrum(_GetSpektralBuffSize(hWnd, overlap, m));
            CHECK(!spectrum.empty());
            CHECK_EQ(_FFT(hWnd, spectrum.data(), 60, 0, overlap, m),
                     static_cast<int>(spectrum.size()));
            AddIntRows(t, "fft." + std::to_string(m) + "." + std::to_string(overlap), spectrum);
        }
    }
    const double timeBases[] = {0.0016, 0.001, 0.0005, 1.0 / 625.0, 0.003, 0.01, 0.0001};
    const int firstTimeBaseGraph = kMessMeasurements;
    std::vector<double> nyquist;
    for (double tb : timeBases) {
        CHECK_EQ(_AddGraph(hWnd, "Base", "N", 0.0, fullScale, 0, 4095, tb, 20), 1);
        nyquist.push_back(
            _GetNyquistFreq(hWnd, firstTimeBaseGraph + static_cast<int>(nyquist.size())));
    }
    t.emplace_back("nyquist", Doubles(nyquist.data(), static_cast<int>(nyquist.size())));

    struct Range {
        double minValue, maxValue;
        std::int16_t maxBit;
    };
    const Range ranges[] = {{0.0, 300.0, 4095},
                            {0.0, 500.0, 4095},
                            {0.0, 550.0, 4095},
                            {-1.0, 1.0, 16384},
                            {-10.0, 10.0, 2047}};
    const int raws[] = {-4095, -1, 0, 1, 589, 647, 2047, 3723, 4095, 4504, 16384, 32767};
    GraphData* data = _GetDataPtr(hWnd);
    CHECK(data != nullptr);
    for (std::size_t r = 0; data && r < std::size(ranges); ++r) {
        const int index = data->nGraphs;
        CHECK_EQ(_AddGraph(hWnd, "Scala", "N", ranges[r].minValue, ranges[r].maxValue, 0,
                           ranges[r].maxBit, kSampleInterval, 20),
                 1);
        std::vector<double> values;
        for (int raw : raws)
            values.push_back(_Bit2ValByIndex(raw, data, index));
        t.emplace_back("bit2val." + std::to_string(r),
                       Doubles(values.data(), static_cast<int>(values.size())));
    }
    DestroyWindow(GetParent(hWnd));
}

std::map<std::string, std::string> ReadTable(const char* path)
{
    std::map<std::string, std::string> table;
    std::ifstream in(path);
    std::string line;
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        if (line.empty() || line[0] == '#')
            continue;
        const std::size_t space = line.find(' ');
        table[line.substr(0, space)] = space == std::string::npos ? "" : line.substr(space + 1);
    }
    return table;
}

void CheckTable(const Table& computed, const char* expectedPath)
{
    const std::map<std::string, std::string> expected = ReadTable(expectedPath);
    CHECK(!expected.empty());
    int differing = 0;
    for (const auto& [key, values] : computed) {
        auto it = expected.find(key);
        if (it == expected.end()) {
            std::printf("  FAIL %s: not in %s\n", key.c_str(), expectedPath);
            ++g_checkFailures;
        } else if (it->second != values) {
            std::printf("  FAIL %s:\n    got      %s\n    expected %s\n", key.c_str(),
                        values.c_str(), it->second.c_str());
            ++g_checkFailures;
            ++differing;
        }
    }
    CHECK_EQ(computed.size(), expected.size());
    std::printf("%zu table lines compared, %d differ\n", computed.size(), differing);
}

} // namespace

int main(int argc, char** argv)
{
    if (argc < 3) {
        std::fprintf(stderr,
                     "usage: arith_table_test EXPECTED.txt SERIES.klv [--write TABLE.txt]\n");
        return 2;
    }
    const std::vector<std::uint8_t> bytes = ReadWholeFile(argv[2]);
    MeasurementDocument doc;
    if (bytes.empty() || !ReadKlvDocument(bytes.data(), bytes.size(), doc)) {
        std::printf("  FAIL: cannot read the recorded series %s\n", argv[2]);
        return 1;
    }
    Table table;
    AddRescaling(table);
    AddEvaluation(table, doc, false);
    AddEvaluation(table, doc, true);
    AddGraphExports(table, doc);
    if (argc >= 5 && std::strcmp(argv[3], "--write") == 0) {
        std::ofstream out(argv[4], std::ios::binary);
        out << "# Figures both builds compute identically (arith_table_test.exe --write).\n"
               "# Doubles as IEEE bit patterns in hex; texts in Windows-1252.\n";
        for (const auto& [key, values] : table)
            out << key << ' ' << values << '\n';
        return out ? 0 : 1;
    }
    CheckTable(table, argv[1]);
    return Summary();
}
