#include "tools/virtual-recorder/tests/TestHost.h"

#include "applet/platform/Sync.h"

#include <gtest/gtest.h>

namespace vrectest {

const char kRecorder[] = "[device.0]\ncompletion = sync\njournal = journal.txt\nimage = disc\n";

TRig::TRig(const std::string &ini) {
  vrec::TRecorderOptions options;
  options.ClockUs = [this] { return now_.load(); };
  options.SleepUs = [this](uint32_t us) { now_ += us; };
  options.SignalEvent = [](void *event) { static_cast<platform::TEvent *>(event)->SetEvent(); };
  std::string error;
  auto set = vrec::TRecorderSet::FromText(Expand(ini), dir_.Path(), error, options);
  if (set == nullptr)
    ADD_FAILURE() << "configuration refused: " << error;
  else
    set_ = set.get();
  vrec::InstallRecorderSet(std::move(set));
}

TRig::~TRig() { vrec::InstallRecorderSet(nullptr); }

std::string TRig::Expand(const std::string &ini) const {
  std::string text;
  for (char c : ini)
    text += c == '@' ? dir_.Path() : std::string(1, c);
  return text;
}

void TRig::SetConfigText(const std::string &ini) { set_->SetConfigText(Expand(ini)); }

const vrec::TRecorder &TRig::Device(uint8_t adapter, uint8_t target) const {
  const vrec::TRecorder *d = set_->Device(adapter, target);
  if (d == nullptr)
    throw std::runtime_error("no such device");
  return *d;
}

vrec::drive::TAudioTrack Audio(int32_t blocks, unsigned seed, int32_t pregap) {
  vrec::drive::TAudioTrack t;
  t.Pregap = pregap;
  t.Data.resize(size_t(blocks) * 2352);
  uint32_t x = seed * 2654435761u + 1;
  for (uint8_t &b : t.Data) {
    x = x * 1103515245u + 12345u;
    b = static_cast<uint8_t>(x >> 16);
  }
  return t;
}

vrec::drive::TOutcome Send(const std::vector<uint8_t> &cdb, vrec::drive::TData data,
                           std::vector<uint8_t> &buffer) {
  vrec::drive::THost host(vrec::drive::InProcessEntry(), 0, 0);
  return host.Exec(cdb, data, buffer.empty() ? nullptr : buffer.data(),
                   static_cast<uint32_t>(buffer.size()));
}

} // namespace vrectest
