#include "applet/layout/LayoutListView.h"

#include <gtest/gtest.h>

namespace layout {
namespace {

std::unique_ptr<TTrackImageData> Track(TTrackMode mode, int32_t sectors, int32_t pregap = 0,
                                       int32_t index0 = -1, int32_t postgap = 0) {
  auto t = std::make_unique<TTrackImageData>();
  t->FileName = "C:\\images\\disc.bin";
  t->Mode = mode;
  t->SectorSize = device::kRawSectorSize;
  t->Sectors = sectors;
  t->Pregap = pregap;
  t->Postgap = postgap;
  if (index0 >= 0) {
    t->Index0InFile = true;
    t->Indexes[0] = {0, 0, index0, 0};
    t->Indexes[1] = {1, index0, sectors - index0, 0};
    t->IndexCount = 2;
  } else {
    t->Indexes[0] = {1, 0, sectors, 0};
    t->IndexCount = 1;
  }
  return t;
}

struct TLabel : TCaptionTarget {
  void SetCaption(const std::string &caption) override { Caption = caption; }
  std::string Caption;
};

TEST(LayoutListView, RowTextsShowModeTimesAndFileName) {
  TLayoutListView view;
  view.AddTrack(Track(TTrackMode::Audio, 1000, 150));
  view.AddTrack(Track(TTrackMode::Audio, 75, 0, -1, 30));
  const char *const want[2][kLayoutColumnCount] = {
      {"1", "Audio / 2352", "00:02:00", "00:13:25", "00:00:00", "00:15:25", "disc.bin"},
      {"2", "Audio / 2352", "00:00:00", "00:01:00", "00:00:30", "00:01:30", "disc.bin"}};
  for (int row = 0; row < 2; ++row)
    for (int col = 0; col < kLayoutColumnCount; ++col)
      EXPECT_EQ(want[row][col], view.Text(row, static_cast<TLayoutColumn>(col)))
          << "row " << row << " column " << TLayoutListView::kColumnTitles[col];
}

TEST(LayoutListView, NormaliseGivesTwoSecondsWhereTheModeChanges) {
  struct TCase {
    const char *Name;
    std::vector<std::unique_ptr<TTrackImageData>> (*Make)();
    std::vector<bool> ModeChange;
    std::vector<int32_t> Pregap;
    std::vector<const char *> PregapText;
  };
  const TCase cases[] = {
      {"three audio tracks",
       [] {
         std::vector<std::unique_ptr<TTrackImageData>> v(0);
         v.reserve(3);
         for (int i = 0; i < 3; ++i)
           v.push_back(Track(TTrackMode::Audio, 1000));
         return v;
       },
       {true, false, false},
       {150, 0, 0},
       {"00:02:00", "00:00:00", "00:00:00"}},
      {"audio then data",
       [] {
         std::vector<std::unique_ptr<TTrackImageData>> v;
         v.push_back(Track(TTrackMode::Audio, 1000, 10));
         v.push_back(Track(TTrackMode::Mode1, 1000, 20));
         return v;
       },
       {true, true},
       {150, 150},
       {"00:02:00", "00:02:00"}},
      {"index 0 in the file counts",
       [] {
         std::vector<std::unique_ptr<TTrackImageData>> v;
         v.push_back(Track(TTrackMode::Audio, 1000, 0, 100));
         return v;
       },
       {true},
       {50},
       {"00:02:00"}},
      {"longer pauses stay",
       [] {
         std::vector<std::unique_ptr<TTrackImageData>> v;
         v.push_back(Track(TTrackMode::Audio, 1000, 200));
         v.push_back(Track(TTrackMode::Mode2, 1000, 0, 300));
         return v;
       },
       {true, true},
       {200, 0},
       {"00:02:50", "00:04:00"}},
  };
  for (const TCase &c : cases) {
    TLayoutListView view;
    for (auto &t : c.Make())
      view.AddTrack(std::move(t));
    ASSERT_EQ(static_cast<int>(c.Pregap.size()), view.Count()) << c.Name;
    for (int row = 0; row < view.Count(); ++row) {
      EXPECT_EQ(c.ModeChange[row], view.Track(row).ModeChange) << c.Name << " row " << row;
      EXPECT_EQ(c.Pregap[row], view.Track(row).Pregap) << c.Name << " row " << row;
      EXPECT_EQ(c.PregapText[row], view.Text(row, colPregapTime)) << c.Name << " row " << row;
    }
  }
}

TEST(LayoutListView, NormalisedRowShowsTheNewTotalTime) {
  TLayoutListView view;
  view.AddTrack(Track(TTrackMode::Audio, 1000, 0, -1, 75));
  EXPECT_EQ("00:16:25", view.Text(0, colTotalTime)); // 150 + 1000 + 75 frames
}

TEST(LayoutListView, DiscTypeFollowsModeTwoTracksAndReachesTheLabel) {
  TLayoutListView view;
  TLabel label;
  view.DiscTypeLabel = &label;
  EXPECT_EQ(TDiscType::DaOrRom, view.DiscType());
  view.AddTrack(Track(TTrackMode::Audio, 10));
  EXPECT_EQ("DiscType: CD-DA or CD-ROM", label.Caption);
  view.AddTrack(Track(TTrackMode::Mode2, 10));
  EXPECT_EQ(TDiscType::Xa, view.DiscType());
  EXPECT_EQ("DiscType: CD-ROM XA", label.Caption);
  view.Delete(1);
  view.Normalise();
  EXPECT_EQ(TDiscType::DaOrRom, view.DiscType());
}

TEST(LayoutListView, TotalsCountDataAndPausesOfAllAndOfSelectedRows) {
  TLayoutListView view;
  view.AddTrack(Track(TTrackMode::Audio, 1000, 150, -1, 20)); // data 1000, total 1170
  view.AddTrack(Track(TTrackMode::Audio, 500, 0, 75));        // data 425, total 500
  view.AddTrack(Track(TTrackMode::Mode1, 300, 150));          // data 300, total 450
  EXPECT_EQ(1725, view.DataSectors());
  EXPECT_EQ(2120, view.TotalSectors());
  EXPECT_EQ(0, view.SelectedTotalSectors());
  view.SetSelected(1, true);
  view.SetSelected(2, true);
  EXPECT_EQ(725, view.SelectedDataSectors());
  EXPECT_EQ(950, view.SelectedTotalSectors());
  view.Delete(1);
  EXPECT_EQ(1300, view.DataSectors());
  EXPECT_EQ(450, view.SelectedTotalSectors());
  view.Delete(7); // not a row: nothing happens
  EXPECT_EQ(2, view.Count());
  view.Clear();
  EXPECT_EQ(0, view.TotalSectors());
}

} // namespace
} // namespace layout
