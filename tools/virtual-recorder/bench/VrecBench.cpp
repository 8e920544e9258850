// vrec-bench: how fast the recorder accepts writes in unlimited mode. Each method records
// MINUTES of audio through the ASPI entry points with event notification and completion on
// the recorder's thread, as the recording engine would, into an image under FOLDER (or into
// nothing with "none"), and prints the rate as a multiple of CD speed (176.4 kB/s).
//
//   vrec-bench FOLDER|none [MINUTES]
#include "tools/virtual-recorder/VirtualRecorder.h"
#include "tools/virtual-recorder/host/HostSession.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

using namespace vrec;
using namespace vrec::drive;

namespace {

constexpr double kCdBytesPerSecond = 176400.0;
constexpr int32_t kBlocksPerMinute = 4500;

std::vector<TAudioTrack> Tracks(int minutes) {
  std::vector<TAudioTrack> tracks(2);
  uint32_t x = 12345;
  for (size_t i = 0; i < tracks.size(); ++i) {
    tracks[i].Data.resize(size_t(minutes) * kBlocksPerMinute / 2 * 2352);
    for (uint8_t &b : tracks[i].Data)
      b = static_cast<uint8_t>((x = x * 1103515245u + 12345u) >> 16);
  }
  return tracks;
}

bool Run(const char *method, const std::string &image, const std::vector<TAudioTrack> &tracks) {
  const std::string ini = "[device.0]\nspeed = unlimited\ncompletion = async\nimage = " +
                          (image.empty() ? std::string("none") : image) + "\n";
  std::string error;
  std::unique_ptr<TRecorderSet> set = TRecorderSet::FromText(ini, "", error);
  if (set == nullptr) {
    std::fprintf(stderr, "vrec-bench: %s\n", error.c_str());
    return false;
  }
  InstallRecorderSet(std::move(set));
  THost host(InProcessEntry(), 0, 0);
  const std::string m = method;
  const auto start = std::chrono::steady_clock::now();
  const bool ok = m == "sao"   ? RecordSao(host, tracks, false, error)
                  : m == "raw" ? RecordRaw(host, tracks, false, error)
                               : RecordTao(host, tracks, false, error);
  const double seconds =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  InstallRecorderSet(nullptr);
  if (!ok) {
    std::fprintf(stderr, "vrec-bench: %s: %s\n", method, error.c_str());
    return false;
  }
  double audio = 0;
  for (const TAudioTrack &t : tracks)
    audio += double(t.Data.size());
  const double x = audio / kCdBytesPerSecond / seconds;
  std::printf("%-4s %-5s %7.1f MB of audio in %6.3f s: %7.0fx CD speed\n", method,
              image.empty() ? "none" : "image", audio / 1e6, seconds, x);
  return true;
}

} // namespace

int main(int argc, char **argv) {
  if (argc < 2 || argc > 3) {
    std::fprintf(stderr, "usage: vrec-bench FOLDER|none [MINUTES]\n");
    return 2;
  }
  const std::string folder = argv[1];
  const int minutes = argc == 3 ? std::atoi(argv[2]) : 20;
  if (minutes < 1 || minutes > 79) {
    std::fprintf(stderr, "vrec-bench: MINUTES from 1 to 79\n");
    return 2;
  }
  const std::vector<TAudioTrack> tracks = Tracks(minutes);
  const std::string image = folder == "none" ? std::string() : folder + "/bench-disc";
  bool ok = true;
  for (const char *method : {"sao", "raw", "tao"})
    ok = Run(method, image, tracks) && ok;
  return ok ? 0 : 1;
}
