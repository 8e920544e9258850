// A stand-in for the decoder library: a platform that serves its sixteen entry points by name,
// records every call, and decodes a scripted stream whose byte i is FakeStreamByte(i).
#pragma once

#include "applet/recording/XAudio.h"
#include "tests/support/TestSupport.h"

#include <string>
#include <vector>

namespace recording::fake {

uint8_t FakeStreamByte(uint32_t index);

struct TFakeLibrary {
  std::vector<std::string> Calls;
  // Bytes handed out by the decode calls in turn; then one failing call hands out FinalPiece.
  std::vector<uint32_t> Pieces;
  uint32_t FinalPiece = 0;
  bool EndlessSilence = false;  // after Pieces: succeed with no output, forever
  bool ClaimTooMuch = false;    // after Pieces: report more output than a call may deliver
  void (*OnDecode)() = nullptr; // called by every decode call
  int OpenStatus = 0;
  int NewStatus = 0;
  size_t NextPiece = 0;
  uint32_t Position = 0;
  TXAudioDecoder Decoder{};
  uint8_t Own[kMaxDecodeBytes] = {};

  int DecodeCalls() const;
};

// The library of the running test.
TFakeLibrary &Library();

class TFakeLibraryPlatform : public testsupport::TFakePlatform {
public:
  TFakeLibraryPlatform();
  void *LoadDynamicLibrary(const std::string &name) override;
  void *LibrarySymbol(void *library, const char *symbol) override;
  void FreeDynamicLibrary(void *library) override;

  bool Present = true;
  std::string Missing; // an entry point the library lacks
  std::vector<std::string> Loaded;
  std::vector<std::string> LookedUp;
  int Freed = 0;

private:
  int handle_ = 0;
};

} // namespace recording::fake
