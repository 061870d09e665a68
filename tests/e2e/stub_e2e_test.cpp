// Outputs compiled with the real Stub1.dat, run as their own processes under
// Wine: silent extraction, damaged files, passwords, run mode with a setup
// program that leaves a child behind, and the interactive windows driven
// through the window driver.
#include <gtest/gtest.h>
// <windows.h> first, <shlobj.h> builds on it.
// clang-format off
#include <windows.h>
#include <commctrl.h>
#include <shlobj.h>
// clang-format on

#include <algorithm>
#include <fstream>
#include <random>
#include <sstream>

#include "common/os.h"
#include "stub/archive.h"
#include "tests/stub/compile_helper.h"
#include "tests/stub/output_builder.h"
#include "tests/win/driver.h"

using namespace kestro;
using namespace kestro::testing;
namespace driver = kestro::driver;

namespace {

const uint32_t kTextTime = 0x5A8B6C21;  // 2025-04-11 13:33:02
const uint32_t kBigTime = 0x4E215A10;

std::string Work() {
  static std::string w = driver::WinePath(KESTRO_E2E_WORK);
  return w;
}

std::string Slurp(const std::string& path) {
  auto v = ReadAll(path);
  return std::string(v.begin(), v.end());
}

void Put(const std::string& path, const std::string& text) {
  WriteAll(path, std::vector<uint8_t>(text.begin(), text.end()));
}

class StubE2E : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    stub::RemoveTree(Work().c_str());
    ASSERT_TRUE(stub::MakeDirs((Work() + "\\src").c_str()));
    Put(Work() + "\\src\\hello.txt", "Hello from Kestro.\r\n");
    std::mt19937 g(3);
    std::string big(6 << 20, '\0');  // large enough for the progress window to be seen
    for (size_t i = 0; i < big.size(); i += 4) big[i] = static_cast<char>(g());
    Put(Work() + "\\src\\big.bin", big);
    // The interactive test extracts more, so that its progress window stays
    // long enough to be found on a busy machine.
    Put(Work() + "\\src\\huge.bin", big + big + big);
    ASSERT_TRUE(os::SetFileDosDateTime(Work() + "\\src\\hello.txt", kTextTime));
    ASSERT_TRUE(os::SetFileDosDateTime(Work() + "\\src\\big.bin", kBigTime));
  }

  // Compiles [Settings] lines plus the given files into Work()\name\out.exe.
  std::string Compile(const std::string& name, const std::string& settings,
                      const std::vector<std::string>& files, const std::string& sections = "") {
    std::string dir = Work() + "\\" + name;
    EXPECT_TRUE(stub::MakeDirs(dir.c_str()));
    std::string out = dir + "\\out.exe";
    std::string text = "[Settings]\r\n" + settings + "Output=" + out + "\r\n[Files]\r\n";
    for (size_t i = 0; i < files.size(); ++i)
      text += "File" + std::to_string(i + 1) + "=" + files[i] + "\r\n";
    text += sections;
    std::string error = CompileProject(dir, text, KESTRO_STUB_FILE);
    EXPECT_EQ("", error);
    return out;
  }

  static int RunOutput(const std::string& exe, const std::string& args, int timeout_ms = 60000,
                       const std::string& current_dir = "") {
    driver::ChildProcess p;
    if (!p.Start("\"" + exe + "\" " + args, false, current_dir)) return -1;
    if (!p.Wait(timeout_ms)) return -2;
    return static_cast<int>(p.exit_code());
  }

  static std::vector<std::string> Files(const std::string& dir) {
    if (!os::IsDirectory(dir)) return {};
    auto v = os::ListFiles(dir);
    std::sort(v.begin(), v.end());
    return v;
  }

  const std::string kQuiet =
      "PromptShow=0\r\npasswordshow=0\r\nprogressshow=0\r\nExtractOnly=1\r\nExtractOnlyNoDlg=1\r\nRunProgram="
      "0\r\n";
  std::vector<std::string> Sources() { return {Work() + "\\src\\hello.txt", Work() + "\\src\\big.bin"}; }
};

TEST_F(StubE2E, SilentExtractionGivesTheRightBytesAndTimes) {
  std::string out = Compile("silent", kQuiet, Sources());
  std::string target = Work() + "\\silent\\target folder";
  EXPECT_EQ(0, RunOutput(out, "/S /D=" + target));
  EXPECT_EQ((std::vector<std::string>{"big.bin", "hello.txt"}), Files(target));
  for (const char* name : {"hello.txt", "big.bin"}) {
    EXPECT_EQ(Slurp(Work() + "\\src\\" + name), Slurp(target + "\\" + name)) << name;
    EXPECT_EQ(os::FileDosDateTime(Work() + "\\src\\" + name), os::FileDosDateTime(target + "\\" + name))
        << name;
  }
  EXPECT_EQ(kTextTime, os::FileDosDateTime(target + "\\hello.txt"));
  EXPECT_EQ(0, RunOutput(out, "/S /T"));
  // A relative /D= folder is taken from the current folder.
  std::string cwd = Work() + "\\silent\\cwd";
  ASSERT_TRUE(stub::MakeDirs(cwd.c_str()));
  EXPECT_EQ(0, RunOutput(out, "/S /D=rel\\here", 60000, cwd));
  EXPECT_EQ((std::vector<std::string>{"big.bin", "hello.txt"}), Files(cwd + "\\rel\\here"));
  // Kept for the signing test.
  ASSERT_EQ(0, os::CopyFileOver(out, Work() + "\\for_signing.exe"));
}

