// The main dialog of update.exe: the window side of the version check.
#pragma once

#include "update/UpdateCheck.h"

#include <windows.h>

#include <memory>
#include <type_traits>

namespace update {

class TUpdateDialog : public TUpdateView {
public:
  TUpdateDialog(HINSTANCE instance, TDownloader &downloader, TShell &shell,
                TSettingsSource &settings, bool quiet);
  ~TUpdateDialog() override;
  TUpdateDialog(const TUpdateDialog &) = delete;
  TUpdateDialog &operator=(const TUpdateDialog &) = delete;

  // Runs the dialog; its result (kResultOk or kResultCancel).
  int Run();

  void SetStatus(const std::string &text) override;
  void ShowMessage(const std::string &text, const std::string &caption, TMessageIcon icon) override;
  void SetBusy(bool busy) override;
  void Close(int result) override;

private:
  static INT_PTR CALLBACK DialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  void OnInitDialog();
  bool OnSysCommand(WPARAM command);
  void AddAboutItem();

  HINSTANCE instance_;
  TSettingsSource &settings_;
  bool quiet_;
  TUpdateCheck check_;
  HWND window_ = nullptr;
  // Owners of the dialog's icons and picture: each is given back when the dialog goes.
  struct TIconDestroy {
    void operator()(HICON icon) const { DestroyIcon(icon); }
  };
  struct TObjectDelete {
    void operator()(HGDIOBJ object) const { DeleteObject(object); }
  };
  std::unique_ptr<std::remove_pointer_t<HICON>, TIconDestroy> bigIcon_, smallIcon_;
  std::unique_ptr<std::remove_pointer_t<HBITMAP>, TObjectDelete> picture_;
  HCURSOR savedCursor_ = nullptr;
};

} // namespace update
