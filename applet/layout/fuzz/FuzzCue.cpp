// Cue sheet text through parsing, placing, the layout and both tables. The first four bytes
// give the image file's size; the rest is the cue sheet.
#include "applet/layout/Cue.h"
#include "applet/layout/LayoutListView.h"
#include "applet/layout/LayoutTables.h"

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  constexpr size_t kSizeBytes = 4;
  if (size < kSizeBytes)
    return 0;
  uint32_t fileSize = 0;
  std::memcpy(&fileSize, data, kSizeBytes);
  const std::string text(reinterpret_cast<const char *>(data + kSizeBytes), size - kSizeBytes);
  layout::TLayoutListView view;
  try {
    for (const layout::TCueSegment &segment : layout::ReadCueText(text)) {
      layout::TCueFile file = layout::ParseCueSegment(segment);
      layout::PlaceCueTracks(file, file.Name, fileSize);
      for (auto &track : file.Tracks)
        view.AddTrack(std::move(track));
    }
  } catch (const layout::ECueError &) {
    return 0;
  }
  uint8_t buffer[layout::kTableBufferSize];
  layout::TBuiltTable result;
  layout::BuildLeadInTable(view.Tracks(), view.DiscType(), buffer, sizeof buffer, result);
  layout::BuildCueSheet(view.Tracks(), buffer, sizeof buffer, result);
  return 0;
}
