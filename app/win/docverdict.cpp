// docverdict.cpp - the verdict on a document window's pages (see docverdict.h).
#include "docverdict.h"

#include <string>

#include "klvdoc.h"
#include "limitchoice.h"
#include "services.h"
#include "varnok.h"
#include "verdicttext.h"
#include "verdictview.h"

namespace {

constexpr int kPages = 4; // the three measurements and the mean

void VerdictName(char* buf, int page)
{
    wsprintfA(buf, "Verdict%d", page);
}

HWND Part(HWND tab, const char* name)
{
    return static_cast<HWND>(GetPropA(tab, name));
}

// The first graph of a graph window, when it holds a whole curve.
const std::int16_t* WholeCurve(HWND graphWindow)
{
    const GraphData* data = graphWindow ? _GetDataPtr(graphWindow) : nullptr;
    if (!data || data->nGraphs < 1 || !data->pGraphs[0])
        return nullptr;
    const GraphRecord* graph = data->pGraphs[0];
    if (!graph->pData || graph->nSize < kMessCurveSamples || graph->nBuffEnd < kMessCurveSamples)
        return nullptr;
    return graph->pData;
}

void MovePart(HWND part, const LayoutRect& r)
{
    if (part)
        MoveWindow(part, r.x, r.y, r.width, r.height, TRUE);
}

// The verdict control of a page says text: made, changed or, when text is
// empty, removed.
void SetPageVerdict(HWND tab, int page, const std::string& text, bool shown)
{
    char name[16];
    VerdictName(name, page);
    HWND view = Part(tab, name);
    if (text.empty()) {
        if (view)
            DestroyWindow(static_cast<HWND>(RemovePropA(tab, name)));
        return;
    }
    if (view) {
        SetWindowTextA(view, text.c_str());
        return;
    }
    view = CreateVerdictView(tab, text.c_str(), 0, 0, 0, 0, NormalFont(), 0, shown);
    if (view)
        SetPropA(tab, name, view);
}

} // namespace

bool DocumentFigures(HWND tab, SeriesFigures* figures)
{
    const std::int16_t* curves[kMessMeasurements] = {};
    for (int k = 1; k <= kMessMeasurements; ++k) {
        char name[16];
        wsprintfA(name, "Graph%d", k);
        curves[k - 1] = WholeCurve(Part(tab, name));
        if (!curves[k - 1])
            return false;
    }
    char sensor[32] = {};
    if (HWND sensorText = Part(tab, KlvSlotName(kKlvSensorTyp)))
        GetWindowTextA(sensorText, sensor, sizeof sensor);
    return ComputeCurveFigures(curves, sensor, *figures);
}

void JudgeDocumentPages(HWND document, HWND tab, int shownPage)
{
    SeriesFigures figures;
    const bool measured = DocumentFigures(tab, &figures);
    LimitSet set;
    const bool judged = measured && LoadChosenLimitSet(document, &set);
    for (int page = 1; page <= kPages; ++page) {
        const std::string text =
            measured ? PageVerdictText(judged ? &set : nullptr, figures, page - 1) : std::string();
        SetPageVerdict(tab, page, text, page == shownPage);
    }
    RECT client;
    GetClientRect(document, &client);
    const DocumentLayout layout = ComputeDocumentLayout(client.right, client.bottom, 0, 0);
    for (int page = 1; page <= kPages; ++page)
        PlacePageTexts(tab, page, layout);
}

void PlacePageTexts(HWND tab, int page, const DocumentLayout& layout)
{
    HWND valueText = Part(tab, KlvSlotName(KlvValueTextItem(page)));
    HWND verdict = PageVerdict(tab, page);
    MovePart(valueText, verdict ? layout.valueTextAboveVerdict : layout.valueText);
    MovePart(verdict, layout.verdict);
}

HWND PageVerdict(HWND tab, int page)
{
    char name[16];
    VerdictName(name, page);
    return Part(tab, name);
}

void ForgetDocumentVerdicts(HWND tab)
{
    for (int page = 1; page <= kPages; ++page) {
        char name[16];
        VerdictName(name, page);
        RemovePropA(tab, name);
    }
}
