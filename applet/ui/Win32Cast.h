// Handles and pointers that the Win32 message protocol carries in integer parameters.
#pragma once

#include <windows.h>

namespace ui {

template <class T> T FromParam(LONG_PTR value) {
  // The protocol itself puts these pointers into integers; nothing else converts this way.
  return reinterpret_cast<T>(value); // NOLINT(performance-no-int-to-ptr)
}

} // namespace ui
