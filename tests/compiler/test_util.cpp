#include "test_util.h"

#include <gtest/gtest.h>
#include <zlib.h>

#include <atomic>
#include <chrono>
#include <fstream>
#include <sstream>

namespace kestro::compiler::test {

ScratchDir::ScratchDir() {
  static std::atomic<int> counter{0};
  auto stamp = std::chrono::steady_clock::now().time_since_epoch().count();
  path_ = fs::temp_directory_path() /
          ("kestro_compiler_test_" + std::to_string(stamp) + "_" + std::to_string(counter++));
  fs::create_directories(path_);
}

ScratchDir::~ScratchDir() {
  std::error_code ec;
  fs::remove_all(path_, ec);
}

void WriteFile(const std::string& path, const std::string& bytes) {
  std::ofstream f(path, std::ios::binary | std::ios::trunc);
  f.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  ASSERT_TRUE(f.good()) << path;
}

std::string ReadFile(const std::string& path) {
  std::ifstream f(path, std::ios::binary);
  std::ostringstream s;
  s << f.rdbuf();
  return s.str();
}

std::string Marker() {
  return std::string(reinterpret_cast<const char*>(format::kMarker), format::kMarkerSize);
}

std::string StubBytes(size_t before, size_t after) {
  return std::string(before, 'S') + Marker() + std::string(after, 'T');
}

std::string TextBytes(size_t n) {
  std::string s;
  for (int line = 0; s.size() < n; ++line) s += "line " + std::to_string(line) + " of the sample text\r\n";
  s.resize(n);
  return s;
}

std::string NoiseBytes(size_t n, uint32_t seed) {
  std::string s(n, '\0');
  uint32_t x = seed ? seed : 1;
  for (char& c : s) {
    x ^= x << 13, x ^= x >> 17, x ^= x << 5;
    c = static_cast<char>(x);
  }
  return s;
}

bool Inflate(const std::string& stream, std::string* out) {
  z_stream zs{};
  if (inflateInit(&zs) != Z_OK) return false;
  zs.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(stream.data()));
  zs.avail_in = static_cast<uInt>(stream.size());
  out->clear();
  char buf[16384];
  int rc;
  do {
    zs.next_out = reinterpret_cast<Bytef*>(buf);
    zs.avail_out = sizeof buf;
    rc = inflate(&zs, Z_NO_FLUSH);
    out->append(buf, sizeof buf - zs.avail_out);
  } while (rc == Z_OK);
  bool ok = rc == Z_STREAM_END && zs.avail_in == 0;
  inflateEnd(&zs);
  return ok;
}

namespace {

template <class E, size_t N>
void Table(const std::string& b, size_t* at, uint16_t count, bool (*decode)(const uint8_t*, E*),
           std::vector<E>* out) {
  for (uint16_t i = 0; i < count; ++i) {
    ASSERT_LE(*at + N, b.size());
    E e;
    EXPECT_TRUE(decode(reinterpret_cast<const uint8_t*>(b.data()) + *at, &e));
    out->push_back(e);
    *at += N;
  }
}

}  // namespace

Output ReadOutput(const std::string& path) {
  Output o;
  o.bytes = ReadFile(path);
  const std::string& b = o.bytes;
  const uint8_t* p = reinterpret_cast<const uint8_t*>(b.data());
  long m = format::FindMarker(p, b.size());
  EXPECT_GE(m, 0) << "no marker in " << path;
  if (m < 0 || static_cast<size_t>(m) + format::kExeHeaderSize > b.size()) return o;
  o.marker = static_cast<size_t>(m);
  EXPECT_TRUE(format::DecodeExeHeader(p + m, &o.header));
  size_t at = o.header.settings_offset;
  if (at + sizeof format::kSettingsMagic + format::kSettingsSize > b.size()) {
    ADD_FAILURE() << "settings part beyond the end";
    return o;
  }
  EXPECT_EQ(0, memcmp(p + at, format::kSettingsMagic, sizeof format::kSettingsMagic));
  at += sizeof format::kSettingsMagic;
  EXPECT_TRUE(format::DecodeSettings(p + at, &o.settings));
  at += format::kSettingsSize;
  const format::SetupSettings& s = o.settings;
  Table<format::DirEntry, format::kDirEntrySize>(b, &at, s.dir_count, format::DecodeDirEntry, &o.dirs);
  Table<format::FileEntry, format::kFileEntrySize>(b, &at, s.file_count, format::DecodeFileEntry, &o.files);
  Table<format::IconEntry, format::kIconEntrySize>(b, &at, s.icon_count, format::DecodeIconEntry, &o.icons);
  Table<format::IniEntry, format::kIniEntrySize>(b, &at, s.ini_count, format::DecodeIniEntry, &o.inis);
  Table<format::RegEntry, format::kRegEntrySize>(b, &at, s.reg_count, format::DecodeRegEntry, &o.regs);
  EXPECT_EQ(at, o.header.data_offset) << "the data part follows the settings part";
  // The data part: per entry, the magic and one stream, back to back.
  size_t expect = 0;
  for (const format::FileEntry& e : o.files) {
    EXPECT_EQ(expect, e.offset);
    size_t stream_at = o.header.data_offset + e.offset;
    if (stream_at + 4 + e.packed_size > b.size()) {
      ADD_FAILURE() << "stream beyond the end";
      return o;
    }
    EXPECT_EQ(0, memcmp(p + stream_at, format::kStreamMagic, 4));
    std::string content;
    EXPECT_TRUE(Inflate(b.substr(stream_at + 4, e.packed_size), &content));
    EXPECT_EQ(e.size, content.size());
    EXPECT_EQ(e.adler32, adler32(adler32(0, nullptr, 0), reinterpret_cast<const Bytef*>(content.data()),
                                 static_cast<uInt>(content.size())));
    o.contents.push_back(content);
    expect = e.offset + 4 + e.packed_size;
  }
  EXPECT_EQ(o.header.data_offset + expect, b.size()) << "nothing after the last stream";
  return o;
}

}  // namespace kestro::compiler::test
