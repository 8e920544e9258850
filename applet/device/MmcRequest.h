// Building and running the request of one MMC command (shared by the command files).
#pragma once

#include "applet/device/Aspi.h"
#include "applet/device/CommandStatus.h"

#include <cstdint>

namespace device {

// Operation codes.
constexpr uint8_t kOpTestUnitReady = 0x00;
constexpr uint8_t kOpInquiry = 0x12;
constexpr uint8_t kOpStartStopUnit = 0x1B;
constexpr uint8_t kOpWrite10 = 0x2A;
constexpr uint8_t kOpSyncCache = 0x35;
constexpr uint8_t kOpReadToc = 0x43;
constexpr uint8_t kOpReadDiscInfo = 0x51;
constexpr uint8_t kOpReadTrackInfo = 0x52;
constexpr uint8_t kOpSendOpc = 0x54;
constexpr uint8_t kOpModeSelect10 = 0x55;
constexpr uint8_t kOpModeSense10 = 0x5A;
constexpr uint8_t kOpCloseTrackSession = 0x5B;
constexpr uint8_t kOpSendCueSheet = 0x5D;
constexpr uint8_t kOpWrite12 = 0xAA;
constexpr uint8_t kOpSetCdSpeed = 0xBB;

constexpr uint8_t kCdb6 = 6;
constexpr uint8_t kCdb10 = 10;
constexpr uint8_t kCdb12 = 12;

// A zero-filled request for adapter and target (LUN 0) with its operation code in CDB byte 0.
inline TSrbExecScsiCmd NewRequest(uint8_t adapter, uint8_t target, uint8_t opCode,
                                  uint8_t cdbLength, uint8_t flags, uint8_t *buffer = nullptr,
                                  uint32_t length = 0) {
  TSrbExecScsiCmd srb{};
  srb.HaId = adapter;
  srb.Target = target;
  srb.Flags = flags;
  srb.CdbLen = cdbLength;
  srb.BufPointer = buffer;
  srb.BufLen = length;
  srb.CdbByte[0] = opCode;
  return srb;
}

// Runs the request through the retrying executor up to attempts times, with a pause after each
// failed attempt; the status of the last attempt goes to status when given.
bool RunAttempts(const TSrbExecScsiCmd &request, int attempts, TCommandStatus *status);

} // namespace device
