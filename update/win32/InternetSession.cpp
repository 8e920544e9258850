#include "update/win32/InternetSession.h"

#include "update/BodyReader.h"
#include "update/Fetch.h"
#include "update/UpdateTexts.h"

#include <shellapi.h>

#include <climits>

namespace update {

namespace {
// The buffers for the content-length and location headers.
constexpr DWORD kLengthTextSize = 32;
constexpr DWORD kLocationSize = 2048;
// Connect, send and receive time-outs of the session: a server that stops answering ends the
// download as failed.
constexpr DWORD kTimeoutMs = 30000;

DWORD Chunk(size_t size) { return size > ULONG_MAX ? ULONG_MAX : static_cast<DWORD>(size); }

// One request of the session, redirects left to Fetch.
class TInternetRequest : public THttpClient {
public:
  explicit TInternetRequest(HINTERNET session) : session_(session) {}
  ~TInternetRequest() override { Finish(); }
  TInternetRequest(const TInternetRequest &) = delete;
  TInternetRequest &operator=(const TInternetRequest &) = delete;

  bool Send(const std::string &address) override {
    Finish();
    failed_ = false;
    request_ =
        InternetOpenUrlA(session_, address.c_str(), nullptr, 0, INTERNET_FLAG_NO_AUTO_REDIRECT, 0);
    return request_ != nullptr;
  }
  int StatusCode() override {
    DWORD status = 0;
    DWORD size = sizeof status;
    return HttpQueryInfoA(request_, HTTP_QUERY_STATUS_CODE | HTTP_QUERY_FLAG_NUMBER, &status, &size,
                          nullptr)
               ? static_cast<int>(status)
               : 0;
  }
  std::string Location() override {
    std::string text;
    return Query(HTTP_QUERY_LOCATION, kLocationSize, text) ? text : std::string();
  }
  bool ContentLength(std::string &text) override {
    return Query(HTTP_QUERY_CONTENT_LENGTH, kLengthTextSize, text);
  }
  size_t Read(char *buffer, size_t size) override {
    DWORD got = 0;
    if (InternetReadFile(request_, buffer, Chunk(size), &got))
      return got;
    failed_ = true;
    return 0;
  }
  bool ReadFailed() const override { return failed_; }
  void Finish() override {
    if (request_ != nullptr)
      InternetCloseHandle(request_);
    request_ = nullptr;
  }

private:
  bool Query(DWORD info, DWORD capacity, std::string &text) {
    std::string buffer(capacity, '\0');
    DWORD size = capacity;
    if (!HttpQueryInfoA(request_, info, &buffer[0], &size, nullptr))
      return false;
    buffer.resize(size < capacity ? size : capacity - 1);
    text = buffer.c_str();
    return true;
  }

  HINTERNET session_;
  HINTERNET request_ = nullptr;
  bool failed_ = false;
};

class TFileReader : public TByteReader {
public:
  explicit TFileReader(HANDLE file) : file_(file) {}
  size_t Read(char *buffer, size_t size) override {
    DWORD got = 0;
    return ::ReadFile(file_, buffer, Chunk(size), &got, nullptr) ? got : 0;
  }

private:
  HANDLE file_;
};
} // namespace

TInternetSession::~TInternetSession() {
  if (session_ != nullptr)
    InternetCloseHandle(session_);
}

bool TInternetSession::Open() {
  if (session_ != nullptr)
    InternetCloseHandle(session_);
  session_ = InternetOpenA(texts::kProductName, INTERNET_OPEN_TYPE_PRECONFIG, nullptr, nullptr, 0);
  if (session_ == nullptr)
    return false;
  for (const DWORD option : {INTERNET_OPTION_CONNECT_TIMEOUT, INTERNET_OPTION_SEND_TIMEOUT,
                             INTERNET_OPTION_RECEIVE_TIMEOUT}) {
    DWORD timeout = kTimeoutMs;
    InternetSetOptionA(session_, option, &timeout, sizeof timeout);
  }
  return true;
}

bool TInternetSession::Download(const std::string &address, std::string &text) {
  TInternetRequest request(session_);
  return Fetch(request, address, text);
}

std::string TInternetSession::ReadFile(const std::string &path) {
  const HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                  OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE)
    return std::string();
  TFileReader reader(file);
  std::string text = ReadPieces(reader);
  CloseHandle(file);
  return text;
}

int TShellOpener::Open(const std::string &address) {
  const HINSTANCE answer =
      ShellExecuteA(nullptr, "open", address.c_str(), nullptr, nullptr, SW_SHOWNORMAL);
  return static_cast<int>(reinterpret_cast<INT_PTR>(answer));
}

} // namespace update
