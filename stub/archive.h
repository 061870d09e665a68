// Reading a self-extracting output: find its header, check every part, test
// and extract the streams. Shared by the stub and kestro-extract; built
// without exceptions, RTTI or iostreams, reporting by return value.
#pragma once

#include <stddef.h>
#include <stdint.h>

#include "format/records.h"
#include "format/rules.h"
#include "stub/platform.h"

namespace kestro::stub {

// The process exit codes, the same for the stub and kestro-extract.
enum ExitCode : int {
  kExitOk = 0,
  kExitCancelled = 1,
  kExitDamaged = 2,
  kExitPassword = 3,
  kExitWrite = 4,
  kExitStart = 5,
  kExitExists = 6,  // kestro-extract: would replace existing files
};

// A message for the user, built without printf.
struct Message {
  char text[1024] = {};
  size_t len = 0;

  Message& Add(const char* s);
  Message& Add(const char* s, size_t n);
  Message& Num(uint64_t v);
  void Clear() {
    len = 0;
    text[0] = 0;
  }
};

struct Archive {
  PFile* file = nullptr;
  uint64_t file_size = 0;
  uint64_t header_pos = 0;
  format::ExeHeader header;
  format::SetupSettings settings;
  format::DirEntry* dirs = nullptr;
  format::FileEntry* files = nullptr;
  format::IconEntry* icons = nullptr;
  format::IniEntry* inis = nullptr;
  format::RegEntry* regs = nullptr;
};

// Opens path, finds the first occurrence of the 12 marker bytes and checks
// everything: the header, the settings part, each table and string, each
// stream's place (back to back, in entry order) and magic, every
// destination's safety and every script entry (format/rules.h). Returns kExitOk,
// or kExitDamaged with msg naming what is wrong (the archive is then closed).
int OpenArchive(const char* path, const uint8_t marker[format::kMarkerSize], Archive* a, Message* msg);
void CloseArchive(Archive* a);

// Whether the output asks for a password before extracting.
bool HasPassword(const Archive& a);
// Whether pw is the output's password (exact, letter case counts).
bool PasswordMatches(const Archive& a, const char* pw);
// The licence text: the four pieces joined, line-break markers as CR LF.
// out must hold 4 * 255 * 2 + 1 bytes.
inline constexpr size_t kLicenseMax = 4 * 255 * 2 + 1;
void LicenseText(const Archive& a, char* out);

// The destination rules are the format's, shared with the compiler.
using format::SafeDestination;
using format::SafeRelativePath;
// Expands a leading "%a" to folder (no trailing backslash). False if too long.
bool ExpandTarget(const char* s, size_t len, const char* folder, char* out, size_t n);

// Replaces every "%a" in s (a value or a parameter) by folder; cut to n.
void ExpandAll(const char* s, const char* folder, char* out, size_t n);

// Called with the bytes written so far and the total; returns false to
// cancel. May be null.
typedef bool (*ProgressFn)(void* ctx, uint64_t done, uint64_t total);

// What becomes of destinations that already exist with other content; one
// with the same content is left as it is in every case.
enum class Existing : uint8_t {
  kReplace,  // replaced
  kKeep,     // kept; the other files are extracted
  kAsk,      // as ask answers
  kRefuse,   // nothing is extracted: kExitExists, msg naming them
};

// Asked once, after every stream passed its check and before anything is
// renamed into place: count destinations differ, the first of them (at most
// three, relative to folder) in names. Returns kReplace or kKeep, or kRefuse
// to cancel (nothing is extracted: kExitCancelled).
typedef Existing (*AskExistingFn)(void* ctx, size_t count, const char* const* names, size_t nnames,
                                  const char* folder);

struct ExtractOptions {
  bool test_only = false;  // check every stream, write nothing
  ProgressFn progress = nullptr;
  void* progress_ctx = nullptr;
  Existing existing = Existing::kReplace;
  AskExistingFn ask = nullptr;  // for Existing::kAsk
  void* ask_ctx = nullptr;
};

// Inflates file entry i into sink (null: check only); checks size and
// Adler-32. Returns kExitOk, kExitDamaged, kExitWrite or kExitCancelled.
typedef bool (*SinkFn)(void* ctx, const void* data, size_t n);

// Tests every stream (test_only) or extracts all files into folder, which
// must exist: the [Dirs] folders first, then every file under a temporary
// name; only when every stream passed are they renamed into place (existing
// files as opt.existing says). On any failure nothing of ours is left and no
// existing file has been changed.
// The built-in file entry is checked but not kept.
int ExtractAll(Archive& a, const char* folder, const ExtractOptions& opt, Message* msg);

// Puts "[INI] entry 3: " (table, entry i counted from 0) before msg's text;
// returns rc.
int InEntry(Message* msg, const char* table, size_t i, int rc);

// Applies the [INI] entries. only_inside: skip entries whose file is not in
// folder (kestro-extract). Returns kExitOk, or kExitWrite with msg naming
// the entry, the file and the system's reason.
int ApplyIniEntries(const Archive& a, const char* folder, bool only_inside, Message* msg);

// The folders MakeDirs created, in creation order, so that a failure can
// remove exactly those again.
struct MadeDirs {
  char** paths = nullptr;
  size_t count = 0;
  size_t capacity = 0;
};
// Creates every missing folder of path (a full path), noting each level it
// creates in made (may be null). False on failure.
bool MakeDirs(const char* path, MadeDirs* made = nullptr);
// Removes the noted folders, deepest first (each only if empty).
void RemoveMadeDirs(MadeDirs* made);
// Forgets the notes (the folders stay).
void FreeMadeDirs(MadeDirs* made);

// Total of the file sizes (the progress range).
uint64_t TotalSize(const Archive& a);

}  // namespace kestro::stub
