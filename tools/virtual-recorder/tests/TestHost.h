// A recorder set for one test: made from INI text with its files in a temporary folder,
// installed behind the plain ASPI entry points, with a clock the test moves by hand.
#pragma once

#include "tests/support/TestSupport.h"
#include "tools/virtual-recorder/Recorder.h"
#include "tools/virtual-recorder/VirtualRecorder.h"
#include "tools/virtual-recorder/host/HostSession.h"

#include <atomic>
#include <cstdint>
#include <string>
#include <vector>

namespace vrectest {

// The usual device section start: synchronous completion, journal and image in the folder.
extern const char kRecorder[];

class TRig {
public:
  // ini: the whole configuration; "@" in it stands for the temporary folder.
  explicit TRig(const std::string &ini);
  ~TRig();

  vrec::drive::THost Host(uint8_t adapter = 0, uint8_t target = 0) {
    return vrec::drive::THost(vrec::drive::InProcessEntry(), adapter, target);
  }
  const vrec::TRecorder &Device(uint8_t adapter = 0, uint8_t target = 0) const;
  vrec::TRecorderSet &Set() { return *set_; }
  void SetConfigText(const std::string &ini);
  std::string File(const std::string &name) const { return dir_.File(name); }
  std::string Journal() const { return testsupport::ReadFile(dir_.File("journal.txt")); }
  void AdvanceMs(uint64_t ms) { now_ += ms * 1000; }
  uint64_t NowUs() const { return now_; }

private:
  std::string Expand(const std::string &ini) const;
  testsupport::TTempDir dir_;
  std::atomic<uint64_t> now_{1000000};
  vrec::TRecorderSet *set_ = nullptr;
};

// Audio of n blocks, different for each seed.
vrec::drive::TAudioTrack Audio(int32_t blocks, unsigned seed, int32_t pregap = 150);
// A request straight through SendASPI32Command, for block-level checks.
vrec::drive::TOutcome Send(const std::vector<uint8_t> &cdb, vrec::drive::TData data,
                           std::vector<uint8_t> &buffer);
using testsupport::CountLines; // lines of the journal that contain a text

} // namespace vrectest
