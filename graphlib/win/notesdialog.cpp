// The notes dialog of a graph window ("NOTES"): free text kept in the
// window's block and saved with it. It has no buttons; closing it through its
// close box keeps what was typed.
#include "dispatch.h"
#include "graphstate.h"
#include "varnokres.h"

namespace {

constexpr int kNotesChars = sizeof(GraphData::szNotes) - 1;

void FillNotesDialog(HWND hDlg, HWND hGraphWnd, const GraphData* d)
{
    HWND edit = GetDlgItem(hDlg, IDC_NOTES_TEXT);
    SendMessageA(edit, EM_LIMITTEXT, kNotesChars, 0);
    SetWindowTextA(edit, d->szNotes);
    char title[200];
    char graphTitle[160] = "";
    GetWindowTextA(hGraphWnd, graphTitle, sizeof graphTitle);
    wsprintfA(title, "Notizen: %s", graphTitle);
    SetWindowTextA(hDlg, title);
}

LRESULT OnInitDialog(HWND hDlg, UINT, WPARAM, LPARAM lParam)
{
    HWND graph = reinterpret_cast<HWND>(lParam);
    SetWindowLongPtrA(hDlg, DWLP_USER, lParam);
    if (GraphData* d = GraphDataOf(graph))
        FillNotesDialog(hDlg, graph, d);
    return TRUE;
}

// Enter and Escape arrive as IDOK and IDCANCEL: the notes stay open.
LRESULT OnCommand(HWND, UINT, WPARAM, LPARAM)
{
    return TRUE;
}

LRESULT OnClose(HWND hDlg, UINT, WPARAM, LPARAM)
{
    HWND graph = reinterpret_cast<HWND>(GetWindowLongPtrA(hDlg, DWLP_USER));
    // Editing the notes does not mark the window modified.
    if (GraphData* d = GraphDataOf(graph))
        GetDlgItemTextA(hDlg, IDC_NOTES_TEXT, d->szNotes, kNotesChars + 1);
    EndDialog(hDlg, 1);
    return TRUE;
}

const MessageEntry kNotesMessages[] = {
    {WM_INITDIALOG, OnInitDialog},
    {WM_COMMAND, OnCommand},
    {WM_CLOSE, OnClose},
};
const MessageTable kNotesMessageTable = MakeMessageTable(kNotesMessages, kNoDefault);

INT_PTR CALLBACK NotesDialogProc(HWND hDlg, UINT msg, WPARAM wParam, LPARAM lParam)
{
    return DispatchMessageTable(kNotesMessageTable, hDlg, msg, wParam, lParam);
}

} // namespace

extern "C" VARNOK_API int _DisplayNotes(HWND hGraphWnd)
{
    DialogBoxParamA(g_hLibInstance, IDD_NOTES_NAME, hGraphWnd, NotesDialogProc,
                    reinterpret_cast<LPARAM>(hGraphWnd));
    return 1;
}
