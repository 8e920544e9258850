// A portable reader of INI text that answers as the Win32 private-profile functions do:
// sections and keys compare without regard to case, the first matching section and key win,
// values are trimmed of blanks, and a value enclosed in matching quotes loses the quotes.
#pragma once

#include <string>
#include <vector>

namespace platform {

class TProfileReader {
public:
  explicit TProfileReader(const std::string &text);

  bool HasSection(const std::string &section) const;
  // The key's value, or fallback when the section or key is missing.
  std::string ReadString(const std::string &section, const std::string &key,
                         const std::string &fallback) const;
  // The section's lines as "name=value" (and other non-comment lines as they stand).
  bool ReadSection(const std::string &section, std::vector<std::string> &lines) const;

private:
  struct TSection {
    std::string Name;
    std::vector<std::string> Lines;
  };
  const TSection *Find(const std::string &section) const;
  std::vector<TSection> sections_;
};

} // namespace platform
