// The INI file behind the project file.
//
// The file's bytes are kept in memory with a parsed index of sections and
// keys, so a read is two hash look-ups. An IniFile checks the file's size,
// time and identity at its first access only and owns the file from then on
// (one program at a time uses a project file). A write changes the
// bytes and the file together: a new last key of the last section (and a new
// section) is appended to the file; anything else rewrites the file from the
// changed line on. Lines this class did not write keep their bytes.
//
// Parsing follows the platform's private-profile functions: a line is cut at
// CR or LF and trimmed of blanks; empty lines are skipped; a line starting
// with '[' that has a later ']' starts a section (name between '[' and the
// last ']', trimmed); any other line is a key, with a value after its first
// '=' or none at all (comments are such keys). Lines before the first
// section belong to a section without a name. Names and values end at a NUL.
#include "project/ini_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#ifdef _WIN32
#include <io.h>
#else
#include <unistd.h>
#endif

#include <map>
#include <mutex>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "common/os.h"
#include "common/text.h"

namespace kestro::project {
namespace {

// The platform reads into a buffer of 1024 bytes, terminator included.
constexpr size_t kMaxRead = 1023;

bool IsBlank(unsigned char c) { return c == ' ' || (c >= '\t' && c <= '\r') || c == 0x1a; }

bool IsBreak(char c) { return c == '\r' || c == '\n'; }

// Case folding for Windows-1252 letters.
struct FoldTable {
  unsigned char map[256];
  FoldTable() {
    for (int i = 0; i < 256; ++i) map[i] = static_cast<unsigned char>(i);
    for (int c = 'A'; c <= 'Z'; ++c) map[c] = static_cast<unsigned char>(c + 32);
    for (int c = 0xC0; c <= 0xDE; ++c)
      if (c != 0xD7) map[c] = static_cast<unsigned char>(c + 32);
    map[0x8A] = 0x9A;  // S caron
    map[0x8C] = 0x9C;  // OE
    map[0x8E] = 0x9E;  // Z caron
    map[0x9F] = 0xFF;  // Y diaeresis
  }
};

std::string Fold(std::string_view s) {
  static const FoldTable table;
  std::string out(s);
  for (char& c : out) c = static_cast<char>(table.map[static_cast<unsigned char>(c)]);
  return out;
}

std::string_view CutAtNul(std::string_view s) {
  size_t z = s.find('\0');
  return z == std::string_view::npos ? s : s.substr(0, z);
}

// A value that reading gives back without its first and last character.
bool EnclosedInQuotes(std::string_view v) {
  return v.size() >= 2 && (v[0] == '"' || v[0] == '\'') && v.back() == v[0];
}

std::string_view Trim(std::string_view s) {
  size_t b = 0, e = s.size();
  while (b < e && IsBlank(static_cast<unsigned char>(s[b]))) ++b;
  while (e > b && IsBlank(static_cast<unsigned char>(s[e - 1]))) --e;
  return s.substr(b, e - b);
}

// A name as a caller passes it: what a C string would hold, without blanks.
std::string CleanName(const std::string& s) { return std::string(Trim(CutAtNul(s))); }

bool HasBreak(std::string_view s) { return s.find_first_of("\r\n") != std::string_view::npos; }

// ---- files -----------------------------------------------------------------

struct Stamp {
  bool exists = false;
  int64_t size = 0;
  int64_t mtime_s = 0;
  int64_t mtime_ns = 0;
  uint64_t inode = 0;
  bool operator==(const Stamp& o) const {
    return exists == o.exists && size == o.size && mtime_s == o.mtime_s && mtime_ns == o.mtime_ns &&
           inode == o.inode;
  }
  bool operator!=(const Stamp& o) const { return !(*this == o); }
};

#ifdef _WIN32
Stamp StatFile(const std::string& host) {
  Stamp s;
  struct _stat64 st;
  if (_stat64(host.c_str(), &st) != 0) return s;
  s.exists = true;
  s.size = st.st_size;
  s.mtime_s = st.st_mtime;
  return s;
}
int OpenRead(const std::string& host) { return _open(host.c_str(), _O_RDONLY | _O_BINARY); }
int OpenWrite(const std::string& host, bool create) {
  int flags = _O_WRONLY | _O_BINARY;
  if (create) flags |= _O_CREAT | _O_TRUNC;
  return _open(host.c_str(), flags, _S_IREAD | _S_IWRITE);
}
long ReadSome(int fd, char* p, size_t n) {
  return _read(fd, p, n > (1u << 30) ? (1u << 30) : static_cast<unsigned>(n));
}
long WriteSome(int fd, const char* p, size_t n) {
  return _write(fd, p, n > (1u << 30) ? (1u << 30) : static_cast<unsigned>(n));
}
bool SeekTo(int fd, uint64_t pos) { return _lseeki64(fd, static_cast<int64_t>(pos), SEEK_SET) >= 0; }
bool WriteAll(int fd, std::string_view bytes);
bool WriteAt(int fd, uint64_t pos, std::string_view bytes) { return SeekTo(fd, pos) && WriteAll(fd, bytes); }
bool CutTo(int fd, uint64_t size) { return size <= 0x7fffffff && _chsize(fd, static_cast<long>(size)) == 0; }
bool CloseFile(int fd) { return _close(fd) == 0; }
void RemovePath(const std::string& host) { _unlink(host.c_str()); }
#else
Stamp StatFile(const std::string& host) {
  Stamp s;
  struct stat st;
  if (::stat(host.c_str(), &st) != 0) return s;
  s.exists = true;
  s.size = st.st_size;
  s.mtime_s = st.st_mtim.tv_sec;
  s.mtime_ns = st.st_mtim.tv_nsec;
  s.inode = st.st_ino;
  return s;
}
int OpenRead(const std::string& host) { return ::open(host.c_str(), O_RDONLY | O_CLOEXEC); }
int OpenWrite(const std::string& host, bool create) {
  int flags = O_WRONLY | O_CLOEXEC;
  if (create) flags |= O_CREAT | O_TRUNC;
  return ::open(host.c_str(), flags, 0666);
}
long ReadSome(int fd, char* p, size_t n) { return static_cast<long>(::read(fd, p, n)); }
bool WriteAll(int fd, std::string_view bytes) {
  while (!bytes.empty()) {
    ssize_t n = ::write(fd, bytes.data(), bytes.size());
    if (n <= 0) return false;
    bytes.remove_prefix(static_cast<size_t>(n));
  }
  return true;
}
bool WriteAt(int fd, uint64_t pos, std::string_view bytes) {
  while (!bytes.empty()) {
    ssize_t n = ::pwrite(fd, bytes.data(), bytes.size(), static_cast<off_t>(pos));
    if (n <= 0) return false;
    bytes.remove_prefix(static_cast<size_t>(n));
    pos += static_cast<uint64_t>(n);
  }
  return true;
}
bool CutTo(int fd, uint64_t size) { return ::ftruncate(fd, static_cast<off_t>(size)) == 0; }
bool CloseFile(int fd) { return ::close(fd) == 0; }
void RemovePath(const std::string& host) { ::unlink(host.c_str()); }
#endif

#ifdef _WIN32
bool WriteAll(int fd, std::string_view bytes) {
  while (!bytes.empty()) {
    long n = WriteSome(fd, bytes.data(), bytes.size());
    if (n <= 0) return false;
    bytes.remove_prefix(static_cast<size_t>(n));
  }
  return true;
}
#endif

// Reads the whole file; false when it cannot be read.
bool ReadAll(const std::string& host, std::string* out) {
  out->clear();
  int fd = OpenRead(host);
  if (fd < 0) return false;
  char buf[65536];
  bool ok = true;
  for (;;) {
    long n = ReadSome(fd, buf, sizeof buf);
    if (n == 0) break;
    if (n < 0) {
      ok = false;
      break;
    }
    out->append(buf, static_cast<size_t>(n));
  }
  CloseFile(fd);
  if (!ok) out->clear();
  return ok;
}

// ---- the parsed file -------------------------------------------------------

struct Key {
  std::string name;  // as in the file, trimmed
  bool has_value = false;
  std::string value;  // after '=', trimmed, quotes kept
  size_t begin = 0;   // line start
  size_t end = 0;     // end of the line's text, before its line break
};

struct Section {
  std::string name;
  size_t begin = 0;  // header line start (the nameless section: start of text)
  bool has_lines = false;
  size_t last_end = 0;  // end of the text of the last non-empty line
  std::vector<Key> keys;
  std::unordered_map<std::string, size_t> index;  // folded name -> first key
};

struct Doc {
  explicit Doc(std::string host) : host(std::move(host)) {}

