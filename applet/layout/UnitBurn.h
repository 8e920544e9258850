// The burn module's model part: it owns the disc layout, turns files into tracks and builds the
// tables that a disc-at-once or session-at-once recording hands to the recorder. Every box and
// question goes through the platform layer.
#pragma once

#include "applet/common/WorkingNames.h"
#include "applet/device/DriveData.h"
#include "applet/layout/LayoutListView.h"
#include "applet/layout/TrackImageData.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace layout {

// Measures the decoded PCM byte count of an MP3 file; true when it cannot (no decoder).
using TMp3Sizer = bool (*)(const std::string &fileName, int64_t &decodedBytes);
// A sizer with no decoder: MP3 imports are refused.
bool NoMp3Decoder(const std::string &fileName, int64_t &decodedBytes);
// The bound decoder library's measuring pass; refuses while no library is bound.
bool DecoderMp3Sizer(const std::string &fileName, int64_t &decodedBytes);

// The name pattern of the package's numbered tracks in the applet's folder.
constexpr const char *kPackageTrackPattern = common::kTrackNamePattern;

class TBurnDataModule {
public:
  TBurnDataModule();
  ~TBurnDataModule();
  TBurnDataModule(const TBurnDataModule &) = delete;
  TBurnDataModule &operator=(const TBurnDataModule &) = delete;

  // Creation and destruction handlers (run by the constructor and destructor).
  void DataModuleCreate();
  void DataModuleDestroy();

  // Imports one file as a track, or a cue sheet as many; true when nothing was added.
  // LastImportPartial tells whether a cue sheet yielded less than it names (a FILE segment
  // without tracks, or no FILE line at all).
  bool ImportTrackFile(const std::string &fileName);
  bool LastImportPartial = false;
  // Imports each name, lower-cased, in order; failures are reported per file and skipped.
  void ImportTrackList(const std::vector<std::string> &names);
  // Full paths of the package's track files in the applet's folder, in directory order.
  std::vector<std::string> FindPackageTracks() const;

  // Build LeadInTable or CueSheet from the layout; true on failure with the message in error.
  bool BuildLeadInTable(std::string &error);
  bool BuildCueSheet(std::string &error);

  bool TestWrite = true;
  TMp3Sizer Mp3Sizer = DecoderMp3Sizer;
  // Copy of the first recorder found by discovery (empty when there is none).
  device::TDriveData Recorder;
  bool HasRecorder = false;
  std::unique_ptr<TLayoutListView> Layout;
  std::vector<uint8_t> LeadInTable;
  int32_t LeadInTableLength = 0;
  std::vector<uint8_t> CueSheet;
  int32_t CueSheetLength = 0;
  int32_t BuildPosition = 0; // bytes written by the last table build
  int32_t BuildLba = 0;      // its running address at the end: the lead-out start
  int32_t NextTaoTrack = 0;

private:
  bool ImportCue(const std::string &fileName);
  bool FillSingleFileTrack(const std::string &fileName, int64_t fileSize, TTrackImageData &t);
};

} // namespace layout
