// The notes dialog of a graph window ("NOTES"): free text kept in the
// window's block and saved with it. It has no buttons; closing it through its
// close box keeps what was typed.
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

INT_PTR CALLBACK NotesDialogProc(HWND hDlg, UINT msg, WPARAM, LPARAM lParam)
{
    switch (msg) {
    case WM_INITDIALOG: {
        HWND graph = reinterpret_cast<HWND>(lParam);
        SetWindowLongPtrA(hDlg, DWLP_USER, lParam);
        if (GraphData* d = GraphDataOf(graph))
            FillNotesDialog(hDlg, graph, d);
        return TRUE;
    }
    case WM_COMMAND:
        // Enter and Escape arrive as IDOK and IDCANCEL: the notes stay open.
        return TRUE;
    case WM_CLOSE: {
        HWND graph = reinterpret_cast<HWND>(GetWindowLongPtrA(hDlg, DWLP_USER));
        // Editing the notes does not mark the window modified.
        if (GraphData* d = GraphDataOf(graph))
            GetDlgItemTextA(hDlg, IDC_NOTES_TEXT, d->szNotes, kNotesChars + 1);
        EndDialog(hDlg, 1);
        return TRUE;
    }
    default:
        return FALSE;
    }
}

} // namespace

extern "C" VARNOK_API int _DisplayNotes(HWND hGraphWnd)
{
    DialogBoxParamA(g_hLibInstance, IDD_NOTES_NAME, hGraphWnd, NotesDialogProc,
                    reinterpret_cast<LPARAM>(hGraphWnd));
    return 1;
}
