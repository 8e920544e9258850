// The package manifest: the INI sections that the liner-notes page carries, read through the
// platform's private-profile functions.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace session {

inline constexpr const char *kInternalSection = "INTERNAL";
inline constexpr const char *kSizeKey = "Size";
inline constexpr const char *kSourceKey = "Source";
inline constexpr const char *kTitleSection = "TITLE";
inline constexpr const char *kTracksSection = "TRACKS AND TAGS";
// CD-TEXT (session-at-once only) when "INTERNAL"/"CDText" is 1: the disc's title and performer
// are "TITLE"/"Album" and "TITLE"/"Artist", track n's title is "TRACKS AND TAGS"/n.
inline constexpr const char *kCdTextKey = "CDText";
inline constexpr const char *kAlbumKey = "Album";
inline constexpr const char *kArtistKey = "Artist";
// Values are read up to this many characters.
inline constexpr size_t kMaxProfileValue = 2047;

// Decimal, or hexadecimal after "0x"/"0X" when longer than two characters; anything that is not
// a valid signed 32-bit integer gives fallback.
int32_t ParseProfileInteger(const std::string &text, int32_t fallback);

std::string ReadManifestString(const std::string &file, const std::string &section,
                               const std::string &key, const std::string &fallback);
int32_t ReadManifestInteger(const std::string &file, const std::string &section,
                            const std::string &key, int32_t fallback);
// The key names of a section in file order (a line without "=" counts as a key of its own).
std::vector<std::string> ManifestSectionKeys(const std::string &file, const std::string &section);

// The liner notes in the applet's folder.
std::string LinerNotesPath();

} // namespace session
