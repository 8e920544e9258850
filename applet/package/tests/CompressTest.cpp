#include "applet/package/Compress.h"
#include "applet/package/CompressErrors.h"
#include "applet/package/tests/ArchiveBytes.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

using namespace package;
using namespace packagetest;
using testsupport::ReadFile;
using testsupport::TTempDir;
using testsupport::WriteFile;

namespace {

std::vector<TListedMember> List(TCompress &c, const TBytes &archive) {
  TMemoryStream s(archive);
  std::vector<TListedMember> members;
  c.ListMembers(s, members);
  return members;
}

std::vector<std::string> Names(const std::vector<TListedMember> &members) {
  std::vector<std::string> names;
  names.reserve(members.size());
  for (const auto &m : members)
    names.push_back(m.Name);
  return names;
}

// A folder with a few files and a component that writes below it.
struct TPackFixture : ::testing::Test {
  TTempDir dir;
  TCompress compress;
  std::string runs = std::string(5000, 'a') + std::string(3000, '\0') + "tail";
  std::string noise;

  void SetUp() override {
    for (int i = 0; i < 3000; ++i)
      noise += static_cast<char>((i * 7919) % 251);
    WriteFile(dir.File("runs.bin"), runs);
    WriteFile(dir.File("noise.bin"), noise);
    WriteFile(dir.File("markers.bin"), std::string(1000, '\x94'));
    WriteFile(dir.File("empty.txt"), "");
  }

  TBytes Pack(const std::vector<std::string> &names, uint8_t method) {
    std::vector<std::string> files;
    files.reserve(names.size());
    for (const auto &n : names)
      files.push_back(dir.File(n));
    compress.SetTargetPath(dir.Path());
    TMemoryStream archive;
    compress.AddFilesToArchive(archive, files, method);
    EXPECT_EQ(files, names);
    EXPECT_EQ(archive.Position(), kArchiveHeaderSize);
    return archive.Data();
  }

  std::vector<std::string> Extract(const TBytes &archive, const std::string &into,
                                   std::vector<std::string> *selection = nullptr) {
    compress.SetTargetPath(into);
    TMemoryStream s(archive);
    compress.ExtractMembers(s, selection);
    return compress.ExpandedFiles();
  }
};

} // namespace

TEST_F(TPackFixture, RoundTripsEveryMethodWithAndWithoutKey) {
  for (uint8_t method : {miNON, miRLE}) {
    for (int32_t key : {0, 0x5EED, -7}) {
      compress.Key = key;
      const TBytes archive = Pack({"empty.txt", "runs.bin", "noise.bin"}, method);
      TTempDir out;
      const auto written = Extract(archive, out.Path());
      ASSERT_EQ(written.size(), 3u) << int(method) << " " << key;
      EXPECT_EQ(ReadFile(out.File("runs.bin")), runs);
      EXPECT_TRUE(ReadFile(out.File("noise.bin")) == noise);
      EXPECT_EQ(ReadFile(out.File("empty.txt")), "");
      platform::TFileStamp source, copy;
      ASSERT_TRUE(platform::Platform().GetFileStamp(dir.File("noise.bin"), source));
      ASSERT_TRUE(platform::Platform().GetFileStamp(out.File("noise.bin"), copy));
      EXPECT_EQ(copy.DosDateTime, source.DosDateTime);
      EXPECT_EQ(copy.Attributes, source.Attributes);
      const auto members = List(compress, archive);
      ASSERT_EQ(members.size(), 3u);
      EXPECT_EQ(members[1].Info.Locked, key != 0);
      EXPECT_EQ(members[1].Info.Checksum, Sum(Bytes(runs)) + static_cast<uint32_t>(key));
      if (key == 0)
        continue;
      // A wrong key is named as such, whatever it garbles, and leaves no output behind.
      TTempDir wrong;
      compress.Key = 5;
      std::vector<std::string> only{"runs.bin"};
      EXPECT_THROW(Extract(archive, wrong.Path(), &only), EInvalidKey) << int(method);
      EXPECT_FALSE(platform::Platform().FileExists(wrong.File("runs.bin"))) << int(method);
    }
  }
}

