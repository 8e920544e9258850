// A packet of whole sectors on its way to the recorder: the device layer's write request,
// which is also the unit the sector cache stores.
#pragma once

#include "applet/device/DriveData.h"

namespace recording {

using TWriteRequest = device::TWriteRequest;

} // namespace recording
