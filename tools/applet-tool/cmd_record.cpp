// A recording onto the first recorder, as the applet's burn module makes it: the files are
// imported as tracks (MP3, WAV, BIN/CUE), then recorded with the method given. Prints the
// status log, then on standard error how long the start (import and measuring) and the
// recording took, when the first write was done, the peak private bytes and the cache's
// low-water mark; exits 0 when the recording succeeded, 1 otherwise.
#include "applet/device/DeviceModule.h"
#include "applet/device/Discovery.h"
#include "applet/layout/UnitBurn.h"
#include "applet/platform/Dispatcher.h"
#include "applet/platform/Platform.h"
#include "applet/recording/Cache.h"
#include "tools/applet-tool/Command.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <string>

namespace tool {
namespace {

const char kRecordUsage[] = "record dao|sao|tao [--test] [--aspi PATH] [--cancel-at TEXT] FILE...";
constexpr uint32_t kPumpMs = 20;

// The tool's side of a recording: it prints our lines and notes the end.
class TToolHost final : public layout::TBurnHost {
public:
  void RecordingFinished() override { Finished = true; }
  void ReportLine(const std::string &line) override { std::printf("%s\n", line.c_str()); }
  void ProcessMessages() override { platform::TMainThread::ProcessPending(); }
  void ShowRecordingProgress(int percent, const std::string &) override { Percent = percent; }
  bool Finished = false;
  int Percent = 0;
};

struct TRecordArgs {
  std::string Method;
  bool Test = false;
  std::string Aspi = device::kAspiLibraryName;
  std::string CancelAt; // cancel once a log line contains this text
  TArgs Files;
};

bool Parse(const TArgs &args, TRecordArgs &out) {
  if (args.empty() || (args[0] != "dao" && args[0] != "sao" && args[0] != "tao"))
    return false;
  out.Method = args[0];
  for (size_t i = 1; i < args.size(); ++i) {
    const std::string &a = args[i];
    if (a == "--test") {
      out.Test = true;
    } else if ((a == "--aspi" || a == "--cancel-at") && i + 1 < args.size()) {
      (a == "--aspi" ? out.Aspi : out.CancelAt) = args[++i];
    } else if (a.rfind("--", 0) == 0) {
      return false;
    } else {
      out.Files.push_back(a);
    }
  }
  return !out.Files.empty();
}

bool LogContains(const layout::TBurnDataModule &burn, const std::string &text) {
  for (const std::string &line : burn.Status.Controls().Log)
    if (line.find(text) != std::string::npos)
      return true;
  return false;
}

// What the tool samples while the recording runs: the private bytes (under Wine the process
// reports no true peak) and the fewest packets the writer left in the cache.
struct TSamples {
  uint64_t PeakPrivateBytes = 0;
  int32_t CacheLow = -1;
  int32_t CacheBlocks = 0;
  void Take() {
    const platform::TProcessMemory memory = platform::Platform().ProcessMemory();
    PeakPrivateBytes = std::max({PeakPrivateBytes, memory.PrivateBytes, memory.PeakPrivateBytes});
    const recording::TPacketList *cache = recording::CurrentCache();
    if (!cache)
      return;
    CacheBlocks = cache->BlockCount();
    const int32_t low = cache->LowestCount();
    if (low >= 0 && (CacheLow < 0 || low < CacheLow))
      CacheLow = low;
  }
};

int Record(const TArgs &args) {
  TRecordArgs a;
  if (!Parse(args, a))
    return Usage(kRecordUsage);
  platform::TMainThread::Adopt();
  device::TDeviceModule devices(a.Aspi);
  if (!device::AspiLoaded() || device::Recorders().empty()) {
    std::fprintf(stderr, "applet-tool: no recorder found through %s\n", a.Aspi.c_str());
    return 1;
  }
  TToolHost host;
  layout::TBurnDataModule burn;
  burn.SetRecorder(*device::Recorders().front().Drive);
  burn.Host = &host;
  burn.TestWrite = a.Test;
  burn.ExplicitTracks = a.Files;
  using TClock = std::chrono::steady_clock;
  const TClock::time_point begin = TClock::now();
  const bool nothingStarted = a.Method == "dao"   ? burn.StartDaoRecording()
                              : a.Method == "tao" ? burn.StartTaoRecording()
                                                  : burn.StartSaoRecording();
  const TClock::time_point started = TClock::now();
  bool cancelled = false;
  TSamples samples;
  TClock::time_point firstWrite{};
  while (!nothingStarted && !host.Finished) {
    samples.Take();
    // The writer's first take from the cache comes right before its first WRITE.
    if (firstWrite == TClock::time_point{} && samples.CacheLow >= 0)
      firstWrite = TClock::now();
    platform::TMainThread::ProcessPending();
    if (!a.CancelAt.empty() && !cancelled && LogContains(burn, a.CancelAt)) {
      cancelled = true;
      burn.CancelRecording();
      break;
    }
    platform::TMainThread::WaitPending(kPumpMs);
  }
  platform::TMainThread::ProcessPending();
  const auto seconds = [](TClock::duration d) { return std::chrono::duration<double>(d).count(); };
  std::fprintf(stderr, "start %.2f s, recording %.2f s\n", seconds(started - begin),
               seconds(TClock::now() - started));
  if (firstWrite != TClock::time_point{})
    std::fprintf(stderr, "first write %.2f s after the start\n", seconds(firstWrite - begin));
  samples.Take();
  std::fprintf(stderr, "peak private bytes %llu KB, cache low water %d of %d blocks\n",
               static_cast<unsigned long long>(samples.PeakPrivateBytes / 1024), samples.CacheLow,
               samples.CacheBlocks);
  for (const std::string &line : burn.Status.Controls().Log)
    std::printf("%s\n", line.c_str());
  const bool success = !nothingStarted && burn.RecordingSucceeded();
  std::printf("%s\n", success ? "recording succeeded" : "recording failed");
  burn.ReleaseRecording();
  return success ? 0 : 1;
}

const TCommandRegistration kRecord("record", kRecordUsage, Record);

} // namespace
} // namespace tool
