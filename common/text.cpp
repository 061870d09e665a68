#include "common/text.h"

#include "common/cp1252.h"

namespace kestro {

std::string Cp1252ToUtf8(const std::string& s) {
  std::string out(s.size() * 3 + 1, '\0');  // up to three UTF-8 bytes a character
  out.resize(cp1252::ToUtf8(s.data(), s.size(), &out[0], out.size()));
  return out;
}

std::string Utf8ToCp1252(const std::string& s) {
  std::string out(s.size() + 1, '\0');
  out.resize(cp1252::FromUtf8(s.data(), s.size(), &out[0], out.size()));
  return out;
}

std::string UpperAscii(std::string s) {
  for (char& c : s)
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  return s;
}

std::string TrimControl(const std::string& s) {
  size_t b = 0, e = s.size();
  while (b < e && static_cast<unsigned char>(s[b]) <= 32) ++b;
  while (e > b && static_cast<unsigned char>(s[e - 1]) <= 32) --e;
  return s.substr(b, e - b);
}

}  // namespace kestro
