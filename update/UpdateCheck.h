// The version checker's dialog logic: start-up and the OK check, over small interfaces to the
// dialog window, the downloader, the shell and the settings file.
#pragma once

#include <string>

namespace update {

// Dialog results.
constexpr int kResultOk = 1;
constexpr int kResultCancel = 2;

// The highest shell-open answer that means failure.
constexpr int kLastShellError = 32;

enum class TMessageIcon { None, Stop, Warning, Information };

class TUpdateView {
public:
  virtual ~TUpdateView() = default;
  virtual void SetStatus(const std::string &text) = 0;
  // A modal OK box; returns when the person has closed it.
  virtual void ShowMessage(const std::string &text, const std::string &caption,
                           TMessageIcon icon) = 0;
  virtual void SetBusy(bool busy) = 0;
  // Ends the dialog with a result.
  virtual void Close(int result) = 0;
};

class TDownloader {
public:
  virtual ~TDownloader() = default;
  // Opens the Internet session; false when none could be created.
  virtual bool Open() = 0;
  // Fetches an address; false when the download failed (no connection, a time-out, too many
  // redirects).
  virtual bool Download(const std::string &address, std::string &text) = 0;
  // Reads a file; empty when it cannot be opened.
  virtual std::string ReadFile(const std::string &path) = 0;
};

class TShell {
public:
  virtual ~TShell() = default;
  // Opens an address with its associated program; the shell's answer (32 or less: failure).
  virtual int Open(const std::string &address) = 0;
};

class TSettingsSource {
public:
  virtual ~TSettingsSource() = default;
  // A value of the settings section; empty when missing.
  virtual std::string ReadSetting(const std::string &key) = 0;
};

// The message for a failed shell open.
const char *ExecuteErrorText(int answer);

class TUpdateCheck {
public:
  TUpdateCheck(TUpdateView &view, TDownloader &downloader, TShell &shell, bool quiet);

  // Reads the settings and shows the prompt; in quiet mode runs the check at once. False when
  // a setting is missing: the error box was shown and the dialog closed.
  bool Start(TSettingsSource &settings);
  // The OK action.
  void Check();

  const std::string &LatestVersion() const { return latest_; }
  const std::string &UpdateLink() const { return link_; }

private:
  void CheckBusy();
  std::string FetchVersionText();
  void Launch();

  TUpdateView &view_;
  TDownloader &downloader_;
  TShell &shell_;
  bool quiet_;
  std::string programName_;
  std::string installed_;
  std::string location_;
  std::string latest_;
  std::string link_;
};

} // namespace update
