// The three recording methods as strategies of the shared packet loop: what each sends the
// recorder before the first block, which phases it builds, and how a phase's blocks look.
#include "applet/device/Calculations.h"
#include "applet/device/MMC.h"
#include "applet/recording/LeadInText.h"
#include "applet/recording/RawBlock.h"
#include "applet/recording/RecordingThreads.h"
#include "applet/recording/TrackSource.h"

#include <cstdlib>
#include <cstring>
#include <vector>

namespace recording {

namespace {

constexpr uint32_t kSaoPacketBytes = 65535;
constexpr uint32_t kTaoPacketBytes = 32768;
constexpr int32_t kBlankDiscFirstBlock = -device::kLbaOffset;
constexpr size_t kDiscInfoLastTrackByte = 6;
constexpr int32_t kRawDataSkip = kUserDataOffset; // sync and header of a raw data sector

std::string N(int32_t n) { return std::to_string(n); }

// "Processing Track n  [mode]  [s Sectors]"
std::string TrackLine(int32_t n, TTrackMode mode, int32_t sectors) {
  return "Processing Track " + N(n) + "  [" + device::TrackModeText(mode) + "]  [" + N(sectors) +
         " Sectors]";
}

bool SetParams(TCacheThread &t, device::TWriteMethod method, TTrackMode mode) {
  t.Log("Setting Write Parameters");
  const TRecordingSetup &s = t.Setup();
  if (device::SetWriteParams(s.Drive, method, mode, s.DiscType, s.TestWrite, s.MultiSession)) {
    t.Status().ReaderFailed = true;
    t.Log("Error setting write parameters");
    return false;
  }
  return true;
}

bool ReadDiscInfo(TCacheThread &t, device::TDiscInfo &info) {
  t.Log("Reading Disc Info");
  if (device::ReadDiscInfo(t.Setup().Drive.HaId, t.Setup().Drive.Target, info)) {
    t.Status().ReaderFailed = true;
    t.Log("Error reading Disc Info");
    return false;
  }
  return true;
}

bool ReadNextTrackInfo(TCacheThread &t, device::TTrackInfo &info, const char *failure) {
  t.Log("Reading Next Track Info");
  if (device::ReadTrackInfo(t.Setup().Drive.HaId, t.Setup().Drive.Target, device::kInvisibleTrack,
                            info)) {
    t.Status().ReaderFailed = true;
    t.Log(failure);
    return false;
  }
  return true;
}

// A plan whose writer sends every track's pause and data, and extra blocks around them, from
// firstLba. Postgaps are left out by the lead-in table and the cue sheet, so no method records
// them; the log says so.
TWriterPlan WholeDiscPlan(TCacheThread &t, int32_t firstLba, int32_t extra) {
  int32_t total = extra;
  int32_t postgaps = 0;
  for (const TTrackImageData &track : t.Setup().Tracks) {
    total += track.Pregap + track.Sectors;
    postgaps += track.Postgap > 0 ? track.Postgap : 0;
  }
  if (postgaps > 0)
    t.Log("Postgaps are not recorded [" + N(postgaps) + " Sectors]");
  TWriterPlan plan;
  plan.FirstLba = firstLba;
  plan.Total = plan.DisplayTotal = total;
  return plan;
}

// Reads a track's file data packet by packet; logs the open, read and free failures.
class TSourceReader {
public:
  TSourceReader(TCacheThread &t, const TTrackImageData &track) : t_(t), track_(track) {}
  bool Open(int64_t skipBytes) {
    if (source_.Open(track_, skipBytes))
      return true;
    t_.Log("A critical error has occurred while trying to open " + track_.FileName);
    return false;
  }
  bool Read(uint8_t *buffer, size_t bytes) {
    if (source_.Read(buffer, bytes))
      return true;
    t_.Log("A critical error has occurred while reading " + track_.FileName);
    return false;
  }
  bool Close() {
    if (source_.Close())
      return true;
    t_.Log("A critical error has occurred while freeing " + track_.FileName);
    return false;
  }

private:
  TCacheThread &t_;
  const TTrackImageData &track_;
  TTrackSource source_;
};

// Raw disc-at-once: 2368-byte blocks from the lead-in start through the lead-out.
class TDaoMethod final : public TRecordingMethod {
public:
  std::optional<TWriterPlan> Prepare(TCacheThread &t) override {
    const TRecordingSetup &s = t.Setup();
    t.Status().WriterFinished = false;
    if (!SetParams(t, device::Dao, s.Tracks.front().Mode))
      return std::nullopt;
    device::TDiscInfo info;
    if (!ReadDiscInfo(t, info))
      return std::nullopt;
    const int32_t start = info.LastSessionLeadInStart;
    if (start > kLatestLeadInStart || start < kEarliestLeadInStart) {
      t.Status().ReaderFailed = true;
      t.Log("Error reading Disc Info");
      return std::nullopt;
    }
    t.Log("Start LBA is " + N(start));
    leadIn_ = std::abs(start - kLatestLeadInStart) + 1;
    return WholeDiscPlan(t, start, leadIn_ + kLeadOutBlocks);
  }

