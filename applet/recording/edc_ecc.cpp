#include "applet/recording/edc_ecc.h"

#include "applet/recording/SectorLayout.h"

#include <memory>

namespace recording {

namespace {

constexpr uint32_t kEdcPolynomial = 0xD8018001u; // (x^16+x^15+x^2+1)(x^16+x^2+x+1), reflected
constexpr unsigned kFieldPolynomial = 0x11D;     // x^8 + x^4 + x^3 + x^2 + 1
constexpr unsigned kFieldSize = 256;
constexpr unsigned kFieldOrder = 255; // multiplicative group
constexpr uint8_t kAlpha = 0x02;
constexpr size_t kEdcSlices = 4;

// The product code over bytes 12-2351, seen as 16-bit words in two byte planes.
constexpr size_t kPlanes = 2;
constexpr size_t kPData = 24;         // P vector: 24 data bytes, 2 parity bytes
constexpr size_t kPColumns = 86;      // byte columns of the P code (43 words x 2 planes)
constexpr size_t kQData = 43;         // Q vector: 43 data bytes, 2 parity bytes
constexpr size_t kQDiagonals = 26;    // per plane
constexpr size_t kQCovered = 2236;    // bytes 12-2247
constexpr size_t kQDiagonalStep = 86; // byte offset between diagonals (43 words)
constexpr size_t kQElementStep = 88;  // byte offset between elements (44 words)
constexpr size_t kQPositions = 6020;  // offsets 86d + 88r (+1), wrapped over the Q bytes
static_assert(kQPositions > (kQDiagonals - 1) * kQDiagonalStep + (kQData - 1) * kQElementStep + 1,
              "position table too short");
constexpr size_t kQSecondParity = kQDiagonals * kPlanes; // 52: offset of the second parity row

// EDC: Edc[0] is the byte-wise CRC table; Edc[1..3] advance it over further bytes so that four
// bytes take four independent look-ups. P and Q: entry [r][v] holds, in its low and high byte,
// what data byte v at position r adds to the first and to the second parity byte.
struct TEccTables {
  uint32_t Edc[kEdcSlices][kFieldSize];
  uint16_t P[kPData][kFieldSize];
  uint16_t Q[kQData][kFieldSize];
  uint16_t QPosition[kQPositions];
};

struct TField {
  uint8_t Exp[2 * kFieldOrder];
  uint8_t Log[kFieldSize];

