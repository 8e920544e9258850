// The main window's dressing: the caption bar removed with the height adjusted, the vertical
// gradient background, and dragging by the client area.
#pragma once

#include <windows.h>

namespace ui {

// Removes the caption style and shortens the window by the caption height, so the client area
// keeps its size.
void RemoveCaption(HWND window);
// Fills the client rectangle with the gradient bands, black at the top.
void PaintGradient(HDC dc, const RECT &client);
// A pattern brush of the window's gradient, for controls drawn over it (the caller deletes it
// and aligns it with SetBrushOrgEx).
HBRUSH CreateGradientBrush(HWND window);
// The hit-test answer that lets the client area drag the window.
LRESULT DragHitTest(LRESULT hit);

} // namespace ui
