// The package module: the switch dispatch, staging, the build from the authoring listing, the
// strip, and the replacement batch.
#include "applet/package/UnitCompress.h"
#include "applet/common/CommonUtils.h"
#include "applet/platform/BatchFile.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <filesystem>
#include <utility>

namespace package {
namespace {

using testsupport::ReadFile;
using testsupport::WriteFile;
using Names = std::vector<std::string>;
using Members = std::vector<std::pair<std::string, std::string>>; // stored name, content

class TRecordingHost : public TStagingHost {
public:
  bool CheckPackageSpace() override {
    ++Checks;
    return SpaceOk;
  }
  void WaitForTermination() override { ++Waits; }
  bool SpaceOk = true;
  int Checks = 0;
  int Waits = 0;
};

class UnitCompressTest : public ::testing::Test {
protected:
  UnitCompressTest() {
    platform::Platform().CreateFolder(dir.File("app"));
    platform::Platform().CreateFolder(dir.File("src"));
    platform::Platform().CreateFolder(dir.File("outside"));
    fake.ModulePath = App("applet.exe");
  }
  ~UnitCompressTest() override { common::SetCommandLineArguments({}); }

  std::string App(const std::string &name) const { return dir.File("app/" + name); }
  std::string Src(const std::string &name) const { return dir.File("src/" + name); }
  static std::string Bare() { return std::string(static_cast<size_t>(kPackageOffset), 'B'); }
  static std::string Track(int n) { return "ID3 track " + std::to_string(n) + std::string(n, 'x'); }

  // The bare program followed by an archive of the members, stored under the names given.
  std::string Packaged(const Members &members) {
    Names files;
    for (size_t i = 0; i < members.size(); ++i) {
      files.push_back(Src("m" + std::to_string(i)));
      WriteFile(files.back(), members[i].second);
    }
    size_t next = 0;
    TCompress compress;
    compress.SetTargetPath(dir.File("src"));
    compress.OnCheckFile = [&](std::string &name, TCProcessMode) { name = members[next++].first; };
    TMemoryStream archive;
    compress.AddFilesToArchive(archive, files, kPackageMethod);
    const std::vector<uint8_t> &data = archive.Data();
    return Bare() + std::string(data.begin(), data.end());
  }

  bool Dispatch(const Names &switches, TStagingHost *host = nullptr) {
    Names arguments{fake.ModulePath};
    arguments.insert(arguments.end(), switches.begin(), switches.end());
    common::SetCommandLineArguments(arguments);
    TCompressDataModule module;
    const bool result = module.DispatchPackageMode(host);
    exitCode = module.JobExitCode();
    failure = module.StagingFailure();
    return result;
  }

  Names Listed(const std::string &program) {
    TFileStream stream(program, TFileStream::fmOpenRead);
    stream.SetPosition(kPackageOffset);
    std::vector<TListedMember> members;
    TCompress().ListMembers(stream, members);
    Names names;
    for (const TListedMember &m : members)
      names.push_back(m.Name);
    return names;
  }

  Names FolderFiles() {
    Names names;
    for (const std::string &name : fake.FindFiles(App("*")))
      if (name != "." && name != "..")
        names.push_back(name);
    std::sort(names.begin(), names.end());
    return names;
  }

  bool Exists(const std::string &path) { return fake.FileExists(path); }

