#include "format/records.h"

namespace kestro::format {
namespace {

// Walks a record field by field; the encoder and the decoder of a record
// visit the same fields in the same order, so each layout is written once.
class Writer {
 public:
  explicit Writer(uint8_t* p, size_t size) : p_(p) { memset(p, 0, size); }
  void Skip(size_t n) { p_ += n; }
  void Bool(bool b) { *p_++ = b ? 1 : 0; }
  void U8(uint8_t v) { *p_++ = v; }
  void U16(uint16_t v) { PutU16(p_, v), p_ += 2; }
  void U32(uint32_t v) { PutU32(p_, v), p_ += 4; }
  template <size_t Cap>
  void Str(const PStr<Cap>& s) {
    size_t n = s.len > Cap ? Cap : s.len;
    p_[0] = static_cast<uint8_t>(n);
    memcpy(p_ + 1, s.chars, n);
    p_ += 1 + Cap;
  }

 private:
  uint8_t* p_;
};

class Reader {
 public:
  explicit Reader(const uint8_t* p) : p_(p) {}
  void Skip(size_t n) { p_ += n; }
  void Bool(bool& b) { b = *p_++ != 0; }
  void U8(uint8_t& v) { v = *p_++; }
  void U16(uint16_t& v) { v = GetU16(p_), p_ += 2; }
  void U32(uint32_t& v) { v = GetU32(p_), p_ += 4; }
  template <size_t Cap>
  void Str(PStr<Cap>& s) {
    uint8_t n = p_[0];
    if (n > Cap) {
      ok_ = false;
      n = 0;
    }
    s.len = n;
    memset(s.chars, 0, Cap);
    memcpy(s.chars, p_ + 1, n);
    p_ += 1 + Cap;
  }
  bool ok() const { return ok_; }

