// Small helpers every part of the applet uses: the command line, the applet's folder, file
// sizes and copies, the connection state, and the message-pumping pause.
#pragma once

#include "applet/platform/Platform.h"

#include <cstdint>
#include <stdexcept>
#include <string>
#include <vector>

namespace session {

class TApplicationPort;

// Staged file names, all in the applet's folder.
inline constexpr const char *kLinerNotesName = "linernotes.htm";
inline constexpr const char *kCoverName = "jewelcasecover.jpg";
inline constexpr const char *kDecoderName = "qlnxaudio.dll";
inline constexpr const char *kPackageWorkName = "qlnc.ql";
inline constexpr const char *kRebuiltAppletName = "qln1etmp.ql";
inline constexpr const char *kBatchName = "qln1ebat.bat";
inline constexpr const char *kListingName = "qln1e.ini";
// A package holds at most this many tracks, staged as TempTrackName(1..kMaxTracks).
inline constexpr int kMaxTracks = 24;

// Raised when a file cannot be opened for reading.
class EFOpenError : public std::runtime_error {
public:
  explicit EFOpenError(const std::string &path);
};

// The process's command line: argument 0 is the program, then its arguments. Start-up sets
// it once; tests set their own.
void SetCommandLineArguments(std::vector<std::string> arguments);
// True when one of the arguments 1..count equals text, ignoring case.
bool HasSwitch(const std::string &text);

// name in the applet's folder: the folder is put in front unless name already lies there.
std::string AppletFilePath(const std::string &name);
// "QlnT-" n ".mp3"
std::string TempTrackName(int n);
// The size in bytes of a file that can be opened for reading; EFOpenError otherwise.
int64_t FileSizeOf(const std::string &path);
bool FileSizeBetween(const std::string &path, int64_t minimum, int64_t maximum);
// Copies source to target, keeping its date; with failIfExists an existing target is kept.
// True on success.
bool CopyFileAs(const std::string &source, const std::string &target, bool failIfExists);
bool IsConnected();

// Processes window messages until ms milliseconds have passed on the system tick count,
// sleeping while nothing happens; returns early once the application is terminating.
void DelayPumping(TApplicationPort &application, uint32_t ms);
// Processes window messages until the application is terminating.
void PumpUntilTerminated(TApplicationPort &application);

using platform::SameText;

} // namespace session
