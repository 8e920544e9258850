// SCSI/MMC vocabulary of the recorder: operation codes, statuses, sense conditions, and the
// outcome of one command. Multi-byte fields are big-endian on the wire.
#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace vrec {

namespace op {
constexpr uint8_t kTestUnitReady = 0x00;
constexpr uint8_t kInquiry = 0x12;
constexpr uint8_t kStartStopUnit = 0x1B;
constexpr uint8_t kWrite10 = 0x2A;
constexpr uint8_t kSynchronizeCache = 0x35;
constexpr uint8_t kReadToc = 0x43;
constexpr uint8_t kReadDiscInformation = 0x51;
constexpr uint8_t kReadTrackInformation = 0x52;
constexpr uint8_t kSendOpcInformation = 0x54;
constexpr uint8_t kModeSelect10 = 0x55;
constexpr uint8_t kModeSense10 = 0x5A;
constexpr uint8_t kCloseTrackSession = 0x5B;
constexpr uint8_t kSendCueSheet = 0x5D;
constexpr uint8_t kWrite12 = 0xAA;
constexpr uint8_t kSetCdSpeed = 0xBB;
} // namespace op

constexpr uint8_t kStatusGood = 0x00;
constexpr uint8_t kStatusCheckCondition = 0x02;
constexpr uint8_t kStatusBusy = 0x08;

// A sense condition: key, additional sense code and qualifier.
struct TSense {
  uint8_t Key = 0;
  uint8_t Asc = 0;
  uint8_t Ascq = 0;
};

namespace sense {
constexpr TSense kNone{0x00, 0x00, 0x00};
constexpr TSense kBecomingReady{0x02, 0x04, 0x01};
constexpr TSense kNoMediumTrayClosed{0x02, 0x3A, 0x01};
constexpr TSense kNoMediumTrayOpen{0x02, 0x3A, 0x02};
constexpr TSense kWriteError{0x03, 0x0C, 0x00};
constexpr TSense kBufferUnderrun{0x03, 0x0C, 0x09};
constexpr TSense kParameterListLength{0x05, 0x1A, 0x00};
constexpr TSense kInvalidOpcode{0x05, 0x20, 0x00};
constexpr TSense kLbaOutOfRange{0x05, 0x21, 0x00};
constexpr TSense kInvalidWriteAddress{0x05, 0x21, 0x02};
constexpr TSense kInvalidFieldInCdb{0x05, 0x24, 0x00};
constexpr TSense kLunNotSupported{0x05, 0x25, 0x00};
constexpr TSense kInvalidFieldInParameters{0x05, 0x26, 0x00};
constexpr TSense kCommandSequence{0x05, 0x2C, 0x00};
constexpr TSense kIncompatibleFormat{0x05, 0x30, 0x05};
constexpr TSense kSavingNotSupported{0x05, 0x39, 0x00};
constexpr TSense kMediumMayHaveChanged{0x06, 0x28, 0x00};
constexpr TSense kPowerOnReset{0x06, 0x29, 0x00};
constexpr uint8_t kUnitAttentionKey = 0x06;
} // namespace sense

// What a command did: the target status, the sense when it is CHECK CONDITION, a host
// adapter status for transfer faults, the bytes it returns (data in), and a note for the
// journal.
struct TResult {
  uint8_t TargetStatus = kStatusGood;
  uint8_t HaStatus = 0;
  TSense Sense;
  std::vector<uint8_t> DataIn;
  std::string Note;
  uint32_t CompletionDelayUs = 0; // pacing: complete the request this much later

  static TResult Good() { return {}; }
  static TResult Check(TSense s, std::string note = {}) {
    TResult r;
    r.TargetStatus = kStatusCheckCondition;
    r.Sense = s;
    r.Note = std::move(note);
    return r;
  }
  bool Ok() const { return TargetStatus == kStatusGood && HaStatus == 0; }
};

inline uint16_t Get16(const uint8_t *p) { return static_cast<uint16_t>((p[0] << 8) | p[1]); }
inline uint32_t Get24(const uint8_t *p) {
  return (uint32_t{p[0]} << 16) | (uint32_t{p[1]} << 8) | p[2];
}
inline uint32_t Get32(const uint8_t *p) {
  return (uint32_t{p[0]} << 24) | (uint32_t{p[1]} << 16) | (uint32_t{p[2]} << 8) | p[3];
}
inline void Put16(uint8_t *p, uint32_t v) {
  p[0] = static_cast<uint8_t>(v >> 8);
  p[1] = static_cast<uint8_t>(v);
}
inline void Put32(uint8_t *p, uint32_t v) {
  p[0] = static_cast<uint8_t>(v >> 24);
  p[1] = static_cast<uint8_t>(v >> 16);
  p[2] = static_cast<uint8_t>(v >> 8);
  p[3] = static_cast<uint8_t>(v);
}

} // namespace vrec
