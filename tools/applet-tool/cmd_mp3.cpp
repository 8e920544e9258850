// MP3 decoding through the applet's adapter, with the decoder library found as the applet
// finds it (beside the program first).
#include "applet/platform/Platform.h"
#include "applet/recording/GetMP3DecodedData.h"
#include "applet/recording/XAudio.h"
#include "tools/applet-tool/Command.h"

#include <cstdio>
#include <vector>

namespace tool {
namespace {

const char kMp3Usage[] = "mp3 size FILE | mp3 decode FILE OUT [--chunk N]";
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

int Size(const std::string &file) {
  if (!platform::Platform().FileExists(file))
    return Fail("cannot open " + file);
  TBinding binding;
  if (!recording::DecoderBound())
    return Fail(recording::EDecoderUnavailable().what());
  std::printf("%lld\n", static_cast<long long>(recording::DecodedSize(file)));
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
  int64_t remaining = recording::DecodedSize(file);
  std::FILE *f = platform::Platform().OpenFile(out, "wb");
  if (f == nullptr)
    return Fail("cannot create " + out);
  bool written = true;
  {
    recording::TGetMP3DecodedData reader(file);
    std::vector<uint8_t> buffer(static_cast<size_t>(chunk));
    while (remaining > 0 && written) {
      const int32_t n = remaining < chunk ? static_cast<int32_t>(remaining) : chunk;
      reader.ReadPCM(buffer.data(), n);
      written = std::fwrite(buffer.data(), 1, static_cast<size_t>(n), f) == static_cast<size_t>(n);
      remaining -= n;
    }
  }
  written = std::fclose(f) == 0 && written;
  return written ? 0 : Fail("cannot write " + out);
}

int Mp3(const TArgs &args) {
  if (args.size() == 2 && args[0] == "size")
    return Size(args[1]);
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
