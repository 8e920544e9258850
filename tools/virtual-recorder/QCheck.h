// Checks the P-Q sub-channel of a raw disc-at-once recording block by block, and learns the
// disc's layout from it: lead-in TOC entries that repeat consistently and match the track
// starts, absolute times that match the LBAs, track, index and relative-time progression, P
// set in pauses and blinking in the lead-out.
#pragma once

#include "tools/virtual-recorder/Disc.h"

#include <cstdint>
#include <map>
#include <string>
#include <vector>

namespace vrec {

class TQChecker {
public:
  static constexpr size_t kMaxReported = 100;

  // pq: the 16 bytes after the sector (Q in bytes 0-9, P in the top bit of byte 15).
  // sectorMode: byte 15 of the unscrambled sector of a data block, 0 for audio.
  void Feed(int32_t lba, const uint8_t *pq, uint8_t sectorMode);
  // Ends the recording at the last block fed: lead-out length and the TOC against the tracks.
  void Finish();

  bool LeadOutReached() const { return leadOutStart_ != kNone; }
  int32_t LeadOutStart() const { return leadOutStart_; }
  const std::vector<TDiscTrack> &Tracks() const { return tracks_; }
  uint8_t DiscType() const { return discType_; }
  const std::vector<std::string> &Violations() const { return violations_; }
  size_t ViolationCount() const { return violationCount_; }

private:
  static constexpr int32_t kNone = INT32_MIN;
  struct TTocEntry {
    uint8_t CtlAdr, PMin, PSec, PFrame;
    bool operator!=(const TTocEntry &o) const {
      return CtlAdr != o.CtlAdr || PMin != o.PMin || PSec != o.PSec || PFrame != o.PFrame;
    }
  };

  void Violation(int32_t lba, const std::string &what);
  void FeedLeadIn(int32_t lba, const uint8_t *pq);
  void FeedProgram(int32_t lba, const uint8_t *pq, uint8_t sectorMode);
  void FeedLeadOut(int32_t lba, const uint8_t *pq);
  void StartTrack(int32_t lba, uint8_t number, uint8_t index, uint8_t ctlAdr);
  void CloseTrack(int32_t end);
  void CheckProgramP(int32_t lba, uint8_t index, bool p);
  void CheckLeadOutP(int32_t lba, bool p);
  void CompareToc();

  std::vector<std::string> violations_;
  size_t violationCount_ = 0;
  int32_t lastLba_ = kNone;
  int32_t lastRel_ = kNone; // relative time of the previous block, in frames
  std::map<uint8_t, TTocEntry> toc_;
  bool sawLeadIn_ = false;
  std::vector<TDiscTrack> tracks_;
  uint8_t index_ = 0;
  bool ctlReported_ = false;
  bool pauseReported_ = false;
  int32_t pRunStart_ = kNone;
  int32_t leadOutStart_ = kNone;
  bool leadOutP_ = false;
  int32_t leadOutRunStart_ = 0;
  int leadOutRuns_ = 0;
  uint8_t discType_ = 0;
};

} // namespace vrec
