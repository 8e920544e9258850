// The reader of the authoring listing "qln1e.ini": a plain text file in sections, read line by
// line without trimming. A section header is any line that begins with "[" and ends with "]".
#pragma once

#include <string>
#include <vector>

namespace common {

// Splits at CR LF, LF or CR; a line break at the very end starts no further line.
std::vector<std::string> SplitLines(const std::string &text);

class TSimpleListing {
public:
  explicit TSimpleListing(std::string fileName);

  // The following read the file anew on each call and raise EFOpenError when it cannot be
  // opened. Section names are given without brackets and compare without regard to case.

  // Adds every section header line of the file to list.
  void SectionHeaders(std::vector<std::string> &list) const;
  // Adds the lines after the section's header up to the next header line; repeats of the
  // section's own header are skipped. Empty lines are entries like any other.
  void SectionLines(const std::string &section, std::vector<std::string> &list) const;
  // The first line after the section's header (repeats of the header passed over), or "" when
  // that line is a header or the section is missing.
  std::string FirstSectionLine(const std::string &section) const;

private:
  std::vector<std::string> ReadLines() const;
  std::string fileName_;
};

} // namespace common
