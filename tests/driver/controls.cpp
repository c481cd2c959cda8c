// Actions on the controls of a window and on dialog boxes: their texts,
// buttons, lists and states.
#include "klvdriver.h"

#include <commctrl.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

int CmdChildren(int, char** argv)
{
    HWND hwnd = RequireWindow(argv[2]);
    if (!hwnd)
        return 1;
    for (HWND child : Children(hwnd)) {
        char cls[128];
        GetClassNameA(child, cls, sizeof cls);
        std::printf("%d %s \"%s\"\n", GetDlgCtrlID(child), cls, WindowText(child).c_str());
    }
    return 0;
}

int CmdText(int argc, char** argv)
{
    HWND hwnd = RequireWindow(argv[2]);
    if (hwnd && argc > 3)
        hwnd = FindChild(hwnd, argv[3]);
    if (!hwnd)
        return 1;
    std::printf("%s\n", WindowText(hwnd).c_str());
    return 0;
}

int CmdWaitText(int argc, char** argv)
{
    HWND child = RequireChild(argv[2], argv[3]);
    if (!child)
        return 1;
    std::string text;
    auto shows = [&] {
        text = WindowText(child);
        return TextMatches(text, argv[4]);
    };
    if (WaitUntil(shows, TimeoutArg(argc, argv, 5, 10000), kPollMs))
        return 0;
    std::fprintf(stderr, "klvdriver: %s/%s shows \"%s\", not \"%s\"\n", argv[2], argv[3],
                 text.c_str(), argv[4]);
    return 1;
}

// A combo box (or a file dialog's name box) takes its text in the edit box
// inside it.
HWND EditInside(HWND control)
{
    char cls[64];
    GetClassNameA(control, cls, sizeof cls);
    if (std::strstr(cls, "ComboBox"))
        for (HWND child : Children(control)) {
            GetClassNameA(child, cls, sizeof cls);
            if (std::strcmp(cls, "Edit") == 0)
                return child;
        }
    return control;
}

// "\n" of the text as the CR LF a multi-line edit box holds between lines.
// Other controls take the text as it is, so that a Windows path such as
// Z:\home\nina\logo.bmp reaches a file name box whole.
std::string TextForControl(HWND control, const char* text)
{
    if (!(GetWindowLongA(control, GWL_STYLE) & ES_MULTILINE))
        return text;
    char cls[64];
    GetClassNameA(control, cls, sizeof cls);
    if (lstrcmpiA(cls, "Edit") != 0)
        return text;
    std::string lines;
    for (const char* p = text; *p; ++p) {
        if (p[0] == '\\' && p[1] == 'n') {
            lines += "\r\n";
            ++p;
        } else {
            lines += *p;
        }
    }
    return lines;
}

int CmdSetText(int, char** argv)
{
    HWND control = RequireChild(argv[2], argv[3]);
    if (!control)
        return 1;
    HWND edit = EditInside(control);
    const std::string text = TextForControl(edit, argv[4]);
    // TRUE from the control that took it; a list-only combo box answers
    // CB_ERR, a hung program nothing.
    if (SendToControl(edit, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str())) == TRUE)
        return 0;
    std::fprintf(stderr, "klvdriver: %s/%s did not take the text\n", argv[2], argv[3]);
    return 1;
}

int CmdType(int, char** argv)
{
    HWND edit = RequireChildOfClass(argv[2], "Edit");
    if (!edit)
        return 1;
    // The caret goes to the end first, as after a click below the text.
    const LRESULT length = SendMessageA(edit, WM_GETTEXTLENGTH, 0, 0);
    SendMessageA(edit, EM_SETSEL, length, length);
    for (const char* c = argv[3]; *c; ++c)
        SendMessageA(edit, WM_CHAR, static_cast<unsigned char>(*c), 1);
    return 0;
}

int CmdClick(int, char** argv)
{
    HWND button = RequireChild(argv[2], argv[3]);
    if (!button)
        return 1;
    // A click usually opens a modal box in the program: post, never wait.
    PostMessageA(GetParent(button), WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(button), BN_CLICKED),
                 reinterpret_cast<LPARAM>(button));
    return 0;
}

