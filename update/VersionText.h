// The version text and the decisions taken from it.
#pragma once

#include <string>

namespace update {

// Finds the quoted values after the first "LatestVersion=" and the first "UpdateLink=". A value
// starts one character after the "=" (the opening quote, whatever it is, is skipped) and runs up
// to the next "'"; without a closing quote it is empty. True when both keys were found.
bool Parse(const std::string &text, std::string &latest, std::string &link);

// True when latest sorts after installed as a plain byte string (so "1.10" is not newer than
// "1.9", and an empty latest version never is).
bool IsNewer(const std::string &latest, const std::string &installed);

// A location with a drive letter (second character ':') or a UNC path (leading "\\") is read
// as a file; anything else goes through the Internet session.
bool IsFileLocation(const std::string &location);

} // namespace update
