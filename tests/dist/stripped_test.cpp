// What dist/ ships carries no symbol table and no debugging sections.
#include <gtest/gtest.h>
#include <stdint.h>
#include <stdio.h>
#include <string.h>

#include <sstream>
#include <string>
#include <vector>

namespace {

std::vector<unsigned char> ReadFile(const std::string& path) {
  std::vector<unsigned char> v;
  FILE* f = fopen(path.c_str(), "rb");
  if (!f) return v;
  unsigned char buf[65536];
  size_t n;
  while ((n = fread(buf, 1, sizeof buf, f)) > 0) v.insert(v.end(), buf, buf + n);
  fclose(f);
  return v;
}

uint64_t Le(const std::vector<unsigned char>& b, size_t at, int bytes) {
  uint64_t v = 0;
  for (int i = bytes - 1; i >= 0; --i) v = v << 8 | (at + i < b.size() ? b[at + i] : 0);
  return v;
}

// The section names of a PE or 64-bit ELF file, and whether it has a symbol
// table; false if it is neither.
bool Inspect(const std::vector<unsigned char>& b, std::vector<std::string>* sections, bool* symbols) {
  if (b.size() > 0x40 && b[0] == 'M' && b[1] == 'Z') {
    size_t pe = Le(b, 0x3C, 4);
    if (Le(b, pe, 4) != 0x4550) return false;  // "PE\0\0"
    size_t coff = pe + 4;
    *symbols = Le(b, coff + 8, 4) != 0 || Le(b, coff + 12, 4) != 0;
    size_t count = Le(b, coff + 2, 2), optional = Le(b, coff + 16, 2);
    for (size_t i = 0, at = coff + 20 + optional; i < count; ++i, at += 40)
      sections->push_back(std::string(reinterpret_cast<const char*>(&b[at]),
                                      strnlen(reinterpret_cast<const char*>(&b[at]), 8)));
    return true;
  }
  if (b.size() > 0x40 && memcmp(b.data(),
                                "\x7f"
                                "ELF\x02",
                                5) == 0) {
    size_t shoff = Le(b, 0x28, 8), shentsize = Le(b, 0x3A, 2), shnum = Le(b, 0x3C, 2),
           shstrndx = Le(b, 0x3E, 2);
    size_t names = Le(b, shoff + shstrndx * shentsize + 0x18, 8);
    *symbols = false;
    for (size_t i = 0; i < shnum; ++i) {
      size_t at = shoff + i * shentsize;
      size_t name = names + Le(b, at, 4);
      if (name >= b.size()) return false;
      sections->push_back(reinterpret_cast<const char*>(&b[name]));
      if (Le(b, at + 4, 4) == 2) *symbols = true;  // SHT_SYMTAB
    }
    return true;
  }
  return false;
}

TEST(Dist, ShippedProgramsAreStripped) {
  std::istringstream list(KESTRO_SHIPPED);
  int checked = 0;
  for (std::string path; std::getline(list, path, '|');) {
    SCOPED_TRACE(path);
    auto bytes = ReadFile(path);
    ASSERT_FALSE(bytes.empty());
    std::vector<std::string> sections;
    bool symbols = true;
    ASSERT_TRUE(Inspect(bytes, &sections, &symbols));
    EXPECT_FALSE(symbols) << "a symbol table";
    for (const auto& s : sections) EXPECT_NE(0u, s.rfind(".debug", 0)) << s;
    ++checked;
  }
  EXPECT_LE(2, checked);
}

}  // namespace