TEST_F(StubE2E, ADamagedOutputExtractsNothing) {
  std::string out = Compile("damaged", kQuiet, Sources());
  auto bytes = ReadAll(out);
  auto tampered = bytes;
  tampered[tampered.size() - 5000] ^= 0x55;  // inside the last stream
  Put(Work() + "\\damaged\\tampered.exe", std::string(tampered.begin(), tampered.end()));
  auto truncated = bytes;
  truncated.resize(bytes.size() - 10);
  Put(Work() + "\\damaged\\truncated.exe", std::string(truncated.begin(), truncated.end()));

  for (const char* name : {"tampered.exe", "truncated.exe"}) {
    SCOPED_TRACE(name);
    std::string target = Work() + "\\damaged\\new\\target";
    EXPECT_EQ(2, RunOutput(Work() + "\\damaged\\" + name, "/S /D=" + target));
    EXPECT_FALSE(os::IsDirectory(Work() + "\\damaged\\new"));  // every folder level it made is gone
    EXPECT_EQ(2, RunOutput(Work() + "\\damaged\\" + name, "/S /T"));
  }
  // An existing file of the same name stays as it was.
  std::string target = Work() + "\\damaged\\existing";
  ASSERT_TRUE(stub::MakeDirs(target.c_str()));
  Put(target + "\\hello.txt", "old");
  EXPECT_EQ(2, RunOutput(Work() + "\\damaged\\tampered.exe", "/S /D=" + target));
  EXPECT_EQ((std::vector<std::string>{"hello.txt"}), Files(target));
  EXPECT_EQ("old", Slurp(target + "\\hello.txt"));
}

TEST_F(StubE2E, CraftedUnsafeNamesAreRefusedBeforeAnythingIsWritten) {
  std::string dir = Work() + "\\unsafe";
  ASSERT_TRUE(stub::MakeDirs(dir.c_str()));
  const std::vector<uint8_t> stub = ReadAll(KESTRO_STUB_FILE);
  for (const char* dest : {"%a\\..\\evil.txt", "%a\\C:evil.txt", "%a\\nul.txt", "%a\\\\evil.txt"}) {
    SCOPED_TRACE(dest);
    OutputPlan plan;
    plan.settings = QuietSettings();
    plan.files.push_back({"%a\\good.txt", "good"});
    plan.files.push_back({dest, "evil"});
    std::string out = dir + "\\crafted.exe";
    WriteAll(out, BuildOutput(stub, plan));
    std::string target = dir + "\\target";
    EXPECT_EQ(2, RunOutput(out, "/S /D=" + target));
    EXPECT_FALSE(os::IsDirectory(target));
    EXPECT_FALSE(os::FileExists(dir + "\\evil.txt"));
  }
}

TEST_F(StubE2E, SilentModeNeedsTheRightPassword) {
  std::string out =
      Compile("password",
              "PromptShow=0\r\npasswordshow=1\r\nPassword=Se cret\r\nprogressshow=0\r\nExtractOnly=1\r\n"
              "ExtractOnlyNoDlg=1\r\nRunProgram=0\r\n",
              Sources());
  std::string target = Work() + "\\password\\target";
  EXPECT_EQ(3, RunOutput(out, "/S /D=" + target));
  EXPECT_EQ(3, RunOutput(out, "/S /P=wrong /D=" + target));
  EXPECT_EQ(3, RunOutput(out, "/S /P=se cret /D=" + target));
  EXPECT_TRUE(Files(target).empty());
  EXPECT_EQ(0, RunOutput(out, "/S \"/P=Se cret\" /D=" + target));
  EXPECT_EQ((std::vector<std::string>{"big.bin", "hello.txt"}), Files(target));
}

// Runs the output with TMP and TEMP set to a folder of its own, so that
// what it leaves there is what this run made.
int RunWithOwnTemp(const std::string& exe, const std::string& args, const std::string& temp) {
  char old_tmp[MAX_PATH] = {}, old_temp[MAX_PATH] = {};
  GetEnvironmentVariableA("TMP", old_tmp, sizeof old_tmp);
  GetEnvironmentVariableA("TEMP", old_temp, sizeof old_temp);
  SetEnvironmentVariableA("TMP", temp.c_str());
  SetEnvironmentVariableA("TEMP", temp.c_str());
  driver::ChildProcess p;
  int rc = -1;
  if (p.Start("\"" + exe + "\" " + args)) rc = p.Wait(60000) ? static_cast<int>(p.exit_code()) : -2;
  SetEnvironmentVariableA("TMP", old_tmp[0] ? old_tmp : nullptr);
  SetEnvironmentVariableA("TEMP", old_temp[0] ? old_temp : nullptr);
  return rc;
}

