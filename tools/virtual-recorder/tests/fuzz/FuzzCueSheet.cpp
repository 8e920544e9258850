// Arbitrary cue sheets: parsing must refuse or lay out, never read past the sheet, and a
// layout it accepts must cover the program area without gaps.
#include "tools/virtual-recorder/CueSheet.h"

#include <cstdint>
#include <cstdlib>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  const std::vector<uint8_t> sheet(data, data + size);
  vrec::TCueLayout layout;
  vrec::TSense sense;
  std::string why;
  if (!vrec::ParseCueSheet(sheet.data(), sheet.size(), 359849, layout, sense, why))
    return 0;
  int32_t next = layout.Ranges.front().Start;
  for (const vrec::TCueRange &r : layout.Ranges) {
    if (r.Start != next || r.End <= r.Start || layout.RangeAt(r.Start) != &r)
      std::abort();
    next = r.End;
  }
  if (next != layout.LeadOut)
    std::abort();
  return 0;
}
