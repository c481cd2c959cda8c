// graphwindow.h - the window class "GraphWindow": registration with the
// library's loading; its procedure, GraphWndProc, is exported (varnok.h).
#ifndef GRAPHWINDOW_H
#define GRAPHWINDOW_H

bool RegisterGraphWindowClass();
void UnregisterGraphWindowClass();

#endif
