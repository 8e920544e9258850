#include "update/win32/UpdateDialog.h"

#include "update/UpdateTexts.h"
#include "update/win32/resource.h"

namespace update {

namespace {
// Window-menu commands carry their own id in all but the low four bits.
constexpr WPARAM kSystemCommandMask = 0xFFF0;
constexpr int kMenuTextSize = 256;

UINT IconStyle(TMessageIcon icon) {
  switch (icon) {
  case TMessageIcon::Stop:
    return MB_ICONSTOP;
  case TMessageIcon::Warning:
    return MB_ICONWARNING;
  case TMessageIcon::Information:
    return MB_ICONINFORMATION;
  case TMessageIcon::None:
    break;
  }
  return 0;
}

HICON LoadAppIcon(HINSTANCE instance, int widthMetric, int heightMetric) {
  return static_cast<HICON>(LoadImageA(instance, MAKEINTRESOURCEA(IDR_MAINFRAME), IMAGE_ICON,
                                       GetSystemMetrics(widthMetric),
                                       GetSystemMetrics(heightMetric), 0));
}

// Dialog procedures have the signature Win32 gives them.
// NOLINTNEXTLINE(bugprone-easily-swappable-parameters)
INT_PTR CALLBACK AboutProc(HWND window, UINT message, WPARAM wParam, LPARAM) {
  switch (message) {
  case WM_INITDIALOG:
    SetDlgItemTextA(window, IDC_ABOUT_VERSION, texts::kAboutVersion);
    return TRUE;
  case WM_COMMAND:
    if (LOWORD(wParam) == IDOK || LOWORD(wParam) == IDCANCEL) {
      EndDialog(window, LOWORD(wParam));
      return TRUE;
    }
    break;
  default:
    break;
  }
  return FALSE;
}
} // namespace

TUpdateDialog::TUpdateDialog(HINSTANCE instance, TDownloader &downloader, TShell &shell,
                             TSettingsSource &settings, bool quiet)
    : instance_(instance), settings_(settings), quiet_(quiet),
      check_(*this, downloader, shell, quiet) {}

TUpdateDialog::~TUpdateDialog() = default;

int TUpdateDialog::Run() {
  return static_cast<int>(DialogBoxParamA(instance_, MAKEINTRESOURCEA(IDD_UPDATE_DIALOG), nullptr,
                                          DialogProc, reinterpret_cast<LPARAM>(this)));
}

// NOLINTNEXTLINE(bugprone-easily-swappable-parameters)
INT_PTR CALLBACK TUpdateDialog::DialogProc(HWND window, UINT message, WPARAM wParam,
                                           LPARAM lParam) {
  if (message == WM_INITDIALOG) {
    // The dialog object travels as the creation parameter and the window's user data.
    auto *dialog = reinterpret_cast<TUpdateDialog *>(lParam); // NOLINT(performance-no-int-to-ptr)
    SetWindowLongPtrA(window, DWLP_USER, lParam);
    dialog->window_ = window;
    dialog->OnInitDialog();
    return TRUE;
  }
  auto *dialog = reinterpret_cast<TUpdateDialog *>( // NOLINT(performance-no-int-to-ptr)
      GetWindowLongPtrA(window, DWLP_USER));
  if (dialog == nullptr)
    return FALSE;
  switch (message) {
  case WM_COMMAND:
    if (LOWORD(wParam) == IDOK) {
      dialog->check_.Check();
      return TRUE;
    }
    if (LOWORD(wParam) == IDCANCEL) {
      dialog->Close(kResultCancel);
      return TRUE;
    }
    break;
  case WM_SYSCOMMAND:
    return dialog->OnSysCommand(wParam);
  default:
    break;
  }
  return FALSE;
}

void TUpdateDialog::OnInitDialog() {
  if (quiet_) {
    WINDOWPLACEMENT placement{};
    placement.length = sizeof placement;
    GetWindowPlacement(window_, &placement);
    placement.showCmd = SW_SHOWMINIMIZED;
    SetWindowPlacement(window_, &placement);
  }
  SetWindowTextA(window_, texts::kProductName);
  AddAboutItem();
  bigIcon_.reset(LoadAppIcon(instance_, SM_CXICON, SM_CYICON));
  smallIcon_.reset(LoadAppIcon(instance_, SM_CXSMICON, SM_CYSMICON));
  SendMessageA(window_, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(bigIcon_.get()));
  SendMessageA(window_, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(smallIcon_.get()));
  picture_.reset(static_cast<HBITMAP>(
      LoadImageA(instance_, MAKEINTRESOURCEA(IDB_PICTURE), IMAGE_BITMAP, 0, 0, 0)));
  SendDlgItemMessageA(window_, IDC_PICTURE, STM_SETIMAGE, IMAGE_BITMAP,
                      reinterpret_cast<LPARAM>(picture_.get()));
  check_.Start(settings_);
}

void TUpdateDialog::AddAboutItem() {
  char text[kMenuTextSize] = {};
  const HMENU menu = GetSystemMenu(window_, FALSE);
  if (menu == nullptr || LoadStringA(instance_, IDS_ABOUTBOX, text, sizeof text) <= 0)
    return;
  AppendMenuA(menu, MF_SEPARATOR, 0, nullptr);
  AppendMenuA(menu, MF_STRING, IDM_ABOUTBOX, text);
}

bool TUpdateDialog::OnSysCommand(WPARAM command) {
  if ((command & kSystemCommandMask) != IDM_ABOUTBOX)
    return false;
  DialogBoxParamA(instance_, MAKEINTRESOURCEA(IDD_ABOUTBOX), window_, AboutProc, 0);
  return true;
}

void TUpdateDialog::SetStatus(const std::string &text) {
  SetDlgItemTextA(window_, IDC_STATUS, text.c_str());
}

void TUpdateDialog::ShowMessage(const std::string &text, const std::string &caption,
                                TMessageIcon icon) {
  MessageBoxA(window_, text.c_str(), caption.c_str(), MB_OK | IconStyle(icon));
}

void TUpdateDialog::SetBusy(bool busy) {
  if (busy) {
    savedCursor_ = SetCursor(LoadCursorA(nullptr, IDC_WAIT));
  } else {
    SetCursor(savedCursor_);
    savedCursor_ = nullptr;
  }
}

void TUpdateDialog::Close(int result) { EndDialog(window_, result); }

} // namespace update
