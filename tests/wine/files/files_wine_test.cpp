// _SaveGraph and _LoadGraph on real graph windows and real file handles,
// checked against the portable codec in both directions.
//
//   files_wine_test.exe DIR
// DIR receives the files this program writes (wine_*.bin, wine_doc.klv) and
// may hold native_record.bin and native_doc.klv written on the Linux side by
// the same codec, which are then loaded here. Exit code 0 = all checks held.
#include <windows.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "graphrecord.h"
#include "klvdoc.h"
#include "varnok.h"
#include "wintest.h"

namespace {

using Bytes = std::vector<std::uint8_t>;

std::string g_dir;
HWND g_parent;

std::string PathOf(const char* name)
{
    return g_dir + "\\" + name;
}

HWND NewGraphWindow(const char* title)
{
    return CreateWindowExA(0, "GraphWindow", title, WS_CHILD, 0, 0, 600, 400, g_parent, nullptr,
                           GetModuleHandleA(nullptr), nullptr);
}

HWND NewForceGraphWindow(const char* title, int size = 3750)
{
    HWND w = NewGraphWindow(title);
    _SetGraphStyle(w, 8, 6, 6, -1.0, 5.0);
    _AddGraph(w, "Forza di chiusura", "N", 0.0, 300.0, 0, 4095, 0.0016, size);
    return w;
}

void FillPattern(HWND w, int index, int seed)
{
    GraphData* d = _GetDataPtr(w);
    GraphRecord* g = d->pGraphs[index];
    for (int i = 0; i < g->nSize; ++i)
        g->pData[i] = static_cast<int16_t>((i * 13 + seed) % 4096);
}

HANDLE CreateFileFor(const std::string& path, bool write)
{
    return CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                       write ? CREATE_ALWAYS : OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
}

DWORD FilePosition(HANDLE h)
{
    return SetFilePointer(h, 0, nullptr, FILE_CURRENT);
}

void WriteWholeFile(const std::string& path, const Bytes& bytes)
{
    HANDLE h = CreateFileFor(path, true);
    DWORD written = 0;
    WriteFile(h, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
    CloseHandle(h);
}

// Saves windows one after the other into one file; returns its bytes.
Bytes SaveWindows(const std::string& path, std::initializer_list<HWND> windows)
{
    HANDLE h = CreateFileFor(path, true);
    for (HWND w : windows)
        CHECK(_SaveGraph(w, h) == 1);
    CloseHandle(h);
    return ReadWholeFile(path);
}

// The file decodes with the portable codec and encodes back to the same bytes.
bool CodecRoundTripIsExact(const Bytes& bytes, GraphWindowImage& image)
{
    MemoryByteSource source(bytes.data(), bytes.size());
    if (!ReadGraphRecord(source, image) || source.Remaining() != 0)
        return false;
    Bytes again;
    AppendGraphRecord(image, again);
    return again == bytes;
}

void TestEmptyWindowIs5368Bytes()
{
    HWND w = NewGraphWindow("Leere Grafik");
    _SetGraphStyle(w, 8, 6, 10, -1.0, 5.0);
    GraphData* d = _GetDataPtr(w);
    std::strcpy(d->szNotes, "Notizen der Grafik");
    d->nTimeFormat = 3;
    Bytes bytes = SaveWindows(PathOf("wine_empty.bin"), {w});
    CHECK(bytes.size() == 5368);

    GraphWindowImage image;
    CHECK(CodecRoundTripIsExact(bytes, image));
    CHECK(FixedText(image.szTitle, 80) == "Leere Grafik");
    CHECK(image.block.nGraphs == 0);
    CHECK(image.block.nXLines == 6 && image.block.nYLines == 10);
    CHECK(image.block.dTimeMin == -1.0 && image.block.dZoomTimeMax == 5.0);
    CHECK(image.block.nSpare1[0] == 1 && image.block.nSpare1[1] == 1);
    CHECK(image.block.hPopupMenu ==
          static_cast<std::uint32_t>(reinterpret_cast<std::uintptr_t>(d->hPopupMenu)));

    HWND back = NewGraphWindow("");
    HANDLE h = CreateFileFor(PathOf("wine_empty.bin"), false);
    CHECK(_LoadGraph(back, h) == 1);
    CHECK(FilePosition(h) == 5368);
    CloseHandle(h);
    GraphData* b = _GetDataPtr(back);
    CHECK(WindowTextA(back) == "Leere Grafik");
    CHECK(std::strcmp(b->szNotes, "Notizen der Grafik") == 0);
    CHECK(b->nGraphs == 0 && b->nTimeFormat == 3 && b->nStyle == 8);
    CHECK(b->nXLines == 6 && b->nYLines == 10 && b->dTimeMin == -1.0 && b->dTimeMax == 5.0);
    CHECK(b->bPaintEnabled == 1);
    DestroyWindow(w);
    DestroyWindow(back);
}

void TestAllSamplesSavedAndFillLevelRestored()
{
    HWND w = NewForceGraphWindow("Forza di chiusura (misurazione 1)");
    FillPattern(w, 0, 7);
    CHECK(_SetGraphBuffEnd(w, 1200, 0) == 1);
    Bytes bytes = SaveWindows(PathOf("wine_1200.bin"), {w});
    CHECK(bytes.size() == 5368 + 84 + 7500);
    GraphWindowImage image;
    CHECK(CodecRoundTripIsExact(bytes, image));
    CHECK(image.graphs.size() == 1 && image.graphs[0].nBuffEnd == 1200);
    CHECK(image.graphs[0].samples.size() == 3750 &&
          image.graphs[0].samples[3749] == (3749 * 13 + 7) % 4096);
    CHECK(FixedText(image.graphs[0].szName, 30) == "Forza di chiusura");
    CHECK(image.graphs[0].dTimeBase == 0.0016 && image.graphs[0].dMaxValue == 300.0);

    HWND back = NewGraphWindow("");
    HANDLE h = CreateFileFor(PathOf("wine_1200.bin"), false);
    CHECK(_LoadGraph(back, h) == 1);
    CHECK(FilePosition(h) == bytes.size());
    CloseHandle(h);
    GraphData* b = _GetDataPtr(back);
    CHECK(b->nGraphs == 1);
    CHECK(b->pGraphs[0]->nBuffEnd == 1200 && b->pGraphs[0]->nSize == 3750);
    CHECK(std::memcmp(b->pGraphs[0]->pData, _GetDataPtr(w)->pGraphs[0]->pData, 7500) == 0);
    CHECK(b->nShown[0] == 1 && b->dMaxValue == 300.0);
    CHECK(SendMessageA(back, EM_GETMODIFY, 0, 0) == 1);
    DestroyWindow(w);
    DestroyWindow(back);
}

void TestTwoRecordsReadInOrderWithJunkBefore()
{
    HWND a = NewForceGraphWindow("first", 10);
    HWND c = NewForceGraphWindow("second", 20);
    FillPattern(a, 0, 1);
    FillPattern(c, 0, 2);
    _SetGraphBuffEnd(c, 20, 0);
    std::string path = PathOf("wine_two.bin");
    HANDLE h = CreateFileFor(path, true);
    DWORD n = 0;
    WriteFile(h, "xT", 2, &n, nullptr); // T T G CR LF: junk T, then the marker
    _SaveGraph(a, h);
    WriteFile(h, "TTG\rTG\n", 7, &n, nullptr); // partial markers between the records
    _SaveGraph(c, h);
    CloseHandle(h);

    const DWORD first = 2 + 5368 + 84 + 20;
    HWND ra = NewGraphWindow(""), rc = NewGraphWindow("");
    h = CreateFileFor(path, false);
    CHECK(_LoadGraph(ra, h) == 1);
    CHECK(FilePosition(h) == first);
    CHECK(_LoadGraph(rc, h) == 1);
    CHECK(FilePosition(h) == first + 7 + 5368 + 84 + 40);
    CHECK(WindowTextA(ra) == "first" && WindowTextA(rc) == "second");
    CHECK(_GetDataPtr(rc)->pGraphs[0]->nBuffEnd == 20);
    CHECK(_GetDataPtr(rc)->pGraphs[0]->pData[19] == (19 * 13 + 2) % 4096);
    // nothing more: end of file before a marker
    GraphData* d = _GetDataPtr(rc);
    CHECK(_LoadGraph(rc, h) == 0);
    CHECK(d->bPaintEnabled == 0); // stays off after a missing marker
    CHECK(WindowTextA(rc) == "second" && d->nGraphs == 1);
    CloseHandle(h);
    // a later successful load turns painting on again
    h = CreateFileFor(path, false);
    CHECK(_LoadGraph(rc, h) == 1);
    CHECK(d->bPaintEnabled == 1);
    CloseHandle(h);
    for (HWND w : {a, c, ra, rc})
        DestroyWindow(w);
}

void TestLoadIntoWindowThatHoldsAGraph()
{
    HWND src = NewForceGraphWindow("Misurazione");
    FillPattern(src, 0, 3);
    _SetGraphBuffEnd(src, 3750, 0);
    std::string path = PathOf("wine_round1.bin");
    SaveWindows(path, {src});

    HWND w = NewForceGraphWindow(""); // as the document window builds it
    HANDLE h = CreateFileFor(path, false);
    CHECK(_LoadGraph(w, h) == 1);
    CloseHandle(h);
    GraphData* d = _GetDataPtr(w);
    CHECK(d->nGraphs == 2);
    CHECK(d->pGraphs[0]->nBuffEnd == 3750);
    CHECK(std::memcmp(d->pGraphs[0]->pData, _GetDataPtr(src)->pGraphs[0]->pData, 7500) == 0);
    CHECK(d->pGraphs[1]->nBuffEnd == 0 && d->pGraphs[1]->nSize == 3750);

    Bytes second = SaveWindows(PathOf("wine_round2.bin"), {w});
    GraphWindowImage image;
    CHECK(CodecRoundTripIsExact(second, image));
    CHECK(image.graphs.size() == 2 && image.graphs[1].nBuffEnd == 0);

    HWND w3 = NewForceGraphWindow("");
    h = CreateFileFor(PathOf("wine_round2.bin"), false);
    CHECK(_LoadGraph(w3, h) == 1);
    CloseHandle(h);
    GraphData* d3 = _GetDataPtr(w3);
    CHECK(d3->nGraphs == 3);
    CHECK(d3->pGraphs[0]->nBuffEnd == 3750 && d3->pGraphs[1]->nBuffEnd == 0 &&
          d3->pGraphs[2]->nBuffEnd == 0);
    CHECK(std::memcmp(d3->pGraphs[0]->pData, _GetDataPtr(src)->pGraphs[0]->pData, 7500) == 0);
    for (HWND x : {src, w, w3})
        DestroyWindow(x);
}

void TestTitleOf79Characters()
{
    std::string title(79, 'T');
    title[0] = 'A';
    HWND w = NewGraphWindow((title + "overflow").c_str());
    Bytes bytes = SaveWindows(PathOf("wine_title.bin"), {w});
    CHECK(bytes.size() == 5368);
    CHECK(bytes[4 + 78] == 'T' && bytes[4 + 79] == 0);
    HWND back = NewGraphWindow("");
    HANDLE h = CreateFileFor(PathOf("wine_title.bin"), false);
    CHECK(_LoadGraph(back, h) == 1);
    CloseHandle(h);
    CHECK(WindowTextA(back) == title);
    DestroyWindow(w);
    DestroyWindow(back);
}

// Dismisses the "ERROR" box of a load into a window without a block and
// remembers its text.
struct ErrorBoxWatch {
    volatile LONG seen = 0;
    char text[64] = "unread";
};

DWORD WINAPI WatchErrorBox(void* arg)
{
    auto* watch = static_cast<ErrorBoxWatch*>(arg);
    HWND box = nullptr;
    if (WaitUntil([&] { return (box = FindWindowA("#32770", "ERROR")) != nullptr; }, 10000)) {
        GetDlgItemTextA(box, 0xFFFF, watch->text, sizeof watch->text);
        watch->seen = 1;
        PostMessageA(box, WM_COMMAND, IDOK, 0);
    }
    return 0;
}

void TestWindowWithoutBlock()
{
    HWND plain = CreateWindowExA(0, "STATIC", "no graph", WS_CHILD, 0, 0, 10, 10, g_parent, nullptr,
                                 GetModuleHandleA(nullptr), nullptr);
    ErrorBoxWatch watch;
    HANDLE thread = CreateThread(nullptr, 0, WatchErrorBox, &watch, 0, nullptr);
    HANDLE h = CreateFileFor(PathOf("wine_1200.bin"), false);
    CHECK(_LoadGraph(plain, h) == 0);
    CHECK(FilePosition(h) == 0); // nothing read
    CloseHandle(h);
    WaitForSingleObject(thread, 15000);
    CloseHandle(thread);
    CHECK(watch.seen == 1);
    CHECK(std::strcmp(watch.text, "") == 0);
    h = CreateFileFor(PathOf("wine_plain.bin"), true);
    CHECK(_SaveGraph(plain, h) == 0); // nothing to save
    CHECK(FilePosition(h) == 0);
    CloseHandle(h);
    DestroyWindow(plain);
}

// A window that shows its graph list: every loaded graph gets its item, and
// the saved samples still go to the graphs in table order.
void TestLoadIntoWindowWithGraphList()
{
    HWND w = CreateWindowExA(0, "GraphWindow", "", WS_CHILD | 0x0010, 0, 0, 600, 400, g_parent,
                             nullptr, GetModuleHandleA(nullptr), nullptr);
    HANDLE h = CreateFileFor(PathOf("wine_mismatch.bin"), false); // big (3750) then small (50)
    CHECK(_LoadGraph(w, h) == 1);
    CloseHandle(h);
    GraphData* d = _GetDataPtr(w);
    CHECK(d->nGraphs == 1);
    CHECK(d->pGraphs[0]->hItem != nullptr);
    CHECK(d->pGraphs[0]->nBuffEnd == 3750 && d->pGraphs[0]->pData[1] == (13 + 5) % 4096);
    CHECK(d->nShown[0] == 1);
    DestroyWindow(w);
}

// A handle that cannot be written (opened for reading only): the record is
// not written and the failure is reported.
void TestSaveReportsAFailedWrite()
{
    HWND w = NewForceGraphWindow("read-only", 10);
    const std::string path = PathOf("wine_readonly.bin");
    WriteWholeFile(path, Bytes{1, 2, 3});
    HANDLE h = CreateFileA(path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    CHECK(h != INVALID_HANDLE_VALUE);
    CHECK(_SaveGraph(w, h) == 0);
    CloseHandle(h);
    CHECK(ReadWholeFile(path).size() == 3);
    DestroyWindow(w);
}

// Loads bytes into a fresh window that holds one graph of the given capacity.
int LoadBytes(const Bytes& bytes, HWND w, DWORD* position = nullptr)
{
    WriteWholeFile(PathOf("wine_unsafe.bin"), bytes);
    HANDLE h = CreateFileFor(PathOf("wine_unsafe.bin"), false);
    int result = _LoadGraph(w, h);
    if (position)
        *position = FilePosition(h);
    CloseHandle(h);
    return result;
}

void SetU32(Bytes& b, size_t at, std::uint32_t v)
{
    std::memcpy(&b[at], &v, 4);
}

void TestUnsafeRecordsAreRefused()
{
    HWND src = NewForceGraphWindow("intact", 100);
    FillPattern(src, 0, 9);
    _SetGraphBuffEnd(src, 100, 0);
    const Bytes good = SaveWindows(PathOf("wine_src.bin"), {src});
    const size_t header = 5368;

    struct Case {
        const char* name;
        Bytes bytes;
    };
    std::vector<Case> cases;
    cases.push_back({"cut in the block", Bytes(good.begin(), good.begin() + 3000)});
    cases.push_back({"cut in the samples", Bytes(good.begin(), good.end() - 1)});
    Bytes many = good;
    SetU32(many, 4 + 80 + 148, 1025);
    cases.push_back({"1025 graphs", many});
    Bytes huge = good;
    SetU32(huge, 4 + 80 + 148, 0xFFFFFFFFu);
    cases.push_back({"nGraphs -1", huge});
    Bytes negative = good;
    SetU32(negative, header, 0xFFFFFFFFu);
    cases.push_back({"nSize -1", negative});
    Bytes absurd = good;
    SetU32(absurd, header, 0x7FFFFFFFu);
    cases.push_back({"nSize 2^31-1", absurd});

    for (const Case& c : cases) {
        HWND w = NewForceGraphWindow("unchanged", 100);
        GraphData* d = _GetDataPtr(w);
        int result = LoadBytes(c.bytes, w);
        std::printf("unsafe case '%s': result %d\n", c.name, result);
        CHECK(result == 0);
        CHECK(WindowTextA(w) == "unchanged");
        CHECK(d->nGraphs == 1 && d->pGraphs[0]->nBuffEnd == 0 && d->nYLines == 6);
        CHECK(d->bPaintEnabled == 1);
        UpdateWindow(w);
        DestroyWindow(w);
    }
    DestroyWindow(src);
}

void TestCapacityMismatchKeepsTheStreamAligned()
{
    HWND big = NewForceGraphWindow("big", 3750);
    FillPattern(big, 0, 5);
    _SetGraphBuffEnd(big, 3750, 0);
    HWND small = NewForceGraphWindow("small", 50);
    FillPattern(small, 0, 6);
    _SetGraphBuffEnd(small, 40, 0);
    std::string path = PathOf("wine_mismatch.bin");
    SaveWindows(path, {big, small});

    HWND narrow = NewForceGraphWindow("", 100); // smaller than the saved 3750
    HWND wide = NewForceGraphWindow("", 200);   // larger than the saved 50
    GraphData* dw = _GetDataPtr(wide);
    for (int i = 0; i < 200; ++i)
        dw->pGraphs[0]->pData[i] = 77;
    HANDLE h = CreateFileFor(path, false);
    CHECK(_LoadGraph(narrow, h) == 1);
    CHECK(FilePosition(h) == 5368 + 84 + 7500); // the whole saved record was consumed
    CHECK(_LoadGraph(wide, h) == 1);
    CloseHandle(h);
    GraphData* dn = _GetDataPtr(narrow);
    CHECK(dn->pGraphs[0]->nBuffEnd == 100);
    CHECK(std::memcmp(dn->pGraphs[0]->pData, _GetDataPtr(big)->pGraphs[0]->pData, 200) == 0);
    CHECK(dn->pGraphs[1]->nSize == 3750);
    CHECK(WindowTextA(wide) == "small");
    CHECK(dw->pGraphs[0]->nBuffEnd == 40);
    CHECK(std::memcmp(dw->pGraphs[0]->pData, _GetDataPtr(small)->pGraphs[0]->pData, 100) == 0);
    CHECK(dw->pGraphs[0]->pData[50] == 0 && dw->pGraphs[0]->pData[199] == 0);
    for (HWND x : {big, small, narrow, wide})
        DestroyWindow(x);
}

// Byte ranges of a record that hold runtime handles and pointers: they are
// written by every writer as it likes and never read back.
bool SameApartFromRuntimeWords(const Bytes& a, const Bytes& b, size_t start = 0, int records = 1)
{
    if (a.size() != b.size() || a.size() < start + kGraphRecordFixedSize)
        return false;
    std::vector<bool> skip(a.size(), false);
    auto mask = [&](size_t from, size_t count) {
        for (size_t i = from; i < from + count && i < skip.size(); ++i)
            skip[i] = true;
    };
    MemoryByteSource source(a.data() + start, a.size() - start);
    size_t at = start;
    for (int r = 0; r < records; ++r) {
        GraphWindowImage image;
        if (!ReadGraphRecord(source, image))
            return false;
        const size_t block = at + 4 + 80;
        mask(block + 136, 8);     // hPopupMenu, hGraphList
        mask(block + 1188, 4096); // pGraphs
        at += kGraphRecordFixedSize;
        for (const GraphImage& g : image.graphs) {
            mask(at + 76, 8); // pData, hItem
            at += kGraphHeaderSize + 2 * static_cast<size_t>(g.nSize);
        }
    }
    for (size_t i = 0; i < a.size(); ++i) {
        if (!skip[i] && a[i] != b[i]) {
            std::printf("first difference at byte %u: %02x %02x\n", static_cast<unsigned>(i), a[i],
                        b[i]);
            return false;
        }
    }
    return true;
}

// The four graph windows of a new measurement built here the way the
// document window builds them, from the curves and texts of the document
// that the portable builder made on Linux: saved by _SaveGraph they must
// give that document's bytes, so klvtool writes what the program writes.
void TestNewMeasurementAsTheProgramBuildsIt()
{
    Bytes native = ReadWholeFile(PathOf("native_doc.klv"));
    MeasurementDocument doc;
    if (native.size() < 4 || !ReadKlvDocument(native.data(), native.size(), doc)) {
        CHECK(!"native_doc.klv reads");
        return;
    }
    const bool sensor500 =
        doc.texts[kKlvSensorTyp].size() > 7 && doc.texts[kKlvSensorTyp][7] == '5';
    CHECK(sensor500); // the Linux side writes a 500 N series
    const double fullScale = sensor500 ? 500.0 : 300.0;
    const int yDivisions = sensor500 ? 10 : 6;
    std::string path = PathOf("wine_new_measurement.klv");
    HANDLE h = CreateFileFor(path, true);
    DWORD n = 0;
    WriteFile(h, "KLV2", 4, &n, nullptr);
    HWND windows[4];
    for (int k = 1; k <= 4; ++k) {
        char title[80];
        if (k <= 3)
            std::snprintf(title, sizeof title, "Forza di chiusura (misurazione %d)", k);
        else
            std::snprintf(title, sizeof title, "Valore medio del corso di forza");
        HWND w = windows[k - 1] = NewGraphWindow(title);
        _SetGraphStyle(w, 8, 6, yDivisions, -1.0, 5.0);
        CHECK(_AddGraph(w, k <= 3 ? "Forza di chiusura" : "Valore medio della forza", "N", 0.0,
                        fullScale, 0, 4095, 0.0016, 3750) == 1);
        GraphRecord* g = _GetDataPtr(w)->pGraphs[0];
        std::memcpy(g->pData, doc.graphWindows[k - 1].graphs[0].samples.data(), 7500);
        g->nBuffEnd = 3750;
        _SaveGraph(w, h);
    }
    WriteFile(h, native.data() + native.size() - kKlvTextBlockSize, kKlvTextBlockSize, &n, nullptr);
    CloseHandle(h);
    Bytes written = ReadWholeFile(path);
    CHECK(written.size() == 53372);
    CHECK(SameApartFromRuntimeWords(native, written, 4, 4));
    for (HWND w : windows)
        DestroyWindow(w);
}

// A record written by the portable codec on Linux (or, without one, here by
// the same codec), loaded by _LoadGraph and saved again by _SaveGraph.
void TestCodecRecordThroughAWindow()
{
    Bytes native = ReadWholeFile(PathOf("native_record.bin"));
    std::printf("native_record.bin: %u bytes\n", static_cast<unsigned>(native.size()));
    CHECK(!native.empty());
    if (native.empty())
        return;
    GraphWindowImage image;
    MemoryByteSource source(native.data(), native.size());
    CHECK(ReadGraphRecord(source, image));

    HWND w = NewGraphWindow("");
    HANDLE h = CreateFileFor(PathOf("native_record.bin"), false);
    CHECK(_LoadGraph(w, h) == 1);
    CloseHandle(h);
    GraphData* d = _GetDataPtr(w);
    CHECK(WindowTextA(w) == TerminatedText(image.szTitle, 80));
    CHECK(d->nGraphs == static_cast<int>(image.graphs.size()));
    CHECK(std::strcmp(d->szNotes, image.block.szNotes) == 0);
    CHECK(d->dZoomTimeMin == image.block.dZoomTimeMin && d->nZoomMaxBit == image.block.nZoomMaxBit);
    Bytes resaved = SaveWindows(PathOf("wine_resaved.bin"), {w});
    CHECK(SameApartFromRuntimeWords(native, resaved));
    DestroyWindow(w);
}

// A whole document as the program writes it: magic, four graph windows
// through _SaveGraph, then the text block of the codec.
void TestDocumentThroughWindows()
{
    MeasurementDocument texts;
    for (int item = 0; item < kKlvTextItems; ++item)
        texts.texts[item] = kKlvTextSlots[item].name;
    texts.texts[kKlvPruefer] = "Prüfer Müller"; // Windows-1252 bytes
    texts.texts[kKlvKalib].clear();

    HWND windows[4];
    for (int k = 0; k < 4; ++k) {
        windows[k] = NewForceGraphWindow(k < 3 ? "Forza di chiusura (misurazione)"
                                               : "Valore medio del corso di forza");
        FillPattern(windows[k], 0, 100 * k);
        _SetGraphBuffEnd(windows[k], 3750, 0);
    }
    std::string path = PathOf("wine_doc.klv");
    HANDLE h = CreateFileFor(path, true);
    DWORD n = 0;
    WriteFile(h, "KLV2", 4, &n, nullptr);
    for (HWND w : windows)
        _SaveGraph(w, h);
    std::uint8_t block[kKlvTextBlockSize];
    EncodeKlvTextBlock(texts, block);
    WriteFile(h, block, sizeof block, &n, nullptr);
    CloseHandle(h);

    Bytes file = ReadWholeFile(path);
    CHECK(file.size() == 53372);
    MeasurementDocument doc;
    KlvReadResult r = ReadKlvDocument(file.data(), file.size(), doc);
    CHECK(r);
    CHECK(doc.texts[kKlvPruefer] == "Prüfer Müller");
    CHECK(doc.graphWindows[3].graphs[0].samples[1] == (13 + 300) % 4096);
    CHECK(EncodeKlvDocument(doc) == file);

    for (HWND w : windows)
        DestroyWindow(w);
}

// A document written on Linux, opened the way the program opens it (four
// windows built with one graph each, the file read into them) and saved
// again the way the program saves it.
void ReopenAndResaveDocument(const char* source, const char* resaved)
{
    Bytes native = ReadWholeFile(PathOf(source));
    std::printf("%s: %u bytes\n", source, static_cast<unsigned>(native.size()));
    CHECK(native.size() == 53372);
    MeasurementDocument nativeDoc;
    if (native.size() < 4 || !ReadKlvDocument(native.data(), native.size(), nativeDoc)) {
        CHECK(!"the Linux document reads");
        return;
    }
    HANDLE h = CreateFileFor(PathOf(source), false);
    DWORD got = 0, n = 0;
    char magic[4];
    ReadFile(h, magic, 4, &got, nullptr);
    HWND loaded[4];
    for (int k = 0; k < 4; ++k) {
        loaded[k] = NewForceGraphWindow("");
        CHECK(_LoadGraph(loaded[k], h) == 1);
    }
    std::uint8_t text[kKlvTextBlockSize];
    CHECK(ReadFile(h, text, sizeof text, &got, nullptr) && got == sizeof text);
    CloseHandle(h);
    for (int k = 0; k < 4; ++k) {
        GraphData* d = _GetDataPtr(loaded[k]);
        const GraphImage& saved = nativeDoc.graphWindows[k].graphs[0];
        CHECK(WindowTextA(loaded[k]) == TerminatedText(nativeDoc.graphWindows[k].szTitle, 80));
        CHECK(d->nGraphs == 2 && d->pGraphs[0]->nBuffEnd == saved.nBuffEnd);
        CHECK(std::memcmp(d->pGraphs[0]->pData, saved.samples.data(), 7500) == 0);
        CHECK(d->nStyle == 8 && d->nXLines == 6 && d->dTimeMin == -1.0 && d->dTimeMax == 5.0);
    }
    h = CreateFileFor(PathOf(resaved), true);
    WriteFile(h, "KLV2", 4, &n, nullptr);
    for (HWND w : loaded)
        _SaveGraph(w, h);
    WriteFile(h, text, sizeof text, &n, nullptr);
    CloseHandle(h);
    for (HWND w : loaded)
        DestroyWindow(w);
}

} // namespace

// Where a painted window's pixels are, for the script that takes the
// screenshot: "x y RRGGBB" in screen coordinates at five points of its client
// area, as the window has drawn them. The screen shows the window once the
// screenshot has these colours there.
bool WriteShownMarker(HWND w, const std::string& path)
{
    FILE* f = std::fopen(path.c_str(), "w");
    if (!f)
        return false;
    HDC dc = GetDC(w);
    for (POINT p : ClientSamplePoints(w)) {
        COLORREF c = GetPixel(dc, p.x, p.y);
        POINT screen = p;
        ClientToScreen(w, &screen);
        std::fprintf(f, "%ld %ld %02X%02X%02X\n", screen.x, screen.y, GetRValue(c), GetGValue(c),
                     GetBValue(c));
    }
    ReleaseDC(w, dc);
    std::fclose(f);
    return true;
}

// Shows a record loaded from a file in a visible window for a screenshot
// taken from outside: once painted it writes DIR\shown (WriteShownMarker);
// it closes when DIR\close appears, or after 20 s.
int ShowLoadedRecord(const char* file)
{
    HWND frame =
        CreateWindowExA(0, "STATIC", "files test: loaded record", WS_OVERLAPPEDWINDOW | WS_VISIBLE,
                        20, 20, 720, 480, nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
    HWND w = CreateWindowExA(WS_EX_CLIENTEDGE, "GraphWindow", "", WS_CHILD | WS_VISIBLE | 0x0010,
                             10, 10, 680, 420, frame, nullptr, GetModuleHandleA(nullptr), nullptr);
    HANDLE h = CreateFileFor(PathOf(file), false);
    const int loaded = _LoadGraph(w, h);
    CloseHandle(h);
    char title[100];
    GetWindowTextA(w, title, sizeof title);
    SetWindowTextA(frame, title);
    RedrawWindow(frame, nullptr, nullptr,
                 RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_UPDATENOW | RDW_ALLCHILDREN);
    const bool marked = WriteShownMarker(w, PathOf("shown"));
    if (marked)
        PumpUntil(
            [] { return GetFileAttributesA(PathOf("close").c_str()) != INVALID_FILE_ATTRIBUTES; },
            20000);
    DestroyWindow(frame);
    return loaded == 1 && marked ? 0 : 1;
}

int main(int argc, char** argv)
{
    if (argc < 2) {
        std::printf("usage: files_wine_test.exe DIR [--show FILE]\n");
        return 2;
    }
    g_dir = argv[1];
    if (argc == 4 && std::strcmp(argv[2], "--show") == 0)
        return ShowLoadedRecord(argv[3]);
    g_parent = CreateWindowExA(0, "STATIC", "files test", WS_OVERLAPPEDWINDOW, 0, 0, 700, 500,
                               nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);

    RunCase("TestEmptyWindowIs5368Bytes", TestEmptyWindowIs5368Bytes);
    RunCase("TestAllSamplesSavedAndFillLevelRestored", TestAllSamplesSavedAndFillLevelRestored);
    RunCase("TestTwoRecordsReadInOrderWithJunkBefore", TestTwoRecordsReadInOrderWithJunkBefore);
    RunCase("TestLoadIntoWindowThatHoldsAGraph", TestLoadIntoWindowThatHoldsAGraph);
    RunCase("TestTitleOf79Characters", TestTitleOf79Characters);
    RunCase("TestWindowWithoutBlock", TestWindowWithoutBlock);
    RunCase("TestSaveReportsAFailedWrite", TestSaveReportsAFailedWrite);
    RunCase("TestUnsafeRecordsAreRefused", TestUnsafeRecordsAreRefused);
    RunCase("TestCapacityMismatchKeepsTheStreamAligned", TestCapacityMismatchKeepsTheStreamAligned);
    RunCase("TestLoadIntoWindowWithGraphList", TestLoadIntoWindowWithGraphList);
    RunCase("TestCodecRecordThroughAWindow", TestCodecRecordThroughAWindow);
    RunCase("TestNewMeasurementAsTheProgramBuildsIt", TestNewMeasurementAsTheProgramBuildsIt);
    RunCase("TestDocumentThroughWindows", TestDocumentThroughWindows);
    RunCase("ReopenAndResaveDocument native_doc.klv",
            [] { ReopenAndResaveDocument("native_doc.klv", "wine_resaved_doc.klv"); });
    RunCase("ReopenAndResaveDocument measured.klv",
            [] { ReopenAndResaveDocument("measured.klv", "wine_measured_resaved.klv"); });

    DestroyWindow(g_parent);
    return Summary();
}
