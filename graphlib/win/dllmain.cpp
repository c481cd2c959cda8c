// Loading and unloading varnok.dll: common controls, the shared drawing
// objects and the window class "GraphWindow".
#include "drawobjects.h"
#include "graphstate.h"
#include "graphwindow.h"

BOOL WINAPI DllMain(HINSTANCE hInstance, DWORD reason, LPVOID)
{
    switch (reason) {
    case DLL_PROCESS_ATTACH: {
        g_hLibInstance = hInstance;
        DisableThreadLibraryCalls(hInstance);
        INITCOMMONCONTROLSEX icc = {sizeof(icc), ICC_TREEVIEW_CLASSES | ICC_STANDARD_CLASSES};
        InitCommonControlsEx(&icc);
        CreateDrawObjects();
        RegisterGraphWindowClass(); // loading succeeds even if this fails
        break;
    }
    case DLL_PROCESS_DETACH:
        DeleteDrawObjects();
        UnregisterGraphWindowClass();
        break;
    default:
        break;
    }
    return TRUE;
}
