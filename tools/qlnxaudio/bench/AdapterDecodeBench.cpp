// mp3_adapter_bench FILE...: decodes each file through the applet's adapter (the library
// beside this program, read in 27-sector requests as a cache thread does) and writes the PCM
// to standard output, so a script can time it against another decoder and compare outputs.
#include "applet/recording/GetMP3DecodedData.h"
#include "applet/recording/XAudio.h"

#include <cstdio>
#include <vector>

int main(int argc, char **argv) {
  constexpr int32_t kRequest = 27 * 2352;
  if (argc < 2) {
    std::fprintf(stderr, "usage: mp3_adapter_bench FILE...\n");
    return 2;
  }
  recording::BindDecoder();
  if (!recording::DecoderBound()) {
    std::fprintf(stderr, "mp3_adapter_bench: %s could not be loaded\n",
                 recording::kDecoderLibraryName);
    return 1;
  }
  std::vector<uint8_t> buffer(kRequest);
  for (int i = 1; i < argc; ++i) {
    recording::TGetMP3DecodedData reader(argv[i]);
    int32_t got;
    do {
      got = reader.ReadPCM(buffer.data(), kRequest);
      if (std::fwrite(buffer.data(), 1, static_cast<size_t>(got), stdout) !=
          static_cast<size_t>(got))
        return 1;
    } while (got == kRequest);
  }
  recording::UnbindDecoder();
  return 0;
}
