#include "applet/device/DeviceMessages.h"

#include "applet/platform/Platform.h"

namespace device {

namespace {
const char kErrorCaption[] = "Error";

std::string ProgramTitle() {
  std::string name = platform::ExtractFileName(platform::Platform().ModuleFileName());
  const std::string ext = platform::ExtractFileExt(name);
  return name.substr(0, name.size() - ext.size());
}
} // namespace

void ShowPlainMessage(const std::string &text) {
  platform::Platform().ShowMessageBox(text, ProgramTitle(), platform::kMbOk);
}

void ShowErrorMessage(const std::string &text) {
  platform::Platform().ShowMessageBox(text, kErrorCaption,
                                      platform::kMbOk | platform::kMbIconError);
}

} // namespace device
