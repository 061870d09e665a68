// Compiler engine -> extraction: the files come back with their bytes and
// modification times, and the settings arrive as the project set them.
#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>
#include <vector>

#include "common/os.h"
#include "compiler/engine.h"
#include "stub/archive.h"
#include "tests/stub/compile_helper.h"
#include "tests/stub/output_builder.h"

using namespace kestro;
using namespace kestro::stub;
using namespace kestro::testing;

namespace {

TEST(CompileRoundTrip, CompiledOutputExtractsIdenticalBytesAndTimes) {
  uint8_t r[6];
  RandomBytes(r, sizeof r);
  char name[40];
  snprintf(name, sizeof name, "kxround%02x%02x%02x%02x%02x%02x", r[0], r[1], r[2], r[3], r[4], r[5]);
  std::string dir = os::TempFolder() + name;
  ASSERT_EQ(0, os::CreateDir(dir));
  ASSERT_EQ(0, os::CreateDir(dir + "\\src"));
  std::string stub = dir + "\\Stub1.dat";
  WriteAll(os::HostPath(stub), FakeStub());

  std::mt19937 g(7);
  std::string random(70000, '\0');  // several 16 KB blocks, incompressible
  for (char& c : random) c = static_cast<char>(g());
  struct Src {
    const char* name;
    std::string content;
    uint32_t dos;
  } sources[] = {{"readme.txt", "Hello\r\n", 0x5A8B6C21},
                 {"random.bin", random, 0x4E215A10},
                 {"empty.dat", "", 0x58A13000},
                 {"Gr\xF6\xDF" "e.txt", "umlauts", 0x58A13000}};
  std::string files;
  int i = 1;
  for (const Src& s : sources) {
    std::string path = dir + "\\src\\" + s.name;
    WriteAll(os::HostPath(path), std::vector<uint8_t>(s.content.begin(), s.content.end()));
    ASSERT_TRUE(os::SetFileDosDateTime(path, s.dos));
    files += "File" + std::to_string(i++) + "=" + path + "\r\n";
  }
  std::string out = dir + "\\out.exe";
  std::string project =
      "[Settings]\r\nExtractOnly=1\r\nRunProgram=0\r\ncaption=Round Trip\r\nPassword=abc\r\n"
      "Output=" +
      out +
      "\r\n[Dirs]\r\n1=%a\\logs\r\n[INI]\r\n1=%a\\app.ini,Main,Path,%a,\r\n"
      "[Files]\r\n" +
      files;
  ASSERT_EQ("", CompileProject(dir, project, stub));

  Archive a;
  Message msg;
  ASSERT_EQ(kExitOk, OpenArchive(out.c_str(), format::kMarker, &a, &msg)) << msg.text;
  EXPECT_TRUE(a.settings.caption.Equals("Round Trip"));
  EXPECT_TRUE(HasPassword(a));
  EXPECT_TRUE(PasswordMatches(a, "abc"));
  std::string target = dir + "\\target";
  ASSERT_TRUE(MakeDirs(target.c_str()));
  ASSERT_EQ(kExitOk, ExtractAll(a, target.c_str(), ExtractOptions(), &msg)) << msg.text;
  ASSERT_EQ(kExitOk, ApplyIniEntries(a, target.c_str(), true, &msg)) << msg.text;
  CloseArchive(&a);

  for (const Src& s : sources) {
    std::string path = target + "\\" + s.name;
    auto got = ReadAll(os::HostPath(path));
    EXPECT_EQ(s.content, std::string(got.begin(), got.end())) << s.name;
    EXPECT_EQ(s.dos, os::FileDosDateTime(path)) << s.name;
  }
#ifndef _WIN32
  // The Windows-1252 name lands on a POSIX disk as UTF-8.
  EXPECT_FALSE(ReadAll(os::HostPath(target) + "/Gr\xC3\xB6\xC3\x9F" "e.txt").empty());
#endif
  EXPECT_TRUE(os::IsDirectory(target + "\\logs"));
  EXPECT_FALSE(os::FileExists(target + "\\password.val"));
  auto ini = ReadAll(os::HostPath(target + "\\app.ini"));
  EXPECT_NE(std::string::npos, std::string(ini.begin(), ini.end()).find("Path=" + target + "\r\n"));
  RemoveTree(dir.c_str());
}

}  // namespace

