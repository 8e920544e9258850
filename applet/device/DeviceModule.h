// Start-up and shut-down of the device layer: the ASPI library or the system's SCSI
// pass-through (PassThrough.h), the transport over their two entry points, and the bus scan that
// fills the drive lists (Discovery.h).
#pragma once

#include "applet/device/Aspi.h"
#include "applet/device/PassThrough.h"

#include <string>
#include <vector>

namespace device {

constexpr char kAspiLibraryName[] = "wnaspi32.dll";

// The route requests take to the drives.
enum class TRoute : uint8_t { None, Aspi, PassThrough };

// Loads the ASPI library by name (or path) and, when it loads, opens the transport over its
// entry points, asks for the support information once and scans the buses. Only the first of
// nested start-ups does anything. Returns AspiLoaded().
bool MmcStartup(const std::string &library = kAspiLibraryName);
// The same over entry points linked into the program instead of a library.
bool MmcStartup(const TAspiEntryPoints &entryPoints);
// The same over the system's SCSI pass-through on the drives at paths (every CD device of the
// system when empty). Loaded when at least one drive opened.
bool MmcStartupPassThrough(const std::vector<std::string> &paths = {});
// The applet's choice: the ASPI library as MmcStartup(library); only when it does not load or
// lists no CD recorder, the pass-through; when that finds no CD device either, the ASPI start-up
// stands as it was.
bool MmcStartupAnyRoute(const std::string &library = kAspiLibraryName);
// Undoes the start-up when the last nested start-up ends: frees the library, closes the
// transport and disposes the drive lists.
void MmcShutdown();
// The ASPI layer was loaded (or given) at start-up.
bool AspiLoaded();
TRoute CurrentRoute();
// "ASPI (wnaspi32.dll)", "SCSI pass-through", or "none".
std::string RouteText();
// What opening the pass-through drives found at the last pass-through start-up.
const TPassThroughScan &LastPassThroughScan();
// Asks for or gives up exclusive use of the drive where the route offers it (the pass-through
// on Windows); false where it does not.
bool SetExclusiveAccess(uint8_t adapter, uint8_t target, bool exclusive);

// The argument of the scoped start-up on the applet's choice of route.
struct TAnyRoute {
  std::string Library = kAspiLibraryName;
};

// Start-up for the lifetime of a scope.
class TDeviceModule {
public:
  explicit TDeviceModule(const TAnyRoute &route) { MmcStartupAnyRoute(route.Library); }
  explicit TDeviceModule(const std::string &library = kAspiLibraryName) { MmcStartup(library); }
  explicit TDeviceModule(const TAspiEntryPoints &entryPoints) { MmcStartup(entryPoints); }
  ~TDeviceModule() { MmcShutdown(); }
  TDeviceModule(const TDeviceModule &) = delete;
  TDeviceModule &operator=(const TDeviceModule &) = delete;
};

} // namespace device
