// Cue sheet text: lines, segments, and the commands of one segment.
#include "applet/device/Calculations.h"
#include "applet/layout/Cue.h"
#include "applet/platform/Platform.h"

#include <cctype>

namespace layout {

namespace {

constexpr int kMaxIndexNumber = 99;
constexpr size_t kMaxNumberDigits = 9;
using device::kFramesPerMinute;
using device::kFramesPerSecond;
using device::kSecondsPerMinute;
constexpr char kUtf8Bom[] = "\xEF\xBB\xBF";

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

// Trims characters up to and including the space, as the system's own trimming does.
std::string Trim(const std::string &s) {
  size_t b = 0, e = s.size();
  while (b < e && static_cast<unsigned char>(s[b]) <= ' ')
    ++b;
  while (e > b && static_cast<unsigned char>(s[e - 1]) <= ' ')
    --e;
  return s.substr(b, e - b);
}

std::string Upper(std::string s) {
  for (char &c : s)
    c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return s;
}

struct TSplit {
  std::string Head; // up to the first blank
  std::string Tail; // after it, trimmed
};

TSplit SplitFirst(const std::string &s) {
  size_t i = 0;
  while (i < s.size() && !IsBlank(s[i]))
    ++i;
  return {s.substr(0, i), i < s.size() ? Trim(s.substr(i)) : std::string()};
}

[[noreturn]] void Malformed(const TCueLine &line, const std::string &what) {
  throw ECueError("Line " + std::to_string(line.LineNumber) + " (\"" + line.Text + "\"): " + what);
}

int32_t ParseNumber(const TCueLine &line, const std::string &word, const char *what) {
  if (word.empty() || word.size() > kMaxNumberDigits)
    Malformed(line, "\"" + word + "\" is not a valid " + what + ".");
  int32_t value = 0;
  for (char c : word) {
    if (c < '0' || c > '9')
      Malformed(line, "\"" + word + "\" is not a valid " + what + ".");
    value = value * 10 + (c - '0');
  }
  return value;
}

// "MM:SS:FF" in sectors, without the 150-sector offset.
int32_t ParseTime(const TCueLine &line, const std::string &word) {
  static const char kForm[] = "00:00:00";
  bool ok = word.size() == sizeof kForm - 1;
  for (size_t i = 0; ok && i < word.size(); ++i)
    ok = kForm[i] == ':' ? word[i] == ':' : (word[i] >= '0' && word[i] <= '9');
  const auto two = [&word](size_t at) { return (word[at] - '0') * 10 + (word[at + 1] - '0'); };
  if (!ok || two(3) >= kSecondsPerMinute || two(6) >= kFramesPerSecond)
    Malformed(line, "\"" + word +
                        "\" is not a valid time MM:SS:FF (seconds below 60, frames "
                        "below 75).");
  return two(0) * kFramesPerMinute + two(3) * kFramesPerSecond + two(6);
}

// "AUDIO", "MODE1" and "MODE2" in any case; any other mode is refused by its line.
TTrackMode ParseMode(const TCueLine &line, const std::string &text) {
  for (const TTrackMode mode : {TTrackMode::Audio, TTrackMode::Mode1, TTrackMode::Mode2})
    if (platform::SameText(text, device::TrackModeText(mode)))
      return mode;
  Malformed(line, "\"" + text + "\" is not a track mode (AUDIO, MODE1 or MODE2).");
}

void ParseFileLine(const TCueLine &line, TCueFile &file) {
  const std::string &rest = line.Rest;
  size_t blank = rest.size();
  while (blank > 0 && !IsBlank(rest[blank - 1]))
    --blank;
  // The type word follows the last blank; a name alone (no blank, or a closing quote last)
  // has no type.
  std::string name = rest;
  if (blank > 0 && rest.back() != '"') {
    name = rest.substr(0, blank - 1);
    file.Type = rest.substr(blank);
  }
  for (int removed = 0; removed < 2;) {
    const size_t quote = name.find('"');
    if (quote == std::string::npos)
      break;
    name.erase(quote, 1);
    ++removed;
  }
  file.Name = Trim(name);
}

std::unique_ptr<TTrackImageData> ParseTrackLine(const TCueLine &line, const TCueFile &file) {
  auto track = std::make_unique<TTrackImageData>();
  track->FileType = file.Type;
  const TSplit split = SplitFirst(line.Rest);
  std::string mode = split.Tail;
  track->TrackNumber = ParseNumber(line, split.Head, "track number");
  track->SectorSize = device::kRawSectorSize;
  const size_t slash = mode.find('/');
  if (slash != std::string::npos) {
    track->SectorSize = ParseNumber(line, Trim(mode.substr(slash + 1)), "sector size");
    if (track->SectorSize == 0)
      Malformed(line, "the sector size must be above 0.");
    mode = Trim(mode.substr(0, slash));
  }
  track->Mode = ParseMode(line, mode);
  return track;
}

void ParseIndexLine(const TCueLine &line, TTrackImageData &track) {
  const TSplit split = SplitFirst(line.Rest);
  const int32_t n = ParseNumber(line, split.Head, "index number");
  if (n > kMaxIndexNumber)
    Malformed(line, "index numbers run from 00 to 99.");
  const int32_t start = ParseTime(line, split.Tail);
  if (n == 0 && track.IndexCount > 0)
    Malformed(line, "INDEX 00 must come before the other indexes of its track.");
  if (track.IndexCount >= kMaxIndexes)
    return; // the table is full: further indexes are ignored
  TIndexEntry &entry = track.Indexes[track.IndexCount++];
  entry.Number = n;
  entry.Start = start;
  if (n == 0)
    track.Index0InFile = true;
}

bool HasIndex1(const TTrackImageData &track) {
  for (int32_t i = 0; i < track.UsedIndexes(); ++i)
    if (track.Indexes[i].Number == 1)
      return true;
  return false;
}

void RequireIndex1(const TTrackImageData &track, const TCueLine &trackLine) {
  if (!HasIndex1(track))
    Malformed(trackLine, "the track has no INDEX 01 line.");
}

// Parses a segment; a last track without INDEX 01 is kept open, and INDEX lines before the
// first TRACK line are kept as a continuation.
TCueFile ParseSegment(const TCueSegment &segment) {
  TCueFile file;
  if (segment.empty())
    return file;
  ParseFileLine(segment.front(), file);
  std::unique_ptr<TTrackImageData> current;
  const TCueLine *currentLine = nullptr;
  const auto finishTrack = [&](bool last) {
    if (current == nullptr)
      return;
    if (last && !HasIndex1(*current)) {
      file.OpenTrack = true;
      file.OpenTrackLine = *currentLine;
    } else {
      RequireIndex1(*current, *currentLine);
    }
    file.Tracks.push_back(std::move(current));
  };
  for (size_t i = 1; i < segment.size(); ++i) {
    const TCueLine &line = segment[i];
    if (line.Keyword == "TRACK") {
      finishTrack(false);
      current = ParseTrackLine(line, file);
      currentLine = &line;
    } else if (line.Keyword == "INDEX") {
      if (current == nullptr && file.Continued == nullptr) {
        file.Continued = std::make_unique<TTrackImageData>();
        file.ContinuedLine = line;
      }
      ParseIndexLine(line, current != nullptr ? *current : *file.Continued);
    } else if (line.Keyword == "PREGAP") {
      if (current != nullptr)
        current->Pregap = ParseTime(line, line.Rest);
    } else if (line.Keyword == "POSTGAP") {
      if (current != nullptr)
        current->Postgap = ParseTime(line, line.Rest);
    }
  }
  finishTrack(true);
  return file;
}

// Where the segments are not joined, a continuation or an open track is a fault.
void RequireClosed(const TCueFile &file) {
  if (file.Continued != nullptr)
    Malformed(file.ContinuedLine, "an INDEX line before any TRACK line.");
  if (file.OpenTrack)
    RequireIndex1(*file.Tracks.back(), file.OpenTrackLine);
}

// Moves the open last track of before to the front of file, with the indexes that open file.
void JoinContinuedTrack(TCueFile &before, TCueFile &file) {
  std::unique_ptr<TTrackImageData> track = std::move(before.Tracks.back());
  before.Tracks.pop_back();
  before.OpenTrack = false;
  if (before.Tracks.empty())
    Malformed(before.OpenTrackLine, "the track has its INDEX 01 in the next FILE, and no other "
                                    "track holds this FILE's audio.");
  const TTrackImageData &continued = *file.Continued;
  if (!HasIndex1(continued))
    Malformed(file.ContinuedLine, "TRACK " + std::to_string(track->TrackNumber) +
                                      " continues in this FILE without an INDEX 01 line.");
  // An INDEX 01 after the FILE's start leaves the sectors before it as the track's index 0.
  const int32_t count = continued.UsedIndexes();
  const bool pauseHere = continued.Indexes[0].Number == 1 && continued.Indexes[0].Start > 0;
  int32_t used = 0;
  if (pauseHere)
    track->Indexes[used++] = TIndexEntry{};
  for (int32_t i = 0; i < count && used < kMaxIndexes; ++i)
    track->Indexes[used++] = continued.Indexes[i];
  track->IndexCount = used;
  track->Index0InFile = track->Indexes[0].Number == 0;
  track->FileType = file.Type;
  file.Tracks.insert(file.Tracks.begin(), std::move(track));
  file.Continued.reset();
}

} // namespace

std::vector<TCueSegment> ReadCueText(const std::string &text) {
  std::vector<TCueSegment> segments;
  size_t pos = text.compare(0, sizeof kUtf8Bom - 1, kUtf8Bom) == 0 ? sizeof kUtf8Bom - 1 : 0;
  int lineNumber = 0;
  while (pos < text.size()) {
    size_t end = pos;
    while (end < text.size() && text[end] != '\r' && text[end] != '\n')
      ++end;
    TCueLine line;
    line.LineNumber = ++lineNumber;
    line.Text = Upper(Trim(text.substr(pos, end - pos)));
    // A line ends at CR LF, LF or CR.
    pos = end + 1;
    if (end + 1 < text.size() && text[end] == '\r' && text[end + 1] == '\n')
      ++pos;
    if (line.Text.empty())
      continue;
    TSplit split = SplitFirst(line.Text);
    line.Keyword = std::move(split.Head);
    line.Rest = std::move(split.Tail);
    if (line.Keyword == "CATALOG")
      continue;
    if (line.Keyword == "FILE")
      segments.emplace_back();
    if (!segments.empty())
      segments.back().push_back(std::move(line));
  }
  return segments;
}

TCueFile ParseCueSegment(const TCueSegment &segment) {
  TCueFile file = ParseSegment(segment);
  RequireClosed(file);
  return file;
}

std::vector<TCueFile> ParseCueSegments(const std::vector<TCueSegment> &segments) {
  std::vector<TCueFile> files;
  for (const TCueSegment &segment : segments) {
    files.push_back(ParseSegment(segment));
    TCueFile &file = files.back();
    if (file.Continued != nullptr && files.size() > 1 && files[files.size() - 2].OpenTrack)
      JoinContinuedTrack(files[files.size() - 2], file);
    if (files.size() > 1)
      RequireClosed(files[files.size() - 2]);
  }
  if (!files.empty())
    RequireClosed(files.back());
  return files;
}

} // namespace layout
