#include "applet/recording/XAudio.h"

#include "applet/platform/Platform.h"

#include <cstring>

namespace recording {

namespace {

constexpr size_t kEntryPoints = sizeof kXAudioEntryPoints / sizeof kXAudioEntryPoints[0];

TXAudioBinding &Binding() {
  static TXAudioBinding binding;
  return binding;
}

// A looked-up symbol as the function pointer type it has.
template <typename TFunction> TFunction As(void *symbol) {
  static_assert(sizeof(TFunction) == sizeof symbol, "function and data pointers differ");
  TFunction function;
  std::memcpy(&function, &symbol, sizeof function);
  return function;
}

struct TPump {
  TMeasurePump Call = nullptr;
  void *Context = nullptr;
};

TPump &MeasurePump() {
  static TPump pump;
  return pump;
}

} // namespace

const TXAudioBinding &XAudio() { return Binding(); }

EDecoderUnavailable::EDecoderUnavailable()
    : std::runtime_error(std::string("The MP3 decoder library \"") + kDecoderLibraryName +
                         "\" is not loaded") {}

void BindDecoder() {
  TXAudioBinding &binding = Binding();
  if (binding.Library != nullptr)
    return;
  platform::TPlatform &system = platform::Platform();
  void *library = system.LoadDynamicLibrary(kDecoderLibraryName);
  if (library == nullptr)
    return;
  void *symbols[kEntryPoints];
  bool complete = true;
  for (size_t i = 0; i < kEntryPoints; ++i) {
    symbols[i] = system.LibrarySymbol(library, kXAudioEntryPoints[i]);
    complete = complete && symbols[i] != nullptr;
  }
  TXAudioDecoder *decoder = nullptr;
  const auto decoderNew = As<TDecoderNew>(symbols[1]);
  if (!complete || decoderNew(&decoder) != 0 || decoder == nullptr) {
    system.FreeDynamicLibrary(library);
    return;
  }
  TXAudioBinding bound;
  bound.Library = library;
  bound.FileInputModuleRegister = As<TFileInputModuleRegister>(symbols[0]);
  bound.DecoderNew = decoderNew;
  bound.DecoderDelete = As<TDecoderDelete>(symbols[2]);
  bound.DecoderInputModuleRegister = As<TDecoderInputModuleRegister>(symbols[3]);
  bound.DecoderInputNew = As<TDecoderInputNew>(symbols[4]);
  bound.DecoderInputDelete = As<TDecoderInputDelete>(symbols[5]);
  bound.DecoderInputOpen = As<TDecoderInputOpen>(symbols[6]);
  bound.DecoderInputClose = As<TDecoderInputClose>(symbols[7]);
  bound.DecoderInputRead = As<TDecoderInputRead>(symbols[8]);
  bound.DecoderOutputModuleRegister = As<TDecoderOutputModuleRegister>(symbols[9]);
  bound.DecoderOutputNew = As<TDecoderOutputNew>(symbols[10]);
  bound.DecoderOutputDelete = As<TDecoderOutputDelete>(symbols[11]);
  bound.DecoderOutputOpen = As<TDecoderOutputOpen>(symbols[12]);
  bound.DecoderOutputClose = As<TDecoderOutputClose>(symbols[13]);
  bound.DecoderOutputWrite = As<TDecoderOutputWrite>(symbols[14]);
  bound.DecoderDecode = As<TDecoderDecode>(symbols[15]);
  bound.Decoder = decoder;
  bound.Generation = binding.Generation + 1;
  binding = bound;
  // The descriptor lives in the binding, where the library may keep referring to it.
  binding.FileInputModuleRegister(&binding.FileInputModule);
  binding.DecoderInputModuleRegister(binding.Decoder, &binding.FileInputModule);
}

void UnbindDecoder() {
  TXAudioBinding &binding = Binding();
  if (binding.Library == nullptr)
    return;
  binding.DecoderDelete(binding.Decoder);
  platform::Platform().FreeDynamicLibrary(binding.Library);
  const uint32_t generation = binding.Generation;
  binding = TXAudioBinding{};
  binding.Generation = generation;
}

bool DecoderBound() { return Binding().Library != nullptr; }

std::string DecoderLibraryFile() {
  return platform::Platform().LibraryFileName(kDecoderLibraryName);
}

void MonoToStereo(uint8_t *pcm, uint32_t size) {
  constexpr size_t kSampleBytes = 2;
  for (size_t i = size / kSampleBytes; i-- > 0;) {
    const uint8_t lo = pcm[i * kSampleBytes], hi = pcm[i * kSampleBytes + 1];
    uint8_t *frame = pcm + i * 2 * kSampleBytes;
    frame[0] = frame[2] = lo;
    frame[1] = frame[3] = hi;
  }
}

void SetMeasurePump(TMeasurePump pump, void *context) { MeasurePump() = {pump, context}; }

int64_t DecodedSize(const std::string &fileName, TDecodedFormat *format) {
  if (!DecoderBound())
    throw EDecoderUnavailable();
  const TXAudioBinding &x = XAudio();
  TXAudioDecoder *decoder = x.Decoder;
  const uint32_t generation = x.Generation;
  const TPump pump = MeasurePump();
  platform::TPlatform &system = platform::Platform();
  uint32_t pumped = system.TickCount();
  x.DecoderInputNew(decoder, fileName.c_str(), kAnyInputModule);
  int status = x.DecoderInputOpen(decoder);
  int64_t count = 0;
  if (status == 0) {
    int empty = 0;
    do {
      if (pump.Call != nullptr && system.TickCount() - pumped >= kMeasurePumpMs) {
        pump.Call(pump.Context);
        pumped = system.TickCount();
        if (!DecoderBound() || XAudio().Generation != generation)
          return count; // unbound by a cancel: its input went with the decoder
      }
      status = x.DecoderDecode(decoder, nullptr);
      const uint32_t size = decoder->Output.Size;
      if (size > kMaxDecodeBytes)
        break; // more than a call may deliver: the library is not to be trusted further
      count += decoder->Output.Channels == 1 ? 2 * int64_t{size} : size;
      if (format && decoder->Output.SampleRate != 0) {
        format->SampleRate = decoder->Output.SampleRate;
        format->Channels = decoder->Output.Channels;
      }
      empty = status == 0 && size == 0 ? empty + 1 : 0;
    } while (status == 0 && empty < kMaxEmptyDecodes);
  }
  x.DecoderInputClose(decoder);
  x.DecoderInputDelete(decoder);
  return count;
}

} // namespace recording
