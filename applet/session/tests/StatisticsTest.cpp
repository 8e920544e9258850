// The statistics store and the counting of outcomes through a whole session.
#include "applet/session/Statistics.h"
#include "applet/session/Ending.h"
#include "applet/session/tests/SessionRig.h"

#include <climits>

namespace session::test {
namespace {

using TStored = std::vector<std::pair<std::string, std::string>>;

std::string Setting(const std::string &name) { return std::string(kStatisticsKey) + "\\" + name; }

// The store holding these texts in table order, from AINmatters on.
TStored Stored(const std::vector<std::string> &texts) {
  TStored stored;
  stored.emplace_back(Setting(kAINmattersValue), texts[0]);
  for (size_t i = 1; i < texts.size(); ++i)
    stored.emplace_back(Setting(kCounterValues[i - 1].Name), texts[i]);
  return stored;
}

TEST(StatisticsTest, LoadTakesValidIntegersAndDefaultsTheRest) {
  testsupport::TFakePlatform fake;
  platform::TPlatformOverride use(fake);
  TMethodStatistics statistics;
  statistics.Fail[Dao] = 99;
  LoadStatistics(statistics); // nothing stored
  EXPECT_FALSE(statistics.AINmatters);
  for (const TCounterValue &value : kCounterValues)
    EXPECT_EQ(0, value.Success ? statistics.Success[value.Method] : statistics.Fail[value.Method]);

  fake.Settings = Stored({"7", "12", "abc", "-5", "2147483648", "0x10", ""});
  fake.Settings.erase(fake.Settings.begin() + 2); // SAOModeSuccess missing
  LoadStatistics(statistics);
  EXPECT_TRUE(statistics.AINmatters);
  EXPECT_EQ(12, statistics.Success[Tao]);
  EXPECT_EQ(0, statistics.Success[Sao]);
  EXPECT_EQ(-5, statistics.Success[Dao]);
  EXPECT_EQ(0, statistics.Fail[Tao]); // beyond 32 bits
  EXPECT_EQ(16, statistics.Fail[Sao]);
  EXPECT_EQ(0, statistics.Fail[Dao]);

  fake.Settings = Stored({"x", "0", "0", "0", "0", "0", "0"});
  LoadStatistics(statistics);
  EXPECT_FALSE(statistics.AINmatters);
}

TEST(StatisticsTest, SaveWritesSevenDecimalTextsInTableOrder) {
  testsupport::TFakePlatform fake;
  platform::TPlatformOverride use(fake);
  TMethodStatistics statistics;
  statistics.AINmatters = true;
  statistics.Success[Tao] = 1;
  statistics.Success[Sao] = 2;
  statistics.Success[Dao] = 3;
  statistics.Fail[Tao] = INT32_MIN;
  statistics.Fail[Sao] = -1;
  statistics.Fail[Dao] = INT32_MAX;
  SaveStatistics(statistics);
  EXPECT_EQ(Stored({"1", "1", "2", "3", "-2147483648", "-1", "2147483647"}), fake.Settings);
}

TEST(StatisticsTest, InvalidTextIsRewrittenAsANumberAndCountersWrap) {
  testsupport::TFakePlatform fake;
  platform::TPlatformOverride use(fake);
  fake.Settings = Stored({"1", "2147483647", "abc", "4", "", "5", "6"});
  TMethodStatistics statistics;
  LoadStatistics(statistics);
  CountOutcome(statistics, Tao, true);
  SaveStatistics(statistics);
  EXPECT_EQ(Stored({"1", "-2147483648", "0", "4", "0", "5", "6"}), fake.Settings);
  LoadStatistics(statistics);
  EXPECT_EQ(INT32_MIN, statistics.Success[Tao]);
}

// A whole session with the real store: one outcome of one method, ended by OK.
enum class TOutcome { Completed, Failed, Cancelled };

struct TCountCase {
  TOutcome Outcome;
  TWriteMethod Method;
  const char *Raised; // the value that changes
  const char *Text;   // its text afterwards (all counters start at "7")
};

class CountingTableTest : public SessionTest, public ::testing::WithParamInterface<TCountCase> {
protected:
  CountingTableTest() { stored.AttachModules(rig, rig); }
  TEnding ending;
  TFormMain stored{rig, rig, rig, ending};
};

TEST_P(CountingTableTest, RaisesOneCounterOfTheMethod) {
  const TCountCase &c = GetParam();
  rig.Fake.Settings = Stored({"1", "7", "7", "7", "7", "7", "7"});
  WriteLinerNotes();
  rig.RecorderList = {Recorder(c.Method == Sao, c.Method == Dao, c.Method == Tao)};
  stored.FormCreate();
  stored.FormActivate();
  ASSERT_EQ(c.Method, stored.WriteMethod);
  if (c.Outcome != TOutcome::Cancelled) {
    rig.Failed = c.Outcome == TOutcome::Failed;
    stored.RecordingFinished();
  }
  const int expectedCode = c.Outcome == TOutcome::Completed ? 0 : 1;
  EXPECT_EQ(expectedCode, TSessionRig::ExitCodeOf([this] { stored.ButtonOkClick(); }));
  for (const auto &[name, text] : rig.Fake.Settings) {
    const bool raised = name == Setting(c.Raised);
    EXPECT_EQ(raised ? c.Text : (name == Setting(kAINmattersValue) ? "1" : "7"), text) << name;
  }
  EXPECT_EQ(7u, rig.Fake.Settings.size());
}

std::string CountCaseName(const ::testing::TestParamInfo<TCountCase> &info) {
  const char *outcomes[] = {"Completed", "Failed", "Cancelled"};
  const char *methods[] = {"Dao", "Sao", "Tao"};
  return std::string(outcomes[static_cast<int>(info.param.Outcome)]) + methods[info.param.Method];
}

INSTANTIATE_TEST_SUITE_P(
    Rows, CountingTableTest,
    ::testing::Values(TCountCase{TOutcome::Completed, Sao, "SAOModeSuccess", "8"},
                      TCountCase{TOutcome::Completed, Dao, "DAOModeSuccess", "8"},
                      TCountCase{TOutcome::Completed, Tao, "TAOModeSuccess", "8"},
                      TCountCase{TOutcome::Failed, Sao, "SAOModeFail", "9"},
                      TCountCase{TOutcome::Failed, Dao, "DAOModeFail", "9"},
                      TCountCase{TOutcome::Failed, Tao, "TAOModeFail", "9"},
                      TCountCase{TOutcome::Cancelled, Sao, "SAOModeFail", "8"},
                      TCountCase{TOutcome::Cancelled, Dao, "DAOModeFail", "8"},
                      TCountCase{TOutcome::Cancelled, Tao, "TAOModeFail", "8"}),
    CountCaseName);

} // namespace
} // namespace session::test
