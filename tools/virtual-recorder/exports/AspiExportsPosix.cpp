// The two functions libwnaspi32.so exports, under the names of the Windows library.
#include "tools/virtual-recorder/VirtualRecorder.h"

#include <cstdint>

extern "C" __attribute__((visibility("default"))) uint32_t GetASPI32SupportInfo(void) {
  return vrec::GetASPI32SupportInfo();
}

extern "C" __attribute__((visibility("default"))) uint32_t SendASPI32Command(void *srb) {
  return vrec::SendASPI32Command(srb);
}
