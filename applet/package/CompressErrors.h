// The archive component's exception classes, each with its fixed message.
#pragma once

#include <exception>
#include <string>

namespace package {

// The base of every exception the component raises.
class Exception : public std::exception {
public:
  explicit Exception(std::string message) : message_(std::move(message)) {}
  const char *what() const noexcept override { return message_.c_str(); }
  const std::string &Message() const { return message_; }

private:
  std::string message_;
};

class EInvalidHeader : public Exception {
public:
  EInvalidHeader() : Exception("Can't recognize compressed file header") {}
};

class EInvalidHeaderArchiveType : public Exception {
public:
  EInvalidHeaderArchiveType() : Exception("Archive type must be caMulti") {}
};

class EUnrecognizedCompressionMethod : public Exception {
public:
  explicit EUnrecognizedCompressionMethod(const std::string &id)
      : Exception("Unrecognized compression method: \"" + id + "\" in header") {}
};

class EInsufficientDiskSpace : public Exception {
public:
  explicit EInsufficientDiskSpace(const std::string &path)
      : Exception("Not enough disk space to expand " + path) {}
};

class EBadChecksum : public Exception {
public:
  EBadChecksum() : Exception("Bad checksum during expansion -- data may be invalid") {}
};

class EInvalidKey : public Exception {
public:
  EInvalidKey() : Exception("File locked -- valid key required") {}
};

class EUnableToCompress : public Exception {
public:
  EUnableToCompress() : Exception("Could not compress data, will store instead") {}
};

class ELZHBadDecodeTable : public Exception {
public:
  ELZHBadDecodeTable() : Exception("Bad decode table in archive!") {}
};

} // namespace package
