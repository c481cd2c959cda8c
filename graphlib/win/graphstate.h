// graphstate.h - what the graph window's parts share: its style bits,
// child and command ids, properties, the library instance and the access to
// a window's block. A leaf: the window procedure and every part (painting,
// input, graph list, property view, files, the exported calls) include it,
// and it includes none of them.
#ifndef GRAPHSTATE_H
#define GRAPHSTATE_H

#include "varnok.h"

// Window style bits of a graph window (the low bits are the window's own).
constexpr LONG_PTR kGraphStyleEtchedFrame = 0x0001;
constexpr LONG_PTR kGraphStyleGraphList = 0x0010;

// Child identifiers and context-menu commands.
constexpr int kIdGraphList = 10;
constexpr int kIdToggleButton = 100;
constexpr UINT kCmdZoom = 1001;
constexpr UINT kCmdCursor = 1002;
constexpr UINT kCmdSettings = 1003;

// Cursor modes.
constexpr int kCursorModeZoom = 1;
constexpr int kCursorModeCursor = 2;

extern const char kGraphClassName[];
extern const char kPropGraphData[];
extern const char kPropDirty[];
extern const char kPropBitmap[];

// The library's module handle, set when it is loaded.
extern HINSTANCE g_hLibInstance;

// Set by each full redraw, cleared by _AddValue: a full redraw right after
// live values came in shows no wait cursor.
extern bool g_bWaitCursorArmed;

// The window's block, or nullptr for a window that has none.
GraphData* GraphDataOf(HWND hGraphWnd);
// Called where the window's "GraphData" property is set or removed.
void ForgetGraphData(HWND hGraphWnd);

// Graph index of a block, or nullptr when the index is not one of its graphs.
GraphRecord* GraphAt(const GraphData* pData, int index);

// The values of a new window's block: those of an empty graph record.
void InitGraphDataDefaults(GraphData* pData);

// Marks the cached image stale and invalidates the whole window with erasing.
void InvalidateGraphWindow(HWND hGraphWnd, GraphData* pData);

// The "Dirty" property: nonzero = modified.
void SetDirtyFlag(HWND hGraphWnd, INT_PTR value);
INT_PTR GetDirtyFlag(HWND hGraphWnd);

// Checks "Zoom" for mode 1, otherwise "Cursor", in the context menu.
void CheckCursorModeMenu(HMENU hMenu, int mode);

#endif
