// CD devices: the device list, the blank-disc test and the eject. Each command starts the device
// layer on its route (DeviceRoute.h) and scans the buses as the applet does at start-up.
#include "applet/device/ASPIError.h"
#include "applet/device/DeviceModule.h"
#include "applet/device/Discovery.h"
#include "applet/device/MMC.h"
#include "tools/applet-tool/Command.h"
#include "tools/applet-tool/DeviceRoute.h"

#include <cstdint>
#include <cstdio>
#include <string>

namespace tool {
namespace {

constexpr long long kMaxId = 0xFF;

bool ParseId(const std::string &text, uint8_t &id) {
  long long value = 0;
  if (!ParseNumber(text, value) || value < 0 || value > kMaxId)
    return false;
  id = static_cast<uint8_t>(value);
  return true;
}

// Parses "[--aspi PATH | --device NODE] HA TARGET".
bool ParseDriveArgs(const TArgs &args, TDeviceRoute &route, uint8_t &adapter, uint8_t &target) {
  TArgs rest = args;
  return TakeDeviceRoute(rest, route) && rest.size() == 2 && ParseId(rest[0], adapter) &&
         ParseId(rest[1], target);
}

const char *YesNo(bool value) { return value ? "yes" : "no"; }

std::string FactorText(int16_t factor) {
  return factor < 0 ? std::string("unknown") : std::to_string(factor);
}

std::string JoinSpeeds(const device::TSpeedList &list) {
  std::string text;
  for (const device::TSpeedEntry &e : list)
    text += (text.empty() ? "" : ",") + e.Text;
  return text;
}

void PrintDevice(const device::TDriveListEntry &entry) {
  const device::TDriveData &d = *entry.Drive;
  std::printf("%s\n", entry.Name.c_str());
  std::printf("  recorder %s\n  sao %s\n  raw %s\n  tao %s\n", YesNo(d.IsRecorder), YesNo(d.CanSAO),
              YesNo(d.CanRaw), YesNo(d.CanTAO));
  std::printf("  maxwrite %s\n  maxread %s\n", FactorText(d.MaxWriteX).c_str(),
              FactorText(d.MaxReadX).c_str());
  std::printf("  write-speeds %s\n  read-speeds %s\n", JoinSpeeds(d.WriteSpeeds).c_str(),
              JoinSpeeds(d.ReadSpeeds).c_str());
  std::printf("  vendor %s\n  product %s\n  revision %s\n", d.Vendor.c_str(), d.Product.c_str(),
              d.Revision.c_str());
  const std::string path = device::PassThroughPath(d.HaId, d.Target);
  if (device::CurrentRoute() == device::TRoute::PassThrough && !path.empty())
    std::printf("  path %s\n", path.c_str());
}

const char kDrivesUsage[] = "drives [--aspi PATH | --device NODE]";
int Drives(const TArgs &args) {
  TArgs rest = args;
  TDeviceRoute route;
  if (!TakeDeviceRoute(rest, route) || !rest.empty())
    return Usage(kDrivesUsage);
  const TRouteModule module(route);
  if (!module.Usable())
    return 1;
  if (device::AllDevices().empty())
    std::fprintf(stderr, "applet-tool: no CD devices found\n");
  for (const device::TDriveListEntry &entry : device::AllDevices())
    PrintDevice(entry);
  return 0;
}

const char kBlankUsage[] = "blank [--aspi PATH | --device NODE] HA TARGET";
int Blank(const TArgs &args) {
  TDeviceRoute route;
  uint8_t adapter = 0, target = 0;
  if (!ParseDriveArgs(args, route, adapter, target))
    return Usage(kBlankUsage);
  const TRouteModule module(route);
  if (!module.Usable())
    return 1;
  std::printf("%s\n", device::IsDiscBlank(adapter, target) ? "blank" : "not blank");
  return 0;
}

const char kEjectUsage[] = "eject [--aspi PATH | --device NODE] HA TARGET";
int Eject(const TArgs &args) {
  TDeviceRoute route;
  uint8_t adapter = 0, target = 0;
  if (!ParseDriveArgs(args, route, adapter, target))
    return Usage(kEjectUsage);
  const TRouteModule module(route);
  if (!module.Usable())
    return 1;
  device::TCommandStatus status;
  if (device::StartStopUnit(adapter, target, device::TStartStopAction::Eject, &status)) {
    std::fprintf(stderr, "applet-tool: eject failed: %s\n",
                 device::CommandStatusText(status).c_str());
    return 1;
  }
  return 0;
}

const TCommandRegistration kDrives("drives", kDrivesUsage, Drives);
const TCommandRegistration kBlank("blank", kBlankUsage, Blank);
const TCommandRegistration kEject("eject", kEjectUsage, Eject);

} // namespace
} // namespace tool
