// The library's C interface over the decode stream: decoder objects with their modules, one
// input and one output each.
#include "tools/qlnxaudio/qlnxaudio.h"

#include "tools/qlnxaudio/DecodeStream.h"

#include <cstring>
#include <new>
#include <string>

namespace {

constexpr uint32_t kFileModuleVersion = 1;
constexpr uint32_t kBitsPerSample = 16;

struct TInput {
  std::string Name;
  int Module = 0;
  std::unique_ptr<qlnx::TByteSource> Source; // set while open
  std::unique_ptr<qlnx::TDecodeStream> Stream;
  uint64_t RawPosition = 0;
};

struct TOutput {
  std::string Name;
  int Module = 0;
  bool Open = false;
};

// Picks a registered module: a number in range, or the first one for QLNX_MODULE_ANY.
template <typename TModules> int PickModule(const TModules &modules, int wanted) {
  if (wanted == QLNX_MODULE_ANY)
    return modules.empty() ? QLNX_ERR_NO_MODULE : 0;
  return wanted >= 0 && static_cast<size_t>(wanted) < modules.size() ? wanted : QLNX_ERR_NO_MODULE;
}

// Runs a call, turning an allocation failure into its code: nothing throws across the interface.
template <typename TCall> int Guarded(qlnx_decoder *decoder, TCall call) {
  if (decoder == nullptr || decoder->state == nullptr)
    return QLNX_ERR_ARGUMENT;
  try {
    return call(*decoder->state);
  } catch (const std::bad_alloc &) {
    return QLNX_ERR_NO_MEMORY;
  } catch (...) {
    return QLNX_ERR_BACKEND;
  }
}

} // namespace

struct qlnx_decoder_state {
  std::vector<qlnx_input_module> InputModules;
  std::vector<qlnx_output_module> OutputModules;
  std::unique_ptr<TInput> Input;
  std::unique_ptr<TOutput> Output;
  uint8_t Own[QLNX_MAX_DECODE_BYTES];
};

namespace {

void DescribeInput(qlnx_decoder &decoder) {
  const TInput *input = decoder.state->Input.get();
  const bool open = input != nullptr && input->Stream != nullptr;
  decoder.output.size = 0;
  decoder.output.sample_rate = open ? input->Stream->SampleRate() : 0;
  decoder.output.channels = open ? input->Stream->Channels() : 0;
  decoder.output.bits_per_sample = kBitsPerSample;
}

void CloseInput(qlnx_decoder_state &state) {
  if (state.Input != nullptr) {
    state.Input->Stream.reset();
    state.Input->Source.reset();
  }
}

void CloseOutput(qlnx_decoder_state &state) {
  if (state.Output != nullptr && state.Output->Open) {
    const qlnx_output_module &module = state.OutputModules[state.Output->Module];
    if (module.close != nullptr)
      module.close(module.context);
    state.Output->Open = false;
  }
}

int WriteOutput(qlnx_decoder_state &state, const void *pcm, uint32_t size) {
  if (state.Output == nullptr || !state.Output->Open)
    return QLNX_ERR_STATE;
  const qlnx_output_module &module = state.OutputModules[state.Output->Module];
  return module.write(module.context, pcm, size) == 0 ? QLNX_OK : QLNX_ERR_OUTPUT;
}

} // namespace

