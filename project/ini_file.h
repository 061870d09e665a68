// The project file: an INI file with the semantics of the platform's
// private-profile functions, portable to every host.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

namespace kestro::project {

// Text is 8-bit bytes and is never converted. An IniFile reads the file at
// its first access and owns it from then on: only one program uses a project
// file at a time, so a change by another program is seen by the IniFile
// objects created after it. All IniFile objects of one process that name the
// same file share one parsed copy, so they always agree; a file deleted
// behind an object's back is written anew. Every write has reached the file
// (not necessarily the disk's platters) before the call returns.
class IniFile {
 public:
  // Nothing is read until the first access. A missing or unreadable file
  // reads as a file without keys.
  explicit IniFile(std::string path);
  ~IniFile();
  IniFile(const IniFile&) = delete;
  IniFile& operator=(const IniFile&) = delete;

  const std::string& path() const { return path_; }

  // The value without surrounding blanks and without one pair of enclosing
  // quotation marks (" or '), at most 1023 characters; def when the key is
  // missing (like the platform, without trailing spaces and cut to 1023).
  // Section and key names match without regard to case. Of two sections or
  // keys with the same name the first one counts.
  std::string ReadString(const std::string& section, const std::string& key, const std::string& def) const;
  // Whether the key is present (even with an empty value).
  bool HasKey(const std::string& section, const std::string& key) const;

  // Replaces an existing key where it stands; a new key goes to the end of
  // its section, a new section to the end of the file. Lines end with CR LF.
  // Returns false when the file cannot be written; keys written before stay.
  // A name or value containing a line break is refused (false): it would
  // write lines of its own.
  bool WriteString(const std::string& section, const std::string& key, const std::string& value);
  // Erases a whole section (every section of that name). Returns false when
  // the file cannot be written.
  bool EraseSection(const std::string& section);
  // Deletes the file; true when it is gone. <windows.h> may rename
  // DeleteFile to DeleteFileA, hence the second spelling.
  bool Delete();
  bool DeleteFile() { return Delete(); }
#if defined(_WIN32) && !defined(DeleteFile)
  bool DeleteFileA() { return Delete(); }
#endif

 private:
  struct Model;
  Model& model() const;
  std::string path_;
  mutable std::unique_ptr<Model> model_;
};

// An Integer value: optional sign and decimal digits, or hexadecimal digits
// after "0x"/"0X" when the text has more than two characters (up to 32 bits,
// taken as a signed number). False for anything else, and for a decimal
// value outside the 32-bit range.
bool ParseInteger(const std::string& text, int32_t* value);

// The typed readers. Integer: decimal, or hexadecimal after "0x"/"0X" when
// the value has more than two characters; anything else gives def.
int32_t ReadInteger(const IniFile& ini, const std::string& section, const std::string& key, int32_t def);
// Every integer other than 0 is true; a value that is no integer gives def.
bool ReadBool(const IniFile& ini, const std::string& section, const std::string& key, bool def);
bool WriteBool(IniFile& ini, const std::string& section, const std::string& key, bool value);  // "1"/"0"
bool WriteInteger(IniFile& ini, const std::string& section, const std::string& key, int32_t value);

// Replaces every occurrence of from by to, scanning from the left,
// non-overlapping, resuming after the inserted text.
std::string ReplaceAll(const std::string& s, const std::string& from, const std::string& to);
// The text to write so that ReadString gives `text` back: reading removes
// one pair of enclosing quotes, so a text enclosed in a pair (a quoted path
// as a program's parameter) gets one pair more. Other texts are unchanged.
std::string ProtectEnclosingQuotes(const std::string& text);
// CR LF -> 0x01 0xFF (before writing LicenseText) and back (after reading).
std::string EncodeLineBreaks(const std::string& text);
std::string DecodeLineBreaks(const std::string& text);

}  // namespace kestro::project
