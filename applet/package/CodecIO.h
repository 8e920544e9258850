// The contract between the codec driver and the codecs.
//
// A codec is a function template over the driver's byte channel IO, which provides:
//   uint8_t ReadByte();          // next input byte; 0 with EndOfInput() true once input is over
//   bool EndOfInput() const;     // set by the ReadByte call that found no more input
//   void WriteByte(uint8_t b);   // may throw EUnableToCompress when the output budget is spent
//
// Encoders read until EndOfInput(); decoders stop after uncompressedSize output bytes (or when
// the input ends). The "LZH" and "LH5" codecs are declared here:
//   template <class IO> void LzhEncode(IO &io);
//   template <class IO> void LzhDecode(IO &io, uint32_t uncompressedSize);
//   template <class IO> void Lh5Encode(IO &io);
//   template <class IO> void Lh5Decode(IO &io, uint32_t uncompressedSize);
// in Lzh.h and Lh5.h; damaged LH5 tables raise ELZHBadDecodeTable.
#pragma once

#include <cstdint>
