// kestro-compiler as a process: arguments, exit codes, texts on the console,
// the stub lookup and Ctrl-C.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <set>

#include "common/os.h"
#include "compiler/cli/console_observer.h"
#include "project/ini_file.h"
#include "test_util.h"

namespace kestro::compiler {
namespace {

using test::ReadFile;
using test::ScratchDir;
using test::WriteFile;
namespace fs = std::filesystem;

// One run of a program with stdin from /dev/null and both outputs captured.
class Process {
 public:
  Process(const std::string& program, const std::vector<std::string>& args, const std::string& cwd,
          const std::string& tmpdir) {
    int out[2], err[2];
    EXPECT_EQ(0, pipe(out));
    EXPECT_EQ(0, pipe(err));
    pid_ = fork();
    if (pid_ == 0) {
      dup2(out[1], 1);
      dup2(err[1], 2);
      int null = open("/dev/null", O_RDONLY);
      dup2(null, 0);
      close(out[0]), close(err[0]);
      if (chdir(cwd.c_str()) != 0) _exit(99);
      if (tmpdir.empty())
        unsetenv("TMPDIR");
      else
        setenv("TMPDIR", tmpdir.c_str(), 1);
      std::vector<char*> argv = {const_cast<char*>(program.c_str())};
      for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
      argv.push_back(nullptr);
      execv(program.c_str(), argv.data());
      _exit(98);
    }
    close(out[1]), close(err[1]);
    out_fd_ = out[0], err_fd_ = err[0];
  }

