// The same writes and reads through our IniFile and through the platform's
// private-profile functions must give the same values and, where the
// platform's bytes are deterministic (files made by writes alone), the same
// file bytes. The platform also reads our file after every step, as the
// other program would.
//
// Where the platform (observed under Wine 8) and our file differ on purpose:
// - A quoted value of exactly 1023 characters: the platform returns 1022 of
//   them, we return all 1023 (at most 1023 characters come back, the rest is
//   cut - nothing else).
// - A value or name with a line break: the platform writes it as it is, so
//   the value becomes several lines and may add keys; we refuse the write.
// - Wine rewrites the whole file in its own layout on every write (empty
//   lines, blanks around '=', text after ']' and LF-only line ends go); we
//   keep the bytes of lines we do not write. Byte comparisons are therefore
//   made on files that writes alone produced.
// - A UTF-8 byte order mark: Wine decodes the file as UTF-8 (and writes it
//   back so); we skip the mark and keep bytes as they are. ASCII reads agree.
// - Names with Windows-1252 letters beyond ASCII: Wine matches them only in
//   the same case; we match "\xC4" and "\xE4" (A and a with diaeresis) alike,
//   as names are matched without regard to case.
// - Erasing a section that appears twice: the platform erases the first one
//   only, so the keys of the second come back (and a rewritten [Files] would
//   mix old and new entries); we erase every section of that name.
#include <gtest/gtest.h>
#include <windows.h>

#include <memory>
#include <string>
#include <vector>

#include "project/ini_file.h"
#include "tests/project/ini_test_util.h"

