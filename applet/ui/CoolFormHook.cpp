#include "applet/ui/CoolFormHook.h"

#include "applet/session/SkinRules.h"
#include "applet/ui/GdiOwners.h"

namespace ui {

void RemoveCaption(HWND window) {
  const LONG_PTR style = GetWindowLongPtrA(window, GWL_STYLE);
  const LONG_PTR exStyle = GetWindowLongPtrA(window, GWL_EXSTYLE);
  SetWindowLongPtrA(window, GWL_STYLE, style & ~static_cast<LONG_PTR>(WS_CAPTION));
  const int caption =
      GetSystemMetrics((exStyle & WS_EX_TOOLWINDOW) != 0 ? SM_CYSMCAPTION : SM_CYCAPTION);
  RECT bounds;
  GetWindowRect(window, &bounds);
  SetWindowPos(window, nullptr, 0, 0, bounds.right - bounds.left,
               bounds.bottom - bounds.top - caption,
               SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_FRAMECHANGED);
}

void PaintGradient(HDC dc, const RECT &client) {
  const session::TGradient gradient{client.top, client.bottom - client.top};
  for (int i = 0; i <= session::kGradientBands; ++i) {
    const session::TBand band = session::GradientBand(gradient, i);
    const RECT r{client.left, band.Top, client.right, band.Bottom};
    const TGdiOwner<HBRUSH> brush(CreateSolidBrush(band.Color));
    FillRect(dc, &r, brush.get());
  }
}

HBRUSH CreateGradientBrush(HWND window) {
  RECT client;
  GetClientRect(window, &client);
  TGdiOwner<HBITMAP> bitmap;
  {
    const TWindowDc screen(window);
    bitmap.reset(CreateCompatibleBitmap(screen.Get(), client.right, client.bottom));
    const TMemoryDc memory(screen.Get(), bitmap.get());
    PaintGradient(memory.Get(), client);
  }
  return CreatePatternBrush(bitmap.get());
}

LRESULT DragHitTest(LRESULT hit) { return hit == HTCLIENT ? HTCAPTION : hit; }

} // namespace ui
