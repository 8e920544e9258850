#include "applet/ui/StatusWindow.h"

namespace ui {

namespace {

constexpr char kWindowClass[] = "QlnStatusWindow";
constexpr char kBarClass[] = "QlnStatusBar";
constexpr int kWidth = 328;
constexpr int kHeight = 332;
constexpr int kBorder = 10;
constexpr int kBottomPanelHeight = 30;
constexpr int kTextHeight = 14;
constexpr int kBarHeight = 14;
constexpr int kButtonWidth = 100;
constexpr int kButtonHeight = 24;
constexpr int kBarMax = 100;

// Top panel rows: labels and bars, from the panel's top edge.
constexpr int kTrackTextTop = 0;
constexpr int kTrackBarTop = 16;
constexpr int kTotalTextTop = 36;
constexpr int kTotalBarTop = 52;
constexpr int kCacheTextTop = 72;
constexpr int kCacheBarTop = 88;

enum : int { kCopyId = 101, kOkId = 102, kCancelId = 103 };

// A plain progress bar: the filled part in the highlight colour, position 0-100 kept in the
// window's user data.
LRESULT CALLBACK BarProc(HWND bar, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message != WM_PAINT)
    return DefWindowProcA(bar, message, wParam, lParam);
  PAINTSTRUCT paint;
  HDC dc = BeginPaint(bar, &paint);
  RECT r;
  GetClientRect(bar, &r);
  FillRect(dc, &r, GetSysColorBrush(COLOR_BTNFACE));
  RECT filled = r;
  const LONG_PTR position = GetWindowLongPtrA(bar, GWLP_USERDATA);
  filled.right = r.left + static_cast<LONG>((r.right - r.left) * position / kBarMax);
  FillRect(dc, &filled, GetSysColorBrush(COLOR_HIGHLIGHT));
  DrawEdge(dc, &r, BDR_SUNKENOUTER, BF_RECT);
  EndPaint(bar, &paint);
  return 0;
}

void SetBar(HWND bar, int position) {
  if (GetWindowLongPtrA(bar, GWLP_USERDATA) == position)
    return;
  SetWindowLongPtrA(bar, GWLP_USERDATA, position);
  InvalidateRect(bar, nullptr, FALSE);
}

void RegisterClasses(HINSTANCE instance, WNDPROC windowProc) {
  static bool registered = false;
  if (registered)
    return;
  WNDCLASSA window = {};
  window.lpfnWndProc = windowProc;
  window.hInstance = instance;
  window.hCursor = LoadCursor(nullptr, IDC_ARROW);
  window.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
  window.lpszClassName = kWindowClass;
  RegisterClassA(&window);
  WNDCLASSA bar = {};
  bar.lpfnWndProc = BarProc;
  bar.hInstance = instance;
  bar.hCursor = LoadCursor(nullptr, IDC_ARROW);
  bar.lpszClassName = kBarClass;
  RegisterClassA(&bar);
  registered = true;
}

void Show(HWND control, bool visible) { ShowWindow(control, visible ? SW_SHOW : SW_HIDE); }

} // namespace

TStatusWindow::TStatusWindow(recording::TStatusForm &form, HWND owner, const std::string &caption)
    : form_(form), owner_(owner) {
  HINSTANCE instance = GetModuleHandleA(nullptr);
  RegisterClasses(instance, WindowProc);
  const int left = (GetSystemMetrics(SM_CXSCREEN) - kWidth) / 2;
  const int top = (GetSystemMetrics(SM_CYSCREEN) - kHeight) / 2;
  const std::string title = caption + " - Status";
  window_ = CreateWindowExA(0, kWindowClass, title.c_str(),
                            WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_CLIPCHILDREN, left, top,
                            kWidth, kHeight, owner, nullptr, instance, this);
  CreateControls();
  form_.SetView(this);
}

TStatusWindow::~TStatusWindow() {
  form_.SetView(nullptr);
  if (window_)
    DestroyWindow(window_);
}

void TStatusWindow::CreateControls() {
  HINSTANCE instance = GetModuleHandleA(nullptr);
  const auto child = [&](const char *cls, const char *text, DWORD style, int id) {
    HWND h = CreateWindowExA(0, cls, text, WS_CHILD | WS_VISIBLE | style, 0, 0, 0, 0, window_,
                             reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), instance, nullptr);
    SendMessageA(h, WM_SETFONT, reinterpret_cast<WPARAM>(GetStockObject(DEFAULT_GUI_FONT)), 0);
    return h;
  };
  operation_ = child("STATIC", "[Operation]", SS_RIGHT, 0);
  trackText_ = child("STATIC", recording::kTrackProgressText, SS_LEFT, 0);
  trackBar_ = child(kBarClass, "", 0, 0);
  totalText_ = child("STATIC", "Total Progress", SS_LEFT, 0);
  totalBar_ = child(kBarClass, "", 0, 0);
  cacheText_ = child("STATIC", "Write Cache", SS_LEFT, 0);
  cacheBar_ = child(kBarClass, "", 0, 0);
  memo_ = child(
      "EDIT", "",
      WS_BORDER | WS_VSCROLL | ES_MULTILINE | ES_READONLY | ES_AUTOVSCROLL | ES_AUTOHSCROLL, 0);
  copyButton_ = child("BUTTON", "Copy to Clipboard", BS_PUSHBUTTON, kCopyId);
  okButton_ = child("BUTTON", "OK", BS_PUSHBUTTON, kOkId);
  cancelButton_ = child("BUTTON", "Cancel", BS_PUSHBUTTON, kCancelId);
  Show(okButton_, false);
  trackLabel_ = recording::kTrackProgressText;
  Layout();
}

