// A packet of whole sectors on its way to the recorder: the argument of a write command and
// the unit the sector cache stores. It has the fields of the device layer's write request and
// is to become that type once the device layer provides it.
#pragma once

#include <cstdint>

namespace recording {

struct TWriteRequest {
  uint8_t *Buffer = nullptr; // owned by whoever made the request
  uint32_t BufferLength = 0; // valid bytes in Buffer
  uint32_t SectorCount = 0;  // sectors in the packet (the write's transfer length)
  int32_t Lba = 0;           // address of the first sector; negative in the lead-in
};

} // namespace recording
