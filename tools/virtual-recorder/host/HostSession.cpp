#include "tools/virtual-recorder/host/HostSession.h"

#include "applet/platform/Sync.h"
#include "tools/virtual-recorder/AspiLayout.h"
#include "tools/virtual-recorder/CdTime.h"
#include "tools/virtual-recorder/SectorCodec.h"
#include "tools/virtual-recorder/VirtualRecorder.h"
#include "tools/virtual-recorder/host/RawBlocks.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

namespace vrec {
namespace drive {

namespace {

constexpr uint32_t kWaitMs = 60000;
constexpr uint8_t kSenseLength = 14;
constexpr uint32_t kAnswerLength = 100;
constexpr uint32_t kModeLength = 255;
constexpr uint32_t kTocLength = 1024;
constexpr int kSaoPacket = 27; // 65535 / 2352
constexpr int kTaoPacket = 13; // 32768 / 2352
constexpr int kRawPacket = 27; // 65535 / 2368
constexpr uint8_t kAudioCtl = 0x01;

uint32_t InProcessSupport() { return vrec::GetASPI32SupportInfo(); }
uint32_t InProcessSend(void *srb) { return vrec::SendASPI32Command(srb); }

void PutBe32(std::vector<uint8_t> &cdb, size_t at, uint32_t v) { Put32(&cdb[at], v); }

bool Step(const TOutcome &o, const char *what, std::string &error) {
  if (o.Ok())
    return true;
  error = std::string(what) + ": " + o.Text();
  return false;
}

void AddCueEntry(std::vector<uint8_t> &sheet, uint8_t tno, uint8_t index, uint8_t form,
                 int32_t lba) {
  const TMsf t = LbaToMsf(lba);
  const uint8_t e[8] = {kAudioCtl, tno, index, form, 0, t.M, t.S, t.F};
  sheet.insert(sheet.end(), e, e + 8);
}

} // namespace

TAspiEntry InProcessEntry() { return {InProcessSupport, InProcessSend}; }

std::string TOutcome::Text() const {
  char text[96];
  std::snprintf(text, sizeof text,
                "status %02X, host adapter %02X, target %02X, sense %X/%02X/%02X", unsigned{Status},
                unsigned{HaStatus}, unsigned{TargetStatus}, unsigned{Sense.Key},
                unsigned{Sense.Asc}, unsigned{Sense.Ascq});
  return text;
}

TOutcome THost::Exec(const std::vector<uint8_t> &cdb, TData data, uint8_t *buffer,
                     uint32_t length) {
  SRB_ExecSCSICmd srb;
  std::memset(&srb, 0, sizeof srb);
  platform::TEvent event(true);
  srb.SRB_Cmd = SC_EXEC_SCSI_CMD;
  srb.SRB_HaId = adapter_;
  srb.SRB_Target = target_;
  srb.SRB_Flags = static_cast<uint8_t>(SRB_EVENT_NOTIFY | (data == TData::In    ? SRB_DIR_IN
                                                           : data == TData::Out ? SRB_DIR_OUT
                                                                                : 0));
  srb.SRB_BufLen = length;
  srb.SRB_BufPointer = buffer;
  srb.SRB_SenseLen = kSenseLength;
  srb.SRB_CDBLen = static_cast<uint8_t>(cdb.size());
  srb.SRB_PostProc = &event;
  std::memcpy(srb.CDBByte, cdb.data(), std::min(cdb.size(), kCdbAreaLength));
  TOutcome o;
  const uint32_t sent = entry_.Send(&srb);
  o.WasPending = sent == SS_PENDING;
  if (o.WasPending && !event.WaitFor(kWaitMs)) {
    o.Status = SS_PENDING;
    return o;
  }
  o.Status = __atomic_load_n(&srb.SRB_Status, __ATOMIC_ACQUIRE);
  o.HaStatus = srb.SRB_HaStat;
  o.TargetStatus = srb.SRB_TargStat;
  if (o.TargetStatus == kStatusCheckCondition)
    o.Sense = {static_cast<uint8_t>(srb.SenseArea[2] & 0x0F), srb.SenseArea[12], srb.SenseArea[13]};
  return o;
}

TOutcome THost::TestUnitReady() {
  return Exec({op::kTestUnitReady, 0, 0, 0, 0, 0}, TData::None, nullptr, 0);
}

TOutcome THost::Inquiry(std::vector<uint8_t> &answer) {
  answer.assign(36, 0);
  return Exec({op::kInquiry, 0, 0, 0, 36, 0}, TData::In, answer.data(), 36);
}

TOutcome THost::StartStop(uint8_t action) {
  return Exec({op::kStartStopUnit, 0, 0, 0, action, 0}, TData::None, nullptr, 0);
}

TOutcome THost::ModeSense(uint8_t page, uint8_t control, std::vector<uint8_t> &answer) {
  answer.assign(kModeLength, 0);
  return Exec({op::kModeSense10, 0, static_cast<uint8_t>(control | page), 0, 0, 0, 0, 0,
               static_cast<uint8_t>(kModeLength), 0},
              TData::In, answer.data(), kModeLength);
}

TOutcome THost::SetWriteParams(uint8_t writeType, uint8_t dataBlockType, uint8_t trackMode,
                               bool testWrite, bool underrunProtection) {
  std::vector<uint8_t> sense;
  TOutcome o = ModeSense(0x05, 0x80, sense);
  if (!o.Ok())
    return o;
  const size_t page = 8;
  const uint8_t pageLength = sense[page + 1];
  std::vector<uint8_t> list(page + pageLength + 2u, 0);
  std::memcpy(&list[page], &sense[page], pageLength + 2u);
  uint8_t *p = &list[page];
  p[0] = 0x05;
  p[2] = static_cast<uint8_t>(writeType | (testWrite ? 0x10 : 0) | (underrunProtection ? 0x40 : 0));
  p[3] = trackMode;
  p[4] = dataBlockType;
  p[8] = 0;
  p[15] = 150;
  return Exec({op::kModeSelect10, 0x10, 0, 0, 0, 0, 0, 0, static_cast<uint8_t>(list.size()), 0},
              TData::Out, list.data(), static_cast<uint32_t>(list.size()));
}

TOutcome THost::ReadDiscInfo(std::vector<uint8_t> &answer) {
  answer.assign(kAnswerLength, 0);
  return Exec({op::kReadDiscInformation, 0, 0, 0, 0, 0, 0, 0, kAnswerLength, 0}, TData::In,
              answer.data(), kAnswerLength);
}

TOutcome THost::ReadTrackInfo(uint32_t track, std::vector<uint8_t> &answer) {
  answer.assign(kAnswerLength, 0);
  std::vector<uint8_t> cdb = {op::kReadTrackInformation, 1, 0, 0, 0, 0, 0, 0, kAnswerLength, 0};
  PutBe32(cdb, 2, track);
  return Exec(cdb, TData::In, answer.data(), kAnswerLength);
}

TOutcome THost::ReadToc(uint8_t format, bool msf, uint8_t track, std::vector<uint8_t> &answer) {
  answer.assign(kTocLength, 0);
  return Exec({op::kReadToc, static_cast<uint8_t>(msf ? 2 : 0), format, 0, 0, 0, track,
               kTocLength >> 8, kTocLength & 0xFF, 0},
              TData::In, answer.data(), kTocLength);
}

TOutcome THost::SendCueSheet(const std::vector<uint8_t> &sheet) {
  std::vector<uint8_t> copy = sheet;
  return Exec({op::kSendCueSheet, 0, 0, 0, 0, 0, 0, static_cast<uint8_t>(sheet.size() >> 8),
               static_cast<uint8_t>(sheet.size()), 0},
              TData::Out, copy.data(), static_cast<uint32_t>(copy.size()));
}

TOutcome THost::Write10(int32_t lba, uint32_t blocks, const uint8_t *data, uint32_t length) {
  std::vector<uint8_t> cdb = {op::kWrite10,
                              0,
                              0,
                              0,
                              0,
                              0,
                              0,
                              static_cast<uint8_t>(blocks >> 8),
                              static_cast<uint8_t>(blocks),
                              0};
  PutBe32(cdb, 2, static_cast<uint32_t>(lba));
  return Exec(cdb, TData::Out, const_cast<uint8_t *>(data), length);
}

TOutcome THost::SyncCache() {
  return Exec({op::kSynchronizeCache, 0, 0, 0, 0, 0, 0, 0, 0, 0}, TData::None, nullptr, 0);
}

TOutcome THost::CloseSession() {
  return Exec({op::kCloseTrackSession, 0, 2, 0, 0, 0, 0, 0, 0, 0}, TData::None, nullptr, 0);
}

std::vector<uint8_t> AudioCueSheet(const std::vector<TAudioTrack> &tracks) {
  std::vector<uint8_t> sheet;
  AddCueEntry(sheet, 0, 0, 0x01, -kPregapFrames);
  int32_t address = -kPregapFrames;
  for (size_t i = 0; i < tracks.size(); ++i) {
    const uint8_t n = static_cast<uint8_t>(i + 1);
    if (tracks[i].Pregap > 0)
      AddCueEntry(sheet, n, 0, 0x00, address);
    address += tracks[i].Pregap;
    AddCueEntry(sheet, n, 1, 0x00, address);
    address += tracks[i].Blocks();
  }
  AddCueEntry(sheet, 0xAA, 1, 0x01, address);
  return sheet;
}

bool RecordSao(THost &host, const std::vector<TAudioTrack> &tracks, bool test, std::string &error) {
  std::vector<uint8_t> answer;
  if (!Step(host.SetWriteParams(2, 0, 0, test), "write parameters", error) ||
      !Step(host.ReadDiscInfo(answer), "disc information", error) ||
      !Step(host.ReadTrackInfo(255, answer), "next track information", error))
    return false;
  int32_t lba = static_cast<int32_t>(Get32(&answer[8]));
  if (lba == 0)
    lba = -kPregapFrames;
  if (!Step(host.SendCueSheet(AudioCueSheet(tracks)), "cue sheet", error))
    return false;
  const std::vector<uint8_t> silence(size_t{kSaoPacket} * kSectorSize, 0);
  for (const TAudioTrack &t : tracks) {
    for (int32_t done = 0; done < t.Pregap;) {
      const int n = std::min(kSaoPacket, t.Pregap - done);
      if (!Step(host.Write10(lba, n, silence.data(), n * 2352u), "pregap write", error))
        return false;
      lba += n;
      done += n;
    }
    for (int32_t done = 0; done < t.Blocks();) {
      const int n = std::min(kSaoPacket, t.Blocks() - done);
      if (!Step(host.Write10(lba, n, &t.Data[size_t(done) * kSectorSize], n * 2352u), "write",
                error))
        return false;
      lba += n;
      done += n;
    }
  }
  return Step(host.SyncCache(), "synchronize cache", error);
}

bool RecordTao(THost &host, const std::vector<TAudioTrack> &tracks, bool test, std::string &error) {
  std::vector<uint8_t> answer;
  for (size_t i = 0; i < tracks.size(); ++i) {
    if (!Step(host.ReadDiscInfo(answer), "disc information", error) ||
        (i == 0 && !Step(host.SetWriteParams(1, 0, 0, test), "write parameters", error)) ||
        !Step(host.ReadTrackInfo(255, answer), "next track information", error))
      return false;
    int32_t lba = static_cast<int32_t>(Get32(&answer[12]));
    const TAudioTrack &t = tracks[i];
    for (int32_t done = 0; done < t.Blocks();) {
      const int n = std::min(kTaoPacket, t.Blocks() - done);
      if (!Step(host.Write10(lba, n, &t.Data[size_t(done) * kSectorSize], n * 2352u), "write",
                error))
        return false;
      lba += n;
      done += n;
    }
    if (!Step(host.SyncCache(), "synchronize cache", error))
      return false;
  }
  return test || Step(host.CloseSession(), "close session", error);
}

bool RecordRaw(THost &host, const std::vector<TAudioTrack> &tracks, bool test, std::string &error) {
  std::vector<uint8_t> answer;
  if (!Step(host.SetWriteParams(3, 1, 0, test), "write parameters", error) ||
      !Step(host.ReadDiscInfo(answer), "disc information", error))
    return false;
  const int32_t leadIn = MsfToLba({answer[17], answer[18], answer[19]});
  const TRawDisc disc(tracks, leadIn);
  std::vector<uint8_t> packet(size_t{kRawPacket} * kRawPqBlockSize);
  for (int32_t lba = disc.FirstLba(); lba < disc.EndLba();) {
    const int n = std::min(kRawPacket, disc.EndLba() - lba);
    for (int i = 0; i < n; ++i)
      disc.Block(lba + i, &packet[size_t(i) * kRawPqBlockSize]);
    if (!Step(host.Write10(lba, n, packet.data(), n * uint32_t{kRawPqBlockSize}), "write", error))
      return false;
    lba += n;
  }
  return Step(host.SyncCache(), "synchronize cache", error);
}

} // namespace drive
} // namespace vrec
