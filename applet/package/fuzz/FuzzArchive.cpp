// libFuzzer target: lists and expands arbitrary bytes as an archive, and decodes them as raw
// RLE data. The first five bytes choose the options: flags, then a little-endian key.
//   flag 1  expand with the key          flag 2  accept unknown identifiers
//   flag 4  expand only the first listed member
//   flag 8  cancel through the progress handler after the first block
// Expanded members all go to one scratch file; a target path holding a ".." element is a
// finding, as is any crash, hang or exception other than the component's own.
#include "applet/package/ArchiveFormat.h"
#include "applet/package/Compress.h"
#include "applet/package/CompressErrors.h"

#include <cstdint>
#include <cstdlib>
#include <string>
#include <unistd.h>

namespace {

constexpr size_t kOptionBytes = 5;

std::string scratchDir;

void RemoveScratch() {
  unlink((scratchDir + "/member").c_str());
  rmdir(scratchDir.c_str());
}

const std::string &ScratchFile() {
  static const std::string file = [] {
    char pattern[] = "/tmp/qln-fuzz-archive-XXXXXX";
    const char *dir = mkdtemp(pattern);
    if (dir == nullptr)
      std::abort();
    scratchDir = dir;
    std::atexit(RemoveScratch);
    return scratchDir + "/member";
  }();
  return file;
}

void ListAndExpand(const uint8_t *data, size_t size, uint8_t flags, int32_t key) {
  package::TCompress compress;
  if ((flags & 1) != 0)
    compress.Key = key;
  if ((flags & 2) != 0)
    compress.OnRecognize = [](const std::string &, bool &recognized) { recognized = true; };
  if ((flags & 8) != 0)
    compress.OnShowProgress = [](int32_t &percent) {
      if (percent > 0 && percent < 100)
        percent = package::kCancelProgress;
    };

  std::vector<package::TListedMember> members;
  try {
    package::TMemoryStream archive(data, size);
    compress.ListMembers(archive, members);
  } catch (const package::Exception &) {
  }

  compress.SetTargetPath("/tmp/qln-fuzz-target/");
  compress.OnCheckFile = [](std::string &path, package::TCProcessMode) {
    if (package::HasParentElement(path))
      std::abort();
    path = ScratchFile();
  };
  std::vector<std::string> selection;
  if (!members.empty())
    selection.push_back(members[0].Name);
  try {
    package::TMemoryStream archive(data, size);
    compress.ExtractMembers(archive, (flags & 4) != 0 ? &selection : nullptr);
  } catch (const package::Exception &) {
  }
}

void DecodeRaw(const uint8_t *data, size_t size, int32_t key) {
  static package::TCompThreadSafety io; // its buffers and writer thread serve every input
  io.Key = key;
  for (uint8_t method : {package::miNON, package::miRLE}) {
    package::TMemoryStream source(data, size);
    package::TMemoryStream dest;
    uint32_t checksum = 0;
    try {
      io.RunCodec(source, dest, true, true, checksum, method, static_cast<uint32_t>(size),
                  static_cast<int32_t>(size));
    } catch (const package::Exception &) {
    }
  }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  if (size < kOptionBytes)
    return 0;
  const uint8_t flags = data[0];
  const int32_t key =
      static_cast<int32_t>(data[1] | (data[2] << 8) | (data[3] << 16) | (uint32_t{data[4]} << 24));
  ListAndExpand(data + kOptionBytes, size - kOptionBytes, flags, key);
  DecodeRaw(data + kOptionBytes, size - kOptionBytes, key);
  return 0;
}