// The entries of a folder, folders included.
std::vector<std::string> Entries(const std::string& dir) {
  std::vector<std::string> v;
  WIN32_FIND_DATAA fd;
  HANDLE h = FindFirstFileA((dir + "\\*").c_str(), &fd);
  if (h == INVALID_HANDLE_VALUE) return v;
  do {
    if (lstrcmpA(fd.cFileName, ".") != 0 && lstrcmpA(fd.cFileName, "..") != 0) v.push_back(fd.cFileName);
  } while (FindNextFileA(h, &fd));
  FindClose(h);
  std::sort(v.begin(), v.end());
  return v;
}

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> v;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) v.push_back(line);
  return v;
}

TEST_F(StubE2E, RunModeWaitsForTheLingeringChildRemovesTheFolderAndReturnsTheCode) {
  std::string dir = Work() + "\\run";
  ASSERT_TRUE(stub::MakeDirs((dir + "\\before").c_str()));
  std::string setup = driver::WinePath(KESTRO_SETUP_EXE);
  ASSERT_EQ(0, os::CopyFileOver(setup, dir + "\\e2e_setup.exe"));
  ASSERT_EQ(0, os::CopyFileOver(setup, dir + "\\linger.exe"));
  ASSERT_EQ(0, os::CopyFileOver(setup, dir + "\\before\\linger.exe"));
  std::string report = dir + "\\report.txt";
  std::string out =
      Compile("run",
              "PromptShow=0\r\npasswordshow=0\r\nprogressshow=0\r\nExtractOnly=0\r\nRunProgram=1\r\n"
              "RunProgExeName=e2e_setup.exe\r\nRunProgExePara=\"" +
                  report + "\"\r\nRunWaitFor=linger.exe\r\n",
              {dir + "\\e2e_setup.exe", dir + "\\linger.exe", Work() + "\\src\\hello.txt"});
  // A linger.exe that ran before the output started is not waited for.
  driver::ChildProcess earlier;
  ASSERT_TRUE(earlier.Start("\"" + dir + "\\before\\linger.exe\" --hold 120000"));
  EXPECT_EQ(7, RunOutput(out, "/S", 60000));
  EXPECT_FALSE(earlier.Wait(0)) << "the earlier linger.exe should still run";
  earlier.Kill();
  auto lines = Lines(Slurp(report));
  ASSERT_EQ(2u, lines.size()) << Slurp(report);
  const std::string& folder = lines[0];
  EXPECT_NE(std::string::npos, folder.find("kx")) << folder;
  EXPECT_EQ("linger done", lines[1]) << "the output did not wait for linger.exe";
  EXPECT_FALSE(os::IsDirectory(folder)) << folder;
}

TEST_F(StubE2E, ASetupProgramThatIsNoProgramIsOpenedThroughTheShell) {
  // A file type of this test's own, opened by e2e_setup.exe --opened.
  std::string dir = Work() + "\\shellopen";
  ASSERT_TRUE(stub::MakeDirs(dir.c_str()));
  std::string setup = driver::WinePath(KESTRO_SETUP_EXE);
  std::string report = dir + "\\report.txt";
  DeleteFileA(report.c_str());
  std::string command = "\"" + setup + "\" --opened \"" + report + "\" \"%1\"";
  RegDeleteTreeA(HKEY_CLASSES_ROOT, ".kxtest");
  RegDeleteTreeA(HKEY_CLASSES_ROOT, "KestroE2E.kxtest");
  ASSERT_EQ(ERROR_SUCCESS,
            RegSetKeyValueA(HKEY_CLASSES_ROOT, ".kxtest", nullptr, REG_SZ, "KestroE2E.kxtest", 17));
  ASSERT_EQ(ERROR_SUCCESS,
            RegSetKeyValueA(HKEY_CLASSES_ROOT, "KestroE2E.kxtest\\shell\\open\\command", nullptr, REG_SZ,
                            command.c_str(), static_cast<DWORD>(command.size() + 1)));
  Put(dir + "\\package.kxtest", "not a program");
  Put(dir + "\\package.kxnone", "not a program, and nothing opens it");
  for (const char* name : {"package.kxtest", "package.kxnone"}) {
    std::string source = dir + "\\" + name;
    std::string out = Compile(std::string("shellopen\\out-") + name,
                              "PromptShow=0\r\npasswordshow=0\r\nprogressshow=0\r\nExtractOnly=0\r\n"
                              "RunProgram=1\r\nRunProgExeName=" +
                                  std::string(name) + "\r\n",
                              {source});
    std::string temp = dir + "\\" + name + ".temp";
    ASSERT_TRUE(stub::MakeDirs(temp.c_str()));
    if (std::string(name) == "package.kxtest") {
      EXPECT_EQ(9, RunWithOwnTemp(out, "/S", temp)) << "the open command's exit code, waited for";
      auto lines = Lines(Slurp(report));
      ASSERT_EQ(1u, lines.size()) << Slurp(report);
      EXPECT_NE(std::string::npos, lines[0].find("opened ")) << lines[0];
      EXPECT_NE(std::string::npos, lines[0].find("\\package.kxtest")) << lines[0];
    } else {
      EXPECT_EQ(5, RunWithOwnTemp(out, "/S", temp));
    }
    EXPECT_EQ(std::vector<std::string>{}, Entries(temp)) << name;
  }
  RegDeleteTreeA(HKEY_CLASSES_ROOT, ".kxtest");
  RegDeleteTreeA(HKEY_CLASSES_ROOT, "KestroE2E.kxtest");
}

