// The recording's status: the shared record of its flags, the sectors written between TAO
// tracks, the log both workers append to, and the labels and bars of the status window. The
// applet never shows the window; it holds this state invisibly, and a debug view may show it.
//
// Threads: the flags and the sectors written are read and raised from any thread. Everything
// else belongs to the main thread; the worker-side calls (Log, the label and the bars) hand
// their change to the main thread through the dispatcher and return once it has been made.
// The Post calls hand it over without waiting (the writer never waits for the main thread);
// bar positions posted faster than the main thread takes them are coalesced.
#pragma once

#include <atomic>
#include <cstdint>
#include <string>
#include <vector>

namespace recording {

constexpr int kTopPanelHeight = 120;
constexpr int kTopPanelHeightWithoutCache = 80;
constexpr char kCacheThreadPrefix[] = "Thread1: ";
constexpr char kWriterThreadPrefix[] = "Thread2: ";
constexpr char kTrackProgressText[] = "Track Progress";
constexpr char kCancelQuestion[] = "Are you sure you want to cancel?";

enum class TWorker { CacheThread, Writer };

// What the window's controls show.
struct TStatusControls {
  std::string TrackProgress = kTrackProgressText;
  int TrackProgressBar = 0; // 0-100
  int TotalProgressBar = 0;
  int BufferProgressBar = 0;
  bool CacheBarVisible = true; // WriteCacheText and BufferProgressBar
  int TopPanelHeight = kTopPanelHeight;
  bool CancelEnabled = true;
  bool CancelVisible = true;
  bool OKVisible = false;
  bool CopyEnabled = true;
  std::vector<std::string> Log; // the Debug memo, one line per message
};

// Where the recording's overall progress shows outside the status window: the main window's
// gauge and the application title (main thread only).
class TRecordingDisplay {
public:
  virtual ~TRecordingDisplay() = default;
  virtual void ShowRecordingProgress(int percent, const std::string &title) = 0;
};

// The title of a running recording: "Burn [p%]", or "Test [p%]" for a test write.
std::string RecordingTitle(int percent, bool testWrite);

// The window that shows a TStatusForm (main thread only).
class TStatusView {
public:
  virtual ~TStatusView() = default;
  virtual void Refresh(const TStatusControls &controls) = 0;
  virtual void SetVisible(bool visible) = 0;
  virtual void SetOwnerVisible(bool visible) = 0; // the form hidden while this one shows
  virtual void SetScreenSaverActive(bool active) = 0;
  virtual bool ScreenSaverActive() { return true; }
  virtual std::string ApplicationTitle() = 0;
  virtual void SetApplicationTitle(const std::string &title) = 0;
  virtual void CopyLogToClipboard() = 0; // selects the whole log and copies it
};

class TStatusForm {
public:
  explicit TStatusForm(TStatusView *view = nullptr) : view_(view) {}
  TStatusForm(const TStatusForm &) = delete;
  TStatusForm &operator=(const TStatusForm &) = delete;

  // Main thread: attaches (or, with null, detaches) the view and refreshes it.
  void SetView(TStatusView *view);

  // The shared flags, each raised by one party and read by the others.
  std::atomic<bool> CloseAllowed{false};
  std::atomic<bool> WriterFinished{false};
  std::atomic<bool> UserCancelled{false};
  std::atomic<bool> ReaderFailed{false};
  std::atomic<bool> WriterFailed{false};
  // Sectors written so far; the TAO writer leaves its running total here for the next track.
  std::atomic<int32_t> SectorsWritten{0};
  // The last writer sent every sector it was given.
  std::atomic<bool> AllSent{false};
  // The recording's outcome so far, worked out here only: the last writer sent every sector
  // and no party raised a failure.
  bool Written() const { return AllSent && !ReaderFailed && !WriterFailed; }
  // Clears the flags, the sectors written and the log when a recording starts (main thread).
  void BeginRecording();
  // The main window's gauge and title; null for none (main thread).
  TRecordingDisplay *Display = nullptr;
  // Set before Show: hide the cache bar and shorten the top panel while shown.
  bool HideCacheBar = false;

  // Main thread: the window's life and buttons.
  void Show();
  bool Visible() const { return visible_; }
  bool CloseQuery() const { return CloseAllowed; }
  bool Close(); // false when refused or not shown
  void AllowClose();
  void CancelClick();
  void OKClick();
  void CopyClick();
  const TStatusControls &Controls() const { return controls_; }
  std::string LogText() const;           // the log's lines, each ended with CR LF
  void LogLine(const std::string &text); // a line of the main thread's own, without prefix

  // Any thread, synchronously through the main thread.
  void Log(TWorker worker, const std::string &text);
  void SetTrackLabel(const std::string &text);
  void SetTrackProgress(int percent);
  void SetTotalProgress(int percent);
  void SetCacheProgress(int percent);

  // Any thread, without waiting.
  void PostLog(TWorker worker, const std::string &text);
  void PostTrackLabel(const std::string &text);
  void PostTrackProgress(int percent);
  void PostCacheProgress(int percent);
  // The total bar, and the display's gauge and title.
  void PostTotalProgress(int percent, bool testWrite);

private:
  struct TPostedBars {
    std::atomic<int> Track{-1}, Total{-1}, Cache{-1};
    std::atomic<bool> TestWrite{false};
    std::atomic<bool> Pending{false};
  };
  void PostBars();
  void ApplyPostedBars();

  template <typename F> void OnMainThread(F change);
  void Refresh();

  TStatusView *view_;
  TStatusControls controls_;
  std::string savedTitle_;
  bool visible_ = false;
  bool savedScreenSaver_ = true;
  TPostedBars posted_;
};

} // namespace recording
