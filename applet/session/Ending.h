// The ending of a run as the session reaches it: the statistics store, the result report and
// help pages, and the clean-up.
#pragma once

#include "applet/session/SessionPorts.h"

namespace session {

class TEnding final : public TEndingPort {
public:
  void LoadStatistics(TMethodStatistics &statistics) override;
  void SaveStatistics(const TMethodStatistics &statistics) override;
  void ReportResult(int resultCode) override;
  void OpenHelpPage() override;
  void OpenAspiHelpPage() override;
  void CleanUp(bool selfRemoval) override;
};

} // namespace session
