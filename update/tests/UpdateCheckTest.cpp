#include "update/UpdateCheck.h"

#include <gtest/gtest.h>

#include <map>
#include <vector>

using namespace update;

namespace {
constexpr char kPrompt[] = "Verilatch will check the Internet for the latest version of:\n\n"
                           "Test Program\n\nPlease be sure that you are connected to the "
                           "Internet and click OK to start.";
constexpr char kRetry[] = "This program will check the Internet for the latest version of:\n\n"
                          "Test Program\n\nPlease be sure that you are connected to the "
                          "Internet and click OK to start.";
constexpr char kGetting[] = "\n\nGetting update information from the Internet...";
constexpr char kNoInformation[] = "Cannot get information from the Web.\nPlease make sure that "
                                  "you are connected\nto the Internet and try again.\n";

const char *IconName(TMessageIcon icon) {
  switch (icon) {
  case TMessageIcon::Stop:
    return "stop";
  case TMessageIcon::Warning:
    return "warning";
  case TMessageIcon::Information:
    return "information";
  case TMessageIcon::None:
    break;
  }
  return "plain";
}

// Every fake writes what happens to one shared list of events.
class TFakes : public TUpdateView, public TDownloader, public TShell, public TSettingsSource {
public:
  void SetStatus(const std::string &text) override { Events.push_back("status " + text); }
  void ShowMessage(const std::string &text, const std::string &caption,
                   TMessageIcon icon) override {
    Events.push_back("box " + caption + " (" + IconName(icon) + ") " + text);
  }
  void SetBusy(bool busy) override { Events.push_back(busy ? "busy" : "idle"); }
  void Close(int result) override { Events.push_back("close " + std::to_string(result)); }

  bool Open() override {
    Events.push_back("open session");
    return SessionOpens;
  }
  bool Download(const std::string &address, std::string &text) override {
    Events.push_back("download " + address);
    text = Published;
    return Connects;
  }
  std::string ReadFile(const std::string &path) override {
    Events.push_back("read file " + path);
    return Published;
  }
  int Open(const std::string &address) override {
    Events.push_back("shell open " + address);
    return ShellAnswer;
  }
  std::string ReadSetting(const std::string &key) override {
    Events.push_back("setting " + key);
    return Settings[key];
  }

  std::map<std::string, std::string> Settings = {{"ProgramName", "Test Program"},
                                                 {"ExistingVersion", "1.0"},
                                                 {"UpdateURL", "http://127.0.0.1/v.txt"}};
  std::string Published = "LatestVersion='1.0' UpdateLink='http://127.0.0.1/get'";
  bool SessionOpens = true;
  bool Connects = true;
  int ShellAnswer = 42;
  std::vector<std::string> Events;
};

class UpdateCheckTest : public ::testing::Test {
protected:
  // Starts the dialog and returns the events from the check on.
  std::vector<std::string> Run(bool quiet) {
    TUpdateCheck check(fakes, fakes, fakes, quiet);
    EXPECT_TRUE(check.Start(fakes));
    std::vector<std::string> start(fakes.Events.begin(), fakes.Events.begin() + 4);
    EXPECT_EQ(start,
              (std::vector<std::string>{"setting ProgramName", "setting ExistingVersion",
                                        "setting UpdateURL", std::string("status ") + kPrompt}));
    if (!quiet)
      check.Check();
    return std::vector<std::string>(fakes.Events.begin() + 4, fakes.Events.end());
  }

  TFakes fakes;
};

using TEvents = std::vector<std::string>;
} // namespace

TEST_F(UpdateCheckTest, NewerVersionOpensTheLinkAndClosesAsOk) {
  fakes.Published = "<p>LatestVersion='1.1'</p><a>UpdateLink='http://127.0.0.1/get'</a>";
  EXPECT_EQ(Run(false),
            (TEvents{"busy", std::string("status ") + kGetting, "open session",
                     "download http://127.0.0.1/v.txt", "status \n\nJumping to update Web site...",
                     "shell open http://127.0.0.1/get", "close 1", "idle"}));
}

TEST_F(UpdateCheckTest, NotNewerShowsTheInfoBoxUnlessQuiet) {
  for (const char *installed : {"1.0", "1.9"}) {
    for (bool quiet : {false, true}) {
      fakes = TFakes();
      fakes.Settings["ExistingVersion"] = installed;
      fakes.Published = "LatestVersion='1.10' UpdateLink='http://127.0.0.1/get'";
      if (std::string(installed) == "1.0")
        fakes.Published = "LatestVersion='1.0' UpdateLink='http://127.0.0.1/get'";
      TEvents want{"busy", std::string("status ") + kGetting, "open session",
                   "download http://127.0.0.1/v.txt"};
      if (!quiet)
        want.push_back("box Update Info (information) You have the latest version!");
      want.insert(want.end(), {"close 1", "idle"});
      EXPECT_EQ(Run(quiet), want) << installed << (quiet ? " quiet" : "");
    }
  }
}

TEST_F(UpdateCheckTest, MissingSettingStopsReadingAndQuitsEvenWhenQuiet) {
  for (const char *missing : {"ProgramName", "ExistingVersion", "UpdateURL"}) {
    fakes = TFakes();
    fakes.Settings[missing] = "";
    TUpdateCheck check(fakes, fakes, fakes, true);
    EXPECT_FALSE(check.Start(fakes));
    ASSERT_GE(fakes.Events.size(), 2u);
    EXPECT_EQ(fakes.Events[fakes.Events.size() - 3], std::string("setting ") + missing);
    EXPECT_EQ(fakes.Events[fakes.Events.size() - 2],
              "box Error (stop) Error reading ini file data.");
    EXPECT_EQ(fakes.Events.back(), "close 2");
  }
}

