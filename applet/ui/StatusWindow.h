// The recording status window: a Win32 debug view of a TStatusForm. The form holds the state
// and the logic; this window only mirrors it and passes its buttons and closing back.
#pragma once

#include "applet/recording/Status.h"

#include <windows.h>

#include <string>

namespace ui {

class TStatusWindow : public recording::TStatusView {
public:
  // owner: the form hidden while this window shows and whose caption is the application
  // title (may be null). The window is created hidden and attaches itself to form.
  TStatusWindow(recording::TStatusForm &form, HWND owner, const std::string &caption);
  ~TStatusWindow() override;
  TStatusWindow(const TStatusWindow &) = delete;
  TStatusWindow &operator=(const TStatusWindow &) = delete;

  HWND Handle() const { return window_; }

  void Refresh(const recording::TStatusControls &controls) override;
  void SetVisible(bool visible) override;
  void SetOwnerVisible(bool visible) override;
  void SetScreenSaverActive(bool active) override;
  bool ScreenSaverActive() override;
  std::string ApplicationTitle() override;
  void SetApplicationTitle(const std::string &title) override;
  void CopyLogToClipboard() override;

private:
  static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam);
  void CreateControls();
  void Layout();
  void AppendLines(const recording::TStatusControls &controls);

  recording::TStatusForm &form_;
  HWND owner_;
  HWND window_ = nullptr;
  HWND operation_ = nullptr;
  HWND trackText_ = nullptr;
  HWND trackBar_ = nullptr;
  HWND totalText_ = nullptr;
  HWND totalBar_ = nullptr;
  HWND cacheText_ = nullptr;
  HWND cacheBar_ = nullptr;
  HWND memo_ = nullptr;
  HWND copyButton_ = nullptr;
  HWND okButton_ = nullptr;
  HWND cancelButton_ = nullptr;
  int topPanelHeight_ = recording::kTopPanelHeight;
  size_t linesShown_ = 0;
  std::string trackLabel_;
  std::string title_; // the application title when there is no owner
};

} // namespace ui
