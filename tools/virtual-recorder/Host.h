// What the recorder needs of the operating system: signalling a caller's completion event and
// the folder of the library itself. One implementation per system (posix/, win32/).
#pragma once

#include <string>

namespace vrec {
namespace host {

// Signals the event of an SRB_EVENT_NOTIFY request.
void SignalEvent(void *event);
// The folder of the module holding this code, with a trailing separator; "" if unknown.
std::string ModuleFolder();
// Keeps the module holding this code loaded until the process ends: its threads run on
// after the program has freed the library.
void KeepLoaded();

} // namespace host
} // namespace vrec
