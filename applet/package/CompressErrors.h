// The archive component's exception classes, each with its fixed message.
#pragma once

#include "applet/common/Errors.h"

#include <string>

namespace package {

// The base of every exception the component raises, and the shared stream failures.
using common::EFOpenError;
using common::EStreamError;
using common::Exception;

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

// Members are counted in signed 32-bit sizes, so an archive holds less than 2 GiB.
class EArchiveTooLarge : public Exception {
public:
  explicit EArchiveTooLarge(const std::string &path)
      : Exception("Archive would reach 2 GiB with " + path) {}
};

class EFCreateError : public EStreamError {
public:
  explicit EFCreateError(const std::string &path, int osError = 0)
      : EStreamError("Cannot create file \"" + path + "\"", osError) {}
};

class EReadError : public EStreamError {
public:
  EReadError() : EStreamError("Stream read error") {}
};

class EWriteError : public EStreamError {
public:
  explicit EWriteError(int osError = 0) : EStreamError("Stream write error", osError) {}
};

// A folder of a member's path could not be created.
class EInOutError : public Exception {
public:
  explicit EInOutError(const std::string &path) : Exception("Cannot create folder " + path) {}
};

} // namespace package
