// Compiling on several threads: the same bytes, the same run as seen by the
// window, the same ending, for every number of jobs and every budget.
#include <gtest/gtest.h>

#include <algorithm>

#include "common/os.h"
#include "compiler/engine.h"
#include "test_util.h"

namespace kestro::compiler {
namespace {

using test::ReadFile;
using test::Recorder;
using test::ScratchDir;
using test::WriteFile;
namespace fs = std::filesystem;

struct Setting {
  int jobs;
  size_t budget;  // 0: the default
};
// One job first: the run that all others must equal. Small budgets make
// streams wait and then pass through piece by piece.
const Setting kSettings[] = {{1, 0}, {2, 0}, {8, 0}, {8, 20000}, {3, 1}};

std::string Name(const Setting& s) {
  return "jobs " + std::to_string(s.jobs) + ", budget " + std::to_string(s.budget);
}

// What one run left: the output, what the window was shown, the work folder.
struct Outcome {
  Ending ending = Ending::kFailed;
  std::string output, setup1, report;
  std::vector<std::string> statuses, percentages, left_in_work;
  std::vector<std::pair<int, int>> progress;
  int checkpoints = 0;
};

// A project with many small files, a few large ones and an empty one;
// `extra` adds [Files] lines at the given positions.
class Payload {
 public:
  Payload() {
    fs::create_directories(dir_.path() / "src");
    WriteFile(dir_ / "Stub1.dat", test::StubBytes(3000, 700));
    for (int i = 0; i < 240; ++i) {
      size_t n = static_cast<size_t>((i * 7919) % 3000);
      Add("small" + std::to_string(i) + ".txt",
          i % 3 ? test::TextBytes(n) : test::NoiseBytes(n, static_cast<uint32_t>(i + 1)));
      if (i == 60) Add("big-text.log", test::TextBytes(900000));
      if (i == 61) Add("empty.dat", "");
      if (i == 120) Add("big-noise.bin", test::NoiseBytes(700000, 9));
      if (i == 200) Add("mixed.bin", test::TextBytes(300000) + test::NoiseBytes(300000, 4));
    }
  }

  void Add(const std::string& name, const std::string& bytes) {
    WriteFile((dir_.path() / "src" / name).string(), bytes);
    files_.push_back("src\\" + name);
  }
  // Puts an entry that names something else before list position `at`.
  void Insert(size_t at, const std::string& value) { files_.insert(files_.begin() + at, value); }
  std::string Path(const std::string& name) const { return dir_ / name; }

  Outcome Run(const Setting& s, int cancel_at = 0) {
    std::string project = "[Settings]\r\nOutput=out.exe\r\nQuiet=1\r\n[Files]\r\n";
    for (size_t i = 0; i < files_.size(); ++i)
      project += "File" + std::to_string(i + 1) + "=" + files_[i] + "\r\n";
    WriteFile(dir_ / "p.tkp", project);
    std::string temp = (dir_.path() / ("tmp" + std::to_string(++runs_)) / "").string();
    Recorder rec;
    rec.cancel_at = cancel_at;
    RunOptions options;
    options.stub_path = dir_ / "Stub1.dat";
    options.temp_folder = temp;
    options.jobs = s.jobs;
    options.stream_budget = s.budget;
    os::RemoveFile(dir_ / "out.exe");
    RunResult r = compiler::Run({dir_ / "p.tkp"}, options, rec);

    Outcome o;
    o.ending = r.ending;
    o.output = ReadFile(dir_ / "out.exe");
    o.report = rec.report;
    o.statuses = rec.statuses;
    o.percentages = rec.percentages;
    o.progress = rec.progress;
    o.checkpoints = rec.checkpoints;
    fs::path work = fs::path(temp) / "kestrocmp.tmp";
    o.setup1 = ReadFile((work / "SETUP.1").string());
    std::error_code ec;
    for (auto& e : fs::directory_iterator(work, ec)) o.left_in_work.push_back(e.path().filename().string());
    std::sort(o.left_in_work.begin(), o.left_in_work.end());
    return o;
  }