  std::string host;
  bool loaded = false;
  Stamp stamp;
  bool stamp_known = true;  // false after our own writes: the time is not taken
  bool readable = true;     // false: the file exists but could not be read
  std::string data;
  size_t text_begin = 0;  // after a UTF-8 byte order mark
  std::vector<Section> sections;
  std::unordered_map<std::string, size_t> index;  // folded name -> first section

  // Re-reads the file when it is not what this process last saw.
  void Validate() {
    Stamp now = StatFile(host);
    if (loaded && !stamp_known && now.exists && stamp.exists && now.size == stamp.size &&
        now.inode == stamp.inode) {
      stamp = now;  // our last write: only its time was not taken
      stamp_known = true;
    }
    if (loaded && now == stamp) return;
    loaded = true;
    stamp = now;
    stamp_known = true;
    readable = !now.exists || ReadAll(host, &data);
    if (!now.exists) data.clear();
    Reparse();
  }

  void Reparse() {
    sections.clear();
    index.clear();
    text_begin = data.compare(0, 3, "\xEF\xBB\xBF") == 0 ? 3 : 0;
    Section nameless;
    nameless.begin = nameless.last_end = text_begin;
    sections.push_back(std::move(nameless));
    index.emplace(std::string(), 0);
    ParseLines(text_begin);
  }

