// printlayout.cpp - the page arithmetic of the printed inspection report.
#include "printlayout.h"

#include <cstdlib>

PageLayout ComputePageLayout(int width, int height, int footerLineHeight, int textLineHeight,
                             int verdictLines)
{
    PageLayout page = {};
    const int usable = height - 2 * footerLineHeight;
    const int margin = width / 10;
    const int inner = width - margin;
    const int headerHeight = usable / 5;

    page.margin = margin;
    page.usableHeight = usable;
    page.footer = {0, height - footerLineHeight, width, height};
    page.headerBox = {margin, 0, margin + inner / 2, headerHeight};
    page.headerText = {margin + inner / 40, 0, margin + inner / 2, headerHeight};
    page.logoLeft = margin + inner / 2 + inner / 20;
    page.logoWidth = width - page.logoLeft;

    // The bands share four fifths of the usable height; each band's edges are
    // computed from the whole so that rounding never leaves a gap between them.
    const int verdictHeight = verdictLines > 0 ? (verdictLines + 1) * textLineHeight : 0;
    const int graphsHeight = 4 * usable / 5 - verdictHeight;
    for (int k = 1; k <= kPrintBandCount; ++k) {
        PrintBand& band = page.bands[k - 1];
        const int top = headerHeight + graphsHeight * (k - 1) / 4;
        const int bottom = headerHeight + graphsHeight * k / 4;
        band.graphX = margin;
        band.graphY = top;
        band.graphWidth = 3 * width / 4 - margin;
        band.graphHeight = graphsHeight / 4;
        band.text = {3 * width / 4, top + textLineHeight, width, bottom};
    }
    if (verdictLines > 0) {
        const int top = headerHeight + graphsHeight + textLineHeight;
        page.verdict = {margin, top, width, top + verdictLines * textLineHeight};
    }
    return page;
}

int LogoHeight(int logoWidth, int bitmapWidth, int bitmapHeight)
{
    if (bitmapWidth == 0)
        return 0;
    const float ratio = static_cast<float>(logoWidth) / static_cast<float>(std::abs(bitmapWidth));
    return static_cast<int>(static_cast<float>(std::abs(bitmapHeight)) * ratio);
}

LogoSize FitLogo(const PageLayout& page, int bitmapWidth, int bitmapHeight)
{
    const int height = LogoHeight(page.logoWidth, bitmapWidth, bitmapHeight);
    const int headerHeight = page.headerBox.bottom;
    if (height <= headerHeight)
        return {page.logoWidth, height};
    const long long width =
        static_cast<long long>(std::abs(bitmapWidth)) * headerHeight / std::abs(bitmapHeight);
    return {static_cast<int>(width), headerHeight};
}

void ReplaceTabsBySpaces(char* text)
{
    for (; *text; ++text)
        if (*text == '\t')
            *text = ' ';
}