TEST_F(TPackFixture, WritesHeadersAndMembersByteForByte) {
  compress.Key = 0x01020304;
  const TBytes archive = Pack({"runs.bin", "empty.txt"}, miRLE);
  const TBytes head(archive.begin(), archive.begin() + kArchiveHeaderSize);
  const int32_t total = static_cast<int32_t>(runs.size());
  EXPECT_EQ(head, TArchiveBytes().Header("RLE", total, 1, kLocked).Data);

  const auto members = List(compress, archive);
  ASSERT_EQ(Names(members), (std::vector<std::string>{"runs.bin", "empty.txt"}));
  const TCompressedFileInfo &m = members[0].Info;
  EXPECT_EQ(m.HeaderOffset, kArchiveHeaderSize);
  EXPECT_EQ(m.MethodIndex, miRLE);
  EXPECT_EQ(m.UncompressedSize, total);
  EXPECT_LT(m.CompressedSize, 200);
  platform::TFileStamp stamp;
  ASSERT_TRUE(platform::Platform().GetFileStamp(dir.File("runs.bin"), stamp));
  EXPECT_EQ(m.FileDate, stamp.DosDateTime);
  EXPECT_EQ(m.Attributes, stamp.Attributes);
  const TCompressedFileInfo &e = members[1].Info;
  EXPECT_EQ(e.HeaderOffset, m.HeaderOffset + kMemberHeaderSize + 8 + m.CompressedSize);
  EXPECT_EQ(e.CompressedSize, 0);
  EXPECT_EQ(e.Checksum, 0x01020304u);
  EXPECT_EQ(archive.size(),
            static_cast<size_t>(e.HeaderOffset + kMemberHeaderSize + 9)); // "empty.txt"
  EXPECT_EQ(compress.LastRatioPercent, 100);
}

TEST_F(TPackFixture, GrowingMemberIsStoredUnderTheRequestedIdentifier) {
  const TBytes archive = Pack({"markers.bin", "runs.bin"}, miRLE);
  EXPECT_EQ(std::string(archive.begin() + 5, archive.begin() + 8), "RLE");
  const auto members = List(compress, archive);
  ASSERT_EQ(members.size(), 2u);
  EXPECT_EQ(members[0].Info.MethodIndex, miNON);
  EXPECT_EQ(members[0].Info.CompressedSize, 1000);
  EXPECT_EQ(members[1].Info.MethodIndex, miRLE);
  TTempDir out;
  Extract(archive, out.Path());
  EXPECT_EQ(ReadFile(out.File("markers.bin")), std::string(1000, '\x94'));
  EXPECT_EQ(ReadFile(out.File("runs.bin")), runs);
}

TEST_F(TPackFixture, CheckFileRenamesSkipsAndEnds) {
  compress.OnCheckFile = [](std::string &name, TCProcessMode mode) {
    EXPECT_EQ(mode, cmAdding);
    if (name == "noise.bin")
      name = "";
    else if (name == "runs.bin")
      name = "D:sub\\renamed.bin";
    else if (name == "markers.bin")
      name = "*";
  };
  std::vector<std::string> files = {dir.File("runs.bin"), dir.File("noise.bin"),
                                    dir.File("missing.bin"), dir.File("markers.bin"),
                                    dir.File("empty.txt")};
  compress.SetTargetPath(dir.Path());
  TMemoryStream archive;
  compress.AddFilesToArchive(archive, files, miRLE);
  // The drive prefix goes, a missing file is dropped, "*" ends the list.
  EXPECT_EQ(files, (std::vector<std::string>{"sub\\renamed.bin"}));
  EXPECT_EQ(Names(List(compress, archive.Data())), files);

  std::vector<std::string> seen;
  compress.OnCheckFile = [&](std::string &path, TCProcessMode mode) {
    EXPECT_EQ(mode, cmExpanding);
    seen.push_back(path);
    path += ".out";
  };
  TTempDir out;
  compress.MakeDirectories = true;
  const auto written = Extract(archive.Data(), out.Path());
  EXPECT_EQ(seen, (std::vector<std::string>{out.Path() + "sub\\renamed.bin"}));
  ASSERT_EQ(written.size(), 1u);
  EXPECT_EQ(ReadFile(written[0]), runs);

  // "*" ends the expansion before the member.
  compress.OnCheckFile = [](std::string &path, TCProcessMode) { path = "*"; };
  TTempDir out2;
  EXPECT_TRUE(Extract(archive.Data(), out2.Path()).empty());
  EXPECT_FALSE(platform::Platform().DirectoryExists(out2.Path() + "sub"));
}