  void Build(TCacheThread &t) override {
    const TRecordingSetup &s = t.Setup();
    t.Label("Buffering Lead-in");
    t.Log("Processing Lead-in");
    if (!LeadIn(t)) {
      t.Log("Error processing Lead-in");
      t.Status().ReaderFailed = true;
      return;
    }
    const int32_t count = static_cast<int32_t>(s.Tracks.size());
    for (int32_t i = 0; i < count && !t.Stopped(); ++i) {
      const TTrackImageData &track = s.Tracks[static_cast<size_t>(i)];
      t.Label("Buffering Track " + N(i + 1));
      if (track.Pregap > 0 && !Pause(t, track, i + 1)) {
        t.Log("Error processing track " + N(i + 1) + " pause");
        t.Status().ReaderFailed = true;
        return;
      }
      const TTrackImageData *next = i + 1 < count ? &s.Tracks[static_cast<size_t>(i) + 1] : nullptr;
      if (!Track(t, track, i + 1, next)) {
        t.Log("Error processing track " + N(i + 1));
        t.Status().ReaderFailed = true;
        return;
      }
    }
    if (t.Stopped())
      return;
    t.Label("Buffering Lead-out");
    t.Log("Processing Lead-out");
    if (!LeadOut(t)) {
      t.Log("Error processing Lead-out");
      t.Status().ReaderFailed = true;
    }
  }

private:
  // NOLINTNEXTLINE(bugprone-easily-swappable-parameters)
  static TPhase RawPhase(int32_t blocks, int32_t barDone, int32_t barLength) {
    TPhase p;
    p.Blocks = blocks;
    p.PerPacket = kDaoPacketBlocks;
    p.BlockBytes = kRawBlockSize;
    p.BarDone = barDone;
    p.BarLength = barLength;
    return p;
  }

  bool LeadIn(TCacheThread &t) {
    const std::vector<uint8_t> &table = t.Setup().Table;
    const auto entries = static_cast<int32_t>(table.size() / kLeadInEntrySize);
    if (entries == 0)
      return false;
    const TTrackMode kind = t.Setup().Tracks.front().Mode;
    TPhase p = RawPhase(leadIn_, 0, leadIn_);
    p.Build = [&](uint8_t *packet, const TPacketSpan &span) {
      for (int32_t b = 0; b < span.Count; ++b) {
        const int32_t n = span.First + b;
        const uint8_t *entry = &table[static_cast<size_t>((n / 3) % entries) * kLeadInEntrySize];
        BuildLeadInBlock(packet + static_cast<size_t>(b) * kRawBlockSize, kind, n, entry);
      }
      return true;
    };
    return t.RunPhase(p);
  }

  // The generated pause: index 0, counting down to the track's index 1 (through an index 0
  // that lies in the file, when there is one).
  bool Pause(TCacheThread &t, const TTrackImageData &track, int32_t number) {
    const TTrackMode kind = track.Mode;
    const int32_t countdown = track.PauseBeforeIndex1();
    TPhase p = RawPhase(track.Pregap, 0, track.Pregap + track.Sectors);
    p.Build = [&](uint8_t *packet, const TPacketSpan &span) {
      for (int32_t b = 0; b < span.Count; ++b) {
        TQFrame q{device::CtlAdrOf(track.Mode),
                  static_cast<uint8_t>(number),
                  0,
                  countdown - 1 - (span.First + b),
                  span.Lba + b,
                  true};
        BuildSilentBlock(packet + static_cast<size_t>(b) * kRawBlockSize, kind, q);
      }
      return true;
    };
    return t.RunPhase(p);
  }

