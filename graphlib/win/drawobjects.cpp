#include "drawobjects.h"

GraphDrawObjects g_drawObjects;

const COLORREF kSlotColours[4] = {RGB(0, 0, 255), RGB(0, 128, 0), RGB(255, 0, 0), RGB(0, 0, 0)};

void CreateDrawObjects()
{
    GraphDrawObjects& d = g_drawObjects;
    d.hLabelFont =
        CreateFontA(15, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, ANSI_CHARSET, OUT_DEFAULT_PRECIS,
                    CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH | FF_SWISS, "Arial");
    d.hFramePen = CreatePen(PS_SOLID, 1, RGB(0, 0, 0));
    d.hGridPen = CreatePen(PS_DOT, 1, RGB(0, 0, 0));
    for (int s = 0; s < 4; ++s) {
        d.hSlotPens[s] = CreatePen(PS_SOLID, 1, kSlotColours[s]);
        d.hSlotBrushes[s] = CreateSolidBrush(kSlotColours[s]);
    }
    d.hCursorPen = CreatePen(PS_DOT, 1, RGB(0, 0, 255));
}

void DeleteDrawObjects()
{
    GraphDrawObjects& d = g_drawObjects;
    DeleteObject(d.hLabelFont);
    DeleteObject(d.hFramePen);
    DeleteObject(d.hGridPen);
    for (int s = 0; s < 4; ++s) {
        DeleteObject(d.hSlotPens[s]);
        DeleteObject(d.hSlotBrushes[s]);
    }
    DeleteObject(d.hCursorPen);
    d = GraphDrawObjects{};
}
