#include "RecorderFixture.h"

#include <stdexcept>

namespace recordertest {

namespace {
constexpr uint64_t kMicrosPerMs = 1000;
}

TRecorderTest::~TRecorderTest() {
  module_.reset();
  if (transportOpen_)
    device::CloseTransport();
  vrec::InstallRecorderSet(nullptr);
}

void TRecorderTest::Install(const std::string &ini) {
  module_.reset();
  vrec::TRecorderOptions options;
  // The recorder's fault windows run on the clock that the device layer's pauses move on.
  options.ClockUs = [this] { return uint64_t{Fake.Now} * kMicrosPerMs; };
  options.SleepUs = [](uint32_t) {};
  std::string error;
  auto set = vrec::TRecorderSet::FromText(ini, Dir.Path(), error, options);
  ASSERT_NE(set, nullptr) << "configuration refused: " << error;
  set_ = set.get();
  vrec::InstallRecorderSet(std::move(set));
}

void TRecorderTest::Start(const std::string &ini) {
  Install(ini);
  module_ = std::make_unique<device::TDeviceModule>(EntryPoints());
}

void TRecorderTest::OpenTransportOnly(const std::string &ini) {
  Install(ini);
  device::OpenTransport(EntryPoints());
  transportOpen_ = true;
}

void TRecorderTest::Forget() {
  journalStart_ += Journal().size();
  Fake.Slept = 0;
  Fake.MessageBoxes.clear();
}

device::TAspiEntryPoints TRecorderTest::EntryPoints() {
  device::TAspiEntryPoints entry;
  entry.GetSupportInfo = &vrec::GetASPI32SupportInfo;
  entry.SendCommand = &vrec::SendASPI32Command;
  return entry;
}

const vrec::TRecorder &TRecorderTest::Device(uint8_t adapter, uint8_t target) const {
  const vrec::TRecorder *device = set_ != nullptr ? set_->Device(adapter, target) : nullptr;
  if (device == nullptr)
    throw std::runtime_error("no device at that address");
  return *device;
}

std::string TRecorderTest::Journal() const {
  const std::string all = testsupport::ReadFile(Dir.File("journal.txt"));
  return journalStart_ < all.size() ? all.substr(journalStart_) : std::string();
}

int TRecorderTest::JournalLines(const std::string &text) const {
  return testsupport::CountLines(Journal(), text);
}

} // namespace recordertest
