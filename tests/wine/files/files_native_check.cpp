// The Linux side of the graph-record round trip with varnok.dll under Wine.
//
//   files_native_check write-record FILE   a record written by the portable codec
//   files_native_check write-klv FILE      a new measurement's .klv from the builder
//   files_native_check roundtrip FILE      FILE (records or .klv) decodes and
//                                          encodes back to the same bytes
//   files_native_check records FILE N      FILE holds exactly N graph records,
//                                          junk between them allowed
//   files_native_check compare-docs A B    B is A read and written again by the
//                                          program: same curves on display, one
//                                          more empty graph per window, same texts
// Exit code 0 when the check holds; the reason is printed otherwise.
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "graphrecord.h"
#include "klvdoc.h"
#include "klvdoc_build.h"
#include "messdescr.h"

namespace {

using Bytes = std::vector<std::uint8_t>;

bool ReadFileBytes(const char* path, Bytes& bytes)
{
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return false;
    bytes.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    return true;
}

bool WriteFileBytes(const char* path, const Bytes& bytes)
{
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()),
              static_cast<std::streamsize>(bytes.size()));
    return static_cast<bool>(out);
}

int Fail(const std::string& why)
{
    std::fprintf(stderr, "files_native_check: %s\n", why.c_str());
    return 1;
}

// What a graph window holds after loading this record and before any paint,
// apart from runtime handles: so the window saves it back unchanged.
GraphWindowImage LoadableRecord()
{
    GraphWindowImage w;
    SetFixedText(w.szTitle, sizeof w.szTitle, "Grafik aus Linux");
    GraphBlockImage& b = w.block;
    b.dTimeMin = -1.0;
    b.dTimeMax = 5.0;
    b.dZoomTimeMin = 0.5;
    b.dZoomTimeMax = 2.5;
    b.nZoomMinBit = 100;
    b.nZoomMaxBit = 3000;
    b.rcPlot[0] = 50;
    b.rcPlot[1] = 400;
    b.rcPlot[2] = 300;
    b.rcPlot[3] = 20;
    b.dSpare = 42.0;
    b.nXLines = 6;
    b.nYLines = 10;
    b.nTimeFormat = 2;
    b.nStyle = 8;
    SetFixedText(b.szAxisLabel, sizeof b.szAxisLabel, "Time [sec]");
    SetFixedText(b.szNotes, sizeof b.szNotes, "Notes written on Linux\r\nsecond line");
    b.nShown[0] = 1;
    for (int i = 0; i < 2; ++i) {
        GraphImage& g = w.graphs.emplace_back();
        g.nSize = i == 0 ? 3750 : 17;
        g.nBuffEnd = i == 0 ? 1200 : 17;
        g.dTimeBase = 0.0016;
        g.dMinValue = i == 0 ? 0.0 : -5.0;
        g.dMaxValue = i == 0 ? 500.0 : 5.0;
        g.nMinBit = 0;
        g.nMaxBit = 4095;
        SetFixedText(g.szUnit, sizeof g.szUnit, i == 0 ? "N" : "V");
        SetFixedText(g.szName, sizeof g.szName, i == 0 ? "Forza di chiusura" : "Spannung");
        for (std::int32_t s = 0; s < g.nSize; ++s)
            g.samples.push_back(static_cast<std::int16_t>((s * 31 + i) % 4096 - 7));
    }
    // the first graph sets the window's y scaling when it is loaded
    b.nMaxBit = 4095;
    b.nMinBit = 0;
    b.dMaxValue = 500.0;
    b.dMinValue = 0.0;
    return w;
}

MessDescr* SyntheticSeries()
{
    MessDescr* d = AllocMessDescr();
    if (!d)
        return nullptr;
    std::strcpy(d->szTitle, "Misurazione del 07.12.2026");
    std::strcpy(d->szExaminer, "Rossi");
    std::strcpy(d->szVehicle, "Fiat Punto");
    std::strcpy(d->szDoor, "anteriore sinistra");
    std::strcpy(d->szPosition, "serratura");
    std::strcpy(d->szMeasType, "chiusura");
    std::strcpy(d->szSensorType, "KLV1-AC5");
    std::strcpy(d->szSerialNo, "SN0042");
    std::strcpy(d->szRemarks, "scritto su Linux");
    d->nFullScale = 500;
    for (int k = 0; k < kMessMeasurements; ++k)
        for (int i = 0; i < kMessCurveSamples; ++i)
            d->pCurve[k][i] = static_cast<std::int16_t>((i * (k + 3)) % 4000);
    for (int i = 0; i < kMessCurveSamples; ++i)
        d->pMeanCurve[i] =
            static_cast<std::int16_t>((d->pCurve[0][i] + d->pCurve[1][i] + d->pCurve[2][i]) / 3);
    for (int s = 0; s < kMessSlots; ++s) {
        d->dEffForce[s] = 120.0 + s;
        d->dClampForce[s] = 60.0;
        d->dPeakForce[s] = 200.0 + s;
        d->dKFactor[s] = 0.6;
        d->dPulseDuration[s] = 0.25;
    }
    return d;
}

