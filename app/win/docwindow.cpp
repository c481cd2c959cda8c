// docwindow.cpp - the document window "MdiChild" and its pages.
#include "docwindow.h"

#include <commctrl.h>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "appstrings.h"
#include "appui.h"
#include "bmpreader.h"
#include "dispatch.h"
#include "doclayout.h"
#include "evaluation.h"
#include "klvdoc.h"
#include "resource.h"
#include "services.h"
#include "settings.h"
#include "varnok.h"

const char kDocumentClass[] = "MdiChild";

namespace {

const char kPropTabControl[] = "TabControl";
const char kPropFilenameSet[] = "FilenameSet";
const char kPropMessDescr[] = "MessDescr";
const char kPropPage[] = "Descr";
const char* const kPropEdit = KlvSlotName(kKlvEdit);
const char* const kPropTitle = KlvSlotName(kKlvTitle);
const char kPropRemarks[] = "Remarks";
const char kPropBitmap[] = "Bitmap";
const char kPropDibInfo[] = "DIBInfo";
const char kPropBits[] = "Bits";

constexpr int kPages = 5;        // description page, three measurements, the mean
constexpr int kGraphWindows = 4; // "Graph1" .. "Graph4"
constexpr int kRowStep = 15;     // description rows
constexpr int kFirstRowY = 40;   // the title's y plus two row steps
constexpr int kLabelX = 10;
constexpr int kValueX = 150;
constexpr int kRowWidth = 200;
constexpr int kRowHeight = 20;
constexpr int kRemarksLimit = KlvSlotWidth(kKlvEdit);
constexpr int kGraphStyleTimeLabels = 8;
constexpr int kGraphXDivisions = 6;
constexpr double kCurveStart = -1.0; // one second before the trigger
constexpr double kCurveEnd = 5.0;
constexpr double kSampleTime = 0.0016;
constexpr short kRawFullScale = 4095;
constexpr DWORD kMaxLogoFileBytes = 300u << 20;

// The record for the window being created: the creation handling takes it
// over (set just before the creation call, cleared right after it).
MessDescr* g_pendingRecord;

// Asked before a document window closes; set once at start-up.
DocumentCloseQuery g_closeQuery;

constexpr int kCalibrationRow = 7;

struct SensorVariant {
    double energyConstant;
    double fullScale;
    unsigned yDivisions;
};

SensorVariant VariantOf(const MessDescr* record)
{
    if (IsSensor500(record))
        return {kEnergyConstant500, 500.0, 10};
    return {kEnergyConstant300, 300.0, 6};
}

// A record text cut at its field, whatever the field holds.
template <std::size_t N> std::string FieldText(const char (&field)[N])
{
    return std::string(field, strnlen(field, N));
}

HWND CreateChild(const char* className, const char* text, DWORD style, int x, int y, int w, int h,
                 HWND parent, HFONT font, int id = 0)
{
    HWND child =
        CreateWindowExA(0, className, text, WS_CHILD | style, x, y, w, h, parent,
                        reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), AppInstance(), nullptr);
    if (child && font)
        SendMessageA(child, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
    return child;
}

void FormatNumberedName(char* buf, const char* base, int k)
{
    wsprintfA(buf, "%s%d", base, k);
}

void BuildDescriptionRows(HWND tab, HWND page, const MessDescr* record)
{
    const struct {
        int label;
        KlvTextItem slot;
        std::string value;
    } rows[] = {
        {IDS_LABEL_EXAMINER, kKlvPruefer, FieldText(record->szExaminer)},
        {IDS_LABEL_VEHICLE, kKlvFahrzeug, FieldText(record->szVehicle)},
        {IDS_LABEL_DOOR, kKlvTuer, FieldText(record->szDoor)},
        {IDS_LABEL_POSITION, kKlvPosition, FieldText(record->szPosition)},
        {IDS_LABEL_MEAS_TYPE, kKlvMessTyp, FieldText(record->szMeasType)},
        {IDS_LABEL_SENSOR_TYPE, kKlvSensorTyp, FieldText(record->szSensorType)},
        {IDS_LABEL_SERIAL_NO, kKlvSerNo, FieldText(record->szSerialNo)},
        {IDS_LABEL_CALIBRATION, kKlvKalib, FieldText(record->szCalibration)},
    };
    for (int i = 0; i < 8; ++i) {
        const int y = kFirstRowY + i * kRowStep;
        const DWORD visible = i == kCalibrationRow ? 0 : WS_VISIBLE;
        char label[64];
        LoadAppText(rows[i].label, label, sizeof label);
        CreateChild("STATIC", label, visible | SS_LEFT, kLabelX, y, kRowWidth, kRowHeight, page,
                    BoldFont());
        HWND valueText =
            CreateChild("STATIC", rows[i].value.c_str(), visible | SS_LEFT | SS_NOPREFIX, kValueX,
                        y, kRowWidth, kRowHeight, page, NormalFont());
        SetPropA(tab, KlvSlotName(rows[i].slot), valueText);
    }
}

void BuildRemarks(HWND tab, HWND page, const MessDescr* record, int width)
{
    char label[64];
    LoadAppText(IDS_LABEL_REMARKS, label, sizeof label);
    SetPropA(tab, kPropRemarks,
             CreateChild("STATIC", label, WS_VISIBLE | SS_LEFT, 10, 175, kRowWidth, kRowHeight,
                         page, BoldFont()));
    const std::string remarks = FieldText(record->szRemarks);
    HWND edit = CreateChild("EDIT", remarks.c_str(),
                            WS_VISIBLE | ES_MULTILINE | ES_AUTOVSCROLL | WS_VSCROLL | WS_BORDER, 10,
                            190, width, 60, page, NormalFont());
    SendMessageA(edit, EM_LIMITTEXT, kRemarksLimit, 0);
    SetPropA(tab, kPropEdit, edit);
}

void BuildLogo(HWND tab, HWND page)
{
    HKEY settings = OpenSettings();
    HKEY version;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, kVersionKey, 0, KEY_QUERY_VALUE, &version) !=
        ERROR_SUCCESS) {
        if (settings)
            RegCloseKey(settings);
        return;
    }
    RegCloseKey(version);
    HWND logo = CreateChild("STATIC", nullptr, WS_VISIBLE | SS_BITMAP | SS_SUNKEN | SS_NOTIFY, 200,
                            30, 0, 0, page, nullptr, IDC_LOGO);
    if (!settings)
        return;
    char path[256] = {};
    const bool havePath = ReadStringValue(settings, kBitmapValue, path, sizeof path);
    const DWORD useLogo = ReadDwordValue(settings, kLogoValue, 0);
    RegCloseKey(settings);
    if (!havePath || useLogo == 0 || !logo)
        return;
    HBITMAP bitmap = LoadLogoBitmap(tab, path);
    if (!bitmap)
        return;
    SendMessageA(logo, STM_SETIMAGE, IMAGE_BITMAP, reinterpret_cast<LPARAM>(bitmap));
    SetPropA(tab, kPropBitmap, logo);
}

