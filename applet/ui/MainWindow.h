// The Win32 main window: a thin view over the session, and the application's message loop.
#pragma once

#include "applet/session/SessionPorts.h"
#include "applet/ui/GdiOwners.h"

#include <windows.h>

#include <string>

namespace session {
class TFormMain;
}

namespace ui {

// The main window's caption, the application title.
constexpr char kApplicationTitle[] = "QLN Applet";

class TMainWindow final : public session::TMainView, public session::TApplicationPort {
public:
  explicit TMainWindow(HINSTANCE instance);
  ~TMainWindow() override;
  TMainWindow(const TMainWindow &) = delete;
  TMainWindow &operator=(const TMainWindow &) = delete;

  // Creates the window and its controls, then runs the form's FormCreate.
  bool Create(session::TFormMain &form);
  // Shows the window centred on the desktop; its first activation starts the session.
  void Show();
  // The message loop; returns when the application terminates.
  int Run();
  HWND Window() const { return window_; }

  // TMainView
  void AddMemoLine(const std::string &line) override;
  std::string MemoText() override;
  void SetMemoText(const std::string &text) override;
  void SetOkCaption(const std::string &caption) override;
  void SetProgress(int value) override;
  void SetTitle(const std::string &title) override;
  void Beep() override;

  // TApplicationPort
  void ProcessMessages() override;
  void WaitForMessages(uint32_t ms) override;
  bool Terminated() override { return terminated_; }
  void Terminate() override;
  [[noreturn]] void Halt(int exitCode) override;

private:
  static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  LRESULT Handle(UINT message, WPARAM wParam, LPARAM lParam);
  void CreateControls();
  void Paint();
  void OnCommand(WPARAM wParam);
  // The memo's change handler: the keyboard focus moves to the OK button.
  void MemoChanged();
  HBRUSH MemoBrush(HDC dc);

  HINSTANCE instance_;
  session::TFormMain *form_ = nullptr;
  HWND window_ = nullptr;
  HWND memo_ = nullptr;
  HWND buttonOk_ = nullptr;
  HWND gauge_ = nullptr;
  TGdiOwner<HFONT> font_;
  TGdiOwner<HFONT> labelFont_;
  TGdiOwner<HBITMAP> logo_;
  TGdiOwner<HBRUSH> gradientBrush_;
  int logoLeft_ = 0;
  bool terminated_ = false;
  int exitCode_ = 0;
};

} // namespace ui
