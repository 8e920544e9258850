// The method table of the codec driver, indexed by the member's method index.
#include "applet/package/CompThreadSafety.h"
#include "applet/package/Lh5.h"
#include "applet/package/Lzh.h"
#include "applet/package/Rle.h"

namespace package {

namespace {
const TCodecMethod kCodecs[kMethodCount] = {
    {StoredCopy, StoredDecode},                                   // "NON"
    {RleEncode, RleDecode},                                       // "RLE"
    {LzhEncode<TCompThreadSafety>, LzhDecode<TCompThreadSafety>}, // "LZH"
    {nullptr, nullptr}, // "CUS": the component's OnCompress and OnExpand events
    {Lh5Encode<TCompThreadSafety>, Lh5Decode<TCompThreadSafety>}, // "LH5"
};
const TCodecMethod kNoCodec = {nullptr, nullptr};
} // namespace

const TCodecMethod &CodecMethod(uint8_t methodIndex) {
  return methodIndex < kMethodCount ? kCodecs[methodIndex] : kNoCodec;
}

bool CodecAvailable(uint8_t methodIndex) {
  const TCodecMethod &m = CodecMethod(methodIndex);
  return m.Encode != nullptr && m.Decode != nullptr;
}

} // namespace package
