// kestro-compiler [--yes] [--stub FILE] [-j N] PROJECT [OUTPUT [SOURCEDIR]]
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#ifdef _WIN32
#include <io.h>
#include <windows.h>
#define isatty _isatty
#define fileno _fileno
#else
#include <unistd.h>
#endif

#include "common/os.h"
#include "common/paths.h"
#include "compiler/cli/console_observer.h"
#include "compiler/engine.h"

namespace {

using namespace kestro;
using namespace kestro::compiler;

enum ExitCode { kExitOk = 0, kExitFailed = 1, kExitUsage = 2, kExitDeclined = 3, kExitCancelled = 130 };

const char kUsage[] =
    "Usage: kestro-compiler [--yes] [--stub FILE] [-j N] PROJECT [OUTPUT [SOURCEDIR]]\n"
    "\n"
    "  PROJECT      the project file (.tkp) to compile\n"
    "  OUTPUT       a new output path, written into the project as its Output\n"
    "  SOURCEDIR    a folder whose files replace the project's file list\n"
    "  --yes        overwrite an existing output file without asking\n"
    "  --stub FILE  the extractor stub (default: Stub1.dat beside this program)\n"
    "  -j, --jobs N compress on N threads (default: one per core; 1: none besides\n"
    "               the main one); the output is the same for every N\n"
    "  --help       this text;  --version  the version\n"
    "\n"
    "Exit codes: 0 built, 1 failed or not delivered, 2 usage, 3 declined, 130 cancelled.\n"
    "\n";

void PrintHelp(FILE* to) {
  std::fputs(kUsage, to);
  std::fprintf(to, "%s\n", cli::ConsoleText(HelpText()).c_str());
}

// A number of jobs from 1 to kMaxJobs; 0 when the text is none.
constexpr int kMaxJobs = 1024;
int ParseJobs(const std::string& text) {
  if (text.empty() || text.size() > 4) return 0;
  int n = 0;
  for (char c : text) {
    if (c < '0' || c > '9') return 0;
    n = n * 10 + (c - '0');
  }
  return n <= kMaxJobs ? n : 0;
}

#ifdef _WIN32
bool SamePart(const std::string& a, const std::string& b) { return _stricmp(a.c_str(), b.c_str()) == 0; }
#else
bool SamePart(const std::string& a, const std::string& b) { return a == b; }
#endif

// The parts of an absolute path, "." and ".." resolved; the first part is
// the root ("" for "/", "C:" for "C:\").
std::vector<std::string> Parts(const std::string& path) {
  std::vector<std::string> parts;
  std::string part;
  for (size_t i = 0; i <= path.size(); ++i) {
    if (i < path.size() && path[i] != '/' && path[i] != '\\') {
      part += path[i];
      continue;
    }
    if (parts.empty()) {
      parts.push_back(part);  // the root
    } else if (part == "..") {
      if (parts.size() > 1) parts.pop_back();
    } else if (!part.empty() && part != ".") {
      parts.push_back(part);
    }
    part.clear();
  }
  return parts;
}

std::string Join(const std::vector<std::string>& parts, size_t from) {
  std::string s;
  for (size_t i = from; i < parts.size(); ++i) s += (i > from ? "\\" : "") + parts[i];
  return s;
}

// A path given on the command line, taken from the caller's folder and
// written with backslashes, the way a project stores paths. A relative path
// that lies below the project's folder, or below the folder that holds it,
// is written relative to the project's folder ("built\out.exe",
// "..\pool"), so that the project opens on every machine; an absolute one
// stays absolute.
std::string ProjectPath(const std::string& p, const std::string& project) {
  if (IsAbsolutePath(p)) {
    std::string full = p;
    for (char& c : full)
      if (c == '/') c = '\\';
    return full;
  }
  std::vector<std::string> target = Parts(os::FullPath(p));
  std::vector<std::string> base = Parts(IsAbsolutePath(project) ? project : os::FullPath(project));
  base.pop_back();  // the project file's name
  for (size_t up = 0; up <= 1 && up + 1 < base.size(); ++up) {
    size_t n = base.size() - up;
    if (target.size() < n) continue;
    bool below = true;
    for (size_t i = 0; i < n && below; ++i) below = SamePart(base[i], target[i]);
    if (!below) continue;
    if (target.size() == n) return up ? ".." : ".";
    return (up ? "..\\" : "") + Join(target, n);
  }
  return Join(target, 0);
}

// --stub, else Stub1.dat beside the program, else (installed Linux build)
// ../share/kestro/Stub1.dat relative to the program.
std::string FindStub(const std::string& option) {
  if (!option.empty()) return IsAbsolutePath(option) ? option : os::FullPath(option);
  std::string dir = ExtractFilePath(os::ModulePath());
  std::string beside = dir + "Stub1.dat";
#ifndef _WIN32
  std::string shared = dir + "../share/kestro/Stub1.dat";
  if (!os::FileExists(beside) && os::FileExists(shared)) return shared;
#endif
  return beside;
}

}  // namespace

