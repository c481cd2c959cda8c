// What the user does with a graph window: zoom drags and the resetting
// click, the measuring cursor with its readouts and arrow keys, showing and
// hiding graphs by double-clicking the graph list.
#ifndef GRAPHINPUT_H
#define GRAPHINPUT_H

#include <windows.h>

void OnGraphLButtonDown(HWND hWnd, int x, int y);
// True while a zoom rectangle is being dragged (the move is then handled).
bool OnGraphMouseMove(HWND hWnd, int x, int y);
// 0 when a zoom ended; 1 when nothing was being dragged or nothing changed.
LRESULT OnGraphLButtonUp(HWND hWnd);
void OnGraphKeyDown(HWND hWnd, WPARAM key);
void OnGraphListDoubleClick(HWND hWnd);

#endif
