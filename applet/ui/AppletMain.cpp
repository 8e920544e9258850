// applet.exe: the program start. The device layer starts first; then a package switch runs its
// job without a window, a program file without a package ends at once, and otherwise the main
// window, the burn module and the package module are created in this order and the message
// loop runs until the session ends the process.
#include "applet/common/CommonUtils.h"
#include "applet/platform/Dispatcher.h"
#include "applet/platform/Platform.h"
#include "applet/session/Modules.h"
#include "applet/session/Startup.h"
#include "applet/session/UnitMain.h"
#include "applet/ui/MainWindow.h"
#include "applet/ui/StatusWindow.h"

#include <windows.h>

#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

namespace {
std::vector<std::string> CommandLineArguments() {
  return std::vector<std::string>(__argv, __argv + __argc);
}
} // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
  platform::TMainThread::Adopt();
  common::SetCommandLineArguments(CommandLineArguments());
  const session::TStartMode mode = session::ChooseStartMode();
  // One run per folder: a second one ends before it touches a file, the recorder or the
  // registry.
  if (mode != session::TStartMode::NoPackage && !session::ClaimAppletFolder()) {
    if (mode == session::TStartMode::Session)
      platform::Platform().ShowMessageBox(session::kFolderBusyText, ui::kApplicationTitle,
                                          platform::kMbOk | platform::kMbIconInformation);
    return session::kFolderBusyExitCode;
  }
  const std::unique_ptr<session::TDevicePort> device = session::CreateDeviceLayer();

  switch (mode) {
  case session::TStartMode::PackageJob: {
    const std::unique_ptr<session::TStagingPort> job = session::CreatePackageModule();
    job->DispatchPackageMode(nullptr);
    return job->JobExitCode();
  }
  case session::TStartMode::NoPackage:
    return 0;
  case session::TStartMode::Session:
    break;
  }

  const std::unique_ptr<session::TEndingPort> ending = session::CreateEnding();
  ui::TMainWindow window(instance);
  session::TFormMain form(window, window, *device, *ending);
  if (!window.Create(form))
    return 0;
  const std::unique_ptr<session::TBurnPort> burn = session::CreateBurnModule();
  // The recording's status window stays hidden; it holds the recording's log.
  const ui::TStatusWindow status(burn->Status(), window.Window(), ui::kApplicationTitle);
  const std::unique_ptr<session::TStagingPort> staging = session::CreatePackageModule();
  form.AttachModules(*burn, *staging);
  window.Show();
  return window.Run();
}
