// Shared pieces of the compiler's benchmarks: a scratch folder, payload
// generators, a silent observer and a clock.
#pragma once

#include <sys/stat.h>
#include <unistd.h>
#include <zlib.h>

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "compiler/engine.h"

namespace bench {

namespace fs = std::filesystem;

// A folder under TMPDIR (or /tmp), removed at the end.
class Scratch {
 public:
  explicit Scratch(const char* name) {
    const char* t = std::getenv("TMPDIR");
    path_ = fs::path(t && *t ? t : "/tmp") / (std::string(name) + "." + std::to_string(getpid()));
    fs::remove_all(path_);
    fs::create_directories(path_);
  }
  ~Scratch() {
    std::error_code ec;
    fs::remove_all(path_, ec);
  }
  const fs::path& path() const { return path_; }

 private:
  fs::path path_;
};

inline void WriteBytes(const fs::path& p, const std::string& bytes) {
  std::ofstream f(p, std::ios::binary | std::ios::trunc);
  f.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

// xorshift noise: does not compress (stands for already-compressed files).
inline std::string Noise(size_t n, uint32_t seed) {
  std::string s(n, '\0');
  uint32_t x = seed | 1;
  for (size_t i = 0; i + 4 <= n; i += 4) {
    x ^= x << 13, x ^= x >> 17, x ^= x << 5;
    memcpy(&s[i], &x, 4);
  }
  return s;
}

// Log-like text with varying numbers and words.
inline std::string Text(size_t n, uint32_t seed) {
  static const char* words[] = {"kestrel", "falcon", "update",  "request", "the",   "value", "error",
                                "window",  "file",   "compile", "extract", "setup", "of",    "and"};
  std::string s;
  s.reserve(n + 100);
  uint32_t x = seed | 1;
  while (s.size() < n) {
    x ^= x << 13, x ^= x >> 17, x ^= x << 5;
    s += std::to_string(x % 100000) + " ";
    for (int w = 0; w < 8; ++w) s += std::string(words[(x >> (w * 3)) % 14]) + " ";
    s += "\r\n";
  }
  s.resize(n);
  return s;
}

// Machine-code-like bytes: this host's own programs and libraries, repeated
// and varied, as the "binaries" of a payload.
inline std::string Binary(size_t n, uint32_t seed) {
  static std::string pool;  // read once per benchmark
  if (pool.empty())
    for (const char* dir : {"/usr/bin", "/usr/lib/x86_64-linux-gnu"}) {
      std::error_code ec;
      for (auto& e : fs::directory_iterator(dir, ec)) {
        if (pool.size() > (32u << 20)) break;
        if (!e.is_regular_file(ec) || e.file_size(ec) < 65536 || e.file_size(ec) > (8u << 20)) continue;
        std::ifstream f(e.path(), std::ios::binary);
        pool.append(std::istreambuf_iterator<char>(f), {});
      }
    }
  if (pool.empty()) pool = Text(1 << 20, seed) + Noise(1 << 20, seed);
  std::string s;
  s.reserve(n);
  size_t at = (seed * 7919u) % pool.size();
  while (s.size() < n) {
    size_t k = std::min(n - s.size(), pool.size() - at);
    s.append(pool, at, k);
    at = 0;
  }
  return s;
}

class Silent : public kestro::compiler::Observer {
 public:
  void Status(const std::string&) override {}
  void Info(const std::string&) override {}
  void Progress(int, int) override {}
  void Percentage(const std::string&) override {}
  bool Checkpoint() override { return false; }
  bool AskOverwrite(const std::string&, const std::string&) override { return true; }
  void Notice(kestro::compiler::NoticeKind, const std::string& text, const std::string&) override {
    std::fprintf(stderr, "notice: %s\n", text.c_str());
  }
  void ReportFailure(const std::string& report, const std::string&) override {
    std::fprintf(stderr, "FAILED: %s\n", report.c_str());
    std::exit(1);
  }
};

inline double Seconds(std::chrono::steady_clock::time_point since) {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - since).count();
}

// The baseline: per file the stream magic and one zlib stream (level 7,
// window 15, memory level 8, default strategy, a partial flush after each
// 16384-byte block, finish at the end), appended to one data file: the
// compression a compile cannot do without, on one thread. Returns seconds.
inline double BareLoop(const std::vector<fs::path>& files, const fs::path& out_path, uint64_t* written) {
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
  double s = Seconds(start);
  fs::remove(out_path);
  return s;
}

// One whole compile run in this process; jobs as kestro-compiler -j (0:
// one per core). Returns seconds; ends the benchmark if the run failed.
inline double CompilerRun(const fs::path& project, const fs::path& stub, const fs::path& temp, int jobs) {
  Silent silent;
  kestro::compiler::RunOptions options;
  options.stub_path = stub.string();
  options.temp_folder = temp.string() + "/";
  options.jobs = jobs;
  auto start = std::chrono::steady_clock::now();
  kestro::compiler::RunResult r = kestro::compiler::Run({project.string()}, options, silent);
  double s = Seconds(start);
  if (r.ending != kestro::compiler::Ending::kCompleted || !r.delivered) {
    std::fprintf(stderr, "the compile did not complete\n");
    std::exit(1);
  }
  return s;
}

// A project with the files (paths relative to dir) and Output=output.
inline fs::path WriteProject(const fs::path& dir, const std::string& name, const std::vector<fs::path>& files,
                             const std::string& output) {
  std::string p = "[Settings]\r\nOutput=" + output + "\r\nQuiet=1\r\n[Files]\r\n";
  for (size_t i = 0; i < files.size(); ++i)
    p += "File" + std::to_string(i + 1) + "=" + fs::relative(files[i], dir).string() + "\r\n";
  fs::path path = dir / name;
  WriteBytes(path, p);
  return path;
}

// A stub for the benchmarks: some bytes, the marker, some more.
inline std::string Stub() {
  return std::string(60000, 'S') +
         std::string(
             "eLgNiS\x12\x34"
             "C!\x12\x34",
             12) +
         std::string(20000, 'T');
}

}  // namespace bench
