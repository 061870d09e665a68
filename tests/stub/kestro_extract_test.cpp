// kestro-extract on outputs built by the tests.
#include <gtest/gtest.h>
#include <stdio.h>
#include <sys/wait.h>
#include <unistd.h>

#include <random>
#include <string>

#include "common/os.h"
#include "stub/platform.h"
#include "tests/stub/output_builder.h"

using namespace kestro;
using namespace kestro::format;
using namespace kestro::testing;

namespace {

struct Result {
  int code;
  std::string out;
};

Result RunTool(const std::string& args) {
  std::string cmd = std::string(KESTRO_EXTRACT) + " " + args + " 2>&1";
  FILE* p = popen(cmd.c_str(), "r");
  Result r{-1, ""};
  char buf[4096];
  size_t n;
  while ((n = fread(buf, 1, sizeof buf, p)) > 0) r.out.append(buf, n);
  int st = pclose(p);
  r.code = WIFEXITED(st) ? WEXITSTATUS(st) : -1;
  return r;
}

class KestroExtract : public ::testing::Test {
 protected:
  void SetUp() override {
    char tmpl[] = "/tmp/kxextractXXXXXX";
    ASSERT_NE(nullptr, mkdtemp(tmpl));
    dir_ = tmpl;
  }
  void TearDown() override { stub::RemoveTree(dir_.c_str()); }
  std::string Write(const OutputPlan& plan) {
    std::string path = dir_ + "/out.exe";
    WriteAll(path, BuildOutput(FakeStub(), plan));
    return path;
  }
  std::string dir_;
};

OutputPlan Sample() {
  OutputPlan plan;
  plan.settings = QuietSettings();
  plan.settings.caption.Set(
      "Gr\xFC\xDF"
      "e");
  plan.files.push_back({"%a\\hello.txt", "Hello\n", 0x5A8B6C21});
  RegEntry r;
  r.root = kRootCurrentUser;
  r.subkey.Set("Software\\Demo");
  r.value_name.Set("Path\x1b[2J");
  r.type = kRegString;
  r.data.Set("%a");
  plan.regs.push_back(r);
  return plan;
}

TEST_F(KestroExtract, ListsTestsAndExtracts) {
  std::string out = Write(Sample());
  Result l = RunTool("-l " + out);
  EXPECT_EQ(0, l.code) << l.out;
  EXPECT_NE(std::string::npos, l.out.find("Gr\u00fc\u00dfe")) << l.out;  // shown as UTF-8
  EXPECT_NE(std::string::npos, l.out.find("%a\\hello.txt")) << l.out;
  EXPECT_NE(std::string::npos, l.out.find("2025-04-11 13:33:02")) << l.out;
  EXPECT_NE(std::string::npos, l.out.find("internal, not extracted")) << l.out;
  EXPECT_NE(std::string::npos, l.out.find("Windows only, skipped here")) << l.out;
  EXPECT_EQ(std::string::npos, l.out.find('\x1b')) << l.out;  // no escape sequence reaches the terminal
  EXPECT_EQ(0, RunTool("-t " + out).code);
  Result d = RunTool("-d " + dir_ + "/x/y " + out);
  EXPECT_EQ(0, d.code) << d.out;
  auto got = ReadAll(dir_ + "/x/y/hello.txt");
  EXPECT_EQ("Hello\n", std::string(got.begin(), got.end()));
  EXPECT_FALSE(os::FileExists(dir_ + "/x/y/password.val"));
}

TEST_F(KestroExtract, ExitCodesForPasswordsDamageAndArguments) {
  OutputPlan plan = Sample();
  plan.settings.password_show = true;
  char pw[] = "pw";
  MaskPassword(pw, 2);
  plan.settings.password.Set(pw);
  std::string out = Write(plan);
  EXPECT_EQ(0, RunTool("-l " + out).code);
  EXPECT_EQ(0, RunTool("-t " + out).code);
  Result no = RunTool("-d " + dir_ + "/t " + out);
  EXPECT_EQ(3, no.code);
  EXPECT_NE(std::string::npos, no.out.find("-p")) << no.out;
  EXPECT_EQ(3, RunTool("-p PW -d " + dir_ + "/t " + out).code);
  EXPECT_FALSE(os::FileExists(dir_ + "/t/hello.txt"));
  EXPECT_EQ(0, RunTool("-p pw -d " + dir_ + "/t " + out).code);
  EXPECT_TRUE(os::FileExists(dir_ + "/t/hello.txt"));

  auto bytes = ReadAll(out);
  bytes.resize(bytes.size() - 1);
  WriteAll(out, bytes);
  EXPECT_EQ(2, RunTool("-t " + out).code);
  // An unsafe name is quoted in the message, without its control characters.
  OutputPlan unsafe = Sample();
  unsafe.files.push_back({"%a\\..\\\x1b[2J", "x"});
  Result u = RunTool("-t " + Write(unsafe));
  EXPECT_EQ(2, u.code);
  EXPECT_NE(std::string::npos, u.out.find("%a\\..\\?[2J")) << u.out;
  EXPECT_EQ(2, RunTool(dir_ + "/missing.exe").code);
  EXPECT_EQ(2, RunTool("").code);
  EXPECT_EQ(0, RunTool("--help").code);
  Result v = RunTool("--version");
  EXPECT_EQ(0, v.code);
  EXPECT_NE(std::string::npos, v.out.find("Kestro")) << v.out;
}

TEST_F(KestroExtract, ADifferingExistingFileIsReplacedOrKeptOnlyWhenAskedTo) {
  OutputPlan plan;
  plan.settings = QuietSettings();
  plan.files.push_back({"%a\\config.ini", "from the output"});
  plan.files.push_back({"%a\\same.txt", "same"});
  plan.files.push_back({"%a\\new.txt", "new"});
  std::string out = Write(plan), target = dir_ + "/t";
  struct Case {
    const char* option;
    int code;
    const char* config;
    bool new_written;
  } cases[] = {
      {"", 6, "mine", false},
      {"--keep ", 0, "mine", true},
      {"--overwrite ", 0, "from the output", true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.option);
    stub::RemoveTree(target.c_str());
    ASSERT_EQ(1, stub::MakeDir(target.c_str()));
    WriteAll(target + "/config.ini", {'m', 'i', 'n', 'e'});
    WriteAll(target + "/same.txt", {'s', 'a', 'm', 'e'});
    Result r = RunTool(std::string(c.option) + "-d " + target + " " + out);
    EXPECT_EQ(c.code, r.code) << r.out;
    auto config = ReadAll(target + "/config.ini");
    EXPECT_EQ(c.config, std::string(config.begin(), config.end()));
    EXPECT_EQ(c.new_written, os::FileExists(target + "/new.txt"));
    if (c.code == 6) {
      EXPECT_NE(std::string::npos, r.out.find("config.ini")) << r.out;
      EXPECT_EQ(std::string::npos, r.out.find("same.txt")) << r.out;  // the same content is no conflict
      EXPECT_NE(std::string::npos, r.out.find("--overwrite")) << r.out;
    }
  }
}

// The lister, the tester and the extractor as a process, on truncated and
// altered copies: an exit code of 0 or 2 (never a crash), and a target folder
// that the tool made is gone again after a failure.
TEST_F(KestroExtract, DamagedCopiesGiveCleanExitCodesAndLeaveNoFolder) {
  OutputPlan plan = Sample();
  plan.files.push_back({"%a\\sub\\deep\\more.txt", std::string(3000, 'm')});
  Layout l;
  const std::vector<uint8_t> good = BuildOutput(FakeStub(), plan, &l);
  const std::string out = dir_ + "/out.exe", target = dir_ + "/made/target";
  std::mt19937 g(4711);
  for (int i = 0; i < 30; ++i) {
    SCOPED_TRACE("case " + std::to_string(i));
    std::vector<uint8_t> b = good;
    if (i % 3 == 0) {
      b.resize(g() % b.size());
    } else {
      // The header, the counts and the tables steer the reader.
      size_t from = i % 3 == 1 ? l.header : l.tables;
      for (int k = 0; k < 3; ++k) b[from + g() % (l.data + 8 - from)] = static_cast<uint8_t>(g());
    }
    WriteAll(out, b);
    Result r = RunTool("-l -t " + out);
    ASSERT_TRUE(r.code == 0 || r.code == 2) << r.code << r.out;
    r = RunTool("-d " + target + " " + out);
    ASSERT_TRUE(r.code == 0 || r.code == 2 || r.code == 4) << r.code << r.out;
    if (r.code != 0) {
      ASSERT_FALSE(os::IsDirectory(dir_ + "/made")) << r.out;
    }
    stub::RemoveTree((dir_ + "/made").c_str());
  }
}

}  // namespace
