#pragma once
// The quick way through a run data line: finds the time and the nine value
// tokens of a line with byte masks built 16 bytes at a time, and converts the
// plain decimal tokens ("-12.5", "0.0", "10095") eight characters at a time.
// It only answers for lines and tokens it is sure about and says "no" to the
// rest (commas, semicolons, missing values, long or odd numbers, a line end
// too close); those go through the exact reader (grad_file_reader.cpp), which
// defines the meaning. Never allocates, never reads files.
#include <cstdint>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace kvl::linescan {

// Bytes the scanner reads from a line's first character on; the caller makes
// sure that many bytes are readable (not that they belong to the line).
inline constexpr std::size_t kReadAhead = 144;
// Bytes classified per line at most: the time and nine values must end inside.
inline constexpr int kWindow = 128;
// Tokens taken: the time and the nine values.
inline constexpr int kTokens = 10;

// 10^k for k = 0..22: every one is exact in a double.
inline constexpr double kPow10[23] = {1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,  1e8,  1e9,  1e10, 1e11,
                                      1e12, 1e13, 1e14, 1e15, 1e16, 1e17, 1e18, 1e19, 1e20, 1e21, 1e22};

// One bit per byte of 64: `sep` marks everything at or below the space
// character and commas and semicolons, `blank` spaces and tabs.
inline void Classify(const char* p, std::uint64_t& sep, std::uint64_t& blank) {
  sep = blank = 0;
#if defined(__SSE2__)
  const __m128i top = _mm_set1_epi8(' '), tab = _mm_set1_epi8('\t'), comma = _mm_set1_epi8(','),
                semicolon = _mm_set1_epi8(';');
  for (int j = 0; j < 4; ++j) {
    const __m128i c = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + 16 * j));
    const __m128i low = _mm_cmpeq_epi8(_mm_max_epu8(c, top), top);
    const __m128i s = _mm_or_si128(low, _mm_or_si128(_mm_cmpeq_epi8(c, comma), _mm_cmpeq_epi8(c, semicolon)));
    const __m128i b = _mm_or_si128(_mm_cmpeq_epi8(c, top), _mm_cmpeq_epi8(c, tab));
    sep |= std::uint64_t(unsigned(_mm_movemask_epi8(s))) << (16 * j);
    blank |= std::uint64_t(unsigned(_mm_movemask_epi8(b))) << (16 * j);
  }
#else
  for (int i = 0; i < 64; ++i) {
    const auto c = static_cast<unsigned char>(p[i]);
    if (c <= ' ' || c == ',' || c == ';') sep |= std::uint64_t(1) << i;
    if (c == ' ' || c == '\t') blank |= std::uint64_t(1) << i;
  }
#endif
}

// Token i of a line is [pos[2i], pos[2i + 1]) as offsets from the line's first character.
struct LineTokens {
  std::uint8_t pos[2 * kTokens];
  unsigned Begin(int i) const { return pos[2 * i]; }
  unsigned End(int i) const { return pos[2 * i + 1]; }
};

// Splits the line starting at p (its first character is neither blank nor CR)
// when its first ten tokens are separated by spaces and tabs only and end
// inside the window, before any other character at or below the space and
// before any comma or semicolon. Then the tokens are what the exact reader
// takes as the time and the nine values.
inline bool SplitLine(const char* p, LineTokens& out) {
  int n = 0;
  std::uint64_t before = 0;  // the previous word's token bits
  for (int word = 0; word < kWindow / 64; ++word) {
    std::uint64_t sep, blank;
    Classify(p + 64 * word, sep, blank);
    const std::uint64_t token = ~sep, stop = sep & ~blank;
    // A bit where a token starts or just ended, up to the first stop.
    std::uint64_t edges = token ^ ((token << 1) | (before >> 63));
    if (stop) edges &= stop ^ (stop - 1);
    const auto base = std::uint8_t(64 * word);
    for (; edges && n < 2 * kTokens; edges &= edges - 1) out.pos[n++] = std::uint8_t(base + __builtin_ctzll(edges));
    if (n >= 2 * kTokens) return true;
    if (stop) return false;
    before = token;
  }
  return false;
}

// Eight ASCII digits, the first the most significant, as a number.
inline std::uint64_t EightDigits(std::uint64_t w) {
  constexpr std::uint64_t kMask = 0x000000FF000000FFull;
  constexpr std::uint64_t kMul1 = 100 + (1000000ull << 32);
  constexpr std::uint64_t kMul2 = 1 + (10000ull << 32);
  w -= 0x3030303030303030ull;
  w = w * 10 + (w >> 8);
  return (((w & kMask) * kMul1) + (((w >> 16) & kMask) * kMul2)) >> 32;
}

// A token of an optional sign and at most eight characters of digits with at
// most one point, at least one of them a digit, converted as the C library's
// strtod does: the digits form an exact integer, the point divides it by an
// exact power of ten, and the one division rounds correctly. False for any
// other token. len >= 1; reads eight bytes from the first character after the sign.
inline bool PlainDecimal(const char* t, unsigned len, double* value) {
  const bool neg = t[0] == '-';
  const unsigned sign = unsigned(neg || t[0] == '+');
  t += sign;
  len -= sign;
  if (len - 1 > 7) return false;  // 0 or more than 8 characters
  std::uint64_t w;
  std::memcpy(&w, t, 8);
  // The token's characters to the top bytes, '0' before them.
  w <<= 8 * (8 - len);
  w |= (0x3030303030303030ull >> (8 * len - 8)) >> 8;
  int fraction = 0;
  const std::uint64_t y = w ^ 0x2E2E2E2E2E2E2E2Eull;
  const std::uint64_t point = (y - 0x0101010101010101ull) & ~y & 0x8080808080808080ull;
  if (point) {
    if (len == 1) return false;
    // The lowest marked byte is the first point; a second one fails the digit test.
    const int k = __builtin_ctzll(point) / 8;
    const std::uint64_t below = (std::uint64_t(1) << (8 * k)) - 1;
    w = ((w & below) << 8) | (w & ~((below << 8) | 0xFF)) | 0x30;
    fraction = 7 - k;
  }
  constexpr std::uint64_t kHigh = 0xF0F0F0F0F0F0F0F0ull, kThrees = 0x3030303030303030ull;
  if (((w & kHigh) ^ kThrees) | (((w + 0x0606060606060606ull) & kHigh) ^ kThrees)) return false;
  const std::uint64_t m = EightDigits(w);
  double v = fraction ? double(m) / kPow10[fraction] : double(m);
  *value = neg ? -v : v;
  return true;
}

}  // namespace kvl::linescan
