#include "applet/package/ArchiveFormat.h"
#include "applet/package/tests/ArchiveBytes.h"

#include <gtest/gtest.h>

using namespace package;
using packagetest::TBytes;

TEST(ArchiveFormat, HeadersAreLittleEndianByteForByte) {
  TArchiveHeader a = MakeArchiveHeader("RLE", true);
  a.TotalUncompressedSize = 0x01020304;
  uint8_t archive[kArchiveHeaderSize];
  EncodeArchiveHeader(a, archive);
  const TBytes wantArchive = {'K', 'V', 'R', 'A', 0x1A, 'R', 'L', 'E', 4, 3, 2,
                              1,   1,   0,   0,   0,    0,   2,   0,   0, 0};
  EXPECT_EQ(TBytes(archive, archive + sizeof archive), wantArchive);
  const TArchiveHeader back = DecodeArchiveHeader(archive);
  EXPECT_TRUE(HasSignature(back));
  EXPECT_EQ(MethodIdOf(back), "RLE");
  EXPECT_EQ(back.TotalUncompressedSize, 0x01020304);
  EXPECT_EQ(back.LockFlag, kLocked);

  TMemberHeader m;
  m.NameLength = -2;
  m.FileDate = 0x5A21635C;
  m.Attributes = 0x0021;
  m.UncompressedSize = 1000;
  m.CompressedSize = 0x7FFFFFFF;
  m.MethodIndex = miLH5;
  m.Checksum = 0xFFFFFFFE;
  m.LockFlag = kLocked;
  uint8_t member[kMemberHeaderSize];
  EncodeMemberHeader(m, member);
  const TBytes wantMember = {0xFE, 0xFF, 0x5C, 0x63, 0x21, 0x5A, 0x21, 0x00, 0xE8,
                             0x03, 0x00, 0x00, 0xFF, 0xFF, 0xFF, 0x7F, 0x04, 0xFE,
                             0xFF, 0xFF, 0xFF, 0x02, 0x00, 0x00, 0x00};
  EXPECT_EQ(TBytes(member, member + sizeof member), wantMember);
  const TMemberHeader mb = DecodeMemberHeader(member);
  EXPECT_EQ(mb.NameLength, -2);
  EXPECT_EQ(mb.FileDate, m.FileDate);
  EXPECT_EQ(mb.Attributes, m.Attributes);
  EXPECT_EQ(mb.UncompressedSize, 1000);
  EXPECT_EQ(mb.CompressedSize, 0x7FFFFFFF);
  EXPECT_EQ(mb.MethodIndex, miLH5);
  EXPECT_EQ(mb.Checksum, 0xFFFFFFFEu);
  EXPECT_EQ(mb.LockFlag, kLocked);
}

TEST(ArchiveFormat, MethodTableIsExactAndCaseSensitive) {
  const struct {
    const char *Id;
    int Index;
  } cases[] = {{"NON", 0},  {"RLE", 1},  {"LZH", 2}, {"CUS", 3},  {"LH5", 4},
               {"rle", -1}, {"LH6", -1}, {"", -1},   {"RLEX", -1}};
  for (const auto &c : cases)
    EXPECT_EQ(MethodIndexOf(c.Id), c.Index) << c.Id;
  EXPECT_EQ(MethodName(1), "RLE");
  EXPECT_EQ(MethodName(7), "#7");
}

TEST(ArchiveFormat, PercentOfSwitchesFormulaAbove100000) {
  const struct {
    int64_t Part, Whole;
    int32_t Percent;
  } cases[] = {
      {50, 200, 25},         {1, 3, 33}, {99999, 100000, 99}, {150001, 300001, 50},
      {100001, 100001, 100}, // 100001 / 1000 = 100
      {199, 100100, 0},      {0, 0, 0},  {1000, 1000, 100},
  };
  for (const auto &c : cases)
    EXPECT_EQ(PercentOf(c.Part, c.Whole), c.Percent) << c.Part << "/" << c.Whole;
}

TEST(ArchiveFormat, KeyBytesAreLittleEndian) {
  uint8_t bytes[4];
  KeyBytes(0x11223344, bytes);
  EXPECT_EQ(TBytes(bytes, bytes + 4), (TBytes{0x44, 0x33, 0x22, 0x11}));
  KeyBytes(-2, bytes);
  EXPECT_EQ(TBytes(bytes, bytes + 4), (TBytes{0xFE, 0xFF, 0xFF, 0xFF}));
}

TEST(ArchiveFormat, ParentElementsAreFoundInEveryForm) {
  const struct {
    const char *Name;
    bool Parent;
  } cases[] = {
      {"..\\evil.txt", true},  {"a\\..\\..\\b", true},
      {"a/../b", true},        {"..", true},
      {"a\\.. \\b", true},     {"a\\...\\b", true},
      {"C:..\\x", true},       {"a\\b\\..", true},
      {"a..b\\c", false},      {"..a\\b", false},
      {".\\a", false},         {"a\\.hidden", false},
      {"\\root\\file", false}, {"", false},
      {"x.mp3", false},        {"a\\b..", false},
  };
  for (const auto &c : cases)
    EXPECT_EQ(HasParentElement(c.Name), c.Parent) << c.Name;
}

TEST(ArchiveFormat, NamesLeadingOutOfTheFolderAreFound) {
  const struct {
    const char *Name;
    bool Out;
  } cases[] = {
      {"..\\evil.txt", true},
      {"a\\..\\..\\evil.txt", true},
      {"\\evil.txt", true},
      {"/evil.txt", true},
      {"C:\\evil.txt", true},
      {"Z:\\tmp\\evil.txt", true},
      {"\\\\server\\share\\x", true},
      {"C:evil.txt", true},
      {"QlnT-1.mp3", false},
      {"sub\\a.txt", false},
      {".\\a.txt", false},
      {"a..b", false},
  };
  for (const auto &c : cases)
    EXPECT_EQ(LeadsOutOfFolder(c.Name), c.Out) << c.Name;
}

TEST(ArchiveFormat, NamesCompareWithoutRegardToCase) {
  EXPECT_TRUE(SameText("LinerNotes.htm", "linernotes.HTM"));
  EXPECT_FALSE(SameText("linernotes.htm", "linernotes.htm "));
  EXPECT_TRUE(StartsWithText("C:\\Dir\\File", "c:\\dIR\\"));
  EXPECT_FALSE(StartsWithText("C:\\Di", "c:\\dir\\"));
}
