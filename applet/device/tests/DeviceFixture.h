// A test fixture with the fake platform (clock and message boxes) and the fake ASPI layer.
#pragma once

#include "FakeAspi.h"
#include "applet/device/DeviceModule.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

#include <memory>

class TDeviceTest : public ::testing::Test {
protected:
  // Starts the device layer over the fake layer, then forgets what the start-up sent.
  void Start() {
    Module = std::make_unique<device::TDeviceModule>(Aspi.EntryPoints());
    Aspi.Seen.clear();
    Fake.Slept = 0;
  }
  // Answers every request with success; data-in answers carry a non-zero data length.
  void AnswerAllGood() {
    Aspi.Script = [](device::TSrbExecScsiCmd &srb) {
      if ((srb.Flags & device::kSrbDirIn) != 0 && srb.BufLen >= 2)
        srb.BufPointer[1] = 0x20;
      fakeaspi::TFakeAspi::Good(srb);
      return true;
    };
  }

  testsupport::TFakePlatform Fake;
  platform::TPlatformOverride Override{Fake};
  fakeaspi::TFakeAspi Aspi;
  std::unique_ptr<device::TDeviceModule> Module; // last: shut down first
};
