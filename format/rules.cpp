#include "format/rules.h"

#include "common/digits.h"

namespace kestro::format {
namespace {

char Upper(char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 32) : c; }

bool EqualNoCase(const char* a, size_t n, const char* b) {
  if (strlen(b) != n) return false;
  for (size_t i = 0; i < n; ++i)
    if (Upper(a[i]) != Upper(b[i])) return false;
  return true;
}

// Whether one path component is a name we may create inside the folder.
bool SafeComponent(const char* s, size_t n) {
  if (n == 0) return false;
  bool only_dots_blanks = true;
  for (size_t i = 0; i < n; ++i) {
    unsigned char c = static_cast<unsigned char>(s[i]);
    if (c < 32 || strchr("/:*?\"<>|", c)) return false;
    if (c != '.' && c != ' ') only_dots_blanks = false;
  }
  if (only_dots_blanks) return false;  // ".", "..", "..." and the like
  // The system drops trailing dots and blanks: "a." would land as "a".
  if (s[n - 1] == '.' || s[n - 1] == ' ') return false;
  // Device names stay reserved with any extension and trailing blanks.
  size_t base = 0;
  while (base < n && s[base] != '.') ++base;
  while (base > 0 && s[base - 1] == ' ') --base;
  static const char* const kDevices[] = {"CON", "PRN", "AUX", "NUL", "CONIN$", "CONOUT$", "CLOCK$"};
  for (const char* d : kDevices)
    if (EqualNoCase(s, base, d)) return false;
  // COM0-9 and LPT0-9, also with the superscript digits 1, 2 and 3.
  unsigned char digit = base == 4 ? static_cast<unsigned char>(s[3]) : 0;
  bool device_digit = (digit >= '0' && digit <= '9') || digit == 0xB9 || digit == 0xB2 || digit == 0xB3;
  if (device_digit && (EqualNoCase(s, 3, "COM") || EqualNoCase(s, 3, "LPT"))) return false;
  return true;
}

template <size_t Cap>
bool Empty(const PStr<Cap>& s) {
  return s.len == 0;
}

}  // namespace

bool SafeRelativePath(const char* rel, size_t len) {
  const char* p = rel;
  const char* end = rel + len;
  while (true) {
    const char* q = p;
    while (q < end && *q != '\\') ++q;
    if (!SafeComponent(p, static_cast<size_t>(q - p))) return false;
    if (q == end) return true;
    p = q + 1;
  }
}

bool SafeDestination(const char* dest, size_t len) {
  if (len < 4 || !StartsWithTarget(dest, len) || dest[2] != '\\') return false;
  return SafeRelativePath(dest + 3, len - 3);
}

void MakeDestination(const char* name, size_t len, PStr<63>* out) {
  char buf[3 + 63];
  memcpy(buf, "%a\\", 3);
  size_t n = len < 63 ? len : 63;
  memcpy(buf + 3, name, n);
  out->Set(buf, 3 + n);
}

bool ParseDword(const char* s, size_t len, uint32_t* out) {
  size_t i = 0;
  uint64_t v = 0;
  if (i < len && s[i] == '$') {
    if (++i == len) return false;
    for (; i < len; ++i) {
      int d = HexDigitValue(s[i]);
      if (d < 0) return false;
      v = v * 16 + static_cast<uint64_t>(d);
      if (v > 0xFFFFFFFFu) return false;
    }
  } else {
    bool negative = false;
    if (i < len && (s[i] == '+' || s[i] == '-')) negative = s[i++] == '-';
    if (i == len) return false;
    for (; i < len; ++i) {
      int d = DecimalDigitValue(s[i]);
      if (d < 0) return false;
      v = v * 10 + static_cast<uint64_t>(d);
      if (v > (negative ? 0x80000000u : 0x7FFFFFFFu)) return false;
    }
    if (negative) v = (~v + 1) & 0xFFFFFFFFu;
  }
  if (out) *out = static_cast<uint32_t>(v);
  return true;
}

const char* CheckDirEntry(const DirEntry& e) {
  const PStr<47>& d = e.folder;
  // "%a" alone names the target folder itself; a folder may be written with
  // a trailing backslash ("%a\logs\", "%a\").
  size_t n = d.len > 2 && d.chars[d.len - 1] == '\\' ? d.len - 1 : d.len;
  if (n == 2 && StartsWithTarget(d.chars, 2)) return nullptr;
  return SafeDestination(d.chars, n) ? nullptr : "the folder is not inside the target folder";
}

const char* CheckIniEntry(const IniEntry& e) {
  if (StartsWithTarget(e.file.chars, e.file.len) && !SafeDestination(e.file.chars, e.file.len))
    return "the INI file would be written outside the target folder";
  if (Empty(e.section) || Empty(e.key)) return "the section or the key is not named";
  if ((e.options & kIniOptionErase) && (e.options & kIniOptionSkip)) return "it has both options E and S";
  if (e.options & ~(kIniOptionErase | kIniOptionSkip)) return "it has an unknown option";
  return nullptr;
}

const char* CheckRegEntry(const RegEntry& e) {
  if (e.root != kRootClassesRoot && e.root != kRootCurrentUser && e.root != kRootLocalMachine)
    return "its root key is unknown";
  if (Empty(e.subkey)) return "its subkey is not named";
  if (e.type != kRegNone && e.type != kRegString && e.type != kRegDword) return "its data type is unknown";
  if (e.type == kRegDword && !(e.options & kRegOptionErase) && !ParseDword(e.data.chars, e.data.len, nullptr))
    return "its data is not a 32-bit number";
  if ((e.options & kRegOptionErase) && (e.options & kRegOptionKeep)) return "it has both options E and K";
  if (e.options & ~(kRegOptionErase | kRegOptionKeep)) return "it has an unknown option";
  return nullptr;
}

const char* CheckIconEntry(const IconEntry& e) {
  if (!SafeRelativePath(e.name.chars, e.name.len)) return "the shortcut name is not a valid file name";
  if (Empty(e.command)) return "it has no command line";
  return nullptr;
}

}  // namespace kestro::format
