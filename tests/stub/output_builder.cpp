#include "tests/stub/output_builder.h"

#include <stdio.h>
#include <string.h>
#include <zlib.h>

#include <stdexcept>

namespace kestro::testing {

using namespace kestro::format;

std::vector<uint8_t> FakeStub() {
  std::vector<uint8_t> s(8 + kMarkerSize + 9 + 40, 0xCC);
  memcpy(&s[0], "MZ\x90\0\3\0\0\0", 8);
  memcpy(&s[8], kMarker, kMarkerSize);
  return s;
}

SetupSettings QuietSettings() {
  SetupSettings s;
  s.extract_only = true;
  s.extract_only_no_dlg = true;
  s.caption.Set("Setup");
  s.cancel.Set("&Cancel");
  s.continue_text.Set("&Continue");
  s.yes.Set("&Yes");
  s.no.Set("&No");
  return s;
}

static std::string Deflate(const std::string& in) {
  uLongf n = compressBound(in.size());
  std::string out(n, '\0');
  if (compress2(reinterpret_cast<Bytef*>(&out[0]), &n, reinterpret_cast<const Bytef*>(in.data()), in.size(),
                7) != Z_OK)
    throw std::runtime_error("compress2 failed");
  out.resize(n);
  return out;
}

std::vector<uint8_t> BuildOutput(const std::vector<uint8_t>& stub, OutputPlan plan, Layout* layout) {
  Layout l;
  long m = FindMarker(stub.data(), stub.size());
  if (m < 0) throw std::runtime_error("stub without marker");
  l.header = static_cast<size_t>(m);
  if (plan.builtin_file) {
    SourceFile pw{"%a\\password.val", "[epa1]\r\nPasswordValidate=0\r\n", 0x5A8B6C21, kFileFlagBuiltIn};
    plan.files.insert(plan.files.begin(), pw);
  }
  std::vector<FileEntry> entries;
  std::string data;
  for (const SourceFile& f : plan.files) {
    FileEntry e;
    e.offset = static_cast<uint32_t>(data.size());
    e.destination.Set(f.destination.c_str());
    e.dos_date_time = f.dos;
    e.adler32 = static_cast<uint32_t>(
        adler32(adler32(0, nullptr, 0), reinterpret_cast<const Bytef*>(f.content.data()), f.content.size()));
    e.size = static_cast<uint32_t>(f.content.size());
    std::string z = Deflate(f.content);
    e.packed_size = static_cast<uint32_t>(z.size());
    e.flags = f.flags;
    data.append(reinterpret_cast<const char*>(kStreamMagic), sizeof kStreamMagic);
    data += z;
    entries.push_back(e);
  }
  SetupSettings& s = plan.settings;
  s.dir_count = static_cast<uint16_t>(plan.dirs.size());
  s.file_count = static_cast<uint16_t>(entries.size());
  s.icon_count = static_cast<uint16_t>(plan.icons.size());
  s.ini_count = static_cast<uint16_t>(plan.inis.size());
  s.reg_count = static_cast<uint16_t>(plan.regs.size());

  std::vector<uint8_t> out = stub;
  l.settings = out.size();
  out.insert(out.end(), kSettingsMagic, kSettingsMagic + sizeof kSettingsMagic);
  size_t at = out.size();
  out.resize(at + kSettingsSize);
  EncodeSettings(s, &out[at]);
  l.tables = out.size();
  auto put = [&](size_t size, auto encode) {
    size_t p = out.size();
    out.resize(p + size);
    encode(&out[p]);
  };
  for (auto& d : plan.dirs) put(kDirEntrySize, [&](uint8_t* p) { EncodeDirEntry(d, p); });
  l.file_table = out.size();
  for (auto& e : entries) put(kFileEntrySize, [&](uint8_t* p) { EncodeFileEntry(e, p); });
  for (auto& e : plan.icons) put(kIconEntrySize, [&](uint8_t* p) { EncodeIconEntry(e, p); });
  for (auto& e : plan.inis) put(kIniEntrySize, [&](uint8_t* p) { EncodeIniEntry(e, p); });
  for (auto& e : plan.regs) put(kRegEntrySize, [&](uint8_t* p) { EncodeRegEntry(e, p); });
  l.data = out.size();
  for (auto& e : entries) l.streams.push_back(l.data + e.offset);
  out.insert(out.end(), data.begin(), data.end());

  ExeHeader h;
  h.settings_offset = static_cast<uint32_t>(l.settings);
  h.data_offset = static_cast<uint32_t>(l.data);
  EncodeExeHeader(h, &out[l.header]);
  if (layout) *layout = l;
  return out;
}

std::vector<uint8_t> ReadAll(const std::string& path) {
  std::vector<uint8_t> v;
  FILE* f = fopen(path.c_str(), "rb");
  if (!f) return v;
  uint8_t buf[65536];
  size_t n;
  while ((n = fread(buf, 1, sizeof buf, f)) > 0) v.insert(v.end(), buf, buf + n);
  fclose(f);
  return v;
}

void WriteAll(const std::string& path, const std::vector<uint8_t>& bytes) {
  FILE* f = fopen(path.c_str(), "wb");
  if (!f) throw std::runtime_error("cannot write " + path);
  if (!bytes.empty()) fwrite(bytes.data(), 1, bytes.size(), f);
  fclose(f);
}

}  // namespace kestro::testing
