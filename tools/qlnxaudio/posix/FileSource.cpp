// Files on POSIX systems: Windows-style backslashes in names are read as '/'.
#include "tools/qlnxaudio/ByteSource.h"

#include <fcntl.h>
#include <sys/types.h>
#include <unistd.h>

#include <cerrno>

namespace qlnx {

namespace {

class TFileSource : public TByteSource {
public:
  explicit TFileSource(int fd) : fd_(fd) {}
  ~TFileSource() override { close(fd_); }
  TFileSource(const TFileSource &) = delete;
  TFileSource &operator=(const TFileSource &) = delete;

  int64_t ReadAt(uint64_t offset, uint8_t *buffer, size_t size) override {
    for (;;) {
      const ssize_t n = pread(fd_, buffer, size, static_cast<off_t>(offset));
      if (n >= 0 || errno != EINTR)
        return n;
    }
  }

private:
  int fd_;
};

} // namespace

std::unique_ptr<TByteSource> OpenFileSource(const std::string &name) {
  std::string path = name;
  for (char &c : path)
    if (c == '\\')
      c = '/';
  const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0)
    return nullptr;
  return std::make_unique<TFileSource>(fd);
}

} // namespace qlnx
