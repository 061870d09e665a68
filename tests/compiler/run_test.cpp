// Whole runs of the engine on small projects, through a recording observer.
#include <gtest/gtest.h>

#include <atomic>

#ifdef _WIN32
#include <windows.h>
#else
#include <sys/time.h>

#include <cstdlib>
#include <ctime>
#endif

#include "common/errors.h"
#include "common/os.h"
#include "compiler/engine.h"
#include "compiler/engine/packer.h"
#include "project/ini_file.h"
#include "test_util.h"

namespace kestro::compiler {
namespace {

using test::ReadFile;
using test::Recorder;
using test::ScratchDir;
using test::WriteFile;
namespace fs = std::filesystem;

template <size_t Cap>
std::string Str(const format::PStr<Cap>& s) {
  return std::string(s.chars, s.len);
}

constexpr uint32_t kPasswordValTime = (20u << 9 | 1u << 5 | 1u) << 16;  // 2000-01-01 00:00

// A project folder with sources in src\, a test stub and its own temporary
// folder, so that runs never share a work folder.
struct Fixture {
  ScratchDir dir;
  std::string tkp = dir / "p.tkp";
  std::string stub_bytes = test::StubBytes(100, 50);
  std::string stub = dir / "Stub1.dat";
  std::string temp = (dir.path() / "tmp" / "").string();
  std::string work = (dir.path() / "tmp" / "kestrocmp.tmp").string();
  std::string output = dir / "out.exe";
  Recorder rec;

