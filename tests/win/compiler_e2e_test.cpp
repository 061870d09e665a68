// Compiler.exe run for real as its own process, its windows and boxes
// driven from here as a person would: found by caption, read, clicked.
#include <gtest/gtest.h>
#include <zlib.h>

#include <fstream>
#include <iterator>
#include <string>

#include "compiler/engine.h"
#include "tests/win/driver.h"
#include "tests/win/files.h"

// clang-format off
#include <commctrl.h>
// clang-format on

namespace kestro {
namespace {

constexpr int kWaitMs = 30000;
const char kFormCaption[] = "tessaron Kestro Compiler";
const char kMarker[] =
    "eLgNiS\x12\x34"
    "C!\x12\x34";

using driver::Exists;
using driver::ReadAll;
using driver::RemoveTree;
using driver::WriteAll;

std::string IniValue(const std::string& file, const char* section, const char* key) {
  char buf[1024] = {};
  GetPrivateProfileStringA(section, key, "<none>", buf, sizeof buf, file.c_str());
  return buf;
}

class CompilerExe : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = driver::WinePath(KESTRO_TEST_WORK) + "\\" +
           ::testing::UnitTest::GetInstance()->current_test_info()->name();
    RemoveTree(dir_);
    CreateDirectoryA(driver::WinePath(KESTRO_TEST_WORK).c_str(), nullptr);
    ASSERT_TRUE(CreateDirectoryA(dir_.c_str(), nullptr)) << dir_;
    CreateDirectoryA((dir_ + "\\src").c_str(), nullptr);
    CreateDirectoryA((dir_ + "\\tmp").c_str(), nullptr);
    ASSERT_TRUE(
        CopyFileA(driver::WinePath(KESTRO_COMPILER_EXE).c_str(), (dir_ + "\\Compiler.exe").c_str(), FALSE));
    // A stand-in stub: the marker once, bytes around it.
    WriteAll(dir_ + "\\Stub1.dat", "MZ" + std::string(300, '\x90') + kMarker + std::string(400, '\x11'));
    std::string text;
    for (int i = 0; i < 500; ++i) text += "Zeile " + std::to_string(i) + " \xE4\xF6\xFC\r\n";
    WriteAll(dir_ + "\\src\\a.txt", text);
    std::string binary;
    for (int i = 0; i < 200000; ++i) binary += static_cast<char>((i * 7919) >> 3);
    WriteAll(dir_ + "\\src\\b.bin", binary);
    project_ = dir_ + "\\p.tkp";
    // The work folder lands in the child's TMP.
    SetEnvironmentVariableA("TMP", (dir_ + "\\tmp").c_str());
    SetEnvironmentVariableA("TEMP", (dir_ + "\\tmp").c_str());
  }

  void WriteProject(const std::string& extra = "") {
    WriteAll(project_,
             "[Settings]\r\nCaption=Hall\xF6"
             "chen\r\nQuiet=0\r\nOutput=out\\x.exe\r\n"
             "[Files]\r\nNumFiles=2\r\nFile1=src\\a.txt\r\nFile2=src\\b.bin\r\n" +
                 extra);
  }

  void Start(const std::string& args) {
    ASSERT_TRUE(compiler_.Start("\"" + dir_ + "\\Compiler.exe\"" + args, false, dir_));
  }

  // The program ends by itself, with exit code 0 whatever happened.
  void ExpectEnds() {
    ASSERT_TRUE(compiler_.Wait(60000)) << "Compiler.exe still runs";
    EXPECT_EQ(0u, compiler_.exit_code());
  }

  HWND WaitBox(const std::string& caption) {
    HWND box = driver::WaitForWindow(caption, compiler_.pid(), kWaitMs);
    EXPECT_TRUE(box) << "no box \"" << caption << "\"";
    return box;
  }

  std::string WorkFile(const char* name) { return dir_ + "\\tmp\\kestrocmp.tmp\\" + name; }

  std::string dir_, project_;
  driver::ChildProcess compiler_;
};

bool IsProgressWindow(HWND wnd) {
  for (const driver::Control& c : driver::ChildControls(wnd))
    if (c.class_name == "msctls_progress32") return true;
  return false;
}