  bool Track(TCacheThread &t, const TTrackImageData &track, int32_t number,
             const TTrackImageData *next) {
    t.Log(TrackLine(number, track.Mode, track.Sectors));
    const bool nextHasPregap = next && (next->Pregap > 0 || next->Index0InFile);
    const bool newModeFollows = next == nullptr || next->ModeChange;
    const TTrackMode kind = track.Mode;
    const auto sectorSize = static_cast<size_t>(track.SectorSize);
    std::vector<uint8_t> source(kDaoPacketBlocks * sectorSize);
    TSourceReader reader(t, track);
    if (!reader.Open(0))
      return false;
    const int32_t index0 = track.Index0InFile ? track.Indexes[0].Length : 0;
    int32_t index = 0;
    int32_t indexLeft = track.UsedIndexes() > 0 ? track.Indexes[0].Length : track.Sectors;
    TPhase p = RawPhase(track.Sectors, track.Pregap, track.Pregap + track.Sectors);
    p.Last = false;
    p.Build = [&](uint8_t *packet, const TPacketSpan &span) {
      if (!reader.Read(source.data(), static_cast<size_t>(span.Count) * sectorSize))
        return false;
      for (int32_t b = 0; b < span.Count; ++b) {
        const int32_t n = span.First + b;
        const int32_t remaining = track.Sectors - n;
        while (indexLeft <= 0 && index + 1 < track.UsedIndexes())
          indexLeft = track.Indexes[++index].Length;
        --indexLeft;
        TQFrame q{device::CtlAdrOf(track.Mode),
                  static_cast<uint8_t>(number),
                  static_cast<uint8_t>(track.UsedIndexes() > 0 ? track.Indexes[index].Number : 1),
                  n < index0 ? index0 - 1 - n : n - index0,
                  span.Lba + b,
                  false};
        if (n < index0)
          q.P = true;
        else if (kind == TTrackMode::Audio)
          q.P = (newModeFollows && remaining <= device::kModeChangePause) ||
                (nextHasPregap && remaining == 1);
        BuildTrackBlock(packet + static_cast<size_t>(b) * kRawBlockSize, kind,
                        source.data() + static_cast<size_t>(b) * sectorSize, track.SectorSize, q);
      }
      return true;
    };
    const bool built = t.RunPhase(p);
    return reader.Close() && built;
  }

  bool LeadOut(TCacheThread &t) {
    const TTrackImageData &last = t.Setup().Tracks.back();
    const TTrackMode kind = last.Mode;
    TPhase p = RawPhase(kLeadOutBlocks, 0, kLeadOutBlocks);
    p.Last = true;
    p.Build = [&](uint8_t *packet, const TPacketSpan &span) {
      for (int32_t b = 0; b < span.Count; ++b) {
        const int32_t n = span.First + b;
        TQFrame q{
            device::CtlAdrOf(last.Mode), kLeadOutTrack, 1, n, span.Lba + b, LeadOutP(kind, n)};
        BuildSilentBlock(packet + static_cast<size_t>(b) * kRawBlockSize, kind, q);
      }
      return true;
    };
    return t.RunPhase(p);
  }

  int32_t leadIn_ = 0;
};

// Session-at-once: the cue sheet first, then every pregap and track in the file's sector size.
class TSaoMethod final : public TRecordingMethod {
public:
  const char *ExecutingText() const override { return "Executing (Cache enabled)"; }

