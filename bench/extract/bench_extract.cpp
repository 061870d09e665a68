// Extraction throughput (the code kestro-extract runs: checks, inflate,
// write under temporary names, times, rename) against a bare inflate loop
// over the same streams read from the same file. Prints the ratio; the
// target is at least 0.9.
#include <stdio.h>
#include <stdlib.h>
#include <unistd.h>
#include <zlib.h>

#include <algorithm>
#include <chrono>
#include <random>
#include <string>
#include <vector>

#include "stub/archive.h"
#include "tests/stub/output_builder.h"

using namespace kestro;
using namespace kestro::format;
using namespace kestro::stub;
using Clock = std::chrono::steady_clock;

namespace {

// Text-like data (compresses about 3:1) and random data (does not compress).
std::string TextLike(size_t n, unsigned seed) {
  static const char* const kWords[] = {"extract ", "setup ",    "Kestro ", "folder ", "file ",
                                       "the ",     "and ",      "stream ", "zlib ",   "window ",
                                       "\r\n",     "password ", "0123 ",   "data "};
  std::mt19937 g(seed);
  std::string s;
  s.reserve(n);
  while (s.size() < n) {
    if (g() % 4 == 0) s += static_cast<char>('a' + g() % 26);
    s += kWords[g() % (sizeof kWords / sizeof *kWords)];
  }
  s.resize(n);
  return s;
}

std::string Random(size_t n, unsigned seed) {
  std::mt19937 g(seed);
  std::string s(n, '\0');
  for (char& c : s) c = static_cast<char>(g());
  return s;
}

// The baseline: read each stream in the same block size and inflate it into
// a buffer that is thrown away.
double BareInflate(const std::string& path, const Archive& a) {
  const size_t kBlock = 256 * 1024;
  std::vector<uint8_t> in(kBlock), out(kBlock);
  FILE* f = fopen(path.c_str(), "rb");
  auto start = Clock::now();
  uint64_t total = 0;
  for (size_t i = 0; i < a.settings.file_count; ++i) {
    const FileEntry& e = a.files[i];
    fseek(f, static_cast<long>(a.header.data_offset + e.offset + 4), SEEK_SET);
    z_stream z{};
    inflateInit(&z);
    uint64_t left = e.packed_size;
    int r = Z_OK;
    while (r != Z_STREAM_END) {
      if (z.avail_in == 0) {
        size_t n = fread(in.data(), 1, std::min<uint64_t>(left, kBlock), f);
        left -= n;
        z.next_in = in.data();
        z.avail_in = static_cast<uInt>(n);
      }
      z.next_out = out.data();
      z.avail_out = kBlock;
      r = inflate(&z, Z_NO_FLUSH);
      if (r != Z_OK && r != Z_STREAM_END) abort();
    }
    total += z.total_out;
    inflateEnd(&z);
  }
  fclose(f);
  double s = std::chrono::duration<double>(Clock::now() - start).count();
  if (total != TotalSize(a)) abort();
  return s;
}

double Extract(Archive& a, const std::string& dir) {
  std::string target = dir + "/target";
  auto start = Clock::now();
  if (!MakeDirs(target.c_str())) abort();
  Message msg;
  if (ExtractAll(a, target.c_str(), ExtractOptions(), &msg) != kExitOk) {
    fprintf(stderr, "%s\n", msg.text);
    abort();
  }
  double s = std::chrono::duration<double>(Clock::now() - start).count();
  RemoveTree(target.c_str());
  sync();  // the file system's work for the removal stays out of the next round
  return s;
}

}  // namespace

int main() {
  char tmpl[] = "/tmp/kxbenchXXXXXX";
  if (!mkdtemp(tmpl)) return 1;
  std::string dir = tmpl;
  testing::OutputPlan plan;
  plan.settings = testing::QuietSettings();
  for (int i = 0; i < 6; ++i)
    plan.files.push_back({"%a\\text" + std::to_string(i) + ".txt", TextLike(12 << 20, i)});
  for (int i = 0; i < 2; ++i)
    plan.files.push_back({"%a\\random" + std::to_string(i) + ".bin", Random(8 << 20, 100 + i)});
  std::string path = dir + "/bench.exe";
  testing::WriteAll(path, testing::BuildOutput(testing::FakeStub(), plan));

  Archive a;
  Message msg;
  if (OpenArchive(path.c_str(), kMarker, &a, &msg) != kExitOk) {
    fprintf(stderr, "%s\n", msg.text);
    return 1;
  }
  double mb = TotalSize(a) / 1048576.0;
  // Best of several rounds, alternating, after one warm-up of each.
  BareInflate(path, a);
  Extract(a, dir);
  double bare = 1e9, extract = 1e9;
  for (int round = 0; round < 5; ++round) {
    bare = std::min(bare, BareInflate(path, a));
    extract = std::min(extract, Extract(a, dir));
  }
  CloseArchive(&a);
  RemoveTree(dir.c_str());
  printf("extract: %.0f MB of output, 8 files\n", mb);
  printf("  bare inflate loop:        %7.1f MB/s\n", mb / bare);
  printf("  extraction (kestro-extract): %7.1f MB/s\n", mb / extract);
  printf("  ratio extraction / bare inflate: %.2f (target >= 0.90)\n", bare / extract);
  return 0;
}
