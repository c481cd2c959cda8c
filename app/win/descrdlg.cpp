// descrdlg.cpp - the description dialog. Its five lists come from the
// registry lists under the 2.0 key; after a completed series each list
// remembers the chosen text as "Last", whether it was picked or typed.
#include "descrdlg.h"

#include <cstring>

#include "choicelists.h"
#include "descrdlgres.h"
#include "dispatch.h"
#include "measrun.h"
#include "messdlg.h"
#include "settings.h"

namespace {

const char kDialogResource[] = "DESCRDLG";
const char kRecordProperty[] = "MessDescr";
constexpr int kListEntries = 20;      // values "0" to "19"
constexpr DWORD kListEntryBytes = 80; // longer entries are skipped

// One remembered list: its combo box and its registry subkey.
struct DescrList {
    int control;
    int list; // index into kChoiceListKeys
};

// The order in which the lists are filled.
const DescrList kListsInFillOrder[] = {
    {IDC_DESCR_EXAMINER, kChoiceExaminer}, {IDC_DESCR_VEHICLE, kChoiceVehicle},
    {IDC_DESCR_DOOR, kChoiceDoor},         {IDC_DESCR_POSITION, kChoicePosition},
    {IDC_DESCR_MEASTYPE, kChoiceMeasType},
};

MessDescr* RecordOf(HWND dialog)
{
    return static_cast<MessDescr*>(GetPropA(dialog, kRecordProperty));
}

// The entries "0" to "19" (longer than 79 characters: skipped) into the
// sorted list, and "Last" into the edit field. A missing list stays empty.
void FillList(HWND dialog, const DescrList& list)
{
    HKEY key = OpenVersionSubkey(kChoiceListKeys[list.list], false);
    if (!key)
        return;
    char text[kListEntryBytes];
    for (int i = 0; i < kListEntries; ++i) {
        char name[8];
        wsprintfA(name, "%d", i);
        if (ReadStringValue(key, name, text, kListEntryBytes))
            SendDlgItemMessageA(dialog, list.control, CB_ADDSTRING, 0,
                                reinterpret_cast<LPARAM>(text));
    }
    if (ReadStringValue(key, kListLastValue, text, kListEntryBytes))
        SetDlgItemTextA(dialog, list.control, text);
    RegCloseKey(key);
}

LRESULT OnInitDialog(HWND dialog, UINT, WPARAM, LPARAM lParam)
{
    SetPropA(dialog, kRecordProperty, reinterpret_cast<HANDLE>(lParam));
    for (const DescrList& list : kListsInFillOrder)
        FillList(dialog, list);
    return TRUE;
}

// The combo box's text (at most 39 characters) into the record field, and
// the whole 40-byte field as the list's "Last" value when the list exists.
// A text typed freely becomes "Last" but no entry of the list.
template <std::size_t N> void TakeField(HWND dialog, const DescrList& list, char (&field)[N])
{
    GetDlgItemTextA(dialog, list.control, field, static_cast<int>(N));
    HKEY key = OpenVersionSubkey(kChoiceListKeys[list.list], false);
    if (!key)
        return;
    WriteStringBytes(key, kListLastValue, field, N);
    RegCloseKey(key);
}

// The description goes into the record even when the settings cannot be
// opened: only the remembering of the "Last" entries needs them.
void TakeDescription(HWND dialog, MessDescr* descr)
{
    TakeField(dialog, kListsInFillOrder[0], descr->szExaminer);
    TakeField(dialog, kListsInFillOrder[2], descr->szDoor);
    TakeField(dialog, kListsInFillOrder[3], descr->szPosition);
    TakeField(dialog, kListsInFillOrder[4], descr->szMeasType);
    TakeField(dialog, kListsInFillOrder[1], descr->szVehicle);
    GetDlgItemTextA(dialog, IDC_DESCR_REMARKS, descr->szRemarks, sizeof descr->szRemarks);
}

// "&Avviamento..." runs the series; "&Annulla" (and Escape) cancels.
LRESULT OnCmdEnd(HWND dialog, WORD command, WORD, HWND)
{
    MessDescr* descr = RecordOf(dialog);
    if (command == IDCANCEL || !descr) {
        EndDialog(dialog, 0);
        return TRUE;
    }
    if (!RunMeasurementDialog(dialog, kMeasModeSeries, descr))
        return TRUE; // the user may start again or cancel
    EndDialog(dialog, 1);
    TakeDescription(dialog, descr);
    return TRUE;
}

LRESULT OnCmdTest(HWND dialog, WORD, WORD, HWND)
{
    if (MessDescr* descr = RecordOf(dialog))
        RunMeasurementDialog(dialog, kMeasModeTest, descr);
    return TRUE;
}

const CommandEntry kCommandEntries[] = {
    {IDOK, OnCmdEnd},
    {IDCANCEL, OnCmdEnd},
    {IDC_DESCR_TEST, OnCmdTest},
};
const CommandTable kCommandTable = MakeCommandTable(kCommandEntries, kNoDefault);

LRESULT OnCommand(HWND dialog, UINT, WPARAM wParam, LPARAM lParam)
{
    return DispatchCommandTable(kCommandTable, dialog, wParam, lParam);
}

LRESULT OnDestroy(HWND dialog, UINT, WPARAM, LPARAM)
{
    RemovePropA(dialog, kRecordProperty);
    return 0;
}

const MessageEntry kMessageEntries[] = {
    {WM_INITDIALOG, OnInitDialog},
    {WM_COMMAND, OnCommand},
    {WM_DESTROY, OnDestroy},
};
const MessageTable kMessageTable = MakeMessageTable(kMessageEntries, kNoDefault);

INT_PTR CALLBACK DescrDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam)
{
    return DispatchMessageTable(kMessageTable, dialog, message, wParam, lParam);
}

} // namespace

int RunDescriptionDialog(HWND owner, MessDescr* descr)
{
    const INT_PTR result = DialogBoxParamA(GetModuleHandleA(nullptr), kDialogResource, owner,
                                           DescrDlgProc, reinterpret_cast<LPARAM>(descr));
    // A dialog that cannot be shown (-1) counts as cancelled.
    return result == 1 ? 1 : 0;
}
