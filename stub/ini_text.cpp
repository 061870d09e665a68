#include "stub/ini_text.h"

#include <stdlib.h>
#include <string.h>

namespace kestro::stub {
namespace {

char Up(char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 32) : c; }
bool Blank(char c) { return c == ' ' || c == '\t'; }

bool SameName(const char* a, size_t n, const char* b) {
  while (n > 0 && Blank(*a)) ++a, --n;
  while (n > 0 && Blank(a[n - 1])) --n;
  if (strlen(b) != n) return false;
  for (size_t i = 0; i < n; ++i)
    if (Up(a[i]) != Up(b[i])) return false;
  return true;
}

// One line: [start, end) without its line break; next is where the next begins.
struct Line {
  size_t start, end, next;
};

Line LineAt(const char* d, size_t len, size_t at) {
  size_t e = at;
  while (e < len && d[e] != '\r' && d[e] != '\n') ++e;
  size_t nx = e;
  if (nx < len && d[nx] == '\r') ++nx;
  if (nx < len && d[nx] == '\n') ++nx;
  return {at, e, nx};
}

// The section header's name if the line is one.
bool SectionName(const char* d, Line l, size_t* ns, size_t* nl) {
  size_t s = l.start;
  while (s < l.end && Blank(d[s])) ++s;
  if (s >= l.end || d[s] != '[') return false;
  size_t close = s + 1;
  while (close < l.end && d[close] != ']') ++close;
  if (close >= l.end) return false;
  *ns = s + 1;
  *nl = close - s - 1;
  return true;
}

struct Found {
  bool section = false;
  size_t section_end = 0;  // where a new key line goes: after the last key line
  bool key = false;
  Line key_line{0, 0, 0};
};

Found Find(const char* d, size_t len, const char* section, const char* key) {
  Found f;
  bool inside = false;
  for (size_t at = 0; at < len;) {
    Line l = LineAt(d, len, at);
    size_t ns, nl;
    if (SectionName(d, l, &ns, &nl)) {
      if (inside) break;  // the section's first occurrence counts
      inside = SameName(d + ns, nl, section);
      if (inside) {
        f.section = true;
        f.section_end = l.next;
      }
    } else if (inside) {
      const char* eq = static_cast<const char*>(memchr(d + l.start, '=', l.end - l.start));
      if (eq) {
        f.section_end = l.next;
        if (!f.key && SameName(d + l.start, eq - (d + l.start), key)) {
          f.key = true;
          f.key_line = l;
        }
      }
    }
    at = l.next;
  }
  return f;
}

}  // namespace

IniText::~IniText() { free(data); }

bool IniText::Append(const char* s, size_t n) { return Insert(len, s, n); }

bool IniText::Insert(size_t at, const char* s, size_t n) {
  if (len + n + 1 > cap) {
    size_t c = (len + n + 1) * 2;
    char* p = static_cast<char*>(realloc(data, c));
    if (!p) return false;
    data = p;
    cap = c;
  }
  memmove(data + at + n, data + at, len - at);
  memcpy(data + at, s, n);
  len += n;
  return true;
}

void IniText::Remove(size_t at, size_t n) {
  memmove(data + at, data + at + n, len - at - n);
  len -= n;
}

bool IniText::HasKey(const char* section, const char* key) const { return Find(data, len, section, key).key; }

bool IniText::Set(const char* section, const char* key, const char* value) {
  Found f = Find(data, len, section, key);
  size_t kl = strlen(key), vl = strlen(value);
  if (f.key) {
    // Replace the line's text, keep its line break.
    Remove(f.key_line.start, f.key_line.end - f.key_line.start);
    return Insert(f.key_line.start, key, kl) && Insert(f.key_line.start + kl, "=", 1) &&
           Insert(f.key_line.start + kl + 1, value, vl);
  }
  size_t at = f.section ? f.section_end : len;
  // The text before the insertion point must end with a line break.
  if (at > 0 && data[at - 1] != '\n' && data[at - 1] != '\r') {
    if (!Insert(at, "\r\n", 2)) return false;
    at += 2;
  }
  if (!f.section) {
    size_t sl = strlen(section);
    if (!Insert(at, "[", 1) || !Insert(at + 1, section, sl) || !Insert(at + 1 + sl, "]\r\n", 3)) return false;
    at += sl + 4;
  }
  return Insert(at, key, kl) && Insert(at + kl, "=", 1) && Insert(at + kl + 1, value, vl) &&
         Insert(at + kl + 1 + vl, "\r\n", 2);
}

bool IniText::Erase(const char* section, const char* key) {
  Found f = Find(data, len, section, key);
  if (!f.key) return false;
  Remove(f.key_line.start, f.key_line.next - f.key_line.start);
  return true;
}

}  // namespace kestro::stub
