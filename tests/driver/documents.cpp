// Actions on the active document window of a frame: its tab pages, its named
// parts and their drawn colours, and the switch to the next document.
#include "klvdriver.h"

#include <commctrl.h>

#include <cstdio>
#include <cstdlib>

namespace {

// The active document window of the frame TITLE.
HWND ActiveDocument(const char* title)
{
    HWND client = RequireChildOfClass(title, "MDIClient");
    HWND active =
        client ? reinterpret_cast<HWND>(SendMessageA(client, WM_MDIGETACTIVE, 0, 0)) : nullptr;
    if (client && !active)
        std::fprintf(stderr, "klvdriver: no active document\n");
    return active;
}

HWND ActiveTabControl(const char* title)
{
    HWND doc = ActiveDocument(title);
    return doc ? static_cast<HWND>(GetPropA(doc, "TabControl")) : nullptr;
}

// A named part of the active document (window properties are readable
// from another process).
HWND DocumentPart(const char* title, const char* name)
{
    HWND tab = ActiveTabControl(title);
    HWND part = tab ? static_cast<HWND>(GetPropA(tab, name)) : nullptr;
    if (tab && !part)
        std::fprintf(stderr, "klvdriver: the document has no part \"%s\"\n", name);
    return part;
}

bool HasVisibleStyle(HWND hwnd)
{
    return (GetWindowLongA(hwnd, GWL_STYLE) & WS_VISIBLE) != 0;
}

int CmdDocPage(int, char** argv)
{
    HWND tab = ActiveTabControl(argv[2]);
    if (!tab)
        return 1;
    std::printf("%d", static_cast<int>(SendMessageA(tab, TCM_GETCURSEL, 0, 0)));
    static const char* const kParts[] = {"Descr",  "Graph1", "Descr1", "Graph2", "Descr2",
                                         "Graph3", "Descr3", "Graph4", "Descr4"};
    for (const char* name : kParts) {
        HWND part = static_cast<HWND>(GetPropA(tab, name));
        if (part && HasVisibleStyle(part))
            std::printf(" %s", name);
    }
    std::printf("\n");
    return 0;
}

// A mouse click on the tab, so the page changes in one step from the shown
// one (the arrow keys of "tab" pass every page in between). The tab's
// rectangle is asked for in the program's own memory.
int CmdClickTab(int, char** argv)
{
    HWND tab = ActiveTabControl(argv[2]);
    if (!tab)
        return 1;
    DWORD pid = 0;
    GetWindowThreadProcessId(tab, &pid);
    HANDLE process = OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_READ, FALSE, pid);
    void* remote = process ? VirtualAllocEx(process, nullptr, sizeof(RECT),
                                            MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE)
                           : nullptr;
    RECT rc = {};
    const bool found = remote &&
                       SendMessageA(tab, TCM_GETITEMRECT, std::strtoul(argv[3], nullptr, 10),
                                    reinterpret_cast<LPARAM>(remote)) &&
                       ReadProcessMemory(process, remote, &rc, sizeof rc, nullptr);
    if (remote)
        VirtualFreeEx(process, remote, 0, MEM_RELEASE);
    if (process)
        CloseHandle(process);
    if (!found) {
        std::fprintf(stderr, "klvdriver: no tab %s\n", argv[3]);
        return 1;
    }
    const LPARAM at = MAKELPARAM((rc.left + rc.right) / 2, (rc.top + rc.bottom) / 2);
    // Sent, not posted: the page has changed when the driver ends.
    SendMessageA(tab, WM_LBUTTONDOWN, MK_LBUTTON, at);
    SendMessageA(tab, WM_LBUTTONUP, 0, at);
    return 0;
}

int CmdPartText(int, char** argv)
{
    HWND part = DocumentPart(argv[2], argv[3]);
    if (!part)
        return 1;
    std::printf("%s\n", WindowText(part).c_str());
    return 0;
}

int CmdMdiNext(int, char** argv)
{
    HWND client = RequireChildOfClass(argv[2], "MDIClient");
    if (!client)
        return 1;
    SendMessageA(client, WM_MDINEXT, 0, 0);
    return 0;
}

int CmdPartColour(int, char** argv)
{
    HWND part = DocumentPart(argv[2], argv[3]);
    if (!part)
        return 1;
    const unsigned long rgb = std::strtoul(argv[4], nullptr, 16);
    const unsigned char red = rgb >> 16 & 0xFF, green = rgb >> 8 & 0xFF, blue = rgb & 0xFF;
    RedrawWindow(part, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
    BITMAPINFOHEADER bih;
    const std::vector<unsigned char> pixels = ScreenPixels(part, bih);
    const size_t stride = (static_cast<size_t>(bih.biWidth) * 3 + 3) / 4 * 4;
    long columns = 0;
    for (LONG x = 0; x < bih.biWidth; ++x) {
        bool found = false;
        for (LONG y = 0; y < bih.biHeight && !found; ++y) {
            const unsigned char* pixel = pixels.data() + y * stride + 3 * x;
            found = pixel[0] == blue && pixel[1] == green && pixel[2] == red;
        }
        columns += found;
    }
    std::printf("%ld\n", columns);
    return 0;
}

const DriverAction kActions[] = {
    {"doc-page", 1, CmdDocPage,
     "TITLE: the active document's selected tab and its shown parts (e.g. \"2 Graph2 Descr2\")"},
    {"click-tab", 2, CmdClickTab, "TITLE INDEX: click the active document's tab INDEX"},
    {"part-text", 2, CmdPartText, "TITLE NAME: the text of the active document's part NAME"},
    {"part-colour", 3, CmdPartColour,
     "TITLE NAME RRGGBB: pixel columns holding that colour in the part, as on the screen"},
    {"mdi-next", 1, CmdMdiNext, "TITLE: activate the next document window"},
};

} // namespace

const DriverActionList kDocumentActions = ActionList(kActions);
