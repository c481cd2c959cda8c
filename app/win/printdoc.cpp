// printdoc.cpp - the print job, its abort dialog and the printed page: a
// header with the description and the logo, the four curves one below the
// other with their value texts beside them, and the maker's footer line.
#include "printdoc.h"

#include <commdlg.h>

#include "appstrings.h"
#include "appui.h"
#include "dispatch.h"
#include "docwindow.h"
#include "klvdoc.h"
#include "services.h"
#include "printdocres.h"
#include "printlayout.h"
#include "varnok.h"

namespace {

constexpr WORD kAllPages = 0xFFFF;
constexpr int kAbortTitleChars = 255;

// The printer chosen last, kept for the whole run and shared by both commands.
struct PrinterSettingsRecord {
    HGLOBAL hDevMode;
    HGLOBAL hDevNames;
    DWORD Flags;
    WORD nFromPage;
    WORD nToPage;
};
PrinterSettingsRecord PrinterSettings = {
    nullptr,
    nullptr,
    PD_RETURNDC | PD_NOPAGENUMS | PD_NOSELECTION | PD_SHOWHELP | PD_HIDEPRINTTOFILE,
    kAllPages,
    kAllPages,
};

// Set by the abort dialog, cleared when a job starts.
BOOL PrintAborted = FALSE;
HWND g_abortDialog = nullptr;

// ---- Abort dialog ------------------------------------------------------

LRESULT OnInitDialog(HWND dialog, UINT, WPARAM, LPARAM)
{
    SetFocus(GetDlgItem(dialog, IDCANCEL));
    char title[kAbortTitleChars + 1] = {};
    if (HWND document = ActiveDocumentWindow())
        GetWindowTextA(document, title, sizeof title);
    SetDlgItemTextA(dialog, IDC_ABORT_TITLE, title);
    return FALSE; // the focus is set
}

// Any command, the button or Escape, cancels; the job destroys the dialog.
LRESULT OnCommand(HWND, UINT, WPARAM, LPARAM)
{
    PrintAborted = TRUE;
    return TRUE;
}

const MessageEntry kAbortMessages[] = {
    {WM_INITDIALOG, OnInitDialog},
    {WM_COMMAND, OnCommand},
};
const MessageTable kAbortMessageTable = MakeMessageTable(kAbortMessages, kNoDefault);

INT_PTR CALLBACK AbortDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam)
{
    return DispatchMessageTable(kAbortMessageTable, dialog, message, wParam, lParam);
}

// ---- The page ------------------------------------------------------------

struct PageFonts {
    HFONT small;   // footer
    HFONT text;    // description block, value texts
    HFONT heading; // title line
};

HFONT CreatePageFont(HDC dc, int points, int weight)
{
    const int height = -MulDiv(points, GetDeviceCaps(dc, LOGPIXELSY), 72);
    return CreateFontA(height, 0, 0, 0, weight, 0, 0, 0, 0, 0, 0, 0, 0, "Arial");
}

int LineHeight(HDC dc)
{
    TEXTMETRICA metrics = {};
    GetTextMetricsA(dc, &metrics);
    return metrics.tmHeight + metrics.tmExternalLeading;
}

// The description of the document as the tab control's named parts hold it;
// each buffer one character wider than its slot.
struct PageTexts {
    char title[KlvSlotWidth(kKlvTitle) + 1];
    char sensorType[KlvSlotWidth(kKlvSensorTyp) + 1];
    char serialNo[KlvSlotWidth(kKlvSerNo) + 1];
    char examiner[KlvSlotWidth(kKlvPruefer) + 1];
    char vehicle[KlvSlotWidth(kKlvFahrzeug) + 1];
    char door[KlvSlotWidth(kKlvTuer) + 1];
    char position[KlvSlotWidth(kKlvPosition) + 1];
    char measType[KlvSlotWidth(kKlvMessTyp) + 1];
    char remarks[KlvSlotWidth(kKlvEdit) + 1];
    char path[257];
};

void ReadPart(HWND document, KlvTextItem slot, char* buf, int size)
{
    buf[0] = '\0';
    if (HWND part = DocumentPart(document, KlvSlotName(slot)))
        GetWindowTextA(part, buf, size);
}

void ReadPageTexts(HWND document, PageTexts* texts)
{
    ReadPart(document, kKlvTitle, texts->title, sizeof texts->title);
    ReadPart(document, kKlvSensorTyp, texts->sensorType, sizeof texts->sensorType);
    ReadPart(document, kKlvSerNo, texts->serialNo, sizeof texts->serialNo);
    ReadPart(document, kKlvPruefer, texts->examiner, sizeof texts->examiner);
    ReadPart(document, kKlvFahrzeug, texts->vehicle, sizeof texts->vehicle);
    ReadPart(document, kKlvTuer, texts->door, sizeof texts->door);
    ReadPart(document, kKlvPosition, texts->position, sizeof texts->position);
    ReadPart(document, kKlvMessTyp, texts->measType, sizeof texts->measType);
    ReadPart(document, kKlvEdit, texts->remarks, sizeof texts->remarks);
    GetWindowTextA(document, texts->path, sizeof texts->path);
}

