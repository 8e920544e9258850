// acm_batch_bench FILE [FRAMES...]: times the Audio Compression Manager's Layer-3 codec on one
// file, fed FRAMES whole frames per acmStreamConvert (default 1, 8 and 32), and the library's
// own decoding path; prints the seconds spent in the conversion calls, their count, the output
// bytes and a checksum of the output per run.
#include "tools/qlnxaudio/ByteSource.h"
#include "tools/qlnxaudio/DecodeStream.h"
#include "tools/qlnxaudio/FrameReader.h"

#include <windows.h>

#include <mmsystem.h>

#include <mmreg.h>

#include <msacm.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace {

constexpr DWORD kFrameOut = 4608; // 1152 stereo 16-bit samples

double Now() {
  LARGE_INTEGER count;
  LARGE_INTEGER rate;
  QueryPerformanceCounter(&count);
  QueryPerformanceFrequency(&rate);
  return static_cast<double>(count.QuadPart) / static_cast<double>(rate.QuadPart);
}

struct TResult {
  double Seconds = 0;
  long Calls = 0;
  uint64_t Bytes = 0;
  uint32_t Sum = 2166136261u; // FNV-1a of the output
  void Add(const uint8_t *data, size_t size) {
    for (size_t i = 0; i < size; ++i)
      Sum = (Sum ^ data[i]) * 16777619u;
    Bytes += size;
  }
};

// Converts frames (their bytes back to back, starts at their offsets) batch frames per call.
bool RunAcm(const qlnx::TFrameHeader &format, const std::vector<uint8_t> &bytes,
            const std::vector<size_t> &starts, size_t batch, TResult &result) {
  MPEGLAYER3WAVEFORMAT mp3{};
  mp3.wfx.wFormatTag = WAVE_FORMAT_MPEGLAYER3;
  mp3.wfx.nChannels = static_cast<WORD>(format.Channels);
  mp3.wfx.nSamplesPerSec = format.SampleRate;
  mp3.wfx.nAvgBytesPerSec = format.Bitrate != 0 ? format.Bitrate / 8 : 40000;
  mp3.wfx.nBlockAlign = 1;
  mp3.wfx.cbSize = MPEGLAYER3_WFX_EXTRA_BYTES;
  mp3.wID = MPEGLAYER3_ID_MPEG;
  mp3.fdwFlags = MPEGLAYER3_FLAG_PADDING_ISO;
  mp3.nBlockSize = static_cast<WORD>(format.FrameBytes != 0 ? format.FrameBytes : 1);
  mp3.nFramesPerBlock = 1;
  WAVEFORMATEX pcm{};
  pcm.wFormatTag = WAVE_FORMAT_PCM;
  pcm.nChannels = static_cast<WORD>(format.Channels);
  pcm.nSamplesPerSec = format.SampleRate;
  pcm.wBitsPerSample = 16;
  pcm.nBlockAlign = static_cast<WORD>(format.Channels * 2);
  pcm.nAvgBytesPerSec = format.SampleRate * pcm.nBlockAlign;
  HACMSTREAM stream = nullptr;
  if (acmStreamOpen(&stream, nullptr, &mp3.wfx, &pcm, nullptr, 0, 0, ACM_STREAMOPENF_NONREALTIME) !=
      0)
    return false;
  const DWORD target = static_cast<DWORD>(batch + 2) * kFrameOut;
  std::vector<uint8_t> source(batch * qlnx::kMaxFrameBytes);
  std::vector<uint8_t> out(target);
  ACMSTREAMHEADER header{};
  header.cbStruct = sizeof header;
  header.pbSrc = source.data();
  header.cbSrcLength = static_cast<DWORD>(source.size());
  header.pbDst = out.data();
  header.cbDstLength = target;
  bool ok = acmStreamPrepareHeader(stream, &header, 0) == 0;
  DWORD flags = ACM_STREAMCONVERTF_BLOCKALIGN | ACM_STREAMCONVERTF_START;
  for (size_t first = 0; ok && first <= starts.size(); first += batch) {
    const bool last = first >= starts.size();
    size_t size = 0;
    if (!last) {
      const size_t end = first + batch < starts.size() ? starts[first + batch] : bytes.size();
      size = end - starts[first];
      std::memcpy(source.data(), bytes.data() + starts[first], size);
    } else {
      flags = ACM_STREAMCONVERTF_END;
    }
    for (int round = 0; ok && round < 64; ++round) { // drain while the output comes back full
      header.cbSrcLength = static_cast<DWORD>(size);
      header.cbDstLength = target;
      header.cbSrcLengthUsed = header.cbDstLengthUsed = 0;
      const double start = Now();
      ok = acmStreamConvert(stream, &header, flags) == 0;
      result.Seconds += Now() - start;
      ++result.Calls;
      result.Add(out.data(), header.cbDstLengthUsed);
      size -= header.cbSrcLengthUsed <= size ? header.cbSrcLengthUsed : size;
      flags &= ~static_cast<DWORD>(ACM_STREAMCONVERTF_START);
      if (header.cbDstLengthUsed < target)
        break;
    }
    if (last)
      break;
  }
  header.cbSrcLength = static_cast<DWORD>(source.size());
  header.cbDstLength = target;
  acmStreamUnprepareHeader(stream, &header, 0);
  acmStreamClose(stream, 0);
  return ok;
}

} // namespace

