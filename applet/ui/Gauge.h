// The progress gauge: a horizontal bar inside a one-pixel border. It answers the progress
// bar's PBM_SETPOS, PBM_GETPOS and PBM_SETRANGE32 messages, so test tools read it like one.
#pragma once

#include <windows.h>

namespace ui {

inline constexpr const char *kGaugeClass = "QlnGauge";

// Registers the window class once per process.
void RegisterGaugeClass(HINSTANCE instance);

} // namespace ui
