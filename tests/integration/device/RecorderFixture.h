// The device layer over the virtual recorder linked into the test: devices and faults come
// from INI text, the recorder runs on the fake platform's clock, and its journal shows what
// reached the drive.
#pragma once

#include "applet/device/Aspi.h"
#include "applet/device/CommandStatus.h"
#include "applet/device/DeviceModule.h"
#include "tests/support/TestSupport.h"
#include "tools/virtual-recorder/Recorder.h"
#include "tools/virtual-recorder/VirtualRecorder.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>

namespace recordertest {

// The usual device section start: completion inside the call, journal in the test's folder.
constexpr char kSyncRecorder[] = "completion = sync\njournal = journal.txt\n";

class TRecorderTest : public ::testing::Test {
protected:
  ~TRecorderTest() override;

  // Installs the recorder set made from ini behind the plain entry points.
  void Install(const std::string &ini);
  // Installs it and starts the device module over it (ASPI support info and bus scan).
  void Start(const std::string &ini);
  // Installs it and opens the transport only, without the bus scan.
  void OpenTransportOnly(const std::string &ini);
  // Forgets what happened so far: journal, sleeps and message boxes.
  void Forget();

  static device::TAspiEntryPoints EntryPoints();
  const vrec::TRecorder &Device(uint8_t adapter, uint8_t target) const;
  vrec::TRecorderSet &Set() { return *set_; }
  std::string Journal() const;
  // The journal lines (of requests and notes) that contain text.
  int JournalLines(const std::string &text) const;

  testsupport::TTempDir Dir;
  testsupport::TFakePlatform Fake;
  platform::TPlatformOverride Override{Fake};

private:
  vrec::TRecorderSet *set_ = nullptr;
  std::unique_ptr<device::TDeviceModule> module_;
  bool transportOpen_ = false;
  size_t journalStart_ = 0;
};

inline bool SameStatus(const device::TCommandStatus &a, const device::TCommandStatus &b) {
  return a.AspiStatus == b.AspiStatus && a.HaStatus == b.HaStatus &&
         a.TargetStatus == b.TargetStatus && a.SenseKey == b.SenseKey && a.Asc == b.Asc &&
         a.Ascq == b.Ascq;
}

} // namespace recordertest
