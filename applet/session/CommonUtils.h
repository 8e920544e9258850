// The session's helpers: the file and command-line helpers of the lower library, the
// connection state, and the message-pumping pauses.
#pragma once

#include "applet/common/CommonUtils.h"
#include "applet/common/WorkingNames.h"

#include <cstdint>

namespace session {

class TApplicationPort;

using common::AppletFilePath;
using common::CopyFileAs;
using common::EFOpenError;
using common::FileSizeBetween;
using common::FileSizeOf;
using common::HasSwitch;
using common::SameText;
using common::SetCommandLineArguments;
using common::TempTrackName;

using common::kBatchName;
using common::kCoverName;
using common::kDecoderName;
using common::kLinerNotesName;
using common::kListingName;
using common::kMaxTracks;
using common::kPackageWorkName;
using common::kRebuiltAppletName;

bool IsConnected();

// Processes window messages until ms milliseconds have passed on the system tick count,
// sleeping while nothing happens; returns early once the application is terminating.
void DelayPumping(TApplicationPort &application, uint32_t ms);
// Processes window messages until the application is terminating.
void PumpUntilTerminated(TApplicationPort &application);

} // namespace session
