// The ending of a run, acted out beside the running program file: the result report, the
// clean-up of the working files and the self-removal batch. The program's own folder counts
// as the applet's folder; with "cleanup --self" the batch deletes the program file itself.
#include "applet/platform/Platform.h"
#include "applet/session/CleanUp.h"
#include "applet/session/Report.h"
#include "tools/applet-tool/Command.h"

#include <climits>
#include <cstdio>
#include <string>

namespace tool {
namespace {

const char kReportUsage[] = "report RESULT  (opens the report address as the applet's ending does)";
int Report(const TArgs &args) {
  long long code = 0;
  if (args.size() != 1 || !ParseNumber(args[0], code) || code < INT_MIN || code > INT_MAX)
    return Usage(kReportUsage);
  session::ReportResult(static_cast<int>(code));
  return 0;
}

const char kCleanUpUsage[] = "cleanup [--self]  (deletes the working files beside this program)";
int CleanUp(const TArgs &args) {
  const bool self = args.size() == 1 && args[0] == "--self";
  if (args.size() > 1 || (args.size() == 1 && !self))
    return Usage(kCleanUpUsage);
  session::CleanUp(self);
  return 0;
}

const char kConnectedUsage[] = "connected  (prints whether the machine reports a connection)";
int Connected(const TArgs &args) {
  if (!args.empty())
    return Usage(kConnectedUsage);
  std::printf("connected=%d\n", platform::Platform().IsConnected() ? 1 : 0);
  return 0;
}

const TCommandRegistration kConnected("connected", kConnectedUsage, Connected);
const TCommandRegistration kReport("report", kReportUsage, Report);
const TCommandRegistration kCleanUp("cleanup", kCleanUpUsage, CleanUp);

} // namespace
} // namespace tool
