// The self-extracting file's byte layout: the one definition that the
// compiler writes with and the extractor reads with.
//
// Output file: [stub with TExeHeader at the marker][settings part][data part]
//   settings part: kSettingsMagic, TSetupSettings, the TDirEntry, TFileEntry,
//                  TIconEntry, TIniEntry and TRegEntry tables
//   data part:     per file entry kStreamMagic followed by one zlib stream
//
// Built without exceptions, RTTI or iostreams (the stub has a size budget):
// decoders report problems by return value.
#pragma once

#include <stddef.h>
#include <stdint.h>
#include <string.h>

namespace kestro::format {

// "eLgNiS" 12 34 "C!" 12 34: the SingleExeID the stub carries exactly once.
inline constexpr uint8_t kMarker[12] = {0x65, 0x4C, 0x67, 0x4E, 0x69, 0x53,
                                        0x12, 0x34, 0x43, 0x21, 0x12, 0x34};
inline constexpr size_t kMarkerSize = sizeof kMarker;
// "KX" 01 1A 00 20: begins the settings part.
inline constexpr uint8_t kSettingsMagic[6] = {0x4B, 0x58, 0x01, 0x1A, 0x00, 0x20};
// "zlb" 1A: begins each file's stream in the data part.
inline constexpr uint8_t kStreamMagic[4] = {0x7A, 0x6C, 0x62, 0x1A};

inline constexpr size_t kExeHeaderSize = 21;
inline constexpr size_t kSettingsSize = 5732;
inline constexpr size_t kDirEntrySize = 48;
inline constexpr size_t kFileEntrySize = 95;
inline constexpr size_t kIconEntrySize = 161;
inline constexpr size_t kIniEntrySize = 289;
inline constexpr size_t kRegEntrySize = 310;

// The one-byte mask the password is scrambled with, character by character.
inline constexpr uint8_t kPasswordMask = 0xA5;

// Flags and option bits.
inline constexpr uint8_t kFileFlagBuiltIn = 1 << 3;  // file entry 0, password.val
inline constexpr uint8_t kIconFlagBuiltIn = 1 << 0;  // icon entry 0
inline constexpr uint8_t kIniOptionErase = 1 << 0;   // "E"
inline constexpr uint8_t kIniOptionSkip = 1 << 1;    // "S"
inline constexpr uint8_t kRegOptionErase = 1 << 0;   // "E"
inline constexpr uint8_t kRegOptionKeep = 1 << 1;    // "K"

inline constexpr uint32_t kRootClassesRoot = 0x80000000u;
inline constexpr uint32_t kRootCurrentUser = 0x80000001u;
inline constexpr uint32_t kRootLocalMachine = 0x80000002u;
enum RegType : uint8_t { kRegNone = 0, kRegString = 1, kRegDword = 2 };

inline constexpr uint32_t kNoVersion = 0xFFFFFFFFu;

// A length-prefixed string of fixed capacity: exactly its bytes in a record.
template <size_t Cap>
struct PStr {
  static constexpr size_t kCapacity = Cap;
  uint8_t len = 0;
  char chars[Cap] = {};

  // Stores s, cut silently to the capacity; the rest stays zero.
  void Set(const char* s, size_t n) {
    if (n > Cap) n = Cap;
    memset(chars, 0, Cap);
    memcpy(chars, s, n);
    len = static_cast<uint8_t>(n);
  }
  void Set(const char* s) { Set(s, strlen(s)); }
  // Copies into a zero-terminated buffer of at least Cap + 1 bytes.
  void CopyTo(char* out) const {
    memcpy(out, chars, len);
    out[len] = 0;
  }
  bool Equals(const char* s) const { return strlen(s) == len && memcmp(s, chars, len) == 0; }
};

struct ExeHeader {
  uint32_t settings_offset = 0;  // file offset of the settings part (= stub length)
  uint32_t data_offset = 0;      // file offset of the data part
};

struct SetupSettings {
  bool prompt_show = false;          // 76
  bool password_show = false;        // 78
  bool link_create = false;          // 79
  bool link_start_menu = false;      // 80
  bool link_desktop = false;         // 81
  bool show_final_msg = false;       // 82
  bool progress_show = false;        // 83
  PStr<255> prompt_text;             // 84
  PStr<255> password_text;           // 340
  PStr<255> password;                // 596, scrambled with kPasswordMask
  PStr<255> final_msg;               // 852
  PStr<255> progress_text;           // 1108
  PStr<255> link_file_name;          // 1364
  PStr<255> link_display;            // 1620
  PStr<255> folder_sel_text;         // 1876
  bool run_program = false;          // 2132
  bool show_file_window = false;     // 2133
  bool show_license = false;         // 2134
  bool run_text_file = false;        // 2135
  bool extract_only = false;         // 2136
  PStr<255> run_prog_exe_name;       // 2137
  PStr<255> cancel;                  // 2393
  PStr<255> continue_text;           // 2649
  PStr<255> yes;                     // 2905
  PStr<255> no;                      // 3161
  PStr<255> caption;                 // 3417
  PStr<255> run_text_file_name;      // 3673
  PStr<255> run_prog_exe_para;       // 3929
  PStr<255> run_wait_for;            // 4185
  PStr<255> extract_only_path;       // 4441
  PStr<255> license[4];              // 4697, 4953, 5209, 5465
  bool extract_only_no_dlg = false;  // 5721
  uint16_t dir_count = 0;            // 5722
  uint16_t file_count = 0;           // 5724
  uint16_t icon_count = 0;           // 5726
  uint16_t ini_count = 0;            // 5728
  uint16_t reg_count = 0;            // 5730
};

struct DirEntry {
  PStr<47> folder;
};

struct FileEntry {
  uint32_t offset = 0;   // of the stream's magic, from the data part's start
  PStr<63> destination;  // "%a\" + file name
  uint32_t dos_date_time = 0;
  uint32_t adler32 = 0;
  uint32_t version_ms = kNoVersion;
  uint32_t version_ls = kNoVersion;
  uint32_t size = 0;
  uint32_t packed_size = 0;  // the stream's length, magic not included
  uint8_t flags = 0;
};

struct IconEntry {
  PStr<47> name;
  PStr<63> command;
  PStr<47> folder;
  uint8_t flags = 0;
};

struct IniEntry {
  PStr<63> file;
  PStr<47> section;
  PStr<47> key;
  PStr<127> value;
  uint8_t options = 0;
};

struct RegEntry {
  uint32_t root = 0;
  PStr<127> subkey;
  PStr<47> value_name;
  uint8_t type = kRegNone;
  PStr<127> data;
  uint8_t options = 0;
};

// Little-endian integers.
inline void PutU16(uint8_t* p, uint16_t v) {
  p[0] = static_cast<uint8_t>(v);
  p[1] = static_cast<uint8_t>(v >> 8);
}
inline void PutU32(uint8_t* p, uint32_t v) {
  for (int i = 0; i < 4; ++i) p[i] = static_cast<uint8_t>(v >> (8 * i));
}
inline uint16_t GetU16(const uint8_t* p) { return static_cast<uint16_t>(p[0] | (p[1] << 8)); }
inline uint32_t GetU32(const uint8_t* p) {
  return static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) |
         (static_cast<uint32_t>(p[2]) << 16) | (static_cast<uint32_t>(p[3]) << 24);
}

