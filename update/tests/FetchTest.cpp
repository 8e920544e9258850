#include "update/Fetch.h"

#include <gtest/gtest.h>

#include <map>
#include <vector>

using namespace update;

namespace {
struct TAnswer {
  int Status = 200;
  std::string Location;
  std::string Body;
  const char *Length = nullptr; // the announced content length
  bool ReadFails = false;       // the connection times out after the body
  uint64_t ByteEveryMs = 0;     // a trickle: one byte a read, this long on the fake clock
};

uint64_t gNow = 0;
uint64_t FakeMs() { return gNow; }

// A server of fixed answers by address; an address it does not know gets no answer.
class TFakeClient : public THttpClient {
public:
  bool Send(const std::string &address) override {
    Requests.push_back(address);
    EXPECT_FALSE(open_) << "the previous request was not ended";
    const auto found = Answers.find(address);
    if (found == Answers.end())
      return false;
    open_ = true;
    answer_ = found->second;
    at_ = 0;
    failed_ = false;
    return true;
  }
  int StatusCode() override { return answer_.Status; }
  std::string Location() override { return answer_.Location; }
  bool ContentLength(std::string &text) override {
    if (answer_.Length == nullptr)
      return false;
    text = answer_.Length;
    return true;
  }
  size_t Read(char *buffer, size_t size) override {
    size_t n = std::min(size, answer_.Body.size() - at_);
    if (answer_.ByteEveryMs != 0) {
      n = std::min<size_t>(n, 1);
      gNow += answer_.ByteEveryMs;
    }
    if (n == 0 && answer_.ReadFails)
      failed_ = true;
    answer_.Body.copy(buffer, n, at_);
    at_ += n;
    return n;
  }
  bool ReadFailed() const override { return failed_; }
  void Finish() override { open_ = false; }

  std::map<std::string, TAnswer> Answers;
  std::vector<std::string> Requests;

private:
  TAnswer answer_;
  size_t at_ = 0;
  bool failed_ = false;
  bool open_ = false;
};

// A chain of redirects /r0 -> /r1 -> ... -> /rN that ends in a page.
void Chain(TFakeClient &client, int redirects) {
  for (int i = 0; i < redirects; ++i)
    client.Answers["http://h/r" + std::to_string(i)] = {302, "/r" + std::to_string(i + 1), "", "0"};
  client.Answers["http://h/r" + std::to_string(redirects)] = {200, "", "page", "4"};
}
} // namespace

TEST(Fetch, RedirectsTimeOutsAndFailures) {
  const struct {
    const char *Name;
    int Redirects; // a chain of this length; -1: a loop to the same address
    bool ReadFails;
    bool Ok;
    size_t Requests;
  } cases[] = {
      {"plain page", 0, false, true, 1},
      {"one redirect", 1, false, true, 2},
      {"ten redirects", 10, false, true, 11},
      {"eleven redirects", 11, false, false, 11},
      {"a redirect loop", -1, false, false, 11},
      {"a read that times out", 0, true, false, 1},
      {"a time-out after a redirect", 2, true, false, 3},
  };
  for (const auto &c : cases) {
    TFakeClient client;
    if (c.Redirects >= 0)
      Chain(client, c.Redirects);
    else
      client.Answers["http://h/r0"] = {302, "http://h/r0", "", nullptr};
    if (c.ReadFails) {
      TAnswer &last = client.Answers["http://h/r" + std::to_string(c.Redirects)];
      last.ReadFails = true;
      last.Length = "50";
    }
    std::string text = "old";
    EXPECT_EQ(Fetch(client, "http://h/r0", text), c.Ok) << c.Name;
    EXPECT_EQ(text, c.Ok ? "page" : "") << c.Name;
    EXPECT_EQ(client.Requests.size(), c.Requests) << c.Name;
  }
}

TEST(Fetch, WhatIsNotFollowed) {
  TFakeClient client;
  std::string text;
  // No answer at all.
  EXPECT_FALSE(Fetch(client, "http://h/none", text));
  // A redirect away from the web is a failed download, not a request.
  client.Answers["http://h/away"] = {302, "file:///c:/boot.ini", "", "0"};
  EXPECT_FALSE(Fetch(client, "http://h/away", text));
  EXPECT_EQ(client.Requests, (std::vector<std::string>{"http://h/none", "http://h/away"}));
  // A redirect without a Location, and any other status, are read as the page.
  client.Answers["http://h/bare"] = {302, "", "moved LatestVersion='1'", nullptr};
  EXPECT_TRUE(Fetch(client, "http://h/bare", text));
  EXPECT_EQ(text, "moved LatestVersion='1'");
  client.Answers["http://h/missing"] = {404, "/elsewhere", "not found", "9"};
  EXPECT_TRUE(Fetch(client, "http://h/missing", text));
  EXPECT_EQ(text, "not found");
  // The announced length still bounds the read.
  client.Answers["http://h/long"] = {200, "", "0123456789", "4"};
  EXPECT_TRUE(Fetch(client, "http://h/long", text));
  EXPECT_EQ(text, "0123");
}

// A server that sends a byte every 29 s (each within the connection's time-outs) ends as a failed
// download at the deadline; one that ends in time is read whole.
TEST(Fetch, ADownloadEndsAtItsDeadline) {
  for (const uint64_t every : {uint64_t{29000}, uint64_t{1000}}) {
    TFakeClient client;
    client.Answers["http://h/slow"] = {200, "", std::string(100, 'x'), "100", false, every};
    gNow = 5;
    std::string text;
    const bool inTime = every * 100 < kDownloadDeadlineMs;
    EXPECT_EQ(inTime, Fetch(client, "http://h/slow", text, FakeMs)) << every;
    EXPECT_EQ(inTime ? 100u : 0u, text.size()) << every;
    EXPECT_LE(gNow, 5 + kDownloadDeadlineMs + every) << every;
  }
}

TEST(ResolveLocation, AgainstTheAnsweringAddress) {
  const struct {
    const char *Base;
    const char *Location;
    const char *Resolved;
  } cases[] = {
      {"http://h:8/a/b.htm", "https://o/x", "https://o/x"},
      {"http://h:8/a/b.htm", "HTTP://o/x", "HTTP://o/x"},
      {"http://h:8/a/b.htm", "//o/x", "http://o/x"},
      {"https://h/a/b.htm", "//o/x", "https://o/x"},
      {"http://h:8/a/b.htm", "/x?y=1", "http://h:8/x?y=1"},
      {"http://h:8/a/b.htm?q=1", "c.htm", "http://h:8/a/c.htm"},
      {"http://h:8/a/b.htm", "?q=2", "http://h:8/a/b.htm?q=2"},
      {"http://h:8", "c.htm", "http://h:8/c.htm"},
      {"http://h:8?q", "/c.htm", "http://h:8/c.htm"},
      {"http://h/a/", "file:///etc/passwd", "file:///etc/passwd"},
      {"http://h/a/", "C:\\x.bat", "C:\\x.bat"},
      {"http://h/a/", "b:c", "b:c"},
      {"http://h/a/", "./b:c", "http://h/a/./b:c"},
  };
  for (const auto &c : cases)
    EXPECT_EQ(ResolveLocation(c.Base, c.Location), c.Resolved) << c.Base << " " << c.Location;
}
