#include "applet/session/Modules.h"

#include "applet/session/AspiDeviceLayer.h"
#include "applet/session/Ending.h"
#include "applet/session/Startup.h"

namespace session {

namespace {

// Stand-in until the burn module is plugged in: the start operations record nothing and no
// recording ever finishes, so the button stays "&Cancel" and ends the run with result 1.
class TIdleBurnModule final : public TBurnPort {
public:
  void SetTestWrite(bool) override {}
  void StartSaoRecording() override {}
  void StartDaoRecording() override {}
  void StartTaoRecording() override {}
  void CancelRecording() override {}
  bool RecordingFailed() override { return false; }
  void ReleaseCache() override {}
  void UnloadDecoder() override {}
};

// The package module behind the session's port.
class TPackageStaging final : public TStagingPort {
public:
  bool DispatchPackageMode(TStagingHost *host) override {
    return module_.DispatchPackageMode(host);
  }
  int JobExitCode() const override { return module_.JobExitCode(); }

private:
  package::TCompressDataModule module_;
};

} // namespace

std::unique_ptr<TDevicePort> CreateDeviceLayer() { return CreateAspiDeviceLayer(); }
std::unique_ptr<TEndingPort> CreateEnding() { return std::make_unique<TEnding>(); }
std::unique_ptr<TBurnPort> CreateBurnModule() { return std::make_unique<TIdleBurnModule>(); }
std::unique_ptr<TStagingPort> CreatePackageModule() { return std::make_unique<TPackageStaging>(); }

} // namespace session
