// Reading archives: header checks, checksums and keys, names, and damaged input.
#include "applet/package/Compress.h"
#include "applet/package/CompressErrors.h"
#include "applet/package/tests/ArchiveBytes.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

#include <functional>

using namespace package;
using namespace packagetest;
using testsupport::ReadFile;
using testsupport::TTempDir;
using testsupport::WriteFile;

namespace {

// Runs op and returns the message of the package exception it raised, or "" when none.
std::string MessageOf(const std::function<void()> &op) {
  try {
    op();
  } catch (const Exception &e) {
    return e.Message();
  }
  return "";
}

struct TReadFixture : ::testing::Test {
  TTempDir out;
  TCompress compress;

  std::string Extract(const TBytes &archive) {
    compress.SetTargetPath(out.Path());
    return MessageOf([&] {
      TMemoryStream s(archive);
      compress.ExtractMembers(s);
    });
  }
  std::string List(const TBytes &archive, size_t &count) {
    std::vector<TListedMember> members;
    std::string message = MessageOf([&] {
      TMemoryStream s(archive);
      compress.ListMembers(s, members);
    });
    count = members.size();
    return message;
  }
  bool Exists(const std::string &name) { return platform::Platform().FileExists(out.File(name)); }
};

const char kBadHeader[] = "Can't recognize compressed file header";
const char kNotMulti[] = "Archive type must be caMulti";
const char kBadChecksum[] = "Bad checksum during expansion -- data may be invalid";
const char kKeyRequired[] = "File locked -- valid key required";

} // namespace

TEST_F(TReadFixture, ArchiveHeaderIsChecked) {
  const TBytes member = TArchiveBytes().Member("a.txt", Bytes("hello")).Data;
  auto with = [&](TArchiveBytes a) {
    a.Data.insert(a.Data.end(), member.begin(), member.end());
    return a.Data;
  };
  TBytes badSignature = with(TArchiveBytes().Header("NON", 5));
  badSignature[4] = 0x1B;
  const struct {
    const char *What;
    TBytes Archive;
    std::string ListMessage, ExtractMessage;
    size_t Listed;
  } cases[] = {
      {"empty archive", TArchiveBytes().Header("NON", 0).Data, "", "", 0},
      {"fewer than 21 bytes",
       Bytes("KVRA\x1A"
             "RLE"),
       "", "", 0},
      {"21 to 45 bytes are checked by expansion only", Bytes(std::string(30, 'x')), "", kBadHeader,
       0},
      {"bad signature", badSignature, kBadHeader, kBadHeader, 0},
      {"archive type", with(TArchiveBytes().Header("NON", 5, 2)), kNotMulti, kNotMulti, 0},
      {"unknown identifier", with(TArchiveBytes().Header("ZIP", 5)),
       "Unrecognized compression method: \"ZIP\" in header",
       "Unrecognized compression method: \"ZIP\" in header", 0},
      {"identifiers are case-sensitive", with(TArchiveBytes().Header("rle", 5)),
       "Unrecognized compression method: \"rle\" in header",
       "Unrecognized compression method: \"rle\" in header", 0},
      {"good", with(TArchiveBytes().Header("LH5", 5)), "", "", 1},
  };
  for (const auto &c : cases) {
    size_t listed = 0;
    EXPECT_EQ(List(c.Archive, listed), c.ListMessage) << c.What;
    EXPECT_EQ(listed, c.Listed) << c.What;
    EXPECT_EQ(Extract(c.Archive), c.ExtractMessage) << c.What;
  }
  EXPECT_EQ(ReadFile(out.File("a.txt")), "hello");
}

TEST_F(TReadFixture, RecognizeEventAcceptsOtherIdentifiers) {
  const TBytes archive =
      TArchiveBytes().Header("ZIP", 5).Member("a.txt", Bytes("hello"), miCUS).Data;
  std::string asked;
  compress.OnRecognize = [&](const std::string &id, bool &recognized) {
    asked = id;
    recognized = true;
  };
  size_t listed = 0;
  EXPECT_EQ(List(archive, listed), "");
  EXPECT_EQ(asked, "ZIP");
  // Method index 3 without OnExpand writes nothing, and the checksum then fails.
  EXPECT_EQ(Extract(archive), kBadChecksum);
  EXPECT_EQ(ReadFile(out.File("a.txt")), "");
}

TEST_F(TReadFixture, AMemberOfAnotherSizeThanItsHeaderSaysIsDamaged) {
  const TBytes data = Bytes("payload");
  for (const int32_t size : {6, 8, 7}) {
    platform::Platform().RemoveFile(out.File("m.txt"));
    const TBytes archive =
        TArchiveBytes().Header("NON", 100).Member("m.txt", data, miNON, Sum(data), size).Data;
    EXPECT_EQ(Extract(archive), size == 7 ? "" : kBadChecksum) << size;
  }
}

