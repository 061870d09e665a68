// The launcher's rules without a window: its folder property, its command
// line, its error texts, and the shortening of the done page's path label.
#include "wizard/app_exec_rules.h"

#include <gtest/gtest.h>

namespace kestro::wizard {
namespace {

TEST(AppExecRules, ExePathLosesATrailingBackslashExceptAtARoot) {
  struct Case {
    const char* given;
    const char* stored;
  } cases[] = {
      {"C:\\Program Files\\Kestro\\", "C:\\Program Files\\Kestro"},
      {"C:\\Program Files\\Kestro", "C:\\Program Files\\Kestro"},
      {"C:\\", "C:\\"},
      {"z:\\", "z:\\"},
      {"\\", "\\"},
      {"", ""},
      {"1:\\", "1:"},            // not a drive letter
      {"C:\\a\\\\", "C:\\a\\"},  // one backslash only
  };
  for (const Case& c : cases) EXPECT_EQ(NormalizeExePath(c.given), c.stored) << c.given;
}

TEST(AppExecRules, CommandLineIsTheNameThenEachParameterAfterOneBlank) {
  EXPECT_EQ(BuildCommandLine("compiler.exe", {"\"C:\\My Projects\\a b.tkp\""}),
            "compiler.exe \"C:\\My Projects\\a b.tkp\"");
  EXPECT_EQ(BuildCommandLine("x.exe", {}), "x.exe");
  EXPECT_EQ(BuildCommandLine("x.exe", {"1", "", "3"}), "x.exe 1  3");
  EXPECT_TRUE(FitsCommandLineBuffer(std::string(600, 'a')));  // past the old 511
  EXPECT_TRUE(FitsCommandLineBuffer(std::string(32766, 'a')));
  EXPECT_FALSE(FitsCommandLineBuffer(std::string(32767, 'a')));
}

TEST(AppExecRules, ErrorTextsByLanguageAndCode) {
  struct Case {
    int code;
    const char* french;
    const char* english;
  } cases[] = {
      {-1,
       "Pas d'ex\xE9"
       "cution",
       "No execution"},
      {0,
       "Syst\xE8me d\xE9pass\xE9 en capacit\xE9 m\xE9moire, ex\xE9"
       "cutable corrompu, ou r\xE9"
       "allocations invalides",
       "System was out of memory, executable file was corrupt, or relocations were invalid"},
      {2, "Fichier non trouv\xE9", "File was not found"},
      {3, "Chemin non trouv\xE9", "Path was not found"},
      {8, "M\xE9moire insuffisante pour d\xE9marrer l'application",
       "There was insufficient memory to start the application"},
      {16,
       "Tentative de chargement d'une seconde instance d'un ex\xE9"
       "cutable contenant plusieurs segments de "
       "donn\xE9"
       "es non marqu\xE9s en lecture seule",
       "Attempt to load second instance of an executable containing multiple data segments not marked "
       "read-only"},
      {21,
       "Application n\xE9"
       "cessitant des extensions 32-bit",
       "Application requires 32-bit extensions"},
      {32, "Pas d'erreur", "No error"},
      {1000, "Pas d'erreur", "No error"},
      {1, "Erreur syst\xE8me 1", "System error 1"},
      {22, "Erreur syst\xE8me 22", "System error 22"},
      {-5, "Erreur syst\xE8me -5", "System error -5"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(AppExecErrorText(LangType::ltFrench, c.code), c.french) << c.code;
    EXPECT_EQ(AppExecErrorText(LangType::ltEnglish, c.code), c.english) << c.code;
    EXPECT_EQ(AppExecErrorText(LangType::ltItalian, c.code), c.english) << c.code;
  }
  // A failed start never reads "no error".
  EXPECT_EQ(AppExecFailureText(LangType::ltFrench, 193), "Erreur syst\xE8me 193");
  EXPECT_EQ(AppExecFailureText(LangType::ltEnglish, 32), "System error 32");
  EXPECT_EQ(AppExecFailureText(LangType::ltFrench, 2), "Fichier non trouv\xE9");
  EXPECT_EQ(AppExecFailureText(LangType::ltFrench, 1), "Erreur syst\xE8me 1");
  // Every code of the table has its own text in both sets.
  for (int code : {-1, 0, 2, 3, 5, 6, 8, 10, 11, 12, 13, 14, 15, 16, 19, 20, 21}) {
    EXPECT_EQ(AppExecErrorText(LangType::ltFrench, code).find("Erreur syst"), std::string::npos) << code;
    EXPECT_EQ(AppExecErrorText(LangType::ltEnglish, code).find("System error"), std::string::npos) << code;
  }
}

// One unit per character, so a width is a length.
int Length(const std::string& text) { return static_cast<int>(text.size()); }

TEST(AppExecRules, PathTooWideKeepsDriveFoldersNearestTheNameAndTheName) {
  const std::string path = "C:\\Projects\\Kestro\\Output\\Release\\setup.exe";  // 43 wide
  struct Case {
    const char* path;
    int width;
    const char* shown;
  } cases[] = {
      {path.c_str(), 43, "C:\\Projects\\Kestro\\Output\\Release\\setup.exe"},
      {path.c_str(), 42, "C:\\...\\Kestro\\Output\\Release\\setup.exe"},
      {path.c_str(), 37, "C:\\...\\Output\\Release\\setup.exe"},
      {path.c_str(), 31, "C:\\...\\Output\\Release\\setup.exe"},
      {path.c_str(), 30, "C:\\...\\Release\\setup.exe"},
      {path.c_str(), 24, "C:\\...\\Release\\setup.exe"},
      {path.c_str(), 23, "C:\\...\\setup.exe"},
      {path.c_str(), 5, "C:\\...\\setup.exe"},  // the shortest form, even when too wide
      {"C:\\setup.exe", 4, "C:\\setup.exe"},    // no folder to leave out
      {"setup.exe", 4, "setup.exe"},
      {"\\\\server\\share\\alpha\\beta\\setup.exe", 34, "\\\\server\\share\\...\\beta\\setup.exe"},
      {"\\\\server\\share\\alpha\\beta\\setup.exe", 32, "\\\\server\\share\\...\\setup.exe"},
      {"Projects\\a\\setup.exe", 19, "...\\a\\setup.exe"},
  };
  for (const Case& c : cases)
    EXPECT_EQ(ShortenPath(c.path, c.width, Length), c.shown) << c.path << " " << c.width;
}

}  // namespace
}  // namespace kestro::wizard
