// On Windows the completion event is a Win32 event handle.
#include "tools/virtual-recorder/Host.h"

#include <windows.h>

namespace vrec {
namespace host {

void SignalEvent(void *event) { ::SetEvent(static_cast<HANDLE>(event)); }

std::string ModuleFolder() {
  HMODULE module = nullptr;
  if (!::GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS |
                                GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                            reinterpret_cast<LPCSTR>(&ModuleFolder), &module))
    return std::string();
  char path[MAX_PATH];
  const DWORD n = ::GetModuleFileNameA(module, path, sizeof path);
  if (n == 0 || n >= sizeof path)
    return std::string();
  const std::string full(path, n);
  const size_t slash = full.find_last_of("\\/");
  return slash == std::string::npos ? std::string() : full.substr(0, slash + 1);
}

void KeepLoaded() {
  HMODULE module = nullptr;
  ::GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_PIN,
                       reinterpret_cast<LPCSTR>(&KeepLoaded), &module);
}

} // namespace host
} // namespace vrec
