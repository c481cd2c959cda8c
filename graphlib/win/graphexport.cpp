// _ASCIIExport: all graphs of a window as a tab-separated text table,
// appended at the open file's current position.
#include "asciiexport.h"
#include "graphstate.h"

#include <string>
#include <vector>

namespace {

std::vector<klv::ExportColumn> ExportColumnsOf(const GraphData* d)
{
    std::vector<klv::ExportColumn> columns;
    for (int i = 0; i < d->nGraphs; ++i) {
        const GraphRecord* g = GraphAt(d, i);
        if (!g)
            continue;
        columns.push_back({std::string(g->szName, strnlen(g->szName, sizeof g->szName)),
                           std::string(g->szUnit, strnlen(g->szUnit, sizeof g->szUnit)), g->nSize,
                           g->pData, g->nMaxBit, g->dMinValue, g->dMaxValue});
    }
    return columns;
}

bool WriteText(HANDLE hFile, const std::string& text)
{
    DWORD written = 0;
    return WriteFile(hFile, text.data(), static_cast<DWORD>(text.size()), &written, nullptr) &&
           written == text.size();
}

} // namespace

extern "C" VARNOK_API int _ASCIIExport(HWND hGraphWnd, HANDLE hFile)
{
    SetCursor(LoadCursor(nullptr, IDC_WAIT));
    const GraphData* d = GraphDataOf(hGraphWnd);
    if (!d)
        return 0;
    std::vector<klv::ExportColumn> columns = ExportColumnsOf(d);
    WriteText(hFile, klv::AsciiExportHeader(columns));
    if (columns.empty())
        return 1;
    double timeBase = GraphAt(d, 0)->dTimeBase;
    std::string row;
    for (int32_t i = 0; i < columns[0].nSize; ++i) {
        klv::FormatAsciiExportRow(i, timeBase, columns, row);
        WriteText(hFile, row);
    }
    return 1;
}