TEST_F(TPackFixture, MissingFilesRaiseOnlyWhenAsked) {
  compress.ExceptionOnFileError = true;
  std::vector<std::string> files = {dir.File("missing.bin")};
  TMemoryStream archive;
  EXPECT_THROW(compress.AddFilesToArchive(archive, files, miNON), EFOpenError);

  const TBytes good = Pack({"runs.bin"}, miNON);
  TTempDir out;
  WriteFile(out.File("placeholder"), "");
  // A target that is a folder cannot be created.
  platform::Platform().CreateFolder(out.File("runs.bin"));
  EXPECT_THROW(Extract(good, out.Path()), EFCreateError);
  compress.ExceptionOnFileError = false;
  EXPECT_TRUE(Extract(good, out.Path()).empty());
}

TEST_F(TPackFixture, SelectionMatchesWithoutCaseAndReturnsPaths) {
  const TBytes archive = Pack({"empty.txt", "runs.bin", "noise.bin"}, miRLE);
  TTempDir out;
  std::vector<std::string> selection = {"NOISE.BIN", "Empty.Txt", "absent"};
  Extract(archive, out.Path(), &selection);
  EXPECT_EQ(selection,
            (std::vector<std::string>{out.Path() + "empty.txt", out.Path() + "noise.bin"}));
  EXPECT_FALSE(platform::Platform().FileExists(out.File("runs.bin")));
  EXPECT_TRUE(ReadFile(out.File("noise.bin")) == noise);
}

TEST_F(TPackFixture, ExpansionStopsAtTheTotalButListingDoesNot) {
  // A second archive appended behind the first is never expanded.
  TBytes twice = Pack({"runs.bin"}, miRLE);
  const TBytes second = Pack({"noise.bin"}, miNON);
  twice.insert(twice.end(), second.begin(), second.end());
  TTempDir out;
  EXPECT_EQ(Extract(twice, out.Path()).size(), 1u);
  EXPECT_FALSE(platform::Platform().FileExists(out.File("noise.bin")));

  // The walk ends once the total is reached: an empty member last is not expanded, and
  // members behind an understated total are listed but not expanded.
  TArchiveBytes understated;
  understated.Header("NON", 3).Member("a", Bytes("aaa")).Member("e", {}).Member("b", Bytes("b"));
  EXPECT_EQ(Names(List(compress, understated.Data)), (std::vector<std::string>{"a", "e", "b"}));
  TTempDir out2;
  EXPECT_EQ(Extract(understated.Data, out2.Path()), (std::vector<std::string>{out2.File("a")}));

  // Skipped members count too, so junk behind the archive is never read as a member.
  TBytes junk = Pack({"runs.bin"}, miRLE);
  TArchiveBytes tail;
  tail.Member("junk.bin", Bytes("junk"));
  junk.insert(junk.end(), tail.Data.begin(), tail.Data.end());
  compress.OnCheckFile = [](std::string &path, TCProcessMode) {
    if (path.find("runs.bin") != std::string::npos)
      path.clear();
  };
  TTempDir out3;
  EXPECT_TRUE(Extract(junk, out3.Path()).empty());
  EXPECT_FALSE(platform::Platform().FileExists(out3.File("junk.bin")));
}