  std::optional<TWriterPlan> Prepare(TCacheThread &t) override {
    const TRecordingSetup &s = t.Setup();
    if (!SetParams(t, device::Sao, s.Tracks.front().Mode))
      return std::nullopt;
    device::TDiscInfo info;
    if (!ReadDiscInfo(t, info))
      return std::nullopt;
    trackNumber_ = info.Raw[kDiscInfoLastTrackByte];
    device::TTrackInfo next;
    if (!ReadNextTrackInfo(t, next, "Error reading next track info"))
      return std::nullopt;
    const int32_t start = next.TrackStart == 0 ? kBlankDiscFirstBlock : next.TrackStart;
    t.Log("Start LBA is " + N(start));
    leadIn_ = text_.Plan(t, info.LastSessionLeadInStart, start);
    t.Log("Sending Cue Sheet");
    if (leadIn_ > 0 && !text_.SendCueSheet(t))
      leadIn_ = 0;
    device::TCommandStatus status;
    if (leadIn_ == 0 && device::SendCueSheet(s.Drive.HaId, s.Drive.Target, s.Table.data(),
                                             static_cast<uint16_t>(s.Table.size()), &status)) {
      t.Status().ReaderFailed = true;
      t.Log("Error sending cue sheet");
      t.LogSense(status);
      return std::nullopt;
    }
    // The host's lead-in blocks, if any, come first.
    return WholeDiscPlan(t, start - leadIn_, leadIn_);
  }

  void Build(TCacheThread &t) override {
    const std::vector<TTrackImageData> &tracks = t.Setup().Tracks;
    if (leadIn_ > 0 && !text_.Build(t, leadIn_))
      return;
    for (size_t i = 0; i < tracks.size() && !t.Stopped(); ++i) {
      const TTrackImageData &track = tracks[i];
      const bool last = i + 1 == tracks.size();
      t.Label("Buffering Track " + N(trackNumber_));
      if (track.Pregap > 0) {
        t.Log("Processing Track " + N(trackNumber_) + " Pregap [" + N(track.Pregap) + " Sectors]");
        if (!Pregap(t, track)) {
          t.Log("Error processing track " + N(trackNumber_) + " pause");
          t.Status().ReaderFailed = true;
          return;
        }
      }
      t.Log(TrackLine(trackNumber_, track.Mode, track.Sectors));
      if (!Track(t, track, last)) {
        t.Log("Error processing track " + N(trackNumber_));
        t.Status().ReaderFailed = true;
        return;
      }
      ++trackNumber_;
    }
  }

private:
  // NOLINTNEXTLINE(bugprone-easily-swappable-parameters)
  static TPhase PlainPhase(const TTrackImageData &track, int32_t blocks, int32_t barDone) {
    TPhase p;
    p.Blocks = blocks;
    p.BlockBytes = static_cast<uint32_t>(track.SectorSize);
    p.PerPacket = static_cast<int32_t>(kSaoPacketBytes / p.BlockBytes);
    p.BarDone = barDone;
    p.BarLength = track.Pregap + track.Sectors;
    return p;
  }

  static bool Pregap(TCacheThread &t, const TTrackImageData &track) {
    TPhase p = PlainPhase(track, track.Pregap, 0);
    p.Build = [&p](uint8_t *packet, const TPacketSpan &span) {
      std::memset(packet, 0, static_cast<size_t>(span.Count) * p.BlockBytes);
      return true;
    };
    return t.RunPhase(p);
  }

  static bool Track(TCacheThread &t, const TTrackImageData &track, bool last) {
    TSourceReader reader(t, track);
    if (!reader.Open(0))
      return false;
    TPhase p = PlainPhase(track, track.Sectors, track.Pregap);
    p.Last = last;
    p.Build = [&](uint8_t *packet, const TPacketSpan &span) {
      return reader.Read(packet, static_cast<size_t>(span.Count) * p.BlockBytes);
    };
    const bool built = t.RunPhase(p);
    return reader.Close() && built;
  }