int CmdPress(int, char** argv)
{
    HWND button = RequireChild(argv[2], argv[3]);
    if (!button)
        return 1;
    return PostMessageA(button, BM_CLICK, 0, 0) ? 0 : 1;
}

int CmdChecked(int, char** argv)
{
    HWND button = RequireChild(argv[2], argv[3]);
    if (!button)
        return 1;
    std::printf("%d\n", SendToControl(button, BM_GETCHECK, 0, 0) == BST_CHECKED ? 1 : 0);
    return 0;
}

int CmdTab(int, char** argv)
{
    HWND tab = RequireChildOfClass(argv[2], "SysTabControl32");
    if (!tab)
        return 1;
    // Arrow keys, as a user would press them: the tab control then tells
    // its parent itself (a notification cannot be sent across processes).
    const int target = static_cast<int>(std::strtoul(argv[3], nullptr, 10));
    int current = static_cast<int>(SendMessageA(tab, TCM_GETCURSEL, 0, 0));
    for (; current != target; current += current < target ? 1 : -1) {
        const WPARAM key = current < target ? VK_RIGHT : VK_LEFT;
        SendMessageA(tab, WM_KEYDOWN, key, 1);
        SendMessageA(tab, WM_KEYUP, key, 0xC0000001);
    }
    return 0;
}

std::vector<std::string> ComboItems(HWND combo)
{
    std::vector<std::string> items;
    LRESULT count = SendMessageA(combo, CB_GETCOUNT, 0, 0);
    for (LRESULT i = 0; i < count; ++i) {
        // Across processes Wine hands the item over in the wide form only.
        wchar_t wide[512] = {};
        SendMessageW(combo, CB_GETLBTEXT, i, reinterpret_cast<LPARAM>(wide));
        char buf[512] = {};
        WideCharToMultiByte(CP_ACP, 0, wide, -1, buf, sizeof buf, nullptr, nullptr);
        items.push_back(buf);
    }
    return items;
}

int CmdPick(int, char** argv)
{
    HWND combo = RequireChild(argv[2], argv[3]);
    if (!combo)
        return 1;
    std::vector<std::string> items = ComboItems(combo);
    for (size_t i = 0; i < items.size(); ++i) {
        if (items[i] == argv[4]) {
            SendMessageA(combo, CB_SETCURSEL, i, 0);
            return 0;
        }
    }
    std::fprintf(stderr, "klvdriver: \"%s\" is not in the list %s\n", argv[4], argv[3]);
    return 1;
}

int CmdItems(int, char** argv)
{
    HWND combo = RequireChild(argv[2], argv[3]);
    if (!combo)
        return 1;
    std::string joined;
    for (const std::string& item : ComboItems(combo))
        joined += (joined.empty() ? "" : "|") + item;
    if (joined == argv[4])
        return 0;
    std::fprintf(stderr, "klvdriver: list %s holds \"%s\", not \"%s\"\n", argv[3], joined.c_str(),
                 argv[4]);
    return 1;
}

int CmdSelect(int, char** argv)
{
    HWND combo = RequireChild(argv[2], argv[3]);
    if (!combo)
        return 1;
    SendToControl(combo, CB_SETCURSEL, static_cast<WPARAM>(std::atoi(argv[4])), 0);
    return 0;
}

int CmdCurSel(int, char** argv)
{
    HWND combo = RequireChild(argv[2], argv[3]);
    if (!combo)
        return 1;
    std::printf("%d\n", static_cast<int>(SendToControl(combo, CB_GETCURSEL, 0, 0)));
    return 0;
}

int CmdWaitState(int argc, char** argv)
{
    HWND child = RequireChild(argv[2], argv[3]);
    if (!child)
        return 1;
    const std::string state = argv[4];
    auto holds = [&] {
        if (state == "enabled" || state == "disabled")
            return (IsWindowEnabled(child) != 0) == (state == "enabled");
        return (IsWindowVisible(child) != 0) == (state == "visible");
    };
    if (WaitUntil(holds, TimeoutArg(argc, argv, 5, 10000), kPollMs))
        return 0;
    std::fprintf(stderr, "klvdriver: %s/%s is not %s\n", argv[2], argv[3], argv[4]);
    return 1;
}

