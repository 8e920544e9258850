// The outcome of a failed device command: the six status bytes of the ASPI request.
#pragma once

#include <cstdint>

namespace device {

struct TCommandStatus {
  uint8_t AspiStatus = 0;
  uint8_t HaStatus = 0;
  uint8_t TargetStatus = 0;
  uint8_t SenseKey = 0;
  uint8_t Asc = 0;
  uint8_t Ascq = 0;
};

constexpr uint8_t kSsErr = 0x04;
constexpr uint8_t kHaStatOk = 0x00;
constexpr uint8_t kStatusChkCond = 0x02;

} // namespace device
