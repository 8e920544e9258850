// A recording onto the first recorder, as the applet's burn module makes it: the files are
// imported as tracks (MP3, WAV, BIN/CUE), then recorded with the method given. While it records
// it shows on standard error the track, percent and speed (on a terminal, one line redrawn; in
// a pipe, a line per track). Then it prints the status log, and on standard error how long the
// start (import and measuring) and the recording took, when the first write was done, the peak
// private bytes and, when the writer took from the cache while it was filled, the cache's low-water
// mark; exits 0 when the recording succeeded, 1 otherwise (also for a disc that is not blank).
// With --cd-text (sao only) the recording carries CD-TEXT from the MP3s' tags: the first
// album and artist tags found name the disc (--title and --performer override them), each
// file's title and artist its track (a cue sheet among the files: no track texts).
#include "applet/device/DeviceModule.h"
#include "applet/device/Discovery.h"
#include "applet/device/MMC.h"
#include "applet/layout/UnitBurn.h"
#include "applet/platform/Dispatcher.h"
#include "applet/platform/Platform.h"
#include "applet/recording/Cache.h"
#include "tools/applet-tool/Command.h"
#include "tools/applet-tool/DeviceRoute.h"
#include "tools/applet-tool/Id3Tags.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>
#ifdef _WIN32
#include <io.h>
#define QLN_ISATTY(f) _isatty(_fileno(f))
#else
#include <unistd.h>
#define QLN_ISATTY(f) isatty(fileno(f))
#endif