namespace kestro::project {
namespace {

using testing::Bytes;
using testing::ReadBytes;
using testing::TempDir;
using testing::WriteBytes;

std::string PlatformRead(const std::string& path, const std::string& section, const std::string& key,
                         const std::string& def) {
  char buf[1024];
  DWORD n =
      GetPrivateProfileStringA(section.c_str(), key.c_str(), def.c_str(), buf, sizeof buf, path.c_str());
  return std::string(buf, n);
}

bool PlatformWrite(const std::string& path, const std::string& section, const std::string& key,
                   const std::string& value) {
  return WritePrivateProfileStringA(section.c_str(), key.c_str(), value.c_str(), path.c_str()) != 0;
}

bool PlatformErase(const std::string& path, const std::string& section) {
  return WritePrivateProfileStringA(section.c_str(), nullptr, nullptr, path.c_str()) != 0;
}

struct Step {
  enum Kind { kSeed, kWrite, kErase, kDelete } kind;
  std::string section, key, value;  // kSeed: value holds the file's bytes
};

struct Probe {
  std::string section, key, def;
};

struct Scenario {
  const char* name;
  std::vector<Step> steps;
  std::vector<Probe> probes;
  bool compare_bytes;
};

std::vector<Probe> SettingsProbes() {
  return {{"Settings", "PromptText", "DEF"},
          {"SETTINGS", "prompttext", "DEF"},
          {"Settings", "Quoted", "DEF"},
          {"Settings", "Single", "DEF"},
          {"Settings", "Blanks", "DEF"},
          {"settings", "LONG", "DEF"},
          {"Settings", "Caption", "Setup"},
          {"Settings", "Missing", "  d  "},
          {"Files", "NumFiles", "9876"},
          {" files ", "file1", "DEF"},
          {"Kestro", "VersionString", ""},
          {"Nowhere", "x", "DEF"},
          {"\xC4", "k", "DEF"}};
}

std::vector<Scenario> Scenarios() {
  using S = Step;
  const std::string long_value = std::string(700, 'a') + std::string(800, 'b');
  const std::string hand =
      "; written by hand\r\n"
      "  [ Settings ]  \r\n"
      "  PromptText  =  \"  ask  \"  \r\n"
      "Quoted=\"x'\r\n"
      "QUOTED=the second of two\r\n"
      "Single=''\r\n"
      "Blanks=\t  b c \t\r\n"
      "Caption\r\n"
      "Caption=second\r\n"
      "\r\n"
      "[FILES] text after the bracket\r\n"
      "NumFiles=\r\n"
      "File1=C:\\a.txt\r\n"
      "[Settings]\r\n"
      "Long=hidden in the second section\r\n"
      "[\xC4]\r\n"
      "K=umlaut\r\n";
  return {
      {"writes into a missing file",
       {{S::kWrite, "Kestro", "VersionString", "Version 1.4.2 (Build 88)"},
        {S::kWrite, "Settings", "PromptText", "Do you want to extract the files from this archive?"},
        {S::kWrite, "Settings", "Quoted", "\"  quoted  \""},
        {S::kWrite, "Settings", "Single", "'s'"},
        {S::kWrite, "Settings", "Blanks", "   b   "},
        {S::kWrite, "settings", "PROMPTTEXT", "replaced"},
        {S::kWrite, "Files", "NumFiles", ""},
        {S::kWrite, " Files ", " File1 ", "C:\\a b\\c.txt"},
        {S::kWrite, "Settings", "Long", long_value},
        {S::kWrite, "Settings", "Caption", "Best\xE4tigen"},
        {S::kWrite, "Files", "NumFiles", "1"},
        {S::kWrite, "\xC4", "K", "\xFF"},
        {S::kWrite, "Settings", "Blanks", "b"}},
       SettingsProbes(),
       true},
      {"erase sections and write them again",
       {{S::kWrite, "Settings", "PromptText", "p"},
        {S::kWrite, "Files", "File1", "x"},
        {S::kWrite, "Kestro", "VersionString", "v"},
        {S::kErase, "files", "", ""},
        {S::kErase, "NoSuchSection", "", ""},
        {S::kWrite, "Files", "File1", "y"},
        {S::kWrite, "Files", "NumFiles", "1"},
        {S::kErase, "Settings", "", ""},
        {S::kWrite, "Settings", "Quoted", "q"}},
       SettingsProbes(),
       true},
      {"a file written by hand", {{S::kSeed, "", "", hand}}, SettingsProbes(), true},
      {"writes into a file written by hand",
       {{S::kSeed, "", "", hand},
        {S::kWrite, "Settings", "Caption", "third"},
        {S::kWrite, "Settings", "Single", "x"},
        {S::kWrite, "settings", "New", "1"},
        {S::kWrite, "Files", "File2", "C:\\b.txt"},
        {S::kErase, "files", "", ""},
        {S::kWrite, "Files", "File1", "C:\\c.txt"},
        {S::kWrite, "Settings", "Caption", "fourth"}},
       SettingsProbes(),
       false},
      {"line ends, NUL bytes and long values",
       {{S::kSeed, "", "",
         Bytes("[Settings]\nPromptText=lf\rQuoted=cr\r\n\n\rSingle=a\0b\r\nBlanks\0x=nul\r\n") +
             "Long=" + std::string(1500, 'L') + "\r\n[Files]NumFiles=1\r\nFile1=\"" + std::string(1500, 'q') +
             "\"\r\n"}},
       SettingsProbes(),
       true},
      {"the file is deleted",
       {{S::kWrite, "Settings", "PromptText", "p"},
        {S::kDelete, "", "", ""},
        {S::kWrite, "Files", "File1", "z"}},
       SettingsProbes(),
       true},
  };
}

TEST(IniDifferential, SameValuesAndBytesAsThePlatform) {
  TempDir dir("ini_diff");
  int n = 0;
  for (const Scenario& sc : Scenarios()) {
    SCOPED_TRACE(sc.name);
    const std::string ours = dir.File("ours" + std::to_string(n) + ".ini");
    const std::string theirs = dir.File("platform" + std::to_string(n) + ".ini");
    ++n;
    // An IniFile owns its file once it has read it: a file seeded behind its
    // back is opened anew.
    auto ini_ptr = std::make_unique<IniFile>(ours);
    int step_no = 0;
    auto compare_reads = [&]() {
      for (const Probe& p : sc.probes) {
        SCOPED_TRACE("step " + std::to_string(step_no) + ": [" + p.section + "] " + p.key);
        const std::string mine = ini_ptr->ReadString(p.section, p.key, p.def);
        EXPECT_EQ(mine, PlatformRead(theirs, p.section, p.key, p.def));
        EXPECT_EQ(mine, PlatformRead(ours, p.section, p.key, p.def))
            << "the platform reads our file otherwise";
      }
    };
    compare_reads();  // before the file exists
    for (const Step& s : sc.steps) {
      ++step_no;
      switch (s.kind) {
        case Step::kSeed:
          ini_ptr.reset();
          WriteBytes(ours, s.value);
          WriteBytes(theirs, s.value);
          ini_ptr = std::make_unique<IniFile>(ours);
          break;
        case Step::kWrite:
          EXPECT_EQ(ini_ptr->WriteString(s.section, s.key, s.value),
                    PlatformWrite(theirs, s.section, s.key, s.value))
              << "write [" << s.section << "] " << s.key;
          break;
        case Step::kErase:
          EXPECT_EQ(ini_ptr->EraseSection(s.section), PlatformErase(theirs, s.section))
              << "erase " << s.section;
          break;
        case Step::kDelete: EXPECT_EQ(ini_ptr->DeleteFile(), ::DeleteFileA(theirs.c_str()) != 0); break;
      }
      compare_reads();
    }
    if (sc.compare_bytes) {
      EXPECT_EQ(ReadBytes(ours), ReadBytes(theirs));
    }
  }
}

TEST(IniDifferential, MissingFileAndFailedWrites) {
  TempDir dir("ini_diff_fail");
  const std::string missing = dir.File("missing.ini");
  IniFile ini(missing);
  EXPECT_EQ(ini.ReadString("Settings", "Caption", "Setup"),
            PlatformRead(missing, "Settings", "Caption", "Setup"));
  EXPECT_EQ(ReadBytes(missing), "<missing>");

  const std::string nowhere = dir.File("no\\such\\folder.ini");
  IniFile lost(nowhere);
  EXPECT_FALSE(PlatformWrite(nowhere, "S", "a", "1"));
  EXPECT_FALSE(lost.WriteString("S", "a", "1"));

  // A file another program holds open without sharing: the write fails for
  // that key, and the file keeps the keys written before.
  const std::string ours = dir.File("locked_ours.ini"), theirs = dir.File("locked_platform.ini");
  IniFile locked(ours);
  ASSERT_TRUE(locked.WriteString("S", "a", "1"));
  ASSERT_TRUE(PlatformWrite(theirs, "S", "a", "1"));
  HANDLE h1 = CreateFileA(ours.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  HANDLE h2 = CreateFileA(theirs.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(h1, INVALID_HANDLE_VALUE);
  ASSERT_NE(h2, INVALID_HANDLE_VALUE);
  const bool platform_ok = PlatformWrite(theirs, "S", "b", "2");
  const bool ours_ok = locked.WriteString("S", "b", "2");
  CloseHandle(h1);
  CloseHandle(h2);
  EXPECT_FALSE(platform_ok);
  EXPECT_FALSE(ours_ok);
  EXPECT_EQ(ReadBytes(ours), "[S]\r\na=1\r\n");
  EXPECT_EQ(ReadBytes(ours), ReadBytes(theirs));
  EXPECT_EQ(locked.ReadString("S", "b", "DEF"), "DEF");
  ASSERT_TRUE(locked.WriteString("S", "b", "2"));
  EXPECT_EQ(PlatformRead(ours, "S", "b", "DEF"), "2");
}

TEST(IniDifferential, WhereThePlatformDiffers) {
  TempDir dir("ini_diff_known");
  const std::string path = dir.File("known.ini");
  WriteBytes(path, "[S]\r\nq=\"" + std::string(1023, 'y') + "\"\r\n");
  IniFile ini(path);
  // At most 1023 characters come back; the platform gives 1022 here.
  EXPECT_EQ(ini.ReadString("S", "q", ""), std::string(1023, 'y'));
  const std::string platform = PlatformRead(path, "S", "q", "");
  if (platform.size() != 1023)
    std::printf("note: the platform returns %zu characters of a quoted 1023\n", platform.size());

  // A value with a line break: the platform writes two lines (a new key);
  // we refuse it and leave the file alone.
  const std::string theirs = dir.File("break_platform.ini");
  PlatformWrite(theirs, "S", "a", "x\r\nNumFiles=5");
  if (PlatformRead(theirs, "S", "NumFiles", "none") == "5")
    std::printf("note: the platform wrote a key from a line break\n");
  const std::string before = ReadBytes(path);
  EXPECT_FALSE(ini.WriteString("S", "a", "x\r\nNumFiles=5"));
  EXPECT_EQ(ReadBytes(path), before);

  // Case beyond ASCII.
  const std::string folded = dir.File("fold.ini");
  WriteBytes(folded, "[\xC4]\r\nk=umlaut\r\n");
  IniFile fold(folded);
  EXPECT_EQ(fold.ReadString("\xE4", "K", "DEF"), "umlaut");
  if (PlatformRead(folded, "\xE4", "K", "DEF") != "umlaut")
    std::printf("note: the platform matches \\xC4 and \\xE4 apart\n");

  // A section that appears twice is erased wholly.
  const std::string twice = dir.File("twice.ini"), twice_platform = dir.File("twice_platform.ini");
  const std::string bytes =
      "[Files]\r\nFile1=old\r\nFile2=old\r\n[Settings]\r\nQuiet=1\r\n[files]\r\nFile3=old\r\n";
  WriteBytes(twice, bytes);
  WriteBytes(twice_platform, bytes);
  IniFile dup(twice);
  ASSERT_TRUE(dup.EraseSection("Files"));
  ASSERT_TRUE(dup.WriteString("Files", "File1", "new"));
  EXPECT_EQ(ReadBytes(twice), "[Settings]\r\nQuiet=1\r\n[Files]\r\nFile1=new\r\n");
  EXPECT_EQ(dup.ReadString("Files", "File3", "none"), "none");
  PlatformErase(twice_platform, "Files");
  PlatformWrite(twice_platform, "Files", "File1", "new");
  if (PlatformRead(twice_platform, "Files", "File3", "none") != "none")
    std::printf("note: the platform erased one of two [Files]\n");
}

}  // namespace
}  // namespace kestro::project
