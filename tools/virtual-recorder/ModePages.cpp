#include "tools/virtual-recorder/ModePages.h"

#include "tools/virtual-recorder/Scsi.h"

#include <algorithm>
#include <cstring>

namespace vrec {

namespace {

// Write parameters page offsets.
constexpr size_t kWtByte = 2;
constexpr size_t kTrackModeByte = 3;
constexpr size_t kDbtByte = 4;
constexpr size_t kHostAppByte = 7;
constexpr size_t kSessionFormatByte = 8;
constexpr size_t kPacketSizeByte = 10;
constexpr size_t kPauseByte = 14;
constexpr uint8_t kPsBit = 0x80;
constexpr uint8_t kTestWriteBit = 0x10;
constexpr uint8_t kUnderrunProtectionBit = 0x40; // BUFE
constexpr uint8_t kWriteTypeMask = 0x0F;
constexpr uint8_t kMultiSessionShift = 6;
constexpr uint8_t kFixedPacketBit = 0x20;
constexpr uint8_t kNibble = 0x0F;
constexpr uint8_t kDataTrackBit = 0x04;
constexpr uint8_t kFourChannelBit = 0x08;
constexpr uint8_t kMultiSessionReserved = 2;
constexpr uint16_t kDefaultPause = 150;

// Data block types.
constexpr uint8_t kDbtRaw = 0;
constexpr uint8_t kDbtRawPq = 1;
constexpr uint8_t kDbtMode1 = 8;
constexpr uint8_t kDbtMode2Last = 13;

// Capabilities page.
constexpr uint8_t kReadBits = 0x07;  // CD-R, CD-RW, Mode 2 Form 2 method 2
constexpr uint8_t kWriteBits = 0x05; // CD-R, test write
constexpr uint8_t kAudioBits = 0x71; // audio play, Mode 2 forms 1 and 2, multi-session
constexpr uint8_t kCddaBits = 0x03;  // CD-DA commands, accurate stream
constexpr uint8_t kRwBit = 0x04;     // R-W sub-channel (in the same byte)
constexpr uint8_t kMechBits = 0x29;  // tray loader, eject, lock
constexpr uint8_t kVolumeBits = 0x03;
constexpr uint16_t kVolumeLevels = 256;

bool ValidSessionFormat(uint8_t f) { return f == 0x00 || f == 0x10 || f == 0x20; }

} // namespace

uint32_t DataBlockSize(uint8_t dbt) {
  static const uint32_t kSizes[] = {2352, 2368, 2448, 2448, 0,    0,    0,
                                    0,    2048, 2336, 2048, 2056, 2324, 2332};
  return dbt < sizeof kSizes / sizeof kSizes[0] ? kSizes[dbt] : 0;
}

const char *WriteTypeName(uint8_t writeType) {
  switch (writeType) {
  case wt::kPacket:
    return "packet";
  case wt::kTao:
    return "track-at-once";
  case wt::kSao:
    return "session-at-once";
  case wt::kRaw:
    return "raw";
  default:
    return "unknown";
  }
}

TWriteParams DefaultWriteParams(const TDeviceConfig &config) {
  TWriteParams p;
  p.WriteType = config.CanTao ? wt::kTao : config.CanSao ? wt::kSao : wt::kRaw;
  p.DataBlockType = p.WriteType == wt::kRaw ? kDbtRawPq : kDbtMode1;
  p.TrackMode = p.WriteType == wt::kRaw ? 0 : kDataTrackBit;
  uint8_t *page = p.Page;
  page[0] = kWriteParametersPage;
  page[1] = kWritePageLength;
  page[kWtByte] = p.WriteType;
  page[kTrackModeByte] = p.TrackMode;
  page[kDbtByte] = p.DataBlockType;
  Put16(page + kPauseByte, kDefaultPause);
  return p;
}

std::vector<uint8_t> WriteParametersPage(const TWriteParams &current, TPageControl control,
                                         const TDeviceConfig &config) {
  std::vector<uint8_t> page;
  if (control == TPageControl::Changeable) {
    page.assign(kWritePageSize, 0xFF);
    page[0] = kWriteParametersPage;
    page[1] = kWritePageLength;
    page[kWtByte] = 0x7F;
    page[kDbtByte] = kNibble;
    page[6] = page[9] = 0;
    page[kHostAppByte] = 0x3F;
    return page;
  }
  const TWriteParams &p = control == TPageControl::Default ? DefaultWriteParams(config) : current;
  return std::vector<uint8_t>(p.Page, p.Page + kWritePageSize);
}

std::vector<uint8_t> CapabilitiesPage(const TDeviceConfig &config, TPageControl control,
                                      uint16_t currentReadKbps, uint16_t currentWriteKbps) {
  const size_t size = size_t{config.CapabilitiesPageLength} + 2;
  std::vector<uint8_t> full(std::max<size_t>(size, 22), 0);
  full[0] = kCapabilitiesPage;
  full[1] = config.CapabilitiesPageLength;
  if (control != TPageControl::Changeable) {
    const bool recorder = config.Kind == TDeviceKind::Recorder;
    const bool def = control == TPageControl::Default;
    full[2] = kReadBits;
    full[3] = recorder ? kWriteBits : 0;
    full[4] = kAudioBits;
    full[5] = config.CdText == TCdTextSupport::No ? kCddaBits : kCddaBits | kRwBit;
    full[6] = kMechBits;
    full[7] = kVolumeBits;
    Put16(&full[8], config.MaxReadKbps);
    Put16(&full[10], kVolumeLevels);
    Put16(&full[12], static_cast<uint16_t>(config.BufferKb));
    Put16(&full[14], def ? config.MaxReadKbps : currentReadKbps);
    Put16(&full[18], config.MaxWriteKbps);
    Put16(&full[20], def ? config.MaxWriteKbps : currentWriteKbps);
  }
  full.resize(size);
  return full;
}

bool AcceptWriteParametersPage(const uint8_t *page, size_t length, const TDeviceConfig &config,
                               TWriteParams &params, std::string &why) {
  if (length < 2 || (page[0] & kPsBit) != 0) {
    why = "the PS bit is reserved in MODE SELECT";
    return false;
  }
  if (page[1] != kWritePageLength || length < kWritePageSize) {
    why = "page length " + std::to_string(page[1]) + " (the recorder's is " +
          std::to_string(kWritePageLength) + ")";
    return false;
  }
  TWriteParams p;
  std::memcpy(p.Page, page, kWritePageSize);
  p.WriteType = page[kWtByte] & kWriteTypeMask;
  p.TestWrite = (page[kWtByte] & kTestWriteBit) != 0;
  p.UnderrunProtection = (page[kWtByte] & kUnderrunProtectionBit) != 0;
  p.MultiSession = page[kTrackModeByte] >> kMultiSessionShift;
  p.TrackMode = page[kTrackModeByte] & kNibble;
  p.DataBlockType = page[kDbtByte] & kNibble;
  p.SessionFormat = page[kSessionFormatByte];
  const bool accepted = (p.WriteType == wt::kTao && config.CanTao) ||
                        (p.WriteType == wt::kSao && config.CanSao) ||
                        (p.WriteType == wt::kRaw && config.CanRaw);
  if (!accepted) {
    why = std::string("write type ") + std::to_string(p.WriteType) + " (" +
          WriteTypeName(p.WriteType) + ") is not supported";
    return false;
  }
  if (p.MultiSession == kMultiSessionReserved) {
    why = "reserved multi-session value";
    return false;
  }
  if ((page[kTrackModeByte] & kFixedPacketBit) != 0 || Get32(page + kPacketSizeByte) != 0) {
    why = "fixed packets need the packet write type";
    return false;
  }
  if (p.WriteType == wt::kRaw) {
    if (p.DataBlockType != kDbtRawPq) {
      why = "raw writing takes data block type 1 (2368 bytes with P-Q sub-channel) only";
      return false;
    }
  } else if (p.DataBlockType != kDbtRaw &&
             (p.DataBlockType < kDbtMode1 || p.DataBlockType > kDbtMode2Last)) {
    why = "data block type " + std::to_string(p.DataBlockType) + " does not suit " +
          WriteTypeName(p.WriteType);
    return false;
  } else if (p.DataBlockType == kDbtRaw
                 ? (p.TrackMode & kDataTrackBit) != 0
                 : (p.TrackMode & (kDataTrackBit | kFourChannelBit)) != kDataTrackBit) {
    why = "track mode " + std::to_string(p.TrackMode) + " does not match data block type " +
          std::to_string(p.DataBlockType);
    return false;
  }
  if (!ValidSessionFormat(p.SessionFormat)) {
    why = "session format " + std::to_string(p.SessionFormat);
    return false;
  }
  params = p;
  return true;
}

} // namespace vrec