void TStatusWindow::Layout() {
  RECT client;
  GetClientRect(window_, &client);
  const int width = client.right - 2 * kBorder;
  const int x = kBorder;
  const int y = kBorder;
  MoveWindow(trackText_, x, y + kTrackTextTop, width / 2, kTextHeight, TRUE);
  MoveWindow(operation_, x + width / 2, y + kTrackTextTop, width - width / 2, kTextHeight, TRUE);
  MoveWindow(trackBar_, x, y + kTrackBarTop, width, kBarHeight, TRUE);
  MoveWindow(totalText_, x, y + kTotalTextTop, width, kTextHeight, TRUE);
  MoveWindow(totalBar_, x, y + kTotalBarTop, width, kBarHeight, TRUE);
  MoveWindow(cacheText_, x, y + kCacheTextTop, width, kTextHeight, TRUE);
  MoveWindow(cacheBar_, x, y + kCacheBarTop, width, kBarHeight, TRUE);
  const int bottomTop = client.bottom - kBorder - kBottomPanelHeight;
  const int memoTop = y + topPanelHeight_;
  MoveWindow(memo_, x, memoTop, width, bottomTop - memoTop, TRUE);
  const int buttonTop = bottomTop + (kBottomPanelHeight - kButtonHeight);
  MoveWindow(copyButton_, x, buttonTop, kButtonWidth + 20, kButtonHeight, TRUE);
  const int right = x + width - kButtonWidth;
  MoveWindow(okButton_, right, buttonTop, kButtonWidth, kButtonHeight, TRUE);
  MoveWindow(cancelButton_, right, buttonTop, kButtonWidth, kButtonHeight, TRUE);
}

void TStatusWindow::AppendLines(const recording::TStatusControls &controls) {
  if (controls.Log.size() < linesShown_) { // the log was emptied
    SetWindowTextA(memo_, "");
    linesShown_ = 0;
  }
  for (; linesShown_ < controls.Log.size(); ++linesShown_) {
    const std::string line = controls.Log[linesShown_] + "\r\n";
    const int end = GetWindowTextLengthA(memo_);
    SendMessageA(memo_, EM_SETSEL, end, end);
    SendMessageA(memo_, EM_REPLACESEL, FALSE, reinterpret_cast<LPARAM>(line.c_str()));
  }
}

void TStatusWindow::Refresh(const recording::TStatusControls &controls) {
  if (controls.TrackProgress != trackLabel_) {
    trackLabel_ = controls.TrackProgress;
    SetWindowTextA(trackText_, trackLabel_.c_str());
  }
  SetBar(trackBar_, controls.TrackProgressBar);
  SetBar(totalBar_, controls.TotalProgressBar);
  SetBar(cacheBar_, controls.BufferProgressBar);
  Show(cacheText_, controls.CacheBarVisible);
  Show(cacheBar_, controls.CacheBarVisible);
  if (controls.TopPanelHeight != topPanelHeight_) {
    topPanelHeight_ = controls.TopPanelHeight;
    Layout();
  }
  EnableWindow(cancelButton_, controls.CancelEnabled);
  Show(cancelButton_, controls.CancelVisible);
  Show(okButton_, controls.OKVisible);
  EnableWindow(copyButton_, controls.CopyEnabled);
  AppendLines(controls);
}

void TStatusWindow::SetVisible(bool visible) { Show(window_, visible); }

void TStatusWindow::SetOwnerVisible(bool visible) {
  if (owner_)
    Show(owner_, visible);
}

void TStatusWindow::SetScreenSaverActive(bool active) {
  SystemParametersInfoA(SPI_SETSCREENSAVEACTIVE, active ? TRUE : FALSE, nullptr, SPIF_SENDCHANGE);
}

bool TStatusWindow::ScreenSaverActive() {
  BOOL active = TRUE;
  SystemParametersInfoA(SPI_GETSCREENSAVEACTIVE, 0, &active, 0);
  return active != FALSE;
}

std::string TStatusWindow::ApplicationTitle() {
  if (!owner_)
    return title_;
  char text[256] = {};
  GetWindowTextA(owner_, text, sizeof text);
  return text;
}

void TStatusWindow::SetApplicationTitle(const std::string &title) {
  if (owner_)
    SetWindowTextA(owner_, title.c_str());
  else
    title_ = title;
}

void TStatusWindow::CopyLogToClipboard() {
  SendMessageA(memo_, EM_SETSEL, 0, -1);
  SendMessageA(memo_, WM_COPY, 0, 0);
}

LRESULT CALLBACK TStatusWindow::WindowProc(HWND window, UINT message, WPARAM wParam,
                                           LPARAM lParam) {
  if (message == WM_NCCREATE) {
    auto *created = reinterpret_cast<CREATESTRUCTA *>(lParam);
    auto *self = static_cast<TStatusWindow *>(created->lpCreateParams);
    self->window_ = window;
    SetWindowLongPtrA(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
  }
  auto *self = reinterpret_cast<TStatusWindow *>(GetWindowLongPtrA(window, GWLP_USERDATA));
  if (!self)
    return DefWindowProcA(window, message, wParam, lParam);
  return self->HandleMessage(message, wParam, lParam);
}

LRESULT TStatusWindow::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
  case WM_COMMAND:
    switch (LOWORD(wParam)) {
    case kCopyId:
      form_.CopyClick();
      return 0;
    case kOkId:
      form_.OKClick();
      return 0;
    case kCancelId:
      form_.CancelClick();
      return 0;
    default:
      break;
    }
    break;
  case WM_CLOSE:
    form_.Close(); // refused until the form allows closing; the window is only hidden
    return 0;
  default:
    break;
  }
  return DefWindowProcA(window_, message, wParam, lParam);
}

} // namespace ui