TEST_F(StubE2E, ASetupProgramThatCannotStartGivesCodeFiveAndLeavesNoFolder) {
  std::string out =
      Compile("nostart",
              "PromptShow=0\r\npasswordshow=0\r\nprogressshow=0\r\nExtractOnly=0\r\nRunProgram=1\r\n"
              "RunProgExeName=missing.exe\r\n",
              {Work() + "\\src\\hello.txt"});
  // A TEMP of its own: nothing of this run (no kx... folder) is left there.
  std::string temp = Work() + "\\nostart\\temp";
  ASSERT_TRUE(stub::MakeDirs(temp.c_str()));
  EXPECT_EQ(5, RunWithOwnTemp(out, "/S", temp));
  EXPECT_EQ(std::vector<std::string>{}, Entries(temp));
}

// Waits for the next window with the caption, other than `previous`.
HWND Next(const std::string& caption, DWORD pid, HWND previous) {
  if (previous) driver::WaitWindowGone(previous, 10000);
  return driver::WaitForWindow(caption, pid, 20000);
}

bool Has(const std::vector<std::string>& v, const std::string& s) {
  for (const auto& x : v)
    if (x.find(s) != std::string::npos) return true;
  return false;
}

HWND ChildOfClass(HWND wnd, const char* cls) {
  for (const auto& c : driver::ChildControls(wnd))
    if (lstrcmpiA(c.class_name.c_str(), cls) == 0) return c.hwnd;
  return nullptr;
}

TEST_F(StubE2E, ATargetThatCannotBeWrittenGivesCodeFourAndLeavesNothing) {
  std::string out = Compile("nowrite", kQuiet, Sources());
  std::string dir = Work() + "\\nowrite";
  Put(dir + "\\blocker", "a file where a folder should be");
  EXPECT_EQ(4, RunOutput(out, "/S /D=" + dir + "\\blocker\\target"));
  // A folder in the way of one file: the other file is not left either.
  std::string target = dir + "\\target";
  ASSERT_TRUE(stub::MakeDirs((target + "\\hello.txt").c_str()));
  EXPECT_EQ(4, RunOutput(out, "/S /D=" + target));
  EXPECT_EQ(std::vector<std::string>{}, Files(target));
  EXPECT_TRUE(os::IsDirectory(target + "\\hello.txt"));
}

TEST_F(StubE2E, AnEntryThatCannotBeAppliedGivesCodeFourNamingTheEntryAndTheReason) {
  // A key the system refuses to write: a lasting key under a volatile one
  // (standing in for HKEY_LOCAL_MACHINE without administrator rights, which
  // Wine does not refuse).
  RegDeleteTreeA(HKEY_CURRENT_USER, "Software\\KestroE2EVolatile");
  HKEY k;
  ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExA(HKEY_CURRENT_USER, "Software\\KestroE2EVolatile", 0, nullptr,
                                           REG_OPTION_VOLATILE, KEY_ALL_ACCESS, nullptr, &k, nullptr));
  RegCloseKey(k);
  std::string dir = Work() + "\\noapply";
  struct Case {
    const char* sections;
    const char* expected;
  } cases[] = {
      {"[Registry]\r\n1=HKEY_CURRENT_USER,Software\\KestroE2E,Path,STRING,%a,\r\n"
       "2=HKEY_CURRENT_USER,Software\\KestroE2EVolatile\\Sub,Name,STRING,x,\r\n",
       "[Registry] entry 2: Cannot write HKEY_CURRENT_USER\\Software\\KestroE2EVolatile\\Sub: "},
      {"[INI]\r\n1=%a\\no such folder\\app.ini,Main,Key,Value,\r\n", "[INI] entry 1: Cannot write "},
  };
  int n = 0;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.expected);
    std::string name = "noapply\\" + std::to_string(++n);
    std::string out = Compile(name, kQuiet, {Work() + "\\src\\hello.txt"}, c.sections);
    std::string target = Work() + "\\" + name + "\\target";
    EXPECT_EQ(4, RunOutput(out, "/S /D=" + target));
    driver::ChildProcess p;
    ASSERT_TRUE(p.Start("\"" + out + "\" /D=" + target));
    HWND box = driver::WaitForWindow("Setup", p.pid(), 20000);
    ASSERT_NE(nullptr, box);
    auto texts = driver::StaticTexts(box);
    EXPECT_TRUE(Has(texts, c.expected)) << ::testing::PrintToString(texts);
    EXPECT_FALSE(Has(texts, "damaged")) << ::testing::PrintToString(texts);
    ASSERT_TRUE(driver::PressButton(box, "OK"));
    ASSERT_TRUE(p.Wait(20000));
    EXPECT_EQ(4u, p.exit_code());
  }
  HKEY open;
  EXPECT_NE(ERROR_SUCCESS,
            RegOpenKeyExA(HKEY_CURRENT_USER, "Software\\KestroE2EVolatile\\Sub", 0, KEY_READ, &open));
  RegDeleteTreeA(HKEY_CURRENT_USER, "Software\\KestroE2EVolatile");
  RegDeleteTreeA(HKEY_CURRENT_USER, "Software\\KestroE2E");
}

