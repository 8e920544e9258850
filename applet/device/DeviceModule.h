// Start-up and shut-down of the device layer: the ASPI library, the transport over its two
// entry points, and the bus scan that fills the drive lists (Discovery.h).
#pragma once

#include "applet/device/Aspi.h"

#include <string>

namespace device {

constexpr char kAspiLibraryName[] = "wnaspi32.dll";

// Loads the ASPI library by name (or path) and, when it loads, opens the transport over its
// entry points, asks for the support information once and scans the buses. Only the first of
// nested start-ups does anything. Returns AspiLoaded().
bool MmcStartup(const std::string &library = kAspiLibraryName);
// The same over entry points linked into the program instead of a library.
bool MmcStartup(const TAspiEntryPoints &entryPoints);
// Undoes the start-up when the last nested start-up ends: frees the library, closes the
// transport and disposes the drive lists.
void MmcShutdown();
// The ASPI layer was loaded (or given) at start-up.
bool AspiLoaded();

// Start-up for the lifetime of a scope.
class TDeviceModule {
public:
  explicit TDeviceModule(const std::string &library = kAspiLibraryName) { MmcStartup(library); }
  explicit TDeviceModule(const TAspiEntryPoints &entryPoints) { MmcStartup(entryPoints); }
  ~TDeviceModule() { MmcShutdown(); }
  TDeviceModule(const TDeviceModule &) = delete;
  TDeviceModule &operator=(const TDeviceModule &) = delete;
};

} // namespace device