  // Reads until the standard error holds text (or the program ends).
  bool WaitForError(const std::string& text) {
    while (err.find(text) == std::string::npos)
      if (!Pump()) return false;
    return true;
  }
  void Interrupt() { kill(pid_, SIGINT); }
  int Wait() {
    while (Pump()) {
    }
    int status = 0;
    waitpid(pid_, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : 1000 + WTERMSIG(status);
  }

  std::string out, err;

 private:
  // Moves available output into out/err; false when both pipes are closed.
  bool Pump() {
    pollfd fds[2] = {{out_fd_, POLLIN, 0}, {err_fd_, POLLIN, 0}};
    if (out_fd_ < 0 && err_fd_ < 0) return false;
    if (poll(fds, 2, 10000) <= 0) return false;
    char buf[4096];
    for (int i = 0; i < 2; ++i) {
      int& fd = i == 0 ? out_fd_ : err_fd_;
      if (fd < 0 || !(fds[i].revents & (POLLIN | POLLHUP))) continue;
      ssize_t n = read(fd, buf, sizeof buf);
      if (n <= 0) {
        close(fd);
        fd = -1;
      } else {
        (i == 0 ? out : err).append(buf, static_cast<size_t>(n));
      }
    }
    return true;
  }
  pid_t pid_;
  int out_fd_, err_fd_;
};

struct Cli {
  ScratchDir dir;
  std::string tmp = dir / "tmp";
  std::string stub = dir / "stub.dat";
  std::string tkp = dir / "p.tkp";
  Cli() {
    fs::create_directories(tmp);
    fs::create_directories(dir.path() / "src");
    WriteFile(stub, test::StubBytes(64, 64));
    WriteFile(dir / "src/a.txt", "hello");
    Project("");
  }
  void Project(const std::string& extra) {
    WriteFile(tkp, "[Settings]\r\nOutput=out.exe\r\n" + extra + "[Files]\r\nFile1=src\\a.txt\r\n");
  }
  int Run(std::vector<std::string> args) {
    Process p(KESTRO_COMPILER, args, dir.path().string(), tmp);
    int rc = p.Wait();
    out = p.out, err = p.err;
    return rc;
  }
  std::string out, err;
};

TEST(Cli, HelpVersionAndUsage) {
  Cli c;
  EXPECT_EQ(2, c.Run({}));
  EXPECT_NE(std::string::npos,
            c.out.find("Usage: kestro-compiler [--yes] [--stub FILE] [-j N] PROJECT [OUTPUT [SOURCEDIR]]"));
  EXPECT_NE(std::string::npos, c.out.find("The tessaron Kestro Compiler offers you to automaticly create"));
  EXPECT_EQ(std::string::npos, c.out.find('\r')) << "line ends for the terminal";
  // A missing project: one line and a hint, not the whole help.
  EXPECT_EQ(2, c.Run({"missing.tkp"}));
  EXPECT_EQ("", c.out);
  EXPECT_EQ("kestro-compiler: no project file missing.tkp\nTry 'kestro-compiler --help'.\n", c.err);
  EXPECT_TRUE(fs::is_empty(c.tmp)) << "nothing written";
  EXPECT_EQ(0, c.Run({"--help"}));
  EXPECT_NE(std::string::npos, c.out.find("Exit codes:"));
  EXPECT_EQ(0, c.Run({"--version"}));
  EXPECT_EQ("Kestro 1.4.2 (Build 88)\n", c.out);
  EXPECT_EQ(2, c.Run({"--frobnicate", "p.tkp"}));
}

TEST(Cli, BuildsWithOneLinePerStatusWithoutATerminal) {
  Cli c;
  ASSERT_EQ(0, c.Run({"--stub", "stub.dat", "p.tkp"})) << c.err;
  EXPECT_TRUE(fs::exists(c.dir.path() / "out.exe"));
  EXPECT_NE(std::string::npos,
            c.err.find("\nCompressing Files... password.val (1 kb)\nCompressing Files... a.txt (1 kb)\n"))
      << c.err;
  EXPECT_NE(std::string::npos, c.err.find("Outputfile created.\n"));
  EXPECT_TRUE(c.out.empty());
}

TEST(Cli, JobsGiveTheSameOutputAndAreCheckedAsNumbers) {
  Cli c;
  std::string text;
  for (int i = 0; i < 2000; ++i) text += "line " + std::to_string(i * 7919 % 1000) + "\r\n";
  for (int i = 0; i < 30; ++i)
    WriteFile(c.dir / ("src/f" + std::to_string(i) + ".txt"), text + std::to_string(i));
  std::string files = "[Files]\r\n";
  for (int i = 0; i < 30; ++i)
    files += "File" + std::to_string(i + 1) + "=src\\f" + std::to_string(i) + ".txt\r\n";
  WriteFile(c.tkp, "[Settings]\r\nOutput=out.exe\r\n" + files);
  std::string first;
  for (std::vector<std::string> jobs :
       std::vector<std::vector<std::string>>{{"-j", "1"}, {"-j2"}, {"--jobs", "8"}, {"--jobs=3"}, {}}) {
    std::vector<std::string> args = {"--yes", "--stub", "stub.dat"};
    args.insert(args.end(), jobs.begin(), jobs.end());
    args.push_back("p.tkp");
    SCOPED_TRACE(jobs.empty() ? "default" : jobs[0]);
    ASSERT_EQ(0, c.Run(args)) << c.err;
    std::string bytes = ReadFile(c.dir / "out.exe");
    if (first.empty()) first = bytes;
    EXPECT_TRUE(first == bytes) << "outputs differ";
  }
  for (std::vector<std::string> bad : std::vector<std::vector<std::string>>{
           {"-j", "0"}, {"-j", "x"}, {"--jobs=-2"}, {"-j", "99999"}, {"-j"}}) {
    SCOPED_TRACE(bad.back());
    bad.push_back("p.tkp");
    EXPECT_EQ(2, c.Run(bad));
    EXPECT_NE(std::string::npos, c.err.find("needs a number of jobs from 1 to 1024")) << c.err;
  }
}

TEST(Cli, ExistingOutputIsDeclinedWithoutTerminalUnlessYes) {
  Cli c;
  WriteFile(c.dir / "out.exe", "old");
  EXPECT_EQ(3, c.Run({"--stub", "stub.dat", "p.tkp"}));
  EXPECT_EQ("old", ReadFile(c.dir / "out.exe"));
  EXPECT_EQ(0, c.Run({"--yes", "--stub", "stub.dat", "p.tkp"}));
  EXPECT_NE("old", ReadFile(c.dir / "out.exe"));
}

TEST(Cli, FailuresPrintTheReportInUtf8AndExitWith1) {
  Cli c;
  c.Project("");
  WriteFile(c.tkp, "[Settings]\r\nOutput=out.exe\r\n[Registry]\r\n1=HKLM,x,y,STRING,z,\r\n");
  EXPECT_EQ(1, c.Run({"--stub", "stub.dat", "p.tkp"}));
  EXPECT_NE(
      std::string::npos,
      c.err.find("ERROR! Parameter 1 (root key) in Eintrag 1 der Sektion [Registry] ist ung\xC3\xBCltig.\n"
                 "A FATAL error occured."))
      << c.err;

  // Nothing delivered: the (E01a) message, exit code 1.
  c.Project("");
  WriteFile(c.tkp, "[Settings]\r\nOutput=missing\\out.exe\r\n");
  EXPECT_EQ(1, c.Run({"--stub", "stub.dat", "p.tkp"}));
  EXPECT_NE(std::string::npos, c.err.find("(E01a) File could not be created")) << c.err;

  // A missing stub names the path it looked for.
  c.Project("");
  EXPECT_EQ(1, c.Run({"--stub", "nowhere.dat", "p.tkp"}));
  EXPECT_NE(std::string::npos, c.err.find("Couldnt copy " + (c.dir / "nowhere.dat"))) << c.err;

  // A missing source folder.
  EXPECT_EQ(1, c.Run({"--stub", "stub.dat", "p.tkp", "x.exe", "no-such-folder"}));
  EXPECT_NE(std::string::npos, c.err.find("Error: You have specified a new Source Files Folder")) << c.err;
}

TEST(Cli, FindsTheStubBesideItselfOrInShare) {
  Cli c;
  fs::create_directories(c.dir.path() / "bin");
  fs::create_directories(c.dir.path() / "share" / "kestro");
  std::string program = c.dir / "bin/kestro-compiler";
  fs::copy_file(KESTRO_COMPILER, program);
  fs::copy_file(c.stub, c.dir / "share/kestro/Stub1.dat");
  Process installed(program, {"--yes", "p.tkp"}, c.dir.path().string(), c.tmp);
  EXPECT_EQ(0, installed.Wait()) << installed.err;
  // A Stub1.dat beside the program comes first.
  WriteFile(c.dir / "bin/Stub1.dat", test::StubBytes(10, 10));
  Process beside(program, {"--yes", "p.tkp"}, c.dir.path().string(), c.tmp);
  EXPECT_EQ(0, beside.Wait()) << beside.err;
  EXPECT_EQ(std::string(10, 'S'), ReadFile(c.dir / "out.exe").substr(0, 10));
}

std::string Backslashed(std::string s) {
  for (char& ch : s)
    if (ch == '/') ch = '\\';
  return s;
}

// OUTPUT and SOURCEDIR are taken from the caller's folder; in the project
// they are written relative to its folder when they lie below it or beside
// it, and absolute only when they were given absolute.
TEST(Cli, OutputAndSourceFolderAreStoredRelativeToTheProjectUnlessGivenAbsolute) {
  Cli c;
  fs::create_directories(c.dir.path() / "proj" / "pool");
  fs::create_directories(c.dir.path() / "proj" / "built");
  fs::create_directories(c.dir.path() / "built");
  WriteFile(c.dir / "proj/pool/only.txt", "only");
  WriteFile(c.dir / "proj/p.tkp", "[Settings]\r\nOutput=x.exe\r\n");
  struct Case {
    std::string cwd, project, output, sourcedir;
    std::string stored_output, stored_file1, built;
  } cases[] = {
      {"proj", "p.tkp", "built/out.exe", "pool", "built\\out.exe", "pool\\only.txt", "proj/built/out.exe"},
      {".", "proj/p.tkp", "proj/built/b.exe", "proj/pool", "built\\b.exe", "pool\\only.txt",
       "proj/built/b.exe"},
      {"proj/pool", "../p.tkp", "../../built/c.exe", ".", "..\\built\\c.exe", "pool\\only.txt",
       "built/c.exe"},
      {"proj", "p.tkp", c.dir / "built/abs.exe", c.dir / "proj/pool", Backslashed(c.dir / "built/abs.exe"),
       Backslashed(c.dir / "proj/pool/only.txt"), "built/abs.exe"},
  };
  for (const Case& k : cases) {
    SCOPED_TRACE(k.output);
    Process p(KESTRO_COMPILER, {"--yes", "--stub", c.stub, k.project, k.output, k.sourcedir},
              (c.dir.path() / k.cwd).string(), c.tmp);
    ASSERT_EQ(0, p.Wait()) << p.err;
    project::IniFile ini(c.dir / "proj/p.tkp");
    EXPECT_EQ(k.stored_output, ini.ReadString("Settings", "Output", ""));
    EXPECT_EQ(k.stored_file1, ini.ReadString("Files", "File1", ""));
    EXPECT_EQ("only", test::ReadOutput(c.dir / k.built).contents.back());
  }
}

TEST(Cli, CtrlCIsAConfirmedCancelAtTheNextCheckpoint) {
  Cli c;
  WriteFile(c.dir / "src/big.bin", test::NoiseBytes(48 << 20, 11));
  WriteFile(c.tkp, "[Settings]\r\nOutput=out.exe\r\n[Files]\r\nFile1=src\\big.bin\r\nFile2=src\\a.txt\r\n");
  Process p(KESTRO_COMPILER, {"--stub", "stub.dat", "p.tkp"}, c.dir.path().string(), c.tmp);
  ASSERT_TRUE(p.WaitForError("Compressing Files... big.bin")) << p.err;
  p.Interrupt();
  EXPECT_EQ(130, p.Wait()) << p.err;
  EXPECT_FALSE(fs::exists(c.dir.path() / "out.exe"));
  EXPECT_TRUE(fs::is_empty(c.tmp)) << "the private work folder goes with the run";
  EXPECT_EQ(std::string::npos, p.err.find("a.txt")) << "stopped before the next file";
}

std::set<std::string> WorkFoldersInTmp() {
  std::set<std::string> names;
  for (const auto& e : fs::directory_iterator("/tmp"))
    if (e.path().filename().string().rfind("kestrocmp-", 0) == 0) names.insert(e.path().filename().string());
  return names;
}

// Every run works in a new private folder of its own: two runs at the same
// time need no TMPDIR of their own, and the folder is gone afterwards.
TEST(Cli, ParallelRunsWithoutTmpdirEachGetTheirOwnWorkFolder) {
  Cli a, b;
  std::string big_a = test::NoiseBytes(6 << 20, 1), big_b = test::NoiseBytes(6 << 20, 2);
  for (Cli* c : {&a, &b}) {
    WriteFile(c->dir / "src/big.bin", c == &a ? big_a : big_b);
    WriteFile(c->tkp,
              "[Settings]\r\nOutput=out.exe\r\n[Files]\r\nFile1=src\\big.bin\r\nFile2=src\\a.txt\r\n");
  }
  std::set<std::string> before = WorkFoldersInTmp();
  Process pa(KESTRO_COMPILER, {"--stub", a.stub, "p.tkp"}, a.dir.path().string(), "");
  Process pb(KESTRO_COMPILER, {"--stub", b.stub, "p.tkp"}, b.dir.path().string(), "");
  ASSERT_EQ(0, pa.Wait()) << pa.err;
  ASSERT_EQ(0, pb.Wait()) << pb.err;
  test::Output oa = test::ReadOutput(a.dir / "out.exe"), ob = test::ReadOutput(b.dir / "out.exe");
  ASSERT_EQ(3u, oa.contents.size());
  ASSERT_EQ(3u, ob.contents.size());
  EXPECT_TRUE(oa.contents[1] == big_a && ob.contents[1] == big_b) << "each output holds its own sources";
  EXPECT_EQ("hello", oa.contents[2]);
  EXPECT_EQ(before, WorkFoldersInTmp()) << "no work folder is left behind";
}

// A kestrocmp.tmp planted in the shared /tmp, with links where the work
// files used to go, is neither used nor changed.
TEST(Cli, AHostileKestrocmpTmpInTmpIsLeftUntouched) {
  const fs::path planted = "/tmp/kestrocmp.tmp";
  Cli c;
  std::string victim = c.dir / "victim.txt";
  WriteFile(victim, "precious");
  bool ours = !fs::exists(fs::symlink_status(planted));
  if (ours) {
    fs::create_directory(planted);
    for (const char* name : {"SETUP.EXE", "SETUP.0", "SETUP.1", "password.val"})
      fs::create_symlink(victim, planted / name);
  }
  auto listing = [&] {
    std::string s;
    std::error_code ec;
    for (const auto& e : fs::directory_iterator(planted, ec))
      s += e.path().filename().string() + (fs::is_symlink(e.symlink_status()) ? "@" : "") + "\n";
    return s;
  };
  std::string before = listing();
  Process p(KESTRO_COMPILER, {"--stub", c.stub, "p.tkp"}, c.dir.path().string(), "");
  EXPECT_EQ(0, p.Wait()) << p.err;
  EXPECT_EQ("hello", test::ReadOutput(c.dir / "out.exe").contents.back());
  EXPECT_EQ("precious", ReadFile(victim));
  EXPECT_EQ(before, listing());
  if (ours) fs::remove_all(planted);
}

// Ctrl-C that comes before or during the "File exists" question ends the run
// as cancelled, not as declined: the existing output keeps its times and the
// work files stay.
TEST(Cli, CtrlCAtTheOverwriteQuestionIsACancel) {
  for (bool interactive : {false, true}) {
    SCOPED_TRACE(interactive);
    Cli c;
    std::string output = c.dir / "out.exe";
    WriteFile(output, "old");
    constexpr uint32_t kOldTime = (21u << 9 | 3u << 5 | 4u) << 16;  // 2001-03-04
    ASSERT_TRUE(os::SetFileDosDateTime(output, kOldTime));
    std::string cwd = os::CurrentDir();
    RunOptions options;
    options.stub_path = c.stub;
    options.temp_folder = c.tmp + "/";
    cli::ConsoleObserver observer(false, false, interactive);
    cli::g_interrupted = 1;
    RunResult r = compiler::Run({c.tkp}, options, observer);
    cli::g_interrupted = 0;
    os::SetCurrentDir(cwd);
    EXPECT_EQ(Ending::kCancelled, r.ending);
    EXPECT_EQ("old", ReadFile(output));
    EXPECT_EQ(kOldTime, os::FileDosDateTime(output)) << "not touched";
    EXPECT_TRUE(fs::exists(c.dir.path() / "tmp" / "kestrocmp.tmp" / "password.val"));
  }
}

}  // namespace
}  // namespace kestro::compiler
