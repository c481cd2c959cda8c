// The graph list of a graph window: a tree view with the cursor readouts and
// one item per graph, and its image strip "TREEIMAGE".
#pragma once

#include <windows.h>
#include <commctrl.h>

// Images of the strip.
enum GraphListImage {
    kImageSlot0 = 0,        // 0 to 3: graph shown in display slot 0 to 3
    kImageNotShown = 4,
    kImageInfo = 5,
    kImageCursor = 6,
    kImageCoordinates = 7,
    kImageArrow = 8,
    kImageReadout0 = 9,     // 9 to 12: readouts of slots 0 to 3
    kImageDistance = 13,
};

// Creates the hidden list (child 10 of hGraphWnd, at 0, 0, 150 x 200) with its
// image list and the cursor readout items.
HWND CreateGraphList(HWND hGraphWnd, HINSTANCE hInstance);

// Destroys the list, its image list and its properties.
void DestroyGraphList(HWND hList);

// Inserts a graph item: at the top while the list holds only its six readout
// items, else after the item added last. Stores it as "LAST".
HTREEITEM InsertGraphItem(HWND hList, const char *name, int image, int graphNumber);

// Appends an information text below a graph item and expands or collapses it.
HTREEITEM InsertInfoItem(HWND hList, HTREEITEM hGraphItem, const char *text, bool expand);
