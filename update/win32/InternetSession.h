// The Win32 downloader (WinInet and files) and the shell opener of update.exe.
#pragma once

#include "update/UpdateCheck.h"

#include <windows.h>

#include <wininet.h>

namespace update {

// The update session's Internet handle; closed when the session ends.
class TInternetSession : public TDownloader {
public:
  TInternetSession() = default;
  ~TInternetSession() override;
  TInternetSession(const TInternetSession &) = delete;
  TInternetSession &operator=(const TInternetSession &) = delete;

  bool Open() override;
  bool Download(const std::string &address, std::string &text) override;
  std::string ReadFile(const std::string &path) override;

private:
  HINTERNET session_ = nullptr;
};

class TShellOpener : public TShell {
public:
  int Open(const std::string &address) override;
};

} // namespace update
