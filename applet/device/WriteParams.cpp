// SetWriteParams: the write-parameters page (0x05) built from the drive's own page and sent
// with MODE SELECT(10).
#include "applet/device/BigEndian.h"
#include "applet/device/CdUnits.h"
#include "applet/device/DeviceMessages.h"
#include "applet/device/MMC.h"
#include "applet/device/MmcRequest.h"

#include <algorithm>
#include <cstddef>

namespace device {

namespace {

constexpr size_t kListSize = 155;
constexpr size_t kHeaderSize = 8;     // mode parameter header, no block descriptor
constexpr size_t kLastPageStart = 32; // the page must start within the first 33 bytes
constexpr size_t kClearFrom = 16;     // media catalogue number, ISRC, sub-header, vendor bytes
constexpr size_t kPageHeadBytes = 2;  // page code and page length
constexpr uint8_t kMaxPageLength = kListSize - kHeaderSize - kClearFrom - kPageHeadBytes;
constexpr uint16_t kListLengthExtra = kHeaderSize + kPageHeadBytes;
constexpr uint8_t kPageFormat = 0x10;

// Page byte positions and values.
constexpr size_t kWriteTypeByte = 2;
constexpr size_t kTrackModeByte = 3;
constexpr size_t kDataBlockTypeByte = 4;
constexpr size_t kSessionFormatByte = 8;
constexpr size_t kPacketSizeByte = 10;
constexpr size_t kAudioPauseLowByte = 15;
constexpr uint8_t kWriteTypeTao = 1;
constexpr uint8_t kWriteTypeSao = 2;
constexpr uint8_t kWriteTypeRaw = 3;
constexpr uint8_t kWriteTypeMask = 0x0F;
constexpr uint8_t kTestWriteBit = 0x10;
constexpr uint8_t kTrackModeAudio = 0;
constexpr uint8_t kTrackModeData = 4;
constexpr uint8_t kMultiSessionNext = 0xC0;
constexpr uint8_t kBlockRawPq = 1;
constexpr uint8_t kBlockAudio = 0;
constexpr uint8_t kBlockMode1 = 8;
constexpr uint8_t kBlockMode2 = 13;
constexpr uint8_t kSessionCdDaOrCdRom = 0x00;
constexpr uint8_t kSessionCdRomXa = 0x20;
constexpr int kOneAttempt = 1;

} // namespace

bool BuildWriteParams(const TDriveData &drive, TWriteMethod method, TTrackMode trackMode,
                      TDiscType discType, bool testWrite, bool multisession,
                      std::vector<uint8_t> &list) {
  const auto &sense = drive.ModePage5;
  const size_t start = FindModePage(sense.data(), sense.size(), kPageWriteParameters);
  if (start == kNoModePage || start > kLastPageStart)
    return true;
  const uint8_t pageLength = sense[start + 1];
  if (pageLength > kMaxPageLength)
    return true;

  list.assign(kListSize, 0);
  uint8_t *page = list.data() + kHeaderSize;
  std::copy_n(sense.begin() + static_cast<std::ptrdiff_t>(start), pageLength + kPageHeadBytes,
              page);
  std::fill_n(page + kClearFrom, pageLength + kPageHeadBytes, 0);
  page[0] = kPageWriteParameters;

  switch (method) {
  case Dao:
    page[kWriteTypeByte] = kWriteTypeRaw;
    break;
  case Sao:
    page[kWriteTypeByte] = kWriteTypeSao;
    break;
  case Tao:
    page[kWriteTypeByte] = kWriteTypeTao;
    break;
  default:
    ShowErrorMessage("Critical error - Illegal burning mode in setwriteparams");
    break;
  }

  const bool audio = trackMode == TTrackMode::Audio;
  page[kTrackModeByte] = static_cast<uint8_t>((audio ? kTrackModeAudio : kTrackModeData) |
                                              (multisession ? kMultiSessionNext : 0));

  if ((page[kWriteTypeByte] & kWriteTypeMask) == kWriteTypeRaw)
    page[kDataBlockTypeByte] = kBlockRawPq;
  else if (audio)
    page[kDataBlockTypeByte] = kBlockAudio;
  else if (trackMode == TTrackMode::Mode1)
    page[kDataBlockTypeByte] = kBlockMode1;
  else if (trackMode == TTrackMode::Mode2)
    page[kDataBlockTypeByte] = kBlockMode2;

  if (testWrite)
    page[kWriteTypeByte] |= kTestWriteBit;

  page[kSessionFormatByte] = discType == TDiscType::Xa ? kSessionCdRomXa : kSessionCdDaOrCdRom;

  PutBe32(page + kPacketSizeByte, 0);
  page[kAudioPauseLowByte] = static_cast<uint8_t>(kTaoTrackGap);
  return false;
}

bool SetWriteParams(const TDriveData &drive, TWriteMethod method, TTrackMode trackMode,
                    TDiscType discType, bool testWrite, bool multisession, TCommandStatus *status) {
  std::vector<uint8_t> list;
  if (BuildWriteParams(drive, method, trackMode, discType, testWrite, multisession, list)) {
    if (status != nullptr)
      *status = TCommandStatus();
    return true;
  }
  const uint8_t pageLength = list[kHeaderSize + 1];
  TSrbExecScsiCmd srb = NewRequest(drive.HaId, drive.Target, kOpModeSelect10, kCdb10, kFlagsDataOut,
                                   list.data(), kListSize);
  srb.CdbByte[1] = kPageFormat;
  PutBe16(srb.CdbByte + 7, static_cast<uint16_t>(pageLength + kListLengthExtra));
  return RunAttempts(srb, kOneAttempt, status);
}

} // namespace device
