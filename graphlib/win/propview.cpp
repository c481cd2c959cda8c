#include "propview.h"

#include "dispatch.h"
#include "graphlist.h"
#include "graphstate.h"
#include "varnokres.h"

#include <cstdarg>
#include <cstdio>

namespace {

HTREEITEM AddNode(HWND tree, HTREEITEM parent, int image, const char* format, ...)
{
    char text[160];
    va_list args;
    va_start(args, format);
    std::vsnprintf(text, sizeof text, format, args);
    va_end(args);
    TVINSERTSTRUCTA ins = {};
    ins.hParent = parent;
    ins.hInsertAfter = TVI_LAST;
    ins.item.mask = TVIF_TEXT | TVIF_IMAGE | TVIF_SELECTEDIMAGE;
    ins.item.pszText = text;
    ins.item.iImage = image;
    ins.item.iSelectedImage = image;
    return reinterpret_cast<HTREEITEM>(
        SendMessageA(tree, TVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&ins)));
}

void AddGraphNode(HWND tree, HTREEITEM top, const GraphRecord* g)
{
    HTREEITEM node = AddNode(tree, top, kImageArrow, "%s", g->szName);
    AddNode(tree, node, kImageNotShown, "Unit: %s", g->szUnit);
    AddNode(tree, node, kImageNotShown, "Time Base: %0.5f sec", g->dTimeBase);
    AddNode(tree, node, kImageNotShown, "Size: %d Byte", g->nSize * 2);
    HTREEITEM scaling = AddNode(tree, node, kImageNotShown, "Skalierung");
    AddNode(tree, scaling, kImageNotShown, "Min Value: %0.3f", g->dMinValue);
    AddNode(tree, scaling, kImageNotShown, "Max Value: %0.3f", g->dMaxValue);
}

void FillPropertyTree(HWND tree, HWND hGraphWnd, const GraphData* d)
{
    char title[80] = "";
    GetWindowTextA(hGraphWnd, title, sizeof title);
    HTREEITEM top = AddNode(tree, TVI_ROOT, kImageArrow, "%s", title);
    for (int i = 0; i < d->nGraphs; ++i) {
        if (const GraphRecord* g = GraphAt(d, i))
            AddGraphNode(tree, top, g);
    }
    HTREEITEM coords = AddNode(tree, top, kImageCoordinates, "Koordinaten");
    AddNode(tree, coords, kImageNotShown, "X Linien: %d", static_cast<int>(d->nXLines));
    AddNode(tree, coords, kImageNotShown, "Y Linien: %d", static_cast<int>(d->nYLines));
    AddNode(tree, coords, kImageNotShown, "nTimeFormat: %d", d->nTimeFormat);
    SendMessageA(tree, TVM_EXPAND, TVE_EXPAND, reinterpret_cast<LPARAM>(top));
}

void InitPropertyView(HWND hDlg, HWND hGraphWnd)
{
    HWND tree = GetDlgItem(hDlg, IDC_PROP_TREE);
    const GraphData* d = GraphDataOf(hGraphWnd);
    // Without pictures the tree stays empty.
    HIMAGELIST images = CreateGraphListImages(g_hLibInstance);
    if (!images || !d)
        return;
    SendMessageA(tree, TVM_SETIMAGELIST, TVSIL_NORMAL, reinterpret_cast<LPARAM>(images));
    FillPropertyTree(tree, hGraphWnd, d);
}

void ReleasePropertyView(HWND hDlg)
{
    HWND tree = GetDlgItem(hDlg, IDC_PROP_TREE);
    HIMAGELIST images =
        reinterpret_cast<HIMAGELIST>(SendMessageA(tree, TVM_SETIMAGELIST, TVSIL_NORMAL, 0));
    if (images)
        ImageList_Destroy(images);
}

LRESULT OnInitDialog(HWND hDlg, UINT, WPARAM, LPARAM lParam)
{
    InitPropertyView(hDlg, reinterpret_cast<HWND>(lParam));
    return TRUE;
}

// OK and Cancel only close the view: nothing in it can be changed.
LRESULT OnCmdClose(HWND hDlg, WORD command, WORD, HWND)
{
    EndDialog(hDlg, command);
    return TRUE;
}

const CommandEntry kPropertyViewCommands[] = {
    {IDOK, OnCmdClose},
    {IDCANCEL, OnCmdClose},
};
const CommandTable kPropertyViewCommandTable = MakeCommandTable(kPropertyViewCommands, kNoDefault);

LRESULT OnCommand(HWND hDlg, UINT, WPARAM wParam, LPARAM lParam)
{
    return DispatchCommandTable(kPropertyViewCommandTable, hDlg, wParam, lParam);
}

LRESULT OnDestroy(HWND hDlg, UINT, WPARAM, LPARAM)
{
    ReleasePropertyView(hDlg);
    return FALSE;
}

const MessageEntry kPropertyViewMessages[] = {
    {WM_INITDIALOG, OnInitDialog},
    {WM_COMMAND, OnCommand},
    {WM_DESTROY, OnDestroy},
};
const MessageTable kPropertyViewMessageTable = MakeMessageTable(kPropertyViewMessages, kNoDefault);

INT_PTR CALLBACK PropertyViewProc(HWND hDlg, UINT msg, WPARAM wParam, LPARAM lParam)
{
    return DispatchMessageTable(kPropertyViewMessageTable, hDlg, msg, wParam, lParam);
}

} // namespace

void ShowPropertyView(HWND hGraphWnd)
{
    DialogBoxParamA(g_hLibInstance, IDD_PROP_NAME, hGraphWnd, PropertyViewProc,
                    reinterpret_cast<LPARAM>(hGraphWnd));
}
