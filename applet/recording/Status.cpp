#include "applet/recording/Status.h"

#include "applet/platform/Dispatcher.h"
#include "applet/platform/Platform.h"

#include <algorithm>

namespace recording {

namespace {
constexpr int kBarMin = 0;
constexpr int kBarMax = 100;
constexpr char kConfirmCaption[] = "Confirm";
constexpr char kLineEnd[] = "\r\n";

int ClampPercent(int percent) { return std::clamp(percent, kBarMin, kBarMax); }
} // namespace

void TStatusForm::SetView(TStatusView *view) {
  view_ = view;
  Refresh();
}

void TStatusForm::Refresh() {
  if (view_)
    view_->Refresh(controls_);
}

void TStatusForm::Show() {
  if (visible_)
    return;
  if (view_)
    view_->SetOwnerVisible(false);
  if (HideCacheBar) {
    controls_.CacheBarVisible = false;
    controls_.TopPanelHeight = kTopPanelHeightWithoutCache;
  }
  if (view_) {
    savedScreenSaver_ = view_->ScreenSaverActive();
    view_->SetScreenSaverActive(false);
  }
  CloseAllowed = false;
  controls_.CancelEnabled = true;
  controls_.CancelVisible = true;
  controls_.OKVisible = false;
  controls_.CopyEnabled = false;
  savedTitle_ = view_ ? view_->ApplicationTitle() : std::string();
  controls_.TrackProgress = kTrackProgressText;
  controls_.TrackProgressBar = 0;
  controls_.TotalProgressBar = 0;
  controls_.BufferProgressBar = 0;
  controls_.Log.clear();
  visible_ = true;
  Refresh();
  if (view_)
    view_->SetVisible(true);
}

bool TStatusForm::Close() {
  if (!visible_ || !CloseQuery())
    return false;
  visible_ = false;
  if (view_)
    view_->SetVisible(false);
  if (view_)
    view_->SetApplicationTitle(savedTitle_);
  controls_.CacheBarVisible = true;
  controls_.TopPanelHeight = kTopPanelHeight;
  HideCacheBar = false;
  Refresh();
  if (view_) {
    view_->SetScreenSaverActive(savedScreenSaver_);
    view_->SetOwnerVisible(true);
  }
  return true;
}

void TStatusForm::BeginRecording() {
  WriterFinished = false;
  UserCancelled = false;
  ReaderFailed = false;
  WriterFailed = false;
  AllSent = false;
  SectorsWritten = 0;
  controls_.TrackProgress = kTrackProgressText;
  controls_.TrackProgressBar = controls_.TotalProgressBar = controls_.BufferProgressBar = 0;
  controls_.Log.clear();
  Refresh();
}

void TStatusForm::AllowClose() {
  controls_.CancelVisible = false;
  controls_.OKVisible = true;
  controls_.CopyEnabled = true;
  CloseAllowed = true;
  Refresh();
}

void TStatusForm::CancelClick() {
  const int answer = platform::Platform().ShowMessageBox(
      kCancelQuestion, kConfirmCaption, platform::kMbYesNo | platform::kMbIconQuestion);
  if (answer != platform::kIdYes)
    return;
  UserCancelled = true;
  controls_.CancelEnabled = false;
  Refresh();
}

void TStatusForm::OKClick() {
  controls_.OKVisible = false;
  controls_.CancelVisible = true;
  Refresh();
  Close();
}

void TStatusForm::CopyClick() {
  if (view_)
    view_->CopyLogToClipboard();
}

std::string TStatusForm::LogText() const {
  std::string text;
  for (const std::string &line : controls_.Log)
    text += line + kLineEnd;
  return text;
}

void TStatusForm::LogLine(const std::string &text) {
  controls_.Log.push_back(text);
  Refresh();
}

template <typename F> void TStatusForm::OnMainThread(F change) {
  platform::TMainThread::Synchronize([this, &change] {
    change(controls_);
    Refresh();
  });
}

void TStatusForm::Log(TWorker worker, const std::string &text) {
  const char *prefix = worker == TWorker::CacheThread ? kCacheThreadPrefix : kWriterThreadPrefix;
  std::string line = prefix + text;
  OnMainThread([&line](TStatusControls &c) { c.Log.push_back(std::move(line)); });
}

void TStatusForm::SetTrackLabel(const std::string &text) {
  OnMainThread([&text](TStatusControls &c) { c.TrackProgress = text; });
}

void TStatusForm::SetTrackProgress(int percent) {
  OnMainThread([percent](TStatusControls &c) { c.TrackProgressBar = ClampPercent(percent); });
}

void TStatusForm::SetTotalProgress(int percent) {
  OnMainThread([percent](TStatusControls &c) { c.TotalProgressBar = ClampPercent(percent); });
}

void TStatusForm::SetCacheProgress(int percent) {
  OnMainThread([percent](TStatusControls &c) { c.BufferProgressBar = ClampPercent(percent); });
}

std::string RecordingTitle(int percent, bool testWrite) {
  return std::string(testWrite ? "Test [" : "Burn [") + std::to_string(percent) + "%]";
}

void TStatusForm::PostLog(TWorker worker, const std::string &text) {
  const char *prefix = worker == TWorker::CacheThread ? kCacheThreadPrefix : kWriterThreadPrefix;
  platform::TMainThread::Queue([this, line = prefix + text]() mutable {
    controls_.Log.push_back(std::move(line));
    Refresh();
  });
}

void TStatusForm::PostTrackLabel(const std::string &text) {
  platform::TMainThread::Queue([this, text] {
    controls_.TrackProgress = text;
    Refresh();
  });
}

void TStatusForm::PostTrackProgress(int percent) {
  posted_.Track = ClampPercent(percent);
  PostBars();
}

void TStatusForm::PostCacheProgress(int percent) {
  posted_.Cache = ClampPercent(percent);
  PostBars();
}

void TStatusForm::PostTotalProgress(int percent, bool testWrite) {
  posted_.TestWrite = testWrite;
  posted_.Total = ClampPercent(percent);
  PostBars();
}

// One closure in the queue at a time: it applies the latest positions when it runs.
void TStatusForm::PostBars() {
  if (!posted_.Pending.exchange(true))
    platform::TMainThread::Queue([this] { ApplyPostedBars(); });
}

void TStatusForm::ApplyPostedBars() {
  posted_.Pending = false;
  const int track = posted_.Track.exchange(-1);
  const int total = posted_.Total.exchange(-1);
  const int cache = posted_.Cache.exchange(-1);
  if (track >= 0)
    controls_.TrackProgressBar = track;
  if (cache >= 0)
    controls_.BufferProgressBar = cache;
  if (total >= 0) {
    controls_.TotalProgressBar = total;
    if (Display)
      Display->ShowRecordingProgress(total, RecordingTitle(total, posted_.TestWrite));
  }
  Refresh();
}

} // namespace recording