  // Parses the lines from pos (a line start) on into the last section and
  // the sections that follow.
  void ParseLines(size_t pos) {
    const size_t n = data.size();
    const std::string_view all(data);
    while (pos < n) {
      const size_t begin = pos;
      size_t e = data.find_first_of("\r\n", pos);
      if (e == std::string::npos) e = n;
      pos = e;
      if (pos < n) pos += (data[pos] == '\r' && pos + 1 < n && data[pos + 1] == '\n') ? 2 : 1;

      size_t b = begin, t = e;
      while (b < t && IsBlank(static_cast<unsigned char>(data[b]))) ++b;
      while (t > b && IsBlank(static_cast<unsigned char>(data[t - 1]))) --t;
      if (b == t) continue;

      if (data[b] == '[') {
        size_t r = t - 1;
        while (r > b && data[r] != ']') --r;
        if (r > b) {
          Section s;
          s.name = std::string(CutAtNul(Trim(all.substr(b + 1, r - b - 1))));
          s.begin = begin;
          s.has_lines = true;
          s.last_end = e;
          index.emplace(Fold(s.name), sections.size());
          sections.push_back(std::move(s));
          continue;
        }
      }

      Section& cur = sections.back();
      Key k;
      k.begin = begin;
      k.end = e;
      std::string_view line = all.substr(b, t - b);
      size_t eq = line.find('=');
      if (eq == std::string_view::npos) {
        k.name = std::string(CutAtNul(line));
      } else {
        std::string_view name = line.substr(0, eq);
        while (!name.empty() && IsBlank(static_cast<unsigned char>(name.back()))) name.remove_suffix(1);
        k.name = std::string(CutAtNul(name));
        k.has_value = true;
        k.value = std::string(CutAtNul(Trim(line.substr(eq + 1))));
      }
      cur.index.emplace(Fold(k.name), cur.keys.size());
      cur.keys.push_back(std::move(k));
      cur.has_lines = true;
      cur.last_end = e;
    }
  }