void BuildGraphPage(HWND tab, const MessDescr* record, int k, const RECT& client)
{
    const SensorVariant variant = VariantOf(record);
    char title[128], name[64];
    if (k <= kMessMeasurements)
        FormatAppText(title, sizeof title, IDS_GRAPH_TITLE, k);
    else
        LoadAppText(IDS_MEAN_GRAPH_TITLE, title, sizeof title);
    LoadAppText(k <= kMessMeasurements ? IDS_FORCE_GRAPH_NAME : IDS_MEAN_GRAPH_NAME, name,
                sizeof name);
    HWND graph = CreateChild("GraphWindow", title, WS_VISIBLE, 10, 30, client.right - 50,
                             client.bottom - 40, tab, nullptr);
    char property[16];
    FormatNumberedName(property, "Graph", k);
    if (graph) {
        _SetGraphStyle(graph, kGraphStyleTimeLabels, kGraphXDivisions, variant.yDivisions,
                       kCurveStart, kCurveEnd);
        // A window about to read a file gets its graphs from the file, with
        // the scaling they were saved with; a graph added here would be
        // written back as an extra one at every save.
        if (MessDescrHasCurves(record)) {
            _AddGraph(graph, name, "N", 0.0, variant.fullScale, 0, kRawFullScale, kSampleTime,
                      kMessCurveSamples);
        }
        SetPropA(tab, property, graph);
        ShowWindow(graph, SW_HIDE);
        GraphData* data = _GetDataPtr(graph);
        if (MessDescrHasCurves(record) && data && data->nGraphs > 0) {
            const std::int16_t* curve =
                k <= kMessMeasurements ? record->pCurve[k - 1] : record->pMeanCurve;
            std::memcpy(data->pGraphs[0]->pData, curve, kMessCurveSamples * sizeof(std::int16_t));
            data->pGraphs[0]->nBuffEnd = kMessCurveSamples;
        }
    }
    char values[512];
    FormatResult(record, k - 1, values, sizeof values);
    HWND valueText =
        CreateChild("STATIC", values, SS_LEFT | SS_NOPREFIX, 0, 0, 0, 0, tab, NormalFont());
    SetPropA(tab, KlvSlotName(KlvValueTextItem(k)), valueText);
}

