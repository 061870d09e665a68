// Time per file for projects of 1,000 and 60,000 small files: reading
// [Files], the percentage updates and the table writing must stay linear.
#include <vector>

#include "bench_util.h"

namespace {

using namespace bench;

double RunProject(const fs::path& project, const fs::path& stub, const fs::path& temp) {
  Silent silent;
  kestro::compiler::RunOptions options;
  options.stub_path = stub.string();
  options.temp_folder = temp.string() + "/";
  auto start = std::chrono::steady_clock::now();
  kestro::compiler::RunResult r = kestro::compiler::Run({project.string()}, options, silent);
  double s = Seconds(start);
  if (r.ending != kestro::compiler::Ending::kCompleted || !r.delivered) std::exit(1);
  return s;
}

}  // namespace

int main() {
  Scratch scratch("bench_compiler_scale");
  const fs::path& dir = scratch.path();
  fs::create_directories(dir / "tmp");
  WriteBytes(dir / "Stub1.dat", Stub());
  constexpr int kMost = 60000;
  // 60,000 small files of 200 to 1,200 bytes in 60 folders.
  for (int i = 0; i < kMost; ++i) {
    fs::path sub = dir / "src" / ("d" + std::to_string(i / 1000));
    if (i % 1000 == 0) fs::create_directories(sub);
    WriteBytes(sub / ("f" + std::to_string(i) + ".txt"), Text(200 + (i * 37) % 1000, i + 1));
  }
  auto project = [&](int n) {
    std::string p = "[Settings]\r\nOutput=out" + std::to_string(n) + ".exe\r\nQuiet=1\r\n[Files]\r\n";
    for (int i = 0; i < n; ++i)
      p += "File" + std::to_string(i + 1) + "=src\\d" + std::to_string(i / 1000) + "\\f" + std::to_string(i) +
           ".txt\r\n";
    fs::path path = dir / ("p" + std::to_string(n) + ".tkp");
    WriteBytes(path, p);
    return path;
  };
  fs::path small = project(1000), large = project(kMost);
  double t_small = 1e9, t_large;
  for (int i = 0; i < 3; ++i) t_small = std::min(t_small, RunProject(small, dir / "Stub1.dat", dir / "tmp"));
  t_large = RunProject(large, dir / "Stub1.dat", dir / "tmp");
  double per_small = t_small / 1000 * 1e6, per_large = t_large / kMost * 1e6;
  std::printf("1,000 files: %.2f s, %.1f us per file\n", t_small, per_small);
  std::printf("60,000 files: %.2f s, %.1f us per file\n", t_large, per_large);
  std::printf("ratio per file 60,000/1,000: %.2f (flat: about 1)\n", per_large / per_small);
  return 0;
}
