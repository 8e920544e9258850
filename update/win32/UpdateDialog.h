// The main dialog of update.exe: the window side of the version check.
#pragma once

#include "update/UpdateCheck.h"

#include <windows.h>

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
  HICON bigIcon_ = nullptr;
  HICON smallIcon_ = nullptr;
  HBITMAP picture_ = nullptr;
  HCURSOR savedCursor_ = nullptr;
};

} // namespace update
