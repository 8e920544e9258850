// vrec-drive: talks to a recorder through a loaded ASPI library (libwnaspi32.so beside this
// program unless --library names another), for scripts and end-to-end checks.
#include "tools/virtual-recorder/CdTime.h"
#include "tools/virtual-recorder/host/HostSession.h"

#include <dlfcn.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <unistd.h>
#include <vector>

using namespace vrec;
using namespace vrec::drive;

namespace {

const char kUsage[] =
    "usage: vrec-drive [--library PATH] [--device ADAPTER:TARGET] COMMAND\n"
    "  inquiry | tur | eject | load | discinfo | toc\n"
    "  record sao|tao|raw [--test] [--pregap BLOCKS] FILE...   (FILE: CD audio, 2352-byte "
    "sectors)\n";

int Usage() {
  std::fputs(kUsage, stderr);
  return 2;
}

std::string ExecutableFolder() {
  char path[4096];
  const ssize_t n = readlink("/proc/self/exe", path, sizeof path - 1);
  if (n <= 0)
    return "./";
  const std::string full(path, static_cast<size_t>(n));
  return full.substr(0, full.rfind('/') + 1);
}

bool ReadAll(const std::string &path, std::vector<uint8_t> &data) {
  std::FILE *f = std::fopen(path.c_str(), "rb");
  if (f == nullptr)
    return false;
  uint8_t chunk[65536];
  size_t n = 0;
  while ((n = std::fread(chunk, 1, sizeof chunk, f)) > 0)
    data.insert(data.end(), chunk, chunk + n);
  std::fclose(f);
  return true;
}

int Report(const TOutcome &o) {
  std::printf("%s\n", o.Ok() ? "GOOD" : o.Text().c_str());
  return o.Ok() ? 0 : 1;
}

int DiscInfo(THost &host) {
  std::vector<uint8_t> d;
  const TOutcome o = host.ReadDiscInfo(d);
  if (!o.Ok())
    return Report(o);
  static const char *const kStatus[] = {"blank", "incomplete", "complete", "other"};
  std::printf("status %s, last track %u, lead-in start %d\n", kStatus[d[2] & 3], unsigned{d[6]},
              (d[17] | d[18] | d[19]) == 0xFF ? 0 : MsfToLba({d[17], d[18], d[19]}));
  return 0;
}

int Toc(THost &host) {
  std::vector<uint8_t> d;
  const TOutcome o = host.ReadToc(0, false, 0, d);
  if (!o.Ok())
    return Report(o);
  const size_t length = std::min<size_t>(Get16(d.data()) + 2u, d.size());
  for (size_t at = 4; at + 8 <= length; at += 8) {
    const int32_t lba = static_cast<int32_t>(Get32(&d[at + 4]));
    if (d[at + 2] == 0xAA)
      std::printf("lead-out %d\n", lba);
    else
      std::printf("track %02u %d %s\n", unsigned{d[at + 2]}, lba,
                  (d[at + 1] & 0x04) != 0 ? "data" : "audio");
  }
  return 0;
}

int Record(THost &host, const std::vector<std::string> &args) {
  if (args.empty())
    return Usage();
  const std::string &method = args[0];
  bool test = false;
  int32_t pregap = 150;
  std::vector<TAudioTrack> tracks;
  for (size_t i = 1; i < args.size(); ++i) {
    if (args[i] == "--test") {
      test = true;
    } else if (args[i] == "--pregap" && i + 1 < args.size()) {
      pregap = std::atoi(args[++i].c_str());
    } else {
      TAudioTrack t;
      t.Pregap = tracks.empty() ? 150 : pregap;
      if (!ReadAll(args[i], t.Data) || t.Data.empty() || t.Data.size() % 2352 != 0) {
        std::fprintf(stderr, "vrec-drive: %s is not whole 2352-byte sectors\n", args[i].c_str());
        return 1;
      }
      tracks.push_back(std::move(t));
    }
  }
  if (tracks.empty())
    return Usage();
  std::string error;
  const bool ok = method == "sao"   ? RecordSao(host, tracks, test, error)
                  : method == "tao" ? RecordTao(host, tracks, test, error)
                  : method == "raw" ? RecordRaw(host, tracks, test, error)
                                    : (error = "unknown method " + method, false);
  if (!ok) {
    std::fprintf(stderr, "vrec-drive: %s\n", error.c_str());
    return 1;
  }
  std::printf("recorded %zu track(s) with %s%s\n", tracks.size(), method.c_str(),
              test ? " (test)" : "");
  return 0;
}

} // namespace

int main(int argc, char **argv) {
  std::vector<std::string> args(argv + 1, argv + argc);
  std::string library = ExecutableFolder() + "libwnaspi32.so";
  unsigned adapter = 0, target = 0;
  while (args.size() >= 2 && args[0].rfind("--", 0) == 0) {
    if (args[0] == "--library")
      library = args[1];
    else if (args[0] != "--device" || std::sscanf(args[1].c_str(), "%u:%u", &adapter, &target) != 2)
      return Usage();
    args.erase(args.begin(), args.begin() + 2);
  }
  if (args.empty())
    return Usage();
  void *handle = dlopen(library.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (handle == nullptr) {
    std::fprintf(stderr, "vrec-drive: %s\n", dlerror());
    return 1;
  }
  TAspiEntry entry{reinterpret_cast<uint32_t (*)()>(dlsym(handle, "GetASPI32SupportInfo")),
                   reinterpret_cast<uint32_t (*)(void *)>(dlsym(handle, "SendASPI32Command"))};
  if (entry.SupportInfo == nullptr || entry.Send == nullptr) {
    std::fprintf(stderr, "vrec-drive: %s lacks the ASPI entry points\n", library.c_str());
    return 1;
  }
  if ((entry.SupportInfo() & 0xFF) <= adapter) {
    std::fprintf(stderr, "vrec-drive: no host adapter %u (support info %04X)\n", adapter,
                 entry.SupportInfo());
    return 1;
  }
  THost host(entry, static_cast<uint8_t>(adapter), static_cast<uint8_t>(target));
  const std::string command = args[0];
  const std::vector<std::string> rest(args.begin() + 1, args.end());
  std::vector<uint8_t> answer;
  if (command == "inquiry") {
    const TOutcome o = host.Inquiry(answer);
    if (!o.Ok())
      return Report(o);
    std::printf("%.8s|%.16s|%.4s\n", reinterpret_cast<const char *>(&answer[8]),
                reinterpret_cast<const char *>(&answer[16]),
                reinterpret_cast<const char *>(&answer[32]));
    return 0;
  }
  if (command == "tur")
    return Report(host.TestUnitReady());
  if (command == "eject" || command == "load")
    return Report(host.StartStop(command == "eject" ? 2 : 3));
  if (command == "discinfo")
    return DiscInfo(host);
  if (command == "toc")
    return Toc(host);
  if (command == "record")
    return Record(host, rest);
  return Usage();
}
