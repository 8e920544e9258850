#include "applet/ui/MainWindow.h"

#include "applet/platform/Dispatcher.h"
#include "applet/platform/Platform.h"
#include "applet/session/MessagePump.h"
#include "applet/session/UnitMain.h"
#include "applet/ui/CoolFormHook.h"
#include "applet/ui/Gauge.h"
#include "applet/ui/Resources.h"
#include "applet/ui/Win32Cast.h"

#include <commctrl.h>

#include <cstring>

namespace ui {

namespace {
constexpr const char *kWindowClass = "TFormMain";
constexpr const char *kTitle = kApplicationTitle;
constexpr int kClientWidth = 334;
constexpr int kClientHeight = 343;
constexpr int kFontHeight = -11;
constexpr int kLabelFontHeight = -13;
constexpr COLORREF kTextColor = RGB(255, 255, 255);

constexpr int kLogoTop = 8;
constexpr int kLogoWidth = 311;
constexpr int kLogoHeight = 97;
constexpr int kLabelLeft = 16;
constexpr int kLabelTop = 110;
constexpr const char *kLabelText = "Progress";

struct TControl {
  int Id;
  const char *Class;
  const char *Text;
  DWORD Style;
  int Left, Top, Width, Height;
};
constexpr DWORD kMemoStyle = WS_VSCROLL | ES_MULTILINE | ES_READONLY | ES_CENTER | ES_AUTOVSCROLL;
constexpr TControl kControls[] = {
    {IDC_PROGRESS_BAR, kGaugeClass, "", 0, 16, 128, 305, 17},
    {IDC_MEMO_STATUS, "EDIT", "", kMemoStyle, 16, 160, 305, 121},
    {IDC_BUTTON_LINK, "BUTTON", "&Help", WS_TABSTOP | BS_PUSHBUTTON, 16, 304, 153, 25},
    {IDC_BUTTON_OK, "BUTTON", "&Ok", WS_TABSTOP | BS_DEFPUSHBUTTON, 176, 304, 145, 25},
};
constexpr int kGaugeMaximum = session::kProgressMax;

// Posted on activation, so the session starts once the window is shown and running.
constexpr UINT kActivateMessage = WM_APP + 1;
// Posted by worker threads that hand a call to the main thread.
constexpr UINT kDispatchMessage = WM_APP + 2;

constexpr const char *kPresetText =
    "QLN Applet - your one-click audio CD\r\n"
    "\r\n"
    "This program records the audio CD that came with this download, for your own "
    "personal use. The music is licensed to you by its producer: you may not copy, sell or "
    "pass on this program or its contents.\r\n"
    "\r\n"
    "The program is provided as it is, without warranty of any kind. Neither its maker nor "
    "the producer is liable for any loss or damage to your computer, recorder or discs that "
    "comes from its use.\r\n";
} // namespace

TMainWindow::TMainWindow(HINSTANCE instance) : instance_(instance) {}

TMainWindow::~TMainWindow() {
  if (window_ != nullptr)
    DestroyWindow(window_); // before its fonts and brush go
}

bool TMainWindow::Create(session::TFormMain &form) {
  form_ = &form;
  RegisterGaugeClass(instance_);
  WNDCLASSA wc{};
  wc.lpfnWndProc = WindowProc;
  wc.hInstance = instance_;
  wc.hCursor = LoadCursor(nullptr, IDC_ARROW);
  wc.hIcon = LoadIcon(nullptr, IDI_APPLICATION);
  wc.hbrBackground = static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH));
  wc.lpszClassName = kWindowClass;
  RegisterClassA(&wc);

  // A fixed single frame that stays when the caption is removed, so the client area keeps
  // its size.
  const DWORD style = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX | WS_CLIPCHILDREN;
  const DWORD exStyle = WS_EX_DLGMODALFRAME;
  RECT bounds{0, 0, kClientWidth, kClientHeight};
  AdjustWindowRectEx(&bounds, style, FALSE, exStyle);
  window_ = CreateWindowExA(exStyle, kWindowClass, kTitle, style, CW_USEDEFAULT, CW_USEDEFAULT,
                            bounds.right - bounds.left, bounds.bottom - bounds.top, nullptr,
                            nullptr, instance_, this);
  if (window_ == nullptr)
    return false;
  platform::TMainThread::SetWakeHandler(
      [window = window_] { PostMessageA(window, kDispatchMessage, 0, 0); });
  CreateControls();
  RemoveCaption(window_);
  RECT outer;
  GetWindowRect(window_, &outer);
  logoLeft_ = (outer.right - outer.left) / 2 - kLogoWidth / 2;
  form_->FormCreate();
  return true;
}

