// libFuzzer target: bytes as the authoring listing "qln1e.ini", read through the listing reader
// and the build's ReadAuthoringListing. Checks that lines hold no line break and print back to
// the same lines, that a build never takes more than kMaxTracks tracks or a header as an entry,
// and that the build's entries are the listing's own (less the blank lines that end the section).
#include "applet/common/SimpleListing.h"
#include "applet/common/WorkingNames.h"
#include "applet/package/UnitCompress.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

std::string scratchDir;

void RemoveScratch() {
  unlink((scratchDir + "/qln1e.ini").c_str());
  rmdir(scratchDir.c_str());
}

const std::string &ScratchFile() {
  static const std::string file = [] {
    char pattern[] = "/tmp/qln-fuzz-listing-XXXXXX";
    if (mkdtemp(pattern) == nullptr)
      std::abort();
    scratchDir = pattern;
    std::atexit(RemoveScratch);
    return scratchDir + "/qln1e.ini";
  }();
  return file;
}

void Check(bool condition) {
  if (!condition)
    std::abort();
}

bool HasBreak(const std::string &line) { return line.find_first_of("\r\n") != std::string::npos; }

bool IsHeader(const std::string &line) {
  return !line.empty() && line.front() == '[' && line.back() == ']';
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  const std::string text(reinterpret_cast<const char *>(data), size);

  const std::vector<std::string> lines = common::SplitLines(text);
  std::string printed;
  size_t characters = 0;
  for (const std::string &line : lines) {
    Check(!HasBreak(line));
    characters += line.size();
    printed += line + "\n";
  }
  Check(characters + lines.size() <= size + 1);
  Check(common::SplitLines(printed) == lines);

  std::FILE *f = std::fopen(ScratchFile().c_str(), "wb");
  Check(f != nullptr && std::fwrite(data, 1, size, f) == size);
  Check(std::fclose(f) == 0);

  const common::TSimpleListing listing(ScratchFile());
  std::vector<std::string> headers;
  listing.SectionHeaders(headers);
  for (const std::string &header : headers) {
    Check(IsHeader(header) && !HasBreak(header));
    std::vector<std::string> entries;
    const std::string section = header.substr(1, header.size() - 2);
    listing.SectionLines(section, entries);
    for (const std::string &entry : entries)
      Check(!IsHeader(entry) && !HasBreak(entry));
    const std::string first = listing.FirstSectionLine(section);
    Check(first.empty() || (!entries.empty() && entries.front() == first));
  }

  std::vector<std::string> files;
  listing.SectionLines("Files", files);
  // Blank lines that end the section are no entries.
  while (!files.empty() && files.back().empty())
    files.pop_back();
  const package::TAuthoringListing authoring = package::ReadAuthoringListing(ScratchFile());
  Check(authoring.Tracks.size() <= static_cast<size_t>(common::kMaxTracks));
  Check(authoring.Tracks.size() == std::min(files.size(), authoring.Tracks.size()));
  for (size_t i = 0; i < authoring.Tracks.size(); ++i)
    Check(authoring.Tracks[i] == files[i]);
  Check(authoring.Tracks.size() == files.size() ||
        authoring.Tracks.size() == static_cast<size_t>(common::kMaxTracks));
  Check(!IsHeader(authoring.Library) && !HasBreak(authoring.Library));
  return 0;
}
