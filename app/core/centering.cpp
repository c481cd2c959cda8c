// centering.cpp - CenterWindowOver's arithmetic.
#include "centering.h"

namespace {

int KeepOnScreen(int position, int size, int screenSize)
{
    if (position < 0)
        return 0;
    if (position + size > screenSize)
        return screenSize - size;
    return position;
}

} // namespace

ScreenPoint CenteredPosition(int w, int h, int left, int top, int right, int bottom,
                             int screenWidth, int screenHeight)
{
    const int x = left + ((right - left) - w) / 2;
    const int y = top + ((bottom - top) - h) / 2;
    return {KeepOnScreen(x, w, screenWidth), KeepOnScreen(y, h, screenHeight)};
}
