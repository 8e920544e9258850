// One codec run over a raw member stream, without the archive container.
#include "applet/package/CompThreadSafety.h"
#include "applet/package/CompressErrors.h"
#include "applet/platform/Platform.h"
#include "tools/applet-tool/Command.h"

#include <climits>
#include <cstdio>
#include <memory>

namespace tool {
namespace {

const char kCodecUsage[] = "codec encode NON|RLE|LZH|LH5 IN OUT\n"
                           "  codec decode NON|RLE|LZH|LH5 SIZE IN OUT";

struct TCodecJob {
  std::string Method;
  bool Expanding = false;
  uint32_t Size = 0; // uncompressed size, for decoding
  std::string In, Out;
};

// Runs the method over In into Out and prints the checksum (of the plain bytes).
int Run(const TCodecJob &job) {
  const std::string &methodId = job.Method;
  const std::string &in = job.In;
  const std::string &out = job.Out;
  const bool expanding = job.Expanding;
  const int method = package::MethodIndexOf(methodId);
  if (method < 0 || method == package::miCUS)
    return Usage(kCodecUsage);
  if (!package::CodecAvailable(static_cast<uint8_t>(method))) {
    std::fprintf(stderr, "Method %s is not available in this tool\n", methodId.c_str());
    return 1;
  }
  if (SameFileAsInput(out, {in}))
    return 1;
  try {
    package::TFileStream source(in, package::TFileStream::fmOpenRead);
    const int64_t length = source.Size();
    if (length > INT32_MAX)
      throw package::EArchiveTooLarge(in);
    auto dest = std::make_unique<package::TFileStream>(out, package::TFileStream::fmCreate);
    package::TCompThreadSafety io;
    uint32_t checksum = 0;
    try {
      io.RunCodec(source, *dest, false, expanding, checksum, static_cast<uint8_t>(method),
                  expanding ? job.Size : static_cast<uint32_t>(length),
                  static_cast<int32_t>(length));
      dest->Close();
    } catch (const package::Exception &) {
      dest.reset();
      platform::Platform().RemoveFile(out);
      throw;
    }
    std::printf("%08X\n", checksum);
  } catch (const package::Exception &e) {
    std::fprintf(stderr, "%s\n", e.what());
    return 1;
  }
  return 0;
}

int Codec(const TArgs &args) {
  if (args.size() == 4 && args[0] == "encode")
    return Run({args[1], false, 0, args[2], args[3]});
  long long size = 0;
  if (args.size() == 5 && args[0] == "decode" && ParseNumber(args[2], size) && size >= 0 &&
      size <= INT32_MAX)
    return Run({args[1], true, static_cast<uint32_t>(size), args[3], args[4]});
  return Usage(kCodecUsage);
}

const TCommandRegistration kCodec("codec", kCodecUsage, Codec);

} // namespace
} // namespace tool
