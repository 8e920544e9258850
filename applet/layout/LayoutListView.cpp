#include "applet/layout/LayoutListView.h"

#include "applet/device/Calculations.h"
#include "applet/platform/Platform.h"

#include <limits>

namespace layout {

namespace {
int32_t Saturate(int64_t v) {
  constexpr int64_t kMax = std::numeric_limits<int32_t>::max();
  constexpr int64_t kMin = std::numeric_limits<int32_t>::min();
  return static_cast<int32_t>(v > kMax ? kMax : (v < kMin ? kMin : v));
}

int64_t RowDataSectors(const TTrackImageData &t) {
  return int64_t{t.Sectors} - (t.Index0InFile ? t.Indexes[0].Length : 0);
}

int64_t RowTotalSectors(const TTrackImageData &t) {
  return int64_t{t.Pregap} + t.Sectors + t.Postgap;
}

std::string TimeText(int64_t frames) { return device::FramesToTimeText(Saturate(frames)); }
} // namespace

const char *const TLayoutListView::kColumnTitles[kLayoutColumnCount] = {
    "Track #",      "Mode / Sector Size", "Pregap Time",    "Track Time",
    "Postgap Time", "Total Time",         "Source Filename"};

void TLayoutListView::AddTrack(std::unique_ptr<TTrackImageData> track) {
  TRow row;
  const TTrackImageData &t = *track;
  const int64_t pause = t.PauseBeforeIndex1();
  row.Texts[colTrack] = std::to_string(rows_.size() + 1);
  row.Texts[colModeSectorSize] =
      std::string(device::TrackModeText(t.Mode)) + " / " + std::to_string(t.SectorSize);
  row.Texts[colPregapTime] = TimeText(pause);
  row.Texts[colTrackTime] = TimeText(t.Sectors);
  row.Texts[colPostgapTime] = TimeText(t.Postgap);
  row.Texts[colTotalTime] = TimeText(pause + t.Sectors + t.Postgap);
  row.Texts[colSourceFilename] = platform::ExtractFileName(t.FileName);
  row.Data = std::move(track);
  rows_.push_back(std::move(row));
  Normalise();
}

void TLayoutListView::Normalise() {
  const TTrackImageData *previous = nullptr;
  for (TRow &row : rows_) {
    TTrackImageData &t = *row.Data;
    t.ModeChange = previous == nullptr || t.Mode != previous->Mode;
    previous = &t;
    if (!t.ModeChange || t.PauseBeforeIndex1() >= device::kModeChangePause)
      continue;
    t.Pregap = device::kModeChangePause - (t.Index0InFile ? t.Indexes[0].Length : 0);
    row.Texts[colPregapTime] = TimeText(device::kModeChangePause);
    row.Texts[colTotalTime] = TimeText(int64_t{device::kModeChangePause} + t.Sectors + t.Postgap);
  }

  discType_ = TDiscType::DaOrRom;
  for (const TRow &row : rows_)
    if (row.Data->Mode == TTrackMode::Mode2)
      discType_ = TDiscType::Xa;
  if (DiscTypeLabel != nullptr)
    DiscTypeLabel->SetCaption(std::string("DiscType: ") + device::DiscTypeText(discType_));

  RecomputeTotals();
}

void TLayoutListView::Delete(int row) {
  const size_t index = static_cast<size_t>(row);
  if (row < 0 || index >= rows_.size())
    return;
  rows_.erase(rows_.begin() + row);
  RecomputeTotals();
}

void TLayoutListView::Clear() {
  rows_.clear();
  RecomputeTotals();
}

std::vector<const TTrackImageData *> TLayoutListView::Tracks() const {
  std::vector<const TTrackImageData *> tracks;
  tracks.reserve(rows_.size());
  for (const TRow &row : rows_)
    tracks.push_back(row.Data.get());
  return tracks;
}

const std::string &TLayoutListView::Text(int row, TLayoutColumn column) const {
  return rows_.at(static_cast<size_t>(row)).Texts[column];
}

void TLayoutListView::SetSelected(int row, bool selected) {
  rows_.at(static_cast<size_t>(row)).Selected = selected;
  RecomputeTotals();
}

void TLayoutListView::RecomputeTotals() {
  int64_t data = 0, total = 0, selectedData = 0, selectedTotal = 0;
  for (const TRow &row : rows_) {
    const int64_t d = RowDataSectors(*row.Data);
    const int64_t t = RowTotalSectors(*row.Data);
    data += d;
    total += t;
    if (row.Selected) {
      selectedData += d;
      selectedTotal += t;
    }
  }
  dataSectors_ = Saturate(data);
  totalSectors_ = Saturate(total);
  selectedDataSectors_ = Saturate(selectedData);
  selectedTotalSectors_ = Saturate(selectedTotal);
}

} // namespace layout