  Fixture() {
    fs::create_directories(dir.path() / "src");
    WriteFile(stub, stub_bytes);
  }
  void Source(const std::string& name, const std::string& bytes) {
    WriteFile((dir.path() / "src" / name).string(), bytes);
  }
  void Project(const std::string& text) { WriteFile(tkp, text); }
  RunResult Run(std::vector<std::string> extra = {}) {
    std::vector<std::string> params = {tkp};
    params.insert(params.end(), extra.begin(), extra.end());
    RunOptions options;
    options.stub_path = stub;
    options.temp_folder = temp;
    return compiler::Run(params, options, rec);
  }
  bool InWork(const std::string& name) { return os::FileExists((fs::path(work) / name).string()); }
};

// The sample project; extra lines go into their sections.
std::string Project(const std::string& settings = "", const std::string& files = "",
                    const std::string& icons = "") {
  // Settings lines come first: of two equal keys the first one counts.
  return "[Settings]\r\n" + settings + "Output=out.exe\r\nCaption=Hello\r\n" +
         "[Files]\r\nNumFiles=4\r\nFile1=src\\text.txt\r\nFile2=src\\empty.dat\r\nFile3=src\\noise.bin\r\n"
         "File4=src\\kb.txt\r\n" +
         files + "[Dirs]\r\n1=%a\\docs\r\n[Icons]\r\n1=Hello,%a\\hello.exe,\r\n" + icons +
         "[INI]\r\n1=%a\\hello.ini,Main,Greeting,hi,E\r\n"
         "[Registry]\r\n1=HKEY_CURRENT_USER,Software\\Hello,Count,DWORD,3,\r\n";
}

void BasicSources(Fixture& f) {
  f.Source("text.txt", test::TextBytes(40000));
  f.Source("empty.dat", "");
  f.Source("noise.bin", test::NoiseBytes(20000, 5));
  f.Source("kb.txt", std::string(1024, 'k'));
  f.Project(Project());
}

TEST(Run, BuildsTheOutputAndCleansUp) {
  Fixture f;
  BasicSources(f);
  std::string cwd = os::CurrentDir();
  RunResult r = f.Run();
  ASSERT_EQ(Ending::kCompleted, r.ending) << f.rec.report;
  EXPECT_TRUE(r.delivered);
  EXPECT_EQ(cwd, os::CurrentDir()) << "the caller's current folder is restored";

  test::Output o = test::ReadOutput(f.output);
  EXPECT_EQ(0, o.bytes.compare(0, 100, f.stub_bytes, 0, 100));
  EXPECT_EQ(100u, o.marker);
  EXPECT_EQ(f.stub_bytes.size(), o.header.settings_offset);
  EXPECT_EQ("Hello", Str(o.settings.caption));
  ASSERT_EQ(5u, o.files.size());
  const char* dest[] = {"%a\\password.val", "%a\\text.txt", "%a\\empty.dat", "%a\\noise.bin", "%a\\kb.txt"};
  const char* src[] = {nullptr, "text.txt", "empty.dat", "noise.bin", "kb.txt"};
  for (size_t i = 0; i < 5; ++i) {
    SCOPED_TRACE(dest[i]);
    EXPECT_EQ(dest[i], Str(o.files[i].destination));
    EXPECT_EQ(i == 0 ? format::kFileFlagBuiltIn : 0, o.files[i].flags);
    EXPECT_EQ(format::kNoVersion, o.files[i].version_ms);
    EXPECT_EQ(format::kNoVersion, o.files[i].version_ls);
    if (src[i]) {
      std::string path = (f.dir.path() / "src" / src[i]).string();
      EXPECT_EQ(ReadFile(path), o.contents[i]);
      EXPECT_EQ(os::FileDosDateTime(path), o.files[i].dos_date_time);
    }
  }
  uint64_t sizes = 0, packed = 0;
  for (auto& e : o.files) sizes += e.size, packed += e.packed_size;
  EXPECT_EQ(5, r.files);
  EXPECT_EQ(sizes, r.source_bytes);
  EXPECT_EQ(packed, r.packed_bytes);
  EXPECT_EQ(o.bytes.size(), r.output_bytes);
  EXPECT_NE(std::string::npos, o.contents[0].find("[epa1]"));
  EXPECT_NE(std::string::npos, o.contents[0].find("PasswordValidate=0"));
  EXPECT_EQ(kPasswordValTime, o.files[0].dos_date_time);
  ASSERT_EQ(2u, o.icons.size());
  EXPECT_EQ("temp kestro files", Str(o.icons[0].name));
  EXPECT_EQ(1u, o.dirs.size());
  EXPECT_EQ(1u, o.inis.size());
  EXPECT_EQ(1u, o.regs.size());

  // The window's texts and progress: maximum N + 5, ending at the maximum.
  EXPECT_EQ(std::vector<std::string>{"Outputfile: out.exe\r\nProjectfile: " + f.tkp}, f.rec.infos);
  std::vector<std::string> statuses = {"Reading Projectfile...",
                                       "Compressing Files... password.val (1 kb)",
                                       "Compressing Files... text.txt (40 kb)",
                                       "Compressing Files... empty.dat (1 kb)",
                                       "Compressing Files... noise.bin (20 kb)",
                                       "Compressing Files... kb.txt (2 kb)",
                                       "Adding Header Information...",
                                       "Temporary Files created....",
                                       "Outputfile created."};
  EXPECT_EQ(statuses, f.rec.statuses);
  EXPECT_EQ((std::vector<std::string>{"11%", "22%", "33%", "44%", "55%"}), f.rec.percentages);
  ASSERT_FALSE(f.rec.progress.empty());
  EXPECT_EQ(std::make_pair(0, 9), f.rec.progress.front());
  EXPECT_EQ(std::make_pair(9, 9), f.rec.progress.back());
  for (size_t i = 1; i < f.rec.progress.size(); ++i)
    EXPECT_EQ(f.rec.progress[i - 1].first + 1, f.rec.progress[i].first);

  // Stages 13 and 14: the work folder with password.val is gone, the
  // temporary folder holds nothing else.
  EXPECT_FALSE(fs::exists(f.work));
  EXPECT_TRUE(fs::is_empty(f.temp));
  EXPECT_TRUE(f.rec.questions.empty());
  EXPECT_TRUE(f.rec.notices.empty());
}

TEST(Run, SameInputsGiveTheSameBytes) {
  Fixture f;
  BasicSources(f);
  ASSERT_EQ(Ending::kCompleted, f.Run().ending);
  std::string first = ReadFile(f.output);
  f.rec.overwrite = true;
  ASSERT_EQ(Ending::kCompleted, f.Run().ending);
  EXPECT_EQ(1u, f.rec.questions.size());
  EXPECT_TRUE(first == ReadFile(f.output)) << "outputs differ";
}

TEST(Run, FileListEdgeCases) {
  struct Case {
    const char* name;
    std::string files;  // [Files] lines
    std::vector<std::string> destinations;
    int maximum;
  } cases[] = {
      {"empty list", "", {"%a\\password.val"}, 5},
      {"gap ends the list",
       "File1=src\\a.txt\r\nFile2=src\\b.txt\r\nFile4=src\\a.txt\r\n",
       {"%a\\password.val", "%a\\a.txt", "%a\\b.txt"},
       7},
      {"same name in two folders",
       "File1=src\\a.txt\r\nFile2=src\\sub\\a.txt\r\n",
       {"%a\\password.val", "%a\\a.txt", "%a\\a.txt"},
       7},
      {"long name cut to 63",
       "File1=src\\" + std::string(70, 'n') + ".txt\r\n",
       {"%a\\password.val", "%a\\" + std::string(60, 'n')},
       6},
      {"empty value ends the list", "File1=\r\nFile2=src\\a.txt\r\n", {"%a\\password.val"}, 5},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Fixture f;
    fs::create_directories(f.dir.path() / "src" / "sub");
    f.Source("a.txt", "A");
    f.Source("b.txt", "B");
    f.Source("sub/a.txt", "second A");
    f.Source(std::string(70, 'n') + ".txt", "long");
    f.Project("[Settings]\r\nOutput=out.exe\r\n[Files]\r\n" + c.files);
    ASSERT_EQ(Ending::kCompleted, f.Run().ending) << f.rec.report;
    test::Output o = test::ReadOutput(f.output);
    std::vector<std::string> got;
    for (auto& e : o.files) got.push_back(Str(e.destination));
    EXPECT_EQ(c.destinations, got);
    EXPECT_EQ(c.maximum, f.rec.progress.back().second);
    EXPECT_EQ(c.maximum, f.rec.progress.back().first);
  }
}

TEST(Run, DeclinedOverwriteBuildsNothingAndTouchesTheOutput) {
  Fixture f;
  BasicSources(f);
  WriteFile(f.output, "previous output");
  ASSERT_TRUE(os::SetFileDosDateTime(f.output, kPasswordValTime));
  f.rec.overwrite = false;
  RunResult r = f.Run();
  EXPECT_EQ(Ending::kDeclined, r.ending);
  ASSERT_EQ(1u, f.rec.questions.size());
  EXPECT_EQ(
      "File exists|Kestro cannot create a self-extracting because the destination file exists.\r\n\r\n"
      "Should Kestro overwrite this file?\r\n\r\nChoose Yes, to delete this file and continue with the "
      "compilation "
      "or choose No to stop the compilation and return to the wizard WITHOUT having created the "
      "self-extracting "
      "file.",
      f.rec.questions[0]);
  EXPECT_TRUE(ReadFile(f.output) == "previous output");
  EXPECT_NE(kPasswordValTime, os::FileDosDateTime(f.output)) << "times set to now";
  EXPECT_TRUE(fs::is_directory(f.work));
  EXPECT_FALSE(f.InWork("password.val"));
  EXPECT_FALSE(f.InWork("SETUP.1"));
}

TEST(Run, QuietReplacesWithoutAsking) {
  Fixture f;
  BasicSources(f);
  f.Project(Project("Quiet=1\r\n"));
  WriteFile(f.output, "previous output");
  f.rec.overwrite = false;
  EXPECT_EQ(Ending::kCompleted, f.Run().ending);
  EXPECT_TRUE(f.rec.questions.empty());
  EXPECT_FALSE(ReadFile(f.output) == "previous output");
}

TEST(Run, CancelAtEveryCheckpointEndsAtOnceAndKeepsTheWorkFiles) {
  int total;
  {
    Fixture f;
    BasicSources(f);
    ASSERT_EQ(Ending::kCompleted, f.Run().ending);
    total = f.rec.checkpoints;
  }
  // 4 sections, 2 for the built-in file, 3 per listed file, 1 for the end
  // of the list, and after stages 8, 9 and 10.
  EXPECT_EQ(4 + 2 + 3 * 4 + 1 + 3, total);
  for (int k = 1; k <= total; ++k) {
    SCOPED_TRACE(k);
    Fixture f;
    BasicSources(f);
    f.rec.cancel_at = k;
    EXPECT_EQ(Ending::kCancelled, f.Run().ending);
    EXPECT_EQ(k, f.rec.checkpoints) << "no further checkpoint after the cancel";
    EXPECT_FALSE(os::FileExists(f.output));
    EXPECT_TRUE(f.InWork("password.val"));
    EXPECT_EQ(k > 4, f.InWork("SETUP.1"));
    EXPECT_EQ(k >= total - 1, f.InWork("SETUP.0"));
    EXPECT_EQ(k == total, f.InWork("SETUP.EXE"));
    EXPECT_TRUE(f.rec.report.empty());
  }
}

TEST(Run, FailuresReportTwoBoxesAndLeaveTheOutputAlone) {
  struct Case {
    const char* name;
    std::function<void(Fixture&)> setup;
    std::function<std::string(Fixture&)> report;
    std::vector<const char*> left_in_work;
  } cases[] = {
      {"missing source",
       [](Fixture& f) { f.Project(Project("", "File5=src\\gone.txt\r\n")); },
       [](Fixture&) { return std::string("Datei nicht gefunden."); },
       {"password.val"}},
      {"a project written in UTF-8 names a non-ASCII file",
       [](Fixture& f) { f.Project(Project("", "File5=src\\Gr\xC3\xB6\xC3\x9F" "e.txt\r\n")); },
       [](Fixture&) {
         return std::string("Datei nicht gefunden. The project names src\\Gr\xF6\xDF" "e.txt in UTF-8, but project "
                            "files are Windows-1252: convert the project with iconv -f UTF-8 -t WINDOWS-1252.");
       },
       {"password.val"}},
      {"bad entry",
       [](Fixture& f) { f.Project(Project("", "", "2=only,one\r\n")); },
       [](Fixture&) { return std::string("[Icons] Error."); },
       {"password.val"}},
      {"stub missing",
       [](Fixture& f) { os::RemoveFile(f.stub); },
       [](Fixture& f) {
         return "Couldnt copy " + f.stub + " to " + (fs::path(f.work) / "SETUP.EXE").string() + " ..";
       },
       {"SETUP.0", "SETUP.1", "password.val"}},
      {"stub without marker",
       [](Fixture& f) { WriteFile(f.stub, std::string(9000, 'x')); },
       [](Fixture&) { return std::string("BIG ERROR! SingleExeID in SETUP.EXE not found."); },
       {"password.val"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Fixture f;
    BasicSources(f);
    c.setup(f);
    WriteFile(f.output, "previous output");
    RunResult r = f.Run();
    EXPECT_EQ(Ending::kFailed, r.ending);
    EXPECT_EQ(c.report(f), f.rec.report);
    EXPECT_EQ(kFatalText, f.rec.fatal);
    EXPECT_TRUE(ReadFile(f.output) == "previous output");
    std::vector<std::string> left;
    for (auto& e : fs::directory_iterator(f.work)) left.push_back(e.path().filename().string());
    std::sort(left.begin(), left.end());
    EXPECT_EQ(std::vector<std::string>(c.left_in_work.begin(), c.left_in_work.end()), left);
  }
}

// Stage 9 failing: the data part stays beside the settings part, and the bar
// still advances for the settings part.
TEST(Run, ASettingsPartThatCannotBeWrittenKeepsTheDataPart) {
  Fixture f;
  BasicSources(f);
  fs::create_directories(fs::path(f.work) / "SETUP.0");  // a folder in its place
  WriteFile(f.output, "previous output");
  EXPECT_EQ(Ending::kFailed, f.Run().ending);
  EXPECT_EQ("Dateizugriff verweigert.", f.rec.report);
  EXPECT_TRUE(f.InWork("SETUP.1"));
  EXPECT_FALSE(f.InWork("SETUP.EXE"));
  EXPECT_TRUE(ReadFile(f.output) == "previous output");
  ASSERT_FALSE(f.rec.progress.empty());
  EXPECT_EQ(std::make_pair(4 + 2 + 1, 9), f.rec.progress.back());
}

// The temporary folder, or the folder of a new output path, that cannot be
// created: no message at start-up; the run fails when it creates the data
// part, before anything is compressed.
TEST(Run, AFolderThatCannotBeCreatedFailsWhenTheDataPartIsCreated) {
  for (bool output_folder : {false, true}) {
    SCOPED_TRACE(output_folder ? "output folder" : "temporary folder");
    Fixture f;
    BasicSources(f);
    WriteFile(f.dir / "blocker", "a file where a folder should be");
    std::vector<std::string> extra;
    if (output_folder)
      extra = {"blocker\\sub\\x.exe"};
    else
      f.temp = (f.dir.path() / "blocker" / "").string();
    EXPECT_EQ(Ending::kFailed, f.Run(extra).ending);
    EXPECT_TRUE(f.rec.notices.empty());
    EXPECT_FALSE(f.rec.report.empty());
    EXPECT_EQ(std::vector<std::string>{"Reading Projectfile..."}, f.rec.statuses) << "nothing was compressed";
    EXPECT_FALSE(os::FileExists(f.output));
    if (output_folder) {
      EXPECT_EQ("blocker\\sub\\x.exe", project::IniFile(f.tkp).ReadString("Settings", "Output", ""));
      EXPECT_FALSE(f.InWork("SETUP.1")) << "closed and deleted";
    }
  }
}

TEST(Run, AWorkFolderThatCannotBeRemovedFailsAfterDelivery) {
  Fixture f;
  BasicSources(f);
  f.rec.on_checkpoint = [&](int) { WriteFile((fs::path(f.work) / "stranger.txt").string(), "x"); };
  EXPECT_EQ(Ending::kFailed, f.Run().ending);
  EXPECT_EQ("I/O-Fehler 145.", f.rec.report);
  EXPECT_TRUE(os::FileExists(f.output)) << "delivered before the work folder was removed";
}

TEST(Run, FailedDeliveryShowsE01aAndStillRemovesTheWorkFiles) {
  Fixture f;
  BasicSources(f);
  f.Project(Project("Output=missing\\out.exe\r\n"));
  RunResult r = f.Run();
  EXPECT_EQ(Ending::kCompleted, r.ending);
  EXPECT_FALSE(r.delivered);
  ASSERT_EQ(1u, f.rec.notices.size());
  EXPECT_EQ(NoticeKind::kDeliveryFailed, f.rec.notices[0].first);
  EXPECT_EQ(0u,
            f.rec.notices[0].second.rfind(
                "Error|(E01a) File could not be created (probably disk full or file is opened).\r\n\r\n", 0));
  EXPECT_FALSE(fs::exists(f.work));
  EXPECT_EQ("Temporary Files created....", f.rec.statuses.back());
}

TEST(Run, NewOutputAndSourceFolderRewriteTheProject) {
  Fixture f;
  BasicSources(f);
  fs::create_directories(f.dir.path() / "other");
  WriteFile(f.dir / "other/one.txt", "1");
  WriteFile(f.dir / "other/two.txt", "22");
  fs::create_directories(f.dir.path() / "other" / "skipped-folder");
  std::string out = (f.dir.path() / "new" / "built.exe").string();
  RunResult r = f.Run({out, f.dir / "other"});
  ASSERT_EQ(Ending::kCompleted, r.ending) << f.rec.report;
  EXPECT_EQ(out, r.output_path);
  test::Output o = test::ReadOutput(out);
  ASSERT_EQ(3u, o.files.size());
  project::IniFile ini(f.tkp);
  EXPECT_EQ(out, ini.ReadString("Settings", "Output", ""));
  EXPECT_EQ("2", ini.ReadString("Files", "NumFiles", ""));
  std::vector<std::string> listed = {ini.ReadString("Files", "File1", ""),
                                     ini.ReadString("Files", "File2", "")};
  std::sort(listed.begin(), listed.end());
  std::string folder = f.dir / "other";
  EXPECT_EQ((std::vector<std::string>{folder + "\\one.txt", folder + "\\two.txt"}), listed);
  EXPECT_EQ("", ini.ReadString("Files", "File3", "")) << "the old list is gone";
}

// A source folder with a non-ASCII name: the project and the records hold
// it in Windows-1252 on every host (POSIX stores it as UTF-8 on disk).
TEST(Run, ANonAsciiSourceNameIsWindows1252InTheProjectAndTheOutput) {
  Fixture f;
  BasicSources(f);
  const std::string folder = f.dir / "other";
  ASSERT_EQ(0, os::CreateDir(folder));
  const std::string name = "Gr\xF6\xDF" "e.txt";
  os::File(folder + "\\" + name, os::File::kCreate).Write("umlauts", 7);
  RunResult r = f.Run({f.output, folder});
  ASSERT_EQ(Ending::kCompleted, r.ending) << f.rec.report;
  project::IniFile ini(f.tkp);
  EXPECT_EQ(folder + "\\" + name, ini.ReadString("Files", "File1", ""));
  test::Output o = test::ReadOutput(f.output);
  ASSERT_EQ(2u, o.files.size());
  EXPECT_EQ("%a\\" + name, Str(o.files[1].destination));
  EXPECT_EQ(7u, o.files[1].size);
}

// A project named relative to the caller's folder: its own relative paths
// are taken from the project's folder, and the window names the project as
// it was given.
TEST(Run, ARelativeProjectPathResolvesAgainstTheProjectsFolder) {
  Fixture f;
  BasicSources(f);
  std::string cwd = os::CurrentDir();
  ASSERT_TRUE(os::SetCurrentDir(f.dir.path().parent_path().string()));
  std::string relative = f.dir.path().filename().string() + "\\p.tkp";
  RunOptions options;
  options.stub_path = f.stub;
  options.temp_folder = f.temp;
  RunResult r = compiler::Run({relative}, options, f.rec);
  os::SetCurrentDir(cwd);
  ASSERT_EQ(Ending::kCompleted, r.ending) << f.rec.report;
  EXPECT_EQ(std::vector<std::string>{"Outputfile: out.exe\r\nProjectfile: " + relative}, f.rec.infos);
  EXPECT_EQ(5u, test::ReadOutput(f.output).files.size()) << "out.exe and src\\ beside the project";
}

TEST(Run, EmptySourceFolderLeavesOnlyTheBuiltInFile) {
  Fixture f;
  BasicSources(f);
  fs::create_directories(f.dir.path() / "none");
  ASSERT_EQ(Ending::kCompleted, f.Run({f.output, f.dir / "none"}).ending);
  EXPECT_EQ(1u, test::ReadOutput(f.output).files.size());
  EXPECT_EQ("0", project::IniFile(f.tkp).ReadString("Files", "NumFiles", ""));
}

TEST(Run, MissingSourceFolderStopsBeforeCompiling) {
  Fixture f;
  BasicSources(f);
  std::string before = ReadFile(f.tkp);
  RunResult r = f.Run({"", f.dir / "nowhere"});
  EXPECT_EQ(Ending::kStopped, r.ending);
  ASSERT_EQ(1u, f.rec.notices.size());
  EXPECT_EQ(NoticeKind::kSourceFolderMissing, f.rec.notices[0].first);
  EXPECT_EQ(
      "Error|You have specified a new Source Files Folder but this does not exist.\r\n"
      "To get more help, run COMPILER.EXE without any parameter.",
      f.rec.notices[0].second);
  EXPECT_EQ(before, ReadFile(f.tkp));
  EXPECT_FALSE(os::FileExists(f.output));
  EXPECT_TRUE(f.InWork("password.val"));
}

TEST(Run, WithoutAProjectOnlyTheHelpIsShown) {
  for (std::vector<std::string> params :
       {std::vector<std::string>{}, std::vector<std::string>{"no-such.tkp"}}) {
    Recorder rec;
    ScratchDir dir;
    RunOptions options;
    options.temp_folder = (dir.path() / "tmp" / "").string();
    EXPECT_EQ(Ending::kHelp, compiler::Run(params, options, rec).ending);
    ASSERT_EQ(1u, rec.notices.size());
    EXPECT_EQ(NoticeKind::kHelp, rec.notices[0].first);
    EXPECT_EQ(std::string("tessaron Kestro Compiler|") + HelpText(), rec.notices[0].second);
    EXPECT_FALSE(fs::exists(dir.path() / "tmp")) << "nothing written";
  }
}

TEST(Run, AProjectThatIsNoIniFileBuildsError055) {
  Fixture f;
  WriteFile(f.tkp, test::NoiseBytes(500, 9));
  ASSERT_EQ(Ending::kCompleted, f.Run().ending) << f.rec.report;
  test::Output o = test::ReadOutput(f.dir / "Error055");
  EXPECT_EQ(1u, o.files.size());
}

#ifndef _WIN32
TEST(Run, ASourceOf4GBStopsTheRunNamingTheFile) {
  Fixture f;
  std::string big = (f.dir.path() / "src" / "big.bin").string();
  WriteFile(big, "");
  fs::resize_file(big, 0x100000000ull);  // sparse
  f.Project("[Settings]\r\nOutput=out.exe\r\n[Files]\r\nFile1=src\\big.bin\r\n");
  EXPECT_EQ(Ending::kFailed, f.Run().ending);
  EXPECT_NE(std::string::npos, f.rec.report.find("src\\big.bin")) << f.rec.report;
  EXPECT_FALSE(os::FileExists(f.output));
  EXPECT_FALSE(f.InWork("SETUP.1"));
}

TEST(Run, AnOutputOf4GBStopsTheRunNamingTheOutput) {
  Fixture f;
  BasicSources(f);
  WriteFile(f.stub, test::StubBytes(0, 100));
  fs::resize_file(f.stub, 0xFFFFF000ull);  // sparse; with both parts past 4 GB
  EXPECT_EQ(Ending::kFailed, f.Run().ending);
  EXPECT_NE(std::string::npos, f.rec.report.find("out.exe would be 4 GB or larger")) << f.rec.report;
  EXPECT_FALSE(os::FileExists(f.output));
  EXPECT_FALSE(f.InWork("SETUP.EXE")) << "stopped before the copy";
}
#endif

// A source that grows (or shrinks) while it is compressed would give a
// stream of another length than its entry records: the run stops, naming
// the file, instead of building an output the extractor calls damaged.
TEST(Run, ASourceThatChangesWhileItIsCompressedStopsTheRun) {
  for (bool grow : {true, false}) {
    SCOPED_TRACE(grow ? "grows" : "shrinks");
    Fixture f;
    BasicSources(f);
    std::string noise = (f.dir.path() / "src" / "noise.bin").string();
    // The hook runs on the threads that compress, one per source at a time.
    std::atomic<bool> changed{false};
    SetSourceReadHook([&](const std::string& source, uint64_t read) {
      if (source.find("noise.bin") == std::string::npos || read == 0 || changed.exchange(true)) return;
      if (grow)
        WriteFile(noise, test::NoiseBytes(20000 + 5000, 5));
      else
        fs::resize_file(noise, 17000);
    });
    RunResult r = f.Run();
    SetSourceReadHook(nullptr);
    EXPECT_TRUE(changed);
    EXPECT_EQ(Ending::kFailed, r.ending);
    EXPECT_NE(std::string::npos, f.rec.report.find("src\\noise.bin changed while it was compressed"))
        << f.rec.report;
    EXPECT_FALSE(os::FileExists(f.output));
    EXPECT_FALSE(f.InWork("SETUP.1"));
  }
}

// A private work folder (kestro-compiler): new for the run, never
// kestrocmp.tmp, and gone afterwards however the run ends.
TEST(Run, APrivateWorkFolderIsNewAndGoesWithTheRun) {
  for (int cancel_at : {0, 6}) {
    SCOPED_TRACE(cancel_at);
    Fixture f;
    BasicSources(f);
    fs::create_directories(f.work);  // a kestrocmp.tmp that is not ours
    WriteFile(f.work + "/SETUP.1", "not ours");
    std::string seen;
    f.rec.cancel_at = cancel_at;
    f.rec.on_checkpoint = [&](int) {
      for (const auto& e : fs::directory_iterator(f.temp))
        if (e.path().filename() != "kestrocmp.tmp") seen = e.path().filename().string();
    };
    RunOptions options;
    options.stub_path = f.stub;
    options.temp_folder = f.temp;
    options.private_work_folder = true;
    RunResult r = compiler::Run({f.tkp}, options, f.rec);
    EXPECT_EQ(cancel_at ? Ending::kCancelled : Ending::kCompleted, r.ending) << f.rec.report;
    EXPECT_EQ(0u, seen.rfind("kestrocmp-", 0)) << seen;
    EXPECT_EQ("not ours", ReadFile(f.work + "/SETUP.1"));
    size_t left = 0;
    for (const auto& e : fs::directory_iterator(f.temp)) {
      if (e.path().filename() != "kestrocmp.tmp") ++left;
    }
    EXPECT_EQ(0u, left) << "the private folder is removed";
    if (!cancel_at) {
      EXPECT_EQ(5u, test::ReadOutput(f.output).files.size());
    }
  }
}

// The environment and file times of the reproducibility tests.
void SetEnv(const char* name, const char* value) {
#ifdef _WIN32
  SetEnvironmentVariableA(name, value);
#else
  if (value)
    setenv(name, value, 1);
  else
    unsetenv(name);
#endif
}

void SetUnixTime(const std::string& path, int64_t seconds) {
#ifdef _WIN32
  HANDLE h = CreateFileA(path.c_str(), FILE_WRITE_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                         OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(INVALID_HANDLE_VALUE, h);
  uint64_t ticks = static_cast<uint64_t>(seconds) * 10000000ull + 116444736000000000ull;
  FILETIME ft{static_cast<DWORD>(ticks), static_cast<DWORD>(ticks >> 32)};
  ASSERT_TRUE(SetFileTime(h, &ft, &ft, &ft));
  CloseHandle(h);
#else
  struct timeval tv[2] = {{static_cast<time_t>(seconds), 0}, {static_cast<time_t>(seconds), 0}};
  ASSERT_EQ(0, utimes(path.c_str(), tv));
#endif
}

constexpr int64_t k2001 = 981173106;   // 2001-02-03 04:05:06 UTC
constexpr int64_t k2020 = 1577836800;  // 2020-01-01 00:00:00 UTC
constexpr uint32_t kDos2001 = ((21u << 9 | 2u << 5 | 3u) << 16) | (4u << 11 | 5u << 5 | 3u);
constexpr uint32_t kDos2020 = (40u << 9 | 1u << 5 | 1u) << 16;

// Two copies of the same sources, with other modification times.
struct TwoCheckouts {
  Fixture a, b;
  TwoCheckouts() {
    for (Fixture* f : {&a, &b}) {
      f->Source("old.txt", "old");
      f->Source("new.txt", "new");
      f->Project("[Settings]\r\nOutput=out.exe\r\n[Files]\r\nFile1=src\\old.txt\r\nFile2=src\\new.txt\r\n");
    }
    SetUnixTime(a.dir / "src/old.txt", k2001);
    SetUnixTime(b.dir / "src/old.txt", k2001);
    SetUnixTime(a.dir / "src/new.txt", k2020 + 86400 * 100);
    SetUnixTime(b.dir / "src/new.txt", k2020 + 86400 * 300 + 7);
  }
  bool Same() {
    EXPECT_EQ(Ending::kCompleted, a.Run().ending) << a.rec.report;
    EXPECT_EQ(Ending::kCompleted, b.Run().ending) << b.rec.report;
    return ReadFile(a.output) == ReadFile(b.output);
  }
};

// SOURCE_DATE_EPOCH: times later than it become it, all in UTC, so two
// checkouts give the same bytes; unset, nothing changes.
TEST(Run, SourceDateEpochMakesCheckoutsGiveTheSameBytes) {
  TwoCheckouts t;
  SetEnv("SOURCE_DATE_EPOCH", nullptr);
  EXPECT_FALSE(t.Same()) << "without it, the times differ";
  SetEnv("SOURCE_DATE_EPOCH", std::to_string(k2020).c_str());
  EXPECT_TRUE(t.Same());
  test::Output out = test::ReadOutput(t.a.output);
  ASSERT_EQ(3u, out.files.size());
  EXPECT_EQ(kDos2001, out.files[1].dos_date_time) << "an older time stays, taken in UTC";
  EXPECT_EQ(kDos2020, out.files[2].dos_date_time) << "a newer one becomes the epoch";
#ifndef _WIN32
  // The build machine's time zone does not count.
  std::string first = ReadFile(t.a.output);
  for (const char* tz : {"JST-9", "EST5EDT"}) {
    SetEnv("TZ", tz);
    tzset();
    EXPECT_TRUE(t.Same()) << tz;
    EXPECT_EQ(first, ReadFile(t.a.output)) << tz;
  }
  SetEnv("TZ", nullptr);
  tzset();
#endif
  SetEnv("SOURCE_DATE_EPOCH", nullptr);
}

TEST(Run, AnInvalidSourceDateEpochStopsTheRunBeforeAnythingIsWritten) {
  for (const char* value : {"yesterday", "-5", "12x", "1e9"}) {
    SCOPED_TRACE(value);
    Fixture f;
    BasicSources(f);
    std::string before = ReadFile(f.tkp);
    SetEnv("SOURCE_DATE_EPOCH", value);
    RunResult r = f.Run({"new.exe"});
    SetEnv("SOURCE_DATE_EPOCH", nullptr);
    EXPECT_EQ(Ending::kFailed, r.ending);
    EXPECT_NE(std::string::npos, f.rec.report.find("SOURCE_DATE_EPOCH is \"" + std::string(value) + "\""))
        << f.rec.report;
    EXPECT_EQ(before, ReadFile(f.tkp)) << "the project is not rewritten";
    EXPECT_FALSE(fs::exists(f.temp)) << "no work folder";
    EXPECT_FALSE(os::FileExists(f.output));
  }
}

#ifdef _WIN32
// The temporary folder: TMP if it names a folder, else TEMP; a relative one
// is taken from the project's folder, which is current by then.
TEST(Run, TheWorkFolderLiesInTmpElseTemp) {
  std::string saved_tmp = os::GetEnv("TMP"), saved_temp = os::GetEnv("TEMP");
  struct Case {
    const char* name;
    std::string tmp, temp, expect_in;  // expect_in relative to the project's folder
  } cases[] = {
      {"relative TMP", "rel-tmp", "", "rel-tmp"},
      {"TMP missing, TEMP taken", "no-such-folder", "temp-dir", "temp-dir"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Fixture f;
    BasicSources(f);
    fs::create_directories(f.dir.path() / "rel-tmp");
    fs::create_directories(f.dir.path() / "temp-dir");
    std::string temp = c.temp.empty() ? std::string() : f.dir / c.temp;
    _putenv_s("TMP", c.tmp.c_str());
    _putenv_s("TEMP", temp.c_str());
    f.temp.clear();  // the engine's own rule
    f.rec.cancel_at = 1;
    RunResult r = f.Run();
    _putenv_s("TMP", saved_tmp.c_str());
    _putenv_s("TEMP", saved_temp.c_str());
    EXPECT_EQ(Ending::kCancelled, r.ending);
    EXPECT_TRUE(os::FileExists(f.dir / (c.expect_in + "\\kestrocmp.tmp\\password.val")));
  }
}
#endif

TEST(SplitCommandLine, BlanksQuotesAndEmptyQuotes) {
  std::string long_param(300, 'p');
  struct Case {
    std::string raw;
    std::vector<std::string> expect;
  } cases[] = {
      {"compiler.exe", {}},
      {"\"C:\\Program Files\\Kestro\\Compiler.exe\" \"C:\\a b\\p.tkp\"", {"C:\\a b\\p.tkp"}},
      {"compiler.exe \"C:\\p.tkp\" \"\" \"C:\\src\"", {"C:\\p.tkp", "C:\\src"}},
      {"compiler.exe  p.tkp\t\"\"\"\" out.exe", {"p.tkp", "out.exe"}},
      {"compiler.exe a\"b c\"d", {"ab cd"}},
      {"compiler.exe \"open to the end", {"open to the end"}},
      {"compiler.exe\x01p.tkp\x1Fx", {"p.tkp", "x"}},
      {"compiler.exe " + long_param, {long_param}},
  };
  for (const Case& c : cases) EXPECT_EQ(c.expect, SplitCommandLine(c.raw)) << c.raw;
}

TEST(HelpText, HasTheTwentyTwoLines) {
  std::string t = HelpText();
  std::vector<std::string> lines;
  size_t at = 0;
  for (size_t nl; (nl = t.find("\r\n", at)) != std::string::npos; at = nl + 2)
    lines.push_back(t.substr(at, nl - at));
  lines.push_back(t.substr(at));
  ASSERT_EQ(22u, lines.size());
  const char* fixed[] = {
      "The tessaron Kestro Compiler offers you to automaticly create self-extracting files.",
      "Based on an existing .tkp projectfile the Compiler can create the self-extracting file.",
      "",
      "The Compiler needs at least one parameter, the Projectfile location. This file must be specified like "
      "\"C:\\TESSARON\\TEST.TKP\" (the \"s are required!)",
      "",
      "You can optional set 2 other parameters. The whole commandline is:",
      "  Compiler.exe \"ProjectFile\" \"OutputFile\" \"SourceFilesFolder\"     (the \"s are required!)",
      "",
      "  OutputFile specifies a new self-extracting file location.",
      "  SourceFilesFolder specifies a new folder that contains all source files.",
      "",
      "Samples:",
      " >> Compiler.exe \"c:\\tessaron\\test.tkp\"",
      "  would (re-)create a self-extracting file (the output file is specified in projectfile)",
      "",
      " >> Compiler.exe \"c:\\tessaron\\alarm.tkp\" \"c:\\release\\alarm12.exe\" "
      "\"c:\\source\\alarm\\release\"",
      "  would create c:\\release\\alarm12.exe, use the files in c:\\source\\alarm\\release",
      "  and read other data (visual settings, extraction mode) from the project file alarm.tkp",
      "",
  };
  for (size_t i = 0; i < std::size(fixed); ++i) EXPECT_EQ(fixed[i], lines[i]) << "line " << i + 1;
  EXPECT_EQ(0u, lines[19].rfind("If you have problems using this, contact ", 0));
  EXPECT_GT(lines[19].size(), std::string("If you have problems using this, contact ").size());
  EXPECT_EQ("", lines[20]);
  EXPECT_FALSE(lines[21].empty()) << "the banner";
}

}  // namespace
}  // namespace kestro::compiler