  Section* FindSection(const std::string& name) {
    auto it = index.find(Fold(name));
    return it == index.end() ? nullptr : &sections[it->second];
  }

  const Key* Find(const std::string& section, const std::string& key) {
    Section* s = FindSection(section);
    if (!s) return nullptr;
    auto it = s->index.find(Fold(key));
    return it == s->index.end() ? nullptr : &s->keys[it->second];
  }

  // Where a new key of s goes: after the line break of its last line. When
  // that line has none (end of file), *need_break says to write one first.
  size_t InsertPoint(const Section& s, bool* need_break) const {
    *need_break = false;
    size_t p = s.last_end;
    if (!s.has_lines) return p;
    if (p >= data.size()) {
      *need_break = true;
      return data.size();
    }
    return p + ((data[p] == '\r' && p + 1 < data.size() && data[p + 1] == '\n') ? 2 : 1);
  }

  enum Stored { kStored, kFailed, kVanished };

  // Writes the bytes from `from` on: old holds the file's present bytes,
  // now the wanted ones. On failure the file gets its old bytes back.
  // kVanished: the file was deleted behind our back; nothing was written.
  Stored Store(size_t from, std::string_view now, std::string_view old) {
    if (!stamp.exists || !readable) {
      // A new file, or one whose bytes could not be read: written whole.
      int fd = OpenWrite(host, true);
      if (fd < 0) return kFailed;
      bool ok = WriteAll(fd, now);
      ok = CloseFile(fd) && ok;
      if (!ok && !stamp.exists) RemovePath(host);
      if (!ok) loaded = false;  // whatever is there now, read it next time
      stamp = StatFile(host);
      stamp_known = true;
      return ok ? kStored : kFailed;
    }
    int fd = OpenWrite(host, false);
    if (fd < 0) return StatFile(host).exists ? kFailed : kVanished;
    bool ok = WriteAt(fd, from, now.substr(from)) && (now.size() >= old.size() || CutTo(fd, now.size()));
    if (!ok) {
      // Disk full or the like: put the old bytes back (they fitted before).
      if (!WriteAt(fd, from, old.substr(from)) || !CutTo(fd, old.size())) loaded = false;
    }
    ok = CloseFile(fd) && ok;
    // Taking the file's time would cost a system call per write; the next
    // check recognises our own bytes by size and file identity.
    stamp.size = static_cast<int64_t>(ok ? now.size() : old.size());
    stamp_known = false;
    return ok ? kStored : kFailed;
  }

  // Appends text (which starts a line) to the file and the model.
  Stored Append(const std::string& text) {
    const size_t old_size = data.size();
    data += text;
    Stored r = Store(old_size, data, std::string_view(data).substr(0, old_size));
    if (r != kStored) {
      data.resize(old_size);
      return r;
    }
    if (!readable) {
      readable = true;
      Reparse();
    } else {
      ParseLines(old_size);
    }
    return kStored;
  }

  // Replaces the file's bytes by now, which equal the present ones up to from.
  Stored Rewrite(size_t from, std::string now) {
    Stored r = Store(from, now, data);
    if (r != kStored) return r;
    data.swap(now);
    readable = true;
    Reparse();
    return kStored;
  }

  Stored Splice(size_t at, size_t erase, const std::string& text) {
    if (erase == 0 && at == data.size()) return Append(text);
    std::string now;
    now.reserve(data.size() - erase + text.size());
    now.append(data, 0, at).append(text).append(data, at + erase, std::string::npos);
    return Rewrite(at, std::move(now));
  }

