// Reading [Settings] and the entry sections into the extractor's records.
#include "compiler/engine/script.h"

#include <gtest/gtest.h>

#include "common/errors.h"
#include "compiler/engine/packer.h"
#include "test_util.h"

namespace kestro::compiler {
namespace {

using test::ScratchDir;
using test::WriteFile;

template <size_t Cap>
std::string Str(const format::PStr<Cap>& pstr) {
  return std::string(pstr.chars, pstr.len);
}

struct ProjectFixture {
  ScratchDir dir;
  std::string path = dir / "p.tkp";
  explicit ProjectFixture(const std::string& text) { WriteFile(path, text); }
};

TEST(SplitParams, SplitsTrimsAndKeepsSurplusCommasInTheLast) {
  struct Case {
    const char* value;
    int count;
    std::vector<std::string> expect;  // empty: ParamError
  } cases[] = {
      {"a,b,c", 3, {"a", "b", "c"}},
      {"  a , b\t,  c  ", 3, {"a", "b", "c"}},
      {"a,b,", 3, {"a", "b", ""}},
      {"a,b,c,d", 3, {"a", "b", "c,d"}},
      {",,", 3, {"", "", ""}},
      {"a,b", 3, {}},
      {"abc", 2, {}},
      {"whole, value", 1, {"whole, value"}},
      // Codes up to 32 are trimmed, from every parameter and the remainder;
      // 8-bit characters such as the no-break space 0xA0 are kept.
      {"\x01"
       "a\x1F,\x7F"
       "b , \xA0"
       "c\xA0\r\n",
       3,
       {"a",
        "\x7F"
        "b",
        "\xA0"
        "c\xA0"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.value);
    if (c.expect.empty()) {
      EXPECT_THROW(SplitParams(c.value, c.count), ParamError);
    } else {
      EXPECT_EQ(c.expect, SplitParams(c.value, c.count));
    }
  }
}

TEST(ReadSettings, MissingKeysTakeTheCompilerDefaults) {
  ProjectFixture p("[Other]\r\nx=1\r\n");
  project::IniFile ini(p.path);
  Script s;
  ReadSettings(ini, &s);
  const format::SetupSettings& r = s.settings;
  EXPECT_TRUE(r.prompt_show && r.password_show && r.progress_show && r.run_program && r.extract_only_no_dlg);
  EXPECT_FALSE(r.link_create || r.link_start_menu || r.link_desktop || r.show_final_msg ||
               r.show_file_window || r.show_license || r.run_text_file || r.extract_only);
  EXPECT_EQ("", Str(r.prompt_text));
  EXPECT_EQ("", Str(r.password));
  EXPECT_EQ("err_883", Str(r.final_msg));
  EXPECT_EQ("error6.exe", Str(r.link_file_name));
  EXPECT_EQ("ERROR 09", Str(r.link_display));
  EXPECT_EQ("&Cancel", Str(r.cancel));
  EXPECT_EQ("&Continue", Str(r.continue_text));
  EXPECT_EQ("&Yes", Str(r.yes));
  EXPECT_EQ("&No", Str(r.no));
  EXPECT_EQ("Setup", Str(r.caption));
  EXPECT_EQ("error773", Str(r.run_text_file_name));
  EXPECT_EQ(std::string("ERROR 5\xDF"
                        "09"),
            Str(r.run_wait_for));
  EXPECT_EQ("Error012", Str(r.license[0]));
  EXPECT_EQ("", Str(r.license[1]));
  EXPECT_FALSE(s.quiet);
  EXPECT_EQ("Error055", s.output);
}

TEST(ReadSettings, EveryKeyLandsInItsOwnField) {
  using P = format::PStr<255> format::SetupSettings::*;
  struct Text {
    const char* key;
    P field;
  } texts[] = {
      {"PromptText", &format::SetupSettings::prompt_text},
      {"PasswordText", &format::SetupSettings::password_text},
      {"FinalMsg", &format::SetupSettings::final_msg},
      {"ProgressText", &format::SetupSettings::progress_text},
      {"LinkFileName", &format::SetupSettings::link_file_name},
      {"LinkDisplay", &format::SetupSettings::link_display},
      {"FolderSelText", &format::SetupSettings::folder_sel_text},
      {"RunProgExeName", &format::SetupSettings::run_prog_exe_name},
      {"Cancel", &format::SetupSettings::cancel},
      {"Continue", &format::SetupSettings::continue_text},
      {"Yes", &format::SetupSettings::yes},
      {"No", &format::SetupSettings::no},
      {"Caption", &format::SetupSettings::caption},
      {"RunTextFileName", &format::SetupSettings::run_text_file_name},
      {"RunProgExePara", &format::SetupSettings::run_prog_exe_para},
      {"RunWaitFor", &format::SetupSettings::run_wait_for},
      {"ExtractOnlyPath", &format::SetupSettings::extract_only_path},
  };
  using B = bool format::SetupSettings::*;
  struct Flag {
    const char* key;
    const char* value;
    B field;
    bool expect;
  } flags[] = {
      {"PromptShow", "0", &format::SetupSettings::prompt_show, false},
      {"PasswordShow", "0", &format::SetupSettings::password_show, false},
      {"ProgressShow", "abc", &format::SetupSettings::progress_show, true},  // no integer: default
      {"LinkCreate", "1", &format::SetupSettings::link_create, true},
      {"LinkStartMenu", "2", &format::SetupSettings::link_start_menu, true},  // non-zero is true
      {"LinkDesktop", "0x10", &format::SetupSettings::link_desktop, true},
      {"ShowFinalMsg", "-1", &format::SetupSettings::show_final_msg, true},
      {"RunProgram", "0", &format::SetupSettings::run_program, false},
      {"ShowFileWindow", "1", &format::SetupSettings::show_file_window, true},
      {"ShowLicense", "1", &format::SetupSettings::show_license, true},
      {"RunTextFile", "1", &format::SetupSettings::run_text_file, true},
      {"ExtractOnly", "1", &format::SetupSettings::extract_only, true},
      {"ExtractOnlyNoDlg", "", &format::SetupSettings::extract_only_no_dlg, true},  // empty: default
  };
  std::string text = "[settings]\r\n";
  for (const Text& t : texts) text += std::string(t.key) + "=value of " + t.key + "\r\n";
  for (const Flag& f : flags) text += std::string(f.key) + "=" + f.value + "\r\n";
  text += "Quiet=1\r\nOutput=out\\x.exe\r\n";
  ProjectFixture p(text);
  project::IniFile ini(p.path);
  Script s;
  ReadSettings(ini, &s);
  for (const Text& t : texts) EXPECT_EQ(std::string("value of ") + t.key, Str(s.settings.*t.field)) << t.key;
  for (const Flag& f : flags) EXPECT_EQ(f.expect, s.settings.*f.field) << f.key;
  EXPECT_TRUE(s.quiet);
  EXPECT_EQ("out\\x.exe", s.output);
}

TEST(ReadSettings, PasswordIsMaskedThenCutAndLicenceIsCutIntoFourPieces) {
  std::string license_300 = std::string(100, 'a') + "\x01\xFF" + std::string(198, 'b');
  std::string long_license(1100, 'L');
  struct Case {
    std::string password, license;
    std::vector<size_t> pieces;
  } cases[] = {
      {"abc", license_300, {255, 45, 0, 0}},
      {std::string(300, 'p'), long_license, {255, 255, 255, 255}},
      {"", "", {0, 0, 0, 0}},
  };
  for (const Case& c : cases) {
    ProjectFixture p("[Settings]\r\nPassword=" + c.password + "\r\nLicenseText=" + c.license + "\r\n");
    project::IniFile ini(p.path);
    Script s;
    ReadSettings(ini, &s);
    std::string expect = c.password.substr(0, 255);
    for (char& ch : expect) ch = static_cast<char>(ch ^ format::kPasswordMask);
    EXPECT_EQ(expect, Str(s.settings.password));
    std::string joined;
    for (size_t i = 0; i < 4; ++i) {
      EXPECT_EQ(c.pieces[i], s.settings.license[i].len) << i;
      joined += Str(s.settings.license[i]);
    }
    EXPECT_EQ(c.license.substr(0, 1020), joined) << "line-break markers are copied unchanged";
  }
}

// Each case: the section's entry 1 is valid, entry 2 is the value under test.
struct EntryCase {
  const char* section;
  const char* value;
  const char* error;  // nullptr: accepted
};

void ReadSection(const std::string& section, const project::IniFile& ini, Script* s) {
  if (section == "Icons") ReadIcons(ini, &s->icons);
  if (section == "INI") ReadInis(ini, &s->inis);
  if (section == "Registry") ReadRegs(ini, &s->regs);
}

TEST(EntrySections, EveryCheckStopsWithItsExactMessage) {
  const char* valid[] = {"Icons",    "name,cmd,", "INI",
                         "f,s,k,v,", "Registry",  "HKEY_CURRENT_USER,sub,v,STRING,d,"};
  EntryCase cases[] = {
      {"Icons", "name,cmd", "[Icons] Error"},
      {"Icons", "name,cmd,", nullptr},
      {"Icons", ",cmd,x", "ERROR! Parameter 1 (icon name) in Eintrag 2 der Sektion [Icons] ist leer"},
      {"Icons", "name, ,x", "ERROR! Parameter 2 (command line) in Eintrag 2 der Sektion [Icons] ist leer"},
      {"INI", "f,s,k,v", "ERROR! Eintrag 2 der Sektion [INI] muss 5 Parameter haben"},
      {"INI", "f,,k,v,", "ERROR! Parameter 2 (section name) in Eingabe 2 der Sektion [INI] ist leer"},
      {"INI", "f,s,,v,", "ERROR! Parameter 3 (key name) in Eingabe 2 der Sektion [INI] ist leer"},
      {"INI", ",s,k,,", nullptr},
      {"INI", "f,s,k,v,xEy", nullptr},
      {"INI", "f,s,k,v,e,s",
       "ERROR! Parameter 5 (options) in Eingabe 2 der Sektion [INI] kann nicht sowohl die Option \"E\" als "
       "auch "
       "\"S\" haben."},
      {"INI", "f,s,k,v,Se",
       "ERROR! Parameter 5 (options) in Eingabe 2 der Sektion [INI] kann nicht sowohl die Option \"E\" als "
       "auch "
       "\"S\" haben."},
      {"Registry", "HKEY_CURRENT_USER,sub,v,STRING,d",
       "ERROR! Eintrtag 2 der Sektion [Registry] muss 6 Parameter haben"},
      {"Registry", ",,v,,d,", "ERROR! Parameter 1 (root key) in Eintrag 2 der Sektion [Registry] ist leer"},
      {"Registry", "HKEY_CURRENT_USER,,v,STRING,d,",
       "ERROR! Parameter 2 (subkey) in Eintrag 2 der Sektion [Registry] ist leer"},
      {"Registry", "HKLM,sub,v,,d,",
       "ERROR! Parameter 4 (data type) in Eintrag 2 der Sektion [Registry] ist leer"},
      {"Registry", "HKLM,sub,v,STRING,d,",
       "ERROR! Parameter 1 (root key) in Eintrag 2 der Sektion [Registry] ist ung\xFCltig"},
      {"Registry", "hkey_local_machine,sub,,string,,k", nullptr},
      {"Registry", "HKEY_CLASSES_ROOT,sub,v,BINARY,d,",
       "ERROR! Parameter 4 (data type) in Eintrag 2 der Sektion [Registry] ist ung\xFCltig"},
      {"Registry", "HKEY_CLASSES_ROOT,sub,v,dword,12a,", "'12a' ist kein g\xFCltiger Integerwert"},
      {"Registry", "HKEY_CLASSES_ROOT,sub,v,dword,,", "'' ist kein g\xFCltiger Integerwert"},
      {"Registry", "HKEY_CLASSES_ROOT,sub,v,DWORD,$1F,", nullptr},
      {"Registry", "HKEY_CLASSES_ROOT,sub,v,NONE,,", nullptr},
      // The checks run in their order: an invalid root key is reported before
      // an invalid data type, the conversion before the options.
      {"Registry", "HKLM,sub,v,BINARY,d,",
       "ERROR! Parameter 1 (root key) in Eintrag 2 der Sektion [Registry] ist ung\xFCltig"},
      {"Registry", "HKEY_CLASSES_ROOT,sub,v,DWORD,x,EK", "'x' ist kein g\xFCltiger Integerwert"},
      {"INI", "f,,,v,ES", "ERROR! Parameter 2 (section name) in Eingabe 2 der Sektion [INI] ist leer"},
      {"INI", "f,s,,v,ES", "ERROR! Parameter 3 (key name) in Eingabe 2 der Sektion [INI] ist leer"},
      // The data is checked as stored, cut to 127 characters.
      {"Registry",
       "HKEY_CLASSES_ROOT,sub,v,DWORD,"
       "0000000000000000000000000000000000000000000000000000000000000000"
       "000000000000000000000000000000000000000000000000000000000000042zz,",
       nullptr},
      {"Registry", "HKEY_CLASSES_ROOT,sub,v,NONE,,ke",
       "ERROR! Parameter 6 (options) in Eintrag 2 der Sektion [Registry] kann nicht die Optionen \"E\" und "
       "\"K\" haben"},
  };
  for (const EntryCase& c : cases) {
    SCOPED_TRACE(std::string(c.section) + ": " + c.value);
    std::string first;
    for (size_t i = 0; i < 6; i += 2)
      if (std::string(valid[i]) == c.section) first = valid[i + 1];
    ProjectFixture p(std::string("[") + c.section + "]\r\n1=" + first + "\r\n2=" + c.value + "\r\n");
    project::IniFile ini(p.path);
    Script s;
    if (c.error) {
      try {
        ReadSection(c.section, ini, &s);
        ADD_FAILURE() << "accepted";
      } catch (const Error& e) {
        EXPECT_EQ(c.error, std::string(e.what()));
      }
    } else {
      EXPECT_NO_THROW(ReadSection(c.section, ini, &s));
      size_t read = s.icons.size() + s.inis.size() + s.regs.size();
      EXPECT_EQ(std::string(c.section) == "Icons" ? 3u : 2u, read);
    }
  }
}

TEST(EntrySections, StoredFieldsOptionsAndCuts) {
  ProjectFixture p("[Dirs]\r\n1=%a\\data\r\n2=%a\\" + std::string(60, 'd') +
                   "\r\n4=skipped after the gap\r\n"
                   "[Icons]\r\n1=My App , %a\\app.exe -x ,  %a\\sub \r\n"
                   "[INI]\r\n1=app.ini,Main,Key,a value,x,s\r\n2=,Sec,K,,E\r\n"
                   "[Registry]\r\n1=hkey_current_user,Software\\Kestro,Count,dword,$1F,k\r\n"
                   "2=HKEY_CLASSES_ROOT,.tkp,,STRING," +
                   std::string(140, 'v') + ",E\r\n");
  project::IniFile ini(p.path);
  Script s;
  ReadDirs(ini, &s.dirs);
  ReadIcons(ini, &s.icons);
  ReadInis(ini, &s.inis);
  ReadRegs(ini, &s.regs);

  ASSERT_EQ(2u, s.dirs.size());
  EXPECT_EQ("%a\\data", Str(s.dirs[0].folder));
  EXPECT_EQ("%a\\" + std::string(44, 'd'), Str(s.dirs[1].folder));

  ASSERT_EQ(2u, s.icons.size());
  EXPECT_EQ("temp kestro files", Str(s.icons[0].name));
  EXPECT_EQ("%a\\uninster.EXE", Str(s.icons[0].command));
  EXPECT_EQ("%a", Str(s.icons[0].folder));
  EXPECT_EQ(format::kIconFlagBuiltIn, s.icons[0].flags);
  EXPECT_EQ("My App", Str(s.icons[1].name));
  EXPECT_EQ("%a\\app.exe -x", Str(s.icons[1].command));
  EXPECT_EQ("%a\\sub", Str(s.icons[1].folder));
  EXPECT_EQ(0, s.icons[1].flags);

  ASSERT_EQ(2u, s.inis.size());
  EXPECT_EQ("app.ini", Str(s.inis[0].file));
  EXPECT_EQ("Main", Str(s.inis[0].section));
  EXPECT_EQ("Key", Str(s.inis[0].key));
  EXPECT_EQ("a value", Str(s.inis[0].value));
  EXPECT_EQ(format::kIniOptionSkip, s.inis[0].options) << "\"x,s\": only the S counts";
  EXPECT_EQ(format::kIniOptionErase, s.inis[1].options);

  ASSERT_EQ(2u, s.regs.size());
  EXPECT_EQ(format::kRootCurrentUser, s.regs[0].root);
  EXPECT_EQ("Software\\Kestro", Str(s.regs[0].subkey));
  EXPECT_EQ("Count", Str(s.regs[0].value_name));
  EXPECT_EQ(format::kRegDword, s.regs[0].type);
  EXPECT_EQ("$1F", Str(s.regs[0].data)) << "the data stays text";
  EXPECT_EQ(format::kRegOptionKeep, s.regs[0].options);
  EXPECT_EQ(format::kRootClassesRoot, s.regs[1].root);
  EXPECT_EQ(format::kRegString, s.regs[1].type);
  EXPECT_EQ(std::string(127, 'v'), Str(s.regs[1].data));
  EXPECT_EQ(format::kRegOptionErase, s.regs[1].options);
}

// Entry sections and the file list are read up to key 60000, even when
// further keys follow without a gap.
TEST(EntrySections, AtMost60000EntriesAndFilesAreRead) {
  std::string text = "[Dirs]\r\n";
  for (int i = 1; i <= 60001; ++i) text += std::to_string(i) + "=%a\\d\r\n";
  text += "[Files]\r\n";
  for (int i = 1; i <= 60001; ++i) text += "File" + std::to_string(i) + "=f\r\n";
  ProjectFixture p(text);
  project::IniFile ini(p.path);
  std::vector<format::DirEntry> dirs;
  ReadDirs(ini, &dirs);
  EXPECT_EQ(60000u, dirs.size());
  EXPECT_EQ(60000u, SourceFiles(ini).size());
}

}  // namespace
}  // namespace kestro::compiler
