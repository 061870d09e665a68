// Throughput: a whole compile run over a mixed payload of at least 200 MB
// against a bare loop that deflates the same files with the same zlib
// parameters and flush pattern and writes the same data part.
#include <zlib.h>

#include <vector>

#include "bench_util.h"

namespace {

using namespace bench;

// The baseline: per file the stream magic and one zlib stream (level 7,
// window 15, memory level 8, default strategy, a partial flush after each
// 16384-byte block, finish at the end), appended to one data file.
double BareLoop(const std::vector<fs::path>& files, const fs::path& out_path, uint64_t* written) {
  auto start = std::chrono::steady_clock::now();
  FILE* out = std::fopen(out_path.c_str(), "wb");
  std::vector<unsigned char> in(16384), buf(16384);
  *written = 0;
  for (const fs::path& p : files) {
    FILE* f = std::fopen(p.c_str(), "rb");
    std::fwrite("zlb\x1A", 1, 4, out);
    *written += 4;
    z_stream zs{};
    deflateInit2(&zs, 7, Z_DEFLATED, 15, 8, Z_DEFAULT_STRATEGY);
    for (;;) {
      size_t n = std::fread(in.data(), 1, in.size(), f);
      zs.next_in = in.data();
      zs.avail_in = static_cast<uInt>(n);
      int flush = n ? Z_PARTIAL_FLUSH : Z_FINISH;
      int rc;
      do {
        zs.next_out = buf.data();
        zs.avail_out = static_cast<uInt>(buf.size());
        rc = deflate(&zs, flush);
        size_t have = buf.size() - zs.avail_out;
        std::fwrite(buf.data(), 1, have, out);
        *written += have;
      } while (flush == Z_FINISH ? rc != Z_STREAM_END : zs.avail_out == 0);
      if (!n) break;
    }
    deflateEnd(&zs);
    std::fclose(f);
  }
  std::fclose(out);
  return Seconds(start);
}

double CompilerRun(const fs::path& project, const fs::path& stub, const fs::path& temp) {
  Silent silent;
  kestro::compiler::RunOptions options;
  options.stub_path = stub.string();
  options.temp_folder = temp.string() + "/";
  auto start = std::chrono::steady_clock::now();
  kestro::compiler::RunResult r = kestro::compiler::Run({project.string()}, options, silent);
  double s = Seconds(start);
  if (r.ending != kestro::compiler::Ending::kCompleted || !r.delivered) {
    std::fprintf(stderr, "the compile did not complete\n");
    std::exit(1);
  }
  return s;
}

}  // namespace

int main() {
  Scratch scratch("bench_compiler_throughput");
  const fs::path& dir = scratch.path();
  fs::create_directories(dir / "src");
  fs::create_directories(dir / "tmp");
  // 12 text, 10 binary and 8 already-compressed files, 210 MiB in all.
  std::vector<fs::path> files;
  uint64_t total = 0;
  auto add = [&](const std::string& name, const std::string& bytes) {
    files.push_back(dir / "src" / name);
    WriteBytes(files.back(), bytes);
    total += bytes.size();
  };
  for (int i = 0; i < 12; ++i) add("log" + std::to_string(i) + ".txt", Text(7u << 20, i + 1));
  for (int i = 0; i < 10; ++i) add("prog" + std::to_string(i) + ".dll", Binary(7u << 20, i + 1));
  for (int i = 0; i < 8; ++i) add("pack" + std::to_string(i) + ".zip", Noise(7u << 20, i + 1));
  std::string project = "[Settings]\r\nOutput=out.exe\r\nQuiet=1\r\n[Files]\r\n";
  for (size_t i = 0; i < files.size(); ++i)
    project += "File" + std::to_string(i + 1) + "=src\\" + files[i].filename().string() + "\r\n";
  WriteBytes(dir / "p.tkp", project);
  WriteBytes(dir / "Stub1.dat", Stub());

  // Alternate the two, twice, and keep each one's best time.
  double bare = 1e9, run = 1e9;
  uint64_t written = 0;
  for (int round = 0; round < 2; ++round) {
    bare = std::min(bare, BareLoop(files, dir / "bare.dat", &written));
    fs::remove(dir / "bare.dat");
    run = std::min(run, CompilerRun(dir / "p.tkp", dir / "Stub1.dat", dir / "tmp"));
  }
  double mb = static_cast<double>(total) / 1e6;
  std::printf("payload: %zu files, %.0f MB (text, binaries, already compressed); data part %.0f MB\n",
              files.size(), mb, static_cast<double>(written) / 1e6);
  std::printf("bare deflate loop: %.2f s (%.1f MB/s)\n", bare, mb / bare);
  std::printf("whole compile run: %.2f s (%.1f MB/s)\n", run, mb / run);
  std::printf("ratio run/bare: %.3f (target <= 1.05)\n", run / bare);
  return 0;
}
