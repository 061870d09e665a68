// A reader of the fixed file information in a PE file's version resource.
// Every offset and count read from the file is checked against the file and
// its sections before use: a damaged file reads as "no version".
#include "common/version.h"

#include <cstring>
#include <vector>

#include "common/errors.h"
#include "common/os.h"

namespace kestro {
namespace {

uint16_t U16(const uint8_t* p) { return static_cast<uint16_t>(p[0] | (p[1] << 8)); }
uint32_t U32(const uint8_t* p) {
  return static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) |
         (static_cast<uint32_t>(p[2]) << 16) | (static_cast<uint32_t>(p[3]) << 24);
}

constexpr uint16_t kResourceTypeVersion = 16;  // RT_VERSION
constexpr uint16_t kVersionInfoId = 1;         // VS_VERSION_INFO
constexpr uint32_t kFixedInfoSignature = 0xFEEF04BDu;
constexpr size_t kFixedInfoSize = 52;
constexpr size_t kMaxResourceTable = 1 << 20;

struct Section {
  uint32_t virtual_address, virtual_size, raw_size, raw_offset;
};

class PeImage {
 public:
  PeImage(os::File& file, uint64_t size) : file_(file), size_(size) {}

  bool ReadAt(uint64_t offset, void* buf, size_t n) {
    if (offset > size_ || n > size_ - offset) return false;
    file_.Seek(offset);
    return file_.Read(buf, n) == n;
  }

  // Reads n bytes at a relative virtual address; all of them must lie in the
  // raw data of one section.
  bool ReadRva(uint32_t rva, void* buf, size_t n) {
    for (const Section& s : sections_) {
      if (rva < s.virtual_address) continue;
      uint64_t rel = rva - s.virtual_address;
      uint64_t extent = s.virtual_size > s.raw_size ? s.virtual_size : s.raw_size;
      if (rel >= extent) continue;
      if (rel + n > s.raw_size) return false;
      return ReadAt(uint64_t{s.raw_offset} + rel, buf, n);
    }
    return false;
  }

  // Headers and section table; resource_rva is 0 when there is none.
  bool ReadHeaders(uint32_t* resource_rva) {
    uint8_t dos[64];
    if (!ReadAt(0, dos, sizeof dos) || dos[0] != 'M' || dos[1] != 'Z') return false;
    uint32_t pe = U32(dos + 0x3C);
    uint8_t coff[24];
    if (!ReadAt(pe, coff, sizeof coff) || memcmp(coff, "PE\0\0", 4) != 0) return false;
    uint16_t section_count = U16(coff + 6);
    uint16_t optional_size = U16(coff + 20);
    std::vector<uint8_t> opt(optional_size);
    if (optional_size < 2 || !ReadAt(uint64_t{pe} + 24, opt.data(), opt.size())) return false;
    size_t count_at, dirs_at;
    switch (U16(opt.data())) {
      case 0x10B: count_at = 92, dirs_at = 96; break;    // PE32
      case 0x20B: count_at = 108, dirs_at = 112; break;  // PE32+
      default: return false;
    }
    *resource_rva = 0;
    if (opt.size() >= dirs_at + 3 * 8 && U32(opt.data() + count_at) > 2)
      *resource_rva = U32(opt.data() + dirs_at + 16);
    std::vector<uint8_t> table(size_t{section_count} * 40);
    if (!ReadAt(uint64_t{pe} + 24 + optional_size, table.data(), table.size())) return false;
    for (size_t i = 0; i < section_count; ++i) {
      const uint8_t* s = table.data() + i * 40;
      sections_.push_back({U32(s + 12), U32(s + 8), U32(s + 16), U32(s + 20)});
    }
    return true;
  }

  // Finds the entry with the given id in the resource directory at dir
  // (an offset from the resource root); any_entry takes the preferred id,
  // else the first entry. Returns the entry's OffsetToData field.
  bool FindEntry(uint32_t root, uint32_t dir, uint16_t id, bool any_entry, uint32_t* out) {
    uint8_t head[16];
    if (!ReadRva(root + dir, head, sizeof head)) return false;
    size_t named = U16(head + 12), ids = U16(head + 14);
    size_t total = named + ids;
    if (total == 0 || total * 8 > kMaxResourceTable) return false;
    std::vector<uint8_t> entries(total * 8);
    if (!ReadRva(root + dir + 16, entries.data(), entries.size())) return false;
    for (size_t i = named; i < total; ++i) {
      const uint8_t* e = entries.data() + i * 8;
      if (U32(e) == id) return *out = U32(e + 4), true;
    }
    if (!any_entry) return false;
    *out = U32(entries.data() + 4);
    return true;
  }

 private:
  os::File& file_;
  uint64_t size_;
  std::vector<Section> sections_;
};

bool ReadVersion(os::File& file, uint64_t file_size, FileVersionWords* out) {
  PeImage pe(file, file_size);
  uint32_t root = 0;
  if (!pe.ReadHeaders(&root) || root == 0) return false;
  constexpr uint32_t kSubdir = 0x80000000u;
  uint32_t type_dir, name_dir, data_entry;
  // Type RT_VERSION -> name 1 -> the neutral language, else the first one.
  if (!pe.FindEntry(root, 0, kResourceTypeVersion, false, &type_dir) || !(type_dir & kSubdir)) return false;
  if (!pe.FindEntry(root, type_dir & ~kSubdir, kVersionInfoId, false, &name_dir) || !(name_dir & kSubdir))
    return false;
  if (!pe.FindEntry(root, name_dir & ~kSubdir, 0, true, &data_entry) || (data_entry & kSubdir)) return false;
  uint8_t data[16];
  if (!pe.ReadRva(root + data_entry, data, sizeof data)) return false;
  uint32_t rva = U32(data), size = U32(data + 4);
  // VS_VERSIONINFO: wLength, wValueLength, wType, L"VS_VERSION_INFO\0",
  // padding to 32 bits, then VS_FIXEDFILEINFO.
  constexpr size_t kValueAt = 40;
  uint8_t block[kValueAt + kFixedInfoSize];
  if (size < sizeof block || !pe.ReadRva(rva, block, sizeof block)) return false;
  static const char kKey[] = "VS_VERSION_INFO";
  for (size_t i = 0; i < sizeof kKey; ++i)
    if (U16(block + 6 + 2 * i) != static_cast<uint8_t>(kKey[i])) return false;
  if (U16(block) < sizeof block || U16(block) > size || U16(block + 2) < kFixedInfoSize) return false;
  const uint8_t* fixed = block + kValueAt;
  if (U32(fixed) != kFixedInfoSignature) return false;
  out->ms = U32(fixed + 8);
  out->ls = U32(fixed + 12);
  return true;
}

}  // namespace

bool ReadPeFileVersion(os::File& file, uint64_t size, FileVersionWords* out) {
  *out = FileVersionWords{};
  try {
    if (ReadVersion(file, size, out)) return true;
  } catch (const Error&) {
    // unreadable: no version
  }
  *out = FileVersionWords{};
  return false;
}

bool ReadPeFileVersion(const std::string& path, FileVersionWords* out) {
  *out = FileVersionWords{};
  try {
    os::File file(path, os::File::kRead);
    return ReadPeFileVersion(file, file.Size(), out);
  } catch (const Error&) {
    return false;  // no such file
  }
}

#ifndef _WIN32
bool FileVersion(const std::string& path, FileVersionWords* out) { return ReadPeFileVersion(path, out); }
#endif

}  // namespace kestro