int main(int argc, char **argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: acm_batch_bench FILE [FRAMES...]\n");
    return 2;
  }
  std::vector<size_t> batches;
  for (int i = 2; i < argc; ++i)
    batches.push_back(std::strtoul(argv[i], nullptr, 10));
  if (batches.empty())
    batches = {1, 8, 32};
  auto source = qlnx::OpenFileSource(argv[1]);
  if (source == nullptr) {
    std::fprintf(stderr, "acm_batch_bench: cannot open %s\n", argv[1]);
    return 1;
  }
  const double start = Now();
  qlnx::TFrameReader reader(*source);
  if (!reader.Start()) {
    std::fprintf(stderr, "acm_batch_bench: no Layer III stream\n");
    return 1;
  }
  std::vector<uint8_t> bytes;
  std::vector<size_t> starts;
  qlnx::TFrame frame;
  while (reader.Next(frame)) {
    starts.push_back(bytes.size());
    bytes.insert(bytes.end(), frame.Bytes, frame.Bytes + frame.Size);
  }
  const qlnx::TFrameHeader format = reader.Format();
  const double audio =
      static_cast<double>(starts.size()) * format.SamplesPerFrame / format.SampleRate;
  std::printf("%zu frames, %.1f s of audio; reading the frames %.3f s\n", starts.size(), audio,
              Now() - start);
  for (size_t batch : batches) {
    TResult r;
    if (batch == 0 || !RunAcm(format, bytes, starts, batch, r)) {
      std::printf("batch %zu: conversion failed\n", batch);
      return 1;
    }
    std::printf("acm batch %3zu: %.3f s (%.0fx real time), %ld calls, %llu bytes, sum %08x\n",
                batch, r.Seconds, audio / r.Seconds, r.Calls,
                static_cast<unsigned long long>(r.Bytes), static_cast<unsigned>(r.Sum));
  }
  // The library's path: frame reader, backend and trim, read in 27-sector pieces.
  auto again = qlnx::OpenFileSource(argv[1]);
  qlnx::TDecodeStream stream(*again);
  TResult r;
  if (stream.Open() == 0) {
    std::vector<uint8_t> piece(27 * 2352);
    for (size_t got;;) {
      const double from = Now();
      got = stream.Read(piece.data(), piece.size());
      r.Seconds += Now() - from;
      if (got == 0)
        break;
      r.Add(piece.data(), got);
    }
  }
  std::printf("library stream: %.3f s (%.0fx real time), %llu bytes, sum %08x\n", r.Seconds,
              audio / r.Seconds, static_cast<unsigned long long>(r.Bytes),
              static_cast<unsigned>(r.Sum));
  return 0;
}
