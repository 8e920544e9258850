#include "tools/qlnxaudio/ByteSource.h"

#include <algorithm>
#include <cstring>

namespace qlnx {

int64_t TMemorySource::ReadAt(uint64_t offset, uint8_t *buffer, size_t size) {
  if (offset >= bytes_.size())
    return 0;
  const size_t n = std::min(size, bytes_.size() - static_cast<size_t>(offset));
  std::memcpy(buffer, bytes_.data() + offset, n);
  return static_cast<int64_t>(n);
}

} // namespace qlnx