  testsupport::TTempDir dir;
  testsupport::TFakePlatform fake;
  platform::TPlatformOverride override_{fake};
  int exitCode = -1;
  std::string failure;
};

TEST_F(UnitCompressTest, SwitchesAreTestedInTheirOrderAndEndTheRun) {
  const struct {
    Names Switches;
    bool Result;
    bool Built;    // "qln1etmp.ql" written with a package behind the bare program
    bool Stripped; // "qln1etmp.ql" is the bare program
    bool Expanded; // the members lie in the folder
  } cases[] = {
      {{"/spawn#13", "/#27#58"}, true, true, false, false},
      {{"/EMPTY#13", "/Spawn#13"}, true, false, false, true},
      {{"/empty#13"}, true, false, true, false},
      {{"/test#13"}, false, false, false, true},
      {{}, false, false, false, true},
      {{"/spawn#13x"}, false, false, false, true},
  };
  for (const auto &c : cases) {
    SCOPED_TRACE(::testing::PrintToString(c.Switches));
    WriteFile(App("applet.exe"), Packaged({{"linernotes.htm", "notes"}, {"QlnT-1.mp3", "t1"}}));
    WriteFile(App("qln1e.ini"),
              "[Files]\r\n" + Src("a.mp3") + "\r\n[Library]\r\n" + Src("qlnxaudio.dll") + "\r\n");
    WriteFile(Src("a.mp3"), "a");
    WriteFile(Src("qlnxaudio.dll"), "lib");
    fake.Started.clear();
    EXPECT_EQ(c.Result, Dispatch(c.Switches));
    EXPECT_EQ(0, exitCode);
    const bool written = Exists(App("qln1etmp.ql"));
    EXPECT_EQ(c.Built || c.Stripped, written);
    if (written) {
      EXPECT_EQ(c.Built, fake.FileSize(App("qln1etmp.ql")) > kPackageOffset);
    }
    EXPECT_EQ(written ? 1u : 0u, fake.Started.size());
    EXPECT_EQ(c.Expanded, Exists(App("QlnT-1.mp3")));
    EXPECT_EQ(c.Expanded, Exists(App("linernotes.htm")));
    for (const char *name : {"qln1etmp.ql", "qln1ebat.bat", "QlnT-1.mp3", "linernotes.htm"})
      fake.RemoveFile(App(name));
  }
}

TEST_F(UnitCompressTest, ABareProgramHasNoPackage) {
  WriteFile(App("applet.exe"), Bare());
  EXPECT_FALSE(Dispatch({}));
  EXPECT_TRUE(Dispatch({"/empty#13"}));
  EXPECT_EQ(0, exitCode);
  EXPECT_FALSE(Exists(App("qln1etmp.ql")));
  EXPECT_TRUE(fake.Started.empty());
  EXPECT_TRUE(Dispatch({"/spawn#13"}));
  EXPECT_EQ(Names{"applet.exe"}, FolderFiles());
}

TEST_F(UnitCompressTest, TheListingKeepsTwentyFourTracksEmptyLinesAndIgnoresCase) {
  std::string listing = "; producer's notes\r\n[files]\r\n";
  for (int n = 1; n <= 30; ++n) {
    WriteFile(Src(std::to_string(n) + ".mp3"), Track(n));
    listing += (n == 5 ? std::string() : Src(std::to_string(n) + ".mp3")) + "\r\n";
  }
  listing += "[FILES]\r\n[LIBRARY]\r\n" + Src("qlnxaudio.dll") + "\r\n";
  WriteFile(Src("qlnxaudio.dll"), "library");
  WriteFile(App("qln1e.ini"), listing);
  WriteFile(App("applet.exe"), Bare());

  TCompress compress;
  const TBuildResult result = BuildPackagedProgram(
      compress, {dir.File("app/"), App("qln1e.ini"), App("applet.exe"), App("out.exe"), true});
  Names expected;
  for (int n = 1; n <= 24; ++n)
    if (n != 5)
      expected.push_back("QlnT-" + std::to_string(n) + ".mp3");
  expected.push_back("qlnxaudio.dll");
  EXPECT_EQ(expected, result.Packed);
  EXPECT_EQ(Names{"(empty line 5)"}, result.Missing);
  EXPECT_EQ(expected, Listed(App("out.exe")));
  // The copies are gone again; the listing and the program stay.
  EXPECT_EQ((Names{"applet.exe", "out.exe", "qln1e.ini"}), FolderFiles());
}

TEST_F(UnitCompressTest, MembersAreFoundIgnoringCase) {
  WriteFile(App("applet.exe"),
            Packaged({{"LinerNotes.htm", "[INTERNAL]\r\nSize=1\r\n"}, {"QlnT-1.mp3", Track(1)}}));
  TCompressDataModule module;
  EXPECT_TRUE(module.PackageHasMember("linernotes.htm"));
  EXPECT_TRUE(module.PackageHasMember("QLNT-1.MP3"));
  EXPECT_FALSE(module.PackageHasMember("QlnT-2.mp3"));
  TRecordingHost host;
  EXPECT_FALSE(Dispatch({}, &host));
  EXPECT_EQ(1, host.Checks);
  EXPECT_EQ(Track(1), ReadFile(App("QlnT-1.mp3")));
}

TEST_F(UnitCompressTest, TheReplacementBatchNamesEveryFileLiterally) {
  const std::string batch = ReplacementBatchLines("C:\\Program Files\\50% off\\My Applet.exe",
                                                  "C:\\Program Files\\50% off\\",
                                                  "C:\\Program Files\\50% off\\qln1etmp.ql",
                                                  "C:\\Program Files\\50% off\\qln1ebat.bat")
                                .back();
  EXPECT_EQ("exit", batch);
  WriteFile(App("applet.exe"), Packaged({{"linernotes.htm", "notes"}}));
  const std::string folder = dir.File("app/");
  const std::string f = platform::BatchLiteral(folder);
  EXPECT_TRUE(Dispatch({"/empty#13"}));
  EXPECT_EQ("@echo off\r\n"
            "cd \"" +
                f +
                "\"\r\n"
                ":try1\r\n"
                "del \"" +
                f +
                "applet.exe\"\r\n"
                "if exist \"" +
                f +
                "applet.exe\" goto try1\r\n"
                ":try2\r\n"
                "move \"" +
                f +
                "qln1etmp.ql\" \"Applet.exe\"\r\n"
                "if exist \"" +
                f +
                "qln1etmp.ql\" goto try2\r\n"
                ":try3\r\n"
                "del \"" +
                f +
                "qln1ebat.bat\"\r\n"
                "if exist \"" +
                f +
                "qln1ebat.bat\" goto try3\r\n"
                "exit\r\n",
            ReadFile(App("qln1ebat.bat")));
  ASSERT_EQ(1u, fake.Started.size());
  EXPECT_EQ("\"" + App("qln1ebat.bat") + "\"", fake.Started[0].CommandLine);
  EXPECT_EQ(0x30u, fake.Started[0].CreationFlags);
  EXPECT_EQ(Bare(), ReadFile(App("qln1etmp.ql")));

  const Names lines =
      ReplacementBatchLines("D:\\50% off\\a b.exe", "D:\\50% off\\", "D:\\50% off\\qln1etmp.ql",
                            "D:\\50% off\\qln1ebat.bat");
  const Names expected{"@echo off",
                       "cd \"D:\\50%% off\\\"",
                       ":try1",
                       "del \"D:\\50%% off\\a b.exe\"",
                       "if exist \"D:\\50%% off\\a b.exe\" goto try1",
                       ":try2",
                       "move \"D:\\50%% off\\qln1etmp.ql\" \"Applet.exe\"",
                       "if exist \"D:\\50%% off\\qln1etmp.ql\" goto try2",
                       ":try3",
                       "del \"D:\\50%% off\\qln1ebat.bat\"",
                       "if exist \"D:\\50%% off\\qln1ebat.bat\" goto try3",
                       "exit"};
  EXPECT_EQ(expected, lines);
}

// The build from the authoring listing, with the decisions.
class BuildTest : public UnitCompressTest {
protected:
  void Listing(const Names &tracks, const std::string &library) {
    std::string text = "[Files]\r\n";
    for (const std::string &t : tracks)
      text += t + "\r\n";
    WriteFile(App("qln1e.ini"), text + "[Library]\r\n" + library + "\r\n");
  }
};

TEST_F(BuildTest, OnlyTheBareProgramIsCopiedAndExtrasAreAddedWheneverPresent) {
  // The running applet already carries liner notes and a cover.
  WriteFile(App("applet.exe"), Packaged({{"linernotes.htm", "old"}, {"jewelcasecover.jpg", "o"}}));
  WriteFile(Src("1.mp3"), Track(1));
  WriteFile(Src("qlnxaudio.dll"), "library");
  WriteFile(App("linernotes.htm"), "new notes");
  WriteFile(App("jewelcasecover.jpg"), "new cover");
  Listing({Src("1.mp3")}, Src("qlnxaudio.dll"));
  EXPECT_TRUE(Dispatch({"/#27#58"}));
  EXPECT_EQ(0, exitCode);
  EXPECT_EQ((Names{"QlnT-1.mp3", "qlnxaudio.dll", "linernotes.htm", "jewelcasecover.jpg"}),
            Listed(App("qln1etmp.ql")));
  const std::string built = ReadFile(App("qln1etmp.ql"));
  EXPECT_EQ(Bare(), built.substr(0, kPackageOffset));
  // One archive only: its signature occurs once.
  EXPECT_EQ(std::string::npos, built.find("KVRA\x1a", kPackageOffset + 1));
  // The liner notes and the cover are deleted on purpose; the copies are gone.
  for (const char *name : {"linernotes.htm", "jewelcasecover.jpg", "QlnT-1.mp3", "qlnxaudio.dll"})
    EXPECT_FALSE(Exists(App(name))) << name;
  EXPECT_EQ(1u, fake.Started.size());
}

TEST_F(BuildTest, AFailedCopyNeverPacksAStaleFileAndEndsWithExitCodeOne) {
  WriteFile(App("applet.exe"), Bare());
  WriteFile(Src("1.mp3"), Track(1));
  WriteFile(Src("qlnxaudio.dll"), "library");
  WriteFile(App("QlnT-2.mp3"), "stale");
  WriteFile(App("QlnT-3.mp3"), "stale");
  const struct {
    Names Tracks;
    std::string Library;
    Names Packed;
  } cases[] = {
      {{Src("1.mp3"), Src("missing.mp3")}, Src("qlnxaudio.dll"), {"QlnT-1.mp3", "qlnxaudio.dll"}},
      {{Src("1.mp3"), "", Src("1.mp3")},
       Src("qlnxaudio.dll"),
       {"QlnT-1.mp3", "QlnT-3.mp3", "qlnxaudio.dll"}},
      {{Src("1.mp3")}, Src("absent.dll"), {"QlnT-1.mp3"}},
      {{Src("1.mp3")}, "", {"QlnT-1.mp3"}},
  };
  for (const auto &c : cases) {
    SCOPED_TRACE(c.Library);
    Listing(c.Tracks, c.Library);
    fake.Started.clear();
    EXPECT_TRUE(Dispatch({"/#27#58"}));
    EXPECT_EQ(1, exitCode);
    EXPECT_EQ(c.Packed, Listed(App("qln1etmp.ql")));
    EXPECT_EQ(1u, fake.Started.size()); // the build completes
    EXPECT_FALSE(Exists(App("QlnT-2.mp3")));
  }
}

TEST_F(BuildTest, ListingsAsEditorsSaveThemAndListingsWithoutTracks) {
  WriteFile(App("applet.exe"), Bare());
  WriteFile(Src("1.mp3"), Track(1));
  WriteFile(Src("qlnxaudio.dll"), "library");
  const std::string utf8Name = "M\xC3\xBCller.mp3";
  const std::string utf8Path = fake.Utf8Path(Src(""), utf8Name);
  ASSERT_FALSE(utf8Path.empty());
  WriteFile(utf8Path, Track(2));
  // A byte-order mark, a UTF-8 name, 26 tracks and blank lines at the section's end.
  std::string files;
  for (int n = 1; n <= 26; ++n)
    files += (n == 2 ? Src("") + utf8Name : Src("1.mp3")) + "\r\n";
  WriteFile(App("qln1e.ini"), "\xEF\xBB\xBF[Files]\r\n" + files + "\r\n\r\n[Library]\r\n" +
                                  Src("qlnxaudio.dll") + "\r\n");
  TCompress compress;
  const TBuildPlan plan{dir.File("app/"), App("qln1e.ini"), App("applet.exe"), App("out.exe"),
                        true};
  const TBuildResult result = BuildPackagedProgram(compress, plan);
  EXPECT_EQ(25u, result.Packed.size()); // 24 tracks and the library
  EXPECT_TRUE(result.Missing.empty());
  EXPECT_EQ((Names{Src("1.mp3"), Src("1.mp3")}), result.Dropped);
  EXPECT_TRUE(Dispatch({"/#27#58"}));
  EXPECT_EQ(1, exitCode); // the dropped tracks, silently
  // No track that could be packed: an error naming the listing, no output.
  platform::Platform().RemoveFile(App("out.exe"));
  WriteFile(App("qln1e.ini"), "[Files]\r\n" + Src("absent.mp3") + "\r\n");
  EXPECT_THROW(BuildPackagedProgram(compress, plan), ENoTracks);
  EXPECT_FALSE(Exists(App("out.exe")));
}

TEST_F(BuildTest, ALibraryAlreadyInTheFolderStays) {
  WriteFile(App("applet.exe"), Bare());
  WriteFile(Src("1.mp3"), Track(1));
  WriteFile(App("qlnxaudio.dll"), "library in place");
  WriteFile(App("QlnT-1.mp3"), Track(1));
  for (const std::string &library : {App("qlnxaudio.dll"), std::string("qlnxaudio.dll")}) {
    SCOPED_TRACE(library);
    // A relative name is taken from the current folder.
    fake.RemoveFile(App("qln1etmp.ql"));
    Listing({App("QlnT-1.mp3")}, library);
    const std::filesystem::path current = std::filesystem::current_path();
    std::filesystem::current_path(dir.File("app"));
    EXPECT_TRUE(Dispatch({"/#27#58"}));
    std::filesystem::current_path(current);
    EXPECT_EQ(0, exitCode);
    EXPECT_EQ((Names{"QlnT-1.mp3", "qlnxaudio.dll"}), Listed(App("qln1etmp.ql")));
    EXPECT_EQ("library in place", ReadFile(App("qlnxaudio.dll")));
    EXPECT_EQ(Track(1), ReadFile(App("QlnT-1.mp3")));
  }
}

TEST_F(BuildTest, NoBatchUnlessTheNewProgramWasWrittenCompletely) {
  WriteFile(Src("1.mp3"), Track(1));
  Listing({Src("1.mp3")}, Src("1.mp3"));
  const struct {
    const char *Case;
    bool BlockOutput;
    bool WithListing;
  } cases[] = {{"output cannot be written", true, true}, {"no listing", false, false}};
  for (const auto &c : cases) {
    SCOPED_TRACE(c.Case);
    WriteFile(App("applet.exe"), Bare());
    if (c.BlockOutput) {
      ASSERT_TRUE(fake.CreateFolder(App("qln1etmp.ql")));
    }
    if (!c.WithListing)
      fake.RemoveFile(App("qln1e.ini"));
    fake.Started.clear();
    EXPECT_TRUE(Dispatch({"/#27#58"}));
    EXPECT_EQ(1, exitCode);
    EXPECT_TRUE(fake.Started.empty());
    EXPECT_FALSE(Exists(App("qln1ebat.bat")));
    EXPECT_FALSE(Exists(App("QlnT-1.mp3")));
  }
}

// Ordinary staging: the space check, and a damaged package that is not recorded.
class StagingTest : public UnitCompressTest {
protected:
  const Members members{{"linernotes.htm", "[INTERNAL]\r\nSize=1\r\n"},
                        {"QlnT-1.mp3", Track(1) + std::string(5000, 'a')},
                        {"QlnT-2.mp3", Track(2) + std::string(5000, 'b')},
                        {"qlnxaudio.dll", "library"}};
};

TEST_F(StagingTest, AFailedSpaceCheckExpandsOnlyTheLinerNotesAndEndsTheRun) {
  WriteFile(App("applet.exe"), Packaged(members));
  TRecordingHost host;
  host.SpaceOk = false;
  EXPECT_TRUE(Dispatch({}, &host));
  EXPECT_EQ(1, host.Waits);
  EXPECT_EQ((Names{"applet.exe", "linernotes.htm"}), FolderFiles());

  // Without liner notes nothing is expanded before the check.
  fake.RemoveFile(App("linernotes.htm"));
  WriteFile(App("applet.exe"), Packaged({{"QlnT-1.mp3", "t"}}));
  EXPECT_TRUE(Dispatch({}, &host));
  EXPECT_EQ(Names{"applet.exe"}, FolderFiles());
}

TEST_F(StagingTest, ADamagedPackageLeavesNoExpandedFile) {
  const std::string good = Packaged(members);
  const size_t track2 = good.find(Track(2));
  ASSERT_NE(std::string::npos, track2);
  const struct {
    const char *Case;
    std::string Program;
    bool BlockTrack2;
  } cases[] = {
      {"checksum", good.substr(0, track2) + "J" + good.substr(track2 + 1), false},
      {"truncated", good.substr(0, good.size() - 3), false},
      {"cut inside a header", good.substr(0, track2 - 20), false},
      {"member cannot be written", good, true},
  };
  for (const auto &c : cases) {
    SCOPED_TRACE(c.Case);
    WriteFile(App("applet.exe"), c.Program);
    WriteFile(App("QlnT-7.mp3"), "left by an earlier run");
    if (c.BlockTrack2) {
      ASSERT_TRUE(fake.CreateFolder(App("QlnT-2.mp3")));
    }
    TRecordingHost host;
    EXPECT_FALSE(Dispatch({}, &host));
    Names expected{"applet.exe"};
    if (c.BlockTrack2) {
      expected.insert(expected.begin(), "QlnT-2.mp3");
    }
    EXPECT_EQ(expected, FolderFiles());
    if (c.BlockTrack2) {
      ASSERT_TRUE(std::filesystem::remove(App("QlnT-2.mp3")));
    }
  }
  // An archive that cannot be read at all: liner notes this run did not write stay.
  WriteFile(App("applet.exe"), Bare() + std::string(161432, '\0'));
  WriteFile(App("linernotes.htm"), "kept");
  EXPECT_FALSE(Dispatch({}));
  EXPECT_EQ("kept", ReadFile(App("linernotes.htm")));
  fake.RemoveFile(App("linernotes.htm"));
  WriteFile(App("applet.exe"), good);
  EXPECT_FALSE(Dispatch({}));
  EXPECT_EQ((Names{"QlnT-1.mp3", "QlnT-2.mp3", "applet.exe", "linernotes.htm", "qlnxaudio.dll"}),
            FolderFiles());
}

TEST_F(StagingTest, AStagingThatCannotWriteNamesTheReason) {
  const struct {
    int Error;
    const char *Says;
  } cases[] = {{ENOSPC, "no space left on the drive of this folder"},
               {EACCES, "access to this folder was denied"},
               {EROFS, "this folder is read-only"},
               {0, ""}};
  WriteFile(App("applet.exe"), Packaged(members));
  for (const auto &c : cases) {
    fake.FailWritesWith = c.Error;
    EXPECT_FALSE(Dispatch({}));
    EXPECT_NE(std::string::npos, failure.find(c.Says)) << c.Error;
    EXPECT_EQ(c.Error == 0, failure.empty()) << c.Error;
  }
}

TEST_F(StagingTest, NoMemberLeavesTheAppletsFolder) {
  std::string outside = dir.File("outside/escaped.txt");
  std::replace(outside.begin(), outside.end(), '/', '\\');
  // The component strips a drive prefix when it stores a name, so this one is put in after.
  std::string program = Packaged({{"linernotes.htm", "notes"},
                                  {outside, "root-relative"},
                                  {"C~escaped.txt", "drive"},
                                  {"\\\\server\\share\\escaped.txt", "unc"},
                                  {"..\\escaped.txt", "parent"},
                                  {"sub\\escaped.txt", "sub"},
                                  {"QlnT-1.mp3", "t1"}});
  program.replace(program.find("C~escaped"), 2, "C:");
  WriteFile(App("applet.exe"), program);
  // Such a package is not the producer's: it is refused whole, in a session (which then finds
  // its files missing) and when expanded by its switch.
  for (const Names &switches : {Names{}, Names{"/spawn#13"}}) {
    Dispatch(switches);
    EXPECT_EQ(switches.empty() ? 0 : 1, exitCode);
    EXPECT_EQ((Names{"applet.exe"}), FolderFiles());
    EXPECT_FALSE(Exists(dir.File("outside/escaped.txt")));
    EXPECT_FALSE(Exists(dir.File("escaped.txt")));
  }
}

TEST_F(StagingTest, RefusedNamesSayWhyBeforeAnythingIsWritten) {
  const struct {
    std::string Name;
    const char *Why;
  } cases[] = {{"..\\escaped.txt", "leads out of the folder"},
               {"sub\\escaped.txt", "names a subfolder"},
               {std::string(300, 'n'), "is too long"}};
  for (const auto &c : cases) {
    WriteFile(App("applet.exe"),
              Packaged({{"linernotes.htm", "notes"}, {"QlnT-1.mp3", "t1"}, {c.Name, "x"}}));
    TFileStream program(App("applet.exe"), TFileStream::fmOpenRead);
    TCompress compress;
    try {
      ExpandPackage(compress, program, dir.File("outside"));
      ADD_FAILURE() << c.Why;
    } catch (const ERefusedMember &e) {
      EXPECT_NE(std::string::npos, std::string(e.what()).find(c.Why)) << e.what();
    }
    EXPECT_TRUE(compress.ExpandedFiles().empty()) << c.Why;
    EXPECT_FALSE(Exists(dir.File("outside/linernotes.htm"))) << c.Why;
  }
}

TEST_F(StagingTest, ASessionStagesOnlyWhatItsEndingRemoves) {
  Members packed{{"linernotes.htm", "notes"}, {"readme.txt", "extra"}};
  for (int n = 1; n <= 24; ++n)
    packed.emplace_back(common::TempTrackName(n), "t" + std::to_string(n));
  WriteFile(App("applet.exe"), Packaged(packed));
  EXPECT_FALSE(Dispatch({}));
  Names staged{"applet.exe", "linernotes.htm"};
  for (int n = 1; n <= 24; ++n)
    staged.push_back(common::TempTrackName(n));
  std::sort(staged.begin(), staged.end());
  EXPECT_EQ(staged, FolderFiles());
}

TEST_F(StagingTest, ASessionRefusesTracksItCannotRecord) {
  // A 25th track, or a track name outside the numbering, would be dropped unheard.
  for (const char *extra : {"QlnT-25.mp3", "qlnt-07.MP3"}) {
    SCOPED_TRACE(extra);
    Members packed{{"linernotes.htm", "notes"}, {"QlnT-1.mp3", "t1"}, {extra, "t"}};
    WriteFile(App("applet.exe"), Packaged(packed));
    EXPECT_FALSE(Dispatch({}));
    EXPECT_EQ(Names{"applet.exe"}, FolderFiles());
    // The switch expands every member.
    Dispatch({"/spawn#13"});
    EXPECT_EQ(0, exitCode);
    EXPECT_TRUE(Exists(App(extra)));
    for (const std::string &name : FolderFiles())
      if (name != "applet.exe")
        std::filesystem::remove(App(name));
  }
}

} // namespace
} // namespace package
