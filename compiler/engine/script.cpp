#include "compiler/engine/script.h"

#include <cstdint>

#include "common/text.h"
#include "format/rules.h"
#include "project/keys.h"

namespace kestro::compiler {
namespace {

using project::IniFile;
using project::kSectionSettings;

const char* CompilerDefault(const char* key) { return project::FindSettingsKey(key)->compiler_default; }

bool Bool(const IniFile& ini, const char* key) {
  return project::ReadBool(ini, kSectionSettings, key, CompilerDefault(key)[0] == '1');
}

std::string Text(const IniFile& ini, const char* key) {
  return ini.ReadString(kSectionSettings, key, CompilerDefault(key));
}

template <size_t Cap>
void Set(format::PStr<Cap>& field, const std::string& s) {
  field.Set(s.data(), s.size());
}

template <size_t Cap>
void SetText(format::PStr<Cap>& field, const IniFile& ini, const char* key) {
  Set(field, Text(ini, key));
}

// Reads the keys "1", "2", ... of a section up to the first missing or
// empty one, at most kMaxEntries.
template <class F>
void ForEachEntry(const IniFile& ini, const char* section, F f) {
  for (int n = 1; n <= project::kMaxEntries; ++n) {
    std::string value = ini.ReadString(section, std::to_string(n), "");
    if (value.empty()) break;
    f(n, value);
  }
}

bool Has(const std::string& s, char c) { return s.find(c) != std::string::npos; }

}  // namespace

void ReadSettings(const IniFile& ini, Script* script) {
  format::SetupSettings& s = script->settings;
  s.prompt_show = Bool(ini, "PromptShow");
  s.password_show = Bool(ini, "PasswordShow");
  s.link_create = Bool(ini, "LinkCreate");
  s.link_start_menu = Bool(ini, "LinkStartMenu");
  s.link_desktop = Bool(ini, "LinkDesktop");
  s.show_final_msg = Bool(ini, "ShowFinalMsg");
  s.progress_show = Bool(ini, "ProgressShow");
  SetText(s.prompt_text, ini, "PromptText");
  SetText(s.password_text, ini, "PasswordText");
  std::string password = Text(ini, "Password");
  format::MaskPassword(&password[0], password.size());
  Set(s.password, password);
  SetText(s.final_msg, ini, "FinalMsg");
  SetText(s.progress_text, ini, "ProgressText");
  SetText(s.link_file_name, ini, "LinkFileName");
  SetText(s.link_display, ini, "LinkDisplay");
  SetText(s.folder_sel_text, ini, "FolderSelText");
  s.run_program = Bool(ini, "RunProgram");
  s.show_file_window = Bool(ini, "ShowFileWindow");
  s.show_license = Bool(ini, "ShowLicense");
  s.run_text_file = Bool(ini, "RunTextFile");
  s.extract_only = Bool(ini, "ExtractOnly");
  SetText(s.run_prog_exe_name, ini, "RunProgExeName");
  SetText(s.cancel, ini, "Cancel");
  SetText(s.continue_text, ini, "Continue");
  SetText(s.yes, ini, "Yes");
  SetText(s.no, ini, "No");
  SetText(s.caption, ini, "Caption");
  SetText(s.run_text_file_name, ini, "RunTextFileName");
  SetText(s.run_prog_exe_para, ini, "RunProgExePara");
  SetText(s.run_wait_for, ini, "RunWaitFor");
  SetText(s.extract_only_path, ini, "ExtractOnlyPath");
  // The licence text keeps its encoded line breaks; four pieces of 255,
  // characters after the 1020th dropped.
  std::string license = Text(ini, "LicenseText");
  for (size_t i = 0; i < 4; ++i) {
    size_t from = i * 255;
    Set(s.license[i], from < license.size() ? license.substr(from, 255) : std::string());
  }
  s.extract_only_no_dlg = Bool(ini, "ExtractOnlyNoDlg");
  script->quiet = Bool(ini, "Quiet");
  script->output = Text(ini, "Output");
}

std::vector<std::string> SplitParams(const std::string& value, int count) {
  std::vector<std::string> params;
  std::string rest = TrimControl(value);
  for (int i = 1; i < count; ++i) {
    size_t comma = rest.find(',');
    if (comma == std::string::npos) throw ParamError();
    params.push_back(TrimControl(rest.substr(0, comma)));
    rest = TrimControl(rest.substr(comma + 1));
  }
  params.push_back(rest);
  return params;
}

void ReadDirs(const IniFile& ini, std::vector<format::DirEntry>* out) {
  ForEachEntry(ini, project::kSectionDirs, [&](int n, const std::string& value) {
    format::DirEntry e;
    Set(e.folder, value);
    if (format::CheckDirEntry(e))
      throw Error(Format("ERROR! Eintrag %d der Sektion [Dirs] (%s) liegt nicht im Zielordner", n,
                         std::string(e.folder.chars, e.folder.len).c_str()));
    out->push_back(e);
  });
}

void ReadIcons(const IniFile& ini, std::vector<format::IconEntry>* out) {
  format::IconEntry builtin;
  builtin.name.Set("temp kestro files");
  builtin.command.Set("%a\\uninster.EXE");
  builtin.folder.Set("%a");
  builtin.flags = format::kIconFlagBuiltIn;
  out->push_back(builtin);
  ForEachEntry(ini, project::kSectionIcons, [&](int n, const std::string& value) {
    std::vector<std::string> p;
    try {
      p = SplitParams(value, 3);
    } catch (const ParamError&) {
      throw Error("[Icons] Error");
    }
    if (p[0].empty())
      throw Error(Format("ERROR! Parameter 1 (icon name) in Eintrag %d der Sektion [Icons] ist leer", n));
    if (p[1].empty())
      throw Error(Format("ERROR! Parameter 2 (command line) in Eintrag %d der Sektion [Icons] ist leer", n));
    format::IconEntry e;
    Set(e.name, p[0]);
    Set(e.command, p[1]);
    Set(e.folder, p[2]);
    if (format::CheckIconEntry(e))
      throw Error(Format(
          "ERROR! Parameter 1 (icon name) in Eintrag %d der Sektion [Icons] ist kein g\xFCltiger Dateiname",
          n));
    out->push_back(e);
  });
}

void ReadInis(const IniFile& ini, std::vector<format::IniEntry>* out) {
  ForEachEntry(ini, project::kSectionIni, [&](int n, const std::string& value) {
    std::vector<std::string> p;
    try {
      p = SplitParams(value, 5);
    } catch (const ParamError&) {
      throw Error(Format("ERROR! Eintrag %d der Sektion [INI] muss 5 Parameter haben", n));
    }
    if (p[1].empty())
      throw Error(Format("ERROR! Parameter 2 (section name) in Eingabe %d der Sektion [INI] ist leer", n));
    if (p[2].empty())
      throw Error(Format("ERROR! Parameter 3 (key name) in Eingabe %d der Sektion [INI] ist leer", n));
    format::IniEntry e;
    Set(e.file, p[0]);
    Set(e.section, p[1]);
    Set(e.key, p[2]);
    Set(e.value, p[3]);
    std::string options = UpperAscii(p[4]);
    if (Has(options, 'E')) e.options |= format::kIniOptionErase;
    if (Has(options, 'S')) e.options |= format::kIniOptionSkip;
    if (Has(options, 'E') && Has(options, 'S'))
      throw Error(
          Format("ERROR! Parameter 5 (options) in Eingabe %d der Sektion [INI] kann nicht sowohl die Option "
                 "\"E\" als auch \"S\" haben.",
                 n));
    if (format::CheckIniEntry(e))
      throw Error(Format(
          "ERROR! Parameter 1 (file name) in Eingabe %d der Sektion [INI] liegt nicht im Zielordner", n));
    out->push_back(e);
  });
}

void ReadRegs(const IniFile& ini, std::vector<format::RegEntry>* out) {
  ForEachEntry(ini, project::kSectionRegistry, [&](int n, const std::string& value) {
    std::vector<std::string> p;
    try {
      p = SplitParams(value, 6);
    } catch (const ParamError&) {
      throw Error(Format("ERROR! Eintrtag %d der Sektion [Registry] muss 6 Parameter haben", n));
    }
    if (p[0].empty())
      throw Error(Format("ERROR! Parameter 1 (root key) in Eintrag %d der Sektion [Registry] ist leer", n));
    std::string root = UpperAscii(p[0]);
    if (p[1].empty())
      throw Error(Format("ERROR! Parameter 2 (subkey) in Eintrag %d der Sektion [Registry] ist leer", n));
    if (p[3].empty())
      throw Error(Format("ERROR! Parameter 4 (data type) in Eintrag %d der Sektion [Registry] ist leer", n));
    std::string type = UpperAscii(p[3]);
    format::RegEntry e;
    if (root == "HKEY_CLASSES_ROOT")
      e.root = format::kRootClassesRoot;
    else if (root == "HKEY_CURRENT_USER")
      e.root = format::kRootCurrentUser;
    else if (root == "HKEY_LOCAL_MACHINE")
      e.root = format::kRootLocalMachine;
    else
      throw Error(
          Format("ERROR! Parameter 1 (root key) in Eintrag %d der Sektion [Registry] ist ung\xFCltig", n));
    Set(e.subkey, p[1]);
    Set(e.value_name, p[2]);
    if (type == "NONE")
      e.type = format::kRegNone;
    else if (type == "STRING")
      e.type = format::kRegString;
    else if (type == "DWORD")
      e.type = format::kRegDword;
    else
      throw Error(
          Format("ERROR! Parameter 4 (data type) in Eintrag %d der Sektion [Registry] ist ung\xFCltig", n));
    Set(e.data, p[4]);
    if (e.type == format::kRegDword) {
      std::string stored(e.data.chars, e.data.len);
      if (!format::ParseDword(e.data.chars, e.data.len, nullptr)) throw ConvertError(stored);
    }
    std::string options = UpperAscii(p[5]);
    if (Has(options, 'E')) e.options |= format::kRegOptionErase;
    if (Has(options, 'K')) e.options |= format::kRegOptionKeep;
    if (Has(options, 'E') && Has(options, 'K'))
      throw Error(
          Format("ERROR! Parameter 6 (options) in Eintrag %d der Sektion [Registry] kann nicht die Optionen "
                 "\"E\" und \"K\" haben",
                 n));
    if (const char* why = format::CheckRegEntry(e))
      throw Error(Format("ERROR! Eintrag %d der Sektion [Registry]: %s", n, why));
    out->push_back(e);
  });
}

}  // namespace kestro::compiler
