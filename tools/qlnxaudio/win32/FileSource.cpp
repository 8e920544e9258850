// Files on Windows, opened by their ANSI name; others may read the file meanwhile.
#include "tools/qlnxaudio/ByteSource.h"

#include <windows.h>

namespace qlnx {

namespace {

constexpr DWORD kMaxRead = 1u << 30;

class TFileSource : public TByteSource {
public:
  explicit TFileSource(HANDLE file) : file_(file) {}
  ~TFileSource() override { CloseHandle(file_); }
  TFileSource(const TFileSource &) = delete;
  TFileSource &operator=(const TFileSource &) = delete;

  int64_t ReadAt(uint64_t offset, uint8_t *buffer, size_t size) override {
    OVERLAPPED at{};
    at.Offset = static_cast<DWORD>(offset);
    at.OffsetHigh = static_cast<DWORD>(offset >> 32);
    DWORD got = 0;
    const DWORD want = size > kMaxRead ? kMaxRead : static_cast<DWORD>(size);
    if (!ReadFile(file_, buffer, want, &got, &at))
      return GetLastError() == ERROR_HANDLE_EOF ? 0 : -1;
    return got;
  }

private:
  HANDLE file_;
};

} // namespace

std::unique_ptr<TByteSource> OpenFileSource(const std::string &name) {
  const HANDLE file = CreateFileA(name.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                  OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
  if (file == INVALID_HANDLE_VALUE)
    return nullptr;
  return std::make_unique<TFileSource>(file);
}

} // namespace qlnx
