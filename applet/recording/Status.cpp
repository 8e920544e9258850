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
  if (view_)
    view_->SetScreenSaverActive(false);
  CloseAllowed = false;
  WriterFinished = false;
  UserCancelled = false;
  ReaderFailed = false;
  WriterFailed = false;
  SectorsWritten = 0;
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
    view_->SetScreenSaverActive(true);
    view_->SetOwnerVisible(true);
  }
  return true;
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

} // namespace recording