void InsertTabs(HWND tab)
{
    SendMessageA(tab, WM_SETFONT, reinterpret_cast<WPARAM>(NormalFont()), FALSE);
    for (int position = 0; position < kPages; ++position) {
        char caption[64];
        if (position == 0)
            LoadAppText(IDS_TAB_DESCRIPTION, caption, sizeof caption);
        else if (position <= kMessMeasurements)
            FormatAppText(caption, sizeof caption, IDS_TAB_MEASUREMENT, position);
        else
            LoadAppText(IDS_TAB_MEAN, caption, sizeof caption);
        TCITEMA item = {};
        item.mask = TCIF_TEXT;
        item.pszText = caption;
        SendMessageA(tab, TCM_INSERTITEMA, position, reinterpret_cast<LPARAM>(&item));
    }
}

void BuildDocumentPages(HWND document, MessDescr* record)
{
    RECT client;
    GetClientRect(document, &client);
    HWND tab = CreateChild(WC_TABCONTROLA, nullptr, WS_VISIBLE | WS_CLIPSIBLINGS, 0, 0,
                           client.right, client.bottom, document, nullptr);
    if (!tab)
        return;
    HWND page = CreateChild("STATIC", nullptr, WS_VISIBLE | SS_SUNKEN, 10, 30, client.right - 20,
                            client.bottom - 40, tab, nullptr);
    SetPropA(tab, kPropPage, page);
    const std::string title = FieldText(record->szTitle);
    SetPropA(tab, kPropTitle,
             CreateChild("STATIC", title.c_str(), WS_VISIBLE | SS_LEFT | SS_NOPREFIX, 10, 10,
                         kRowWidth, kRowHeight, page, BoldFont()));
    std::memset(record->szCalibration, 0, sizeof record->szCalibration);
    BuildDescriptionRows(tab, page, record);
    BuildRemarks(tab, page, record, client.right);
    BuildLogo(tab, page);
    for (int k = 1; k <= kGraphWindows; ++k)
        BuildGraphPage(tab, record, k, client);
    InsertTabs(tab);
    SetWindowLongPtrA(document, GWLP_USERDATA, 0);
    SendMessageA(static_cast<HWND>(GetPropA(tab, kPropEdit)), EM_SETMODIFY, TRUE, 0);
    SetPropA(document, kPropTabControl, tab);
}

// ---- Messages --------------------------------------------------------------

LRESULT OnCreate(HWND document, UINT, WPARAM, LPARAM)
{
    MessDescr* record = g_pendingRecord;
    g_pendingRecord = nullptr;
    SetPropA(document, kPropMessDescr, record);
    if (record)
        BuildDocumentPages(document, record);
    return 0;
}

void MovePart(HWND tab, const char* name, const LayoutRect& r)
{
    HWND part = static_cast<HWND>(GetPropA(tab, name));
    if (part)
        MoveWindow(part, r.x, r.y, r.width, r.height, TRUE);
}

LRESULT OnSize(HWND document, UINT message, WPARAM wParam, LPARAM lParam)
{
    HWND tab = DocumentTabControl(document);
    if (tab) {
        const int w = LOWORD(lParam);
        const int h = HIWORD(lParam);
        auto* info = static_cast<const BITMAPINFOHEADER*>(GetPropA(tab, kPropDibInfo));
        const int logoWidth = info ? info->biWidth : 0;
        const int logoHeight = info ? std::abs(info->biHeight) : 0;
        const DocumentLayout layout = ComputeDocumentLayout(w, h, logoWidth, logoHeight);
        MoveWindow(tab, 0, 0, w, h, TRUE);
        char name[16];
        for (int k = 1; k <= kGraphWindows; ++k) {
            FormatNumberedName(name, "Graph", k);
            MovePart(tab, name, layout.graph);
            MovePart(tab, KlvSlotName(KlvValueTextItem(k)), layout.valueText);
        }
        MovePart(tab, kPropPage, layout.page);
        MovePart(tab, kPropRemarks, layout.remarksLabel);
        MovePart(tab, kPropEdit, layout.remarks);
        if (info)
            MovePart(tab, kPropBitmap, layout.logo);
    }
    return DefMDIChildProcA(document, message, wParam, lParam);
}

