#include "tools/applet-tool/DeviceRoute.h"

#include "applet/device/DeviceModule.h"
#include "applet/device/Discovery.h"

#include <cstdio>

namespace tool {

namespace {
// Takes "NAME VALUE" out of args into value; false when the value is missing.
bool TakeOption(TArgs &args, const char *name, std::string &value) {
  for (size_t i = 0; i < args.size(); ++i) {
    if (args[i] != name)
      continue;
    if (i + 1 >= args.size() || !value.empty())
      return false;
    value = args[i + 1];
    args.erase(args.begin() + static_cast<std::ptrdiff_t>(i),
               args.begin() + static_cast<std::ptrdiff_t>(i) + 2);
    --i;
  }
  return true;
}
} // namespace

bool TakeDeviceRoute(TArgs &args, TDeviceRoute &route) {
  route = TDeviceRoute();
  return TakeOption(args, "--aspi", route.Aspi) && TakeOption(args, "--device", route.Device) &&
         (route.Aspi.empty() || route.Device.empty());
}

TRouteModule::TRouteModule(const TDeviceRoute &route) : route_(route) {
  if (!route_.Device.empty())
    device::MmcStartupPassThrough({route_.Device});
  else if (!route_.Aspi.empty())
    device::MmcStartup(route_.Aspi);
  else
    device::MmcStartupAnyRoute();
}

TRouteModule::~TRouteModule() { device::MmcShutdown(); }

bool TRouteModule::Usable() const {
  if (!route_.Device.empty()) {
    const device::TPassThroughScan &scan = device::LastPassThroughScan();
    if (scan.Opened == 0) {
      std::fprintf(stderr, "applet-tool: cannot open %s%s\n", scan.FirstProblem.c_str(),
                   scan.Denied > 0 ? " (CD devices need membership in the cdrom group)" : "");
      return false;
    }
    if (device::AllDevices().empty()) {
      std::fprintf(stderr, "applet-tool: %s is not a CD device\n", route_.Device.c_str());
      return false;
    }
    return true;
  }
  if (device::AspiLoaded())
    return true;
  std::fprintf(stderr, "applet-tool: no ASPI layer: cannot load %s\n",
               route_.Aspi.empty() ? device::kAspiLibraryName : route_.Aspi.c_str());
  return false;
}

} // namespace tool
