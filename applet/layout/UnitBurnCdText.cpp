// The burn module's CD-TEXT: the host's album text made into packs for the layout's tracks. A
// track without a title of its own gets the package's; one without a performer the disc's.
#include "applet/layout/UnitBurn.h"

namespace layout {

std::vector<uint8_t> TBurnDataModule::AlbumTextPacks() {
  TCdText text;
  if (Host == nullptr || !Host->AlbumText(text))
    return {};
  const auto count = static_cast<size_t>(Layout->Count());
  text.TrackTitles.resize(count);
  text.TrackPerformers.resize(count);
  for (size_t row = 0; row < count; ++row) {
    if (text.TrackTitles[row].empty())
      text.TrackTitles[row] = WithoutDuration(
          Host->TrackTitle(TrackNumberOf(Layout->Track(static_cast<int>(row)).FileName)));
    if (text.TrackPerformers[row].empty())
      text.TrackPerformers[row] = text.Performer;
  }
  size_t cut = 0;
  std::vector<uint8_t> packs = BuildCdTextPacks(text, count, cut);
  if (packs.empty())
    Status.LogLine("No CD-TEXT: the album has no title, performer or track title");
  else if (cut > 0)
    Status.LogLine("CD-TEXT shortened by " + std::to_string(cut) +
                   " characters to fit its 253 text packs");
  return packs;
}

} // namespace layout
