// The graph list of a graph window: a tree view with the cursor readouts and
// one item per graph, and its image strip "TREEIMAGE".
#ifndef GRAPHLIST_H
#define GRAPHLIST_H

#include <windows.h>
#include <commctrl.h>

// Images of the strip.
enum GraphListImage {
    kImageSlot0 = 0, // 0 to 3: graph shown in display slot 0 to 3
    kImageNotShown = 4,
    kImageInfo = 5,
    kImageCursor = 6,
    kImageCoordinates = 7,
    kImageArrow = 8,
    kImageReadout0 = 9, // 9 to 12: readouts of slots 0 to 3
    kImageDistance = 13,
};

// The pictures of the list (and of the property view): an empty list of
// 19 x 15 pictures filled from the strip "TREEIMAGE". nullptr when the list
// cannot be made; a strip that cannot be loaded is reported in a message box
// and leaves the list empty.
HIMAGELIST CreateGraphListImages(HINSTANCE hInstance);

// Creates the hidden list (child 10 of hGraphWnd, at 0, 0, 150 x 200) with its
// image list and the cursor readout items.
HWND CreateGraphList(HWND hGraphWnd, HINSTANCE hInstance);

// Destroys the list, its image list and its properties.
void DestroyGraphList(HWND hList);

// Inserts a graph item: at the top while the list holds only its six readout
// items, else after the item added last. Stores it as "LAST".
HTREEITEM InsertGraphItem(HWND hList, const char* name, int image, int graphNumber);

// Appends an information text below a graph item and expands or collapses it.
HTREEITEM InsertInfoItem(HWND hList, HTREEITEM hGraphItem, const char* text, bool expand);

// Appends an information text at the list's top level (for a graph that has
// no item of its own).
HTREEITEM InsertTopLevelInfoItem(HWND hList, const char* text);

// The cursor readouts of the list.
enum GraphListReadout {
    kReadoutCursor = 0, // "Cursor": the cursor time
    kReadoutDistance,   // "Dist": distance to the previous cursor time
    kReadoutSlot0,      // "Curs1" to "Curs4": the values of slots 0 to 3
};

// Sets a readout's text; no effect when the list has no readouts.
void SetReadoutText(HWND hList, int readout, const char* text);

// The selected item with its image and item data; false when none.
struct GraphListItem {
    HTREEITEM item;
    int image;
    LPARAM data;
};
bool GetSelectedItem(HWND hList, GraphListItem* out);

// Gives an item another picture.
void SetItemImage(HWND hList, HTREEITEM item, int image);

#endif
