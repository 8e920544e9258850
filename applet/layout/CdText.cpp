#include "applet/layout/CdText.h"

#include <algorithm>

namespace layout {

namespace {

constexpr size_t kCrcBytes = 16;
constexpr uint16_t kCrcPolynomial = 0x1021;
constexpr uint8_t kMaxPosition = 15;
constexpr size_t kSizeInfoBytes = 36;
constexpr size_t kCountsAt = 4, kLastSequenceAt = 20, kLanguagesAt = 28;

// One code point from UTF-8 at s[i], advancing i; a byte that starts no valid sequence is
// taken as it stands (an ISO 8859-1 character).
uint32_t NextCodePoint(const std::string &s, size_t &i) {
  const auto byte = [&](size_t k) { return static_cast<uint8_t>(s[k]); };
  const uint8_t lead = byte(i);
  const size_t more = lead >= 0xF0 && lead < 0xF5   ? 3
                      : lead >= 0xE0 && lead < 0xF0 ? 2
                      : lead >= 0xC2 && lead < 0xE0 ? 1
                                                    : 0;
  if (more == 0 || i + more >= s.size()) {
    ++i;
    return lead;
  }
  uint32_t cp = lead & (0x3F >> more);
  for (size_t k = 1; k <= more; ++k) {
    if ((byte(i + k) & 0xC0) != 0x80) {
      ++i;
      return lead;
    }
    cp = (cp << 6) | (byte(i + k) & 0x3F);
  }
  i += more + 1;
  return cp;
}

// The strings of one pack type, disc first, each with its NUL.
struct TStrings {
  uint8_t Type = 0;
  std::vector<std::string> Items;
  size_t Bytes() const {
    size_t n = 0;
    for (const std::string &s : Items)
      n += s.size() + 1;
    return n;
  }
  bool Empty() const {
    return std::all_of(Items.begin(), Items.end(), [](const std::string &s) { return s.empty(); });
  }
};

size_t PacksFor(size_t bytes) { return (bytes + kCdTextPayload - 1) / kCdTextPayload; }

size_t TextPacks(const std::vector<TStrings> &types) {
  size_t n = 0;
  for (const TStrings &t : types)
    n += PacksFor(t.Bytes());
  return n;
}

void Seal(uint8_t *pack) {
  const uint16_t crc = CdTextCrc(pack);
  pack[kCrcBytes] = static_cast<uint8_t>(crc >> 8);
  pack[kCrcBytes + 1] = static_cast<uint8_t>(crc);
}

void AppendPacks(const TStrings &t, std::vector<uint8_t> &out) {
  std::string bytes;
  std::vector<uint8_t> owner; // the string (track) of each byte
  std::vector<uint8_t> position;
  for (size_t k = 0; k < t.Items.size(); ++k) {
    const std::string &s = t.Items[k];
    for (size_t c = 0; c <= s.size(); ++c) {
      bytes.push_back(c < s.size() ? s[c] : '\0');
      owner.push_back(static_cast<uint8_t>(k));
      position.push_back(static_cast<uint8_t>(std::min<size_t>(c, kMaxPosition)));
    }
  }
  for (size_t at = 0; at < bytes.size(); at += kCdTextPayload) {
    uint8_t pack[kCdTextPackSize] = {};
    pack[0] = t.Type;
    pack[1] = owner[at];
    pack[2] = static_cast<uint8_t>(out.size() / kCdTextPackSize);
    pack[3] = position[at]; // block 0
    const size_t n = std::min(kCdTextPayload, bytes.size() - at);
    std::copy_n(bytes.begin() + static_cast<std::ptrdiff_t>(at), n, pack + 4);
    Seal(pack);
    out.insert(out.end(), pack, pack + kCdTextPackSize);
  }
}

} // namespace

std::string ToLatin1(const std::string &utf8) {
  std::string out;
  for (size_t i = 0; i < utf8.size();) {
    const uint32_t cp = NextCodePoint(utf8, i);
    const bool printable = (cp >= 0x20 && cp < 0x7F) || (cp >= 0xA0 && cp <= 0xFF);
    out.push_back(printable ? static_cast<char>(cp) : '?');
  }
  return out;
}

std::string WithoutDuration(const std::string &title) {
  size_t end = title.find_last_not_of(' ');
  if (end == std::string::npos || title[end] != ')')
    return title;
  const size_t open = title.rfind('(', end);
  if (open == std::string::npos || open + 1 == end)
    return title;
  const std::string inside = title.substr(open + 1, end - open - 1);
  if (inside.find(':') == std::string::npos ||
      inside.find_first_not_of("0123456789:") != std::string::npos)
    return title;
  const size_t keep = title.find_last_not_of(' ', open == 0 ? 0 : open - 1);
  return open == 0 || keep == std::string::npos ? std::string() : title.substr(0, keep + 1);
}

uint16_t CdTextCrc(const uint8_t *pack) {
  uint16_t crc = 0;
  for (size_t i = 0; i < kCrcBytes; ++i) {
    crc ^= static_cast<uint16_t>(pack[i] << 8);
    for (int b = 0; b < 8; ++b)
      crc = static_cast<uint16_t>((crc & 0x8000) != 0 ? (crc << 1) ^ kCrcPolynomial : crc << 1);
  }
  return static_cast<uint16_t>(~crc);
}

std::vector<uint8_t> BuildCdTextPacks(const TCdText &text, size_t trackCount, size_t &truncated) {
  truncated = 0;
  const auto strings = [&](uint8_t type, const std::string &disc,
                           const std::vector<std::string> &tracks) {
    TStrings t;
    t.Type = type;
    t.Items.push_back(ToLatin1(disc));
    for (size_t i = 0; i < trackCount; ++i)
      t.Items.push_back(i < tracks.size() ? ToLatin1(tracks[i]) : std::string());
    return t;
  };
  std::vector<TStrings> types;
  for (const TStrings &t : {strings(cdtext::kTitle, text.Title, text.TrackTitles),
                            strings(cdtext::kPerformer, text.Performer, text.TrackPerformers)})
    if (!t.Empty())
      types.push_back(t);
  if (types.empty() || trackCount == 0)
    return {};
  while (TextPacks(types) > kCdTextMaxTextPacks) {
    std::string *longest = nullptr;
    for (TStrings &t : types)
      for (std::string &s : t.Items)
        if (longest == nullptr || s.size() > longest->size())
          longest = &s;
    longest->pop_back();
    ++truncated;
  }
  std::vector<uint8_t> packs;
  uint8_t info[kSizeInfoBytes] = {};
  info[1] = 1;
  info[2] = static_cast<uint8_t>(trackCount);
  for (const TStrings &t : types) {
    AppendPacks(t, packs);
    info[kCountsAt + (t.Type & 0x0F)] = static_cast<uint8_t>(PacksFor(t.Bytes()));
  }
  const size_t total = packs.size() / kCdTextPackSize + 3;
  info[kCountsAt + (cdtext::kSizeInfo & 0x0F)] = 3;
  info[kLastSequenceAt] = static_cast<uint8_t>(total - 1);
  info[kLanguagesAt] = cdtext::kEnglish;
  for (uint8_t k = 0; k < 3; ++k) {
    uint8_t pack[kCdTextPackSize] = {cdtext::kSizeInfo, k,
                                     static_cast<uint8_t>(packs.size() / kCdTextPackSize), 0};
    std::copy_n(info + k * kCdTextPayload, kCdTextPayload, pack + 4);
    Seal(pack);
    packs.insert(packs.end(), pack, pack + kCdTextPackSize);
  }
  return packs;
}

} // namespace layout
