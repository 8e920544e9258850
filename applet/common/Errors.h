// The base exception of the applet's own exceptions and the file-open failure that the file
// helpers, the listing reader and the archive streams share.
#pragma once

#include <exception>
#include <string>
#include <utility>

namespace common {

class Exception : public std::exception {
public:
  explicit Exception(std::string message) : message_(std::move(message)) {}
  const char *what() const noexcept override { return message_.c_str(); }
  const std::string &Message() const { return message_; }

private:
  std::string message_;
};

// Stream and file failures.
class EStreamError : public Exception {
public:
  explicit EStreamError(std::string message, int osError = 0)
      : Exception(std::move(message)), osError_(osError) {}
  // The C library's error number of the failed call (errno), 0 when unknown.
  int OsError() const { return osError_; }

private:
  int osError_;
};

// A file could not be opened for reading.
class EFOpenError : public EStreamError {
public:
  explicit EFOpenError(const std::string &path)
      : EStreamError("Cannot open file \"" + path + "\"") {}
};

} // namespace common
