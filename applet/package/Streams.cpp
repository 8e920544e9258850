#include "applet/package/Streams.h"

#include "applet/package/CompressErrors.h"
#include "applet/platform/Platform.h"

#include <cerrno>
#include <climits>
#include <cstring>

namespace package {

namespace {
constexpr int64_t kMaxMemoryStreamSize = INT32_MAX;

class EStreamPosition : public EStreamError {
public:
  EStreamPosition() : EStreamError("Stream position out of range") {}
};
} // namespace

int64_t TStream::Size() {
  const int64_t here = Position();
  const int64_t end = Seek(0, TSeekOrigin::soEnd);
  Seek(here, TSeekOrigin::soBeginning);
  return end;
}

void TStream::ReadBuffer(void *buffer, int32_t count) {
  if (count != 0 && Read(buffer, count) != count)
    throw EReadError();
}

void TStream::WriteBuffer(const void *buffer, int32_t count) {
  errno = 0;
  if (count != 0 && Write(buffer, count) != count)
    throw EWriteError(platform::Platform().WriteErrorNumber());
}

TFileStream::TFileStream(const std::string &path, TMode mode) : path_(path) {
  platform::TPlatform &p = platform::Platform();
  const char *how = mode == fmOpenRead ? "rb" : mode == fmCreate ? "wb" : "r+b";
  // Some systems open a folder for reading; it is never a file of an archive.
  errno = EISDIR;
  if (!p.DirectoryExists(path))
    file_ = p.OpenFile(path, how);
  if (file_ == nullptr) {
    if (mode == fmCreate)
      throw EFCreateError(path, errno);
    throw EFOpenError(path);
  }
  // Callers move data in large blocks of their own; a library buffer would only add a copy.
  std::setvbuf(file_, nullptr, _IONBF, 0);
}

TFileStream::~TFileStream() {
  if (file_ != nullptr)
    std::fclose(file_);
}

void TFileStream::Close() {
  if (file_ == nullptr)
    return;
  const bool failed = std::ferror(file_) != 0;
  errno = 0;
  const bool closeFailed = std::fclose(file_) != 0;
  file_ = nullptr;
  if (failed || closeFailed)
    throw EWriteError(platform::Platform().WriteErrorNumber());
}

int32_t TFileStream::Read(void *buffer, int32_t count) {
  if (file_ == nullptr || count <= 0)
    return 0;
  return static_cast<int32_t>(std::fread(buffer, 1, static_cast<size_t>(count), file_));
}

int32_t TFileStream::Write(const void *buffer, int32_t count) {
  if (file_ == nullptr || count <= 0)
    return 0;
  return static_cast<int32_t>(std::fwrite(buffer, 1, static_cast<size_t>(count), file_));
}

int64_t TFileStream::Seek(int64_t offset, TSeekOrigin origin) {
  if (file_ == nullptr)
    throw EStreamPosition();
  if (offset < LONG_MIN || offset > LONG_MAX)
    throw EStreamPosition();
  const int whence = origin == TSeekOrigin::soBeginning ? SEEK_SET
                     : origin == TSeekOrigin::soCurrent ? SEEK_CUR
                                                        : SEEK_END;
  // A seek also separates reading from writing, as the C library requires.
  if (std::fseek(file_, static_cast<long>(offset), whence) != 0)
    throw EStreamPosition();
  const long at = std::ftell(file_);
  if (at < 0)
    throw EStreamPosition();
  return at;
}

int64_t TFileStream::Size() {
  const int64_t here = Position();
  const int64_t end = Seek(0, TSeekOrigin::soEnd);
  if (end != here)
    Seek(here, TSeekOrigin::soBeginning);
  return end;
}

TMemoryStream::TMemoryStream(const void *data, size_t size)
    : data_(static_cast<const uint8_t *>(data), static_cast<const uint8_t *>(data) + size) {}

int32_t TMemoryStream::Read(void *buffer, int32_t count) {
  const int64_t size = Size();
  if (count <= 0 || position_ >= size)
    return 0;
  const int64_t n = count < size - position_ ? count : size - position_;
  std::memcpy(buffer, data_.data() + position_, static_cast<size_t>(n));
  position_ += n;
  return static_cast<int32_t>(n);
}

int32_t TMemoryStream::Write(const void *buffer, int32_t count) {
  if (count <= 0)
    return 0;
  const int64_t end = position_ + count;
  if (end > kMaxMemoryStreamSize)
    return 0;
  if (end > Size())
    data_.resize(static_cast<size_t>(end));
  std::memcpy(data_.data() + position_, buffer, static_cast<size_t>(count));
  position_ = end;
  return count;
}

int64_t TMemoryStream::Seek(int64_t offset, TSeekOrigin origin) {
  const int64_t base = origin == TSeekOrigin::soBeginning ? 0
                       : origin == TSeekOrigin::soCurrent ? position_
                                                          : Size();
  if (offset < -kMaxMemoryStreamSize || offset > kMaxMemoryStreamSize)
    throw EStreamPosition();
  const int64_t to = base + offset;
  if (to < 0 || to > kMaxMemoryStreamSize)
    throw EStreamPosition();
  position_ = to;
  return position_;
}

} // namespace package
