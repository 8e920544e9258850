// Fetching a version text over HTTP: redirects followed by the program itself, at most
// kMaxRedirects of them and only to web addresses, and a body read that fails when the
// connection does (a time-out) rather than passing for a short text.
#pragma once

#include "update/BodyReader.h"

#include <cstdint>
#include <string>

namespace update {

// The most redirects followed for one version text.
constexpr int kMaxRedirects = 10;
// The most one download may take, redirects included: a server that trickles its answer, each
// byte within the connection's time-outs, still ends as a failed download.
constexpr uint64_t kDownloadDeadlineMs = 120000;

// A monotonic clock in milliseconds.
using TMsClock = uint64_t (*)();
uint64_t SteadyMs();

// One HTTP request at a time, redirects not followed.
class THttpClient : public TByteReader {
public:
  // Sends a GET for address; false when no answer came (refused, timed out, bad address).
  virtual bool Send(const std::string &address) = 0;
  // The answer's status code (0 when unknown) and Location header ("" when none).
  virtual int StatusCode() = 0;
  virtual std::string Location() = 0;
  // The announced content length text; false when the server sent none.
  virtual bool ContentLength(std::string &text) = 0;
  // True when a Read of this answer failed (it then returned 0).
  virtual bool ReadFailed() const = 0;
  // Ends the request.
  virtual void Finish() = 0;
  // The next Send or Read may wait at most ms for the server (the time left of the download).
  virtual void LimitWait(uint64_t ms) { static_cast<void>(ms); }
};

// True for the status codes that carry a Location to follow.
bool IsRedirect(int status);

// True for an "http://" or "https://" address (scheme in any case) with something after it.
bool IsWebAddress(const std::string &address);

// The absolute address a Location header names, relative to the address that answered.
std::string ResolveLocation(const std::string &base, const std::string &location);

// Fetches the body at address, following redirects. False when the download failed: no
// answer, a failed read, more than kMaxRedirects redirects, a redirect to anything but a web
// address, or kDownloadDeadlineMs passed on clock.
bool Fetch(THttpClient &client, const std::string &address, std::string &text,
           TMsClock clock = SteadyMs);

} // namespace update