LRESULT OnSetFocus(HWND document, UINT message, WPARAM wParam, LPARAM lParam)
{
    DefMDIChildProcA(document, message, wParam, lParam);
    HWND tab = DocumentTabControl(document);
    if (tab)
        SetFocus(tab);
    return 0;
}

void ShowPage(HWND tab, int page, int show)
{
    if (page == 0) {
        ShowWindow(static_cast<HWND>(GetPropA(tab, kPropPage)), show);
        return;
    }
    char name[16];
    FormatNumberedName(name, "Graph", page);
    ShowWindow(static_cast<HWND>(GetPropA(tab, name)), show);
    ShowWindow(static_cast<HWND>(GetPropA(tab, KlvSlotName(KlvValueTextItem(page)))), show);
}

void SwitchDocumentPage(HWND document)
{
    HWND tab = DocumentTabControl(document);
    if (!tab)
        return;
    const int selected = static_cast<int>(SendMessageA(tab, TCM_GETCURSEL, 0, 0));
    const int shown = static_cast<int>(GetWindowLongPtrA(document, GWLP_USERDATA));
    if (selected == shown || selected < 0 || selected >= kPages)
        return;
    ShowPage(tab, shown, SW_HIDE);
    ShowPage(tab, selected, SW_SHOW);
    SetWindowLongPtrA(document, GWLP_USERDATA, selected);
}

LRESULT OnNotify(HWND document, UINT, WPARAM, LPARAM)
{
    SwitchDocumentPage(document);
    return 0;
}

LRESULT OnClose(HWND document, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (g_closeQuery && !g_closeQuery(document))
        return 0;
    return DefMDIChildProcA(document, message, wParam, lParam);
}

void ReleaseLogo(HWND tab)
{
    HWND logo = static_cast<HWND>(GetPropA(tab, kPropBitmap));
    if (logo) {
        HGDIOBJ bitmap =
            reinterpret_cast<HGDIOBJ>(SendMessageA(logo, STM_GETIMAGE, IMAGE_BITMAP, 0));
        if (bitmap)
            DeleteObject(bitmap);
    }
    std::free(GetPropA(tab, kPropDibInfo));
}

LRESULT OnDestroy(HWND document, UINT message, WPARAM wParam, LPARAM lParam)
{
    HWND tab = DocumentTabControl(document);
    if (tab) {
        ReleaseLogo(tab);
        char graphName[16];
        for (int k = 1; k <= kGraphWindows; ++k) {
            FormatNumberedName(graphName, "Graph", k);
            RemovePropA(tab, graphName);
        }
        for (const KlvTextSlot& slot : kKlvTextSlots)
            RemovePropA(tab, slot.name);
        static const char* const kOtherTabProperties[] = {kPropPage, kPropBitmap, kPropRemarks,
                                                          kPropDibInfo, kPropBits};
        for (const char* name : kOtherTabProperties)
            RemovePropA(tab, name);
    }
    FreeMessDescr(static_cast<MessDescr*>(RemovePropA(document, kPropMessDescr)));
    RemovePropA(document, kPropFilenameSet);
    RemovePropA(document, kPropTabControl);
    return DefMDIChildProcA(document, message, wParam, lParam);
}

const MessageEntry kDocumentMessages[] = {
    {WM_CREATE, OnCreate}, {WM_SIZE, OnSize},   {WM_SETFOCUS, OnSetFocus},
    {WM_NOTIFY, OnNotify}, {WM_CLOSE, OnClose}, {WM_DESTROY, OnDestroy},
};
const MessageTable kDocumentMessageTable = MakeMessageTable(kDocumentMessages, DefMDIChildProcA);

