// The few message boxes the device layer shows, through the platform layer.
#pragma once

#include <string>

namespace device {

// A plain box with an OK button, captioned with the program's name.
void ShowPlainMessage(const std::string &text);
// An error box with an OK button.
void ShowErrorMessage(const std::string &text);

} // namespace device