TEST_F(CompilerExe, BuildsTheSameBytesAsTheConsoleCompiler) {
  WriteProject();
  // The empty quotes form no parameter: the path after them is parameter 2.
  Start(" \"" + project_ + "\" \"\" \"" + dir_ + "\\out\\first.exe\"");
  HWND form = WaitBox(kFormCaption);
  EXPECT_TRUE(form && IsProgressWindow(form));
  ExpectEnds();

  std::string first = ReadAll(dir_ + "\\out\\first.exe");
  ASSERT_GT(first.size(), 1000u);
  EXPECT_EQ(0u, first.find("MZ"));
  EXPECT_EQ(dir_ + "\\out\\first.exe", IniValue(project_, "Settings", "Output"));
  EXPECT_FALSE(Exists(dir_ + "\\tmp\\kestrocmp.tmp")) << "the work folder is removed";

  // Compiler.exe compresses on every core; the console compiler on as many
  // threads as it is told.
  for (const char* jobs : {"-j 1", "-j 2", "--jobs 8"}) {
    SCOPED_TRACE(jobs);
    driver::ChildProcess console;
    ASSERT_TRUE(console.Start("\"" + driver::WinePath(KESTRO_CONSOLE_COMPILER) + "\" --yes " + jobs +
                                  " --stub \"" + dir_ + "\\Stub1.dat\" \"" + project_ + "\" \"" + dir_ +
                                  "\\out\\second.exe\"",
                              true, dir_));
    ASSERT_TRUE(console.Wait(60000));
    ASSERT_EQ(0u, console.exit_code()) << console.output();
    EXPECT_TRUE(first == ReadAll(dir_ + "\\out\\second.exe")) << "outputs differ";
  }
}

TEST_F(CompilerExe, FileExistsAnsweredNoBuildsNothing) {
  WriteProject();
  CreateDirectoryA((dir_ + "\\out").c_str(), nullptr);
  const std::string output = dir_ + "\\out\\x.exe";
  WriteAll(output, "the previous output");
  HANDLE h = CreateFileA(output.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  SYSTEMTIME old_time = {2001, 1, 1, 1, 12, 0, 0, 0};
  FILETIME old_ft;
  SystemTimeToFileTime(&old_time, &old_ft);
  SetFileTime(h, &old_ft, &old_ft, &old_ft);
  CloseHandle(h);

  Start(" \"" + project_ + "\"");
  HWND box = WaitBox("File exists");
  ASSERT_TRUE(box);
  EXPECT_EQ(
      std::vector<std::string>{
          "Kestro cannot create a self-extracting because the destination file exists.\r\n\r\n"
          "Should Kestro overwrite this file?\r\n\r\n"
          "Choose Yes, to delete this file and continue with the compilation or choose No to stop the "
          "compilation and return to the wizard WITHOUT having created the self-extracting file."},
      driver::StaticTexts(box));
  EXPECT_EQ((std::vector<std::string>{"&Yes", "&No"}), driver::ButtonCaptions(box));
  ASSERT_TRUE(driver::PressButton(box, "&No"));
  ExpectEnds();

  EXPECT_EQ("the previous output", ReadAll(output));
  WIN32_FILE_ATTRIBUTE_DATA attr;
  ASSERT_TRUE(GetFileAttributesExA(output.c_str(), GetFileExInfoStandard, &attr));
  EXPECT_GT(CompareFileTime(&attr.ftLastWriteTime, &old_ft), 0) << "its times are set to now";
  EXPECT_FALSE(Exists(WorkFile("SETUP.1")));
  EXPECT_FALSE(Exists(WorkFile("password.val")));
}

TEST_F(CompilerExe, HelpBoxWhenThereIsNoProject) {
  for (std::string args : {std::string(), " \"" + dir_ + "\\missing.tkp\""}) {
    SCOPED_TRACE(args);
    Start(args);
    HWND box = WaitBox(kFormCaption);
    ASSERT_TRUE(box);
    EXPECT_FALSE(IsProgressWindow(box)) << "only the help box, not the window";
    EXPECT_EQ(std::vector<std::string>{compiler::HelpText()}, driver::StaticTexts(box));
    EXPECT_EQ(std::vector<std::string>{"OK"}, driver::ButtonCaptions(box));
    ASSERT_TRUE(driver::PressButton(box, "OK"));
    ExpectEnds();
    EXPECT_FALSE(Exists(dir_ + "\\tmp\\kestrocmp.tmp")) << "nothing is written";
  }
}

TEST_F(CompilerExe, FailureShowsTheReportThenTheFatalBox) {
  WriteProject("[Registry]\r\n1=HKEY_CURRENT_USER,Software\\Kestro,Wert,DWORD,zw\xF6lf,\r\n");
  Start(" \"" + project_ + "\"");
  HWND report = WaitBox("Compiler");
  ASSERT_TRUE(report);
  EXPECT_EQ(std::vector<std::string>{"'zw\xF6lf' ist kein g\xFCltiger Integerwert."},
            driver::StaticTexts(report));
  EXPECT_EQ(std::vector<std::string>{"OK"}, driver::ButtonCaptions(report));
  ASSERT_TRUE(driver::PressButton(report, "OK"));

  HWND fatal = WaitBox("Fehler");
  ASSERT_TRUE(fatal);
  EXPECT_EQ(std::vector<std::string>{compiler::kFatalText}, driver::StaticTexts(fatal));
  ASSERT_TRUE(driver::PressButton(fatal, "OK"));
  ExpectEnds();
  EXPECT_FALSE(Exists(dir_ + "\\out\\x.exe"));
}

TEST_F(CompilerExe, ConfirmedCancelEndsTheRunWithoutOutput) {
  WriteProject();
  Start(" \"" + project_ + "\"");
  HWND form = WaitBox(kFormCaption);
  ASSERT_TRUE(form);
  ASSERT_TRUE(driver::PressButton(form, "Cancel"));
  HWND ask = WaitBox("Cancel Process?");
  ASSERT_TRUE(ask);
  EXPECT_EQ(std::vector<std::string>{"Are you sure you wish to stop creating this self-extracting file?"},
            driver::StaticTexts(ask));
  ASSERT_TRUE(driver::PressButton(ask, "&Yes"));
  ExpectEnds();
  EXPECT_FALSE(Exists(dir_ + "\\out\\x.exe"));
  EXPECT_TRUE(Exists(WorkFile("password.val"))) << "a cancelled run deletes nothing";
}

// Inflates the zlib stream at `at`; returns the bytes it took, 0 if there
// is no complete stream.
size_t InflateAt(const std::string& data, size_t at, std::string* out) {
  z_stream zs{};
  if (inflateInit(&zs) != Z_OK) return 0;
  zs.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(data.data() + at));
  zs.avail_in = static_cast<uInt>(data.size() - at);
  char buf[65536];
  int rc;
  do {
    zs.next_out = reinterpret_cast<Bytef*>(buf);
    zs.avail_out = sizeof buf;
    rc = inflate(&zs, Z_NO_FLUSH);
    out->append(buf, sizeof buf - zs.avail_out);
  } while (rc == Z_OK);
  size_t used = rc == Z_STREAM_END ? zs.total_in : 0;
  inflateEnd(&zs);
  return used;
}

