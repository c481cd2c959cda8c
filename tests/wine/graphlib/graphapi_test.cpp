// The graph API of varnok.dll on real graph windows: the window's block,
// children and menu at creation, graphs and their list items, the boundaries
// of the calls, live drawing, and the release of everything on destroy.
//   graphlib_graphapi_test.exe [snapshot directory]
#include "varnok.h"

#include "wintest.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <vector>

namespace {

constexpr LONG kListStyle = 0x0010;

HWND CreateGraphWindow(bool withList, const char* title = "Graph Test", bool visible = true)
{
    DWORD style = WS_OVERLAPPEDWINDOW | (visible ? WS_VISIBLE : 0) | (withList ? kListStyle : 0);
    return CreateWindowExA(0, "GraphWindow", title, style, 20, 20, 640, 420, nullptr, nullptr,
                           GetModuleHandleA(nullptr), nullptr);
}

std::string MenuText(HMENU menu, UINT id)
{
    char text[64] = "";
    GetMenuStringA(menu, id, text, sizeof text, MF_BYCOMMAND);
    return text;
}

bool MenuChecked(HMENU menu, UINT id)
{
    return (GetMenuState(menu, id, MF_BYCOMMAND) & MF_CHECKED) != 0;
}

int AddKraft(HWND w, const char* name = "Kraft", int32_t size = 3750)
{
    return _AddGraph(w, name, "N", 0.0, 300.0, 0, 4095, 0.0016, size);
}

void CreationBuildsBlockListButtonAndMenu()
{
    HWND w = CreateGraphWindow(true);
    CHECK(w != nullptr);
    GraphData* d = _GetDataPtr(w);
    CHECK(d != nullptr);
    if (!d)
        return;
    CHECK_EQ(d->nMaxBit, 4095);
    CHECK_EQ(d->nMinBit, 0);
    CHECK_EQ(d->nZoomMinBit, 0);
    CHECK_EQ(d->nZoomMaxBit, 4095);
    CHECK(d->dTimeMin == 0.0 && d->dZoomTimeMin == 0.0);
    CHECK(d->dTimeMax == 1.0e8 && d->dZoomTimeMax == 1.0e8);
    CHECK(d->dMaxValue == 4095.0 && d->dMinValue == 0.0 && d->dSpare == 100.0);
    CHECK_EQ(d->nXLines, 5u);
    CHECK_EQ(d->nYLines, 10u);
    CHECK_EQ(d->nSpare1[0], 1);
    CHECK_EQ(d->nSpare1[1], 1);
    CHECK_EQ(d->bPaintEnabled, 1);
    CHECK_EQ(d->nTimeFormat, 1);
    CHECK_EQ(d->nGraphs, 0);
    CHECK_EQ(d->nCursorMode, 1);
    CHECK_EQ(d->nShown[0], 0);
    CHECK_EQ(d->szNotes[0], 0);
    CHECK(GetPropA(w, "GraphData") == d);
    CHECK(GetPropA(w, "BITMAP") == nullptr);
    CHECK_EQ(SendMessageA(w, EM_GETMODIFY, 0, 0), 0);
    CHECK(GetFocus() == w);

    HWND tree = d->hGraphList;
    CHECK(tree != nullptr && GetParent(tree) == w);
    CHECK(GetDlgItem(w, 10) == tree);
    char text[64] = "";
    GetClassNameA(tree, text, sizeof text);
    CHECK_STR(text, "SysTreeView32");
    GetWindowTextA(tree, text, sizeof text);
    CHECK_STR(text, "Graph-Objekte");
    CHECK(IsWindowVisible(tree));
    CHECK(GetWindowLongA(tree, GWL_EXSTYLE) & WS_EX_CLIENTEDGE);
    LONG ts = GetWindowLongA(tree, GWL_STYLE);
    CHECK((ts & (TVS_HASBUTTONS | TVS_HASLINES | TVS_LINESATROOT | TVS_SHOWSELALWAYS |
                 TVS_DISABLEDRAGDROP | WS_BORDER)) ==
          (TVS_HASBUTTONS | TVS_HASLINES | TVS_LINESATROOT | TVS_SHOWSELALWAYS |
           TVS_DISABLEDRAGDROP | WS_BORDER));

    // The six readout items with their pictures, texts and properties.
    CHECK_EQ(SendMessageA(tree, TVM_GETCOUNT, 0, 0), 6);
    HTREEITEM cursor = NextTreeItem(tree, TVGN_ROOT, nullptr);
    CHECK(cursor == GetPropA(tree, "Cursor"));
    TreeItem c = ReadTreeItem(tree, cursor);
    CHECK_STR(c.text, "0:00:00");
    CHECK_EQ(c.image, 6);
    CHECK_EQ(c.data, 0);
    const char* props[] = {"Dist", "Curs1", "Curs2", "Curs3", "Curs4"};
    const int images[] = {13, 9, 10, 11, 12};
    const char* texts[] = {"0:00:00", "-", "-", "-", "-"};
    HTREEITEM child = NextTreeItem(tree, TVGN_CHILD, cursor);
    for (int i = 0; i < 5; ++i) {
        CHECK(child != nullptr && child == GetPropA(tree, props[i]));
        TreeItem r = ReadTreeItem(tree, child);
        CHECK_STR(r.text, texts[i]);
        CHECK_EQ(r.image, images[i]);
        CHECK_EQ(r.data, 0);
        child = NextTreeItem(tree, TVGN_NEXT, child);
    }
    HIMAGELIST images14 =
        reinterpret_cast<HIMAGELIST>(SendMessageA(tree, TVM_GETIMAGELIST, TVSIL_NORMAL, 0));
    CHECK(images14 != nullptr);
    CHECK_EQ(ImageList_GetImageCount(images14), 14);
    int cx = 0, cy = 0;
    ImageList_GetIconSize(images14, &cx, &cy);
    CHECK_EQ(cx, 19);

    HWND button = GetDlgItem(w, 100);
    CHECK(button != nullptr);
    GetWindowTextA(button, text, sizeof text);
    CHECK_STR(text, ">");
    CHECK(IsWindowVisible(button));
    RECT rc, bc;
    GetClientRect(w, &rc);
    GetWindowRect(button, &bc);
    MapWindowPoints(nullptr, w, reinterpret_cast<POINT*>(&bc), 2);
    CHECK_EQ(bc.left, rc.right - 31);
    CHECK_EQ(bc.top, 9);
    RECT lc;
    GetWindowRect(tree, &lc);
    MapWindowPoints(nullptr, w, reinterpret_cast<POINT*>(&lc), 2);
    CHECK_EQ(lc.left, rc.right - 170);
    CHECK_EQ(lc.top, 29);
    CHECK_EQ(lc.bottom - lc.top, rc.bottom - 75);

    HMENU menu = d->hPopupMenu;
    CHECK(IsMenu(menu));
    CHECK_EQ(GetMenuItemCount(menu), 4);
    CHECK_STR(MenuText(menu, 1001), "Zoom");
    CHECK_STR(MenuText(menu, 1002), "Cursor");
    CHECK_STR(MenuText(menu, 1003), "Einstellungen...");
    CHECK(GetMenuState(menu, 2, MF_BYPOSITION) & MF_SEPARATOR);
    CHECK(MenuChecked(menu, 1001));
    CHECK(!MenuChecked(menu, 1002));
    DestroyWindow(w);

    // Without the list style, list and button stay hidden.
    w = CreateGraphWindow(false);
    d = _GetDataPtr(w);
    CHECK(d && !IsWindowVisible(d->hGraphList));
    CHECK(!IsWindowVisible(GetDlgItem(w, 100)));
    DestroyWindow(w);
    CHECK(_GetDataPtr(w) == nullptr);
}

void GetDataPtrOfAnotherWindowIsNull()
{
    HWND other =
        CreateWindowA("STATIC", "x", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
    CHECK(_GetDataPtr(other) == nullptr);
    CHECK(_GetGraphDataPtr(other, 0) == nullptr);
    CHECK_EQ(_AddGraph(other, "a", "b", 0, 1, 0, 1, 1, 10), 0);
    DestroyWindow(other);
}

void FirstGraphSetsScalingAndSlot()
{
    HWND w = CreateGraphWindow(true);
    GraphData* d = _GetDataPtr(w);
    CHECK_EQ(_AddGraph(w, "Kraft", "N", 10.0, 500.0, -5, 2047, 0.0016, 3750), 1);
    CHECK_EQ(d->nGraphs, 1);
    CHECK_EQ(d->nShown[0], 1);
    CHECK(d->dMinValue == 10.0 && d->dMaxValue == 500.0);
    CHECK_EQ(d->nMaxBit, 2047);
    CHECK_EQ(d->nMinBit, -5);
    GraphRecord* g = d->pGraphs[0];
    CHECK(g && g->pData == _GetGraphDataPtr(w, 0));
    CHECK_EQ(g->nSize, 3750);
    CHECK_EQ(g->nBuffEnd, 0u);
    CHECK(g->dTimeBase == 0.0016);
    CHECK_STR(g->szName, "Kraft");
    CHECK_STR(g->szUnit, "N");
    bool zero = true;
    for (int i = 0; i < 3750; ++i)
        zero = zero && g->pData[i] == 0;
    CHECK(zero);

    CHECK_EQ(_AddGraph(w, "Zweite", "V", -10.0, 10.0, -2048, 2047, 0.001, 100), 1);
    CHECK(d->dMinValue == 10.0 && d->dMaxValue == 500.0);
    CHECK_EQ(d->nMaxBit, 2047);
    CHECK_EQ(d->nMinBit, -5);
    CHECK_EQ(d->nShown[0], 1);
    CHECK_EQ(d->nShown[1], 0);
    CHECK_EQ(_AddGraph(w, "Dritte", "V", -10.0, 10.0, -2048, 2047, 0.001, 100), 1);

    // List: the first graph at the top with picture 0, the later ones after
    // the one added last with picture 4; item data = graph number.
    HWND tree = d->hGraphList;
    HTREEITEM top = NextTreeItem(tree, TVGN_ROOT, nullptr);
    CHECK(top == d->pGraphs[0]->hItem);
    TreeItem t = ReadTreeItem(tree, top);
    CHECK_STR(t.text, "Kraft");
    CHECK_EQ(t.image, 0);
    CHECK_EQ(t.data, 1);
    HTREEITEM second = NextTreeItem(tree, TVGN_NEXT, top);
    CHECK(second == d->pGraphs[1]->hItem);
    t = ReadTreeItem(tree, second);
    CHECK_STR(t.text, "Zweite");
    CHECK_EQ(t.image, 4);
    CHECK_EQ(t.data, 2);
    HTREEITEM third = NextTreeItem(tree, TVGN_NEXT, second);
    CHECK(third == d->pGraphs[2]->hItem);
    CHECK_EQ(ReadTreeItem(tree, third).data, 3);
    CHECK(GetPropA(tree, "LAST") == third);
    CHECK(NextTreeItem(tree, TVGN_NEXT, third) == GetPropA(tree, "Cursor"));

    // Information texts below a graph, expanded or collapsed on request.
    CHECK_EQ(_AddInfoString(w, "Max 123 N", 1, 1), 1);
    HTREEITEM info = NextTreeItem(tree, TVGN_CHILD, second);
    t = ReadTreeItem(tree, info);
    CHECK_STR(t.text, "Max 123 N");
    CHECK_EQ(t.image, 5);
    CHECK_EQ(t.data, 0);
    CHECK(ReadTreeItem(tree, second).state & TVIS_EXPANDED);
    CHECK_EQ(_AddInfoString(w, "Zweite Info", 1, 0), 1);
    CHECK(NextTreeItem(tree, TVGN_NEXT, info) != nullptr);
    CHECK(!(ReadTreeItem(tree, second).state & TVIS_EXPANDED));
    CHECK_EQ(_AddInfoString(w, "x", 3, 1), 0);
    CHECK_EQ(_AddInfoString(w, "x", -1, 1), 0);
    _AddInfoString(w, "Peak", 0, 1);

    CHECK(PumpUntilShown(w, 5000));
    Snapshot(w, "graphlib_graphwindow");
    DestroyWindow(w);

    // A window without the list gives its graphs no items.
    w = CreateGraphWindow(false);
    d = _GetDataPtr(w);
    AddKraft(w);
    CHECK(d->pGraphs[0]->hItem == nullptr);
    CHECK_EQ(SendMessageA(d->hGraphList, TVM_GETCOUNT, 0, 0), 6);
    // Its information text goes in at the list's top level (graphview_test).
    DestroyWindow(w);
}

void LongNamesAreCutTo29Characters()
{
    HWND w = CreateGraphWindow(true);
    char name[] = "0123456789ABCDEFGHIJ0123456789abcdefghij"; // 40 characters
    CHECK_EQ(AddKraft(w, name), 1);
    GraphData* d = _GetDataPtr(w);
    CHECK_STR(d->pGraphs[0]->szName, "0123456789ABCDEFGHIJ012345678");
    CHECK_STR(name, "0123456789ABCDEFGHIJ0123456789abcdefghij"); // the caller's text is kept
    CHECK_STR(ReadTreeItem(d->hGraphList, d->pGraphs[0]->hItem).text,
              "0123456789ABCDEFGHIJ012345678");
    CHECK_EQ(_AddGraph(w, "Lang", "Newtonmeter", 0, 1, 0, 1, 1, 10), 1);
    CHECK_STR(d->pGraphs[1]->szUnit, "Newtonmet");
    DestroyWindow(w);
}

void The1025thGraphIsRefused()
{
    HWND w = CreateGraphWindow(false);
    GraphData* d = _GetDataPtr(w);
    for (int i = 0; i < 1024; ++i)
        CHECK_EQ(_AddGraph(w, "g", "u", 0, 1, 0, 1, 1.0, 4), 1);
    CHECK_EQ(d->nGraphs, 1024);
    SendMessageA(w, EM_SETMODIFY, 0, 0);
    CHECK_EQ(_AddGraph(w, "g", "u", 0, 1, 0, 1, 1.0, 4), 0);
    CHECK_EQ(d->nGraphs, 1024);
    CHECK_EQ(SendMessageA(w, EM_GETMODIFY, 0, 0), 1); // set even though it failed
    CHECK(d->pGraphs[1023] != nullptr);
    DestroyWindow(w);
}

void AddValueWrapsAtTheCapacity()
{
    HWND w = CreateGraphWindow(true);
    GraphData* d = _GetDataPtr(w);
    AddKraft(w, "Kurz", 4);
    for (int16_t v = 1; v <= 4; ++v)
        CHECK_EQ(_AddValue(w, 0, v), 1);
    GraphRecord* g = d->pGraphs[0];
    CHECK_EQ(g->nBuffEnd, 4u);
    CHECK_EQ(g->pData[3], 4);
    CHECK(PumpUntil([&] { return NothingLeftToPaint(w); }, 5000)); // no paint pending
    ValidateRect(w, nullptr);
    d->bRedraw = 0;
    CHECK_EQ(_AddValue(w, 0, 99), 1);
    CHECK_EQ(g->pData[0], 99);
    CHECK_EQ(g->pData[1], 2);
    CHECK_EQ(g->nBuffEnd, 1u);
    CHECK_EQ(d->bRedraw, 1);
    RECT upd;
    CHECK(GetUpdateRect(w, &upd, FALSE)); // a full redraw is pending
    CHECK_EQ(_AddValue(w, 0, -7), 1);
    CHECK_EQ(g->pData[1], -7);
    CHECK_EQ(g->nBuffEnd, 2u);
    CHECK_EQ(_AddValue(w, 5, 1), 1); // no such graph: nothing happens
    DestroyWindow(w);
}

// Whether two captures are the same; names the first pixel that differs.
bool SamePixels(const std::vector<uint32_t>& actual, const std::vector<uint32_t>& expected,
                int width, const char* what)
{
    if (actual.size() != expected.size()) {
        std::printf("  %s: %zu pixels instead of %zu\n", what, actual.size(), expected.size());
        return false;
    }
    for (size_t i = 0; i < actual.size(); ++i) {
        if (actual[i] != expected[i]) {
            std::printf("  %s: first difference at x %zu, y %zu: %06x instead of %06x\n", what,
                        i % width, i / width, actual[i] & 0xFFFFFF, expected[i] & 0xFFFFFF);
            return false;
        }
    }
    return true;
}

// A stream of 500-sample graph's worth and more: waves over the whole plot
// and beyond it (clipped), spikes, steps and flat stretches.
std::vector<int16_t> LiveStream(int count)
{
    std::vector<int16_t> stream(count);
    for (int i = 0; i < count; ++i) {
        double v = 2048.0 + 2600.0 * std::sin(i / 23.0) + 300.0 * std::sin(i / 2.7);
        if (i % 37 == 0)
            v += 6000.0;
        if (i % 150 >= 120)
            v = 1000.0;
        stream[i] = static_cast<int16_t>(v);
    }
    return stream;
}

// Pixels of the stream drawn live into a 500-sample graph in runs of `run`
// samples (0: one _AddValue per sample): after 300 samples, after 1300 (the
// buffer filled twice, the last time in the middle of a run; the old curve
// still there, its redraw pending), and once redrawn.
std::vector<std::vector<uint32_t>> DrawLiveStream(int run, int* width)
{
    HWND w = CreateGraphWindow(false);
    _SetGraphStyle(w, 8, 8, 10, 0.0, 0.8);
    AddKraft(w, "Live", 500);
    CHECK(PumpUntilShown(w, 5000));
    const std::vector<int16_t> stream = LiveStream(1300);
    std::vector<std::vector<uint32_t>> captures;
    int sent = 0;
    for (int until : {300, 1300}) {
        for (; sent < until; sent += run == 0 ? 1 : run) {
            if (run == 0)
                CHECK_EQ(_AddValue(w, 0, stream[sent]), 1);
            else
                CHECK_EQ(_AddValues(w, 0, &stream[sent], std::min(run, until - sent)), 1);
        }
        sent = until;
        captures.push_back(ClientPixels(w));
    }
    CHECK_EQ(_GetDataPtr(w)->pGraphs[0]->nBuffEnd, 300u);
    CHECK(PumpUntilShown(w, 5000));
    captures.push_back(ClientPixels(w));
    RECT rc;
    GetClientRect(w, &rc);
    *width = rc.right;
    DestroyWindow(w);
    return captures;
}

// _AddValues shows what as many _AddValue calls show, pixel for pixel: runs
// of one block (64), of 7, of 100 (the buffer full at the end of a run, the
// next run starting at the left edge) and of 1000 (two fillings in one run,
// more points than one polyline chunk).
void AddValuesDrawsAsAddValueDoes()
{
    const char* const stages[] = {"before filling", "after wrapping", "redrawn"};
    int width = 0;
    const auto expected = DrawLiveStream(0, &width);
    for (int run : {64, 7, 100, 1000}) {
        const auto actual = DrawLiveStream(run, &width);
        for (size_t stage = 0; stage < 3; ++stage) {
            char what[64];
            std::snprintf(what, sizeof what, "runs of %d, %s", run, stages[stage]);
            CHECK(SamePixels(actual[stage], expected[stage], width, what));
        }
    }
}

// Runs with nothing in them change nothing; values past a full buffer start
// it again at the left edge.
void AddValuesBoundaries()
{
    HWND w = CreateGraphWindow(false);
    GraphData* d = _GetDataPtr(w);
    AddKraft(w, "Kurz", 4);
    const int16_t values[] = {1, 2, 3, 4, 5, 6};
    CHECK_EQ(_AddValues(w, 0, values, 3), 1);
    CHECK_EQ(_AddValues(w, 0, nullptr, 3), 1);
    CHECK_EQ(_AddValues(w, 0, values + 3, 0), 1);
    CHECK_EQ(_AddValues(w, 0, values + 3, -1), 1);
    CHECK_EQ(_AddValues(w, 1, values + 3, 3), 1); // no such graph
    GraphRecord* g = d->pGraphs[0];
    CHECK_EQ(g->nBuffEnd, 3u);
    CHECK_EQ(_AddValues(w, 0, values + 3, 3), 1);
    CHECK_EQ(g->nBuffEnd, 2u);
    CHECK_EQ(g->pData[0], 5);
    CHECK_EQ(g->pData[1], 6);
    CHECK_EQ(g->pData[3], 4);
    DestroyWindow(w);
}

void SetGraphBuffEndBounds()
{
    HWND w = CreateGraphWindow(false);
    GraphData* d = _GetDataPtr(w);
    AddKraft(w, "Kraft", 3750);
    d->bRedraw = 0;
    CHECK_EQ(_SetGraphBuffEnd(w, 3750, 0), 1);
    CHECK_EQ(d->pGraphs[0]->nBuffEnd, 3750u);
    CHECK_EQ(d->bRedraw, 1);
    CHECK_EQ(_SetGraphBuffEnd(w, 3751, 0), 0);
    CHECK_EQ(d->pGraphs[0]->nBuffEnd, 3750u);
    CHECK_EQ(_SetGraphBuffEnd(w, 10, 1), 0); // index equal to nGraphs
    CHECK_EQ(_SetGraphBuffEnd(w, 10, -1), 0);
    CHECK_EQ(_SetGraphBuffEnd(w, 0, 0), 1);
    CHECK_EQ(d->pGraphs[0]->nBuffEnd, 0u);
    DestroyWindow(w);
}

void SetGraphStyleStoresTheRanges()
{
    HWND w = CreateGraphWindow(false);
    GraphData* d = _GetDataPtr(w);
    _SetGraphStyle(w, 8, 6, 10, -1.0, 5.0);
    CHECK_EQ(d->nStyle, 8);
    CHECK_EQ(d->nXLines, 6u);
    CHECK_EQ(d->nYLines, 10u);
    CHECK(d->dTimeMin == -1.0 && d->dZoomTimeMin == -1.0);
    CHECK(d->dTimeMax == 5.0 && d->dZoomTimeMax == 5.0);
    DestroyWindow(w);
}

void CursorModeAndMenuChecks()
{
    HWND w = CreateGraphWindow(true);
    HMENU menu = _GetDataPtr(w)->hPopupMenu;
    CHECK_EQ(_GetCursorMode(w), 1);
    _SetCursorMode(w, 2);
    CHECK_EQ(_GetCursorMode(w), 2);
    CHECK(MenuChecked(menu, 1002) && !MenuChecked(menu, 1001));
    _SetCursorMode(w, 7);
    CHECK_EQ(_GetCursorMode(w), 7);
    CHECK(MenuChecked(menu, 1002) && !MenuChecked(menu, 1001));
    SendMessageA(w, WM_COMMAND, 1001, 0); // the menu's "Zoom"
    CHECK_EQ(_GetCursorMode(w), 1);
    CHECK(MenuChecked(menu, 1001) && !MenuChecked(menu, 1002));
    SendMessageA(w, WM_COMMAND, 1002, 0);
    CHECK_EQ(_GetCursorMode(w), 2);
    DestroyWindow(w);
}

void ModifyFlagSequence()
{
    HWND w = CreateGraphWindow(false);
    CHECK_EQ(SendMessageA(w, EM_GETMODIFY, 0, 0), 0);
    CHECK_EQ(SendMessageA(w, EM_SETMODIFY, 0, 0), 1);
    CHECK_EQ(SendMessageA(w, EM_GETMODIFY, 0, 0), 0);
    AddKraft(w);
    CHECK_EQ(SendMessageA(w, EM_GETMODIFY, 0, 0), 1);
    CHECK_EQ(SendMessageA(w, EM_SETMODIFY, 0, 0), 1);
    _AddValue(w, 0, 5);
    _SetGraphBuffEnd(w, 0, 0);
    _SetGraphStyle(w, 8, 6, 6, 0, 1);
    CHECK_EQ(SendMessageA(w, EM_GETMODIFY, 0, 0), 0); // only _AddGraph marks it
    CHECK_EQ(SendMessageA(w, EM_SETMODIFY, 5, 0), 1);
    CHECK_EQ(SendMessageA(w, EM_GETMODIFY, 0, 0), 5);
    DestroyWindow(w);
}

void ToggleButtonShowsAndHidesTheList()
{
    HWND w = CreateGraphWindow(true);
    GraphData* d = _GetDataPtr(w);
    HWND button = GetDlgItem(w, 100);
    SendMessageA(w, WM_COMMAND, 100, 0);
    CHECK(!(GetWindowLongA(w, GWL_STYLE) & kListStyle));
    CHECK(!IsWindowVisible(d->hGraphList));
    char text[8] = "";
    GetWindowTextA(button, text, sizeof text);
    CHECK_STR(text, "<");
    SendMessageA(w, WM_COMMAND, 100, 0);
    CHECK(GetWindowLongA(w, GWL_STYLE) & kListStyle);
    CHECK(IsWindowVisible(d->hGraphList));
    GetWindowTextA(button, text, sizeof text);
    CHECK_STR(text, ">");
    DestroyWindow(w);
}

void Bit2ValByIndexValues()
{
    HWND w = CreateGraphWindow(false);
    _AddGraph(w, "500", "N", 0.0, 500.0, 0, 4095, 0.0016, 10);
    _AddGraph(w, "300", "N", 0.0, 300.0, 0, 4095, 0.0016, 10);
    _AddGraph(w, "offset", "N", -100.0, 100.0, 50, 2000, 0.0016, 10);
    GraphData* d = _GetDataPtr(w);
    CHECK_NEAR(_Bit2ValByIndex(4095, d, 0), 500.0, 1e-12);
    CHECK_NEAR(_Bit2ValByIndex(82, d, 0), 10.0122, 5e-5);
    CHECK_NEAR(_Bit2ValByIndex(683, d, 1), 50.0366, 5e-5);
    CHECK_NEAR(_Bit2ValByIndex(0, d, 1), 0.0, 1e-12);
    // nMinBit takes no part: raw 0 is dMinValue.
    CHECK_NEAR(_Bit2ValByIndex(0, d, 2), -100.0, 1e-12);
    CHECK_NEAR(_Bit2ValByIndex(1000, d, 2), 0.0, 1e-12);
    CHECK_NEAR(_Bit2ValByIndex(-2000, d, 2), -300.0, 1e-12);
    CHECK_NEAR(_Bit2ValByIndex(100, d, 3), 0.0, 0.0); // no such graph
    CHECK_NEAR(_Bit2ValByIndex(100, nullptr, 0), 0.0, 0.0);
    DestroyWindow(w);
}

// The newest segment is drawn at once in blue, inside the plot only.
void AddValueDrawsTheNewSegmentInThePlot()
{
    HWND w = CreateGraphWindow(false);
    GraphData* d = _GetDataPtr(w);
    _SetGraphStyle(w, 8, 5, 10, 0.0, 1.0);
    AddKraft(w, "Live", 200);
    d->pGraphs[0]->dTimeBase = 0.01; // 100 samples across the plot
    // The first painting lays out the plot; it must be over before the test
    // sets its own plot rectangle.
    CHECK(PumpUntil([&] { return NothingLeftToPaint(w); }, 5000));
    d->rcPlot.left = 60;
    d->rcPlot.right = 360;
    d->rcPlot.top = 30;
    d->rcPlot.bottom = 330;
    for (int i = 0; i < 60; ++i)
        _AddValue(w, 0, 2048); // y = 330 - 2048 * 300 / 4095 = 180
    _AddValue(w, 0, 8000);     // far above the plot: clipped at its top
    HDC dc = GetDC(w);
    const COLORREF blue = RGB(0, 0, 255);
    CHECK_EQ(GetPixel(dc, 150, 180), blue);
    CHECK_EQ(GetPixel(dc, 200, 180), blue);
    CHECK(GetPixel(dc, 150, 170) != blue);
    int blueAbove = 0;
    for (int x = 0; x < 640 - 20; ++x)
        blueAbove += GetPixel(dc, x, 25) == blue;
    CHECK_EQ(blueAbove, 0);
    CHECK(GetPixel(dc, 237, 35) == blue || GetPixel(dc, 238, 35) == blue ||
          GetPixel(dc, 239, 35) == blue);
    ReleaseDC(w, dc);
    DestroyWindow(w);
}

// Drives the modal notes dialog from a timer inside its own message loop.
struct NotesDriver {
    HWND dialog = nullptr;
    std::string title;
    std::string textAtOpen;
    bool stayedOpenOnEnterAndEscape = false;
    int ticks = 0;
};
NotesDriver g_notes;

void CALLBACK DriveNotesDialog(HWND, UINT, UINT_PTR id, DWORD)
{
    ++g_notes.ticks;
    HWND dlg = FindWindowA("#32770", nullptr); // the only dialog of this program
    if (!dlg || !IsWindowVisible(dlg)) {       // shown once its loop first runs idle
        if (g_notes.ticks > 200)
            KillTimer(nullptr, id);
        return;
    }
    KillTimer(nullptr, id);
    char title[200] = "";
    GetWindowTextA(dlg, title, sizeof title);
    g_notes.dialog = dlg;
    g_notes.title = title;
    char text[1100] = "";
    GetDlgItemTextA(dlg, 100, text, sizeof text);
    g_notes.textAtOpen = text;
    SendMessageA(dlg, WM_COMMAND, IDOK, 0);
    SendMessageA(dlg, WM_COMMAND, IDCANCEL, 0);
    g_notes.stayedOpenOnEnterAndEscape = IsWindow(dlg) && IsWindowVisible(dlg);
    Snapshot(dlg, "graphlib_notes");
    std::string longText(1200, 'n');
    longText[0] = 'A';
    SetDlgItemTextA(dlg, 100, longText.c_str());
    PostMessageA(dlg, WM_CLOSE, 0, 0);
}

void NotesDialogKeepsItsTextOnClose()
{
    HWND w = CreateGraphWindow(true, "Notes Test");
    GraphData* d = _GetDataPtr(w);
    std::strcpy(d->szNotes, "Tuer links\r\nzweite Zeile");
    SendMessageA(w, EM_SETMODIFY, 0, 0);
    g_notes = NotesDriver{};
    SetTimer(nullptr, 0, 30, DriveNotesDialog);
    CHECK_EQ(_DisplayNotes(w), 1);
    CHECK(g_notes.dialog != nullptr);
    CHECK(!IsWindow(g_notes.dialog));
    CHECK_STR(g_notes.title, "Notizen: Notes Test");
    CHECK_STR(g_notes.textAtOpen, "Tuer links\r\nzweite Zeile");
    CHECK(g_notes.stayedOpenOnEnterAndEscape);
    // At most 999 characters are kept, and the window is not marked modified.
    CHECK_EQ(std::strlen(d->szNotes), 999u);
    CHECK_EQ(d->szNotes[0], 'A');
    CHECK_EQ(SendMessageA(w, EM_GETMODIFY, 0, 0), 0);
    DestroyWindow(w);
}

// What a leak of the library would raise: the busy bytes of the process heap
// (global memory, and the records behind windows, menus and GDI objects) and
// the committed private memory (bitmap bits, large blocks).
struct MemoryUse {
    SIZE_T heapBytes;
    SIZE_T committedBytes;
};

SIZE_T HeapBusyBytes()
{
    HANDLE heap = GetProcessHeap();
    SIZE_T busy = 0;
    PROCESS_HEAP_ENTRY e = {};
    HeapLock(heap);
    while (HeapWalk(heap, &e)) {
        if (e.wFlags & PROCESS_HEAP_ENTRY_BUSY)
            busy += e.cbData;
    }
    HeapUnlock(heap);
    return busy;
}

SIZE_T CommittedPrivateBytes()
{
    SIZE_T total = 0;
    MEMORY_BASIC_INFORMATION m;
    const char* p = nullptr;
    while (VirtualQuery(p, &m, sizeof m) == sizeof m) {
        if (m.State == MEM_COMMIT && m.Type == MEM_PRIVATE)
            total += m.RegionSize;
        const char* next = static_cast<const char*>(m.BaseAddress) + m.RegionSize;
        if (next <= p)
            break;
        p = next;
    }
    return total;
}

MemoryUse MeasureUse()
{
    return {HeapBusyBytes(), CommittedPrivateBytes()};
}

// What the library holds for a window, seen from outside.
struct WindowParts {
    HWND hList = nullptr;
    HWND hButton = nullptr;
    HMENU hMenu = nullptr;
    bool propsGoneAtNcDestroy = false;
};

WindowParts* g_watched;
WNDPROC g_graphProc;

// Runs after the graph window's own destroy handling: the library must have
// removed its properties by then.
LRESULT CALLBACK WatchDestroy(HWND hWnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    if (msg == WM_NCDESTROY && g_watched) {
        g_watched->propsGoneAtNcDestroy = GetPropA(hWnd, "GraphData") == nullptr &&
                                          GetPropA(hWnd, "Dirty") == nullptr &&
                                          GetPropA(hWnd, "BITMAP") == nullptr;
    }
    return CallWindowProcA(g_graphProc, hWnd, msg, wParam, lParam);
}

WindowParts OneFullWindowLife()
{
    WindowParts parts;
    HWND w = CreateGraphWindow(true, "Graph Test", false); // no screen window: faster
    for (int g = 0; g < 4; ++g)
        _AddGraph(w, "Kraft", "N", 0.0, 300.0, 0, 4095, 0.0016, 6250);
    _AddInfoString(w, "Info", 0, 1);
    for (int i = 0; i < 20; ++i)
        _AddValue(w, 0, static_cast<int16_t>(i * 100));
    _SetGraphBuffEnd(w, 6250, 1);
    SendMessageA(w, WM_SIZE, 0, MAKELPARAM(500, 300));
    GraphData* d = _GetDataPtr(w);
    parts.hList = d->hGraphList;
    parts.hButton = GetDlgItem(w, 100);
    parts.hMenu = d->hPopupMenu;
    g_watched = &parts;
    g_graphProc = reinterpret_cast<WNDPROC>(
        SetWindowLongPtrA(w, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(WatchDestroy)));
    DestroyWindow(w);
    g_watched = nullptr;
    PumpPending();
    return parts;
}

void DestroyReleasesChildrenMenuAndProperties()
{
    WindowParts parts = OneFullWindowLife();
    CHECK(parts.hList != nullptr && parts.hButton != nullptr && parts.hMenu != nullptr);
    CHECK(!IsWindow(parts.hList));
    CHECK(!IsWindow(parts.hButton));
    CHECK(!IsMenu(parts.hMenu));
    CHECK(parts.propsGoneAtNcDestroy);
}

void AThousandWindowsLeaveNothingBehind()
{
    for (int i = 0; i < 20; ++i) // warm-up: caches of the system libraries
        OneFullWindowLife();
    MemoryUse before = MeasureUse();
    for (int i = 0; i < 1000; ++i)
        OneFullWindowLife();
    MemoryUse after = MeasureUse();
    long long heapGrowth =
        static_cast<long long>(after.heapBytes) - static_cast<long long>(before.heapBytes);
    long long committedGrowth = static_cast<long long>(after.committedBytes) -
                                static_cast<long long>(before.committedBytes);
    std::printf("  1000 windows (4 graphs of 6250 samples each): heap %+lld bytes "
                "(%llu in use), committed %+lld bytes (%llu)\n",
                heapGrowth, static_cast<unsigned long long>(after.heapBytes), committedGrowth,
                static_cast<unsigned long long>(after.committedBytes));
    CHECK(before.heapBytes > 0 && before.committedBytes > 0); // both are measured
    // One window holds 50 KB of samples, a record per graph, a block of 5 KB,
    // two child windows, a menu and an image list: a leak of any of them, a
    // thousand times, shows far above these bounds.
    CHECK(heapGrowth < 64 * 1024);
    CHECK(committedGrowth < 4 * 1024 * 1024);
}

} // namespace

// graphlib_graphapi_test.exe [snapshot directory] [leak]: "leak" runs the
// thousand create/destroy cycles alone (a test of its own, as it takes long).
int main(int argc, char** argv)
{
    if (argc > 1)
        SetSnapshotDir(argv[1]);
    if (argc > 2 && std::strcmp(argv[2], "leak") == 0) {
        RunCase("DestroyReleasesChildrenMenuAndProperties",
                DestroyReleasesChildrenMenuAndProperties);
        RunCase("AThousandWindowsLeaveNothingBehind", AThousandWindowsLeaveNothingBehind);
        return Summary();
    }
    RunCase("CreationBuildsBlockListButtonAndMenu", CreationBuildsBlockListButtonAndMenu);
    RunCase("GetDataPtrOfAnotherWindowIsNull", GetDataPtrOfAnotherWindowIsNull);
    RunCase("FirstGraphSetsScalingAndSlot", FirstGraphSetsScalingAndSlot);
    RunCase("LongNamesAreCutTo29Characters", LongNamesAreCutTo29Characters);
    RunCase("The1025thGraphIsRefused", The1025thGraphIsRefused);
    RunCase("AddValueWrapsAtTheCapacity", AddValueWrapsAtTheCapacity);
    RunCase("AddValuesDrawsAsAddValueDoes", AddValuesDrawsAsAddValueDoes);
    RunCase("AddValuesBoundaries", AddValuesBoundaries);
    RunCase("SetGraphBuffEndBounds", SetGraphBuffEndBounds);
    RunCase("SetGraphStyleStoresTheRanges", SetGraphStyleStoresTheRanges);
    RunCase("CursorModeAndMenuChecks", CursorModeAndMenuChecks);
    RunCase("ModifyFlagSequence", ModifyFlagSequence);
    RunCase("ToggleButtonShowsAndHidesTheList", ToggleButtonShowsAndHidesTheList);
    RunCase("Bit2ValByIndexValues", Bit2ValByIndexValues);
    RunCase("AddValueDrawsTheNewSegmentInThePlot", AddValueDrawsTheNewSegmentInThePlot);
    RunCase("NotesDialogKeepsItsTextOnClose", NotesDialogKeepsItsTextOnClose);
    return Summary();
}
