// Finding and reading the windows of another process.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

namespace uidriver {

std::string ClassOf(HWND window);
std::string TextOf(HWND window);
// The visible top-level windows of a process, in z-order.
std::vector<HWND> TopLevelWindows(DWORD processId);
// The process's main window: its first visible top-level window that is not a dialog box.
HWND MainWindow(DWORD processId);
// A visible top-level window of the process with exactly this title.
HWND WindowTitled(DWORD processId, const std::string &title);
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