 private:
  ScratchDir dir_;
  std::vector<std::string> files_;
  int runs_ = 0;
};

void ExpectSame(const Outcome& want, const Outcome& got) {
  EXPECT_EQ(want.ending, got.ending);
  EXPECT_TRUE(want.output == got.output) << "outputs differ";
  EXPECT_TRUE(want.setup1 == got.setup1) << "the data parts left behind differ";
  EXPECT_EQ(want.report, got.report);
  EXPECT_EQ(want.statuses, got.statuses);
  EXPECT_EQ(want.percentages, got.percentages);
  EXPECT_EQ(want.progress, got.progress);
  EXPECT_EQ(want.checkpoints, got.checkpoints);
  EXPECT_EQ(want.left_in_work, got.left_in_work);
}

TEST(Parallel, EveryNumberOfJobsBuildsTheSameBytesAndShowsTheSameRun) {
  Payload p;
  Outcome one = p.Run(kSettings[0]);
  ASSERT_EQ(Ending::kCompleted, one.ending) << one.report;
  ASSERT_GT(one.output.size(), 1000000u);
  EXPECT_EQ(1u + 245 + 3, one.statuses.size()) << "a status per file, the built-in one included";
  test::Output decoded = test::ReadOutput(p.Path("out.exe"));
  ASSERT_EQ(245u, decoded.files.size());
  for (size_t i = 1; i < decoded.files.size(); ++i) {
    const format::FileEntry& e = decoded.files[i];
    std::string name(e.destination.chars + 3, e.destination.len - 3);
    ASSERT_TRUE(ReadFile(p.Path("src/" + name)) == decoded.contents[i]) << name;
  }
  for (const Setting& s : kSettings) {
    SCOPED_TRACE(Name(s));
    ExpectSame(one, p.Run(s));
  }
}

// The first failure in list order ends the run, with its own message, even
// when a later source failed earlier on another thread; nothing is left but
// what the same failure leaves with one job.
TEST(Parallel, TheFirstFailureInListOrderIsTheOneReported) {
  struct Case {
    const char* name;
    std::vector<std::pair<size_t, std::string>> inserts;  // list position, value
    const char* report;
  } cases[] = {
      {"a missing file before a folder",
       {{150, "src\\gone.txt"}, {151, "src"}, {152, "src\\also-gone.txt"}},
       "Datei nicht gefunden."},
      {"a folder before a missing file", {{150, "src"}, {151, "src\\gone.txt"}}, "Dateizugriff verweigert."},
      {"a missing file right after a large one",
       {{62, "src\\gone.txt"}, {200, "src"}},
       "Datei nicht gefunden."},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Payload p;
    for (auto& [at, value] : c.inserts) p.Insert(at, value);
    Outcome one = p.Run(kSettings[0]);
    ASSERT_EQ(Ending::kFailed, one.ending);
    EXPECT_EQ(c.report, one.report);
    EXPECT_TRUE(one.output.empty());
    EXPECT_EQ(std::vector<std::string>{"password.val"}, one.left_in_work) << "SETUP.1 is deleted";
    // "Reading Projectfile...", then a status for the built-in file and for
    // each file before the failing one: a source that cannot be opened
    // stops the run before its status line.
    EXPECT_EQ(c.inserts[0].first + 2, one.statuses.size());
    for (const Setting& s : kSettings) {
      SCOPED_TRACE(Name(s));
      ExpectSame(one, p.Run(s));
    }
  }
}

// A cancel confirmed in the middle: the run ends at that checkpoint, the
// workers stop, what they had compressed ahead is dropped, and SETUP.1
// holds exactly the streams written before, as with one job.
TEST(Parallel, CancelInTheMiddleEndsAtThatCheckpointWithTheSameDataPart) {
  Payload p;
  // 4 sections, 2 for the built-in file, then 3 per file: inside file 100,
  // after a large one that the workers are still busy with.
  for (int cancel_at : {4 + 2 + 3 * 63 + 1, 4 + 2 + 3 * 100 + 2}) {
    SCOPED_TRACE(cancel_at);
    Outcome one = p.Run(kSettings[0], cancel_at);
    ASSERT_EQ(Ending::kCancelled, one.ending);
    EXPECT_EQ(cancel_at, one.checkpoints);
    EXPECT_GT(one.setup1.size(), 20000u) << "the large text file was written";
    EXPECT_TRUE(one.output.empty());
    for (const Setting& s : kSettings) {
      SCOPED_TRACE(Name(s));
      ExpectSame(one, p.Run(s, cancel_at));
    }
  }
}

}  // namespace
}  // namespace kestro::compiler
