// Time per file beyond compression, with -j 1, for projects of 1,000 and
// 60,000 small files: a whole compile run minus the bare deflate loop over
// the same files, per file. Reading [Files], the percentage updates and the
// table writing must stay linear, and the work per file small.
#include <vector>

#include "bench_util.h"

namespace {

using namespace bench;

struct Figures {
  double run, bare;
};

// Best of `rounds` for the run and the loop, alternated.
Figures Measure(const fs::path& dir, const fs::path& project, const std::vector<fs::path>& files,
                int rounds) {
  Figures f{1e9, 1e9};
  uint64_t written = 0;
  for (int i = 0; i < rounds; ++i) {
    f.bare = std::min(f.bare, BareLoop(files, dir / "bare.dat", &written));
    f.run = std::min(f.run, CompilerRun(project, dir / "Stub1.dat", dir / "tmp", 1));
  }
  return f;
}

}  // namespace

int main() {
  Scratch scratch("bench_compiler_scale");
  const fs::path& dir = scratch.path();
  fs::create_directories(dir / "tmp");
  WriteBytes(dir / "Stub1.dat", Stub());
  constexpr int kMost = 60000;
  // 60,000 small files of 200 to 1,200 bytes in 60 folders.
  std::vector<fs::path> files;
  for (int i = 0; i < kMost; ++i) {
    fs::path sub = dir / "src" / ("d" + std::to_string(i / 1000));
    if (i % 1000 == 0) fs::create_directories(sub);
    files.push_back(sub / ("f" + std::to_string(i) + ".txt"));
    WriteBytes(files.back(), Text(200 + (i * 37) % 1000, i + 1));
  }
  std::vector<fs::path> first(files.begin(), files.begin() + 1000);
  fs::path small = WriteProject(dir, "p1000.tkp", first, "out1000.exe");
  fs::path large = WriteProject(dir, "p60000.tkp", files, "out60000.exe");
  Figures s = Measure(dir, small, first, 5);
  Figures l = Measure(dir, large, files, 2);
  double per_small = (s.run - s.bare) / 1000 * 1e6, per_large = (l.run - l.bare) / kMost * 1e6;
  std::printf("1,000 files, -j 1: run %.3f s, bare loop %.3f s, %.1f us per file beyond compression\n", s.run,
              s.bare, per_small);
  std::printf("60,000 files, -j 1: run %.2f s, bare loop %.2f s, %.1f us per file beyond compression\n",
              l.run, l.bare, per_large);
  std::printf("ratio run/bare, 60,000 files: %.3f\n", l.run / l.bare);
  std::printf("time per file beyond compression (target < 10 us, flat): %.1f us and %.1f us\n", per_small,
              per_large);
  return 0;
}
