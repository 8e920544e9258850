// libFuzzer target: the version checker's body reading and version text parsing. The first
// byte shapes the reader (how many bytes each read gives); a content-length text runs up to the
// first line break, the rest is the body. Checks the size limits, that a body is the data cut
// at the size and the first NUL whatever the reader does, and that the parsed values printed as
// a version text parse back the same.
#include "update/BodyReader.h"
#include "update/VersionText.h"

#include <algorithm>
#include <cctype>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {

void Check(bool condition) {
  if (!condition)
    std::abort();
}

// Gives the data in pieces whose sizes follow a pattern; some reads claim more than asked.
class TPatternReader : public update::TByteReader {
public:
  TPatternReader(const std::string &data, uint8_t pattern) : data_(data), pattern_(pattern) {}
  size_t Read(char *buffer, size_t size) override {
    Check(size > 0 && size <= largestAsk_);
    ++reads_;
    const size_t step = 1 + (pattern_ & 0x3F) * (1 + reads_ % 7);
    const size_t n = std::min({size, step, data_.size() - at_});
    std::memcpy(buffer, data_.data() + at_, n);
    at_ += n;
    const bool overclaim = (pattern_ & 0x40) != 0 && n > 0;
    if (overclaim && n < size)
      cut_ = std::min(cut_, at_);
    return overclaim ? n + size : n;
  }
  size_t largestAsk_ = SIZE_MAX;
  // Where the text must end: after a read that claimed more than it wrote.
  size_t cut_ = SIZE_MAX;

private:
  const std::string &data_;
  uint8_t pattern_;
  size_t at_ = 0;
  size_t reads_ = 0;
};

// The body size for a content-length text as atol would read it, capped.
size_t ExpectedBodySize(const char *text) {
  while (std::isspace(static_cast<unsigned char>(*text)))
    ++text;
  const bool negative = *text == '-';
  if (*text == '-' || *text == '+')
    ++text;
  unsigned long long value = 0;
  for (; std::isdigit(static_cast<unsigned char>(*text)); ++text)
    value = std::min<unsigned long long>(value * 10 + static_cast<unsigned>(*text - '0'),
                                         update::kMaxTextSize + 1);
  if (negative)
    return 0;
  return static_cast<size_t>(std::min<unsigned long long>(value, update::kMaxTextSize));
}

std::string UpToNul(const std::string &text) { return text.substr(0, text.find('\0')); }

void CheckParse(const std::string &text) {
  std::string latest = "unset", link = "unset";
  if (!update::Parse(text, latest, link))
    return;
  Check(latest.find('\'') == std::string::npos && link.find('\'') == std::string::npos);
  Check(latest.size() < text.size() && link.size() < text.size());
  Check(text.find(latest) != std::string::npos && text.find(link) != std::string::npos);
  Check(!update::IsNewer(latest, latest) &&
        !(update::IsNewer(latest, link) && update::IsNewer(link, latest)));
  // A value holding the other key would be found there first: no round trip to check.
  if (latest.find("UpdateLink=") != std::string::npos ||
      link.find("LatestVersion=") != std::string::npos)
    return;
  std::string again, againLink;
  Check(update::Parse("LatestVersion='" + latest + "'\r\nUpdateLink=\"" + link + "'\r\n", again,
                      againLink));
  Check(again == latest && againLink == link);
  update::IsFileLocation(link);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  if (size < 1)
    return 0;
  const uint8_t pattern = data[0];
  const std::string rest(reinterpret_cast<const char *>(data + 1), size - 1);
  const size_t lineEnd = std::min(rest.find('\n'), rest.size());
  const std::string contentLength = UpToNul(rest.substr(0, lineEnd));
  const std::string body = lineEnd < rest.size() ? rest.substr(lineEnd + 1) : std::string();

  const bool announced = (pattern & 0x80) == 0;
  const size_t bodySize = update::BodySize(announced ? contentLength.c_str() : nullptr);
  Check(bodySize <= update::kMaxTextSize);
  Check(bodySize ==
        (announced ? ExpectedBodySize(contentLength.c_str()) : update::kDefaultBodySize));

  TPatternReader bodyReader(body, pattern);
  const std::string text = update::ReadBody(bodyReader, bodySize);
  Check(text == UpToNul(body.substr(0, std::min({bodySize, body.size(), bodyReader.cut_}))));

  TPatternReader fileReader(body, pattern);
  fileReader.largestAsk_ = update::kFilePieceSize;
  const std::string file = update::ReadPieces(fileReader);
  Check(file ==
        UpToNul(body.substr(0, std::min({update::kMaxTextSize, body.size(), fileReader.cut_}))));

  CheckParse(text);
  return 0;
}