 private:
  const uint8_t* p_;
  bool ok_ = true;
};

// One layout per record, for both directions. R is Writer or Reader; S is
// the record, const for writing.
template <class R, class S>
void SettingsFields(R& r, S& s) {
  r.Skip(76);
  r.Bool(s.prompt_show);
  r.Skip(1);
  r.Bool(s.password_show);
  r.Bool(s.link_create);
  r.Bool(s.link_start_menu);
  r.Bool(s.link_desktop);
  r.Bool(s.show_final_msg);
  r.Bool(s.progress_show);
  r.Str(s.prompt_text);
  r.Str(s.password_text);
  r.Str(s.password);
  r.Str(s.final_msg);
  r.Str(s.progress_text);
  r.Str(s.link_file_name);
  r.Str(s.link_display);
  r.Str(s.folder_sel_text);
  r.Bool(s.run_program);
  r.Bool(s.show_file_window);
  r.Bool(s.show_license);
  r.Bool(s.run_text_file);
  r.Bool(s.extract_only);
  r.Str(s.run_prog_exe_name);
  r.Str(s.cancel);
  r.Str(s.continue_text);
  r.Str(s.yes);
  r.Str(s.no);
  r.Str(s.caption);
  r.Str(s.run_text_file_name);
  r.Str(s.run_prog_exe_para);
  r.Str(s.run_wait_for);
  r.Str(s.extract_only_path);
  for (auto& piece : s.license) r.Str(piece);
  r.Bool(s.extract_only_no_dlg);
  r.U16(s.dir_count);
  r.U16(s.file_count);
  r.U16(s.icon_count);
  r.U16(s.ini_count);
  r.U16(s.reg_count);
}

template <class R, class E>
void DirFields(R& r, E& e) {
  r.Str(e.folder);
}

template <class R, class E>
void IconFields(R& r, E& e) {
  r.Str(e.name);
  r.Str(e.command);
  r.Str(e.folder);
  r.U8(e.flags);
}

template <class R, class E>
void IniFields(R& r, E& e) {
  r.Str(e.file);
  r.Str(e.section);
  r.Str(e.key);
  r.Str(e.value);
  r.U8(e.options);
}

template <class R, class E>
void RegFields(R& r, E& e) {
  r.U32(e.root);
  r.Str(e.subkey);
  r.Str(e.value_name);
  r.U8(e.type);
  r.Str(e.data);
  r.U8(e.options);
}

template <class R, class E>
void FileFields(R& r, E& e) {
  r.Skip(2);  // the two leading bytes, both 1
  r.U32(e.offset);
  r.Str(e.destination);
  r.U32(e.dos_date_time);
  r.U32(e.adler32);
  r.U32(e.version_ms);
  r.U32(e.version_ls);
  r.U32(e.size);
  r.U32(e.packed_size);
  r.U8(e.flags);
}

// The Writer takes values; adapt const records to the shared field lists.
struct ConstWriter : Writer {
  using Writer::Writer;
  void Bool(const bool& b) { Writer::Bool(b); }
  void U8(const uint8_t& v) { Writer::U8(v); }
  void U16(const uint16_t& v) { Writer::U16(v); }
  void U32(const uint32_t& v) { Writer::U32(v); }
};

}  // namespace

void EncodeExeHeader(const ExeHeader& h, uint8_t out[kExeHeaderSize]) {
  memcpy(out, kMarker, kMarkerSize);
  out[12] = 1;
  PutU32(out + 13, h.settings_offset);
  PutU32(out + 17, h.data_offset);
}

bool DecodeExeHeader(const uint8_t in[kExeHeaderSize], ExeHeader* h) {
  if (memcmp(in, kMarker, kMarkerSize) != 0) return false;
  return DecodeExeHeaderAfterMarker(in, h);
}

bool DecodeExeHeaderAfterMarker(const uint8_t in[kExeHeaderSize], ExeHeader* h) {
  if (in[12] != 1) return false;
  h->settings_offset = GetU32(in + 13);
  h->data_offset = GetU32(in + 17);
  return true;
}

void EncodeSettings(const SetupSettings& s, uint8_t out[kSettingsSize]) {
  ConstWriter w(out, kSettingsSize);
  SettingsFields(w, s);
}

bool DecodeSettings(const uint8_t in[kSettingsSize], SetupSettings* s) {
  Reader r(in);
  SettingsFields(r, *s);
  return r.ok();
}

void EncodeDirEntry(const DirEntry& e, uint8_t out[kDirEntrySize]) {
  ConstWriter w(out, kDirEntrySize);
  DirFields(w, e);
}

bool DecodeDirEntry(const uint8_t in[kDirEntrySize], DirEntry* e) {
  Reader r(in);
  DirFields(r, *e);
  return r.ok();
}

void EncodeFileEntry(const FileEntry& e, uint8_t out[kFileEntrySize]) {
  ConstWriter w(out, kFileEntrySize);
  FileFields(w, e);
  out[0] = 1;
  out[1] = 1;
}

bool DecodeFileEntry(const uint8_t in[kFileEntrySize], FileEntry* e) {
  Reader r(in);
  FileFields(r, *e);
  return r.ok();
}

void EncodeIconEntry(const IconEntry& e, uint8_t out[kIconEntrySize]) {
  ConstWriter w(out, kIconEntrySize);
  IconFields(w, e);
}

bool DecodeIconEntry(const uint8_t in[kIconEntrySize], IconEntry* e) {
  Reader r(in);
  IconFields(r, *e);
  return r.ok();
}

void EncodeIniEntry(const IniEntry& e, uint8_t out[kIniEntrySize]) {
  ConstWriter w(out, kIniEntrySize);
  IniFields(w, e);
}

bool DecodeIniEntry(const uint8_t in[kIniEntrySize], IniEntry* e) {
  Reader r(in);
  IniFields(r, *e);
  return r.ok();
}

void EncodeRegEntry(const RegEntry& e, uint8_t out[kRegEntrySize]) {
  ConstWriter w(out, kRegEntrySize);
  RegFields(w, e);
}

bool DecodeRegEntry(const uint8_t in[kRegEntrySize], RegEntry* e) {
  Reader r(in);
  RegFields(r, *e);
  return r.ok();
}

long FindMarkerIn(const uint8_t* buf, size_t n, const uint8_t marker[kMarkerSize]) {
  for (size_t i = 0; i + kMarkerSize <= n; ++i)
    if (buf[i] == marker[0] && memcmp(buf + i, marker, kMarkerSize) == 0) return static_cast<long>(i);
  return -1;
}

long FindMarker(const uint8_t* buf, size_t n) { return FindMarkerIn(buf, n, kMarker); }

int64_t FindMarkerInFile(ReadAtFn read, void* ctx, uint64_t size, const uint8_t marker[kMarkerSize],
                         uint8_t* buf, size_t buf_size) {
  uint64_t pos = 0;
  while (pos < size) {
    size_t n = size - pos < buf_size ? static_cast<size_t>(size - pos) : buf_size;
    if (!read(ctx, pos, buf, n)) return -1;
    long at = FindMarkerIn(buf, n, marker);
    if (at >= 0) return static_cast<int64_t>(pos + static_cast<uint64_t>(at));
    if (pos + n >= size) break;
    pos += n - (kMarkerSize - 1);  // a marker across the block boundary is found
  }
  return -1;
}

}  // namespace kestro::format
