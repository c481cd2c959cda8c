// doclayout.cpp - the document window's layout on resizing.
#include "doclayout.h"

namespace {

constexpr int kMargin = 10;
constexpr int kTabStripHeight = 30; // controls start below the tabs
constexpr int kValueTextWidth = 170;
constexpr int kValueTextTop = 60;
constexpr int kValueTextLinesHeight = 100; // the six lines of a value text, and a free one

} // namespace

DocumentLayout ComputeDocumentLayout(int w, int h, int logoWidth, int logoHeight)
{
    DocumentLayout l;
    l.tabControl = {0, 0, w, h};
    l.graph = {kMargin, kTabStripHeight, w - 180, h - 40};
    l.valueText = {w - 180, kValueTextTop, kValueTextWidth, h - 80};
    l.valueTextAboveVerdict = {w - 180, kValueTextTop, kValueTextWidth, kValueTextLinesHeight};
    l.verdict = {w - 180, kValueTextTop + kValueTextLinesHeight, kValueTextWidth,
                 h - 80 - kValueTextLinesHeight};
    l.page = {kMargin, kTabStripHeight, w - 20, h - 40};
    l.remarksLabel = {kMargin, h - 170, w - 40, 20};
    l.remarks = {kMargin, h - 150, w - 40, 100};
    l.logo = {0, 0, 0, 0};
    if (logoWidth > 0) {
        const int half = w / 2;
        const int logoWidthShown = half - 40;
        const float ratio = static_cast<float>(logoHeight) / static_cast<float>(logoWidth);
        l.logo = {half, kMargin, logoWidthShown, static_cast<int>(logoWidthShown * ratio)};
    }
    return l;
}
