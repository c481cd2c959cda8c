// Graph records in files: _SaveGraph and _LoadGraph.
//
// The byte layout is the portable codec's (graphrecord.h); this file only
// moves fields between a live GraphData block and the codec's images and
// talks to the file handle the caller opened and positioned.
#include <algorithm>
#include <cstring>
#include <vector>

#include "graphrecord.h"
#include "graphstate.h"

namespace {

// Handles and pointers take 4 bytes in the file whatever the build.
std::uint32_t FileWord(const void* p)
{
    return static_cast<std::uint32_t>(reinterpret_cast<std::uintptr_t>(p));
}

GraphBlockImage BlockImageOf(const GraphData* d)
{
    GraphBlockImage b;
    b.nMaxBit = d->nMaxBit;
    b.nMinBit = d->nMinBit;
    b.nZoomMinBit = d->nZoomMinBit;
    b.nZoomMaxBit = d->nZoomMaxBit;
    b.rcPlot[0] = d->rcPlot.left;
    b.rcPlot[1] = d->rcPlot.right;
    b.rcPlot[2] = d->rcPlot.bottom;
    b.rcPlot[3] = d->rcPlot.top;
    b.dTimeMin = d->dTimeMin;
    b.dTimeMax = d->dTimeMax;
    b.dZoomTimeMin = d->dZoomTimeMin;
    b.dZoomTimeMax = d->dZoomTimeMax;
    b.dMaxValue = d->dMaxValue;
    b.dMinValue = d->dMinValue;
    b.dSpare = d->dSpare;
    b.nXLines = d->nXLines;
    b.nYLines = d->nYLines;
    std::memcpy(b.szAxisLabel, d->szAxisLabel, sizeof b.szAxisLabel);
    b.bDragging = d->bDragging;
    b.nSpare1[0] = d->nSpare1[0];
    b.nSpare1[1] = d->nSpare1[1];
    b.bPaintEnabled = d->bPaintEnabled;
    b.bRedraw = d->bRedraw;
    b.rcDrag[0] = d->rcDrag.left;
    b.rcDrag[1] = d->rcDrag.top;
    b.rcDrag[2] = d->rcDrag.right;
    b.rcDrag[3] = d->rcDrag.bottom;
    b.hPopupMenu = FileWord(d->hPopupMenu);
    b.hGraphList = FileWord(d->hGraphList);
    b.nTimeFormat = d->nTimeFormat;
    b.nGraphs = static_cast<std::uint32_t>(std::clamp(d->nGraphs, 0, GRAPH_MAX_GRAPHS));
    std::copy(std::begin(d->nShown), std::end(d->nShown), b.nShown);
    b.nSpare2 = d->nSpare2;
    b.nStyle = d->nStyle;
    std::memcpy(b.szNotes, d->szNotes, sizeof b.szNotes);
    b.nCursorMode = d->nCursorMode;
    b.dCursorTime = d->dCursorTime;
    for (int i = 0; i < GRAPH_MAX_GRAPHS; ++i)
        b.pGraphs[i] = FileWord(d->pGraphs[i]);
    return b;
}

GraphImage HeaderImageOf(const GraphRecord* g)
{
    GraphImage image;
    image.nSize = g->nSize;
    image.nBuffEnd = g->nBuffEnd;
    image.dTimeBase = g->dTimeBase;
    image.dMinValue = g->dMinValue;
    image.dMaxValue = g->dMaxValue;
    image.nMinBit = g->nMinBit;
    image.nMaxBit = g->nMaxBit;
    std::memcpy(image.szUnit, g->szUnit, sizeof image.szUnit);
    std::memcpy(image.szName, g->szName, sizeof image.szName);
    image.pData = FileWord(g->pData);
    image.hItem = FileWord(g->hItem);
    return image;
}

// A text field taken over on load: up to its terminator, always terminated.
void TakeText(char* field, size_t size, const char* saved)
{
    SetFixedText(field, size, TerminatedText(saved, size));
}

// The fields a load takes over from the saved block.
void TakeOverBlock(GraphData* d, const GraphBlockImage& b)
{
    d->nMaxBit = b.nMaxBit;
    d->nMinBit = b.nMinBit;
    d->nZoomMinBit = b.nZoomMinBit;
    d->nZoomMaxBit = b.nZoomMaxBit;
    d->rcPlot.left = b.rcPlot[0];
    d->rcPlot.right = b.rcPlot[1];
    d->rcPlot.bottom = b.rcPlot[2];
    d->rcPlot.top = b.rcPlot[3];
    d->dTimeMin = b.dTimeMin;
    d->dTimeMax = b.dTimeMax;
    d->dZoomTimeMin = b.dZoomTimeMin;
    d->dZoomTimeMax = b.dZoomTimeMax;
    d->dMaxValue = b.dMaxValue;
    d->dMinValue = b.dMinValue;
    d->dSpare = b.dSpare;
    d->nXLines = b.nXLines;
    d->nYLines = b.nYLines;
    TakeText(d->szAxisLabel, sizeof d->szAxisLabel, b.szAxisLabel);
    d->nTimeFormat = b.nTimeFormat;
    d->nStyle = b.nStyle;
    TakeText(d->szNotes, sizeof d->szNotes, b.szNotes);
}

// The saved fill level and samples go to the window's graph at the same
// table position. When its capacity differs from the saved one, only what
// fits is copied (the rest of its buffer is cleared) and the fill level is
// bounded by both capacities: the stream itself always advances by the
// saved record's length, so the next record is found where it lies.
void FillGraph(GraphRecord* target, const GraphImage& saved)
{
    const size_t capacity = static_cast<size_t>(std::max(target->nSize, 0));
    const size_t savedCount = saved.samples.size();
    const size_t copied = std::min(capacity, savedCount);
    std::copy_n(saved.samples.begin(), copied, target->pData);
    std::fill(target->pData + copied, target->pData + capacity, int16_t{0});
    target->nBuffEnd = static_cast<uint32_t>(std::min<size_t>(saved.nBuffEnd, copied));
}

// True when every byte went to the file.
bool WriteBytes(HANDLE hFile, const void* data, size_t size)
{
    DWORD written = 0;
    return WriteFile(hFile, data, static_cast<DWORD>(size), &written, nullptr) && written == size;
}

class FileByteSource : public ByteSource {
public:
    explicit FileByteSource(HANDLE hFile) : hFile_(hFile) {}
    size_t Read(void* dest, size_t count) override
    {
        DWORD got = 0;
        if (!ReadFile(hFile_, dest, static_cast<DWORD>(count), &got, nullptr))
            return 0;
        return got;
    }

private:
    HANDLE hFile_;
};

void ApplyRecord(HWND hGraphWnd, GraphData* d, const GraphWindowImage& image)
{
    SetWindowTextA(hGraphWnd, TerminatedText(image.szTitle, sizeof image.szTitle).c_str());
    TakeOverBlock(d, image.block);
    for (size_t i = 0; i < image.graphs.size(); ++i) {
        const GraphImage& saved = image.graphs[i];
        const std::string name = TerminatedText(saved.szName, sizeof saved.szName);
        const std::string unit = TerminatedText(saved.szUnit, sizeof saved.szUnit);
        // A full window (1024 graphs) or short memory refuses the graph; the
        // saved samples still go to an existing graph at this position.
        _AddGraph(hGraphWnd, name.c_str(), unit.c_str(), saved.dMinValue, saved.dMaxValue,
                  saved.nMinBit, saved.nMaxBit, saved.dTimeBase, saved.nSize);
        if (GraphRecord* target = GraphAt(d, static_cast<int>(i)))
            FillGraph(target, saved);
    }
}

} // namespace