void TMainWindow::CreateControls() {
  font_.reset(CreateFontA(kFontHeight, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, DEFAULT_CHARSET,
                          OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY,
                          DEFAULT_PITCH | FF_DONTCARE, "Tahoma"));
  labelFont_.reset(CreateFontA(kLabelFontHeight, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE,
                               DEFAULT_CHARSET, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS,
                               DEFAULT_QUALITY, DEFAULT_PITCH | FF_DONTCARE, "Arial Black"));
  logo_.reset(static_cast<HBITMAP>(
      LoadImageA(instance_, MAKEINTRESOURCEA(IDB_LOGO), IMAGE_BITMAP, 0, 0, LR_DEFAULTCOLOR)));
  for (const TControl &c : kControls) {
    HWND control =
        CreateWindowExA(0, c.Class, c.Text, WS_CHILD | WS_VISIBLE | c.Style, c.Left, c.Top, c.Width,
                        c.Height, window_, FromParam<HMENU>(c.Id), instance_, nullptr);
    SendMessageA(control, WM_SETFONT, reinterpret_cast<WPARAM>(font_.get()), FALSE);
  }
  memo_ = GetDlgItem(window_, IDC_MEMO_STATUS);
  buttonOk_ = GetDlgItem(window_, IDC_BUTTON_OK);
  gauge_ = GetDlgItem(window_, IDC_PROGRESS_BAR);
  SendMessageA(gauge_, PBM_SETRANGE32, 0, kGaugeMaximum);
  SendMessageA(memo_, EM_SETLIMITTEXT, 0, 0);
  SetWindowTextA(memo_, kPresetText);
}

void TMainWindow::Show() {
  RECT outer;
  GetWindowRect(window_, &outer);
  const int width = outer.right - outer.left;
  const int height = outer.bottom - outer.top;
  SetWindowPos(window_, nullptr, (GetSystemMetrics(SM_CXSCREEN) - width) / 2,
               (GetSystemMetrics(SM_CYSCREEN) - height) / 2, 0, 0,
               SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
  ShowWindow(window_, SW_SHOWNORMAL);
  UpdateWindow(window_);
  SetFocus(buttonOk_);
}

int TMainWindow::Run() {
  session::PumpUntilTerminated(*this);
  return exitCode_;
}

void TMainWindow::AddMemoLine(const std::string &line) {
  const std::string text = MemoText();
  const bool openLine = !text.empty() && text.back() != '\n';
  const std::string insert = (openLine ? "\r\n" : "") + line + "\r\n";
  const WPARAM end = text.size();
  SendMessageA(memo_, EM_SETSEL, end, static_cast<LPARAM>(end));
  SendMessageA(memo_, EM_REPLACESEL, FALSE, reinterpret_cast<LPARAM>(insert.c_str()));
}

std::string TMainWindow::MemoText() {
  std::string text(static_cast<size_t>(GetWindowTextLengthA(memo_)) + 1, '\0');
  text.resize(static_cast<size_t>(GetWindowTextA(memo_, &text[0], static_cast<int>(text.size()))));
  return text;
}

void TMainWindow::SetMemoText(const std::string &text) {
  SetWindowTextA(memo_, text.c_str());
  SendMessageA(memo_, EM_SETSEL, text.size(), static_cast<LPARAM>(text.size()));
  SendMessageA(memo_, EM_SCROLLCARET, 0, 0);
  // A multi-line edit does not report a change made by setting its text.
  MemoChanged();
}

void TMainWindow::SetOkCaption(const std::string &caption) {
  SetWindowTextA(buttonOk_, caption.c_str());
}

void TMainWindow::SetProgress(int value) { SendMessageA(gauge_, PBM_SETPOS, value, 0); }

void TMainWindow::SetTitle(const std::string &title) { SetWindowTextA(window_, title.c_str()); }

void TMainWindow::Beep() { platform::Platform().Beep(); }

void TMainWindow::ProcessMessages() {
  MSG msg;
  while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
    if (msg.message == WM_QUIT) {
      terminated_ = true;
      exitCode_ = static_cast<int>(msg.wParam);
      break;
    }
    if (window_ == nullptr || !IsDialogMessageA(window_, &msg)) {
      TranslateMessage(&msg);
      DispatchMessageA(&msg);
    }
  }
  platform::TMainThread::ProcessPending();
}

void TMainWindow::WaitForMessages(uint32_t ms) {
  MsgWaitForMultipleObjects(0, nullptr, FALSE, ms, QS_ALLINPUT);
}

