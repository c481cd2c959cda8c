// printlayout.h - where things stand on the printed inspection report.
//
// The report is one page: a header (description box and text in the left
// half right of the margin, the logo in the right part), four bands of equal
// height with a graph from the margin to three quarters of the width and its
// value text in the last quarter, then one free line and the footer line.
// Everything is in device pixels and every division rounds toward zero, so
// the same page size always gives the same report.
#ifndef PRINTLAYOUT_H
#define PRINTLAYOUT_H

constexpr int kPrintBandCount = 4;        // measurements 1 to 3 and the mean
constexpr int kPrintFooterPoints = 7;     // small font
constexpr int kPrintTextPoints = 8;       // description block, value texts
constexpr int kPrintHeadingPoints = 10;   // title line
constexpr int kPrintValueTextChars = 999; // longest value text read from a page

struct PageRect {
    int left;
    int top;
    int right;
    int bottom;
};

// One graph band: the rectangle handed to the graph printing (x, y, width,
// height, as the graph library takes it) and the value text beside it.
struct PrintBand {
    int graphX;
    int graphY;
    int graphWidth;
    int graphHeight;
    PageRect text;
};

struct PageLayout {
    int margin;          // left margin, a tenth of the width
    int usableHeight;    // page height less the footer line and one free line
    PageRect footer;     // the footer text is centred in it
    PageRect headerBox;  // outlined
    PageRect headerText; // title line and description block, word-wrapped
    int logoLeft;        // the logo fills the width from here to the right edge
    int logoWidth;
    PrintBand bands[kPrintBandCount];
    PageRect verdict; // the verdict block under the mean band; empty without one
};

// The layout of a page width x height pixels, where footerLineHeight and
// textLineHeight are character height plus external leading of the small
// and of the text font. With verdictLines, the four bands give up one free
// line and verdictLines lines of the text font to a verdict block below the
// mean band, across the page from the margin; the page keeps its size.
PageLayout ComputePageLayout(int width, int height, int footerLineHeight, int textLineHeight,
                             int verdictLines = 0);

// The logo's height on the page when it is drawn logoWidth pixels wide, kept
// in the bitmap's proportions (the ratio in single precision, the product
// truncated). 0 for a bitmap without width; a bottom-up or top-down bitmap
// (negative height) gives the same height.
int LogoHeight(int logoWidth, int bitmapWidth, int bitmapHeight);

// The logo's size on a page: the whole width right of the header box
// (LogoHeight), unless that would reach below the header, where it would
// cover the first band's value text; such a logo is scaled down, in its
// proportions, to the header's height.
struct LogoSize {
    int width;
    int height;
};
LogoSize FitLogo(const PageLayout& page, int bitmapWidth, int bitmapHeight);

// Every tab in text becomes one space: value texts are aligned with tabs on
// screen, which the word-wrapped print rectangle cannot expand.
void ReplaceTabsBySpaces(char* text);

#endif