void InitGraphDataDefaults(GraphData* d)
{
    const GraphBlockImage defaults;
    TakeOverBlock(d, defaults);
    d->nSpare1[0] = defaults.nSpare1[0];
    d->nSpare1[1] = defaults.nSpare1[1];
    d->bPaintEnabled = defaults.bPaintEnabled;
    d->bRedraw = defaults.bRedraw;
    d->nCursorMode = defaults.nCursorMode;
    d->dCursorTime = defaults.dCursorTime;
}

VARNOK_API int _SaveGraph(HWND hGraphWnd, HANDLE hFile)
{
    GraphData* d = GraphDataOf(hGraphWnd);
    if (!d)
        return 0; // not a graph window: nothing is written

    char title[kGraphTitleSize] = {};
    GetWindowTextA(hGraphWnd, title, sizeof title);
    std::uint8_t block[kGraphBlockSize];
    EncodeGraphBlock(BlockImageOf(d), block);

    // A full disk or a read-only handle is reported with 0, so a caller
    // that checks can keep the document marked as unsaved.
    bool written = WriteBytes(hFile, kGraphMarker, kGraphMarkerSize);
    written = WriteBytes(hFile, title, sizeof title) && written;
    written = WriteBytes(hFile, block, sizeof block) && written;

    std::vector<std::uint8_t> samples;
    const int graphs = std::clamp(d->nGraphs, 0, GRAPH_MAX_GRAPHS);
    for (int i = 0; i < graphs; ++i) {
        const GraphRecord* g = d->pGraphs[i];
        std::uint8_t header[kGraphHeaderSize];
        EncodeGraphHeader(HeaderImageOf(g), header);
        written = WriteBytes(hFile, header, sizeof header) && written;
        const size_t count = static_cast<size_t>(std::max(g->nSize, 0));
        samples.resize(2 * count);
        EncodeSamples(g->pData, count, samples.data());
        written = WriteBytes(hFile, samples.data(), samples.size()) && written;
    }
    return written ? 1 : 0;
}

VARNOK_API int _LoadGraph(HWND hGraphWnd, HANDLE hFile)
{
    GraphData* d = GraphDataOf(hGraphWnd);
    if (!d) {
        MessageBoxA(nullptr, "", "ERROR", MB_OK);
        return 0;
    }
    d->bPaintEnabled = 0; // no painting while the window is being filled

    // The whole record is read and checked before the window changes, so a
    // damaged record leaves the window as it was.
    GraphWindowImage image;
    FileByteSource source(hFile);
    const GraphReadResult result = ReadGraphRecord(source, image);
    if (result.status == GraphReadStatus::MarkerNotFound)
        return 0; // painting stays off until a later successful load
    if (result)
        ApplyRecord(hGraphWnd, d, image);
    d->bPaintEnabled = 1;
    InvalidateGraphWindow(hGraphWnd, d);
    return result ? 1 : 0;
}
