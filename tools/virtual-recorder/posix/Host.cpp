// On POSIX systems the program's completion event is its platform event object.
#include "tools/virtual-recorder/Host.h"

#include "applet/platform/Sync.h"

#include <dlfcn.h>

namespace vrec {
namespace host {

void SignalEvent(void *event) { static_cast<platform::TEvent *>(event)->SetEvent(); }

std::string ModuleFolder() {
  Dl_info info{};
  if (dladdr(reinterpret_cast<void *>(&ModuleFolder), &info) == 0 || info.dli_fname == nullptr)
    return std::string();
  const std::string path = info.dli_fname;
  const size_t slash = path.rfind('/');
  return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

void KeepLoaded() {
  Dl_info info{};
  if (dladdr(reinterpret_cast<void *>(&KeepLoaded), &info) != 0 && info.dli_fname != nullptr)
    dlopen(info.dli_fname, RTLD_NOW | RTLD_NOLOAD | RTLD_NODELETE);
}

} // namespace host
} // namespace vrec
