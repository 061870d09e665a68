// Shared pieces of the compiler's benchmarks: a scratch folder, payload
// generators, a silent observer and a clock.
#pragma once

#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>

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
  std::string pool;
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
