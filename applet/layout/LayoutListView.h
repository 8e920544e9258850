// The disc layout: one row per track in recording order, each owning its track record. It
// keeps the layout consistent (mode-change flags, a minimum pause where the mode changes),
// derives the disc type and keeps the sector totals that the recording threads read. It is a
// model only: the applet keeps it hidden, and nothing here depends on it being shown.
#pragma once

#include "applet/layout/TrackImageData.h"

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace layout {

// Something that shows a caption, such as a label on a form.
class TCaptionTarget {
public:
  virtual ~TCaptionTarget() = default;
  virtual void SetCaption(const std::string &caption) = 0;
};

enum TLayoutColumn {
  colTrack,
  colModeSectorSize,
  colPregapTime,
  colTrackTime,
  colPostgapTime,
  colTotalTime,
  colSourceFilename,
  kLayoutColumnCount
};

class TLayoutListView {
public:
  static const char *const kColumnTitles[kLayoutColumnCount];

  // Appends a row that takes ownership of the record, then normalises the layout.
  void AddTrack(std::unique_ptr<TTrackImageData> track);
  // Mode-change flags and pauses, then the disc type, then the totals.
  void Normalise();
  // Removes a row and disposes its record.
  void Delete(int row);
  void Clear();

  int Count() const { return static_cast<int>(rows_.size()); }
  TTrackImageData &Track(int row) { return *rows_.at(static_cast<size_t>(row)).Data; }
  const TTrackImageData &Track(int row) const { return *rows_.at(static_cast<size_t>(row)).Data; }
  // The records in row order, for the table builders and the recording threads.
  std::vector<const TTrackImageData *> Tracks() const;
  const std::string &Text(int row, TLayoutColumn column) const;

  bool Selected(int row) const { return rows_.at(static_cast<size_t>(row)).Selected; }
  void SetSelected(int row, bool selected);

  TDiscType DiscType() const { return discType_; }
  int32_t DataSectors() const { return dataSectors_; }
  int32_t TotalSectors() const { return totalSectors_; }
  int32_t SelectedDataSectors() const { return selectedDataSectors_; }
  int32_t SelectedTotalSectors() const { return selectedTotalSectors_; }

  // Shown "DiscType: " + the disc type when attached; not owned.
  TCaptionTarget *DiscTypeLabel = nullptr;

private:
  struct TRow {
    std::unique_ptr<TTrackImageData> Data;
    std::array<std::string, kLayoutColumnCount> Texts;
    bool Selected = false;
  };

  void RecomputeTotals();

  std::vector<TRow> rows_;
  TDiscType discType_ = TDiscType::DaOrRom;
  int32_t dataSectors_ = 0;
  int32_t totalSectors_ = 0;
  int32_t selectedDataSectors_ = 0;
  int32_t selectedTotalSectors_ = 0;
};

} // namespace layout
