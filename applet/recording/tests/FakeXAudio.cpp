#include "applet/recording/tests/FakeXAudio.h"

#include <cstring>
#include <utility>

namespace recording::fake {

namespace {

template <typename TFunction> void *Symbol(TFunction function) {
  void *symbol;
  static_assert(sizeof symbol == sizeof function, "function and data pointers differ");
  std::memcpy(&symbol, &function, sizeof symbol);
  return symbol;
}

int Record(const char *name) {
  Library().Calls.emplace_back(name);
  return 0;
}

int Decode(TXAudioDecoder *decoder, void *buffer) {
  TFakeLibrary &lib = Library();
  lib.Calls.emplace_back("decoder_decode");
  if (lib.OnDecode != nullptr)
    lib.OnDecode();
  auto *out = buffer != nullptr ? static_cast<uint8_t *>(buffer) : lib.Own;
  decoder->Output.Pcm = out;
  const bool more = lib.NextPiece < lib.Pieces.size();
  if (!more && lib.ClaimTooMuch) {
    decoder->Output.Size = 10 * kMaxDecodeBytes;
    return 0;
  }
  if (!more && lib.EndlessSilence) {
    decoder->Output.Size = 0;
    return 0;
  }
  const uint32_t n = more ? lib.Pieces[lib.NextPiece++] : std::exchange(lib.FinalPiece, 0);
  for (uint32_t i = 0; i < n; ++i)
    out[i] = FakeStreamByte(lib.Position + i);
  lib.Position += n;
  decoder->Output.Size = n;
  return more ? 0 : 1;
}

const std::pair<const char *, void *> kEntryPoints[] = {
    {"file_input_module_register", Symbol<TFileInputModuleRegister>([](TXAudioInputModule *) {
       return Record("file_input_module_register");
     })},
    {"decoder_new", Symbol<TDecoderNew>([](TXAudioDecoder **decoder) {
       Record("decoder_new");
       *decoder = Library().NewStatus == 0 ? &Library().Decoder : nullptr;
       return Library().NewStatus;
     })},
    {"decoder_delete",
     Symbol<TDecoderDelete>([](TXAudioDecoder *) { return Record("decoder_delete"); })},
    {"decoder_input_module_register",
     Symbol<TDecoderInputModuleRegister>([](TXAudioDecoder *, const TXAudioInputModule *) {
       return Record("decoder_input_module_register");
     })},
    {"decoder_input_new", Symbol<TDecoderInputNew>([](TXAudioDecoder *, const char *, int) {
       return Record("decoder_input_new");
     })},
    {"decoder_input_delete",
     Symbol<TDecoderInputDelete>([](TXAudioDecoder *) { return Record("decoder_input_delete"); })},
    {"decoder_input_open", Symbol<TDecoderInputOpen>([](TXAudioDecoder *) {
       Record("decoder_input_open");
       return Library().OpenStatus;
     })},
    {"decoder_input_close",
     Symbol<TDecoderInputClose>([](TXAudioDecoder *) { return Record("decoder_input_close"); })},
    {"decoder_input_read", Symbol<TDecoderInputRead>([](TXAudioDecoder *, void *, uint32_t) {
       return Record("decoder_input_read");
     })},
    {"decoder_output_module_register",
     Symbol<TDecoderOutputModuleRegister>([](TXAudioDecoder *, const TXAudioOutputModule *) {
       return Record("decoder_output_module_register");
     })},
    {"decoder_output_new", Symbol<TDecoderOutputNew>([](TXAudioDecoder *, const char *, int) {
       return Record("decoder_output_new");
     })},
    {"decoder_output_delete", Symbol<TDecoderOutputDelete>([](TXAudioDecoder *) {
       return Record("decoder_output_delete");
     })},
    {"decoder_output_open",
     Symbol<TDecoderOutputOpen>([](TXAudioDecoder *) { return Record("decoder_output_open"); })},
    {"decoder_output_close",
     Symbol<TDecoderOutputClose>([](TXAudioDecoder *) { return Record("decoder_output_close"); })},
    {"decoder_output_write",
     Symbol<TDecoderOutputWrite>(
         [](TXAudioDecoder *, const void *, uint32_t) { return Record("decoder_output_write"); })},
    {"decoder_decode", Symbol<TDecoderDecode>(Decode)},
};

} // namespace

uint8_t FakeStreamByte(uint32_t index) { return static_cast<uint8_t>(index * 31 + (index >> 9)); }

int TFakeLibrary::DecodeCalls() const {
  int n = 0;
  for (const std::string &call : Calls)
    n += call == "decoder_decode" ? 1 : 0;
  return n;
}

TFakeLibrary &Library() {
  static TFakeLibrary library;
  return library;
}

TFakeLibraryPlatform::TFakeLibraryPlatform() { Library() = TFakeLibrary{}; }

void *TFakeLibraryPlatform::LoadDynamicLibrary(const std::string &name) {
  Loaded.push_back(name);
  return Present ? &handle_ : nullptr;
}

void *TFakeLibraryPlatform::LibrarySymbol(void *library, const char *symbol) {
  LookedUp.emplace_back(symbol);
  if (library != &handle_ || Missing == symbol)
    return nullptr;
  for (const auto &entry : kEntryPoints)
    if (std::strcmp(entry.first, symbol) == 0)
      return entry.second;
  return nullptr;
}

void TFakeLibraryPlatform::FreeDynamicLibrary(void *library) {
  if (library == &handle_)
    ++Freed;
}

} // namespace recording::fake
