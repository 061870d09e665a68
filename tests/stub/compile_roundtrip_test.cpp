// Compiler engine -> extraction: the files come back with their bytes and
// modification times, and the settings arrive as the project set them.
#include <gtest/gtest.h>

#include <algorithm>
#include <random>

#include "common/os.h"
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
