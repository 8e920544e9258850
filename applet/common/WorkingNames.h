// The names of the applet's working files, all in the applet's folder, and the command-line
// switches that select the package jobs.
#pragma once

#include <cstdint>
#include <string>

namespace common {

inline constexpr const char *kLinerNotesName = "linernotes.htm";
inline constexpr const char *kCoverName = "jewelcasecover.jpg";
// The MP3 decoder library, loaded under this name when a recording starts.
inline constexpr const char *kDecoderName = "qlnxaudio.dll";
inline constexpr const char *kPackageWorkName = "qlnc.ql";
inline constexpr const char *kRebuiltAppletName = "qln1etmp.ql";
inline constexpr const char *kBatchName = "qln1ebat.bat";
inline constexpr const char *kListingName = "qln1e.ini";
// The name under which the replacement batch installs a rebuilt applet.
inline constexpr const char *kInstalledAppletName = "Applet.exe";

// Numbered tracks: kTrackPrefix, the number, kTrackExtension.
inline constexpr char kTrackPrefix[] = "QlnT-";
inline constexpr char kTrackExtension[] = ".mp3";
// A package holds at most this many tracks, staged as TempTrackName(1..kMaxTracks).
inline constexpr int kMaxTracks = 24;

namespace detail {
template <size_t A, size_t B> struct TJoined {
  char Text[A + B + 1] = {};
  constexpr TJoined(const char (&a)[A], char middle, const char (&b)[B]) {
    for (size_t i = 0; i + 1 < A; ++i)
      Text[i] = a[i];
    Text[A - 1] = middle;
    for (size_t i = 0; i < B; ++i)
      Text[A + i] = b[i];
  }
};
inline constexpr TJoined<sizeof kTrackPrefix, sizeof kTrackExtension> kTrackPattern{
    kTrackPrefix, '*', kTrackExtension};
} // namespace detail

// The pattern that finds every numbered track: "QlnT-*.mp3".
inline constexpr const char *kTrackNamePattern = detail::kTrackPattern.Text;

// "QlnT-" n ".mp3"
inline std::string TempTrackName(int n) {
  return kTrackPrefix + std::to_string(n) + kTrackExtension;
}

// The package switches, in the order they are tested, and the test-write switch.
inline constexpr const char *kBuildSwitch = "/#27#58";
inline constexpr const char *kSpawnSwitch = "/spawn#13";
inline constexpr const char *kEmptySwitch = "/empty#13";
inline constexpr const char *kTestSwitch = "/test#13";

} // namespace common