void TMainWindow::Terminate() {
  terminated_ = true;
  PostQuitMessage(0);
}

void TMainWindow::Halt(int exitCode) { ExitProcess(static_cast<UINT>(exitCode)); }

LRESULT CALLBACK TMainWindow::WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_NCCREATE) {
    auto *create = FromParam<CREATESTRUCTA *>(lParam);
    SetWindowLongPtrA(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
  }
  auto *self = FromParam<TMainWindow *>(GetWindowLongPtrA(window, GWLP_USERDATA));
  if (self == nullptr || self->window_ != window)
    return DefWindowProcA(window, message, wParam, lParam);
  return self->Handle(message, wParam, lParam);
}

LRESULT TMainWindow::Handle(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
  case WM_ERASEBKGND: {
    RECT client;
    GetClientRect(window_, &client);
    PaintGradient(FromParam<HDC>(static_cast<LONG_PTR>(wParam)), client);
    return 1;
  }
  case WM_PAINT:
    Paint();
    return 0;
  case WM_NCHITTEST:
    return DragHitTest(DefWindowProcA(window_, message, wParam, lParam));
  case WM_SIZE:
    if (wParam == SIZE_MAXIMIZED || wParam == SIZE_RESTORED)
      InvalidateRect(window_, nullptr, TRUE);
    break;
  case WM_CTLCOLORSTATIC:
    if (FromParam<HWND>(lParam) == memo_)
      return reinterpret_cast<LRESULT>(MemoBrush(FromParam<HDC>(static_cast<LONG_PTR>(wParam))));
    break;
  case WM_COMMAND:
    OnCommand(wParam);
    return 0;
  case WM_ACTIVATE:
    if (LOWORD(wParam) != WA_INACTIVE)
      PostMessageA(window_, kActivateMessage, 0, 0);
    break;
  case kActivateMessage:
    form_->FormActivate();
    return 0;
  case kDispatchMessage:
    platform::TMainThread::ProcessPending();
    return 0;
  case WM_CLOSE:
    // The system's close request (close box, Alt+F4) is refused; the OK button ends a run.
    if (form_->FormClose(false))
      DestroyWindow(window_);
    return 0;
  case WM_DESTROY:
    form_->FormDestroy();
    window_ = nullptr;
    PostQuitMessage(0);
    return 0;
  default:
    break;
  }
  return DefWindowProcA(window_, message, wParam, lParam);
}

void TMainWindow::OnCommand(WPARAM wParam) {
  const int code = HIWORD(wParam);
  switch (LOWORD(wParam)) {
  case IDC_BUTTON_OK:
    if (code == BN_CLICKED)
      form_->ButtonOkClick();
    break;
  case IDC_BUTTON_LINK:
    if (code == BN_CLICKED)
      form_->ButtonLinkClick();
    break;
  case IDC_MEMO_STATUS:
    if (code == EN_CHANGE)
      MemoChanged();
    else if (code == EN_VSCROLL)
      InvalidateRect(memo_, nullptr, TRUE);
    break;
  default:
    break;
  }
}

void TMainWindow::MemoChanged() {
  // The memo shows the gradient through its text: scrolled pixels are repainted whole.
  InvalidateRect(memo_, nullptr, TRUE);
  SetFocus(buttonOk_);
}

HBRUSH TMainWindow::MemoBrush(HDC dc) {
  if (!gradientBrush_)
    gradientBrush_.reset(CreateGradientBrush(window_));
  RECT memo;
  GetWindowRect(memo_, &memo);
  MapWindowPoints(HWND_DESKTOP, window_, reinterpret_cast<POINT *>(&memo), 2);
  SetBrushOrgEx(dc, -memo.left, -memo.top, nullptr);
  SetTextColor(dc, kTextColor);
  SetBkMode(dc, TRANSPARENT);
  return gradientBrush_.get();
}

void TMainWindow::Paint() {
  PAINTSTRUCT ps;
  HDC dc = BeginPaint(window_, &ps);
  if (logo_) {
    const TMemoryDc memory(dc, logo_.get());
    BitBlt(dc, logoLeft_, kLogoTop, kLogoWidth, kLogoHeight, memory.Get(), 0, 0, SRCCOPY);
  }
  HGDIOBJ oldFont = SelectObject(dc, labelFont_.get());
  SetTextColor(dc, kTextColor);
  SetBkMode(dc, TRANSPARENT);
  TextOutA(dc, kLabelLeft, kLabelTop, kLabelText, static_cast<int>(std::strlen(kLabelText)));
  SelectObject(dc, oldFont);
  EndPaint(window_, &ps);
}

} // namespace ui
