// The commands of TRecorder, one function each, in the order of their operation codes.
#include "tools/virtual-recorder/AspiLayout.h"
#include "tools/virtual-recorder/CueSheet.h"
#include "tools/virtual-recorder/Recorder.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

namespace vrec {

namespace {

constexpr size_t kInquiryLength = 36;
constexpr uint8_t kRemovable = 0x80;
constexpr uint8_t kScsi2 = 0x02;
constexpr uint8_t kEvpd = 0x01;
constexpr uint8_t kPowerConditions = 0xF0;
constexpr uint8_t kLoadEject = 0x02, kStart = 0x01;
constexpr uint8_t kPageFormat = 0x10, kSavePages = 0x01;
constexpr uint8_t kMsfBit = 0x02;
constexpr uint8_t kLegacyReserved = 3;
constexpr uint8_t kDoOpc = 0x01;
constexpr uint32_t kMicrosPerMs = 1000;
constexpr uint8_t kRotationControl = 0x03;
constexpr uint8_t kCloseFunction = 0x07;
constexpr uint16_t kMaxSpeed = 0xFFFF;
constexpr size_t kCueEntriesShown = 64;
constexpr size_t kBlockDescriptorLength = 8;
const char *const kPageControlNames[] = {"current", "changeable", "default", "saved"};

// A blank-padded INQUIRY field.
void PutText(uint8_t *field, size_t size, const std::string &text) {
  for (size_t i = 0; i < size; ++i)
    field[i] = i < text.size() ? static_cast<uint8_t>(text[i]) : ' ';
}

std::string Format(const char *format, long long a, long long b = 0, long long c = 0) {
  char text[96];
  std::snprintf(text, sizeof text, format, a, b, c);
  return text;
}

// The standard speed closest to a request from below, within the device's maximum.
uint16_t ChooseSpeed(uint16_t requested, uint16_t max) {
  static const int kFactors[] = {1, 2, 4, 6, 8, 10, 12, 16, 20, 24, 32, 40, 48, 52};
  if (requested >= max)
    return max;
  uint16_t chosen = 0;
  for (int f : kFactors) {
    const int kbps = (f * 1764 + 5) / 10;
    if (kbps <= requested && kbps <= max)
      chosen = static_cast<uint16_t>(kbps);
  }
  return chosen != 0 ? chosen : std::min<uint16_t>(max, 176);
}

std::string DescribeWriteParams(const TWriteParams &p) {
  char text[160];
  std::snprintf(text, sizeof text,
                "page 05: write type %u (%s)%s, data block type %u, track mode %u, "
                "session format %02X",
                unsigned{p.WriteType}, WriteTypeName(p.WriteType),
                p.TestWrite ? ", test write" : "", unsigned{p.DataBlockType}, unsigned{p.TrackMode},
                unsigned{p.SessionFormat});
  return text;
}

} // namespace

TResult TRecorder::TestUnitReady(TRequest &) {
  if (config_.Kind == TDeviceKind::Other)
    return TResult::Good();
  if (trayOpen_ || !hasMedium_)
    RereadConfig();
  if (unitAttention_) {
    unitAttention_ = false;
    return TResult::Check(pendingAttention_, "unit attention");
  }
  return CheckReady();
}

TResult TRecorder::Inquiry(TRequest &rq) {
  const uint32_t allocation = Get16(rq.Cdb + 3);
  rq.Summary += Format(" allocation %lld", allocation);
  if ((rq.Cdb[1] & kEvpd) != 0 || rq.Cdb[2] != 0)
    return TResult::Check(sense::kInvalidFieldInCdb, "vital product data is not supported");
  TResult r;
  r.DataIn.assign(kInquiryLength, 0);
  uint8_t *d = r.DataIn.data();
  d[0] = PeripheralType();
  d[1] = config_.Kind == TDeviceKind::Other ? 0 : kRemovable;
  d[2] = kScsi2;
  d[3] = kScsi2;
  d[4] = static_cast<uint8_t>(kInquiryLength - 5);
  PutText(d + 8, 8, config_.Vendor);
  PutText(d + 16, 16, config_.Product);
  PutText(d + 32, 4, config_.Revision);
  DeliverData(rq, allocation, r);
  return r;
}

TResult TRecorder::StartStopUnit(TRequest &rq) {
  const uint8_t b4 = rq.Cdb[4];
  static const char *const kActions[] = {" stop", " start", " eject", " load"};
  rq.Summary += kActions[b4 & (kLoadEject | kStart)];
  if ((b4 & kPowerConditions) != 0)
    return TResult::Check(sense::kInvalidFieldInCdb, "power conditions are not supported");
  const bool loadEject = (b4 & kLoadEject) != 0, start = (b4 & kStart) != 0;
  if (loadEject && !start) {
    if (!trayOpen_) {
      engine_.Interrupt("an eject");
      trayOpen_ = true;
    }
    RereadConfig();
    return TResult::Good();
  }
  if (loadEject) {
    if (trayOpen_) {
      trayOpen_ = false;
      if (hasMedium_)
        InsertMedium(true);
    }
    return TResult::Good();
  }
  if (start) {
    TResult ready = CheckReady();
    if (!ready.Ok())
      return ready;
  } else {
    engine_.Interrupt("a stop of the spindle");
  }
  return TResult::Good();
}

TResult TRecorder::ModeSense(TRequest &rq) {
  const auto control = static_cast<TPageControl>(rq.Cdb[2] >> 6);
  const uint8_t page = rq.Cdb[2] & 0x3F;
  const uint32_t allocation = Get16(rq.Cdb + 7);
  rq.Summary += Format(" page %02llX ", page) + kPageControlNames[static_cast<int>(control)] +
                Format(" allocation %lld", allocation);
  if (rq.Cdb[3] != 0)
    return TResult::Check(sense::kInvalidFieldInCdb, "subpages are not supported");
  if (control == TPageControl::Saved)
    return TResult::Check(sense::kSavingNotSupported);
  TResult r;
  r.DataIn.assign(kModeHeaderLength, 0);
  if ((page == kWriteParametersPage || page == kAllPages) &&
      config_.Kind == TDeviceKind::Recorder) {
    const std::vector<uint8_t> p = WriteParametersPage(params_, control, config_);
    r.DataIn.insert(r.DataIn.end(), p.begin(), p.end());
  }
  if (page == kCapabilitiesPage || page == kAllPages) {
    const std::vector<uint8_t> p = CapabilitiesPage(config_, control, readKbps_, writeKbps_);
    r.DataIn.insert(r.DataIn.end(), p.begin(), p.end());
  }
  if (r.DataIn.size() == kModeHeaderLength)
    return TResult::Check(sense::kInvalidFieldInCdb, "no such mode page");
  Put16(r.DataIn.data(), static_cast<uint32_t>(r.DataIn.size() - 2));
  DeliverData(rq, allocation, r);
  return r;
}

TResult TRecorder::ModeSelect(TRequest &rq) {
  const uint32_t length = Get16(rq.Cdb + 7);
  rq.Summary += Format(" %lld bytes", length);
  if ((rq.Cdb[1] & kPageFormat) == 0 || (rq.Cdb[1] & kSavePages) != 0)
    return TResult::Check(sense::kInvalidFieldInCdb, "page format required, saving unsupported");
  const uint8_t *data = nullptr;
  TResult taken = TakeData(rq, length, data);
  if (!taken.Ok() || length == 0)
    return taken;
  if (length < kModeHeaderLength)
    return TResult::Check(sense::kParameterListLength);
  const uint32_t descriptors = Get16(data + 6);
  if (descriptors != 0 && descriptors != kBlockDescriptorLength)
    return TResult::Check(sense::kInvalidFieldInParameters, "block descriptor length");
  for (uint32_t pos = kModeHeaderLength + descriptors; pos < length;) {
    if (length - pos < 2 || pos + data[pos + 1] + 2u > length)
      return TResult::Check(sense::kParameterListLength, "a page overruns the parameter list");
    const uint32_t pageLength = data[pos + 1] + 2u;
    if ((data[pos] & 0x3F) != kWriteParametersPage || config_.Kind != TDeviceKind::Recorder)
      return TResult::Check(sense::kInvalidFieldInParameters,
                            Format("page %02llX cannot be selected", data[pos] & 0x3F));
    if (engine_.Streaming())
      return TResult::Check(sense::kCommandSequence, "a recording is in progress");
    TWriteParams p;
    std::string why;
    if (!AcceptWriteParametersPage(data + pos, pageLength, config_, p, why))
      return TResult::Check(sense::kInvalidFieldInParameters, why);
    rq.Summary += ": " + DescribeWriteParams(p);
    engine_.DropCue("the write parameters changed");
    params_ = p;
    pos += pageLength;
  }
  return TResult::Good();
}

TResult TRecorder::ReadToc(TRequest &rq) {
  const bool msf = (rq.Cdb[1] & kMsfBit) != 0;
  uint8_t format = rq.Cdb[2] & 0x0F;
  const uint8_t legacy = rq.Cdb[9] >> 6;
  const uint32_t allocation = Get16(rq.Cdb + 7);
  if (format == 0 && legacy != 0) {
    if (legacy == kLegacyReserved)
      return TResult::Check(sense::kInvalidFieldInCdb, "reserved legacy format");
    format = legacy;
    rq.Summary += " (control byte form)";
  }
  rq.Summary += Format(" format %lld track %lld allocation %lld", format, rq.Cdb[6], allocation);
  if (msf)
    rq.Summary += " MSF";
  TResult r = ReadTocReply(disc_, format, msf, rq.Cdb[6]);
  DeliverData(rq, allocation, r);
  return r;
}

TResult TRecorder::ReadDiscInformation(TRequest &rq) {
  const uint32_t allocation = Get16(rq.Cdb + 7);
  rq.Summary += Format(" allocation %lld", allocation);
  if ((rq.Cdb[1] & 0x07) != 0)
    return TResult::Check(sense::kInvalidFieldInCdb, "data type");
  TResult r = DiscInformationReply(disc_);
  DeliverData(rq, allocation, r);
  return r;
}

TResult TRecorder::ReadTrackInformation(TRequest &rq) {
  const uint8_t type = rq.Cdb[1] & 0x03;
  const uint32_t value = Get32(rq.Cdb + 2);
  const uint32_t allocation = Get16(rq.Cdb + 7);
  static const char *const kTypes[] = {" LBA", " track", " session", " type 3"};
  rq.Summary +=
      kTypes[type] + Format(" %lld allocation %lld", static_cast<int32_t>(value), allocation);
  const uint8_t dbt = params_.DataBlockType;
  const uint8_t dataMode = dbt == 8 ? 1 : dbt > 8 ? 2 : 0x0F;
  TResult r = TrackInformationReply(disc_, type, value, params_.TrackMode, dataMode);
  DeliverData(rq, allocation, r);
  return r;
}

TResult TRecorder::SendOpc(TRequest &rq) {
  const uint32_t length = Get16(rq.Cdb + 7);
  rq.Summary += (rq.Cdb[1] & kDoOpc) != 0 ? " perform OPC" : " no OPC";
  if (length != 0)
    return TResult::Check(sense::kInvalidFieldInCdb, "OPC tables are not supported");
  if (!disc_.Writable())
    return TResult::Check(sense::kIncompatibleFormat, "the disc cannot be written");
  if (engine_.Streaming())
    return TResult::Check(sense::kCommandSequence, "a recording is in progress");
  return TResult::Good();
}

TResult TRecorder::SetCdSpeed(TRequest &rq) {
  const uint16_t read = Get16(rq.Cdb + 2), write = Get16(rq.Cdb + 4);
  rq.Summary += Format(" read %lld write %lld", read, write);
  if ((rq.Cdb[1] & kRotationControl) != 0)
    return TResult::Check(sense::kInvalidFieldInCdb, "rotation control");
  readKbps_ = ChooseSpeed(read == 0 ? kMaxSpeed : read, config_.MaxReadKbps);
  writeKbps_ = ChooseSpeed(write == 0 ? kMaxSpeed : write, config_.MaxWriteKbps);
  TResult r;
  r.Note = Format("now read %lld kB/s, write %lld kB/s", readKbps_, writeKbps_);
  return r;
}

TResult TRecorder::SendCueSheet(TRequest &rq) {
  const uint32_t length = Get24(rq.Cdb + 6);
  rq.Summary += Format(" %lld bytes", length);
  const uint8_t *data = nullptr;
  TResult taken = TakeData(rq, length, data);
  if (!taken.Ok())
    return taken;
  const size_t entries = length / kCueEntryLength;
  for (size_t i = 0; i < entries && i < kCueEntriesShown; ++i)
    rq.Summary += (i == 0 ? ": " : " / ") + HexBytes(data + i * kCueEntryLength, kCueEntryLength);
  if (entries > kCueEntriesShown)
    rq.Summary += " / ...";
  return engine_.SendCueSheet(params_, data, length);
}

TResult TRecorder::Write(TRequest &rq) {
  const int32_t lba = static_cast<int32_t>(Get32(rq.Cdb + 2));
  const uint32_t blocks = rq.Cdb[0] == op::kWrite10 ? Get16(rq.Cdb + 7) : Get32(rq.Cdb + 6);
  rq.Summary += Format(" LBA %lld, %lld blocks, %lld bytes", lba, blocks, rq.BufferLength);
  if (blocks > 0 && (rq.Direction == TDirection::In || rq.Direction == TDirection::None)) {
    TResult r;
    r.HaStatus = HASTAT_PHASE_ERR;
    r.Note = "the command sends data but the request's direction does not";
    return r;
  }
  if (config_.Faults.RemoveMedium && blocksSinceLoad_ >= config_.Faults.RemoveMediumAfterBlocks) {
    engine_.Interrupt("the removal of the medium");
    hasMedium_ = false;
    return TResult::Check(sense::kNoMediumTrayClosed, "fault: medium removed");
  }
  if (resetArmed_ && blocksSinceLoad_ >= config_.Faults.ResetAfterBlocks) {
    resetArmed_ = false;
    engine_.Interrupt("a reset of the drive");
    return TResult::Check(sense::kPowerOnReset, "fault: unit attention, the drive was reset");
  }
  const bool paced = config_.SpeedX != 0;
  if (paced && DrainBuffer()) {
    const std::string where = "buffer underrun at LBA " + std::to_string(lba);
    if (!params_.UnderrunProtection) {
      journal_.Note(where);
      return engine_.BufferUnderrun(where);
    }
    journal_.Note(where + " (underrun protection: the recording resumes)");
  }
  TResult r = engine_.Write(params_, lba, blocks, rq.Buffer, rq.BufferLength);
  if (r.Ok()) {
    blocksSinceLoad_ += blocks;
    if (paced)
      r.CompletionDelayUs = FillBuffer(blocks);
  }
  return r;
}

TResult TRecorder::SynchronizeCache(TRequest &) {
  // The drive writes out what its buffer holds; the stream has ended.
  if (config_.SpeedX != 0) {
    DrainBuffer();
    paceRunning_ = paceFill_ > 0;
    paceStreaming_ = false;
  }
  TResult r = engine_.Synchronize();
  if (config_.Faults.SyncCacheMs != 0 && r.Ok()) {
    r.CompletionDelayUs += config_.Faults.SyncCacheMs * kMicrosPerMs;
    if (r.Note.empty())
      r.Note = Format("fault: the flush takes %lld ms", config_.Faults.SyncCacheMs);
  }
  return r;
}

TResult TRecorder::CloseTrackSession(TRequest &rq) {
  const uint8_t function = rq.Cdb[2] & kCloseFunction;
  static const char *const kFunctions[] = {" function 0", " track",      " session",
                                           " function 3", " function 4", " function 5",
                                           " function 6", " function 7"};
  rq.Summary += kFunctions[function];
  paceStreaming_ = false;
  return engine_.Close(function, params_.TestWrite);
}

} // namespace vrec
