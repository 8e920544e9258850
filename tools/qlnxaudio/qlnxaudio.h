/* qlnxaudio: decodes MP3 files (MPEG-1, -2 and -2.5 audio, Layer III) to 16-bit PCM.
 *
 * A decoder object holds at most one input and one output at a time. An input is a file
 * reached through a registered input module; every decoder_decode call delivers the next
 * piece of the file's PCM (at most QLNX_MAX_DECODE_BYTES bytes, interleaved, native byte
 * order, at the file's own rate and channel count) and describes it in decoder->output.
 * The encoder delay and padding that a Xing/LAME info frame declares are trimmed, and the
 * info frame itself carries no audio, so a file gives exactly the samples that were encoded.
 *
 * Every function returns QLNX_OK (0) on success and a negative QLNX_ERR_* code on failure;
 * decoder_decode returns QLNX_END once the stream has no more audio. Calls on one decoder
 * must not overlap. On POSIX systems a backslash in a file name is read as '/'. */
#ifndef QLNXAUDIO_H
#define QLNXAUDIO_H

#include <stdint.h>

#if defined(QLNX_BUILDING) && defined(_WIN32)
#define QLNX_API __declspec(dllexport)
#elif defined(QLNX_BUILDING)
#define QLNX_API __attribute__((visibility("default")))
#else
#define QLNX_API
#endif

#ifdef __cplusplus
extern "C" {
#endif

enum {
  QLNX_OK = 0,
  QLNX_END = 1,            /* decoder_decode: no more audio in this input */
  QLNX_ERR_ARGUMENT = -1,  /* a null pointer or a value out of range */
  QLNX_ERR_NO_MEMORY = -2, /* out of memory */
  QLNX_ERR_NO_MODULE = -3, /* no registered module fits the request */
  QLNX_ERR_STATE = -4,     /* the call does not fit the object's state */
  QLNX_ERR_OPEN = -5,      /* the file cannot be opened or read */
  QLNX_ERR_FORMAT = -6,    /* the file holds no MPEG Layer III stream */
  QLNX_ERR_BACKEND = -7,   /* the platform's decoder failed */
  QLNX_ERR_OUTPUT = -8     /* the output module failed */
};

/* The most one decoder_decode call delivers: 1152 samples of two 16-bit channels. */
#define QLNX_MAX_DECODE_BYTES 4608
/* Module number for decoder_input_new and decoder_output_new: the first module that fits. */
#define QLNX_MODULE_ANY (-1)
/* The kind of input module that file_input_module_register describes. */
#define QLNX_INPUT_KIND_FILE 1

/* The PCM that the last decoder_decode call delivered. */
typedef struct qlnx_output_buffer {
  void *pcm;                /* where it lies: the caller's buffer or the decoder's own */
  uint32_t size;            /* bytes delivered; 0 when the call delivered nothing */
  uint32_t sample_rate;     /* of the open input, 0 without one */
  uint32_t channels;        /* 1 or 2; 0 without an input */
  uint32_t bits_per_sample; /* 16 */
} qlnx_output_buffer;

typedef struct qlnx_decoder_state qlnx_decoder_state;

typedef struct qlnx_decoder {
  qlnx_output_buffer output;
  qlnx_decoder_state *state; /* private to the library */
} qlnx_decoder;

/* An input module descriptor (44 bytes, the same on every platform). */
typedef struct qlnx_input_module {
  uint32_t size;    /* sizeof(qlnx_input_module) */
  uint32_t kind;    /* QLNX_INPUT_KIND_FILE */
  uint32_t version; /* of the module */
  char name[32];    /* null-terminated */
} qlnx_input_module;

/* An output module: the application's sink for decoded PCM. */
typedef struct qlnx_output_module {
  uint32_t size; /* sizeof(qlnx_output_module) */
  void *context; /* handed to every callback */
  /* Called by decoder_output_open with the output's name and the input's format. */
  int (*open)(void *context, const char *name, const qlnx_output_buffer *format);
  int (*write)(void *context, const void *pcm, uint32_t size);
  void (*close)(void *context);
} qlnx_output_module;

/* Fills a descriptor of the file input module. */
QLNX_API int file_input_module_register(qlnx_input_module *module);

/* Creates a decoder; *decoder is null on failure. */
QLNX_API int decoder_new(qlnx_decoder **decoder);
/* Closes and deletes the decoder's input and output, then the decoder. */
QLNX_API int decoder_delete(qlnx_decoder *decoder);

/* Makes an input module available to the decoder; returns its number (0, 1, ...). */
QLNX_API int decoder_input_module_register(qlnx_decoder *decoder, const qlnx_input_module *module);
/* Names the input (a file name) and the module that reads it (or QLNX_MODULE_ANY). */
QLNX_API int decoder_input_new(qlnx_decoder *decoder, const char *name, int module);
QLNX_API int decoder_input_delete(qlnx_decoder *decoder);
/* Opens the input and finds its first frame; output's rate and channels describe it. */
QLNX_API int decoder_input_open(qlnx_decoder *decoder);
QLNX_API int decoder_input_close(qlnx_decoder *decoder);
/* Reads the open input's next raw bytes (from its start, apart from decoding); returns the
 * count, 0 at its end. */
QLNX_API int decoder_input_read(qlnx_decoder *decoder, void *buffer, uint32_t size);

/* Makes an output module available to the decoder; returns its number (0, 1, ...). */
QLNX_API int decoder_output_module_register(qlnx_decoder *decoder,
                                            const qlnx_output_module *module);
QLNX_API int decoder_output_new(qlnx_decoder *decoder, const char *name, int module);
QLNX_API int decoder_output_delete(qlnx_decoder *decoder);
QLNX_API int decoder_output_open(qlnx_decoder *decoder);
QLNX_API int decoder_output_close(qlnx_decoder *decoder);
/* Hands PCM to the open output. */
QLNX_API int decoder_output_write(qlnx_decoder *decoder, const void *pcm, uint32_t size);

/* Decodes the next piece of PCM into buffer (which must hold QLNX_MAX_DECODE_BYTES bytes), or
 * into the decoder's own buffer when buffer is null and an output is open; an open output
 * receives it too. Returns QLNX_OK, QLNX_END when the input is exhausted, or an error;
 * output.size is the number of bytes delivered by this call.
 * With a null buffer and no open output the call measures instead: it takes the next frame
 * from the input and reports in output.size (output.pcm null) the bytes of PCM that frame
 * gives, from its header and the trim alone, without decoding. Measuring an input to its end
 * totals exactly the bytes that decoding it delivers: every frame found gives its full count
 * of samples, and a frame the decoder cannot decode gives silence. */
QLNX_API int decoder_decode(qlnx_decoder *decoder, void *buffer);

#ifdef __cplusplus
}
#endif

#endif
