// Binding of the MP3 decoder library "qlnxaudio.dll", loaded by name when a recording starts.
// The process has one binding and one decoder object, so at most one input (a DecodedSize
// pass or one TGetMP3DecodedData) is open at a time.
#pragma once

#include "applet/common/WorkingNames.h"

#include <cstdint>
#include <stdexcept>
#include <string>

namespace recording {

constexpr const char *kDecoderLibraryName = common::kDecoderName;
// The most one decode call delivers, and the size of the input module descriptor.
constexpr uint32_t kMaxDecodeBytes = 4608;
constexpr size_t kInputModuleBytes = 44;
constexpr int kAnyInputModule = -1;

// The library's C interface as the adapter calls it. The decoder object starts with the
// description of the PCM that the last decode call delivered.
struct TXAudioOutputBuffer {
  void *Pcm;
  uint32_t Size; // bytes delivered by the last decode call
  uint32_t SampleRate;
  uint32_t Channels;
  uint32_t BitsPerSample;
};
struct TXAudioDecoder {
  TXAudioOutputBuffer Output;
  void *State;
};
struct TXAudioInputModule {
  uint8_t Bytes[kInputModuleBytes];
};
struct TXAudioOutputModule; // the application's sink; the adapter has none

using TFileInputModuleRegister = int (*)(TXAudioInputModule *module);
using TDecoderNew = int (*)(TXAudioDecoder **decoder);
using TDecoderDelete = int (*)(TXAudioDecoder *decoder);
using TDecoderInputModuleRegister = int (*)(TXAudioDecoder *decoder,
                                            const TXAudioInputModule *module);
using TDecoderInputNew = int (*)(TXAudioDecoder *decoder, const char *name, int module);
using TDecoderInputDelete = int (*)(TXAudioDecoder *decoder);
using TDecoderInputOpen = int (*)(TXAudioDecoder *decoder);
using TDecoderInputClose = int (*)(TXAudioDecoder *decoder);
using TDecoderInputRead = int (*)(TXAudioDecoder *decoder, void *buffer, uint32_t size);
using TDecoderOutputModuleRegister = int (*)(TXAudioDecoder *decoder,
                                             const TXAudioOutputModule *module);
using TDecoderOutputNew = int (*)(TXAudioDecoder *decoder, const char *name, int module);
using TDecoderOutputDelete = int (*)(TXAudioDecoder *decoder);
using TDecoderOutputOpen = int (*)(TXAudioDecoder *decoder);
using TDecoderOutputClose = int (*)(TXAudioDecoder *decoder);
using TDecoderOutputWrite = int (*)(TXAudioDecoder *decoder, const void *pcm, uint32_t size);
using TDecoderDecode = int (*)(TXAudioDecoder *decoder, void *buffer);

// The entry points in the order they are looked up.
constexpr const char *kXAudioEntryPoints[16] = {
    "file_input_module_register",
    "decoder_new",
    "decoder_delete",
    "decoder_input_module_register",
    "decoder_input_new",
    "decoder_input_delete",
    "decoder_input_open",
    "decoder_input_close",
    "decoder_input_read",
    "decoder_output_module_register",
    "decoder_output_new",
    "decoder_output_delete",
    "decoder_output_open",
    "decoder_output_close",
    "decoder_output_write",
    "decoder_decode",
};

// The process-wide binding; empty (all null) while unbound.
struct TXAudioBinding {
  void *Library = nullptr;
  TFileInputModuleRegister FileInputModuleRegister = nullptr;
  TDecoderNew DecoderNew = nullptr;
  TDecoderDelete DecoderDelete = nullptr;
  TDecoderInputModuleRegister DecoderInputModuleRegister = nullptr;
  TDecoderInputNew DecoderInputNew = nullptr;
  TDecoderInputDelete DecoderInputDelete = nullptr;
  TDecoderInputOpen DecoderInputOpen = nullptr;
  TDecoderInputClose DecoderInputClose = nullptr;
  TDecoderInputRead DecoderInputRead = nullptr;
  TDecoderOutputModuleRegister DecoderOutputModuleRegister = nullptr;
  TDecoderOutputNew DecoderOutputNew = nullptr;
  TDecoderOutputDelete DecoderOutputDelete = nullptr;
  TDecoderOutputOpen DecoderOutputOpen = nullptr;
  TDecoderOutputClose DecoderOutputClose = nullptr;
  TDecoderOutputWrite DecoderOutputWrite = nullptr;
  TDecoderDecode DecoderDecode = nullptr;
  TXAudioDecoder *Decoder = nullptr;
  TXAudioInputModule FileInputModule{};
  // Counts bindings, so a reader notices that the decoder it opened is gone.
  uint32_t Generation = 0;
};

const TXAudioBinding &XAudio();

// Raised by an MP3 import or read while no decoder library is bound.
class EDecoderUnavailable : public std::runtime_error {
public:
  EDecoderUnavailable();
};

// Loads the library and creates the decoder. When the library cannot be loaded, lacks an
// entry point or cannot create a decoder, the binding stays empty. Does nothing while bound.
void BindDecoder();
// Deletes the decoder and unloads the library.
void UnbindDecoder();
bool DecoderBound();
// The decoder library's file as this platform looks for it, for messages.
std::string DecoderLibraryFile();

// What the decoder said of a stream's PCM (0 when it said nothing).
struct TDecodedFormat {
  uint32_t SampleRate = 0;
  uint32_t Channels = 0;
};
constexpr uint32_t kCdSampleRate = 44100;

// The measuring pass: asks the library for the file's PCM byte count call by call, without
// output (the library measures without decoding), and returns it (0 when the file cannot be
// opened), counting mono as the stereo it is recorded as. Raises EDecoderUnavailable while
// unbound. A measuring pump set while it runs is called at least every kMeasurePumpMs; when
// the pump leaves the decoder unbound (a cancel), the pass stops with the count so far.
int64_t DecodedSize(const std::string &fileName, TDecodedFormat *format = nullptr);

constexpr uint32_t kMeasurePumpMs = 50;
// The pump the measuring pass calls (main thread: window messages), or null for none.
using TMeasurePump = void (*)(void *context);
void SetMeasurePump(TMeasurePump pump, void *context);

// Doubles size bytes of 16-bit mono PCM at pcm into stereo in place (pcm holds 2 * size).
void MonoToStereo(uint8_t *pcm, uint32_t size);

// For the reader: the most consecutive decode calls that succeed without output before the
// stream is taken as ended (a defence against a library that never reports its end).
constexpr int kMaxEmptyDecodes = 64;

} // namespace recording
