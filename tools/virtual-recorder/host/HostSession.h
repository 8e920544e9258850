// A small ASPI host: builds request blocks, sends them through a pair of ASPI entry points
// (the in-process functions or those of a loaded library) with event notification, and
// runs the recording sequences of the three write methods against a recorder.
#pragma once

#include "tools/virtual-recorder/Scsi.h"

#include <cstdint>
#include <string>
#include <vector>

namespace vrec {
namespace drive {

struct TAspiEntry {
  uint32_t (*SupportInfo)();
  uint32_t (*Send)(void *srb);
};
// The in-process entry points (vrec::GetASPI32SupportInfo, vrec::SendASPI32Command).
TAspiEntry InProcessEntry();

struct TOutcome {
  uint8_t Status = 0; // SRB status after completion
  uint8_t HaStatus = 0;
  uint8_t TargetStatus = 0;
  TSense Sense;
  bool WasPending = false;
  bool Ok() const { return Status == 1; }
  std::string Text() const;
};

enum class TData { None, In, Out };

class THost {
public:
  THost(TAspiEntry entry, uint8_t adapter, uint8_t target)
      : entry_(entry), adapter_(adapter), target_(target) {}

  TOutcome Exec(const std::vector<uint8_t> &cdb, TData data, uint8_t *buffer, uint32_t length);

  TOutcome TestUnitReady();
  TOutcome Inquiry(std::vector<uint8_t> &answer);
  TOutcome StartStop(uint8_t action); // 0 stop, 1 start, 2 eject, 3 load
  TOutcome ModeSense(uint8_t page, uint8_t control, std::vector<uint8_t> &answer);
  // Selects the write parameters from the recorder's own (default) page 5, as a host does.
  TOutcome SetWriteParams(uint8_t writeType, uint8_t dataBlockType, uint8_t trackMode,
                          bool testWrite, bool underrunProtection = false);
  TOutcome ReadDiscInfo(std::vector<uint8_t> &answer);
  TOutcome ReadTrackInfo(uint32_t track, std::vector<uint8_t> &answer);
  TOutcome ReadToc(uint8_t format, bool msf, uint8_t track, std::vector<uint8_t> &answer);
  TOutcome SendCueSheet(const std::vector<uint8_t> &sheet);
  TOutcome Write10(int32_t lba, uint32_t blocks, const uint8_t *data, uint32_t length);
  TOutcome SyncCache();
  TOutcome CloseSession();

private:
  TAspiEntry entry_;
  uint8_t adapter_;
  uint8_t target_;
};

// An audio track: 2352-byte sectors, with a pregap (pause) of Pregap blocks before it.
struct TAudioTrack {
  std::vector<uint8_t> Data;
  int32_t Pregap = 150;
  int32_t Blocks() const { return static_cast<int32_t>(Data.size() / 2352); }
};

// The MMC cue sheet of audio tracks (times binary, from LBA -150).
std::vector<uint8_t> AudioCueSheet(const std::vector<TAudioTrack> &tracks);

// Records the tracks with one method, block packets as large as the recording engine's;
// false with the failing step and its outcome.
bool RecordSao(THost &host, const std::vector<TAudioTrack> &tracks, bool test, std::string &error);
bool RecordTao(THost &host, const std::vector<TAudioTrack> &tracks, bool test, std::string &error);
bool RecordRaw(THost &host, const std::vector<TAudioTrack> &tracks, bool test, std::string &error);

} // namespace drive
} // namespace vrec
