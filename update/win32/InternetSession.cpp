#include "update/win32/InternetSession.h"

#include "update/BodyReader.h"
#include "update/Fetch.h"
#include "update/UpdateTexts.h"

#include <shellapi.h>

#include <algorithm>
#include <climits>

namespace update {

namespace {
// The buffers for the content-length and location headers.
constexpr DWORD kLengthTextSize = 32;
constexpr DWORD kLocationSize = 2048;
// Connect, send and receive time-outs of the session: a server that stops answering ends the
// download as failed.
constexpr DWORD kTimeoutMs = 30000;

void SetTimeouts(HINTERNET handle, DWORD ms = kTimeoutMs) {
  for (const DWORD option : {INTERNET_OPTION_CONNECT_TIMEOUT, INTERNET_OPTION_SEND_TIMEOUT,
                             INTERNET_OPTION_RECEIVE_TIMEOUT}) {
    DWORD timeout = ms;
    InternetSetOptionA(handle, option, &timeout, sizeof timeout);
  }
}

DWORD Chunk(size_t size) { return size > ULONG_MAX ? ULONG_MAX : static_cast<DWORD>(size); }

// One request of the session, redirects left to Fetch.
class TInternetRequest : public THttpClient {
public:
  explicit TInternetRequest(HINTERNET session) : session_(session) {}
  ~TInternetRequest() override { Finish(); }
  TInternetRequest(const TInternetRequest &) = delete;
  TInternetRequest &operator=(const TInternetRequest &) = delete;

  // Connects and requests by hand rather than through InternetOpenUrlA, so that the time-outs
  // sit on the connection handle, where every WinInet (Wine's too) applies them.
  bool Send(const std::string &address) override {
    Finish();
    failed_ = false;
    char host[INTERNET_MAX_HOST_NAME_LENGTH] = {};
    std::string path(kLocationSize, '\0');
    std::string extra(kLocationSize, '\0');
    URL_COMPONENTSA parts = {};
    parts.dwStructSize = sizeof parts;
    parts.lpszHostName = host;
    parts.dwHostNameLength = sizeof host;
    parts.lpszUrlPath = &path[0];
    parts.dwUrlPathLength = kLocationSize;
    parts.lpszExtraInfo = &extra[0];
    parts.dwExtraInfoLength = kLocationSize;
    if (!InternetCrackUrlA(address.c_str(), 0, 0, &parts) ||
        (parts.nScheme != INTERNET_SCHEME_HTTP && parts.nScheme != INTERNET_SCHEME_HTTPS))
      return false;
    connection_ = InternetConnectA(session_, host, parts.nPort, nullptr, nullptr,
                                   INTERNET_SERVICE_HTTP, 0, 0);
    if (connection_ == nullptr)
      return false;
    SetTimeouts(connection_, limit_);
    std::string object = path.c_str();
    object = (object.empty() ? "/" : object) + extra.c_str();
    DWORD flags = INTERNET_FLAG_NO_AUTO_REDIRECT | INTERNET_FLAG_RELOAD |
                  INTERNET_FLAG_NO_CACHE_WRITE | INTERNET_FLAG_NO_UI;
    if (parts.nScheme == INTERNET_SCHEME_HTTPS)
      flags |= INTERNET_FLAG_SECURE;
    request_ =
        HttpOpenRequestA(connection_, "GET", object.c_str(), nullptr, nullptr, nullptr, flags, 0);
    return request_ != nullptr && HttpSendRequestA(request_, nullptr, 0, nullptr, 0);
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
  // Reads what has arrived (waiting within the time-outs for the first byte), never more: a
  // read of the whole buffer would wait for it to fill, past the download's deadline.
  size_t Read(char *buffer, size_t size) override {
    DWORD available = 0;
    DWORD got = 0;
    if (InternetQueryDataAvailable(request_, &available, 0, 0) &&
        (available == 0 ||
         InternetReadFile(request_, buffer, Chunk(std::min<size_t>(size, available)), &got)))
      return got;
    failed_ = true;
    return 0;
  }
  bool ReadFailed() const override { return failed_; }
  // The time-outs, lowered to the time left of the download where that is shorter.
  void LimitWait(uint64_t ms) override {
    const DWORD limit = ms < kTimeoutMs ? static_cast<DWORD>(ms > 0 ? ms : 1) : kTimeoutMs;
    if (limit == limit_)
      return;
    limit_ = limit;
    for (HINTERNET handle : {connection_, request_})
      if (handle != nullptr)
        SetTimeouts(handle, limit_);
  }
  void Finish() override {
    for (HINTERNET *handle : {&request_, &connection_}) {
      if (*handle != nullptr)
        InternetCloseHandle(*handle);
      *handle = nullptr;
    }
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
  HINTERNET connection_ = nullptr;
  HINTERNET request_ = nullptr;
  bool failed_ = false;
  DWORD limit_ = kTimeoutMs;
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
  SetTimeouts(session_);
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