namespace {

struct StatusObserver : compiler::Observer {
  std::vector<std::string> statuses;
  std::string report;
  void Status(const std::string& s) override { statuses.push_back(s); }
  void Info(const std::string&) override {}
  void Progress(int, int) override {}
  void Percentage(const std::string&) override {}
  bool Checkpoint() override { return false; }
  bool AskOverwrite(const std::string&, const std::string&) override { return true; }
  void Notice(compiler::NoticeKind, const std::string& text, const std::string&) override { report = text; }
  void ReportFailure(const std::string& r, const std::string&) override { report = r; }
};

// One acceptance rule: every case goes through the compiler and then
// through the extractor's own checks, and either the compiler refuses it
// (with its message, before any file is compressed) or the extractor
// accepts the output. Nothing the compiler builds is refused as damaged.
TEST(CompileRoundTrip, WhatCompilesTheExtractorAccepts) {
  uint8_t r[6];
  RandomBytes(r, sizeof r);
  char name[40];
  snprintf(name, sizeof name, "kxrule%02x%02x%02x%02x%02x%02x", r[0], r[1], r[2], r[3], r[4], r[5]);
  std::string dir = os::TempFolder() + name;
  ASSERT_EQ(0, os::CreateDir(dir));
  ASSERT_EQ(0, os::CreateDir(dir + "\\src"));
  std::string stub = dir + "\\Stub1.dat";
  WriteAll(os::HostPath(stub), FakeStub());
  std::string long_name = std::string(59, 'n') + ".txt";  // cut to 60 characters: ends in "."

  struct Case {
    const char* what;
    std::string source;   // a file name in src (created if the host can hold it), or a path
    std::string section;  // extra project text
    bool compiles;
    std::string says;  // a piece of the compiler's message
  } cases[] = {
      {"a plain name", "ok.txt", "", true, ""},
      {"a forward slash separates", dir + "/src/slash.txt", "", true, ""},
      {"a question mark", "a?b.txt", "", false, "Eintrag 1 der Sektion [Files] (a?b.txt)"},
      {"a device name", "aux.txt", "", false, "(aux.txt)"},
      {"a trailing dot", "notes.", "", false, "(notes.)"},
      {"cut to end in a dot", long_name, "", false, "(" + long_name + ")"},
      {"a name cut cleanly", std::string(70, 'c'), "", true, ""},
      {"DWORD decimal", "ok.txt", "1=HKEY_CURRENT_USER,S\\K,v,DWORD,-5,", true, ""},
      {"DWORD hex", "ok.txt", "1=HKEY_CURRENT_USER,S\\K,v,DWORD,$ffffffff,", true, ""},
      {"DWORD signed hex", "ok.txt", "1=HKEY_CURRENT_USER,S\\K,v,DWORD,-$10,", false,
       "'-$10' ist kein g\xFCltiger Integerwert"},
      {"DWORD plus hex", "ok.txt", "1=HKEY_CURRENT_USER,S\\K,v,DWORD,+$1F,", false, "'+$1F' ist kein"},
      {"DWORD too large", "ok.txt", "1=HKEY_CURRENT_USER,S\\K,v,DWORD,2147483648,", false, "ist kein"},
      {"DWORD C hex", "ok.txt", "1=HKEY_CURRENT_USER,S\\K,v,DWORD,0x10,", false, "ist kein"},
      {"Dirs inside", "ok.txt", "[Dirs]\r\n1=%a\\logs\\\r\n", true, ""},
      {"Dirs outside", "ok.txt", "[Dirs]\r\n1=%a\\..\\up\r\n", false, "[Dirs] (%a\\..\\up)"},
      {"Dirs not in the target", "ok.txt", "[Dirs]\r\n1=logs\r\n", false, "[Dirs] (logs)"},
      {"INI inside", "ok.txt", "[INI]\r\n1=%a\\a.ini,S,K,V,\r\n", true, ""},
      {"INI elsewhere", "ok.txt", "[INI]\r\n1=C:\\a.ini,S,K,V,\r\n", true, ""},
      {"INI escaping", "ok.txt", "[INI]\r\n1=%a\\..\\a.ini,S,K,V,\r\n", false, "Sektion [INI]"},
      {"icon name", "ok.txt", "[Icons]\r\n1=My App,%a\\ok.txt,%a\r\n", true, ""},
      {"icon name with a colon", "ok.txt", "[Icons]\r\n1=a:b,%a\\ok.txt,%a\r\n", false, "Sektion [Icons]"},
      {"icon device name", "ok.txt", "[Icons]\r\n1=con,%a\\ok.txt,%a\r\n", false, "Sektion [Icons]"},
  };
  int refused = 0, accepted = 0;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    std::string source = c.source.find('/') != std::string::npos ? c.source : dir + "\\src\\" + c.source;
    // Not every host can hold every name ("a?b.txt" on Windows): the
    // compiler refuses those before it opens the file.
    if (FILE* src = fopen(os::HostPath(source).c_str(), "wb")) {
      fputc('x', src);
      fclose(src);
    }
    std::string section = c.section;
    if (section.rfind("1=HKEY", 0) == 0) section = "[Registry]\r\n" + section + "\r\n";
    // A slash separates the output's folder too (Windows accepts it): the
    // temporary name beside it is built from the same split.
    std::string out = dir + "/out.exe";
    os::RemoveFile(out);
    std::string project = "[Settings]\r\nExtractOnly=1\r\nOutput=" + out + "\r\n" + section +
                          "[Files]\r\nFile1=" + source + "\r\n";
    FILE* f = fopen(os::HostPath(dir + "\\p.tkp").c_str(), "wb");
    ASSERT_TRUE(f);
    fwrite(project.data(), 1, project.size(), f);
    fclose(f);
    std::string cwd = os::CurrentDir();
    compiler::RunOptions options;
    options.stub_path = stub;
    options.temp_folder = dir + "\\";
    StatusObserver observer;
    compiler::RunResult result = compiler::Run({dir + "\\p.tkp"}, options, observer);
    os::SetCurrentDir(cwd);
    bool built = result.ending == compiler::Ending::kCompleted && result.delivered;
    EXPECT_EQ(c.compiles, built) << observer.report;
    if (!built) {
      ++refused;
      EXPECT_NE(std::string::npos, observer.report.find(c.says)) << observer.report;
      EXPECT_TRUE(observer.report.rfind("ERROR! ", 0) == 0 || observer.report.rfind("'", 0) == 0)
          << observer.report;
      for (const std::string& s : observer.statuses)
        EXPECT_NE(0u, s.rfind("Compressing Files", 0)) << "refused before anything was compressed";
      continue;
    }
    ++accepted;
    Archive a;
    Message msg;
    EXPECT_EQ(kExitOk, OpenArchive(out.c_str(), format::kMarker, &a, &msg)) << msg.text;
    CloseArchive(&a);
  }
  EXPECT_GT(refused, 0);
  EXPECT_GT(accepted, 0);
  RemoveTree(dir.c_str());
}

}  // namespace
