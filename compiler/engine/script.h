// Reading the project into the records the extractor reads: [Settings] into
// the settings record, and the entry sections [Dirs], [Icons], [INI] and
// [Registry] into their tables, each entry checked.
#pragma once

#include <string>
#include <vector>

#include "common/errors.h"
#include "format/records.h"
#include "project/ini_file.h"

namespace kestro::compiler {

// What one run builds: the settings record and the five entry lists.
struct Script {
  format::SetupSettings settings;
  bool quiet = false;
  std::string output;
  std::vector<format::DirEntry> dirs;
  std::vector<format::FileEntry> files;
  std::vector<format::IconEntry> icons;
  std::vector<format::IniEntry> inis;
  std::vector<format::RegEntry> regs;
  // SOURCE_DATE_EPOCH (seconds since 1970, UTC) when it is set, else -1:
  // file times later than it are given it, and all are taken in UTC.
  int64_t source_date_epoch = -1;
};

// Every [Settings] key into the record (all fields but the five counts),
// the quiet flag and the output path.
void ReadSettings(const project::IniFile& ini, Script* script);

// SplitParams failure: "Parameter error."; callers replace the message.
class ParamError : public Error {
 public:
  ParamError() : Error("Parameter error.") {}
};

// Splits value into count parameters: 1 .. count-1 end at the next comma,
// the last one is the remaining text, commas included. Each is trimmed of
// codes up to 32.
std::vector<std::string> SplitParams(const std::string& value, int count);

// The entry sections; each stops the run with its message at the first bad
// entry, among them every entry the extractor would refuse (format/rules.h):
// a DWORD datum outside format::ParseDword's grammar, a folder or INI file
// outside the target folder, an icon name that is no file name. Icons gets the built-in icon entry first.
void ReadDirs(const project::IniFile& ini, std::vector<format::DirEntry>* out);
void ReadIcons(const project::IniFile& ini, std::vector<format::IconEntry>* out);
void ReadInis(const project::IniFile& ini, std::vector<format::IniEntry>* out);
void ReadRegs(const project::IniFile& ini, std::vector<format::RegEntry>* out);

}  // namespace kestro::compiler
