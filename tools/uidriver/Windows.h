// Finding and reading the windows of another process.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

namespace uidriver {

std::string ClassOf(HWND window);
std::string TextOf(HWND window);
// The windows of one process.
class TProcessWindows {
public:
  explicit TProcessWindows(DWORD processId) : processId_(processId) {}
  // The visible top-level windows, in z-order.
  std::vector<HWND> TopLevel() const;
  // The main window: the first visible top-level window that is not a dialog box.
  HWND Main() const;
  // A visible top-level window with exactly this title.
  HWND Titled(const std::string &title) const;
  // A top-level window, visible or hidden, whose title ends with suffix.
  HWND TitleEndingWith(const std::string &suffix) const;

private:
  std::vector<HWND> Collect(bool hiddenToo) const;
  DWORD processId_;
};
// The children of a window whose class is className (compared without regard to case).
std::vector<HWND> ChildrenOfClass(HWND parent, const std::string &className);
// The child button whose caption is caption; with loose, also a caption that differs only by
// its "&" accelerator marks.
HWND ButtonCaptioned(HWND parent, const std::string &caption, bool loose);
// Presses a button as a click would, without waiting for its handler.
void PressButton(HWND button);
// Saves the client area as a 24-bit BMP file.
bool SaveClientArea(HWND window, const std::string &file);

} // namespace uidriver
