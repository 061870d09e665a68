// An INI file's text in memory, edited the way the private-profile functions
// edit one: section and key names compared without regard to letter case,
// blanks around names ignored, a new key appended after the section's last
// key, a new section appended at the end, lines ending in CR LF.
#pragma once

#include <stddef.h>

namespace kestro::stub {

struct IniText {
  char* data = nullptr;
  size_t len = 0;
  size_t cap = 0;

  IniText() = default;
  IniText(const IniText&) = delete;
  IniText& operator=(const IniText&) = delete;
  ~IniText();

  bool Append(const char* s, size_t n);
  bool HasKey(const char* section, const char* key) const;
  // Sets key to value, adding the section and the key as needed.
  bool Set(const char* section, const char* key, const char* value);
  // Removes the key's line; false if there was none.
  bool Erase(const char* section, const char* key);

 private:
  bool Insert(size_t at, const char* s, size_t n);
  void Remove(size_t at, size_t n);
};

}  // namespace kestro::stub
