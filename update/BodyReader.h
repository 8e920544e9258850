// Reading the version text from a byte stream: an HTTP body or a file.
#pragma once

#include <cstddef>
#include <string>

namespace update {

// The most the program keeps of any version text, whatever a server announces.
constexpr size_t kMaxTextSize = size_t{1024} * 1024;
// The body size read when the server announces no content length.
constexpr size_t kDefaultBodySize = 2000;
// Files are read in pieces of at most this many bytes.
constexpr size_t kFilePieceSize = 511;

class TByteReader {
public:
  virtual ~TByteReader() = default;
  // Reads up to size bytes into buffer; 0 at the end of the data or on failure.
  virtual size_t Read(char *buffer, size_t size) = 0;
};

// The number of body bytes to read for a content-length text (decimal, leading blanks and a
// sign allowed, as atol reads it), or nullptr when the server sent none. Negative lengths read
// nothing; lengths over kMaxTextSize are capped.
size_t BodySize(const char *contentLength);

// Reads until size bytes have arrived or the reader ends, however few bytes each read gives.
// The text ends at the first NUL.
std::string ReadBody(TByteReader &reader, size_t size);

// Reads kFilePieceSize pieces until a read gives nothing (or kMaxTextSize bytes have arrived).
// The text ends at the first NUL.
std::string ReadPieces(TByteReader &reader);

} // namespace update