  TField() : Exp(), Log() {
    unsigned x = 1;
    for (unsigned i = 0; i < kFieldOrder; ++i) {
      Exp[i] = Exp[i + kFieldOrder] = static_cast<uint8_t>(x);
      Log[x] = static_cast<uint8_t>(i);
      x <<= 1;
      if (x & kFieldSize)
        x ^= kFieldPolynomial;
    }
  }
  uint8_t Mul(uint8_t a, uint8_t b) const { return a && b ? Exp[Log[a] + Log[b]] : 0; }
  uint8_t Div(uint8_t a, uint8_t b) const {
    return a ? Exp[(Log[a] + kFieldOrder - Log[b]) % kFieldOrder] : 0;
  }
  uint8_t Pow(unsigned k) const { return Exp[k % kFieldOrder]; }
};

// Coefficient rows of a code of n data bytes and two parity bytes whose check matrix is
// [1 ... 1; a^(n+1) ... a^1 a^0]: parity0 = sum c0[i] d[i], parity1 = sum c1[i] d[i].
void FillCode(const TField &f, size_t n, uint16_t (*table)[kFieldSize]) {
  const uint8_t onePlusAlpha = 1 ^ kAlpha;
  for (size_t i = 0; i < n; ++i) {
    const uint8_t weight = f.Pow(static_cast<unsigned>(n + 1 - i));
    const uint8_t c0 = f.Div(1 ^ weight, onePlusAlpha);
    const uint8_t c1 = f.Div(kAlpha ^ weight, onePlusAlpha);
    for (unsigned v = 0; v < kFieldSize; ++v) {
      const uint8_t value = static_cast<uint8_t>(v);
      table[i][v] = static_cast<uint16_t>(f.Mul(value, c0) | f.Mul(value, c1) << 8);
    }
  }
}

void BuildTables(TEccTables &t) {
  for (uint32_t i = 0; i < kFieldSize; ++i) {
    uint32_t r = i;
    for (int bit = 0; bit < 8; ++bit)
      r = (r >> 1) ^ ((r & 1) ? kEdcPolynomial : 0);
    t.Edc[0][i] = r;
  }
  for (size_t slice = 1; slice < kEdcSlices; ++slice)
    for (uint32_t i = 0; i < kFieldSize; ++i) {
      const uint32_t previous = t.Edc[slice - 1][i];
      t.Edc[slice][i] = (previous >> 8) ^ t.Edc[0][previous & 0xFFu];
    }
  const TField field;
  FillCode(field, kPData, t.P);
  FillCode(field, kQData, t.Q);
  for (size_t i = 0; i < kQPositions; ++i)
    t.QPosition[i] = static_cast<uint16_t>(i % kQCovered);
}

const TEccTables &Tables() {
  // On the heap, filled at the first use: a static object would take its 50 KB in the program
  // image.
  static const std::unique_ptr<TEccTables> tables = [] {
    auto t = std::make_unique<TEccTables>();
    BuildTables(*t);
    return t;
  }();
  return *tables;
}

} // namespace

void InitEccTables() { Tables(); }

uint32_t EdcOf(const uint8_t *data, size_t size) {
  const auto &t = Tables().Edc;
  uint32_t r = 0;
  size_t i = 0;
  for (; i + kEdcSlices <= size; i += kEdcSlices) {
    r ^= static_cast<uint32_t>(data[i]) | static_cast<uint32_t>(data[i + 1]) << 8 |
         static_cast<uint32_t>(data[i + 2]) << 16 | static_cast<uint32_t>(data[i + 3]) << 24;
    r = t[3][r & 0xFFu] ^ t[2][(r >> 8) & 0xFFu] ^ t[1][(r >> 16) & 0xFFu] ^ t[0][r >> 24];
  }
  for (; i < size; ++i)
    r = t[0][(r ^ data[i]) & 0xFFu] ^ (r >> 8);
  return r;
}

void ComputeEDC(uint8_t *sector, device::TTrackMode mode) {
  if (mode != device::TTrackMode::Mode1)
    return;
  const uint32_t edc = EdcOf(sector, kEdcOffset);
  for (size_t i = 0; i < kEdcSize; ++i)
    sector[kEdcOffset + i] = static_cast<uint8_t>(edc >> (8 * i));
}

void ComputeParityP(uint8_t *sector) {
  const TEccTables &t = Tables();
  const uint8_t *data = sector + kHeaderOffset;
  uint8_t *parity = sector + kParityPOffset;
  for (size_t column = 0; column < kPColumns; ++column) {
    unsigned pair = 0;
    for (size_t r = 0; r < kPData; ++r)
      pair ^= t.P[r][data[column + kPColumns * r]];
    parity[column] ^= static_cast<uint8_t>(pair);
    parity[kPColumns + column] ^= static_cast<uint8_t>(pair >> 8);
  }
}

void ComputeParityQ(uint8_t *sector) {
  const TEccTables &t = Tables();
  uint8_t *data = sector + kHeaderOffset;
  uint8_t *parity = sector + kParityQOffset;
  for (size_t d = 0; d < kQDiagonals; ++d) {
    for (size_t plane = 0; plane < kPlanes; ++plane) {
      unsigned pair = 0;
      const uint16_t *position = t.QPosition + kQDiagonalStep * d + plane;
      for (size_t r = 0; r < kQData; ++r)
        pair ^= t.Q[r][data[position[kQElementStep * r]]];
      parity[kPlanes * d + plane] ^= static_cast<uint8_t>(pair);
      parity[kQSecondParity + kPlanes * d + plane] ^= static_cast<uint8_t>(pair >> 8);
    }
  }
}

} // namespace recording