int CmdAnswer(int argc, char** argv)
{
    const std::string pattern = std::string("dialog:") + argv[2];
    HWND box = nullptr;
    std::string text;
    auto asks = [&] {
        box = FindTopWindow(pattern.c_str());
        if (!box)
            return false;
        HWND label = GetDlgItem(box, 0xFFFF);
        text = label ? WindowText(label) : "";
        return TextMatches(text, argv[4]);
    };
    if (!WaitUntil(asks, TimeoutArg(argc, argv, 5, 10000), kPollMs)) {
        std::fprintf(stderr, "klvdriver: no message box \"%s\" saying \"%s\" (last seen: \"%s\")\n",
                     argv[2], argv[4], text.c_str());
        return 1;
    }
    static const struct {
        const char* name;
        int id;
    } kButtons[] = {{"Yes", IDYES}, {"No", IDNO}, {"OK", IDOK}, {"Cancel", IDCANCEL}};
    for (const auto& button : kButtons) {
        if (std::strcmp(button.name, argv[3]) == 0) {
            std::printf("%s\n", text.c_str());
            PostMessageA(box, WM_COMMAND, MAKEWPARAM(button.id, BN_CLICKED),
                         reinterpret_cast<LPARAM>(GetDlgItem(box, button.id)));
            return 0;
        }
    }
    std::fprintf(stderr, "klvdriver: unknown button %s\n", argv[3]);
    return 2;
}

int CmdFileDialog(int, char** argv)
{
    HWND dialog = RequireWindow(argv[2]);
    if (!dialog)
        return 1;
    HWND name = GetDlgItem(dialog, 1148); // the file name combo box
    if (!name)
        name = GetDlgItem(dialog, 1152); // the file name edit of older dialogs
    if (!name) {
        std::fprintf(stderr, "klvdriver: no file name field\n");
        return 1;
    }
    SendMessageA(name, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(argv[3]));
    PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED),
                 reinterpret_cast<LPARAM>(GetDlgItem(dialog, IDOK)));
    return 0;
}

const DriverAction kActions[] = {
    {"children", 1, CmdChildren, "TITLE: list child controls: id class \"text\""},
    {"text", 1, CmdText, "TITLE [ID]: text of the window or of child ID"},
    {"wait-text", 3, CmdWaitText,
     "TITLE ID TEXT [MS]: until child ID's text contains TEXT (=TEXT: is)"},
    {"set-text", 3, CmdSetText,
     "TITLE ID TEXT: write TEXT into child ID (a combo box's edit; \\n: new line)"},
    {"type", 2, CmdType, "TITLE TEXT: type TEXT into the first edit control"},
    {"click", 2, CmdClick, "TITLE ID|TEXT: tell the button's parent it was clicked (posted)"},
    {"press", 2, CmdPress,
     "TITLE ID: a real button click (BM_CLICK, posted); ticks radio and check boxes"},
    {"checked", 2, CmdChecked, "TITLE ID: 1 when a check or radio button is ticked"},
    {"tab", 2, CmdTab, "TITLE INDEX: select a tab of the top tab control"},
    {"pick", 3, CmdPick, "TITLE ID TEXT: select the list entry TEXT of combo box ID"},
    {"items", 3, CmdItems, "TITLE ID A|B|...: the combo box lists exactly these, in order"},
    {"select", 3, CmdSelect, "TITLE ID INDEX: select a combo box entry (-1: none)"},
    {"cursel", 2, CmdCurSel, "TITLE ID: selected combo box entry, -1 for none"},
    {"wait-state", 3, CmdWaitState, "TITLE ID STATE [MS]: enabled|disabled|visible|hidden"},
    {"answer", 3, CmdAnswer,
     "CAPTION BUTTON TEXT [MS]: press Yes|No|OK|Cancel of the message box saying TEXT; print its "
     "text"},
    {"file-dialog", 2, CmdFileDialog, "TITLE PATH: fill in a file dialog's name and press OK"},
};

} // namespace

const DriverActionList kControlActions = ActionList(kActions);
