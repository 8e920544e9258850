// Tiny owners of GDI resources: each gives its handle back when it goes out of scope.
#pragma once

#include <windows.h>

#include <memory>
#include <type_traits>

namespace ui {

struct TGdiDelete {
  void operator()(HGDIOBJ object) const { DeleteObject(object); }
};
// A brush, font or bitmap, deleted when its owner goes.
template <class H> using TGdiOwner = std::unique_ptr<std::remove_pointer_t<H>, TGdiDelete>;

// A memory device context compatible with dc, with object selected into it while it lives.
class TMemoryDc {
public:
  TMemoryDc(HDC dc, HGDIOBJ object)
      : dc_(CreateCompatibleDC(dc)), old_(SelectObject(dc_, object)) {}
  ~TMemoryDc() {
    SelectObject(dc_, old_);
    DeleteDC(dc_);
  }
  TMemoryDc(const TMemoryDc &) = delete;
  TMemoryDc &operator=(const TMemoryDc &) = delete;
  HDC Get() const { return dc_; }

private:
  HDC dc_;
  HGDIOBJ old_;
};

// A window's device context, released when it goes.
class TWindowDc {
public:
  explicit TWindowDc(HWND window) : window_(window), dc_(GetDC(window)) {}
  ~TWindowDc() { ReleaseDC(window_, dc_); }
  TWindowDc(const TWindowDc &) = delete;
  TWindowDc &operator=(const TWindowDc &) = delete;
  HDC Get() const { return dc_; }

private:
  HWND window_;
  HDC dc_;
};

} // namespace ui