TEST_F(TReadFixture, ChecksumsAndKeysDecideExpansion) {
  const TBytes data = Bytes("payload");
  const uint32_t sum = Sum(data);
  const uint8_t scrambled[] = {'p' ^ 0x39, 'a' ^ 0x30, 'y' ^ 0, 'l' ^ 0,
                               'o' ^ 0x39, 'a' ^ 0x30, 'd' ^ 0};
  const TBytes locked(scrambled, scrambled + sizeof scrambled);
  const int32_t key = 0x3039; // 12345
  const struct {
    const char *What;
    uint8_t Method;
    TBytes Stored;
    int64_t Checksum;
    uint32_t LockFlag;
    int32_t Key;
    std::string Message;
    bool FileLeft;
  } cases[] = {
      {"stored, right checksum", miNON, data, sum, 0, 0, "", true},
      {"stored, checksum 0 is not tested", miNON, data, 0, 0, 0, "", true},
      {"stored, wrong checksum", miNON, data, sum + 1, 0, 0, kBadChecksum, true},
      {"RLE, checksum 0 is tested", miRLE, data, 0, 0, 0, kBadChecksum, true},
      {"locked, no key", miNON, locked, sum + key, kLocked, 0, kKeyRequired, false},
      {"locked, right key", miNON, locked, sum + key, kLocked, key, "", true},
      {"locked, wrong key", miNON, locked, sum + key, kLocked, key + 1, kKeyRequired, false},
      {"locked flag 1 is not unscrambled", miNON, data, sum + key, 1, key, "", true},
  };
  for (const auto &c : cases) {
    platform::Platform().RemoveFile(out.File("m.txt"));
    compress.Key = c.Key;
    const TBytes archive = TArchiveBytes()
                               .Header("NON", 100)
                               .Member("m.txt", c.Stored, c.Method, c.Checksum, 7, c.LockFlag)
                               .Member("after.txt", Bytes("after"))
                               .Data;
    EXPECT_EQ(Extract(archive), c.Message) << c.What;
    EXPECT_EQ(Exists("m.txt"), c.FileLeft) << c.What;
    if (c.Message.empty()) {
      EXPECT_EQ(ReadFile(out.File("m.txt")), "payload") << c.What;
    }
    // A failed member stops the expansion.
    EXPECT_EQ(Exists("after.txt"), c.Message.empty()) << c.What;
    platform::Platform().RemoveFile(out.File("after.txt"));
  }
}

TEST_F(TReadFixture, StoredNamesStayInsideTheTargetUnlessRootRelative) {
  const TBytes archive = TArchiveBytes()
                             .Header("NON", 100)
                             .Member("..\\escape.txt", Bytes("1"))
                             .Member("sub\\..\\..\\escape2.txt", Bytes("2"))
                             .Member("\\rooted.txt", Bytes("3"))
                             .Member("ok.txt", Bytes("5"))
                             .Data;
  std::vector<std::string> seen;
  compress.OnCheckFile = [&](std::string &path, TCProcessMode) {
    seen.push_back(path);
    if (path == "\\rooted.txt")
      path.clear();
  };
  EXPECT_EQ(Extract(archive), "");
  EXPECT_EQ(seen, (std::vector<std::string>{"\\rooted.txt", out.Path() + "ok.txt"}));
  EXPECT_EQ(ReadFile(out.File("ok.txt")), "5");
  const std::string parent = platform::ExtractFilePath(out.Path().substr(0, out.Path().size() - 1));
  EXPECT_FALSE(platform::Platform().FileExists(parent + "escape.txt"));
  EXPECT_FALSE(platform::Platform().FileExists(parent + "escape2.txt"));
}

TEST_F(TReadFixture, DamagedArchivesEndQuietlyOrWithTheirException) {
  TMemberHeader lying;
  lying.NameLength = 5;
  lying.UncompressedSize = 4;
  lying.CompressedSize = 0x7FFFFFF0; // far past the end
  lying.Checksum = Sum(Bytes("data"));
  TMemberHeader negativeName = lying;
  negativeName.NameLength = -5;
  TMemberHeader negativeSize = lying;
  negativeSize.CompressedSize = -30;
  TMemberHeader hugeName = lying;
  hugeName.NameLength = 0x7FFF;
  auto archive = [](const TMemberHeader &h) {
    return TArchiveBytes()
        .Header("RLE", 0x7FFFFFFF)
        .Member("first", Bytes("one"))
        .Raw(h, "a.bin", Bytes("data"))
        .Member("never", Bytes("x"))
        .Data;
  };
  TBytes truncated = TArchiveBytes()
                         .Header("RLE", 0x7FFFFFFF)
                         .Member("first", Bytes("one"))
                         .Member("a.bin", Bytes("data"))
                         .Data;
  truncated.resize(truncated.size() - 2);
  const struct {
    const char *What;
    TBytes Archive;
    size_t Listed;
    std::string Message;
  } cases[] = {
      {"sizes past the end of the stream", archive(lying), 2, kBadChecksum},
      {"negative name length", archive(negativeName), 1, ""},
      {"negative compressed size", archive(negativeSize), 1, ""},
      {"name longer than the stream", archive(hugeName), 1, ""},
      {"truncated member", truncated, 2, kBadChecksum},
  };
  for (const auto &c : cases) {
    size_t listed = 0;
    EXPECT_EQ(List(c.Archive, listed), "") << c.What;
    EXPECT_EQ(listed, c.Listed) << c.What;
    EXPECT_EQ(Extract(c.Archive), c.Message) << c.What;
    EXPECT_EQ(ReadFile(out.File("first")), "one") << c.What;
    EXPECT_FALSE(Exists("never")) << c.What;
  }
  EXPECT_EQ(ReadFile(out.File("a.bin")), "da"); // the truncated member is left as written
}