// Cancel while worker threads compress ahead of the run: the question comes
// up at a checkpoint, Yes ends the run there, and SETUP.1 holds exactly the
// streams of the files before it, none of what the workers made ahead.
TEST_F(CompilerExe, CancelInTheMiddleOfAParallelRunEndsAtThatCheckpoint) {
  constexpr int kFiles = 150;
  std::string project = "[Settings]\r\nQuiet=1\r\nOutput=out\\x.exe\r\n[Files]\r\n";
  std::vector<std::string> contents;
  for (int i = 0; i < kFiles; ++i) {
    std::string text;
    for (int line = 0; text.size() < 400000; ++line)
      text += "file " + std::to_string(i) + " line " + std::to_string(line * 7919 % 100003) + " Zeile\r\n";
    std::string name = "f" + std::to_string(i) + ".txt";
    WriteAll(dir_ + "\\src\\" + name, text);
    contents.push_back(text);
    project += "File" + std::to_string(i + 1) + "=src\\" + name + "\r\n";
  }
  WriteAll(project_, project);
  Start(" \"" + project_ + "\"");
  HWND form = WaitBox(kFormCaption);
  ASSERT_TRUE(form);
  HWND bar = nullptr;
  for (const driver::Control& c : driver::ChildControls(form))
    if (c.class_name == "msctls_progress32") bar = c.hwnd;
  ASSERT_TRUE(bar);
  auto position = [&] { return static_cast<int>(SendMessageA(bar, PBM_GETPOS, 0, 0)); };
  for (int waited = 0; position() < 10 && waited < kWaitMs; waited += 5) Sleep(5);
  ASSERT_TRUE(driver::PressButton(form, "Cancel"));
  HWND ask = WaitBox("Cancel Process?");
  ASSERT_TRUE(ask);
  // The run waits in the question, at a checkpoint of the file after the
  // position's last advance.
  int at = position();
  ASSERT_TRUE(driver::PressButton(ask, "&Yes"));
  ExpectEnds();
  EXPECT_FALSE(Exists(dir_ + "\\out\\x.exe"));
  ASSERT_GE(at, 10);
  ASSERT_LT(at, kFiles) << "the cancel came in the middle";

  // The built-in file and files 1 .. at - 2: at - 1 streams, nothing after.
  std::string data = ReadAll(WorkFile("SETUP.1"));
  size_t offset = 0;
  int streams = 0;
  while (offset < data.size()) {
    ASSERT_EQ(0, data.compare(offset, 4, "zlb\x1A")) << "stream " << streams;
    std::string inflated;
    size_t used = InflateAt(data, offset + 4, &inflated);
    ASSERT_GT(used, 0u) << "stream " << streams << " is incomplete";
    if (streams > 0) {
      EXPECT_TRUE(contents[streams - 1] == inflated) << "stream " << streams;
    }
    offset += 4 + used;
    ++streams;
  }
  EXPECT_EQ(at - 1, streams);
}