  Stored TryWrite(const std::string& section, const std::string& key, const std::string& value) {
    if (Section* s = FindSection(section)) {
      auto it = s->index.find(Fold(key));
      if (it != s->index.end()) {
        const Key& k = s->keys[it->second];
        if (k.has_value && k.value == value) return kStored;  // nothing changes
        return Splice(k.begin, k.end - k.begin, k.name + "=" + value);
      }
      bool need_break;
      size_t at = InsertPoint(*s, &need_break);
      return Splice(at, 0, (need_break ? "\r\n" : "") + key + "=" + value + "\r\n");
    }
    std::string text;
    if (!data.empty() && !IsBreak(data.back())) text = "\r\n";
    text += "[" + section + "]\r\n" + key + "=" + value + "\r\n";
    return Append(text);
  }

  Stored TryErase(const std::string& section) {
    const std::string folded = Fold(section);
    std::string now;
    size_t from = std::string::npos, kept = 0;
    for (size_t i = 0; i < sections.size(); ++i) {
      if (Fold(sections[i].name) != folded) continue;
      size_t b = sections[i].begin;
      size_t e = i + 1 < sections.size() ? sections[i + 1].begin : data.size();
      if (from == std::string::npos) from = b;
      now.append(data, kept, b - kept);
      kept = e;
    }
    if (from == std::string::npos) return kStored;  // no such section
    now.append(data, kept, std::string::npos);
    return Rewrite(from, std::move(now));
  }

  // A file deleted by someone else is a file without keys: the change is
  // made to that.
  template <typename Change>
  bool Apply(Change change) {
    Stored r = change();
    if (r == kVanished) {
      Validate();
      r = change();
    }
    return r == kStored;
  }

  bool Write(const std::string& section, const std::string& key, const std::string& value) {
    return Apply([&] { return TryWrite(section, key, value); });
  }

  bool Erase(const std::string& section) {
    return Apply([&] { return TryErase(section); });
  }

