// graphwindow.h - the window class "GraphWindow": registration with the
// library's loading; its procedure, GraphWndProc, is exported (varnok.h).
#pragma once

bool RegisterGraphWindowClass();
void UnregisterGraphWindowClass();
