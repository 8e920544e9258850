// MP3 decoding through the applet's adapter, with the decoder library found as the applet
// finds it (beside the program first).
#include "applet/platform/Platform.h"
#include "applet/recording/GetMP3DecodedData.h"
#include "applet/recording/XAudio.h"
#include "tools/applet-tool/Command.h"

#include <chrono>
#include <cstdio>
#include <vector>

namespace tool {
namespace {

const char kMp3Usage[] = "mp3 size FILE... | mp3 decode FILE OUT [--chunk N]";
constexpr long long kDefaultChunk = 27LL * 2352;
constexpr long long kMaxChunk = 16LL * 1024 * 1024;

// Binds the decoder for the life of a command.
class TBinding {
public:
  TBinding() { recording::BindDecoder(); }
  ~TBinding() { recording::UnbindDecoder(); }
  TBinding(const TBinding &) = delete;
  TBinding &operator=(const TBinding &) = delete;
};

int Fail(const std::string &message) {
  std::fprintf(stderr, "applet-tool: %s\n", message.c_str());
  return 1;
}

// Prints each file's measured PCM byte count; with several files, how long measuring took on
// standard error.
int Size(const TArgs &files) {
  for (const std::string &file : files)
    if (!platform::Platform().FileExists(file))
      return Fail("cannot open " + file);
  TBinding binding;
  if (!recording::DecoderBound())
    return Fail(recording::EDecoderUnavailable().what());
  using TClock = std::chrono::steady_clock;
  const TClock::time_point begin = TClock::now();
  std::vector<int64_t> sizes;
  for (const std::string &file : files)
    sizes.push_back(recording::DecodedSize(file));
  const double seconds = std::chrono::duration<double>(TClock::now() - begin).count();
  for (const int64_t size : sizes)
    std::printf("%lld\n", static_cast<long long>(size));
  if (files.size() > 1)
    std::fprintf(stderr, "measured %zu files in %.3f s\n", files.size(), seconds);
  return 0;
}

int Decode(const std::string &file, const std::string &out, int32_t chunk) {
  if (!platform::Platform().FileExists(file))
    return Fail("cannot open " + file);
  if (SameFileAsInput(out, {file}))
    return 1;
  TBinding binding;
  if (!recording::DecoderBound())
    return Fail(recording::EDecoderUnavailable().what());
  std::FILE *f = platform::Platform().OpenFile(out, "wb");
  if (f == nullptr)
    return Fail("cannot create " + out);
  bool written = true;
  {
    // Decodes to the stream's end, apart from the measuring pass, so the two can be compared.
    recording::TGetMP3DecodedData reader(file);
    std::vector<uint8_t> buffer(static_cast<size_t>(chunk));
    for (int32_t n = chunk; n == chunk && written;) {
      n = reader.ReadPCM(buffer.data(), chunk);
      written = std::fwrite(buffer.data(), 1, static_cast<size_t>(n), f) == static_cast<size_t>(n);
    }
  }
  written = std::fclose(f) == 0 && written;
  return written ? 0 : Fail("cannot write " + out);
}

int Mp3(const TArgs &args) {
  if (args.size() >= 2 && args[0] == "size")
    return Size(TArgs(args.begin() + 1, args.end()));
  long long chunk = kDefaultChunk;
  const bool chunked = args.size() == 5 && args[3] == "--chunk";
  if (args.empty() || args[0] != "decode" || (args.size() != 3 && !chunked) ||
      (chunked && (!ParseNumber(args[4], chunk) || chunk < 1 || chunk > kMaxChunk)))
    return Usage(kMp3Usage);
  return Decode(args[1], args[2], static_cast<int32_t>(chunk));
}

const TCommandRegistration kMp3("mp3", kMp3Usage, Mp3);

} // namespace
} // namespace tool
