#include "stub/archive.h"

#include <stdlib.h>
#include <string.h>
#include <zlib.h>

#include <new>

namespace kestro::stub {

using namespace kestro::format;

Message& Message::Add(const char* s, size_t n) {
  if (n > sizeof text - 1 - len) n = sizeof text - 1 - len;
  memcpy(text + len, s, n);
  len += n;
  text[len] = 0;
  return *this;
}

Message& Message::Add(const char* s) { return Add(s, strlen(s)); }

Message& Message::Num(uint64_t v) {
  char digits[24];
  int i = sizeof digits;
  do {
    digits[--i] = static_cast<char>('0' + v % 10);
    v /= 10;
  } while (v);
  return Add(digits + i, sizeof digits - i);
}

namespace {

constexpr size_t kBlock = 256 * 1024;

int Damaged(Message* msg, const char* what) {
  msg->Clear();
  msg->Add(what);
  return kExitDamaged;
}

int DamagedEntry(Message* msg, const char* table, size_t i, const char* what) {
  msg->Clear();
  msg->Add(table).Add(" entry ").Num(i + 1).Add(": ").Add(what);
  return kExitDamaged;
}

// An entry that breaks one of the format's rules (the reason has no period).
int RefusedEntry(Message* msg, const char* table, size_t i, const char* why) {
  DamagedEntry(msg, table, i, why);
  msg->Add(".");
  return kExitDamaged;
}

bool ReadArchiveAt(void* ctx, uint64_t pos, void* buf, size_t n) {
  return ReadAt(static_cast<PFile*>(ctx), pos, buf, n);
}

// Finds the first occurrence of marker in the file; -1 if there is none.
int64_t FindFirstMarker(PFile* f, uint64_t size, const uint8_t* marker) {
  uint8_t* buf = static_cast<uint8_t*>(malloc(kBlock));
  if (!buf) return -1;
  int64_t found = FindMarkerInFile(ReadArchiveAt, f, size, marker, buf, kBlock);
  free(buf);
  return found;
}

template <class T>
T* NewArray(size_t n) {
  if (n == 0) return nullptr;
  void* p = malloc(n * sizeof(T));
  if (!p) return nullptr;
  T* t = static_cast<T*>(p);
  for (size_t i = 0; i < n; ++i) new (t + i) T();
  return t;
}

// Reads a table of count records of size rec_size at *pos and decodes them.
template <class T>
int ReadTable(Archive* a, uint64_t* pos, size_t count, size_t rec_size, bool (*decode)(const uint8_t*, T*),
              T** out, const char* name, Message* msg) {
  if (count == 0) return kExitOk;
  *out = NewArray<T>(count);
  uint8_t* raw = static_cast<uint8_t*>(malloc(count * rec_size));
  if (!*out || !raw) {
    free(raw);
    return Damaged(msg, "Not enough memory to read the setup data.");
  }
  int rc = kExitOk;
  if (!ReadAt(a->file, *pos, raw, count * rec_size)) {
    rc = Damaged(msg, "The setup data could not be read.");
  } else {
    for (size_t i = 0; i < count && rc == kExitOk; ++i)
      if (!decode(raw + i * rec_size, *out + i))
        rc = DamagedEntry(msg, name, i, "a text is longer than its field.");
  }
  free(raw);
  *pos += count * rec_size;
  return rc;
}

bool IsSep(char c) { return c == '\\'; }

}  // namespace

bool ExpandTarget(const char* s, size_t len, const char* folder, char* out, size_t n) {
  size_t flen = 0;
  const char* rest = s;
  size_t rest_len = len;
  if (StartsWithTarget(s, len)) {
    flen = strlen(folder);
    while (flen > 0 && IsSep(folder[flen - 1]) && !(flen == 3 && folder[1] == ':')) --flen;
    rest += 2;
    rest_len -= 2;
  }
  if (flen + rest_len + 1 > n) return false;
  memcpy(out, folder, flen);
  memcpy(out + flen, rest, rest_len);
  out[flen + rest_len] = 0;
  return true;
}

void ExpandAll(const char* s, const char* folder, char* out, size_t n) {
  size_t o = 0, flen = strlen(folder);
  for (; *s && o + 1 < n; ++s) {
    if (s[0] == '%' && (s[1] == 'a' || s[1] == 'A')) {
      size_t k = flen < n - 1 - o ? flen : n - 1 - o;
      memcpy(out + o, folder, k);
      o += k;
      ++s;
    } else {
      out[o++] = *s;
    }
  }
  out[o] = 0;
}

int OpenArchive(const char* path, const uint8_t marker[kMarkerSize], Archive* a, Message* msg) {
  *a = Archive();
  a->file = OpenRead(path);
  if (!a->file) {
    char reason[256];
    ErrorText(LastError(), reason, sizeof reason);
    msg->Clear();
    msg->Add("The file ").Add(path).Add(" could not be opened: ").Add(reason);
    return kExitDamaged;
  }
  a->file_size = FileSizeOf(a->file);
  int rc = kExitOk;
  do {
    int64_t at = FindFirstMarker(a->file, a->file_size, marker);
    if (at < 0) {
      rc = Damaged(msg, "No setup data found: the file does not carry the setup header.");
      break;
    }
    a->header_pos = static_cast<uint64_t>(at);
    uint8_t head[kExeHeaderSize];
    if (a->header_pos + kExeHeaderSize > a->file_size || !ReadAt(a->file, a->header_pos, head, sizeof head)) {
      rc = Damaged(msg, "The setup header is cut off.");
      break;
    }
    if (memcmp(head, marker, kMarkerSize) != 0 || !DecodeExeHeaderAfterMarker(head, &a->header)) {
      rc = Damaged(msg, "The setup header is damaged: no setup data was added to this file.");
      break;
    }
    uint64_t pos = a->header.settings_offset;
    if (pos < a->header_pos + kExeHeaderSize || pos + sizeof kSettingsMagic + kSettingsSize > a->file_size) {
      rc = Damaged(msg, "The settings part lies outside the file (the file is truncated or damaged).");
      break;
    }
    uint8_t magic[sizeof kSettingsMagic];
    if (!ReadAt(a->file, pos, magic, sizeof magic) || memcmp(magic, kSettingsMagic, sizeof magic) != 0) {
      rc = Damaged(msg, "The settings part's magic is missing.");
      break;
    }
    pos += sizeof magic;
    uint8_t* raw = static_cast<uint8_t*>(malloc(kSettingsSize));
    if (!raw) {
      rc = Damaged(msg, "Not enough memory to read the setup data.");
      break;
    }
    bool read_ok = ReadAt(a->file, pos, raw, kSettingsSize);
    bool decoded = read_ok && DecodeSettings(raw, &a->settings);
    free(raw);
    if (!decoded) {
      rc = Damaged(msg, read_ok ? "The settings record holds a text longer than its field."
                                : "The settings part could not be read.");
      break;
    }
    pos += kSettingsSize;
    const SetupSettings& s = a->settings;
    uint64_t end = a->header.settings_offset + SettingsPartSize(s);
    if (end > a->file_size) {
      rc = Damaged(msg, "The entry counts reach past the end of the file (truncated or damaged).");
      break;
    }
    if (a->header.data_offset != end) {
      rc = Damaged(msg, "The data part is not where the settings part ends (wrong counts or offsets).");
      break;
    }
    if (s.file_count == 0) {
      rc = Damaged(msg, "The file table is empty.");
      break;
    }
    if ((rc = ReadTable(a, &pos, s.dir_count, kDirEntrySize, DecodeDirEntry, &a->dirs, "[Dirs]", msg)) ||
        (rc = ReadTable(a, &pos, s.file_count, kFileEntrySize, DecodeFileEntry, &a->files, "File", msg)) ||
        (rc = ReadTable(a, &pos, s.icon_count, kIconEntrySize, DecodeIconEntry, &a->icons, "[Icons]", msg)) ||
        (rc = ReadTable(a, &pos, s.ini_count, kIniEntrySize, DecodeIniEntry, &a->inis, "[INI]", msg)) ||
        (rc = ReadTable(a, &pos, s.reg_count, kRegEntrySize, DecodeRegEntry, &a->regs, "[Registry]", msg)))
      break;
    for (size_t i = 0; i < s.dir_count && rc == kExitOk; ++i)
      if (const char* why = CheckDirEntry(a->dirs[i])) rc = RefusedEntry(msg, "[Dirs]", i, why);
    // The streams lie back to back in entry order, as the compiler writes
    // them: no two overlap and no bytes lie between them.
    uint64_t next = 0;
    for (size_t i = 0; i < s.file_count && rc == kExitOk; ++i) {
      const FileEntry& f = a->files[i];
      uint64_t stream = uint64_t{a->header.data_offset} + f.offset;
      if (stream + sizeof kStreamMagic + f.packed_size > a->file_size) {
        rc = DamagedEntry(msg, "File", i, "its data lies outside the file (truncated or damaged).");
        break;
      }
      if (f.offset != next) {
        rc = DamagedEntry(msg, "File", i, "its data does not follow the data of the entry before.");
        break;
      }
      next = uint64_t{f.offset} + sizeof kStreamMagic + f.packed_size;
      uint8_t m[sizeof kStreamMagic];
      if (!ReadAt(a->file, stream, m, sizeof m) || memcmp(m, kStreamMagic, sizeof m) != 0) {
        rc = DamagedEntry(msg, "File", i, "the magic of its data is missing.");
        break;
      }
      if (!(f.flags & kFileFlagBuiltIn) && !SafeDestination(f.destination.chars, f.destination.len)) {
        msg->Clear();
        msg->Add("File entry ").Num(i + 1).Add(": the destination ");
        msg->Add(f.destination.chars, f.destination.len).Add(" would be written outside the target folder.");
        rc = kExitDamaged;
      }
    }
    for (size_t i = 0; i < s.icon_count && rc == kExitOk; ++i)
      if (const char* why = CheckIconEntry(a->icons[i])) rc = RefusedEntry(msg, "[Icons]", i, why);
    for (size_t i = 0; i < s.ini_count && rc == kExitOk; ++i)
      if (const char* why = CheckIniEntry(a->inis[i])) rc = RefusedEntry(msg, "[INI]", i, why);
    for (size_t i = 0; i < s.reg_count && rc == kExitOk; ++i)
      if (const char* why = CheckRegEntry(a->regs[i])) rc = RefusedEntry(msg, "[Registry]", i, why);
  } while (false);
  if (rc != kExitOk) CloseArchive(a);
  return rc;
}

void CloseArchive(Archive* a) {
  if (a->file) CloseFile(a->file);
  free(a->dirs);
  free(a->files);
  free(a->icons);
  free(a->inis);
  free(a->regs);
  *a = Archive();
}

bool HasPassword(const Archive& a) { return a.settings.password_show && a.settings.password.len > 0; }

bool PasswordMatches(const Archive& a, const char* pw) {
  const PStr<255>& p = a.settings.password;
  if (strlen(pw) != p.len) return false;
  char plain[256];
  memcpy(plain, p.chars, p.len);
  MaskPassword(plain, p.len);
  bool same = memcmp(plain, pw, p.len) == 0;
  memset(plain, 0, sizeof plain);
  return same;
}

void LicenseText(const Archive& a, char* out) {
  char joined[4 * 255 + 1];
  size_t n = 0;
  for (const auto& piece : a.settings.license) {
    memcpy(joined + n, piece.chars, piece.len);
    n += piece.len;
  }
  size_t o = 0;
  for (size_t i = 0; i < n; ++i) {
    if (joined[i] == '\x01' && i + 1 < n && joined[i + 1] == '\xFF') {
      out[o++] = '\r';
      out[o++] = '\n';
      ++i;
    } else {
      out[o++] = joined[i];
    }
  }
  out[o] = 0;
}

uint64_t TotalSize(const Archive& a) {
  uint64_t t = 0;
  for (size_t i = 0; i < a.settings.file_count; ++i) t += a.files[i].size;
  return t;
}

namespace {

bool Note(MadeDirs* made, const char* path) {
  if (!made) return true;
  if (made->count == made->capacity) {
    size_t cap = made->capacity ? made->capacity * 2 : 16;
    char** p = static_cast<char**>(realloc(made->paths, cap * sizeof(char*)));
    if (!p) return false;
    made->paths = p;
    made->capacity = cap;
  }
  size_t n = strlen(path) + 1;
  char* copy = static_cast<char*>(malloc(n));
  if (!copy) return false;
  memcpy(copy, path, n);
  made->paths[made->count++] = copy;
  return true;
}

}  // namespace

bool MakeDirs(const char* path, MadeDirs* made) {
  if (IsDir(path)) return true;
  char buf[kPathMax];
  size_t n = strlen(path);
  if (n >= sizeof buf) return false;
  memcpy(buf, path, n + 1);
  while (n > 0 && IsSep(buf[n - 1])) buf[--n] = 0;
  // Create every level from the first missing one on; each one we create is
  // noted, so that a failure can take away exactly what we made.
  for (size_t i = 1; i <= n; ++i) {
    if (i == n || IsSep(buf[i]) || buf[i] == '/') {
      char c = buf[i];
      buf[i] = 0;
      bool root = (i == 2 && buf[1] == ':') || buf[0] == 0;
      if (!root && !IsDir(buf)) {
        int r = MakeDir(buf);
        if (r < 0) return false;
        if (r > 0 && !Note(made, buf)) {
          RemoveDirAt(buf);
          return false;
        }
      }
      buf[i] = c;
    }
  }
  return IsDir(path);
}

void RemoveMadeDirs(MadeDirs* made) {
  for (size_t k = made->count; k-- > 0;) RemoveDirAt(made->paths[k]);
  FreeMadeDirs(made);
}

void FreeMadeDirs(MadeDirs* made) {
  for (size_t k = 0; k < made->count; ++k) free(made->paths[k]);
  free(made->paths);
  *made = MadeDirs();
}

namespace {

// One file on its way into place. Only the random parts of its temporary
// and backup names are kept (the paths are derived again when needed), so
// that 60000 entries cost little memory.
struct Pending {
  uint8_t temp_id[8];
  uint8_t backup_id[8];  // the replaced file while renaming
  bool has_temp;
  bool has_backup;
  bool renamed;
  bool differs;  // the destination exists with other content
};

struct Work {
  Archive* a;
  const ExtractOptions* opt;
  Message* msg;
  uint8_t* in;
  uint8_t* out;
  uint64_t done = 0;
  uint64_t total = 0;
};

void AppendHex(char* p, const uint8_t* bytes, size_t n) {
  static const char kHex[] = "0123456789abcdef";
  for (size_t i = 0; i < n; ++i) {
    *p++ = kHex[bytes[i] >> 4];
    *p++ = kHex[bytes[i] & 15];
  }
  *p = 0;
}

// The name folder\~kx<hex of id>.tmp in the folder of path.
bool SiblingName(const char* path, const uint8_t id[8], char* out) {
  size_t n = strlen(path);
  size_t cut = n;
  while (cut > 0 && !IsSep(path[cut - 1])) --cut;
  if (cut + 3 + 16 + 5 > kPathMax) return false;
  memcpy(out, path, cut);
  memcpy(out + cut, "~kx", 3);
  AppendHex(out + cut + 3, id, 8);
  memcpy(out + cut + 3 + 16, ".tmp", 5);
  return true;
}

// A fresh, unpredictable id for SiblingName.
void NewId(uint8_t id[8]) { RandomBytes(id, 8); }

int WriteFailed(Message* msg, const char* path) {
  char reason[256];
  ErrorText(LastError(), reason, sizeof reason);
  msg->Clear();
  msg->Add("Cannot write ").Add(path).Add(": ").Add(reason);
  return kExitWrite;
}

// Inflates entry i into file out (may be null: check only).
int InflateEntry(Work& w, size_t i, PFile* out, const char* out_name) {
  const FileEntry& e = w.a->files[i];
  z_stream z;
  memset(&z, 0, sizeof z);
  if (inflateInit(&z) != Z_OK) return Damaged(w.msg, "The decompressor could not be started.");
  uint64_t pos = uint64_t{w.a->header.data_offset} + e.offset + sizeof kStreamMagic;
  uint64_t left = e.packed_size;
  uint64_t produced = 0;
  int rc = kExitOk;
  int zr = Z_OK;
  while (zr != Z_STREAM_END && rc == kExitOk) {
    if (z.avail_in == 0) {
      if (left == 0) {
        rc = DamagedEntry(w.msg, "File", i, "its data ends too early.");
        break;
      }
      size_t n = left < kBlock ? static_cast<size_t>(left) : kBlock;
      if (!ReadAt(w.a->file, pos, w.in, n)) {
        rc = DamagedEntry(w.msg, "File", i, "its data could not be read.");
        break;
      }
      pos += n;
      left -= n;
      z.next_in = w.in;
      z.avail_in = static_cast<uInt>(n);
    }
    // Room for one byte more than the recorded size at most: a stream that
    // inflates to more than it claims is stopped right there.
    uint64_t room = uint64_t{e.size} - produced + 1;
    size_t space = room < kBlock ? static_cast<size_t>(room) : kBlock;
    z.next_out = w.out;
    z.avail_out = static_cast<uInt>(space);
    zr = inflate(&z, Z_NO_FLUSH);
    if (zr != Z_OK && zr != Z_STREAM_END) {
      rc = DamagedEntry(w.msg, "File", i, "its data is damaged (checksum or format error).");
      break;
    }
    size_t got = space - z.avail_out;
    produced += got;
    if (produced > e.size) {
      rc = DamagedEntry(w.msg, "File", i, "its data is longer than its recorded size.");
      break;
    }
    if (out && got && !WriteAll(out, w.out, got)) {
      rc = WriteFailed(w.msg, out_name);
      break;
    }
    w.done += got;
    if (w.opt->progress && !w.opt->progress(w.opt->progress_ctx, w.done, w.total)) rc = kExitCancelled;
  }
  if (rc == kExitOk) {
    if (left != 0 || z.avail_in != 0)
      rc = DamagedEntry(w.msg, "File", i, "its data does not end where its recorded length ends.");
    else if (produced != e.size)
      rc = DamagedEntry(w.msg, "File", i, "its data is shorter than its recorded size.");
    else if (z.adler != e.adler32)
      rc = DamagedEntry(w.msg, "File", i, "its checksum does not match.");
  }
  inflateEnd(&z);
  return rc;
}

// Where entry i goes.
bool FinalPath(const Archive& a, size_t i, const char* folder, char* out) {
  const PStr<63>& d = a.files[i].destination;
  return ExpandTarget(d.chars, d.len, folder, out, kPathMax);
}

// Whether a folder of path below the target folder (its first `from`
// characters) is a link or junction: writing through it would land outside.
bool ThroughLink(char* path, size_t from) {
  size_t n = strlen(path);
  for (size_t i = from + 1; i <= n; ++i) {
    if (i < n && !IsSep(path[i])) continue;
    char c = path[i];
    path[i] = 0;
    bool link = IsLink(path);
    path[i] = c;
    if (link) return true;
  }
  return false;
}

int LinkInTheWay(Message* msg, const char* path) {
  msg->Clear();
  msg->Add("Cannot write ")
      .Add(path)
      .Add(": a folder on its way is a link that may lead outside the target folder.");
  return kExitWrite;
}

// Undoes the renames done so far and removes every temporary.
void Rollback(const Archive& a, const char* folder, Pending* p, size_t n) {
  char final_path[kPathMax], temp[kPathMax], backup[kPathMax];
  for (size_t k = n; k-- > 0;) {
    if (!p[k].has_temp || !FinalPath(a, k, folder, final_path)) continue;
    bool backup_ok = p[k].has_backup && SiblingName(final_path, p[k].backup_id, backup);
    if (p[k].renamed) {
      RemoveFileAt(final_path);
      if (backup_ok) RenameNew(backup, final_path);
    } else {
      if (SiblingName(final_path, p[k].temp_id, temp)) RemoveFileAt(temp);
      if (backup_ok && !Exists(final_path)) RenameNew(backup, final_path);
    }
  }
}

// Whether two files hold the same bytes.
bool SameContent(Work& w, const char* x, const char* y) {
  PFile* f = OpenRead(x);
  PFile* g = f ? OpenRead(y) : nullptr;
  bool same = g && FileSizeOf(f) == FileSizeOf(g);
  uint64_t size = same ? FileSizeOf(f) : 0;
  for (uint64_t pos = 0; same && pos < size; pos += kBlock) {
    size_t n = size - pos < kBlock ? static_cast<size_t>(size - pos) : kBlock;
    same = ReadAt(f, pos, w.in, n) && ReadAt(g, pos, w.out, n) && memcmp(w.in, w.out, n) == 0;
  }
  if (g) CloseFile(g);
  if (f) CloseFile(f);
  return same;
}

// Forgets the extracted copy of entry i: its destination stays as it is.
void DropTemp(const Archive& a, size_t i, const char* folder, Pending* q) {
  char path[kPathMax], temp[kPathMax];
  if (FinalPath(a, i, folder, path) && SiblingName(path, q->temp_id, temp)) RemoveFileAt(temp);
  q->has_temp = false;
}

// Destinations that exist already: the same content is left alone, other
// content replaced, kept, asked about or refused as opt.existing says.
int SortOutExisting(Work& w, const char* folder, Pending* p, size_t n) {
  const Archive& a = *w.a;
  char path[kPathMax], temp[kPathMax];
  static char first[3][256];
  const char* names[3] = {first[0], first[1], first[2]};
  Message list;
  size_t differ = 0;
  for (size_t i = 0; i < n; ++i) {
    if (!p[i].has_temp || !FinalPath(a, i, folder, path) || !Exists(path) || IsDir(path)) continue;
    SiblingName(path, p[i].temp_id, temp);
    if (SameContent(w, path, temp)) {
      DropTemp(a, i, folder, &p[i]);
      continue;
    }
    p[i].differs = true;
    const auto& d = a.files[i].destination;  // "%a\" and the relative name
    if (differ < 3) {
      memcpy(first[differ], d.chars + 3, d.len - 3u);
      first[differ][d.len - 3u] = 0;
    }
    if (list.len < 800) list.Add(differ ? ", " : "").Add(d.chars + 3, d.len - 3);
    ++differ;
  }
  if (differ == 0) return kExitOk;
  Existing how = w.opt->existing;
  if (how == Existing::kAsk) {
    how = w.opt->ask ? w.opt->ask(w.opt->ask_ctx, differ, names, differ < 3 ? differ : 3, folder)
                     : Existing::kRefuse;
    if (how == Existing::kRefuse || how == Existing::kAsk) return kExitCancelled;
  }
  if (how == Existing::kRefuse) {
    w.msg->Clear();
    w.msg->Num(differ).Add(differ == 1 ? " file in " : " files in ").Add(folder);
    w.msg->Add(differ == 1 ? " already exists and differs: " : " already exist and differ: ").Add(list.text);
    if (list.len >= 800) w.msg->Add(", ...");
    return kExitExists;
  }
  if (how == Existing::kKeep)
    for (size_t i = 0; i < n; ++i)
      if (p[i].has_temp && p[i].differs) DropTemp(a, i, folder, &p[i]);
  return kExitOk;
}

}  // namespace

int ExtractAll(Archive& a, const char* folder, const ExtractOptions& opt, Message* msg) {
  Work w;
  w.a = &a;
  w.opt = &opt;
  w.msg = msg;
  w.total = TotalSize(a);
  w.in = static_cast<uint8_t*>(malloc(kBlock));
  w.out = static_cast<uint8_t*>(malloc(kBlock));
  size_t nfiles = a.settings.file_count;
  Pending* p = opt.test_only ? nullptr : static_cast<Pending*>(calloc(nfiles, sizeof(Pending)));
  MadeDirs made;  // folders we created, to remove again on failure
  int rc = kExitOk;
  if (!w.in || !w.out || (!opt.test_only && !p)) rc = Damaged(msg, "Not enough memory to extract.");

  char path[kPathMax], temp[kPathMax];
  // The [Dirs] folders.
  for (size_t i = 0; rc == kExitOk && !opt.test_only && i < a.settings.dir_count; ++i) {
    const PStr<47>& d = a.dirs[i].folder;
    if (!ExpandTarget(d.chars, d.len, folder, path, sizeof path)) {
      rc = Damaged(msg, "A folder path is too long.");
      break;
    }
    if (d.len > 2 && ThroughLink(path, strlen(path) - (d.len - 2))) {
      rc = LinkInTheWay(msg, path);
      break;
    }
    if (!MakeDirs(path, &made)) {
      rc = WriteFailed(msg, path);
      break;
    }
  }
  // Every stream, each to a temporary name beside its destination.
  for (size_t i = 0; rc == kExitOk && i < nfiles; ++i) {
    const FileEntry& e = a.files[i];
    bool keep = !opt.test_only && !(e.flags & kFileFlagBuiltIn);
    if (!keep) {
      rc = InflateEntry(w, i, nullptr, nullptr);
      continue;
    }
    Pending& q = p[i];
    if (!FinalPath(a, i, folder, path)) {
      rc = Damaged(msg, "A destination path is too long.");
      break;
    }
    if (IsDir(path)) {
      msg->Clear();
      msg->Add("Cannot write ").Add(path).Add(": a folder of that name exists.");
      rc = kExitWrite;
      break;
    }
    // A destination in a subfolder that no [Dirs] entry made.
    char* cut = strrchr(path, '\\');
    size_t from = strlen(path) - (e.destination.len - 2);
    if (cut && static_cast<size_t>(cut - path) > from) {
      *cut = 0;
      bool link = ThroughLink(path, from);
      *cut = '\\';
      if (link) {
        rc = LinkInTheWay(msg, path);
        break;
      }
    }
    if (cut) {
      *cut = 0;
      bool ok = MakeDirs(path, &made);
      if (!ok) rc = WriteFailed(msg, path);
      *cut = '\\';
      if (!ok) break;
    }
    PFile* out = nullptr;
    for (int attempt = 0; attempt < 5 && !out; ++attempt) {
      NewId(q.temp_id);
      if (!SiblingName(path, q.temp_id, temp)) break;
      out = CreateNew(temp);
    }
    if (!out) {
      rc = WriteFailed(msg, path);
      break;
    }
    q.has_temp = true;
    rc = InflateEntry(w, i, out, path);
    if (!CloseFile(out) && rc == kExitOk) rc = WriteFailed(msg, path);
    // A time the system cannot set (outside its range, or a field out of
    // place) leaves the file its own time: the contents are what count.
    if (rc == kExitOk) SetFileDos(temp, e.dos_date_time);
  }
  if (rc == kExitOk && !opt.test_only) rc = SortOutExisting(w, folder, p, nfiles);
  // Every stream passed: move them all into place, replaced files aside
  // first so that a failed rename can be undone.
  char backup[kPathMax];
  for (size_t i = 0; rc == kExitOk && !opt.test_only && i < nfiles; ++i) {
    Pending& q = p[i];
    if (!q.has_temp) continue;
    FinalPath(a, i, folder, path);
    SiblingName(path, q.temp_id, temp);
    if (IsDir(path)) {  // another entry's folder took the name
      msg->Clear();
      msg->Add("Cannot write ").Add(path).Add(": a folder of that name exists.");
      rc = kExitWrite;
      break;
    }
    if (Exists(path)) {
      NewId(q.backup_id);
      if (!SiblingName(path, q.backup_id, backup) || !RenameNew(path, backup)) {
        rc = WriteFailed(msg, path);
        break;
      }
      q.has_backup = true;
    }
    if (!RenameNew(temp, path)) {
      rc = WriteFailed(msg, path);
      break;
    }
    q.renamed = true;
  }
  if (p) {
    if (rc != kExitOk) {
      Rollback(a, folder, p, nfiles);
      RemoveMadeDirs(&made);
    } else {
      for (size_t i = 0; i < nfiles; ++i)
        if (p[i].has_backup && FinalPath(a, i, folder, path) && SiblingName(path, p[i].backup_id, backup))
          RemoveFileAt(backup);
    }
  }
  FreeMadeDirs(&made);
  free(p);
  free(w.in);
  free(w.out);
  return rc;
}

int ApplyIniEntries(const Archive& a, const char* folder, bool only_inside, Message* msg) {
  char file[kPathMax], section[48], key[48], raw[128], value[kPathMax];
  for (size_t i = 0; i < a.settings.ini_count; ++i) {
    const IniEntry& e = a.inis[i];
    if (only_inside && !StartsWithTarget(e.file.chars, e.file.len)) continue;
    if (e.file.len == 0) continue;  // no file named: nothing to write
    if (!ExpandTarget(e.file.chars, e.file.len, folder, file, sizeof file)) {
      msg->Clear();
      msg->Add("Cannot write ").Add(e.file.chars, e.file.len).Add(": the path is too long.");
      return InEntry(msg, "[INI]", i, kExitWrite);
    }
    // Inside the target folder, as for files: never through a link.
    if (StartsWithTarget(e.file.chars, e.file.len) && ThroughLink(file, strlen(file) - (e.file.len - 2)))
      return InEntry(msg, "[INI]", i, LinkInTheWay(msg, file));
    e.section.CopyTo(section);
    e.key.CopyTo(key);
    e.value.CopyTo(raw);
    ExpandAll(raw, folder, value, sizeof value);
    bool ok = true;
    if (e.options & kIniOptionErase)
      ok = IniErase(file, section, key);
    else if (!(e.options & kIniOptionSkip) || !IniHasKey(file, section, key))
      ok = IniWrite(file, section, key, value);
    if (!ok) return InEntry(msg, "[INI]", i, WriteFailed(msg, file));
  }
  return kExitOk;
}

int InEntry(Message* msg, const char* table, size_t i, int rc) {
  Message m;
  m.Add(table).Add(" entry ").Num(i + 1).Add(": ").Add(msg->text);
  *msg = m;
  return rc;
}

}  // namespace kestro::stub
