// Throughput: whole compile runs over a mixed payload of 64 MB in 2,271
// files, with the default number of jobs (one per core) and with one,
// against a bare single-threaded loop that deflates the same files with the
// same zlib parameters and flush pattern and writes the same data part.
// Also checks that every number of jobs builds the same bytes.
#include <thread>
#include <vector>

#include "bench_util.h"

namespace {

using namespace bench;

std::string ReadBytes(const fs::path& p) {
  std::ifstream f(p, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(f), {});
}

}  // namespace

int main() {
  Scratch scratch("bench_compiler_throughput");
  const fs::path& dir = scratch.path();
  fs::create_directories(dir / "tmp");
  // 2,000 small files (1 to 16 KB), 250 of 40 to 136 KB and 21 of 1.25 MB:
  // text, binaries and already-compressed data in turn, 64 MB in all.
  std::vector<fs::path> files;
  uint64_t total = 0;
  auto add = [&](size_t size, int i) {
    fs::path sub = dir / "src" / ("d" + std::to_string(i / 250));
    fs::create_directories(sub);
    std::string bytes = i % 3 == 0   ? Text(size, static_cast<uint32_t>(i + 1))
                        : i % 3 == 1 ? Binary(size, static_cast<uint32_t>(i + 1))
                                     : Noise(size, static_cast<uint32_t>(i + 1));
    files.push_back(sub / ("f" + std::to_string(i) + (i % 3 == 2 ? ".zip" : i % 3 ? ".dll" : ".txt")));
    WriteBytes(files.back(), bytes);
    total += size;
  };
  int n = 0;
  for (int i = 0; i < 2000; ++i) add(1024 + (i * 7919u) % (15 * 1024), n++);
  for (int i = 0; i < 250; ++i) add(40 * 1024 + (i * 104729u) % (96 * 1024), n++);
  for (int i = 0; i < 21; ++i) add(1280 * 1024, n++);
  WriteBytes(dir / "Stub1.dat", Stub());
  fs::path project = WriteProject(dir, "p.tkp", files, "out.exe");
  int cores = kestro::compiler::DefaultJobs();

  // Alternate the three, twice, and keep each one's best time.
  double bare = 1e9, parallel = 1e9, single = 1e9;
  uint64_t written = 0;
  for (int round = 0; round < 2; ++round) {
    bare = std::min(bare, BareLoop(files, dir / "bare.dat", &written));
    parallel = std::min(parallel, CompilerRun(project, dir / "Stub1.dat", dir / "tmp", 0));
    single = std::min(single, CompilerRun(project, dir / "Stub1.dat", dir / "tmp", 1));
  }

  // The same bytes for 1, 2 and 8 jobs.
  std::string first;
  bool identical = true;
  for (int jobs : {1, 2, 8}) {
    CompilerRun(project, dir / "Stub1.dat", dir / "tmp", jobs);
    std::string bytes = ReadBytes(dir / "out.exe");
    if (first.empty())
      first = bytes;
    else
      identical = identical && bytes == first;
  }

  double mb = static_cast<double>(total) / 1e6;
  std::printf("payload: %zu files, %.0f MB (text, binaries, already compressed); data part %.0f MB\n",
              files.size(), mb, static_cast<double>(written) / 1e6);
  std::printf("bare single-threaded deflate loop: %.2f s (%.1f MB/s)\n", bare, mb / bare);
  std::printf("compile, default jobs (%d): %.2f s (%.1f MB/s)\n", cores, parallel, mb / parallel);
  std::printf("compile, -j 1: %.2f s (%.1f MB/s)\n", single, mb / single);
  std::printf("ratio default jobs/bare: %.3f (target <= 0.60 on 2 cores)\n", parallel / bare);
  std::printf("ratio -j 1/bare: %.3f (target <= 1.02)\n", single / bare);
  std::printf("outputs of -j 1, -j 2, -j 8: %s\n", identical ? "byte-identical" : "DIFFERENT");
  return identical ? 0 : 1;
}
