// Peak resident memory of a compile (kestro-compiler in a child process,
// with the default number of jobs: one per core) for a 16 MiB and a 1 GiB
// source file, against the program compiling a project without files.
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/wait.h>

#include "bench_util.h"

namespace {

using namespace bench;

// Runs kestro-compiler on the project; returns its peak resident set in KiB.
long PeakKiB(const fs::path& project, const fs::path& stub, const fs::path& temp) {
  pid_t pid = fork();
  if (pid == 0) {
    int null = open("/dev/null", O_WRONLY);
    dup2(null, 2);
    setenv("TMPDIR", temp.c_str(), 1);
    execl(KESTRO_COMPILER, KESTRO_COMPILER, "--yes", "--stub", stub.c_str(), project.c_str(), (char*)nullptr);
    _exit(127);
  }
  int status = 0;
  rusage usage{};
  wait4(pid, &status, 0, &usage);
  if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
    std::fprintf(stderr, "kestro-compiler failed (status %d)\n", status);
    std::exit(1);
  }
  return usage.ru_maxrss;
}

}  // namespace

int main() {
  Scratch scratch("bench_compiler_memory");
  const fs::path& dir = scratch.path();
  fs::create_directories(dir / "tmp");
  WriteBytes(dir / "Stub1.dat", Stub());
  struct Size {
    const char* name;
    uint64_t bytes;
  } sizes[] = {{"empty", 0}, {"16 MiB", 16ull << 20}, {"1 GiB", 1ull << 30}};
  long base_kib = 0;
  for (const Size& s : sizes) {
    fs::path src = dir / "source.bin";
    // Text in the first 16 MiB, then zeros (sparse: no disk space, fast to
    // deflate); the memory a compile needs must not depend on either. The
    // text is written in small pieces: the child's peak counts what this
    // process holds when it forks.
    {
      std::ofstream f(src, std::ios::binary | std::ios::trunc);
      for (uint64_t at = 0; at < std::min<uint64_t>(s.bytes, 16ull << 20); at += 1 << 20) {
        std::string piece = Text(1 << 20, static_cast<uint32_t>(at >> 20) + 3);
        f.write(piece.data(), static_cast<std::streamsize>(piece.size()));
      }
    }
    if (s.bytes > (16ull << 20)) fs::resize_file(src, s.bytes);
    WriteBytes(dir / "p.tkp", "[Settings]\r\nOutput=out.exe\r\n[Files]\r\nFile1=source.bin\r\n");
    auto start = std::chrono::steady_clock::now();
    long kib = PeakKiB(dir / "p.tkp", dir / "Stub1.dat", dir / "tmp");
    double secs = Seconds(start);
    if (s.bytes == 0) {
      base_kib = kib;
      std::printf("peak RSS, project without files: %.1f MiB (the program itself)\n", kib / 1024.0);
      continue;
    }
    std::printf(
        "peak RSS, %s source, default jobs: %.1f MiB, %.2f x the program itself (%.1f s; target < 32 MiB)\n",
        s.name, kib / 1024.0, static_cast<double>(kib) / static_cast<double>(base_kib), secs);
    fs::remove(src);
    fs::remove(dir / "out.exe");
  }
  return 0;
}
