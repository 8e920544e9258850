// The session's device port over the device layer: the ASPI library is loaded (or, when it does
// not load or lists no recorder, the system's SCSI pass-through opened) and the buses scanned
// when the port is created, and released when it is destroyed. The program creates the
// port first thing at start-up, so the recorder list exists before any window.
#pragma once

#include "applet/device/Aspi.h"
#include "applet/device/DeviceModule.h"
#include "applet/device/DriveData.h"
#include "applet/session/SessionPorts.h"

#include <memory>
#include <string>

namespace session {

// The fields the session reads of a recorder found by discovery.
TRecorderInfo RecorderInfoOf(const device::TDriveData &drive);

// Loads the ASPI library by name (or path), or opens the pass-through, and scans the buses.
std::unique_ptr<TDevicePort>
CreateAspiDeviceLayer(const std::string &library = device::kAspiLibraryName);
// The same over an ASPI layer linked into the program.
std::unique_ptr<TDevicePort> CreateAspiDeviceLayer(const device::TAspiEntryPoints &entryPoints);

} // namespace session
