// How a command reaches the drives: "--aspi PATH" (an ASPI layer), "--device NODE" (one device
// through the system's SCSI pass-through: SG_IO on Linux, IOCTL_SCSI_PASS_THROUGH_DIRECT on
// "\\.\X:" under Windows), or neither: the ASPI layer by name, and the system's CD devices
// when it does not load or lists no recorder, as the applet chooses.
#pragma once

#include "tools/applet-tool/Command.h"

#include <string>

namespace tool {

struct TDeviceRoute {
  std::string Aspi;
  std::string Device;
};

// Takes "--aspi PATH" and "--device NODE" out of args; false when an option lacks its value or
// both are given.
bool TakeDeviceRoute(TArgs &args, TDeviceRoute &route);

// The device layer started on the route for the lifetime of the scope.
class TRouteModule {
public:
  explicit TRouteModule(const TDeviceRoute &route);
  ~TRouteModule();
  TRouteModule(const TRouteModule &) = delete;
  TRouteModule &operator=(const TRouteModule &) = delete;
  // True when the route has CD devices; otherwise prints why on standard error ("cannot open
  // NODE: permission denied ...", "NODE is not a CD device", "no ASPI layer: ...").
  bool Usable() const;

private:
  TDeviceRoute route_;
};

} // namespace tool