// WM_MDICREATE on the NT family and before version 4; WS_EX_MDICHILD on
// Windows 95 and its successors. Both give the same window.
HWND CreateMdiChild(const char* title)
{
    const DWORD version = GetVersion();
    const bool ntFamily = (version & 0x80000000u) == 0;
    const int major = LOBYTE(LOWORD(version));
    if (ntFamily || major < 4) {
        MDICREATESTRUCTA mcs = {};
        mcs.szClass = kDocumentClass;
        mcs.szTitle = title;
        mcs.hOwner = AppInstance();
        mcs.x = mcs.y = mcs.cx = mcs.cy = CW_USEDEFAULT;
        return reinterpret_cast<HWND>(
            SendMessageA(MdiClientWindow(), WM_MDICREATE, 0, reinterpret_cast<LPARAM>(&mcs)));
    }
    return CreateWindowExA(WS_EX_MDICHILD, kDocumentClass, title, 0, CW_USEDEFAULT, CW_USEDEFAULT,
                           CW_USEDEFAULT, CW_USEDEFAULT, MdiClientWindow(), nullptr, AppInstance(),
                           nullptr);
}

} // namespace

LRESULT CALLBACK DocumentWndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    return DispatchMessageTable(kDocumentMessageTable, window, message, wParam, lParam);
}

void SetDocumentCloseQuery(DocumentCloseQuery query)
{
    g_closeQuery = query;
}

HWND CreateDocumentWindow(const char* title, MessDescr* record)
{
    g_pendingRecord = record;
    HWND document = CreateMdiChild(title);
    if (!document) {
        g_pendingRecord = nullptr;
        return nullptr;
    }
    ShowWindow(document, SW_SHOWMAXIMIZED);
    SetDocumentNamed(document, false);
    ++UntitledCounter;
    return document;
}

HWND DocumentTabControl(HWND document)
{
    return static_cast<HWND>(GetPropA(document, kPropTabControl));
}

HWND DocumentPart(HWND document, const char* name)
{
    HWND tab = DocumentTabControl(document);
    return tab ? static_cast<HWND>(GetPropA(tab, name)) : nullptr;
}

bool DocumentIsModified(HWND document)
{
    HWND edit = DocumentPart(document, kPropEdit);
    return edit && SendMessageA(edit, EM_GETMODIFY, 0, 0) != 0;
}

void SetDocumentModified(HWND document, bool modified)
{
    HWND edit = DocumentPart(document, kPropEdit);
    if (edit)
        SendMessageA(edit, EM_SETMODIFY, modified ? TRUE : FALSE, 0);
}

bool DocumentIsNamed(HWND document)
{
    return GetPropA(document, kPropFilenameSet) != nullptr;
}

void SetDocumentNamed(HWND document, bool named)
{
    SetPropA(document, kPropFilenameSet, reinterpret_cast<HANDLE>(named ? 1 : 0));
}

HBITMAP LoadLogoBitmap(HWND window, const char* path)
{
    SetCursor(WaitCursor());
    HBITMAP bitmap = nullptr;
    HANDLE file = CreateFileA(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                              FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
    if (file != INVALID_HANDLE_VALUE) {
        const DWORD size = GetFileSize(file, nullptr);
        std::vector<std::uint8_t> bytes;
        DWORD got = 0;
        if (size != INVALID_FILE_SIZE && size <= kMaxLogoFileBytes) {
            bytes.resize(size);
            if (!ReadFile(file, bytes.data(), size, &got, nullptr))
                got = 0;
        }
        CloseHandle(file);
        BmpImage image;
        if (got == size && size > 0 && ReadBmp(bytes.data(), size, image) == BmpStatus::Ok) {
            // The header block outlives the file: printing stretches the
            // logo from "DIBInfo" and "Bits".
            void* info = std::calloc(1, image.info.size());
            void* bits = nullptr;
            if (info) {
                std::memcpy(info, image.info.data(), image.info.size());
                HDC dc = GetDC(window);
                bitmap = CreateDIBSection(dc, static_cast<BITMAPINFO*>(info), DIB_RGB_COLORS, &bits,
                                          nullptr, 0);
                ReleaseDC(window, dc);
            }
            if (bitmap && bits) {
                // The section holds the uncompressed size; a header stating
                // more must not write past it.
                std::memcpy(bits, bytes.data() + image.pixelOffset,
                            image.imageSize < image.sectionSize ? image.imageSize
                                                                : image.sectionSize);
                SetPropA(window, kPropDibInfo, info);
                SetPropA(window, kPropBits, bits);
            } else {
                if (bitmap)
                    DeleteObject(bitmap);
                bitmap = nullptr;
                std::free(info);
            }
        }
    }
    SetCursor(LoadCursorA(nullptr, IDC_ARROW));
    return bitmap;
}
