// The request journal: one line per request (adapter:target, CDB in hexadecimal, a summary
// of the data sent, the outcome) and note lines for what the recorder did on its own. Each
// line is flushed at once so that a test can read the file while the program runs.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

namespace vrec {

class TJournal {
public:
  TJournal() = default;
  ~TJournal();
  TJournal(const TJournal &) = delete;
  TJournal &operator=(const TJournal &) = delete;

  // Appends to path from now on; an empty path turns the journal off. False when the file
  // cannot be opened (the journal is then off).
  bool Open(const std::string &path, const std::string &prefix);
  bool IsOpen() const { return file_ != nullptr; }
  void Line(const std::string &text);
  // "note: " + text; while a request is being executed the notes wait for its line.
  void Note(const std::string &text);
  void HoldNotes() { holding_ = true; }
  void ReleaseNotes();

private:
  std::FILE *file_ = nullptr;
  std::string path_;
  std::string prefix_;
  bool holding_ = false;
  std::vector<std::string> held_;
};

// "12 00 00 00 24 00"
std::string HexBytes(const uint8_t *data, size_t length);

} // namespace vrec