void DrawFooter(HDC dc, const PageLayout& page)
{
    char banner[256] = {};
    LoadAppText(IDS_PRINT_FOOTER, banner, sizeof banner);
    RECT rect = {page.footer.left, page.footer.top, page.footer.right, page.footer.bottom};
    DrawTextA(dc, banner, -1, &rect, DT_CENTER | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX);
}

void DrawHeader(HDC dc, const PageLayout& page, const PageFonts& fonts, const PageTexts& texts)
{
    const PageRect& box = page.headerBox;
    MoveToEx(dc, box.left, box.top, nullptr);
    LineTo(dc, box.right, box.top);
    LineTo(dc, box.right, box.bottom);
    LineTo(dc, box.left, box.bottom);
    LineTo(dc, box.left, box.top);

    RECT rect = {page.headerText.left, page.headerText.top, page.headerText.right,
                 page.headerText.bottom};
    char heading[128];
    wsprintfA(heading, "\r\n%s (%s %s)", texts.title, texts.sensorType, texts.serialNo);
    SelectObject(dc, fonts.heading);
    const int headingHeight = DrawTextA(dc, heading, -1, &rect, DT_WORDBREAK | DT_NOPREFIX);
    TEXTMETRICA headingMetrics = {};
    GetTextMetricsA(dc, &headingMetrics);

    char description[1024];
    FormatAppText(description, sizeof description, IDS_PRINT_DESCRIPTION, texts.examiner,
                  texts.vehicle, texts.door, texts.position, texts.measType, texts.remarks,
                  texts.path);
    // The description's three leading line breaks leave room for one title
    // line; a title that wraps moves it down by the lines it adds, so that
    // the sensor and serial number are not printed over.
    RECT below = rect;
    const int titleLines = 2 * headingMetrics.tmHeight; // the empty line and the title
    if (headingHeight > titleLines)
        below.top += headingHeight - titleLines;
    SelectObject(dc, fonts.text);
    DrawTextA(dc, description, -1, &below, DT_WORDBREAK | DT_NOPREFIX);
}

// The logo as the document shows it, in the right part of the header; a
// document without a logo leaves the area empty.
void DrawLogo(HDC dc, const PageLayout& page, HWND tab)
{
    const auto* info = static_cast<const BITMAPINFO*>(GetPropA(tab, "DIBInfo"));
    const void* bits = GetPropA(tab, "Bits");
    if (!info || !bits)
        return;
    const LONG width = info->bmiHeader.biWidth;
    const LONG height = info->bmiHeader.biHeight;
    const LogoSize logo = FitLogo(page, width, height);
    if (logo.width <= 0 || logo.height <= 0)
        return;
    SetStretchBltMode(dc, COLORONCOLOR);
    StretchDIBits(dc, page.logoLeft, 0, logo.width, logo.height, 0, 0, width,
                  height < 0 ? -height : height, bits, info, DIB_RGB_COLORS, SRCCOPY);
}

void DrawBands(HDC dc, const PageLayout& page, HWND document)
{
    for (int k = 1; k <= kPrintBandCount; ++k) {
        const PrintBand& band = page.bands[k - 1];
        char name[16];
        wsprintfA(name, "Graph%d", k);
        if (HWND graph = DocumentPart(document, name))
            _PrintGraph(graph, dc, band.graphX, band.graphY, band.graphWidth, band.graphHeight);

        char values[kPrintValueTextChars + 1];
        ReadPart(document, KlvValueTextItem(k), values, sizeof values);
        ReplaceTabsBySpaces(values);
        RECT rect = {band.text.left, band.text.top, band.text.right, band.text.bottom};
        DrawTextA(dc, values, -1, &rect, DT_WORDBREAK | DT_NOPREFIX);
    }
}

// A document whose tab control could not be made has no parts to print.
HWND PrintableDocument()
{
    HWND document = ActiveDocumentWindow();
    return document && DocumentTabControl(document) ? document : nullptr;
}

// ---- The job -----------------------------------------------------------

void RememberPrinter(const PRINTDLGA& dialog)
{
    PrinterSettings.hDevMode = dialog.hDevMode;
    PrinterSettings.hDevNames = dialog.hDevNames;
}

} // namespace

BOOL CALLBACK AbortProc(HDC, int)
{
    if (!g_abortDialog)
        return TRUE;
    MSG msg;
    while (!PrintAborted && PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
        if (!IsDialogMessageA(g_abortDialog, &msg)) {
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        }
    }
    return !PrintAborted;
}

