#include "applet/session/Modules.h"

#include "applet/layout/UnitBurn.h"
#include "applet/recording/Cache.h"
#include "applet/recording/XAudio.h"
#include "applet/session/AspiDeviceLayer.h"
#include "applet/session/Ending.h"
#include "applet/session/Startup.h"

namespace session {

namespace {

// The burn module as the session reaches it.
class TBurnModuleAdapter final : public TBurnPort {
public:
  void SetHost(layout::TBurnHost *host) override { burn_.Host = host; }
  void SetTestWrite(bool testWrite) override { burn_.TestWrite = testWrite; }
  void SetRecorder(const device::TDriveData &recorder) override { burn_.SetRecorder(recorder); }
  bool HasTracks() override { return !burn_.FindPackageTracks().empty(); }
  bool StartSaoRecording() override { return burn_.StartSaoRecording(); }
  bool StartDaoRecording() override { return burn_.StartDaoRecording(); }
  bool StartTaoRecording() override { return burn_.StartTaoRecording(); }
  void CancelRecording() override { burn_.CancelRecording(); }
  bool RecordingFailed() override { return !burn_.RecordingSucceeded(); }
  void ReleaseCache() override {
    if (!burn_.Recording())
      recording::FreeCurrentCache();
  }
  void UnloadDecoder() override {
    if (!burn_.Recording())
      recording::UnbindDecoder();
  }
  recording::TStatusForm &Status() override { return burn_.Status; }

private:
  layout::TBurnDataModule burn_;
};

// The package module behind the session's port.
class TPackageStaging final : public TStagingPort {
public:
  bool DispatchPackageMode(TStagingHost *host) override {
    return module_.DispatchPackageMode(host);
  }
  int JobExitCode() const override { return module_.JobExitCode(); }
  std::string StagingFailure() const override { return module_.StagingFailure(); }

private:
  package::TCompressDataModule module_;
};

} // namespace

std::unique_ptr<TDevicePort> CreateDeviceLayer() { return CreateAspiDeviceLayer(); }
std::unique_ptr<TEndingPort> CreateEnding() { return std::make_unique<TEnding>(); }
std::unique_ptr<TBurnPort> CreateBurnModule() { return std::make_unique<TBurnModuleAdapter>(); }
std::unique_ptr<TStagingPort> CreatePackageModule() { return std::make_unique<TPackageStaging>(); }

} // namespace session