int RoundTrip(const char* path)
{
    Bytes bytes;
    if (!ReadFileBytes(path, bytes))
        return Fail(std::string("cannot read ") + path);
    Bytes again;
    if (bytes.size() >= 4 && std::memcmp(bytes.data(), "KLV2", 4) == 0) {
        MeasurementDocument doc;
        KlvReadResult r = ReadKlvDocument(bytes.data(), bytes.size(), doc);
        if (!r)
            return Fail(std::string(path) + ": " + DescribeKlvReadResult(r));
        again = EncodeKlvDocument(doc);
    } else {
        MemoryByteSource source(bytes.data(), bytes.size());
        while (source.Remaining() > 0) {
            GraphWindowImage w;
            GraphReadResult r = ReadGraphRecord(source, w);
            if (!r)
                return Fail(std::string(path) + ": " + DescribeGraphReadResult(r));
            AppendGraphRecord(w, again);
        }
    }
    if (again != bytes)
        return Fail(std::string(path) + ": encoding back gives other bytes");
    std::printf("%s: %zu bytes, decoded and encoded back byte for byte\n", path, bytes.size());
    return 0;
}

// Junk before a marker is skipped by every reader and not written back, so a
// file with junk is checked by its record count and its clean re-encoding.
int CountRecords(const char* path, const char* expected)
{
    Bytes bytes;
    if (!ReadFileBytes(path, bytes))
        return Fail(std::string("cannot read ") + path);
    MemoryByteSource source(bytes.data(), bytes.size());
    int count = 0;
    for (;;) {
        GraphWindowImage w;
        GraphReadResult r = ReadGraphRecord(source, w);
        if (r.status == GraphReadStatus::MarkerNotFound)
            break;
        if (!r)
            return Fail(std::string(path) + ": " + DescribeGraphReadResult(r));
        Bytes clean;
        AppendGraphRecord(w, clean);
        const std::size_t end = source.Position();
        if (end < clean.size() ||
            !std::equal(clean.begin(), clean.end(),
                        bytes.begin() + static_cast<std::ptrdiff_t>(end - clean.size())))
            return Fail(std::string(path) + ": record " + std::to_string(count + 1) +
                        " encodes back to other bytes");
        ++count;
    }
    if (std::to_string(count) != expected)
        return Fail(std::string(path) + ": " + std::to_string(count) + " records, expected " +
                    expected);
    std::printf("%s: %d records, each encoded back byte for byte\n", path, count);
    return 0;
}

int CompareDocs(const char* first, const char* second)
{
    Bytes a, b;
    MeasurementDocument da, db;
    if (!ReadFileBytes(first, a) || !ReadKlvDocument(a.data(), a.size(), da))
        return Fail(std::string("bad ") + first);
    if (!ReadFileBytes(second, b) || !ReadKlvDocument(b.data(), b.size(), db))
        return Fail(std::string("bad ") + second);
    for (int k = 0; k < kKlvGraphWindows; ++k) {
        const auto& ga = da.graphWindows[k].graphs;
        const auto& gb = db.graphWindows[k].graphs;
        if (gb.size() != ga.size() + 1)
            return Fail("window " + std::to_string(k + 1) + ": graph count");
        if (gb[0].samples != ga[0].samples || gb[0].nBuffEnd != ga[0].nBuffEnd)
            return Fail("window " + std::to_string(k + 1) + ": curve on display differs");
        if (gb.back().nBuffEnd != 0)
            return Fail("window " + std::to_string(k + 1) + ": appended graph not empty");
        if (FixedText(da.graphWindows[k].szTitle, 80) != FixedText(db.graphWindows[k].szTitle, 80))
            return Fail("window " + std::to_string(k + 1) + ": title");
    }
    if (da.texts != db.texts)
        return Fail("texts differ");
    std::printf("%s is %s read and written again (%zu -> %zu bytes)\n", second, first, a.size(),
                b.size());
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc < 3)
        return Fail("usage: files_native_check write-record|write-klv|roundtrip FILE | records "
                    "FILE N | compare-docs A B");
    std::string command = argv[1];
    if (command == "write-record") {
        Bytes bytes;
        AppendGraphRecord(LoadableRecord(), bytes);
        return WriteFileBytes(argv[2], bytes) ? 0 : Fail("cannot write");
    }
    if (command == "write-klv") {
        MessDescr* d = SyntheticSeries();
        if (!d)
            return Fail("out of memory");
        Bytes bytes = EncodeKlvDocument(BuildNewMeasurementDocument(*d));
        FreeMessDescr(d);
        return WriteFileBytes(argv[2], bytes) ? 0 : Fail("cannot write");
    }
    if (command == "roundtrip")
        return RoundTrip(argv[2]);
    if (command == "records" && argc >= 4)
        return CountRecords(argv[2], argv[3]);
    if (command == "compare-docs" && argc >= 4)
        return CompareDocs(argv[2], argv[3]);
    return Fail("unknown command " + command);
}