TEST_F(StubE2E, InteractiveLicenceQuestionPasswordAndProgress) {
  std::string target = Work() + "\\interactive\\target";
  std::string out = Compile("interactive",
                            "ShowLicense=1\r\nLicenseText=First line\x01\xFFSecond line\r\n"
                            "PromptShow=1\r\nPrompttext=Jetzt entpacken?\r\nYes=&Ja\r\nNo=&Nein\r\n"
                            "passwordshow=1\r\nPassword=pw\r\nPasswordText=Kennwort:\r\n"
                            "Continue=&Weiter\r\nCancel=&Abbrechen\r\n"
                            "progressshow=1\r\nProgressText=Entpacke Dateien...\r\n"
                            "ShowFinalMsg=1\r\nFinalMsg=Fertig.\r\ncaption=Kestro E2E\r\n"
                            "ExtractOnly=1\r\nRunProgram=0\r\nExtractOnlyNoDlg=1\r\nExtractOnlyPath=" +
                                target + "\r\n",
                            {Work() + "\\src\\hello.txt", Work() + "\\src\\huge.bin"});
  const std::string caption = "Kestro E2E";
  driver::ChildProcess p;
  ASSERT_TRUE(p.Start("\"" + out + "\""));

  HWND licence = Next(caption, p.pid(), nullptr);
  ASSERT_NE(nullptr, licence);
  HWND text = ChildOfClass(licence, "Edit");
  ASSERT_NE(nullptr, text);
  char got[256] = {};  // WM_GETTEXT: another process's edit text
  SendMessageA(text, WM_GETTEXT, sizeof got, reinterpret_cast<LPARAM>(got));
  EXPECT_STREQ("First line\r\nSecond line", got);
  EXPECT_TRUE(Has(driver::ButtonCaptions(licence), "&Abbrechen"));
  ASSERT_TRUE(driver::PressButton(licence, "&Weiter"));

  HWND question = Next(caption, p.pid(), licence);
  ASSERT_NE(nullptr, question);
  EXPECT_TRUE(Has(driver::StaticTexts(question), "Jetzt entpacken?"));
  EXPECT_TRUE(Has(driver::ButtonCaptions(question), "&Nein"));
  ASSERT_TRUE(driver::PressButton(question, "&Ja"));

  HWND password = Next(caption, p.pid(), question);
  ASSERT_NE(nullptr, password);
  EXPECT_TRUE(Has(driver::StaticTexts(password), "Kennwort:"));
  SendMessageA(ChildOfClass(password, "Edit"), WM_SETTEXT, 0, reinterpret_cast<LPARAM>("PW"));
  ASSERT_TRUE(driver::PressButton(password, "&Weiter"));

  HWND wrong = Next(caption, p.pid(), password);
  ASSERT_NE(nullptr, wrong);
  EXPECT_TRUE(Has(driver::StaticTexts(wrong), "password is not correct"));
  EXPECT_TRUE(Files(target).empty());
  ASSERT_TRUE(driver::PressButton(wrong, "OK"));

  password = Next(caption, p.pid(), wrong);
  ASSERT_NE(nullptr, password);
  SendMessageA(ChildOfClass(password, "Edit"), WM_SETTEXT, 0, reinterpret_cast<LPARAM>("pw"));
  ASSERT_TRUE(driver::PressButton(password, "&Weiter"));

  HWND progress = Next(caption, p.pid(), password);
  ASSERT_NE(nullptr, progress);
  EXPECT_TRUE(Has(driver::StaticTexts(progress), "Entpacke Dateien..."));
  EXPECT_TRUE(Has(driver::StaticTexts(progress), " %"));  // the gauge's percentage
  EXPECT_TRUE(Has(driver::ButtonCaptions(progress), "&Abbrechen"));

  HWND done = Next(caption, p.pid(), progress);
  ASSERT_NE(nullptr, done);
  EXPECT_TRUE(Has(driver::StaticTexts(done), "Fertig."));
  ASSERT_TRUE(driver::PressButton(done, "OK"));
  ASSERT_TRUE(p.Wait(20000));
  EXPECT_EQ(0u, p.exit_code());
  EXPECT_EQ((std::vector<std::string>{"hello.txt", "huge.bin"}), Files(target));
}

