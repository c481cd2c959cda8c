// centering.h - where a dialog goes when it is centred over another window
// and kept on the screen.
#ifndef CENTERING_H
#define CENTERING_H

struct ScreenPoint {
    int x, y;
};

// The top-left corner for a window of w x h centred over the rectangle
// (left, top, right, bottom); halves round toward zero. A corner left of or
// above the screen becomes 0; a window reaching past the right or bottom
// edge is pushed back to end there.
ScreenPoint CenteredPosition(int w, int h, int left, int top, int right, int bottom,
                             int screenWidth, int screenHeight);

#endif
