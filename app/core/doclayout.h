// doclayout.h - where the document window places its controls for a client
// area of w x h pixels.
#ifndef DOCLAYOUT_H
#define DOCLAYOUT_H

struct LayoutRect {
    int x, y, width, height;
};

struct DocumentLayout {
    LayoutRect tabControl;
    LayoutRect graph;        // "Graph1" .. "Graph4", on the tab control
    LayoutRect valueText;    // "Descr1" .. "Descr4", right of the graph
    LayoutRect page;         // "Descr", the description page
    LayoutRect remarksLabel; // "Remarks", on the page
    LayoutRect remarks;      // "Edit", on the page
    LayoutRect logo;         // "Bitmap", on the page; only with a logo
    // A page with a verdict: its value text keeps the height of its lines,
    // and the verdict fills the rest of the column below it.
    LayoutRect valueTextAboveVerdict;
    LayoutRect verdict; // "Verdict1" .. "Verdict4"
};

// logoWidth/logoHeight: the logo's size in pixels, or 0 without a logo. The
// logo's height follows its aspect ratio, taken in single precision and
// truncated.
DocumentLayout ComputeDocumentLayout(int w, int h, int logoWidth, int logoHeight);

#endif
