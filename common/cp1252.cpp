#include "common/cp1252.h"

namespace kestro::cp1252 {
namespace {

// Code points of 0x80..0x9F; 0 marks the five unassigned bytes.
const unsigned short k80[32] = {0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
                                0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0,      0x017D, 0,
                                0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
                                0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178};

unsigned CodePoint(unsigned char c) {
  if (c >= 0x80 && c < 0xA0 && k80[c - 0x80]) return k80[c - 0x80];
  return c;
}

// The Windows-1252 byte of a code point, or -1.
int ByteOf(unsigned cp) {
  if (cp < 0x80 || (cp >= 0xA0 && cp <= 0xFF)) return static_cast<int>(cp);
  for (int i = 0; i < 32; ++i)
    if (k80[i] ? k80[i] == cp : cp == 0x80u + static_cast<unsigned>(i)) return 0x80 + i;
  return -1;
}

// Decodes one UTF-8 sequence at in[0..n); returns its length, or 0 when it
// is not valid (overlong forms, surrogates and values past U+10FFFF are not).
size_t Decode(const unsigned char* in, size_t n, unsigned* cp) {
  unsigned char c = in[0];
  size_t len;
  unsigned v, min;
  if (c < 0x80) {
    *cp = c;
    return 1;
  } else if ((c & 0xE0) == 0xC0) {
    len = 2, v = c & 0x1F, min = 0x80;
  } else if ((c & 0xF0) == 0xE0) {
    len = 3, v = c & 0x0F, min = 0x800;
  } else if ((c & 0xF8) == 0xF0) {
    len = 4, v = c & 0x07, min = 0x10000;
  } else {
    return 0;
  }
  if (len > n) return 0;
  for (size_t i = 1; i < len; ++i) {
    if ((in[i] & 0xC0) != 0x80) return 0;
    v = (v << 6) | (in[i] & 0x3F);
  }
  if (v < min || v > 0x10FFFF || (v >= 0xD800 && v <= 0xDFFF)) return 0;
  *cp = v;
  return len;
}

}  // namespace

size_t ToUtf8(const char* in, size_t n, char* out, size_t cap) {
  size_t w = 0;
  const unsigned char* p = reinterpret_cast<const unsigned char*>(in);
  for (size_t k = 0; k < n; ++k) {
    unsigned cp = CodePoint(p[k]);
    unsigned char b[3];
    size_t len;
    if (cp < 0x80) {
      b[0] = static_cast<unsigned char>(cp), len = 1;
    } else if (cp < 0x800) {
      b[0] = static_cast<unsigned char>(0xC0 | (cp >> 6));
      b[1] = static_cast<unsigned char>(0x80 | (cp & 0x3F));
      len = 2;
    } else {
      b[0] = static_cast<unsigned char>(0xE0 | (cp >> 12));
      b[1] = static_cast<unsigned char>(0x80 | ((cp >> 6) & 0x3F));
      b[2] = static_cast<unsigned char>(0x80 | (cp & 0x3F));
      len = 3;
    }
    if (w + len >= cap) return static_cast<size_t>(-1);
    for (size_t i = 0; i < len; ++i) out[w++] = static_cast<char>(b[i]);
  }
  if (w >= cap) return static_cast<size_t>(-1);
  out[w] = 0;
  return w;
}

size_t FromUtf8(const char* in, size_t n, char* out, size_t cap, bool* exact) {
  const unsigned char* p = reinterpret_cast<const unsigned char*>(in);
  bool same = true;
  size_t w = 0;
  for (size_t i = 0; i < n;) {
    unsigned cp = 0;
    size_t len = Decode(p + i, n - i, &cp);
    int b = len ? ByteOf(cp) : -1;
    if (b < 0) same = false;
    if (w + 1 >= cap) return static_cast<size_t>(-1);
    out[w++] = b < 0 ? '?' : static_cast<char>(b);
    i += len ? len : 1;
  }
  if (w >= cap) return static_cast<size_t>(-1);
  out[w] = 0;
  if (exact) *exact = same;
  return w;
}

bool IsNonAsciiUtf8(const char* in, size_t n) {
  const unsigned char* p = reinterpret_cast<const unsigned char*>(in);
  bool wide = false;
  for (size_t i = 0; i < n;) {
    unsigned cp = 0;
    size_t len = Decode(p + i, n - i, &cp);
    if (!len) return false;
    wide = wide || len > 1;
    i += len;
  }
  return wide;
}

}  // namespace kestro::cp1252