  bool Remove() {
    RemovePath(host);
    Stamp now = StatFile(host);
    if (now.exists) return false;
    loaded = true;
    stamp = now;
    stamp_known = true;
    readable = true;
    data.clear();
    Reparse();
    return true;
  }
};

// One parsed copy per file and process, shared by every IniFile naming it.
std::shared_ptr<Doc> AcquireDoc(const std::string& path) {
  static std::mutex mu;
  static std::map<std::string, std::weak_ptr<Doc>> docs;
  std::string key = os::FullPath(path);
#ifdef _WIN32
  key = UpperAscii(key);
  for (char& c : key)
    if (c == '/') c = '\\';
#endif
  std::lock_guard<std::mutex> lock(mu);
  for (auto it = docs.begin(); it != docs.end();) it = it->second.expired() ? docs.erase(it) : std::next(it);
  std::weak_ptr<Doc>& slot = docs[key];
  if (std::shared_ptr<Doc> doc = slot.lock()) return doc;
  auto doc = std::make_shared<Doc>(os::HostPath(path));
  slot = doc;
  return doc;
}

// The default as the platform returns it: without trailing spaces (the first
// character stays), at most 1023 characters.
std::string DefaultValue(const std::string& def) {
  std::string_view d = CutAtNul(def);
  size_t n = d.size();
  while (n > 1 && d[n - 1] == ' ') --n;
  return std::string(d.substr(0, n < kMaxRead ? n : kMaxRead));
}

}  // namespace

struct IniFile::Model {
  std::shared_ptr<Doc> doc;
};

IniFile::IniFile(std::string path) : path_(std::move(path)) {}
IniFile::~IniFile() = default;

IniFile::Model& IniFile::model() const {
  // Checked at the first access, and again after a failed write left the
  // file's bytes unknown.
  if (!model_) {
    model_.reset(new Model{AcquireDoc(path_)});
    model_->doc->Validate();
  } else if (!model_->doc->loaded) {
    model_->doc->Validate();
  }
  return *model_;
}

std::string IniFile::ReadString(const std::string& section, const std::string& key,
                                const std::string& def) const {
  Doc& doc = *model().doc;
  const Key* k = doc.Find(CleanName(section), CleanName(key));
  if (!k || !k->has_value) return DefaultValue(def);
  std::string_view v = k->value;
  if (EnclosedInQuotes(v)) v = v.substr(1, v.size() - 2);
  return std::string(v.substr(0, kMaxRead));
}

bool IniFile::HasKey(const std::string& section, const std::string& key) const {
  Doc& doc = *model().doc;
  const Key* k = doc.Find(CleanName(section), CleanName(key));
  return k && k->has_value;
}

bool IniFile::WriteString(const std::string& section, const std::string& key, const std::string& value) {
  std::string s = CleanName(section), k = CleanName(key);
  std::string v(Trim(CutAtNul(value)));
  if (HasBreak(s) || HasBreak(k) || HasBreak(v)) return false;
  return model().doc->Write(s, k, v);
}

bool IniFile::EraseSection(const std::string& section) {
  std::string s = CleanName(section);
  if (HasBreak(s)) return true;  // no section can have that name
  return model().doc->Erase(s);
}

bool IniFile::Delete() { return model().doc->Remove(); }

// ---- typed values ----------------------------------------------------------

bool ParseInteger(const std::string& text, int32_t* value) {
  const size_t n = text.size();
  if (n > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
    uint64_t v = 0;
    for (size_t i = 2; i < n; ++i) {
      char c = text[i];
      int d = HexDigitValue(c);
      if (d < 0) return false;
      v = v * 16 + static_cast<uint64_t>(d);
      if (v > 0xFFFFFFFFu) return false;
    }
    *value = static_cast<int32_t>(static_cast<uint32_t>(v));
    return true;
  }
  size_t i = 0;
  bool negative = false;
  if (i < n && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
  if (i == n) return false;
  int64_t v = 0;
  for (; i < n; ++i) {
    int d = DecimalDigitValue(text[i]);
    if (d < 0) return false;
    v = v * 10 + d;
    if (v > 2147483648LL) return false;
  }
  if (negative) v = -v;
  if (v > 2147483647LL) return false;
  *value = static_cast<int32_t>(v);
  return true;
}

int32_t ReadInteger(const IniFile& ini, const std::string& section, const std::string& key, int32_t def) {
  int32_t v;
  return ParseInteger(ini.ReadString(section, key, ""), &v) ? v : def;
}

bool ReadBool(const IniFile& ini, const std::string& section, const std::string& key, bool def) {
  return ReadInteger(ini, section, key, def ? 1 : 0) != 0;
}

bool WriteBool(IniFile& ini, const std::string& section, const std::string& key, bool value) {
  return ini.WriteString(section, key, value ? "1" : "0");
}

bool WriteInteger(IniFile& ini, const std::string& section, const std::string& key, int32_t value) {
  return ini.WriteString(section, key, std::to_string(value));
}

std::string ReplaceAll(const std::string& s, const std::string& from, const std::string& to) {
  if (from.empty()) return s;
  std::string out;
  out.reserve(s.size());
  size_t pos = 0;
  for (;;) {
    size_t hit = s.find(from, pos);
    if (hit == std::string::npos) break;
    out.append(s, pos, hit - pos).append(to);
    pos = hit + from.size();
  }
  out.append(s, pos, std::string::npos);
  return out;
}

std::string ProtectEnclosingQuotes(const std::string& text) {
  std::string_view v = Trim(text);  // what the writer keeps
  return EnclosedInQuotes(v) ? "\"" + std::string(v) + "\"" : text;
}

std::string EncodeLineBreaks(const std::string& text) { return ReplaceAll(text, "\r\n", "\x01\xFF"); }
std::string DecodeLineBreaks(const std::string& text) { return ReplaceAll(text, "\x01\xFF", "\r\n"); }

}  // namespace kestro::project
