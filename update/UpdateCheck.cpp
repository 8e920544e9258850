#include "update/UpdateCheck.h"

#include "update/Fetch.h"
#include "update/UpdateTexts.h"
#include "update/VersionText.h"

#include <iterator>

namespace update {

namespace {
struct TExecuteError {
  int Answer;
  const char *Text;
};

constexpr TExecuteError kExecuteErrors[] = {
    {0, "The operating system is out of memory or resources."},
    {2, "The specified file was not found."},
    {3, "The specified path was not found."},
    {8, "There was not enough memory to complete the operation."},
    {31, "There is no application associated with the given file name extension."},
};
constexpr char kUnspecifiedExecuteError[] = "Unspecified execute error.";

std::string Prompt(const char *head, const std::string &programName) {
  return head + programName + texts::kPromptTail;
}

class TBusy {
public:
  explicit TBusy(TUpdateView &view) : view_(view) { view_.SetBusy(true); }
  ~TBusy() { view_.SetBusy(false); }
  TBusy(const TBusy &) = delete;
  TBusy &operator=(const TBusy &) = delete;

private:
  TUpdateView &view_;
};
} // namespace

const char *ExecuteErrorText(int answer) {
  for (const TExecuteError &error : kExecuteErrors)
    if (error.Answer == answer)
      return error.Text;
  return kUnspecifiedExecuteError;
}

TUpdateCheck::TUpdateCheck(TUpdateView &view, TDownloader &downloader, TShell &shell, bool quiet)
    : view_(view), downloader_(downloader), shell_(shell), quiet_(quiet) {}

bool TUpdateCheck::Start(TSettingsSource &settings) {
  std::string *const targets[] = {&programName_, &installed_, &location_};
  const char *const keys[] = {texts::kProgramNameKey, texts::kExistingVersionKey,
                              texts::kUpdateUrlKey};
  for (size_t i = 0; i < std::size(keys); ++i) {
    *targets[i] = settings.ReadSetting(keys[i]);
    if (targets[i]->empty()) {
      view_.ShowMessage(texts::kSettingsError, texts::kErrorCaption, TMessageIcon::Stop);
      view_.Close(kResultCancel);
      return false;
    }
  }
  view_.SetStatus(Prompt(texts::kStartPromptHead, programName_));
  if (quiet_)
    Check();
  return true;
}

void TUpdateCheck::Check() {
  TBusy busy(view_);
  CheckBusy();
}

void TUpdateCheck::CheckBusy() {
  view_.SetStatus(texts::kGettingInformation);
  if (!downloader_.Open()) {
    view_.ShowMessage(texts::kSessionError, texts::kErrorCaption, TMessageIcon::Warning);
    view_.Close(kResultCancel);
    return;
  }
  const std::string text = FetchVersionText();
  if (text.empty()) {
    view_.ShowMessage(texts::kNoInformation, texts::kErrorCaption, TMessageIcon::Warning);
    view_.SetStatus(Prompt(texts::kRetryPromptHead, programName_));
    return;
  }
  // A text from the network names only a web page to open; the producer's own file may
  // name anything.
  const bool trusted = IsFileLocation(location_);
  if (!Parse(text, latest_, link_) || (!trusted && !IsWebAddress(link_))) {
    view_.ShowMessage(texts::kInvalidUrl, texts::kErrorCaption, TMessageIcon::Warning);
    view_.Close(kResultCancel);
    return;
  }
  if (IsNewer(latest_, installed_)) {
    view_.SetStatus(texts::kJumping);
    Launch();
    return;
  }
  if (!quiet_)
    view_.ShowMessage(texts::kLatest, texts::kInfoCaption, TMessageIcon::Information);
  view_.Close(kResultOk);
}

std::string TUpdateCheck::FetchVersionText() {
  if (IsFileLocation(location_))
    return downloader_.ReadFile(location_);
  std::string text;
  if (!downloader_.Download(location_, text)) {
    view_.ShowMessage(texts::kConnectionFailed, texts::kConnectionCaption, TMessageIcon::None);
    text.clear();
  }
  return text;
}

void TUpdateCheck::Launch() {
  const int answer = shell_.Open(link_);
  if (answer > kLastShellError) {
    view_.Close(kResultOk);
    return;
  }
  view_.ShowMessage(ExecuteErrorText(answer), texts::kExecuteErrorCaption, TMessageIcon::Warning);
  view_.SetStatus(Prompt(texts::kRetryPromptHead, programName_));
}

} // namespace update