TEST_F(StubE2E, CancelAtTheQuestionEndsWithCodeOne) {
  std::string target = Work() + "\\cancel\\target";
  std::string out = Compile(
      "cancel",
      "PromptShow=1\r\nPrompttext=Go?\r\npasswordshow=0\r\nprogressshow=0\r\ncaption=Kestro Cancel\r\n"
      "ExtractOnly=1\r\nRunProgram=0\r\nExtractOnlyNoDlg=1\r\nExtractOnlyPath=" +
          target + "\r\n",
      Sources());
  driver::ChildProcess p;
  ASSERT_TRUE(p.Start("\"" + out + "\""));
  HWND question = driver::WaitForWindow("Kestro Cancel", p.pid(), 20000);
  ASSERT_NE(nullptr, question);
  ASSERT_TRUE(driver::PressButton(question, "&No"));
  ASSERT_TRUE(p.Wait(20000));
  EXPECT_EQ(1u, p.exit_code());
  EXPECT_FALSE(os::IsDirectory(target));
}

TEST_F(StubE2E, DamagedFileBoxAndSwitchListAreShown) {
  std::string out = Compile("boxes", kQuiet, {Work() + "\\src\\hello.txt"});
  auto bytes = ReadAll(out);
  bytes.resize(bytes.size() - 3);
  std::string cut = Work() + "\\boxes\\cut.exe";
  Put(cut, std::string(bytes.begin(), bytes.end()));
  {
    driver::ChildProcess p;
    ASSERT_TRUE(p.Start("\"" + cut + "\""));
    HWND box = driver::WaitForWindow("Setup", p.pid(), 20000);
    ASSERT_NE(nullptr, box);
    EXPECT_TRUE(Has(driver::StaticTexts(box), "damaged"))
        << ::testing::PrintToString(driver::StaticTexts(box));
    EXPECT_TRUE(Has(driver::StaticTexts(box), "outside the file"));
    ASSERT_TRUE(driver::PressButton(box, "OK"));
    ASSERT_TRUE(p.Wait(20000));
    EXPECT_EQ(2u, p.exit_code());
  }
  {
    driver::ChildProcess p;
    ASSERT_TRUE(p.Start("\"" + out + "\" /?"));
    HWND box = driver::WaitForWindow("Setup", p.pid(), 20000);
    ASSERT_NE(nullptr, box);
    EXPECT_TRUE(Has(driver::StaticTexts(box), "/D=FOLDER"));
    ASSERT_TRUE(driver::PressButton(box, "OK"));
    ASSERT_TRUE(p.Wait(20000));
    EXPECT_EQ(0u, p.exit_code());
  }
}

TEST_F(StubE2E, FolderDialogOffersThePathAndTakesAnother) {
  std::string offered = Work() + "\\folder\\offered";
  std::string chosen = Work() + "\\folder\\chosen one";
  std::string out =
      Compile("folder",
              "PromptShow=0\r\npasswordshow=0\r\nprogressshow=0\r\ncaption=Kestro Folder\r\n"
              "FolderSelText=Wohin damit?\r\nExtractOnly=1\r\nRunProgram=0\r\nExtractOnlyNoDlg=0\r\n"
              "ExtractOnlyPath=" +
                  offered + "\r\n",
              {Work() + "\\src\\hello.txt"});
  driver::ChildProcess p;
  ASSERT_TRUE(p.Start("\"" + out + "\""));
  HWND dlg = driver::WaitForWindow("Kestro Folder", p.pid(), 20000);
  ASSERT_NE(nullptr, dlg);
  EXPECT_TRUE(Has(driver::StaticTexts(dlg), "Wohin damit?"));
  HWND edit = ChildOfClass(dlg, "Edit");
  char got[512] = {};
  SendMessageA(edit, WM_GETTEXT, sizeof got, reinterpret_cast<LPARAM>(got));
  EXPECT_EQ(offered, got);
  SendMessageA(edit, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(chosen.c_str()));
  ASSERT_TRUE(driver::PressButton(dlg, "&Continue"));
  ASSERT_TRUE(p.Wait(20000));
  EXPECT_EQ(0u, p.exit_code());
  EXPECT_EQ((std::vector<std::string>{"hello.txt"}), Files(chosen));
  EXPECT_FALSE(os::IsDirectory(offered));
}

// A visible top-level window of process pid other than `besides`.
HWND OtherWindow(DWORD pid, HWND besides, int timeout_ms) {
  struct Find {
    DWORD pid;
    HWND besides, found;
  } f = {pid, besides, nullptr};
  for (int waited = 0; waited < timeout_ms && !f.found; waited += 100) {
    EnumWindows(
        [](HWND w, LPARAM lp) -> BOOL {
          Find* f = reinterpret_cast<Find*>(lp);
          DWORD pid = 0;
          GetWindowThreadProcessId(w, &pid);
          if (pid == f->pid && w != f->besides && IsWindowVisible(w)) f->found = w;
          return !f->found;
        },
        reinterpret_cast<LPARAM>(&f));
    if (!f.found) Sleep(100);
  }
  return f.found;
}

