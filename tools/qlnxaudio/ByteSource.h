// Where the decoder's input bytes come from: a file, or memory in tests and fuzzing.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace qlnx {

class TByteSource {
public:
  virtual ~TByteSource() = default;
  // Reads up to size bytes at offset; returns the count (0 at or past the end), -1 on error.
  virtual int64_t ReadAt(uint64_t offset, uint8_t *buffer, size_t size) = 0;
};

// A file opened for reading (platform file); null when it cannot be opened.
std::unique_ptr<TByteSource> OpenFileSource(const std::string &name);

class TMemorySource : public TByteSource {
public:
  explicit TMemorySource(std::vector<uint8_t> bytes) : bytes_(std::move(bytes)) {}
  TMemorySource(const uint8_t *data, size_t size) : bytes_(data, data + size) {}
  int64_t ReadAt(uint64_t offset, uint8_t *buffer, size_t size) override;

private:
  std::vector<uint8_t> bytes_;
};

} // namespace qlnx
