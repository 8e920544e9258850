#include "update/BodyReader.h"

#include <algorithm>
#include <cctype>

namespace update {

namespace {
constexpr unsigned kDecimalBase = 10;

void EndAtNul(std::string &text) {
  const size_t nul = text.find('\0');
  if (nul != std::string::npos)
    text.resize(nul);
}
} // namespace

size_t BodySize(const char *contentLength) {
  if (contentLength == nullptr)
    return kDefaultBodySize;
  const char *p = contentLength;
  while (std::isspace(static_cast<unsigned char>(*p)))
    ++p;
  const bool negative = *p == '-';
  if (*p == '-' || *p == '+')
    ++p;
  size_t value = 0;
  for (; std::isdigit(static_cast<unsigned char>(*p)) && value <= kMaxTextSize; ++p)
    value = value * kDecimalBase + static_cast<size_t>(*p - '0');
  if (negative)
    return 0;
  return std::min(value, kMaxTextSize);
}

std::string ReadBody(TByteReader &reader, size_t size) {
  size = std::min(size, kMaxTextSize);
  std::string text(size, '\0');
  size_t filled = 0;
  while (filled < size) {
    const size_t got = reader.Read(&text[filled], size - filled);
    if (got == 0)
      break;
    filled += std::min(got, size - filled);
  }
  text.resize(filled);
  EndAtNul(text);
  return text;
}

std::string ReadPieces(TByteReader &reader) {
  std::string text;
  char piece[kFilePieceSize];
  while (text.size() < kMaxTextSize) {
    const size_t want = std::min(kFilePieceSize, kMaxTextSize - text.size());
    // A reader that claims more than it wrote leaves NULs, never an earlier piece's bytes.
    std::fill_n(piece, want, '\0');
    const size_t got = reader.Read(piece, want);
    if (got == 0)
      break;
    text.append(piece, std::min(got, want));
  }
  EndAtNul(text);
  return text;
}

} // namespace update
