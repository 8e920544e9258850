#include "tools/virtual-recorder/Journal.h"

namespace vrec {

TJournal::~TJournal() {
  if (file_ != nullptr)
    std::fclose(file_);
}

bool TJournal::Open(const std::string &path, const std::string &prefix) {
  prefix_ = prefix;
  if (path == path_ && (file_ != nullptr || path.empty()))
    return true;
  if (file_ != nullptr)
    std::fclose(file_);
  file_ = nullptr;
  path_ = path;
  if (path.empty())
    return true;
  file_ = std::fopen(path.c_str(), "ab");
  return file_ != nullptr;
}

void TJournal::Line(const std::string &text) {
  if (file_ == nullptr)
    return;
  const std::string line = prefix_ + text + "\n";
  std::fwrite(line.data(), 1, line.size(), file_);
  std::fflush(file_);
}

void TJournal::Note(const std::string &text) {
  if (holding_)
    held_.push_back("note: " + text);
  else
    Line("note: " + text);
}

void TJournal::ReleaseNotes() {
  holding_ = false;
  for (const std::string &line : held_)
    Line(line);
  held_.clear();
}

std::string HexBytes(const uint8_t *data, size_t length) {
  static const char kDigits[] = "0123456789ABCDEF";
  std::string text;
  text.reserve(length * 3);
  for (size_t i = 0; i < length; ++i) {
    if (i != 0)
      text += ' ';
    text += kDigits[data[i] >> 4];
    text += kDigits[data[i] & 0x0F];
  }
  return text;
}

} // namespace vrec
