// Every text the version checker shows, and the settings it reads.
#pragma once

namespace update::texts {

constexpr char kProductName[] = "Verilatch";
constexpr char kAboutVersion[] = "Verilatch 1.0";

constexpr char kSettingsSection[] = "Verilatch";
constexpr char kProgramNameKey[] = "ProgramName";
constexpr char kExistingVersionKey[] = "ExistingVersion";
constexpr char kUpdateUrlKey[] = "UpdateURL";

constexpr char kStartPromptHead[] =
    "Verilatch will check the Internet for the latest version of:\n\n";
constexpr char kRetryPromptHead[] =
    "This program will check the Internet for the latest version of:\n\n";
constexpr char kPromptTail[] =
    "\n\nPlease be sure that you are connected to the Internet and click OK to start.";
constexpr char kGettingInformation[] = "\n\nGetting update information from the Internet...";
constexpr char kJumping[] = "\n\nJumping to update Web site...";

constexpr char kErrorCaption[] = "Error";
constexpr char kSettingsError[] = "Error reading ini file data.";
constexpr char kSessionError[] = "Cannot create Internet Session.";
constexpr char kConnectionCaption[] = "ERROR";
constexpr char kConnectionFailed[] = "Connection failed.";
constexpr char kNoInformation[] = "Cannot get information from the Web.\nPlease make sure that "
                                  "you are connected\nto the Internet and try again.\n";
constexpr char kInvalidUrl[] = "Invalid URL.";
constexpr char kInfoCaption[] = "Update Info";
constexpr char kLatest[] = "You have the latest version!";

constexpr char kExecuteErrorCaption[] = "Execute Error";

} // namespace update::texts
