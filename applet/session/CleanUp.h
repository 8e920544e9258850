// The clean-up at the end of a run: the staged tracks, the decoder library and the package
// working file are deleted; after a successful recording a hidden batch file also deletes the
// applet's program file once the process has ended. Only the liner notes and the cover stay.
#pragma once

#include <string>
#include <vector>

namespace session {

// The lines of the self-removal batch for the program file programName in folder (ending in
// a backslash), with every "%" of the names doubled.
std::vector<std::string> SelfRemovalBatchLines(const std::string &folder,
                                               const std::string &programName);

// Deletes the working files; with selfRemoval writes the self-removal batch first and starts
// it hidden last. It never unloads the decoder: the caller does that first, through the burn
// module, which keeps it loaded while a recording thread still runs. Errors are silent: a file
// that is missing or locked (a library still loaded) stays, and a batch that could not be
// written is not started.
void CleanUp(bool selfRemoval);

} // namespace session