TEST_F(UpdateCheckTest, FailuresBeforeParsing) {
  fakes.SessionOpens = false;
  EXPECT_EQ(Run(false),
            (TEvents{"busy", std::string("status ") + kGetting, "open session",
                     "box Error (warning) Cannot create Internet Session.", "close 2", "idle"}));

  fakes = TFakes();
  fakes.Connects = false;
  fakes.Published = "LatestVersion='9' UpdateLink='x'";
  EXPECT_EQ(Run(false),
            (TEvents{"busy", std::string("status ") + kGetting, "open session",
                     "download http://127.0.0.1/v.txt", "box ERROR (plain) Connection failed.",
                     std::string("box Error (warning) ") + kNoInformation,
                     std::string("status ") + kRetry, "idle"}));

  fakes = TFakes();
  fakes.Published = "";
  EXPECT_EQ(Run(true), (TEvents{"busy", std::string("status ") + kGetting, "open session",
                                "download http://127.0.0.1/v.txt",
                                std::string("box Error (warning) ") + kNoInformation,
                                std::string("status ") + kRetry, "idle"}));

  fakes = TFakes();
  fakes.Published = "LatestVersion='2.0' and nothing else";
  EXPECT_EQ(Run(true), (TEvents{"busy", std::string("status ") + kGetting, "open session",
                                "download http://127.0.0.1/v.txt",
                                "box Error (warning) Invalid URL.", "close 2", "idle"}));
}

TEST_F(UpdateCheckTest, DriveAndUncLocationsAreReadAsFiles) {
  for (const char *location : {"C:\\v.txt", "\\\\host\\share\\v.txt"}) {
    fakes = TFakes();
    fakes.Settings["UpdateURL"] = location;
    const TEvents events = Run(true);
    ASSERT_GE(events.size(), 4u);
    EXPECT_EQ(events[3], std::string("read file ") + location);
    EXPECT_EQ(events[4], "close 1");
  }
}

TEST_F(UpdateCheckTest, FailedLaunchShowsTheExecuteErrorAndStaysOpen) {
  const std::pair<int, const char *> answers[] = {
      {0, "The operating system is out of memory or resources."},
      {2, "The specified file was not found."},
      {3, "The specified path was not found."},
      {8, "There was not enough memory to complete the operation."},
      {31, "There is no application associated with the given file name extension."},
      {5, "Unspecified execute error."},
      {32, "Unspecified execute error."},
      {-1, "Unspecified execute error."},
  };
  for (const auto &[answer, text] : answers) {
    fakes = TFakes();
    fakes.Published = "LatestVersion='2.0' UpdateLink='http://127.0.0.1/nowhere'";
    fakes.ShellAnswer = answer;
    const TEvents events = Run(false);
    const TEvents tail(events.end() - 4, events.end());
    EXPECT_EQ(tail, (TEvents{"shell open http://127.0.0.1/nowhere",
                             std::string("box Execute Error (warning) ") + text,
                             std::string("status ") + kRetry, "idle"}))
        << answer;
  }
  fakes = TFakes();
  fakes.Published = "LatestVersion='2.0' UpdateLink='http://x'";
  fakes.ShellAnswer = 33;
  EXPECT_EQ(Run(false).back(), "idle");
  EXPECT_EQ(fakes.Events[fakes.Events.size() - 2], "close 1");
}

TEST_F(UpdateCheckTest, OnlyWebLinksFromTheNetworkAreOpened) {
  const struct {
    const char *Location;
    const char *Link;
    bool Opened;
  } cases[] = {
      {"http://127.0.0.1/v.txt", "http://127.0.0.1/get", true},
      {"http://127.0.0.1/v.txt", "HTTPS://127.0.0.1/get", true},
      {"http://127.0.0.1/v.txt", "hTTp://x", true},
      {"http://127.0.0.1/v.txt", "Z:\\tmp\\some.bat", false},
      {"http://127.0.0.1/v.txt", "\\\\host\\share\\setup.exe", false},
      {"http://127.0.0.1/v.txt", "calc.exe", false},
      {"http://127.0.0.1/v.txt", "file:///c:/windows/system32/calc.exe", false},
      {"http://127.0.0.1/v.txt", "ftp://127.0.0.1/get", false},
      {"http://127.0.0.1/v.txt", " http://127.0.0.1/get", false},
      {"http://127.0.0.1/v.txt", "http://", false},
      {"http://127.0.0.1/v.txt", "", false},
      // The producer's own file keeps any link.
      {"C:\\v.txt", "Z:\\tmp\\some.bat", true},
      {"\\\\host\\share\\v.txt", "setup.exe", true},
  };
  for (const auto &c : cases) {
    fakes = TFakes();
    fakes.Settings["UpdateURL"] = c.Location;
    fakes.Published = std::string("LatestVersion='2.0' UpdateLink='") + c.Link + "'";
    const TEvents events = Run(true);
    ASSERT_GE(events.size(), 3u);
    const TEvents tail(events.end() - 3, events.end());
    if (c.Opened)
      EXPECT_EQ(tail, (TEvents{std::string("shell open ") + c.Link, "close 1", "idle"}))
          << c.Location << " " << c.Link;
    else
      EXPECT_EQ(tail, (TEvents{"box Error (warning) Invalid URL.", "close 2", "idle"}))
          << c.Location << " " << c.Link;
  }
}
