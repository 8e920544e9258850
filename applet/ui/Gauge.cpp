#include "applet/ui/Gauge.h"

#include "applet/session/SkinRules.h"
#include "applet/ui/GdiOwners.h"
#include "applet/ui/Win32Cast.h"

#include <commctrl.h>

namespace ui {

namespace {
constexpr COLORREF kBackColor = RGB(0, 0, 0);
constexpr COLORREF kBarColor = session::kGradientEnd;

using session::TGaugeState;

TGaugeState *State(HWND window) {
  return FromParam<TGaugeState *>(GetWindowLongPtrA(window, GWLP_USERDATA));
}

void Fill(HDC dc, const RECT &r, COLORREF color) {
  const TGdiOwner<HBRUSH> brush(CreateSolidBrush(color));
  FillRect(dc, &r, brush.get());
}

void Paint(HWND window, const TGaugeState &state) {
  PAINTSTRUCT ps;
  HDC dc = BeginPaint(window, &ps);
  RECT client;
  GetClientRect(window, &client);
  const TGdiOwner<HBRUSH> frame(CreateSolidBrush(GetSysColor(COLOR_WINDOWFRAME)));
  FrameRect(dc, &client, frame.get());
  RECT inner = client;
  InflateRect(&inner, -1, -1);
  Fill(dc, inner, kBackColor);
  const int length = session::GaugeFillLength(state, inner.right - inner.left);
  if (length > 0) {
    RECT bar = inner;
    bar.right = inner.left + length < inner.right ? inner.left + length : inner.right;
    Fill(dc, bar, kBarColor);
  }
  EndPaint(window, &ps);
}

LRESULT CALLBACK GaugeProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  TGaugeState *state = State(window);
  switch (message) {
  case WM_NCCREATE:
    SetWindowLongPtrA(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(new TGaugeState));
    break;
  case WM_NCDESTROY:
    delete state;
    SetWindowLongPtrA(window, GWLP_USERDATA, 0);
    break;
  case WM_ERASEBKGND:
    return 1;
  case WM_PAINT:
    if (state != nullptr) {
      Paint(window, *state);
      return 0;
    }
    break;
  case PBM_SETPOS: {
    const int old = state->Position;
    state->Position = static_cast<int>(wParam);
    InvalidateRect(window, nullptr, FALSE);
    return old;
  }
  case PBM_GETPOS:
    return state->Position;
  case PBM_SETRANGE32:
    state->Minimum = static_cast<int>(wParam);
    state->Maximum = static_cast<int>(lParam);
    InvalidateRect(window, nullptr, FALSE);
    return 0;
  default:
    break;
  }
  return DefWindowProcA(window, message, wParam, lParam);
}
} // namespace

void RegisterGaugeClass(HINSTANCE instance) {
  WNDCLASSA wc{};
  wc.lpfnWndProc = GaugeProc;
  wc.hInstance = instance;
  wc.hCursor = LoadCursor(nullptr, IDC_ARROW);
  wc.lpszClassName = kGaugeClass;
  RegisterClassA(&wc);
}

} // namespace ui
