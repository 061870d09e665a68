// Digit values, shared by every integer grammar of the system (the INI
// reader's, the DWORD data's). Header-only and free of the standard
// library, so that the extractor stub can use it too.
#pragma once

namespace kestro {

// The value of a decimal digit, or -1.
inline int DecimalDigitValue(char c) { return c >= '0' && c <= '9' ? c - '0' : -1; }

// The value of a hexadecimal digit (either letter case), or -1.
inline int HexDigitValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

}  // namespace kestro
