#include "update/BodyReader.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <vector>

using namespace update;

namespace {
// Serves data, at most Chunk bytes per read (0: as many as asked), and records each request.
// Endless repeats the data forever.
class TScriptedReader : public TByteReader {
public:
  explicit TScriptedReader(std::string data, size_t chunk = 0, bool endless = false)
      : data_(std::move(data)), chunk_(chunk), endless_(endless) {}

  size_t Read(char *buffer, size_t size) override {
    Requests.push_back(size);
    if (endless_ && offset_ == data_.size())
      offset_ = 0;
    size_t n = std::min(size, data_.size() - offset_);
    if (chunk_ != 0)
      n = std::min(n, chunk_);
    std::memcpy(buffer, data_.data() + offset_, n);
    offset_ += n;
    return n;
  }

  std::vector<size_t> Requests;

private:
  std::string data_;
  size_t chunk_;
  bool endless_;
  size_t offset_ = 0;
};
} // namespace

TEST(BodySize, ContentLengthTextAsAtolReadsIt) {
  struct TCase {
    const char *Text;
    size_t Size;
  } cases[] = {
      {"1234", 1234},
      {"  57", 57},
      {"+8", 8},
      {"12abc", 12},
      {"abc", 0},
      {"", 0},
      {"-5", 0},
      {"1048576", kMaxTextSize},
      {"1048577", kMaxTextSize},
      {"99999999999999999999999", kMaxTextSize},
  };
  for (const TCase &c : cases)
    EXPECT_EQ(BodySize(c.Text), c.Size) << '"' << c.Text << '"';
  EXPECT_EQ(BodySize(nullptr), kDefaultBodySize);
}

TEST(ReadBody, GathersShortReadsUntilTheLengthOrTheEnd) {
  const std::string body = "LatestVersion='2.0' UpdateLink='http://x.test/'";
  TScriptedReader pieces(body, 7);
  EXPECT_EQ(ReadBody(pieces, body.size()), body);
  EXPECT_EQ(pieces.Requests.size(), (body.size() + 6) / 7);

  TScriptedReader longer(body + "tail not announced");
  EXPECT_EQ(ReadBody(longer, body.size()), body);

  TScriptedReader shorter(body, 5);
  EXPECT_EQ(ReadBody(shorter, kDefaultBodySize), body);
  EXPECT_EQ(shorter.Requests.back(), kDefaultBodySize - body.size());

  TScriptedReader empty("");
  EXPECT_EQ(ReadBody(empty, 0), "");
  EXPECT_EQ(ReadBody(empty, kDefaultBodySize), "");
}

TEST(ReadBody, NeverKeepsMoreThanTheCap) {
  TScriptedReader endless(std::string(4096, 'x'), 1000, true);
  EXPECT_EQ(ReadBody(endless, kMaxTextSize * 4).size(), kMaxTextSize);
  for (size_t request : endless.Requests)
    EXPECT_LE(request, kMaxTextSize);
}

TEST(ReadBody, TextEndsAtTheFirstNul) {
  TScriptedReader reader(std::string("abc\0def", 7));
  EXPECT_EQ(ReadBody(reader, 7), "abc");
}

TEST(ReadPieces, ReadsPiecesUntilAnEmptyRead) {
  std::string data;
  for (int i = 0; data.size() < 1500; ++i)
    data += "line " + std::to_string(i) + "\n";
  TScriptedReader whole(data);
  EXPECT_EQ(ReadPieces(whole), data);
  for (size_t request : whole.Requests)
    EXPECT_EQ(request, kFilePieceSize);
  EXPECT_EQ(whole.Requests.size(), data.size() / kFilePieceSize + 2);

  TScriptedReader trickle(data, 100);
  EXPECT_EQ(ReadPieces(trickle), data);

  TScriptedReader nul(std::string("ab\0cd", 5));
  EXPECT_EQ(ReadPieces(nul), "ab");

  TScriptedReader endless(std::string(1000, 'y'), 0, true);
  EXPECT_EQ(ReadPieces(endless).size(), kMaxTextSize);
}

// A reader that writes fewer bytes than it reports: what it did not write is never taken from
// an earlier read or from uninitialised memory, and the text ends where its bytes end.
TEST(ReadPieces, AReadClaimingMoreThanItWroteEndsTheText) {
  class TOverclaimingReader : public TByteReader {
  public:
    size_t Read(char *buffer, size_t size) override {
      ++reads_;
      if (reads_ == 1) {
        const size_t n = std::min(size, kFilePieceSize);
        std::memset(buffer, 'x', n);
        return n;
      }
      if (reads_ == 2) {
        buffer[0] = 'a';
        buffer[1] = 'b';
        return size + 100;
      }
      return 0;
    }

  private:
    int reads_ = 0;
  };
  TOverclaimingReader pieces;
  EXPECT_EQ(ReadPieces(pieces), std::string(kFilePieceSize, 'x') + "ab");
  TOverclaimingReader body;
  EXPECT_EQ(ReadBody(body, 2 * kFilePieceSize), std::string(kFilePieceSize, 'x') + "ab");
}