TEST_F(CompilerExe, MissingSourceFolderStopsBeforeCompiling) {
  WriteProject();
  Start(" \"" + project_ + "\" \"out\\z.exe\" \"" + dir_ + "\\no such folder\"");
  HWND box = WaitBox("Error");
  ASSERT_TRUE(box);
  EXPECT_EQ(
      std::vector<std::string>{"You have specified a new Source Files Folder but this does not exist.\r\n"
                               "To get more help, run COMPILER.EXE without any parameter."},
      driver::StaticTexts(box));
  ASSERT_TRUE(driver::PressButton(box, "OK"));
  ExpectEnds();
  EXPECT_EQ("2", IniValue(project_, "Files", "NumFiles")) << "the file list is unchanged";
  EXPECT_EQ("out\\z.exe", IniValue(project_, "Settings", "Output"));
  EXPECT_FALSE(Exists(dir_ + "\\out\\z.exe"));
}

TEST(CompilerExeFile, CarriesTheProductVersionAndAManifest) {
  std::string exe = driver::WinePath(KESTRO_COMPILER_EXE);
  DWORD ignored = 0;
  DWORD size = GetFileVersionInfoSizeA(exe.c_str(), &ignored);
  ASSERT_GT(size, 0u);
  std::string info(size, '\0');
  ASSERT_TRUE(GetFileVersionInfoA(exe.c_str(), 0, size, &info[0]));
  VS_FIXEDFILEINFO* fixed = nullptr;
  UINT len = 0;
  ASSERT_TRUE(VerQueryValueA(info.data(), "\\", reinterpret_cast<void**>(&fixed), &len));
  EXPECT_EQ(MAKELONG(4, 1), fixed->dwFileVersionMS);
  EXPECT_EQ(MAKELONG(88, 2), fixed->dwFileVersionLS);
  EXPECT_EQ(fixed->dwFileVersionMS, fixed->dwProductVersionMS);
  EXPECT_EQ(fixed->dwFileVersionLS, fixed->dwProductVersionLS);
  char* text = nullptr;
  ASSERT_TRUE(VerQueryValueA(info.data(), "\\StringFileInfo\\040904E4\\ProductVersion",
                             reinterpret_cast<void**>(&text), &len));
  EXPECT_STREQ("1.4.2.88", text);

  HMODULE image = LoadLibraryExA(exe.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
  ASSERT_TRUE(image);
  HRSRC manifest = FindResourceA(image, MAKEINTRESOURCEA(1), MAKEINTRESOURCEA(24));
  ASSERT_TRUE(manifest);
  std::string xml(static_cast<const char*>(LockResource(LoadResource(image, manifest))),
                  SizeofResource(image, manifest));
  EXPECT_NE(std::string::npos, xml.find("level=\"asInvoker\""));
  EXPECT_NE(std::string::npos, xml.find("Microsoft.Windows.Common-Controls"));
  FreeLibrary(image);
}

}  // namespace
}  // namespace kestro