extern "C" {

int file_input_module_register(qlnx_input_module *module) {
  if (module == nullptr)
    return QLNX_ERR_ARGUMENT;
  std::memset(module, 0, sizeof *module);
  module->size = sizeof *module;
  module->kind = QLNX_INPUT_KIND_FILE;
  module->version = kFileModuleVersion;
  std::strncpy(module->name, "file", sizeof module->name - 1);
  return QLNX_OK;
}

int decoder_new(qlnx_decoder **decoder) {
  if (decoder == nullptr)
    return QLNX_ERR_ARGUMENT;
  *decoder = nullptr;
  auto *d = new (std::nothrow) qlnx_decoder{};
  auto *state = new (std::nothrow) qlnx_decoder_state{};
  if (d == nullptr || state == nullptr) {
    delete d;
    delete state;
    return QLNX_ERR_NO_MEMORY;
  }
  d->state = state;
  d->output.bits_per_sample = kBitsPerSample;
  *decoder = d;
  return QLNX_OK;
}

int decoder_delete(qlnx_decoder *decoder) {
  const int result = Guarded(decoder, [](qlnx_decoder_state &state) -> int {
    CloseInput(state);
    CloseOutput(state);
    return QLNX_OK;
  });
  if (result == QLNX_OK) {
    delete decoder->state;
    delete decoder;
  }
  return result;
}

int decoder_input_module_register(qlnx_decoder *decoder, const qlnx_input_module *module) {
  return Guarded(decoder, [module](qlnx_decoder_state &state) -> int {
    if (module == nullptr || module->size != sizeof *module)
      return QLNX_ERR_ARGUMENT;
    if (module->kind != QLNX_INPUT_KIND_FILE)
      return QLNX_ERR_NO_MODULE;
    state.InputModules.push_back(*module);
    return static_cast<int>(state.InputModules.size() - 1);
  });
}

int decoder_input_new(qlnx_decoder *decoder, const char *name, int module) {
  return Guarded(decoder, [name, module](qlnx_decoder_state &state) -> int {
    if (name == nullptr)
      return QLNX_ERR_ARGUMENT;
    if (state.Input != nullptr)
      return QLNX_ERR_STATE;
    const int picked = PickModule(state.InputModules, module);
    if (picked < 0)
      return picked;
    state.Input = std::make_unique<TInput>();
    state.Input->Name = name;
    state.Input->Module = picked;
    return QLNX_OK;
  });
}

int decoder_input_delete(qlnx_decoder *decoder) {
  const int result = Guarded(decoder, [](qlnx_decoder_state &state) -> int {
    if (state.Input == nullptr)
      return QLNX_ERR_STATE;
    CloseInput(state);
    state.Input.reset();
    return QLNX_OK;
  });
  if (result == QLNX_OK)
    DescribeInput(*decoder);
  return result;
}

int decoder_input_open(qlnx_decoder *decoder) {
  const int result = Guarded(decoder, [](qlnx_decoder_state &state) -> int {
    if (state.Input == nullptr || state.Input->Source != nullptr)
      return QLNX_ERR_STATE;
    TInput &input = *state.Input;
    input.Source = qlnx::OpenFileSource(input.Name);
    if (input.Source == nullptr)
      return QLNX_ERR_OPEN;
    input.RawPosition = 0;
    input.Stream = std::make_unique<qlnx::TDecodeStream>(*input.Source);
    const int opened = input.Stream->Open();
    if (opened != QLNX_OK)
      CloseInput(state);
    return opened;
  });
  if (decoder != nullptr && decoder->state != nullptr)
    DescribeInput(*decoder);
  return result;
}

int decoder_input_close(qlnx_decoder *decoder) {
  const int result = Guarded(decoder, [](qlnx_decoder_state &state) -> int {
    if (state.Input == nullptr || state.Input->Source == nullptr)
      return QLNX_ERR_STATE;
    CloseInput(state);
    return QLNX_OK;
  });
  if (result == QLNX_OK)
    DescribeInput(*decoder);
  return result;
}

int decoder_input_read(qlnx_decoder *decoder, void *buffer, uint32_t size) {
  return Guarded(decoder, [buffer, size](qlnx_decoder_state &state) -> int {
    if (buffer == nullptr || size > static_cast<uint32_t>(INT32_MAX))
      return QLNX_ERR_ARGUMENT;
    if (state.Input == nullptr || state.Input->Source == nullptr)
      return QLNX_ERR_STATE;
    TInput &input = *state.Input;
    const int64_t n = input.Source->ReadAt(input.RawPosition, static_cast<uint8_t *>(buffer), size);
    if (n < 0)
      return QLNX_ERR_OPEN;
    input.RawPosition += static_cast<uint64_t>(n);
    return static_cast<int>(n);
  });
}

int decoder_output_module_register(qlnx_decoder *decoder, const qlnx_output_module *module) {
  return Guarded(decoder, [module](qlnx_decoder_state &state) -> int {
    if (module == nullptr || module->size != sizeof *module || module->write == nullptr)
      return QLNX_ERR_ARGUMENT;
    state.OutputModules.push_back(*module);
    return static_cast<int>(state.OutputModules.size() - 1);
  });
}

int decoder_output_new(qlnx_decoder *decoder, const char *name, int module) {
  return Guarded(decoder, [name, module](qlnx_decoder_state &state) -> int {
    if (state.Output != nullptr)
      return QLNX_ERR_STATE;
    const int picked = PickModule(state.OutputModules, module);
    if (picked < 0)
      return picked;
    state.Output = std::make_unique<TOutput>();
    state.Output->Name = name != nullptr ? name : "";
    state.Output->Module = picked;
    return QLNX_OK;
  });
}

int decoder_output_delete(qlnx_decoder *decoder) {
  return Guarded(decoder, [](qlnx_decoder_state &state) -> int {
    if (state.Output == nullptr)
      return QLNX_ERR_STATE;
    CloseOutput(state);
    state.Output.reset();
    return QLNX_OK;
  });
}

int decoder_output_open(qlnx_decoder *decoder) {
  return Guarded(decoder, [decoder](qlnx_decoder_state &state) -> int {
    if (state.Output == nullptr || state.Output->Open)
      return QLNX_ERR_STATE;
    const qlnx_output_module &module = state.OutputModules[state.Output->Module];
    if (module.open != nullptr &&
        module.open(module.context, state.Output->Name.c_str(), &decoder->output) != 0)
      return QLNX_ERR_OUTPUT;
    state.Output->Open = true;
    return QLNX_OK;
  });
}

int decoder_output_close(qlnx_decoder *decoder) {
  return Guarded(decoder, [](qlnx_decoder_state &state) -> int {
    if (state.Output == nullptr || !state.Output->Open)
      return QLNX_ERR_STATE;
    CloseOutput(state);
    return QLNX_OK;
  });
}

int decoder_output_write(qlnx_decoder *decoder, const void *pcm, uint32_t size) {
  return Guarded(decoder, [pcm, size](qlnx_decoder_state &state) -> int {
    if (pcm == nullptr && size != 0)
      return QLNX_ERR_ARGUMENT;
    return WriteOutput(state, pcm, size);
  });
}

int decoder_decode(qlnx_decoder *decoder, void *buffer) {
  if (decoder != nullptr)
    decoder->output.size = 0;
  return Guarded(decoder, [decoder, buffer](qlnx_decoder_state &state) -> int {
    if (state.Input == nullptr || state.Input->Stream == nullptr)
      return QLNX_ERR_STATE;
    const bool output = state.Output != nullptr && state.Output->Open;
    if (buffer == nullptr && !output) {
      // Measuring: the count a decoding call would report, without decoding.
      const size_t n = state.Input->Stream->Measure();
      decoder->output.pcm = nullptr;
      decoder->output.size = static_cast<uint32_t>(n);
      return n == 0 ? static_cast<int>(QLNX_END) : static_cast<int>(QLNX_OK);
    }
    auto *target = buffer != nullptr ? static_cast<uint8_t *>(buffer) : state.Own;
    const size_t n = state.Input->Stream->Read(target, QLNX_MAX_DECODE_BYTES);
    decoder->output.pcm = target;
    decoder->output.size = static_cast<uint32_t>(n);
    if (n == 0)
      return static_cast<int>(QLNX_END);
    if (output)
      return WriteOutput(state, target, decoder->output.size);
    return QLNX_OK;
  });
}

} // extern "C"
