#include "applet/session/Ending.h"

#include "applet/session/CleanUp.h"
#include "applet/session/Report.h"
#include "applet/session/Statistics.h"

namespace session {

void TEnding::LoadStatistics(TMethodStatistics &statistics) { session::LoadStatistics(statistics); }
void TEnding::SaveStatistics(const TMethodStatistics &statistics) {
  session::SaveStatistics(statistics);
}
void TEnding::ReportResult(int resultCode) { session::ReportResult(resultCode); }
void TEnding::OpenHelpPage() { session::OpenHelpPage(); }
void TEnding::OpenAspiHelpPage() { session::OpenAspiHelpPage(); }
void TEnding::CleanUp(bool selfRemoval) { session::CleanUp(selfRemoval); }

} // namespace session
