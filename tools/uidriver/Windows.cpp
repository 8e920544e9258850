#include "tools/uidriver/Windows.h"

#include "applet/ui/Win32Cast.h"

#include <cstdio>

namespace uidriver {

namespace {
constexpr UINT kTextTimeoutMs = 5000;
constexpr size_t kClassLength = 256;
constexpr WORD kBitsPerPixel = 24;
constexpr WORD kBitmapType = 0x4D42; // "BM"

struct TSearch {
  DWORD ProcessId;
  bool HiddenToo;
  std::vector<HWND> Found;
};

BOOL CALLBACK CollectTopLevel(HWND window, LPARAM data) {
  auto *search = ui::FromParam<TSearch *>(data);
  DWORD owner = 0;
  GetWindowThreadProcessId(window, &owner);
  if (owner == search->ProcessId && (search->HiddenToo || IsWindowVisible(window)))
    search->Found.push_back(window);
  return TRUE;
}

struct TChildSearch {
  std::string ClassName;
  std::vector<HWND> Found;
};

BOOL CALLBACK CollectChild(HWND window, LPARAM data) {
  auto *search = ui::FromParam<TChildSearch *>(data);
  if (lstrcmpiA(ClassOf(window).c_str(), search->ClassName.c_str()) == 0)
    search->Found.push_back(window);
  return TRUE;
}

std::string WithoutAccelerators(const std::string &text) {
  std::string plain;
  for (char c : text)
    if (c != '&')
      plain += c;
  return plain;
}
} // namespace

std::string ClassOf(HWND window) {
  char name[kClassLength] = {};
  GetClassNameA(window, name, sizeof name);
  return name;
}

std::string TextOf(HWND window) {
  DWORD_PTR length = 0;
  if (!SendMessageTimeoutA(window, WM_GETTEXTLENGTH, 0, 0, SMTO_ABORTIFHUNG, kTextTimeoutMs,
                           &length))
    return std::string();
  std::string text(length + 1, '\0');
  DWORD_PTR copied = 0;
  if (!SendMessageTimeoutA(window, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(&text[0]),
                           SMTO_ABORTIFHUNG, kTextTimeoutMs, &copied))
    return std::string();
  text.resize(copied < text.size() ? copied : text.size() - 1);
  return text;
}

std::vector<HWND> TProcessWindows::Collect(bool hiddenToo) const {
  TSearch search{processId_, hiddenToo, {}};
  EnumWindows(CollectTopLevel, reinterpret_cast<LPARAM>(&search));
  return search.Found;
}

std::vector<HWND> TProcessWindows::TopLevel() const { return Collect(false); }

HWND TProcessWindows::Main() const {
  for (HWND window : TopLevel())
    if (ClassOf(window) != "#32770")
      return window;
  return nullptr;
}

HWND TProcessWindows::Titled(const std::string &title) const {
  for (HWND window : TopLevel())
    if (TextOf(window) == title)
      return window;
  return nullptr;
}

HWND TProcessWindows::TitleEndingWith(const std::string &suffix) const {
  for (HWND window : Collect(true)) {
    const std::string title = TextOf(window);
    if (title.size() >= suffix.size() &&
        title.compare(title.size() - suffix.size(), suffix.size(), suffix) == 0)
      return window;
  }
  return nullptr;
}

std::vector<HWND> ChildrenOfClass(HWND parent, const std::string &className) {
  TChildSearch search{className, {}};
  EnumChildWindows(parent, CollectChild, reinterpret_cast<LPARAM>(&search));
  return search.Found;
}

HWND ButtonCaptioned(HWND parent, const std::string &caption, bool loose) {
  const std::vector<HWND> buttons = ChildrenOfClass(parent, "Button");
  for (HWND button : buttons)
    if (TextOf(button) == caption)
      return button;
  if (loose)
    for (HWND button : buttons)
      if (WithoutAccelerators(TextOf(button)) == WithoutAccelerators(caption))
        return button;
  return nullptr;
}

void PressButton(HWND button) {
  const WPARAM id = static_cast<WPARAM>(GetDlgCtrlID(button));
  PostMessageA(GetParent(button), WM_COMMAND, MAKEWPARAM(id, BN_CLICKED),
               reinterpret_cast<LPARAM>(button));
}

bool SaveClientArea(HWND window, const std::string &file) {
  RECT client;
  GetClientRect(window, &client);
  const int width = client.right;
  const int height = client.bottom;
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof info.bmiHeader;
  info.bmiHeader.biWidth = width;
  info.bmiHeader.biHeight = height;
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = kBitsPerPixel;
  info.bmiHeader.biCompression = BI_RGB;
  void *bits = nullptr;
  HDC source = GetDC(window);
  HDC memory = CreateCompatibleDC(source);
  HBITMAP bitmap = CreateDIBSection(source, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  bool ok = bitmap != nullptr;
  if (ok) {
    HGDIOBJ old = SelectObject(memory, bitmap);
    ok = BitBlt(memory, 0, 0, width, height, source, 0, 0, SRCCOPY) != FALSE;
    GdiFlush();
    SelectObject(memory, old);
  }
  const DWORD rowSize = ((static_cast<DWORD>(width) * 3 + 3) / 4) * 4;
  const DWORD imageSize = rowSize * static_cast<DWORD>(height);
  std::FILE *out = ok ? std::fopen(file.c_str(), "wb") : nullptr;
  if (out != nullptr) {
    BITMAPFILEHEADER header{};
    header.bfType = kBitmapType;
    header.bfOffBits = sizeof header + sizeof info.bmiHeader;
    header.bfSize = header.bfOffBits + imageSize;
    info.bmiHeader.biSizeImage = imageSize;
    const bool written = std::fwrite(&header, sizeof header, 1, out) == 1 &&
                         std::fwrite(&info.bmiHeader, sizeof info.bmiHeader, 1, out) == 1 &&
                         std::fwrite(bits, 1, imageSize, out) == imageSize;
    ok = std::fclose(out) == 0 && written;
  } else {
    ok = false;
  }
  if (bitmap != nullptr)
    DeleteObject(bitmap);
  DeleteDC(memory);
  ReleaseDC(window, source);
  return ok;
}

} // namespace uidriver
