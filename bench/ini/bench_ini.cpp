// Writes a [Files] section key by key into a new project file and reads it
// back key by key through a fresh IniFile, at 1,000 and at 60,000 keys. The
// figure is the ratio of the time per key: near 1 when the cost grows
// linearly with the number of keys, near 60 if it grew quadratically.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

#include "common/os.h"
#include "project/ini_file.h"

namespace {

using kestro::project::IniFile;
using Clock = std::chrono::steady_clock;

// Seconds for one write-and-read-back of n keys; false on a wrong value.
bool RunOnce(const std::string& path, int n, double* seconds) {
  kestro::os::RemoveFile(path);
  const std::string prefix = "C:\\Users\\author\\Documents\\Setup sources\\file";
  auto start = Clock::now();
  {
    IniFile ini(path);
    ini.WriteString("Kestro", "VersionString", "Version 1.4.2 (Build 88)");
    ini.WriteString("Settings", "Output", "C:\\out\\setup.exe");
    if (!kestro::project::WriteInteger(ini, "Files", "NumFiles", n)) return false;
    for (int i = 1; i <= n; ++i)
      if (!ini.WriteString("Files", "File" + std::to_string(i), prefix + std::to_string(i) + ".dat"))
        return false;
  }
  {
    IniFile ini(path);  // a new reader: parses the file once
    if (kestro::project::ReadInteger(ini, "Files", "NumFiles", 0) != n) return false;
    for (int i = 1; i <= n; ++i)
      if (ini.ReadString("Files", "File" + std::to_string(i), "") != prefix + std::to_string(i) + ".dat")
        return false;
  }
  *seconds = std::chrono::duration<double>(Clock::now() - start).count();
  return true;
}

// Median of several runs.
bool Measure(const std::string& path, int n, int runs, double* seconds) {
  std::vector<double> t;
  for (int r = 0; r < runs; ++r) {
    double s;
    if (!RunOnce(path, n, &s)) return false;
    t.push_back(s);
  }
  std::sort(t.begin(), t.end());
  *seconds = t[t.size() / 2];
  return true;
}

}  // namespace

int main() {
  const std::string dir = kestro::os::TempFolder() + "kestro_bench_ini";
  kestro::os::CreateDir(dir);
  const std::string path = dir + "\\bench.tkp";
  double small = 0, large = 0;
  bool ok = Measure(path, 1000, 21, &small) && Measure(path, 60000, 3, &large);
  kestro::os::RemoveFile(path);
  kestro::os::RemoveDir(dir);
  if (!ok) {
    std::printf("bench_ini: a value read back differs from the one written\n");
    return 1;
  }
  const double per_small = small / 1000 * 1e6, per_large = large / 60000 * 1e6;
  std::printf("INI [Files] written and read back key by key (median of runs)\n");
  std::printf("   1,000 keys: %8.3f s total, %6.2f us per key\n", small, per_small);
  std::printf("  60,000 keys: %8.3f s total, %6.2f us per key\n", large, per_large);
  std::printf("  time per key at 60,000 / at 1,000: %.2f (1 = linear, 60 = quadratic)\n",
              per_large / per_small);
  return 0;
}
