// Byte streams for the archive component: an abstract stream, a file stream on the platform's
// files and a memory stream.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

namespace package {

enum class TSeekOrigin { soBeginning, soCurrent, soEnd };

class TStream {
public:
  TStream() = default;
  virtual ~TStream() = default;
  TStream(const TStream &) = delete;
  TStream &operator=(const TStream &) = delete;

  // Reads up to count bytes; returns how many were read (0 at the end).
  virtual int32_t Read(void *buffer, int32_t count) = 0;
  // Writes up to count bytes; returns how many were written.
  virtual int32_t Write(const void *buffer, int32_t count) = 0;
  // Moves the position; returns the new position. Raises EStreamError when it cannot.
  virtual int64_t Seek(int64_t offset, TSeekOrigin origin) = 0;
  virtual int64_t Size();

  int64_t Position() { return Seek(0, TSeekOrigin::soCurrent); }
  void SetPosition(int64_t position) { Seek(position, TSeekOrigin::soBeginning); }
  // Exactly count bytes, or EReadError / EWriteError.
  void ReadBuffer(void *buffer, int32_t count);
  void WriteBuffer(const void *buffer, int32_t count);
};

// Unbuffered: every Read and Write goes to the file, so callers transfer large blocks.
class TFileStream final : public TStream {
public:
  enum TMode {
    fmOpenRead,      // existing file, reading, sharing allowed
    fmCreate,        // new or emptied file, writing
    fmOpenReadWrite, // existing file, reading and writing
  };
  // Raises EFOpenError (or EFCreateError for fmCreate) when the file cannot be opened.
  TFileStream(const std::string &path, TMode mode);
  ~TFileStream() override;

  int32_t Read(void *buffer, int32_t count) override;
  int32_t Write(const void *buffer, int32_t count) override;
  int64_t Seek(int64_t offset, TSeekOrigin origin) override;
  int64_t Size() override;
  // Writes out what is buffered and closes the file; EWriteError when that fails.
  void Close();
  const std::string &FileName() const { return path_; }

private:
  std::string path_;
  std::FILE *file_ = nullptr;
};

class TMemoryStream final : public TStream {
public:
  TMemoryStream() = default;
  explicit TMemoryStream(std::vector<uint8_t> data) : data_(std::move(data)) {}
  TMemoryStream(const void *data, size_t size);

  int32_t Read(void *buffer, int32_t count) override;
  int32_t Write(const void *buffer, int32_t count) override;
  int64_t Seek(int64_t offset, TSeekOrigin origin) override;
  int64_t Size() override { return static_cast<int64_t>(data_.size()); }
  const std::vector<uint8_t> &Data() const { return data_; }

private:
  std::vector<uint8_t> data_;
  int64_t position_ = 0;
};

} // namespace package