TEST_F(TPackFixture, CustomMethodRunsThroughEvents) {
  // NOLINTNEXTLINE(bugprone-easily-swappable-parameters): the event's parameters
  compress.OnCompress = [](TStream &dest, TStream &source, std::string &id, int32_t &size,
                           int32_t &checksum) {
    const int64_t n = source.Size();
    std::string data(static_cast<size_t>(n), '\0');
    source.ReadBuffer(&data[0], static_cast<int32_t>(n));
    for (char &c : data)
      c = static_cast<char>(c ^ 0x5A);
    dest.WriteBuffer(data.data(), static_cast<int32_t>(n));
    size = static_cast<int32_t>(n);
    checksum = 42;
    id = "XOR";
  };
  const TBytes archive = Pack({"noise.bin"}, miCUS);
  EXPECT_EQ(std::string(archive.begin() + 5, archive.begin() + 8), "XOR");

  EXPECT_THROW(List(compress, archive), EUnrecognizedCompressionMethod);
  compress.OnRecognize = [](const std::string &id, bool &recognized) { recognized = id == "XOR"; };
  ASSERT_EQ(List(compress, archive).size(), 1u);
  EXPECT_EQ(List(compress, archive)[0].Info.Checksum, 42u);

  std::string seenId;
  // NOLINTNEXTLINE(bugprone-easily-swappable-parameters): the event's parameters
  compress.OnExpand = [&](TStream &dest, TStream &source, int32_t srcSize, int32_t destSize,
                          const std::string &id, int32_t &checksum) {
    seenId = id;
    EXPECT_EQ(srcSize, destSize);
    std::string data(static_cast<size_t>(srcSize), '\0');
    source.ReadBuffer(&data[0], srcSize);
    for (char &c : data)
      c = static_cast<char>(c ^ 0x5A);
    dest.WriteBuffer(data.data(), srcSize);
    checksum = 42;
  };
  TTempDir out;
  Extract(archive, out.Path());
  EXPECT_EQ(seenId, "XOR");
  EXPECT_TRUE(ReadFile(out.File("noise.bin")) == noise);
}

TEST_F(TPackFixture, DiskSpaceIsTestedOnlyWhenAsked) {
  testsupport::TFakePlatform fake;
  platform::TPlatformOverride use(fake);
  const TBytes archive = Pack({"runs.bin"}, miRLE);
  fake.FreeBytes = 100;
  TTempDir out;
  EXPECT_EQ(compress.FreeSpaceForPath(out.File("runs.bin")), INT32_MAX);
  EXPECT_EQ(Extract(archive, out.Path()).size(), 1u);

  compress.CheckSpaceBeforeExpand = true;
  // The existing target's size counts as free.
  EXPECT_EQ(compress.FreeSpaceForPath(out.File("runs.bin")),
            100 + static_cast<int32_t>(runs.size()));
  platform::Platform().RemoveFile(out.File("runs.bin"));
  try {
    Extract(archive, out.Path());
    FAIL() << "expanded without space";
  } catch (const EInsufficientDiskSpace &e) {
    EXPECT_EQ(e.Message(), "Not enough disk space to expand " + out.Path() + "runs.bin");
  }
  fake.FreeBytes = 5'000'000'000;
  EXPECT_EQ(compress.FreeSpaceForPath("c:\\x"), INT32_MAX);
  EXPECT_EQ(compress.DiskFreeBytes(3), 5e9);
  fake.FreeBytes = -1;
  EXPECT_EQ(compress.DiskFreeBytes(0), -1.0);
  EXPECT_EQ(compress.FreeSpaceForPath("x"), -1);
}

TEST(Compress, TargetPathGainsABackslash) {
  TCompress c;
  c.SetTargetPath("C:\\dir");
  EXPECT_EQ(c.TargetPath(), "C:\\dir\\");
  c.SetTargetPath("C:\\dir\\");
  EXPECT_EQ(c.TargetPath(), "C:\\dir\\");
  c.SetTargetPath("/tmp/dir/");
  EXPECT_EQ(c.TargetPath(), "/tmp/dir/");
  c.SetTargetPath("");
  EXPECT_EQ(c.TargetPath(), "");
}

TEST(Compress, MakeDirectoryPathCreatesEveryMissingParent) {
  TTempDir dir;
  const std::string deep = dir.Path() + "a\\b\\c\\";
  MakeDirectoryPath(deep);
  EXPECT_TRUE(platform::Platform().DirectoryExists(dir.Path() + "a\\b\\c"));
  MakeDirectoryPath(deep); // existing folders are fine
  MakeDirectoryPath("x:"); // two characters or fewer count as existing
  WriteFile(dir.File("file"), "");
  EXPECT_THROW(MakeDirectoryPath(dir.Path() + "file\\sub"), EInOutError);
}