TEST_F(StubE2E, TheBrowseButtonOpensTheShellsFolderDialogAndTakesItsChoice) {
  std::string offered = Work() + "\\browse\\not there yet";
  std::string out = Compile("browse",
                            "PromptShow=0\r\npasswordshow=0\r\nprogressshow=0\r\ncaption=Kestro Browse\r\n"
                            "FolderSelText=Wohin?\r\nExtractOnly=1\r\nRunProgram=0\r\nExtractOnlyNoDlg=0\r\n"
                            "ExtractOnlyPath=" +
                                offered + "\r\n",
                            {Work() + "\\src\\hello.txt"});
  driver::ChildProcess p;
  ASSERT_TRUE(p.Start("\"" + out + "\""));
  HWND dlg = driver::WaitForWindow("Kestro Browse", p.pid(), 20000);
  ASSERT_NE(nullptr, dlg);
  ASSERT_TRUE(driver::PressButton(dlg, "&Browse..."));
  HWND browse = OtherWindow(p.pid(), dlg, 20000);
  ASSERT_NE(nullptr, browse);
  EXPECT_TRUE(Has(driver::StaticTexts(browse), "Wohin?"));
  HWND name = ChildOfClass(browse, "Edit");  // names the selected folder
  ASSERT_NE(nullptr, name);
  // The dialog walks towards the offered folder (the nearest one that
  // exists); take what it selected once it stays put.
  char selected[256] = {}, before[256] = {};
  for (int still = 0, waited = 0; still < 15 && waited < 200; ++waited) {
    Sleep(100);
    SendMessageA(name, WM_GETTEXT, sizeof selected, reinterpret_cast<LPARAM>(selected));
    still = selected[0] && lstrcmpA(selected, before) == 0 ? still + 1 : 0;
    lstrcpyA(before, selected);
  }
  ASSERT_TRUE(selected[0]);
  ASSERT_TRUE(driver::PressButton(browse, "OK"));
  ASSERT_TRUE(driver::WaitWindowGone(browse, 10000));
  char got[512] = {};
  SendMessageA(ChildOfClass(dlg, "Edit"), WM_GETTEXT, sizeof got, reinterpret_cast<LPARAM>(got));
  EXPECT_NE(offered, got) << "the folder dialog's choice did not reach the folder step";
  EXPECT_TRUE(os::IsDirectory(got)) << got;
  ASSERT_TRUE(driver::PressButton(dlg, "&Cancel"));
  ASSERT_TRUE(p.Wait(20000));
  EXPECT_EQ(1u, p.exit_code());
}

std::string RegString(HKEY root, const char* key, const char* name, DWORD* type = nullptr) {
  char buf[512] = {};
  DWORD size = sizeof buf, t = 0;
  if (RegGetValueA(root, key, name, RRF_RT_ANY, &t, buf, &size) != ERROR_SUCCESS) return "<missing>";
  if (type) *type = t;
  if (t == REG_DWORD) return std::to_string(*reinterpret_cast<DWORD*>(buf));
  return buf;
}

// A shortcut's program, arguments and working folder, joined by "|".
std::string LinkParts(const std::string& path) {
  CoInitialize(nullptr);
  std::string parts = "<unreadable>";
  IShellLinkA* link = nullptr;
  if (SUCCEEDED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkA,
                                 reinterpret_cast<void**>(&link)))) {
    IPersistFile* file = nullptr;
    if (SUCCEEDED(link->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&file)))) {
      WCHAR wide[MAX_PATH];
      MultiByteToWideChar(CP_ACP, 0, path.c_str(), -1, wide, MAX_PATH);
      char program[MAX_PATH] = {}, args[MAX_PATH] = {}, dir[MAX_PATH] = {};
      if (SUCCEEDED(file->Load(wide, STGM_READ)) && SUCCEEDED(link->GetPath(program, MAX_PATH, nullptr, 0)) &&
          SUCCEEDED(link->GetArguments(args, MAX_PATH)) &&
          SUCCEEDED(link->GetWorkingDirectory(dir, MAX_PATH)))
        parts = std::string(program) + "|" + args + "|" + dir;
      file->Release();
    }
    link->Release();
  }
  CoUninitialize();
  return parts;
}

