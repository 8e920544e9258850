// The result report and the help pages: addresses opened in the default web browser through
// the shell. The applet itself sends nothing and reads no reply.
#pragma once

#include <string>

namespace session {

// The result-report server and the maker's support site.
inline constexpr const char *kReportServer = "http://results.example.com";
inline constexpr const char *kSupportSite = "http://support.example.com";
inline constexpr const char *kReportPath = "/qlns1.asp";
inline constexpr const char *kHelpPath = "/support/qlns/helpbutton-perm.asp";
inline constexpr const char *kAspiHelpPath = "/support/aboutaspi-perm.asp";

// The pause between the report and the liner notes, in which no message is processed.
inline constexpr unsigned kReportPauseMs = 1800;

// The report address: r is the result code, source the word "Version", the version string
// and the package's source text with each space turned into "_" (nothing else is encoded).
std::string ReportAddress(int resultCode, const std::string &sourceText);

// Opens the report address, waits, and after a success (result 0) opens the liner notes.
// Without liner notes in the applet's folder nothing is opened.
void ReportResult(int resultCode);
void OpenHelpPage();
void OpenAspiHelpPage();

} // namespace session
