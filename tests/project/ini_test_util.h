// Small file helpers for the INI tests.
#pragma once

#include <cstdio>
#include <random>
#include <string>

#include "common/os.h"

namespace kestro::project::testing {

// Bytes of a literal that may hold NULs.
template <size_t N>
std::string Bytes(const char (&s)[N]) {
  return std::string(s, N - 1);
}

inline std::string ReadBytes(const std::string& path) {
  std::FILE* f = std::fopen(os::HostPath(path).c_str(), "rb");
  if (!f) return "<missing>";
  std::string s;
  char buf[4096];
  size_t n;
  while ((n = std::fread(buf, 1, sizeof buf, f)) > 0) s.append(buf, n);
  std::fclose(f);
  return s;
}

inline void WriteBytes(const std::string& path, const std::string& bytes) {
  std::FILE* f = std::fopen(os::HostPath(path).c_str(), "wb");
  if (!f) return;
  std::fwrite(bytes.data(), 1, bytes.size(), f);
  std::fclose(f);
}

// A fresh folder under the temporary folder, removed with its files at the end.
class TempDir {
 public:
  explicit TempDir(const std::string& name) {
    path_ = os::TempFolder() + "kestro_" + name + "_" + std::to_string(std::random_device{}()) + "_" +
            std::to_string(Counter()++);
    Clean();
    os::CreateDir(path_);
  }
  ~TempDir() { Clean(); }
  std::string File(const std::string& name) const { return path_ + "\\" + name; }
  const std::string& path() const { return path_; }

 private:
  static int& Counter() {
    static int n = 0;
    return n;
  }
  void Clean() {
    for (const std::string& f : os::ListFiles(path_)) os::RemoveFile(path_ + "\\" + f);
    os::RemoveDir(path_);
  }
  std::string path_;
};

}  // namespace kestro::project::testing
