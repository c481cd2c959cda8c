// limitsdlg.cpp - the limits dialog (see limitsdlg.h). The file is read
// afresh each time the dialog opens, so an inspector's edit shows at once; a
// file with a fault is reported and the dialog offers no set but "(nessuno)".
#include "limitsdlg.h"

#include <string>

#include "appstrings.h"
#include "dispatch.h"
#include "docwindow.h"
#include "limitchoice.h"
#include "limitsdlgres.h"
#include "services.h"
#include "verdicttext.h"

namespace {

// The sets listed while the dialog is open; item i + 1 is g_file.sets[i].
LimitFile g_file;

void ShowFileLine(HWND dialog, const std::string& path)
{
    char text[1024];
    if (path.empty())
        FormatAppString(text, sizeof text, IDS_LIMITS_NO_FILE, MeasurementsLimitFile().c_str(),
                        ProgramLimitFile().c_str());
    else
        FormatAppString(text, sizeof text, IDS_LIMITS_FILE, path.c_str());
    SetDlgItemTextA(dialog, IDC_LIM_FILE, text);
}

void ShowRulesOfSelection(HWND dialog)
{
    const LRESULT item = SendDlgItemMessageA(dialog, IDC_LIM_SETS, CB_GETCURSEL, 0, 0);
    const bool isSet = item > 0 && static_cast<std::size_t>(item) <= g_file.sets.size();
    const std::string rules = isSet ? LimitSetText(g_file.sets[item - 1]) : std::string();
    SetDlgItemTextA(dialog, IDC_LIM_RULES, rules.c_str());
}

void FillSets(HWND dialog)
{
    g_file = LimitFile();
    const std::string path = FindLimitFile();
    ShowFileLine(dialog, path);
    LimitError error;
    if (!path.empty() && !ReadLimitFile(path, g_file, error))
        ShowLimitProblem(dialog, DescribeLimitError(error));
    HWND list = GetDlgItem(dialog, IDC_LIM_SETS);
    SendMessageA(list, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(AppString(IDS_LIMITS_NONE)));
    const LimitSet* chosen = FindLimitSet(g_file, ChosenLimitSetName());
    int selection = 0;
    for (std::size_t i = 0; i < g_file.sets.size(); ++i) {
        SendMessageA(list, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(g_file.sets[i].name.c_str()));
        if (&g_file.sets[i] == chosen)
            selection = static_cast<int>(i) + 1;
    }
    SendMessageA(list, CB_SETCURSEL, selection, 0);
    ShowRulesOfSelection(dialog);
}

LRESULT OnOk(HWND dialog, WORD, WORD, HWND)
{
    const LRESULT item = SendDlgItemMessageA(dialog, IDC_LIM_SETS, CB_GETCURSEL, 0, 0);
    const bool isSet = item > 0 && static_cast<std::size_t>(item) <= g_file.sets.size();
    StoreChosenLimitSetName(isSet ? g_file.sets[item - 1].name : std::string());
    EndDialog(dialog, IDOK);
    JudgeOpenDocumentsAgain();
    return TRUE;
}

LRESULT OnCancel(HWND dialog, WORD, WORD, HWND)
{
    EndDialog(dialog, IDCANCEL);
    return TRUE;
}

LRESULT OnSetsNotify(HWND dialog, WORD, WORD code, HWND)
{
    if (code == CBN_SELCHANGE)
        ShowRulesOfSelection(dialog);
    return TRUE;
}

const CommandEntry kOnCmdLimitss[] = {
    {IDOK, OnOk},
    {IDCANCEL, OnCancel},
    {IDC_LIM_SETS, OnSetsNotify},
};
const CommandTable kOnCmdLimitsTable = MakeCommandTable(kOnCmdLimitss, kNoDefault);

LRESULT OnInitDialog(HWND dialog, UINT, WPARAM, LPARAM)
{
    CenterWindowOver(dialog, GetParent(dialog));
    FillSets(dialog);
    return TRUE;
}

LRESULT OnCommand(HWND dialog, UINT, WPARAM wParam, LPARAM lParam)
{
    return DispatchCommandTable(kOnCmdLimitsTable, dialog, wParam, lParam);
}

const MessageEntry kLimitsMessages[] = {
    {WM_INITDIALOG, OnInitDialog},
    {WM_COMMAND, OnCommand},
};
const MessageTable kLimitsMessageTable = MakeMessageTable(kLimitsMessages, kNoDefault);

INT_PTR CALLBACK LimitsDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam)
{
    return DispatchMessageTable(kLimitsMessageTable, dialog, message, wParam, lParam);
}

} // namespace

LRESULT OnCmdLimits(HWND frame, WORD, WORD, HWND)
{
    DialogBoxParamA(AppInstance(), "LIMITSDLG", frame, LimitsDlgProc, 0);
    return 0;
}
