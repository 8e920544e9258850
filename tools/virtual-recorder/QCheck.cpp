#include "tools/virtual-recorder/QCheck.h"

#include <cstdio>

namespace vrec {

namespace {

constexpr uint8_t kLeadOutTno = 0xAA;
constexpr uint8_t kPointFirst = 0xA0, kPointLast = 0xA1, kPointLeadOut = 0xA2;
constexpr uint8_t kAdrMask = 0x0F;
constexpr uint8_t kAdrCatalogue = 2, kAdrIsrc = 3;
constexpr uint8_t kPBit = 0x80;
constexpr size_t kPByte = 15;
constexpr int32_t kMaxEndingP = 225;      // P may announce a track's end up to 3 s ahead
constexpr int32_t kLeadOutQuietMin = 150; // P clear for 2 to 3 s at the lead-out's start
constexpr int32_t kLeadOutQuietMax = 225;
constexpr int32_t kBlinkMin = 18, kBlinkMax = 20; // 2 Hz: runs of about 19 blocks

// Binary frames of a BCD minute, second and frame; -1 when a byte is not BCD.
int32_t BcdFrames(const uint8_t *p) {
  uint8_t m = 0, s = 0, f = 0;
  if (!FromBcd(p[0], m) || !FromBcd(p[1], s) || !FromBcd(p[2], f) || s >= 60 ||
      f >= kFramesPerSecond)
    return -1;
  return m * kFramesPerMinute + s * kFramesPerSecond + f;
}

int32_t AbsFrames(int32_t lba) {
  const TMsf t = LbaToMsf(lba);
  return t.M * kFramesPerMinute + t.S * kFramesPerSecond + t.F;
}

std::string Hex(uint8_t v) {
  char text[8];
  std::snprintf(text, sizeof text, "%02X", unsigned{v});
  return text;
}

} // namespace

void TQChecker::Violation(int32_t lba, const std::string &what) {
  ++violationCount_;
  if (violations_.size() < kMaxReported)
    violations_.push_back(lba == kNone ? what : "block " + std::to_string(lba) + ": " + what);
}

void TQChecker::Feed(int32_t lba, const uint8_t *pq, uint8_t sectorMode) {
  if (lastLba_ != kNone && lba != lastLba_ + 1)
    Violation(lba, "blocks are not contiguous");
  const uint8_t adr = pq[0] & kAdrMask;
  if (adr == kAdrCatalogue || adr == kAdrIsrc) {
    // Catalogue and ISRC frames replace a position frame; the count runs on.
    if (lastRel_ != kNone)
      lastRel_ += index_ == 0 && lba >= -kPregapFrames && leadOutStart_ == kNone ? -1 : 1;
  } else if (adr != kAdrPosition) {
    Violation(lba, "Q mode (ADR) " + std::to_string(adr));
  } else if (pq[6] != 0) {
    Violation(lba, "Q ZERO byte is " + Hex(pq[6]));
  } else if (lba < -kPregapFrames) {
    FeedLeadIn(lba, pq);
  } else if (pq[1] == kLeadOutTno) {
    FeedLeadOut(lba, pq);
  } else {
    FeedProgram(lba, pq, sectorMode);
  }
  lastLba_ = lba;
}

void TQChecker::FeedLeadIn(int32_t lba, const uint8_t *pq) {
  sawLeadIn_ = true;
  if (pq[1] != 0)
    Violation(lba, "lead-in TNO is " + Hex(pq[1]));
  const int32_t rel = BcdFrames(pq + 3);
  if (rel < 0)
    Violation(lba, "lead-in running time is not BCD");
  else if (lastRel_ != kNone && rel != lastRel_ + 1)
    Violation(lba, "lead-in running time does not count up");
  lastRel_ = rel;
  const TTocEntry e{pq[0], pq[7], pq[8], pq[9]};
  const auto found = toc_.find(pq[2]);
  if (found == toc_.end())
    toc_.emplace(pq[2], e);
  else if (found->second != e)
    Violation(lba, "lead-in entry for point " + Hex(pq[2]) + " changes");
}

void TQChecker::StartTrack(int32_t lba, uint8_t number, uint8_t index, uint8_t ctlAdr) {
  if (!tracks_.empty()) {
    CloseTrack(lba);
    if (number != tracks_.back().Number + 1)
      Violation(lba, "track " + std::to_string(number) + " follows track " +
                         std::to_string(tracks_.back().Number));
  }
  if (index > 1)
    Violation(lba,
              "track " + std::to_string(number) + " begins with index " + std::to_string(index));
  TDiscTrack t;
  t.Number = number;
  t.CtlAdr = ctlAdr;
  t.PregapStart = lba;
  if (index != 0)
    t.Indexes.push_back(lba);
  tracks_.push_back(t);
  index_ = index;
  ctlReported_ = pauseReported_ = false;
  pRunStart_ = kNone;
  lastRel_ = kNone;
}

void TQChecker::CloseTrack(int32_t end) {
  TDiscTrack &t = tracks_.back();
  t.End = end;
  if (t.Indexes.empty()) {
    Violation(end - 1, "track " + std::to_string(t.Number) + " has no index 1");
    t.Indexes.push_back(end);
  }
  if (index_ == 0 && lastRel_ != 0)
    Violation(end - 1, "pause does not count down to 00:00:00");
  if (pRunStart_ != kNone && end - pRunStart_ > kMaxEndingP)
    Violation(pRunStart_,
              "P set more than 3 seconds before the end of track " + std::to_string(t.Number));
}

void TQChecker::FeedProgram(int32_t lba, const uint8_t *pq, uint8_t sectorMode) {
  if (leadOutStart_ != kNone) {
    Violation(lba, "program area block after the lead-out");
    return;
  }
  uint8_t number = 0, index = 0;
  if (!FromBcd(pq[1], number) || number == 0 || !FromBcd(pq[2], index)) {
    Violation(lba, "track " + Hex(pq[1]) + " index " + Hex(pq[2]) + " are not valid BCD");
    return;
  }
  const int32_t abs = BcdFrames(pq + 7);
  if (abs != AbsFrames(lba))
    Violation(lba, "absolute time does not match the address");
  if (tracks_.empty() || number != tracks_.back().Number) {
    StartTrack(lba, number, index, pq[0]);
  } else if (index != index_) {
    if (index != index_ + 1)
      Violation(lba, "index " + std::to_string(index) + " follows index " + std::to_string(index_));
    else if (index_ == 0 && lastRel_ != 0)
      Violation(lba - 1, "pause does not count down to 00:00:00");
    if (index > index_)
      tracks_.back().Indexes.push_back(lba);
    index_ = index;
  }
  TDiscTrack &t = tracks_.back();
  if (pq[0] != t.CtlAdr && !ctlReported_) {
    Violation(lba, "control changes within track " + std::to_string(number));
    ctlReported_ = true;
  }
  if ((t.CtlAdr & kControlData) != 0 && t.DataMode == 0 && index_ > 0)
    t.DataMode = sectorMode;
  const int32_t rel = BcdFrames(pq + 3);
  if (index_ == 0) {
    if (rel < 0 || (lastRel_ != kNone && rel != lastRel_ - 1))
      Violation(lba, "pause relative time does not count down");
  } else if (!t.Indexes.empty() && rel != lba - t.Indexes.front()) {
    Violation(lba, "relative time does not count up from index 1");
  }
  lastRel_ = rel;
  CheckProgramP(lba, index_, (pq[kPByte] & kPBit) != 0);
}

void TQChecker::CheckProgramP(int32_t lba, uint8_t index, bool p) {
  if (index == 0) {
    if (!p && !pauseReported_) {
      Violation(lba, "P clear in a pause");
      pauseReported_ = true;
    }
    return;
  }
  if (p && pRunStart_ == kNone)
    pRunStart_ = lba;
  if (!p && pRunStart_ != kNone) {
    Violation(pRunStart_, "P set inside track " + std::to_string(tracks_.back().Number));
    pRunStart_ = kNone;
  }
}

void TQChecker::FeedLeadOut(int32_t lba, const uint8_t *pq) {
  if (leadOutStart_ == kNone) {
    if (tracks_.empty())
      Violation(lba, "lead-out without tracks");
    else
      CloseTrack(lba);
    leadOutStart_ = lba;
    leadOutRunStart_ = lba;
    lastRel_ = kNone;
  }
  if (pq[2] != 0x01)
    Violation(lba, "lead-out index is " + Hex(pq[2]));
  if (BcdFrames(pq + 3) != lba - leadOutStart_)
    Violation(lba, "lead-out relative time does not count up from 00:00:00");
  if (BcdFrames(pq + 7) != AbsFrames(lba))
    Violation(lba, "absolute time does not match the address");
  CheckLeadOutP(lba, (pq[kPByte] & kPBit) != 0);
}

void TQChecker::CheckLeadOutP(int32_t lba, bool p) {
  if (p == leadOutP_)
    return;
  const int32_t run = lba - leadOutRunStart_;
  if (leadOutRuns_ == 0 && (run < kLeadOutQuietMin || run > kLeadOutQuietMax))
    Violation(lba, "lead-out P starts blinking after " + std::to_string(run) + " blocks");
  else if (leadOutRuns_ > 0 && (run < kBlinkMin || run > kBlinkMax))
    Violation(lba, "lead-out P run of " + std::to_string(run) + " blocks (2 Hz is about 19)");
  ++leadOutRuns_;
  leadOutP_ = p;
  leadOutRunStart_ = lba;
}

void TQChecker::CompareToc() {
  if (!sawLeadIn_) {
    Violation(kNone, "no lead-in was written");
    return;
  }
  auto entry = [this](uint8_t point, TTocEntry &e) {
    const auto found = toc_.find(point);
    if (found == toc_.end()) {
      Violation(kNone, "the lead-in has no entry for point " + Hex(point));
      return false;
    }
    e = found->second;
    return true;
  };
  TTocEntry e{};
  if (!tracks_.empty()) {
    if (entry(kPointFirst, e) && e.PMin != ToBcd(tracks_.front().Number))
      Violation(kNone, "lead-in A0 names first track " + Hex(e.PMin));
    discType_ = e.PSec;
    if (entry(kPointLast, e) && e.PMin != ToBcd(tracks_.back().Number))
      Violation(kNone, "lead-in A1 names last track " + Hex(e.PMin));
  }
  if (leadOutStart_ != kNone && entry(kPointLeadOut, e) &&
      BcdFrames(&e.PMin) != AbsFrames(leadOutStart_))
    Violation(kNone,
              "lead-in A2 does not match the lead-out start " + std::to_string(leadOutStart_));
  for (const TDiscTrack &t : tracks_) {
    if (!entry(ToBcd(t.Number), e))
      continue;
    if (BcdFrames(&e.PMin) != AbsFrames(t.Start()))
      Violation(kNone, "lead-in entry for track " + std::to_string(t.Number) +
                           " does not match its start " + std::to_string(t.Start()));
    if (e.CtlAdr != t.CtlAdr)
      Violation(kNone, "lead-in control of track " + std::to_string(t.Number) +
                           " differs from the track's");
  }
  for (const auto &kv : toc_) {
    uint8_t n = 0;
    if (kv.first < kPointFirst && FromBcd(kv.first, n) &&
        (tracks_.empty() || n < tracks_.front().Number || n > tracks_.back().Number))
      Violation(kNone, "lead-in entry for missing track " + Hex(kv.first));
  }
}

void TQChecker::Finish() {
  if (leadOutStart_ == kNone) {
    Violation(kNone, "no lead-out was written");
    if (!tracks_.empty() && lastLba_ != kNone)
      CloseTrack(lastLba_ + 1);
  } else {
    const int32_t length = lastLba_ + 1 - leadOutStart_;
    if (length < kLeadOutBlocks)
      Violation(kNone,
                "lead-out of " + std::to_string(length) + " blocks is shorter than 90 seconds");
    if (leadOutRuns_ == 0 && length > kLeadOutQuietMax)
      Violation(kNone, "P never blinks in the lead-out");
  }
  CompareToc();
}

} // namespace vrec