void PrintDocumentPage(HDC dc)
{
    HWND document = PrintableDocument();
    if (!document)
        return;
    PageFonts fonts = {CreatePageFont(dc, kPrintFooterPoints, FW_NORMAL),
                       CreatePageFont(dc, kPrintTextPoints, FW_NORMAL),
                       CreatePageFont(dc, kPrintHeadingPoints, FW_BOLD)};
    PageTexts texts;
    ReadPageTexts(document, &texts);

    StartPage(dc);
    // Text is drawn over the white page without painting its own background,
    // so a line of the header box is never covered.
    SetBkMode(dc, TRANSPARENT);
    HGDIOBJ previousFont = SelectObject(dc, fonts.text);
    const int textLine = LineHeight(dc);
    SelectObject(dc, fonts.small);
    const int footerLine = LineHeight(dc);
    const PageLayout page = ComputePageLayout(GetDeviceCaps(dc, HORZRES),
                                              GetDeviceCaps(dc, VERTRES), footerLine, textLine);

    DrawFooter(dc, page);
    DrawHeader(dc, page, fonts, texts);
    DrawLogo(dc, page, DocumentTabControl(document));
    DrawBands(dc, page, document);
    EndPage(dc);

    SelectObject(dc, previousFont);
    DeleteObject(fonts.small);
    DeleteObject(fonts.text);
    DeleteObject(fonts.heading);
}

int PrintDocument(HWND owner, HDC dc)
{
    HCURSOR previousCursor = SetCursor(WaitCursor());
    SetAbortProc(dc, AbortProc);

    DOCINFOA job = {};
    job.cbSize = sizeof job;
    job.lpszDocName = "KLV-Dokument";
    job.lpszOutput = nullptr;
    job.lpszDatatype = "KLV-Daten";
    SetLastError(0);
    if (StartDocA(dc, &job) <= 0) {
        const DWORD error = GetLastError();
        SetCursor(previousCursor);
        ShowErrorMessage(owner, kAppCaption, IDS_PRINT_NOT_STARTED, error);
        DeleteDC(dc);
        return 0;
    }

    PrintAborted = FALSE;
    g_abortDialog = CreateDialogParamA(AppInstance(), "AbortDlg", owner, AbortDlgProc, 0);
    if (!g_abortDialog) {
        SetCursor(previousCursor);
        MessageBoxA(owner, "NULL Abort window handle", kAppCaption, MB_OK | MB_ICONERROR);
        // The started job is withdrawn rather than left open in the spooler.
        AbortDoc(dc);
        DeleteDC(dc);
        return 0;
    }

    ShowWindow(g_abortDialog, SW_NORMAL);
    // Painted at once: the queue is next served by the abort procedure,
    // after the page has been drawn.
    RedrawWindow(g_abortDialog, nullptr, nullptr,
                 RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
    EnableWindow(owner, FALSE);
    SetCursor(previousCursor);
    PrintDocumentPage(dc);
    // The printing system asks the abort procedure while it takes the page;
    // asking once more here lets "&Annulla" count where it asks only when the
    // job starts (Wine's), and withdraws a cancelled job instead of ending it.
    const bool cancelled = !AbortProc(dc, 0);
    if (cancelled)
        AbortDoc(dc);
    else
        EndDoc(dc);
    EnableWindow(owner, TRUE);
    DestroyWindow(g_abortDialog);
    g_abortDialog = nullptr;
    DeleteDC(dc);
    return cancelled ? 0 : 1;
}

LRESULT OnCmdPrint(HWND frame, WORD, WORD, HWND)
{
    if (!PrintableDocument())
        return 0;
    PRINTDLGA dialog = {};
    dialog.lStructSize = sizeof dialog;
    dialog.hwndOwner = frame;
    dialog.hDevMode = PrinterSettings.hDevMode;
    dialog.hDevNames = PrinterSettings.hDevNames;
    dialog.Flags = PrinterSettings.Flags;
    dialog.nFromPage = PrinterSettings.nFromPage;
    dialog.nToPage = PrinterSettings.nToPage;
    dialog.nMinPage = 1;
    dialog.nMaxPage = kAllPages;
    dialog.nCopies = 1;
    const BOOL confirmed = PrintDlgA(&dialog);
    // The dialog may have replaced the blocks it was given, even when cancelled.
    RememberPrinter(dialog);
    if (!confirmed)
        return 0;
    PrintDocument(frame, dialog.hDC);
    PrinterSettings.Flags = dialog.Flags;
    PrinterSettings.nFromPage = dialog.nFromPage;
    PrinterSettings.nToPage = dialog.nToPage;
    return 0;
}

LRESULT OnCmdPrinterSetup(HWND frame, WORD, WORD, HWND)
{
    PRINTDLGA dialog = {};
    dialog.lStructSize = sizeof dialog;
    dialog.hwndOwner = frame;
    dialog.hDevMode = PrinterSettings.hDevMode;
    dialog.hDevNames = PrinterSettings.hDevNames;
    dialog.Flags = PD_PRINTSETUP | PD_SHOWHELP;
    PrintDlgA(&dialog);
    RememberPrinter(dialog);
    return 0;
}
