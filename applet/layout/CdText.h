// CD-TEXT for a session-at-once recording: the album's and the tracks' titles and performers
// turned into the 18-byte packs that the recorder writes into the lead-in, block 0, language
// English, ISO 8859-1.
//
// A pack: type (0x80 title, 0x81 performer, 0x8F size information), track number (0 for the
// disc), sequence number (0..255, running over all packs of the block), block and character
// position (bits 6-4 the block, bits 3-0 how many characters of the current string precede
// the pack's first byte, at most 15), 12 text bytes, and a CRC-16 (polynomial 0x1021, initial
// 0, over the first 16 bytes, stored inverted, big-endian). The strings of one type follow
// each other NUL-terminated, disc first, then track 1, 2, ...; a string runs on into the next
// pack. The three size-information packs close the block.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace layout {

constexpr size_t kCdTextPackSize = 18;
constexpr size_t kCdTextPayload = 12;
// Sequence numbers 0..255 of one block, three of them for the size information.
constexpr size_t kCdTextMaxPacks = 256;
constexpr size_t kCdTextMaxTextPacks = kCdTextMaxPacks - 3;

namespace cdtext {
constexpr uint8_t kTitle = 0x80;
constexpr uint8_t kPerformer = 0x81;
constexpr uint8_t kSizeInfo = 0x8F;
constexpr uint8_t kEnglish = 0x09;
} // namespace cdtext

// The text, in UTF-8 (bytes that are no UTF-8 are taken as ISO 8859-1 characters). A track
// without an entry gets an empty string; entries beyond the tracks are ignored.
struct TCdText {
  std::string Title;
  std::string Performer;
  std::vector<std::string> TrackTitles;
  std::vector<std::string> TrackPerformers;
};

// The text in ISO 8859-1: a character outside it, or a control character, becomes '?'.
std::string ToLatin1(const std::string &utf8);

// "Evening (3:12)" gives "Evening": a last group in parentheses holding only digits and
// colons, with at least one colon, is dropped with the blanks before it.
std::string WithoutDuration(const std::string &title);

// The packs for tracks 1..trackCount, or none when every string is empty. When the strings
// need more than kCdTextMaxTextPacks packs, the longest string is cut by one character at a
// time until they fit (every entry keeps at least its NUL); truncated tells how many
// characters went.
std::vector<uint8_t> BuildCdTextPacks(const TCdText &text, size_t trackCount, size_t &truncated);

// The CRC of a pack's first 16 bytes, as stored (inverted).
uint16_t CdTextCrc(const uint8_t *pack);

} // namespace layout