// Encoders fill exactly the record's size; decoders return false when a
// string's length byte exceeds its capacity (or, for the header, when the
// marker or the version byte is wrong).
void EncodeExeHeader(const ExeHeader& h, uint8_t out[kExeHeaderSize]);
bool DecodeExeHeader(const uint8_t in[kExeHeaderSize], ExeHeader* h);
// The same without comparing the marker, for a reader that has just matched
// it (the stub: a reference to kMarker would put a second marker into it).
bool DecodeExeHeaderAfterMarker(const uint8_t in[kExeHeaderSize], ExeHeader* h);
void EncodeSettings(const SetupSettings& s, uint8_t out[kSettingsSize]);
bool DecodeSettings(const uint8_t in[kSettingsSize], SetupSettings* s);
void EncodeDirEntry(const DirEntry& e, uint8_t out[kDirEntrySize]);
bool DecodeDirEntry(const uint8_t in[kDirEntrySize], DirEntry* e);
void EncodeFileEntry(const FileEntry& e, uint8_t out[kFileEntrySize]);
bool DecodeFileEntry(const uint8_t in[kFileEntrySize], FileEntry* e);
void EncodeIconEntry(const IconEntry& e, uint8_t out[kIconEntrySize]);
bool DecodeIconEntry(const uint8_t in[kIconEntrySize], IconEntry* e);
void EncodeIniEntry(const IniEntry& e, uint8_t out[kIniEntrySize]);
bool DecodeIniEntry(const uint8_t in[kIniEntrySize], IniEntry* e);
void EncodeRegEntry(const RegEntry& e, uint8_t out[kRegEntrySize]);
bool DecodeRegEntry(const uint8_t in[kRegEntrySize], RegEntry* e);

// Length of the settings part for the given counts.
inline uint64_t SettingsPartSize(const SetupSettings& s) {
  return sizeof kSettingsMagic + kSettingsSize + uint64_t{kDirEntrySize} * s.dir_count +
         uint64_t{kFileEntrySize} * s.file_count + uint64_t{kIconEntrySize} * s.icon_count +
         uint64_t{kIniEntrySize} * s.ini_count + uint64_t{kRegEntrySize} * s.reg_count;
}

// Scrambles or unscrambles (the same operation) n password characters.
inline void MaskPassword(char* s, size_t n) {
  for (size_t i = 0; i < n; ++i) s[i] = static_cast<char>(static_cast<uint8_t>(s[i]) ^ kPasswordMask);
}

// Position of the first occurrence of marker in buf, or -1.
long FindMarkerIn(const uint8_t* buf, size_t n, const uint8_t marker[kMarkerSize]);
// Position of the first kMarker in buf, or -1.
long FindMarker(const uint8_t* buf, size_t n);

// Reads n bytes at pos into buf; false on failure.
typedef bool (*ReadAtFn)(void* ctx, uint64_t pos, void* buf, size_t n);
// The position of the first occurrence of marker in a file of the given
// size, read block by block through buf (larger than kMarkerSize), or -1
// (also when a read fails). The marker is a parameter: the extractor passes
// its own header's bytes, so that it carries them only once.
int64_t FindMarkerInFile(ReadAtFn read, void* ctx, uint64_t size, const uint8_t marker[kMarkerSize],
                         uint8_t* buf, size_t buf_size);

}  // namespace kestro::format
