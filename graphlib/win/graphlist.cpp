#include "graphlist.h"

#include "graphstate.h"

#include "varnokres.h"

namespace {

const char kPropLast[] = "LAST";
const char* const kReadoutProps[] = {"Cursor", "Dist", "Curs1", "Curs2", "Curs3", "Curs4"};
constexpr int kReadoutItems = 6;

// The picture strip's transparent colour.
constexpr COLORREF kImageBackground = RGB(255, 0, 255);

HTREEITEM InsertItem(HWND hList, HTREEITEM parent, HTREEITEM after, const char* text, int image,
                     LPARAM data)
{
    TVINSERTSTRUCTA ins = {};
    ins.hParent = parent;
    ins.hInsertAfter = after;
    ins.item.mask = TVIF_TEXT | TVIF_IMAGE | TVIF_SELECTEDIMAGE | TVIF_PARAM;
    ins.item.pszText = const_cast<char*>(text);
    ins.item.iImage = image;
    ins.item.iSelectedImage = image;
    ins.item.lParam = data;
    return reinterpret_cast<HTREEITEM>(
        SendMessageA(hList, TVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&ins)));
}

void ReportBitmapFailure(HINSTANCE hInstance)
{
    char text[200];
    wsprintfA(text, "Windows-Errorcode\t\t%d\nhInst\t\t\t0x%x\nhwnd\t\t\t0x%x",
              static_cast<int>(GetLastError()),
              static_cast<unsigned>(reinterpret_cast<UINT_PTR>(hInstance)), 0u);
    MessageBoxA(nullptr, text, "varnok.dll - GetLastError()", MB_OK | MB_ICONERROR);
}

void CreateReadouts(HWND hList)
{
    HTREEITEM cursor = InsertItem(hList, TVI_ROOT, TVI_LAST, "0:00:00", kImageCursor, 0);
    SetPropA(hList, kReadoutProps[0], cursor);
    HTREEITEM dist = InsertItem(hList, cursor, TVI_LAST, "0:00:00", kImageDistance, 0);
    SetPropA(hList, kReadoutProps[1], dist);
    for (int slot = 0; slot < 4; ++slot) {
        HTREEITEM item = InsertItem(hList, cursor, TVI_LAST, "-", kImageReadout0 + slot, 0);
        SetPropA(hList, kReadoutProps[2 + slot], item);
    }
    SendMessageA(hList, TVM_EXPAND, TVE_EXPAND, reinterpret_cast<LPARAM>(cursor));
}

} // namespace

// The empty list of 19 x 15 pictures, filled from the strip when it loads.
HIMAGELIST CreateGraphListImages(HINSTANCE hInstance)
{
    HIMAGELIST images = ImageList_Create(19, 15, ILC_COLOR4 | ILC_MASK, 13, 1);
    if (!images)
        return nullptr;
    HBITMAP strip = LoadBitmapA(hInstance, IDB_TREEIMAGE_NAME);
    if (!strip) {
        ReportBitmapFailure(hInstance);
        return images;
    }
    ImageList_AddMasked(images, strip, kImageBackground);
    DeleteObject(strip);
    return images;
}

HWND CreateGraphList(HWND hGraphWnd, HINSTANCE hInstance)
{
    HWND hList = CreateWindowExA(WS_EX_CLIENTEDGE, WC_TREEVIEWA, "Graph-Objekte",
                                 WS_CHILD | WS_BORDER | TVS_HASBUTTONS | TVS_HASLINES |
                                     TVS_LINESATROOT | TVS_SHOWSELALWAYS | TVS_DISABLEDRAGDROP,
                                 0, 0, 150, 200, hGraphWnd,
                                 reinterpret_cast<HMENU>(static_cast<INT_PTR>(kIdGraphList)),
                                 hInstance, nullptr);
    if (!hList)
        return nullptr;
    HIMAGELIST images = CreateGraphListImages(hInstance);
    if (!images)
        return hList; // no pictures, no readouts: the list takes graph items only
    SendMessageA(hList, TVM_SETIMAGELIST, TVSIL_NORMAL, reinterpret_cast<LPARAM>(images));
    CreateReadouts(hList);
    return hList;
}

void DestroyGraphList(HWND hList)
{
    if (!hList)
        return;
    // A tree view does not own its image list.
    HIMAGELIST images =
        reinterpret_cast<HIMAGELIST>(SendMessageA(hList, TVM_SETIMAGELIST, TVSIL_NORMAL, 0));
    RemovePropA(hList, kPropLast);
    for (const char* name : kReadoutProps)
        RemovePropA(hList, name);
    DestroyWindow(hList);
    if (images)
        ImageList_Destroy(images);
}

HTREEITEM InsertGraphItem(HWND hList, const char* name, int image, int graphNumber)
{
    if (!hList)
        return nullptr;
    HTREEITEM after;
    if (SendMessageA(hList, TVM_GETCOUNT, 0, 0) == kReadoutItems) {
        after = TVI_FIRST;
    } else {
        after = static_cast<HTREEITEM>(GetPropA(hList, kPropLast));
        if (!after)
            after = TVI_LAST;
    }
    HTREEITEM item = InsertItem(hList, TVI_ROOT, after, name, image, graphNumber);
    if (item)
        SetPropA(hList, kPropLast, item);
    return item;
}

HTREEITEM InsertInfoItem(HWND hList, HTREEITEM hGraphItem, const char* text, bool expand)
{
    HTREEITEM item = InsertItem(hList, hGraphItem, TVI_LAST, text, kImageInfo, 0);
    SendMessageA(hList, TVM_EXPAND, expand ? TVE_EXPAND : TVE_COLLAPSE,
                 reinterpret_cast<LPARAM>(hGraphItem));
    return item;
}

HTREEITEM InsertTopLevelInfoItem(HWND hList, const char* text)
{
    return InsertItem(hList, TVI_ROOT, TVI_LAST, text, kImageInfo, 0);
}

void SetReadoutText(HWND hList, int readout, const char* text)
{
    if (!hList || readout < 0 || readout >= kReadoutItems)
        return;
    HTREEITEM item = static_cast<HTREEITEM>(GetPropA(hList, kReadoutProps[readout]));
    if (!item)
        return;
    TVITEMA it = {};
    it.mask = TVIF_TEXT;
    it.hItem = item;
    it.pszText = const_cast<char*>(text);
    SendMessageA(hList, TVM_SETITEMA, 0, reinterpret_cast<LPARAM>(&it));
}

bool GetSelectedItem(HWND hList, GraphListItem* out)
{
    HTREEITEM item =
        reinterpret_cast<HTREEITEM>(SendMessageA(hList, TVM_GETNEXTITEM, TVGN_CARET, 0));
    if (!item)
        return false;
    TVITEMA it = {};
    it.mask = TVIF_IMAGE | TVIF_PARAM;
    it.hItem = item;
    if (!SendMessageA(hList, TVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&it)))
        return false;
    *out = {item, it.iImage, it.lParam};
    return true;
}

void SetItemImage(HWND hList, HTREEITEM item, int image)
{
    TVITEMA it = {};
    it.mask = TVIF_IMAGE | TVIF_SELECTEDIMAGE;
    it.hItem = item;
    it.iImage = image;
    it.iSelectedImage = image;
    SendMessageA(hList, TVM_SETITEMA, 0, reinterpret_cast<LPARAM>(&it));
}