  int32_t trackNumber_ = 1;
  TLeadInText text_;
  int32_t leadIn_ = 0; // lead-in blocks with CD-TEXT the host writes
};

// Track-at-once: one track per thread pair, at the recorder's next writable address, in the
// track's data block format.
class TTaoMethod final : public TRecordingMethod {
public:
  // One track's plan: the writer continues the running total of the tracks before, closes the
  // session after the last track, and a failed store fails the writer.
  std::optional<TWriterPlan> Prepare(TCacheThread &t) override {
    const TRecordingSetup &s = t.Setup();
    const TTrackImageData &track = s.Tracks.at(static_cast<size_t>(s.TrackIndex));
    t.Status().WriterFinished = false;
    device::TDiscInfo info;
    if (!ReadDiscInfo(t, info))
      return std::nullopt;
    trackNumber_ = info.Raw[kDiscInfoLastTrackByte];
    t.Label("Buffering Track " + N(trackNumber_));
    if (track.ModeChange && !SetParams(t, device::Tao, track.Mode))
      return std::nullopt;
    device::TTrackInfo next;
    if (!ReadNextTrackInfo(t, next, "error reading next track info"))
      return std::nullopt;
    t.Log("Start LBA is " + N(next.NextWritable));
    skip_ = track.Index0InFile ? track.Indexes[0].Length : 0;
    size_ = track.Sectors - skip_;
    TWriterPlan plan;
    plan.FirstLba = next.NextWritable;
    plan.Total = size_;
    plan.Before = s.SectorsBefore;
    plan.DisplayTotal = s.DiscTotal;
    plan.CloseSession = s.TrackIndex + 1 == static_cast<int32_t>(s.Tracks.size());
    plan.StoreFailure = &TStatusForm::WriterFailed;
    return plan;
  }

  void Build(TCacheThread &t) override {
    const TRecordingSetup &s = t.Setup();
    const TTrackImageData &track = s.Tracks[static_cast<size_t>(s.TrackIndex)];
    t.Log(TrackLine(trackNumber_, track.Mode, size_));
    if (!Track(t, track)) {
      t.Log("Error processing track " + N(trackNumber_));
      t.Status().ReaderFailed = true;
    }
  }

private:
  bool Track(TCacheThread &t, const TTrackImageData &track) {
    const int32_t fileSize = track.SectorSize;
    const int32_t target = track.Mode == TTrackMode::Mode1   ? kMode1UserDataSize
                           : track.Mode == TTrackMode::Mode2 ? device::kMode2MixedBlockSize
                                                             : kRawSectorSize;
    const int32_t skip =
        track.Mode != TTrackMode::Audio && fileSize == kRawSectorSize ? kRawDataSkip : 0;
    if (target < fileSize)
      t.Log(std::string("Converting from ") + device::TrackModeText(track.Mode) + "/" +
            N(fileSize) + " to " + device::TrackModeText(track.Mode) + "/" + N(target) +
            " on the fly");
    TSourceReader reader(t, track);
    if (!reader.Open(int64_t{skip_} * fileSize))
      return false;
    TPhase p;
    p.Blocks = size_;
    p.PerPacket = static_cast<int32_t>(kTaoPacketBytes / static_cast<uint32_t>(fileSize));
    p.BlockBytes = static_cast<uint32_t>(target);
    p.BarLength = size_;
    p.Last = true;
    std::vector<uint8_t> source(static_cast<size_t>(p.PerPacket) * static_cast<size_t>(fileSize));
    p.Build = [&](uint8_t *packet, const TPacketSpan &span) {
      const size_t bytes = static_cast<size_t>(span.Count) * static_cast<size_t>(fileSize);
      if (target == fileSize)
        return reader.Read(packet, bytes);
      if (!reader.Read(source.data(), bytes))
        return false;
      for (int32_t b = 0; b < span.Count; ++b)
        std::memcpy(packet + static_cast<size_t>(b) * static_cast<size_t>(target),
                    source.data() + static_cast<size_t>(b) * static_cast<size_t>(fileSize) +
                        static_cast<size_t>(skip),
                    static_cast<size_t>(target));
      return true;
    };
    const bool built = t.RunPhase(p);
    return reader.Close() && built;
  }

  int32_t trackNumber_ = 1;
  int32_t skip_ = 0;
  int32_t size_ = 0;
};

} // namespace

std::unique_ptr<TRecordingMethod> CreateMethod(const TRecordingSetup &setup) {
  switch (setup.Method) {
  case device::Dao:
    return std::make_unique<TDaoMethod>();
  case device::Tao:
    return std::make_unique<TTaoMethod>();
  case device::Sao:
    break;
  }
  return std::make_unique<TSaoMethod>();
}

} // namespace recording
