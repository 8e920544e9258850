#include "applet/device/MMC.h"

#include "applet/device/BigEndian.h"
#include "applet/device/Calculations.h"
#include "applet/device/DeviceMessages.h"
#include "applet/device/MmcRequest.h"
#include "applet/platform/Platform.h"

#include <cstring>

namespace device {

namespace {

constexpr uint32_t kAttemptPauseMs = 250;
constexpr int kAttemptsOnce = 1;
constexpr int kAttemptsUsual = 3;
constexpr int kAttemptsSyncCache = 9;
constexpr uint16_t kInfoAnswerSize = 100;
constexpr uint16_t kModeSenseWarnAbove = 255;

// CDB fields.
constexpr uint8_t kMsfBit = 0x02;
constexpr uint8_t kTrackAddressIsNumber = 0x01;
constexpr uint8_t kPerformOpc = 0x01;
constexpr uint8_t kCloseSessionFunction = 0x02;

// The legacy READ TOC form carries the format in the top two bits of byte 9.
constexpr int kLegacyTocFormatShift = 6;

void Pause() { platform::Platform().Sleep(kAttemptPauseMs); }

bool Bit(uint8_t byte, int bit) { return ((byte >> bit) & 1) != 0; }

void FillDiscInfo(const uint8_t *a, TDiscInfo &info) {
  info = TDiscInfo();
  std::memcpy(info.Raw, a, kDiscInfoRawSize);
  info.DataLength = GetBe16(a);
  info.Erasable = Bit(a[2], 4);
  info.LastSessionState = a[2] & 0x0C;
  info.DiscStatus = a[2] & 0x03;
  info.DiscIdValid = Bit(a[7], 7);
  info.BarCodeValid = Bit(a[7], 6);
  info.UnrestrictedUse = Bit(a[7], 5);
  info.DiscIdentification = GetBe32(a + 12);
  info.LastSessionLeadInStart = MsfToLba(a[17], a[18], a[19]);
  info.LastPossibleLeadOutStart = MsfToLba(a[21], a[22], a[23]);
}

void FillTrackInfo(const uint8_t *a, TTrackInfo &info) {
  info = TTrackInfo();
  info.DataLength = GetBe16(a);
  info.TrackNumber = a[2];
  info.SessionNumber = a[3];
  info.Damage = Bit(a[5], 5);
  info.Copy = Bit(a[5], 4);
  info.TrackMode = a[5] & 0x0F;
  info.RT = Bit(a[6], 7);
  info.Blank = Bit(a[6], 6);
  info.Packet = Bit(a[6], 5);
  info.FP = Bit(a[6], 4);
  info.DataMode = a[6] & 0x0F;
  info.TrackStart = static_cast<int32_t>(GetBe32(a + 8));
  info.NextWritable = static_cast<int32_t>(GetBe32(a + 12));
  info.FreeBlockCount = static_cast<int32_t>(GetBe32(a + 16));
  info.FixedPacketSize = static_cast<int32_t>(GetBe32(a + 20));
  info.TrackSize = static_cast<int32_t>(GetBe32(a + 24));
}

// READ DISC INFORMATION and READ TRACK INFORMATION: an attempt is good only with a non-zero
// data length in the answer. Returns the answer's data length; 0 means failure.
uint16_t ReadInfoAnswer(const TSrbExecScsiCmd &request, std::vector<uint8_t> &answer,
                        TCommandStatus *status) {
  uint16_t length = 0;
  TCommandStatus last;
  for (int attempt = 0; attempt < kAttemptsUsual && length == 0; ++attempt) {
    std::fill(answer.begin(), answer.end(), 0);
    TSrbExecScsiCmd srb = request;
    const bool failed = ExecWithRetry(srb, last);
    length = failed ? 0 : GetBe16(answer.data());
    if (length == 0)
      Pause();
  }
  if (status != nullptr)
    *status = last;
  return length;
}

TSrbExecScsiCmd WriteRequest(uint8_t adapter, uint8_t target, uint8_t opCode, uint8_t cdbLength,
                             const TWriteRequest &request) {
  TSrbExecScsiCmd srb = NewRequest(adapter, target, opCode, cdbLength, kFlagsDataOut,
                                   request.Buffer, request.BufferLength);
  PutBe32(srb.CdbByte + 2, static_cast<uint32_t>(request.Lba));
  return srb;
}

} // namespace

bool RunAttempts(const TSrbExecScsiCmd &request, int attempts, TCommandStatus *status) {
  bool failed = true;
  TCommandStatus last;
  for (int attempt = 0; attempt < attempts && failed; ++attempt) {
    TSrbExecScsiCmd srb = request;
    failed = ExecWithRetry(srb, last);
    if (failed)
      Pause();
  }
  if (status != nullptr)
    *status = last;
  return failed;
}

bool TestUnitReady(uint8_t adapter, uint8_t target, TCommandStatus *status) {
  const TSrbExecScsiCmd srb = NewRequest(adapter, target, kOpTestUnitReady, kCdb6, kFlagsNoData);
  return RunAttempts(srb, kAttemptsUsual, status);
}

bool Inquiry(uint8_t adapter, uint8_t target, std::vector<uint8_t> &buffer, uint8_t length,
             TCommandStatus *status) {
  buffer.assign(length, 0);
  TSrbExecScsiCmd srb =
      NewRequest(adapter, target, kOpInquiry, kCdb6, kFlagsDataIn, buffer.data(), length);
  srb.CdbByte[4] = length;
  return RunAttempts(srb, kAttemptsOnce, status);
}

bool StartStopUnit(uint8_t adapter, uint8_t target, TStartStopAction action,
                   TCommandStatus *status) {
  TSrbExecScsiCmd srb = NewRequest(adapter, target, kOpStartStopUnit, kCdb6, kFlagsNoData);
  srb.CdbByte[4] = static_cast<uint8_t>(action);
  return RunAttempts(srb, kAttemptsUsual, status);
}

bool Write10(uint8_t adapter, uint8_t target, const TWriteRequest &request,
             TCommandStatus *status) {
  TSrbExecScsiCmd srb = WriteRequest(adapter, target, kOpWrite10, kCdb10, request);
  PutBe16(srb.CdbByte + 7, static_cast<uint16_t>(request.SectorCount));
  return RunAttempts(srb, kAttemptsOnce, status);
}

bool Write12(uint8_t adapter, uint8_t target, const TWriteRequest &request,
             TCommandStatus *status) {
  TSrbExecScsiCmd srb = WriteRequest(adapter, target, kOpWrite12, kCdb12, request);
  PutBe32(srb.CdbByte + 6, request.SectorCount);
  return RunAttempts(srb, kAttemptsOnce, status);
}

bool SyncCache(uint8_t adapter, uint8_t target, TCommandStatus *status) {
  const TSrbExecScsiCmd srb = NewRequest(adapter, target, kOpSyncCache, kCdb10, kFlagsNoData);
  return RunAttempts(srb, kAttemptsSyncCache, status);
}

bool ReadTOC(uint8_t adapter, uint8_t target, TTocFormat format, bool msf, bool legacy,
             std::vector<uint8_t> &buffer, uint8_t number, TCommandStatus *status) {
  buffer.assign(kTocBufferSize, 0);
  TSrbExecScsiCmd srb =
      NewRequest(adapter, target, kOpReadToc, kCdb10, kFlagsDataIn, buffer.data(), kTocBufferSize);
  if (msf)
    srb.CdbByte[1] = kMsfBit;
  const auto code = static_cast<uint8_t>(format);
  if (!legacy)
    srb.CdbByte[2] = code;
  else if (format <= TTocFormat::TocFull)
    srb.CdbByte[9] = static_cast<uint8_t>(code << kLegacyTocFormatShift);
  else
    ShowPlainMessage("PMA or ATIP Read TOC command not supported on legacy devices");
  srb.CdbByte[6] = number;
  PutBe16(srb.CdbByte + 7, kTocBufferSize);
  return RunAttempts(srb, kAttemptsOnce, status);
}

bool ReadDiscInfo(uint8_t adapter, uint8_t target, TDiscInfo &info, TCommandStatus *status) {
  std::vector<uint8_t> answer(kInfoAnswerSize, 0);
  TSrbExecScsiCmd srb = NewRequest(adapter, target, kOpReadDiscInfo, kCdb10, kFlagsDataIn,
                                   answer.data(), kInfoAnswerSize);
  PutBe16(srb.CdbByte + 7, kInfoAnswerSize);
  info.DataLength = ReadInfoAnswer(srb, answer, status);
  if (info.DataLength == 0)
    return true;
  FillDiscInfo(answer.data(), info);
  return false;
}

// The documented parameter order of the command set.
// NOLINTNEXTLINE(bugprone-easily-swappable-parameters)
bool ReadTrackInfo(uint8_t adapter, uint8_t target, uint32_t track, TTrackInfo &info,
                   TCommandStatus *status) {
  std::vector<uint8_t> answer(kInfoAnswerSize, 0);
  TSrbExecScsiCmd srb = NewRequest(adapter, target, kOpReadTrackInfo, kCdb10, kFlagsDataIn,
                                   answer.data(), kInfoAnswerSize);
  srb.CdbByte[1] = kTrackAddressIsNumber;
  PutBe32(srb.CdbByte + 2, track);
  PutBe16(srb.CdbByte + 7, kInfoAnswerSize);
  info.DataLength = ReadInfoAnswer(srb, answer, status);
  if (info.DataLength == 0)
    return true;
  FillTrackInfo(answer.data(), info);
  return false;
}

bool SendOPC(uint8_t adapter, uint8_t target, TCommandStatus *status) {
  TSrbExecScsiCmd srb = NewRequest(adapter, target, kOpSendOpc, kCdb10, kFlagsNoData);
  srb.CdbByte[1] = kPerformOpc;
  return RunAttempts(srb, kAttemptsUsual, status);
}

size_t FindModePage(const uint8_t *answer, size_t size, uint8_t page) {
  constexpr size_t kHeaderSize = 8;
  constexpr size_t kPageHeadBytes = 2; // page code and page length
  constexpr size_t kDataLengthBytes = 2;
  constexpr size_t kDescriptorLengthAt = 6;
  constexpr uint8_t kPageCodeMask = 0x3F;
  if (size >= kHeaderSize) {
    const size_t modeData = GetBe16(answer) + kDataLengthBytes;
    const size_t start = kHeaderSize + GetBe16(answer + kDescriptorLengthAt);
    if (start + kPageHeadBytes <= std::min(size, modeData))
      return (answer[start] & kPageCodeMask) == page ? start : kNoModePage;
  }
  for (size_t i = 0; i < size; ++i)
    if (answer[i] == page)
      return i;
  return kNoModePage;
}

bool ModeSense(uint8_t adapter, uint8_t target, TPageControl pageControl, uint8_t page,
               std::vector<uint8_t> &buffer, uint16_t length, TCommandStatus *status) {
  if (length > kModeSenseWarnAbove)
    ShowErrorMessage("Warning!  Mode Sense input buffer exceeds 255 bytes");
  buffer.assign(length, 0);
  TSrbExecScsiCmd srb =
      NewRequest(adapter, target, kOpModeSense10, kCdb10, kFlagsDataIn, buffer.data(), length);
  srb.CdbByte[2] = static_cast<uint8_t>(static_cast<uint8_t>(pageControl) + page);
  PutBe16(srb.CdbByte + 7, length);
  return RunAttempts(srb, kAttemptsOnce, status);
}

bool CloseSession(uint8_t adapter, uint8_t target, TCommandStatus *status) {
  TSrbExecScsiCmd srb = NewRequest(adapter, target, kOpCloseTrackSession, kCdb10, kFlagsNoData);
  srb.CdbByte[2] = kCloseSessionFunction;
  return RunAttempts(srb, kAttemptsUsual, status);
}

bool SendCueSheet(uint8_t adapter, uint8_t target, const uint8_t *cueSheet, uint16_t size,
                  TCommandStatus *status) {
  // The drive only reads from the buffer.
  TSrbExecScsiCmd srb = NewRequest(adapter, target, kOpSendCueSheet, kCdb10, kFlagsDataOut,
                                   const_cast<uint8_t *>(cueSheet), size);
  PutBe16(srb.CdbByte + 7, size);
  return RunAttempts(srb, kAttemptsOnce, status);
}

// NOLINTNEXTLINE(bugprone-easily-swappable-parameters)
bool SetCDSpeed(uint8_t adapter, uint8_t target, uint16_t readSpeed, uint16_t writeSpeed,
                TCommandStatus *status) {
  TSrbExecScsiCmd srb = NewRequest(adapter, target, kOpSetCdSpeed, kCdb12, kFlagsNoData);
  PutBe16(srb.CdbByte + 2, readSpeed);
  PutBe16(srb.CdbByte + 4, writeSpeed);
  return RunAttempts(srb, kAttemptsUsual, status);
}

} // namespace device
