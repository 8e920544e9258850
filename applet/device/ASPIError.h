// Readable texts for the status of a failed device command.
#pragma once

#include "applet/device/CommandStatus.h"

#include <cstdint>
#include <string>

namespace device {

// The sense text with the three sense bytes for a check condition, else the three-line form
// of ASPI, host adapter and target status names (CR LF between the lines).
std::string CommandStatusText(const TCommandStatus &status);

std::string AspiResultName(uint8_t code);
std::string HostAdapterStatusName(uint8_t code);
std::string TargetStatusName(uint8_t code);
std::string SenseText(uint8_t key, uint8_t asc, uint8_t ascq);

} // namespace device