int main(int argc, char** argv) {
#ifdef _WIN32
  SetConsoleOutputCP(CP_UTF8);
#endif
  bool yes = false;
  int jobs = 0;
  std::string stub;
  std::vector<std::string> params;
  bool options_done = false;
  // Paths arrive in the host's encoding; a project holds Windows-1252.
  std::vector<std::string> args = os::Arguments(argc, argv);
  for (size_t i = 0; i < args.size(); ++i) {
    std::string a = args[i];
    if (options_done || a.empty() || a[0] != '-' || a == "-") {
      params.push_back(a);
    } else if (a == "--") {
      options_done = true;
    } else if (a == "--yes" || a == "-y") {
      yes = true;
    } else if (a == "--stub" && i + 1 < args.size()) {
      stub = args[++i];
    } else if (a.rfind("--stub=", 0) == 0) {
      stub = a.substr(7);
    } else if (a == "-j" || a == "--jobs" || a.rfind("--jobs=", 0) == 0 ||
               (a.rfind("-j", 0) == 0 && a.size() > 2)) {
      std::string value;
      if (a == "-j" || a == "--jobs")
        value = i + 1 < args.size() ? args[++i] : "";
      else
        value = a.substr(a[1] == 'j' ? 2 : 7);
      jobs = ParseJobs(value);
      if (jobs == 0) {
        std::fprintf(stderr, "kestro-compiler: %s needs a number of jobs from 1 to %d, not \"%s\"\n",
                     a[1] == 'j' ? "-j" : "--jobs", kMaxJobs, value.c_str());
        return kExitUsage;
      }
    } else if (a == "--help" || a == "-h") {
      PrintHelp(stdout);
      return kExitOk;
    } else if (a == "--version") {
      std::printf("%s\n", KESTRO_VERSION_LINE);
      return kExitOk;
    } else {
      std::fprintf(stderr, "kestro-compiler: unknown option %s\n\n", a.c_str());
      PrintHelp(stderr);
      return kExitUsage;
    }
  }
  if (params.empty()) {
    std::fputs(kUsage, stdout);  // the engine adds the help text
  } else if (!os::FileExists(params[0])) {
    std::fprintf(stderr, "kestro-compiler: no project file %s\nTry 'kestro-compiler --help'.\n",
                 params[0].c_str());
    return kExitUsage;
  }
  for (size_t i = 1; i < params.size() && i < 3; ++i)
    if (!params[i].empty()) params[i] = ProjectPath(params[i], params[0]);

  RunOptions options;
  options.stub_path = FindStub(stub);
  options.jobs = jobs;
  options.private_work_folder = true;
  bool terminal = isatty(fileno(stderr)) != 0;
  bool interactive = terminal && isatty(fileno(stdin)) != 0;
  cli::InstallInterruptHandler();
  cli::ConsoleObserver observer(yes, terminal, interactive);
  RunResult result = Run(params, options, observer);
  observer.Finish();

  if (result.ending == Ending::kCompleted && result.delivered) {
    double ratio = result.source_bytes ? 100.0 * static_cast<double>(result.packed_bytes) /
                                             static_cast<double>(result.source_bytes)
                                       : 100.0;
    std::fprintf(stderr, "Built %s: %d entries, %llu bytes packed into %llu (%.1f%%), %llu bytes in all\n",
                 cli::ConsoleText(result.output_path).c_str(), result.files,
                 static_cast<unsigned long long>(result.source_bytes),
                 static_cast<unsigned long long>(result.packed_bytes), ratio,
                 static_cast<unsigned long long>(result.output_bytes));
  }
  switch (result.ending) {
    case Ending::kHelp: return kExitUsage;
    case Ending::kStopped: return kExitFailed;
    case Ending::kCompleted: return result.delivered ? kExitOk : kExitFailed;
    case Ending::kDeclined: return cli::g_interrupted ? kExitCancelled : kExitDeclined;
    case Ending::kCancelled: return kExitCancelled;
    case Ending::kFailed: return kExitFailed;
  }
  return kExitFailed;
}