TEST_F(StubE2E, ScriptEntriesWriteIniRegistryAndShortcuts) {
  RegDeleteTreeA(HKEY_CURRENT_USER, "Software\\KestroE2E");
  HKEY k;
  ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExA(HKEY_CURRENT_USER, "Software\\KestroE2E", 0, nullptr, 0,
                                           KEY_ALL_ACCESS, nullptr, &k, nullptr));
  RegSetValueExA(k, "Kept", 0, REG_SZ, reinterpret_cast<const BYTE*>("old"), 4);
  RegSetValueExA(k, "Gone", 0, REG_SZ, reinterpret_cast<const BYTE*>("x"), 2);
  RegCloseKey(k);
  std::string target = Work() + "\\script\\target";
  std::string dir = Work() + "\\script";
  ASSERT_TRUE(stub::MakeDirs(dir.c_str()));
  std::string sections =
      "[Dirs]\r\n1=%a\\logs\r\n"
      "[INI]\r\n1=%a\\app.ini,Main,Folder,%a\\data,\r\n"
      "[Registry]\r\n"
      "1=HKEY_CURRENT_USER,Software\\KestroE2E,Path,STRING,%a,\r\n"
      "2=HKEY_CURRENT_USER,Software\\KestroE2E,Count,DWORD,$1F,\r\n"
      "3=HKEY_CURRENT_USER,Software\\KestroE2E,Kept,STRING,new,K\r\n"
      "4=HKEY_CURRENT_USER,Software\\KestroE2E,Gone,STRING,,E\r\n"
      "5=HKEY_CURRENT_USER,Software\\KestroE2E\\Empty,,NONE,,\r\n"
      "[Icons]\r\n1=Kestro E2E Hello,%a\\hello.txt,%a\r\n"
      "2=Kestro E2E Quoted,\"%a\\hello.txt\" /x,%a\\logs\r\n";
  std::string out = Compile("script", kQuiet, {Work() + "\\src\\hello.txt"}, sections);
  EXPECT_EQ(0, RunOutput(out, "/S /D=" + target));
  EXPECT_NE(std::string::npos, Slurp(target + "\\app.ini").find("Folder=" + target + "\\data"));
  EXPECT_TRUE(os::IsDirectory(target + "\\logs"));
  EXPECT_EQ(target, RegString(HKEY_CURRENT_USER, "Software\\KestroE2E", "Path"));
  DWORD type = 0;
  EXPECT_EQ("31", RegString(HKEY_CURRENT_USER, "Software\\KestroE2E", "Count", &type));
  EXPECT_EQ(static_cast<DWORD>(REG_DWORD), type);
  EXPECT_EQ("old", RegString(HKEY_CURRENT_USER, "Software\\KestroE2E", "Kept"));
  EXPECT_EQ("<missing>", RegString(HKEY_CURRENT_USER, "Software\\KestroE2E", "Gone"));
  HKEY empty;
  EXPECT_EQ(ERROR_SUCCESS,
            RegOpenKeyExA(HKEY_CURRENT_USER, "Software\\KestroE2E\\Empty", 0, KEY_READ, &empty));
  RegCloseKey(empty);
  char programs[MAX_PATH];
  ASSERT_EQ(S_OK, SHGetFolderPathA(nullptr, CSIDL_PROGRAMS, nullptr, 0, programs));
  std::string link = std::string(programs) + "\\Kestro E2E Hello.lnk";
  EXPECT_TRUE(os::FileExists(link)) << link;
  DeleteFileA(link.c_str());
  // A quoted command line gets "%a" expanded inside the quotes too.
  std::string quoted = std::string(programs) + "\\Kestro E2E Quoted.lnk";
  EXPECT_EQ(target + "\\hello.txt|/x|" + target + "\\logs", LinkParts(quoted));
  DeleteFileA(quoted.c_str());
  RegDeleteTreeA(HKEY_CURRENT_USER, "Software\\KestroE2E");
}

TEST_F(StubE2E, ExistingFilesThatDifferAreAskedAboutReplacedWithSilentAndKeptWithK) {
  std::string dir = Work() + "\\existing";
  ASSERT_TRUE(stub::MakeDirs((dir + "\\src").c_str()));
  Put(dir + "\\src\\config.ini", "from the output");
  Put(dir + "\\src\\same.txt", "same");
  Put(dir + "\\src\\new.txt", "new");
  std::string out = Compile("existing", kQuiet + "caption=Kestro Existing\r\n",
                            {dir + "\\src\\config.ini", dir + "\\src\\same.txt", dir + "\\src\\new.txt"});
  std::string target = dir + "\\target";
  const uint32_t kUserTime = 0x4E215A10;
  struct Case {
    const char* args;
    const char* button;  // the answer, or none without a window
    DWORD code;
    bool replaced, rest_written;
  } cases[] = {
      {"", "&Yes", 0, true, true},     {"", "&No", 0, false, true},         {"", "Cancel", 1, false, false},
      {"/S ", nullptr, 0, true, true}, {"/S /K ", nullptr, 0, false, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.args) + (c.button ? c.button : ""));
    stub::RemoveTree(target.c_str());
    ASSERT_TRUE(stub::MakeDirs(target.c_str()));
    Put(target + "\\config.ini", "mine");
    Put(target + "\\same.txt", "same");
    ASSERT_TRUE(os::SetFileDosDateTime(target + "\\same.txt", kUserTime));
    driver::ChildProcess p;
    ASSERT_TRUE(p.Start("\"" + out + "\" " + c.args + "/D=" + target));
    if (c.button) {
      HWND box = driver::WaitForWindow("Kestro Existing", p.pid(), 20000);
      ASSERT_NE(nullptr, box);
      EXPECT_TRUE(Has(driver::StaticTexts(box),
                      "1 file in " + target + " already exists and differs: config.ini. Replace it?"))
          << ::testing::PrintToString(driver::StaticTexts(box));
      ASSERT_TRUE(driver::PressButton(box, c.button));
    }
    ASSERT_TRUE(p.Wait(20000));
    EXPECT_EQ(c.code, p.exit_code());
    EXPECT_EQ(c.replaced ? "from the output" : "mine", Slurp(target + "\\config.ini"));
    EXPECT_EQ(kUserTime, os::FileDosDateTime(target + "\\same.txt")) << "an identical file is rewritten";
    EXPECT_EQ(c.rest_written, os::FileExists(target + "\\new.txt"));
    EXPECT_EQ(c.rest_written ? 3u : 2u, Files(target).size()) << ::testing::PrintToString(Files(target));
  }
}

}  // namespace