namespace tool {
namespace {

const char kRecordUsage[] =
    "record dao|sao|tao [--test] [--aspi PATH | --device NODE] [--cancel-at TEXT]\n"
    "         [--cd-text [--title TEXT] [--performer TEXT]] FILE...";
constexpr uint32_t kPumpMs = 20;

// The tool's side of a recording: it prints our lines and notes the end.
class TToolHost final : public layout::TBurnHost {
public:
  void RecordingFinished() override { Finished = true; }
  void ReportLine(const std::string &line) override { std::printf("%s\n", line.c_str()); }
  void ProcessMessages() override { platform::TMainThread::ProcessPending(); }
  void ShowRecordingProgress(int percent, const std::string &) override { Percent = percent; }
  bool AlbumText(layout::TCdText &text) override {
    if (!CdText)
      return false;
    text = Text;
    return true;
  }
  bool Finished = false;
  int Percent = 0;
  bool CdText = false;
  layout::TCdText Text;
};

struct TRecordArgs {
  std::string Method;
  bool Test = false;
  TDeviceRoute Route;
  std::string CancelAt; // cancel once a log line contains this text
  bool CdText = false;
  bool HasTitle = false, HasPerformer = false;
  std::string Title, Performer;
  TArgs Files;
};

bool Parse(const TArgs &given, TRecordArgs &out) {
  TArgs args = given;
  if (args.empty() || (args[0] != "dao" && args[0] != "sao" && args[0] != "tao") ||
      !TakeDeviceRoute(args, out.Route))
    return false;
  out.Method = args[0];
  for (size_t i = 1; i < args.size(); ++i) {
    const std::string &a = args[i];
    if (a == "--test") {
      out.Test = true;
    } else if (a == "--cancel-at" && i + 1 < args.size()) {
      out.CancelAt = args[++i];
    } else if (a == "--cd-text") {
      out.CdText = true;
    } else if (a == "--title" && i + 1 < args.size()) {
      out.HasTitle = true;
      out.Title = args[++i];
    } else if (a == "--performer" && i + 1 < args.size()) {
      out.HasPerformer = true;
      out.Performer = args[++i];
    } else if (a.rfind("--", 0) == 0) {
      return false;
    } else {
      out.Files.push_back(a);
    }
  }
  // CD-TEXT goes into a session-at-once lead-in only.
  return !out.Files.empty() &&
         (out.CdText ? out.Method == "sao" : !out.HasTitle && !out.HasPerformer);
}

// The album text of the files' tags, one track per file.
layout::TCdText TagText(const TRecordArgs &a) {
  layout::TCdText text;
  const bool oneTrackEach = std::none_of(a.Files.begin(), a.Files.end(), [](const std::string &f) {
    return f.size() >= 4 &&
           (f.compare(f.size() - 4, 4, ".cue") == 0 || f.compare(f.size() - 4, 4, ".CUE") == 0);
  });
  for (const std::string &file : a.Files) {
    const TId3Tags tags = ReadId3Tags(file);
    if (text.Title.empty())
      text.Title = tags.Album;
    if (text.Performer.empty())
      text.Performer = tags.Artist;
    if (oneTrackEach) {
      text.TrackTitles.push_back(tags.Title);
      text.TrackPerformers.push_back(tags.Artist);
    }
  }
  if (a.HasTitle)
    text.Title = a.Title;
  if (a.HasPerformer)
    text.Performer = a.Performer;
  return text;
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

using TClock = std::chrono::steady_clock;
double Seconds(TClock::duration d) { return std::chrono::duration<double>(d).count(); }

// The progress shown while recording: on a terminal one line redrawn with the track, the
// percent and the speed (in CD speeds, from the last second's progress); in a pipe a line for
// each track as it starts.
class TProgress {
public:
  TProgress(const layout::TBurnDataModule &burn, int32_t totalSectors)
      : burn_(burn), total_(totalSectors), terminal_(QLN_ISATTY(stderr) != 0) {}
  void Show(int percent) {
    // The track is the last one the log names: a label may change between two samples.
    const std::vector<std::string> &log = burn_.Status.Controls().Log;
    for (; seen_ < log.size(); ++seen_) {
      const size_t at = log[seen_].find(kTrackText);
      if (at == std::string::npos)
        continue;
      const std::string line = log[seen_].substr(at);
      const std::string number = line.substr(0, line.find(' ', std::strlen(kTrackText)));
      if (!terminal_ && number != number_) // a track's pregap line names it too
        std::fprintf(stderr, "%s\n", line.c_str());
      number_ = number;
      track_ = line;
    }
    if (!terminal_)
      return;
    const TClock::time_point now = TClock::now();
    if (Seconds(now - sampled_) >= 1.0) {
      speed_ = (percent - sampledPercent_) / 100.0 * total_ / kSectorsPerSecond /
               Seconds(now - sampled_);
      sampled_ = now;
      sampledPercent_ = percent;
    }
    if (percent == shown_ && track_ == shownTrack_)
      return;
    shown_ = percent;
    shownTrack_ = track_;
    std::fprintf(stderr, "\r%-44s %3d%%  %5.1fx ", track_.c_str(), percent,
                 speed_ > 0 ? speed_ : 0);
  }
  void End() const {
    if (terminal_ && shown_ >= 0)
      std::fprintf(stderr, "\n");
  }

private:
  static constexpr double kSectorsPerSecond = 75;
  static constexpr const char *kTrackText = "Processing Track ";
  const layout::TBurnDataModule &burn_;
  int32_t total_;
  bool terminal_;
  std::string track_;
  std::string shownTrack_;
  std::string number_;
  size_t seen_ = 0;
  int shown_ = -1;
  TClock::time_point sampled_ = TClock::now();
  int sampledPercent_ = 0;
  double speed_ = 0;
};

// A disc with a table of contents is not blank: nothing is started on it.
bool DiscIsBlank(const device::TDriveData &drive) {
  std::vector<uint8_t> toc;
  if (!device::ReadTOC(drive.HaId, drive.Target, device::TTocFormat::TocFull, false, true, toc)) {
    std::fprintf(stderr, "applet-tool: the disc is not blank\n");
    return false;
  }
  return true;
}

// The status log and the result; the cache's low water only where it was measured.
void PrintSummary(const TSamples &samples) {
  if (samples.CacheLow >= 0)
    std::fprintf(stderr, "peak private bytes %llu KB, cache low water %d of %d blocks\n",
                 static_cast<unsigned long long>(samples.PeakPrivateBytes / 1024), samples.CacheLow,
                 samples.CacheBlocks);
  else
    std::fprintf(stderr, "peak private bytes %llu KB\n",
                 static_cast<unsigned long long>(samples.PeakPrivateBytes / 1024));
}

int Record(const TArgs &args) {
  TRecordArgs a;
  if (!Parse(args, a))
    return Usage(kRecordUsage);
  platform::TMainThread::Adopt();
  const TRouteModule devices(a.Route);
  if (!devices.Usable())
    return 1;
  if (device::Recorders().empty()) {
    std::fprintf(stderr, "applet-tool: no recorder found through %s\n",
                 device::RouteText().c_str());
    return 1;
  }
  TToolHost host;
  layout::TBurnDataModule burn;
  burn.SetRecorder(*device::Recorders().front().Drive);
  burn.Host = &host;
  burn.TestWrite = a.Test;
  burn.ExplicitTracks = a.Files;
  host.CdText = a.CdText;
  if (a.CdText)
    host.Text = TagText(a);
  if (!DiscIsBlank(burn.Recorder))
    return 1;
  const TClock::time_point begin = TClock::now();
  const bool nothingStarted = a.Method == "dao"   ? burn.StartDaoRecording()
                              : a.Method == "tao" ? burn.StartTaoRecording()
                                                  : burn.StartSaoRecording();
  const TClock::time_point started = TClock::now();
  bool cancelled = false;
  TSamples samples;
  TProgress progress(burn, burn.Layout->TotalSectors());
  TClock::time_point firstWrite{};
  while (!nothingStarted && !host.Finished) {
    samples.Take();
    // The writer's first take from the cache comes right before its first WRITE.
    if (firstWrite == TClock::time_point{} && samples.CacheLow >= 0)
      firstWrite = TClock::now();
    platform::TMainThread::ProcessPending();
    progress.Show(host.Percent);
    if (!a.CancelAt.empty() && !cancelled && LogContains(burn, a.CancelAt)) {
      cancelled = true;
      burn.CancelRecording();
      break;
    }
    platform::TMainThread::WaitPending(kPumpMs);
  }
  platform::TMainThread::ProcessPending();
  progress.End();
  std::fprintf(stderr, "start %.2f s, recording %.2f s\n", Seconds(started - begin),
               Seconds(TClock::now() - started));
  if (firstWrite != TClock::time_point{})
    std::fprintf(stderr, "first write %.2f s after the start\n", Seconds(firstWrite - begin));
  samples.Take();
  PrintSummary(samples);
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
