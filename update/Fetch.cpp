#include "update/Fetch.h"

#include <cctype>
#include <chrono>

namespace update {

namespace {
constexpr char kHttp[] = "http://";
constexpr char kHttps[] = "https://";
constexpr size_t kHttpLength = sizeof kHttp - 1;
constexpr size_t kHttpsLength = sizeof kHttps - 1;

bool StartsWithNoCase(const std::string &text, const char *prefix, size_t length) {
  if (text.size() < length)
    return false;
  for (size_t i = 0; i < length; ++i)
    if (std::tolower(static_cast<unsigned char>(text[i])) != prefix[i])
      return false;
  return true;
}

// The length of "scheme://" of a web address, 0 for anything else.
size_t SchemeLength(const std::string &address) {
  if (StartsWithNoCase(address, kHttp, kHttpLength))
    return kHttpLength;
  if (StartsWithNoCase(address, kHttps, kHttpsLength))
    return kHttpsLength;
  return 0;
}

// True when address begins with a scheme name and ":" (any scheme, not only the web's).
bool HasScheme(const std::string &address) {
  const size_t colon = address.find(':');
  if (colon == 0 || colon == std::string::npos ||
      !std::isalpha(static_cast<unsigned char>(address[0])))
    return false;
  for (size_t i = 1; i < colon; ++i) {
    const unsigned char c = static_cast<unsigned char>(address[i]);
    if (!std::isalnum(c) && c != '+' && c != '-' && c != '.')
      return false;
  }
  return true;
}

// Ends the request however the scope is left.
class TFinish {
public:
  explicit TFinish(THttpClient &client) : client_(client) {}
  ~TFinish() { client_.Finish(); }
  TFinish(const TFinish &) = delete;
  TFinish &operator=(const TFinish &) = delete;

private:
  THttpClient &client_;
};

// The client's reads until the download's deadline; then no more bytes, and Expired.
class TDeadlineReader : public TByteReader {
public:
  TDeadlineReader(THttpClient &client, TMsClock clock, uint64_t deadline)
      : client_(client), clock_(clock), deadline_(deadline) {}
  size_t Read(char *buffer, size_t size) override {
    const uint64_t now = clock_();
    if (now >= deadline_) {
      expired_ = true;
      return 0;
    }
    client_.LimitWait(deadline_ - now);
    return client_.Read(buffer, size);
  }
  bool Expired() const { return expired_; }

private:
  THttpClient &client_;
  TMsClock clock_;
  uint64_t deadline_;
  bool expired_ = false;
};
} // namespace

uint64_t SteadyMs() {
  return static_cast<uint64_t>(std::chrono::duration_cast<std::chrono::milliseconds>(
                                   std::chrono::steady_clock::now().time_since_epoch())
                                   .count());
}

bool IsRedirect(int status) {
  return status == 301 || status == 302 || status == 303 || status == 307 || status == 308;
}

bool IsWebAddress(const std::string &address) {
  const size_t scheme = SchemeLength(address);
  return scheme != 0 && address.size() > scheme;
}

std::string ResolveLocation(const std::string &base, const std::string &location) {
  if (HasScheme(location) || location.empty())
    return location;
  const size_t scheme = SchemeLength(base);
  if (scheme == 0)
    return location;
  if (location.compare(0, 2, "//") == 0)
    return base.substr(0, scheme - 2) + location;
  const size_t pathStart = base.find_first_of("/?#", scheme);
  const std::string origin = base.substr(0, pathStart);
  if (location[0] == '/')
    return origin + location;
  std::string path = pathStart == std::string::npos ? "/" : base.substr(pathStart);
  path = path.substr(0, path.find_first_of("?#"));
  if (location[0] == '?' || location[0] == '#')
    return origin + path + location;
  return origin + path.substr(0, path.rfind('/') + 1) + location;
}

bool Fetch(THttpClient &client, const std::string &address, std::string &text, TMsClock clock) {
  text.clear();
  const uint64_t deadline = clock() + kDownloadDeadlineMs;
  std::string at = address;
  for (int redirects = 0;; ++redirects) {
    const uint64_t now = clock();
    if (now >= deadline)
      return false;
    client.LimitWait(deadline - now);
    if (!client.Send(at))
      return false;
    TFinish finish(client);
    const std::string location = client.Location();
    if (!IsRedirect(client.StatusCode()) || location.empty()) {
      std::string length;
      const bool announced = client.ContentLength(length);
      TDeadlineReader reader(client, clock, deadline);
      text = ReadBody(reader, BodySize(announced ? length.c_str() : nullptr));
      if (client.ReadFailed() || reader.Expired()) {
        text.clear();
        return false;
      }
      return true;
    }
    at = ResolveLocation(at, location);
    if (redirects == kMaxRedirects || !IsWebAddress(at))
      return false;
  }
}

} // namespace update
