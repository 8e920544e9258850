#include "update/win32/InternetSession.h"

#include "update/BodyReader.h"
#include "update/UpdateTexts.h"

#include <shellapi.h>

#include <climits>

namespace update {

namespace {
// The buffer for the content-length header.
constexpr DWORD kLengthTextSize = 32;

DWORD Chunk(size_t size) { return size > ULONG_MAX ? ULONG_MAX : static_cast<DWORD>(size); }

class TInternetReader : public TByteReader {
public:
  explicit TInternetReader(HINTERNET request) : request_(request) {}
  size_t Read(char *buffer, size_t size) override {
    DWORD got = 0;
    return InternetReadFile(request_, buffer, Chunk(size), &got) ? got : 0;
  }

private:
  HINTERNET request_;
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
  return session_ != nullptr;
}

bool TInternetSession::Download(const std::string &address, std::string &text) {
  text.clear();
  const HINTERNET request = InternetOpenUrlA(session_, address.c_str(), nullptr, 0, 0, 0);
  if (request == nullptr)
    return false;
  char length[kLengthTextSize] = {};
  DWORD lengthSize = sizeof length;
  const bool announced =
      HttpQueryInfoA(request, HTTP_QUERY_CONTENT_LENGTH, length, &lengthSize, nullptr);
  if (lengthSize >= sizeof length)
    lengthSize = sizeof length - 1;
  length[lengthSize] = '\0';
  TInternetReader reader(request);
  text = ReadBody(reader, BodySize(announced ? length : nullptr));
  InternetCloseHandle(request);
  return true;
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
