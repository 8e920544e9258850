// Creation of the modules the session talks to, in the order start-up creates them. Each
// factory hands out the module that stands in that place today; the module that owns the
// work replaces its stand-in here.
#pragma once

#include "applet/session/SessionPorts.h"

#include <memory>

namespace session {

// Loads the ASPI layer and builds the recorder list (before any window exists).
std::unique_ptr<TDevicePort> CreateDeviceLayer();
// Statistics storage, result report, help pages and clean-up.
std::unique_ptr<TEndingPort> CreateEnding();
std::unique_ptr<TBurnPort> CreateBurnModule();
std::unique_ptr<TStagingPort> CreatePackageModule();

} // namespace session
