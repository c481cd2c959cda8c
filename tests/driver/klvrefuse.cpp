// klvrefuse.dll: lets the test driver make the creation of one top-level
// window of another program fail, as it fails when the system runs out of
// window resources. The driver hooks the program's thread with RefuseHook
// (WH_CBT); the system loads this DLL into the program, and the hook refuses
// every window whose title is the one the driver named in the shared block
// "KlvRefuseWindow", counting the refusals there for the driver to read.
#include <windows.h>

#include <cstring>

#include "klvrefuse.h"

namespace {

RefuseBlock* SharedBlock()
{
    static RefuseBlock* block = nullptr;
    if (!block) {
        HANDLE mapping = OpenFileMappingA(FILE_MAP_WRITE, FALSE, kRefuseBlockName);
        if (!mapping)
            return nullptr;
        block = static_cast<RefuseBlock*>(
            MapViewOfFile(mapping, FILE_MAP_WRITE, 0, 0, sizeof(RefuseBlock)));
    }
    return block;
}

bool IsRefused(const CREATESTRUCTA* create)
{
    RefuseBlock* block = SharedBlock();
    // A title may be a resource ordinal rather than a string.
    if (!block || !create->lpszName || IS_INTRESOURCE(create->lpszName))
        return false;
    return std::strcmp(create->lpszName, block->title) == 0;
}

} // namespace

extern "C" __declspec(dllexport) LRESULT CALLBACK RefuseHook(int code, WPARAM wParam, LPARAM lParam)
{
    if (code == HCBT_CREATEWND) {
        const CREATESTRUCTA* create = reinterpret_cast<CBT_CREATEWNDA*>(lParam)->lpcs;
        if (IsRefused(create)) {
            InterlockedIncrement(&SharedBlock()->refused);
            return 1; // the window is not created
        }
    }
    return CallNextHookEx(nullptr, code, wParam, lParam);
}
