// One run of the compiler: the preparations when the window is shown, then
// the compile stages 1 to 15.
#include <algorithm>
#include <memory>
#include <thread>

#include "common/errors.h"
#include "common/os.h"
#include "common/paths.h"
#include "common/text.h"
#include "compiler/engine.h"
#include "compiler/engine/assembly.h"
#include "compiler/engine/packer.h"
#include "compiler/engine/run_state.h"
#include "compiler/engine/script.h"
#include "project/ini_file.h"
#include "project/keys.h"

namespace kestro::compiler {
namespace {

const char kSourceFolderMissingText[] =
    "You have specified a new Source Files Folder but this does not exist.\r\n"
    "To get more help, run COMPILER.EXE without any parameter.";
const char kFileExistsText[] =
    "Kestro cannot create a self-extracting because the destination file exists.\r\n\r\n"
    "Should Kestro overwrite this file?\r\n\r\n"
    "Choose Yes, to delete this file and continue with the compilation or choose No to stop the compilation "
    "and "
    "return to the wizard WITHOUT having created the self-extracting file.";
const char kDeliveryFailedText[] =
    "(E01a) File could not be created (probably disk full or file is opened).\r\n\r\n"
    "If this keeps happening, please contact support@tessaron.example.";

// password.val carries a fixed time, so that the same project gives the same
// bytes on every run: 2000-01-01 00:00:00 in DOS format.
constexpr uint32_t kPasswordValTime = ((20u << 9 | 1u << 5 | 1u) << 16);
// The code of a folder that cannot be removed because it is not empty.
constexpr int kDirNotEmpty = 145;

// Creates one folder level if it is missing; returns the creation's error
// code, or 0.
int EnsureDir(const std::string& dir) {
  if (dir.empty() || DirExists(dir)) return 0;
  return os::CreateDir(RemoveBackslash(dir));
}

// Restores the process's current folder when the run ends.
class CurrentDirGuard {
 public:
  CurrentDirGuard() : saved_(os::CurrentDir()) {}
  ~CurrentDirGuard() {
    if (!saved_.empty()) os::SetCurrentDir(saved_);
  }

 private:
  std::string saved_;
};

// Removes a private work folder, with whatever is left in it, when the run
// ends: no one else can use it.
class PrivateFolderGuard {
 public:
  explicit PrivateFolderGuard(std::string folder) : folder_(std::move(folder)) {}
  ~PrivateFolderGuard() {
    if (!folder_.empty()) os::RemoveTree(folder_);
  }

 private:
  std::string folder_;
};

// Stage 14: password.val removed, an existing output's times set to now.
void FinalCleanUp(const WorkPaths& paths, const std::string& output) {
  os::RemoveFile(paths.password_val);
  if (os::FileExists(output)) os::SetFileDosDateTime(output, os::CurrentDosDateTime());
}

// The files of a new source folder in the order the file system returns
// them. POSIX file systems return an arbitrary (hash) order, so there the
// names are put in the order NTFS returns them (upper-cased, then by byte):
// one folder then gives the same list, and the same output, on every host.
std::vector<std::string> FolderOrder(std::vector<std::string> names) {
#ifndef _WIN32
  std::sort(names.begin(), names.end(), [](const std::string& a, const std::string& b) {
    std::string ua = UpperAscii(a), ub = UpperAscii(b);
    return ua != ub ? ua < ub : a < b;
  });
#endif
  return names;
}

// SOURCE_DATE_EPOCH: -1 when unset or empty, the seconds when it is a
// number; anything else stops the run before anything is written.
int64_t SourceDateEpoch() {
  std::string v = os::GetEnv("SOURCE_DATE_EPOCH");
  if (v.empty()) return -1;
  bool digits = v.size() <= 18;
  for (char c : v) digits = digits && c >= '0' && c <= '9';
  if (!digits)
    throw Error("The environment variable SOURCE_DATE_EPOCH is \"" + v +
                "\", not a number of seconds since 1970-01-01 00:00:00 UTC");
  return std::stoll(v);
}

struct Prepared {
  std::string project;        // reachable after the current folder changed
  std::string project_param;  // parameter 1 as given, for the window
  std::string stub;
  WorkPaths paths;
  int pending_error = 0;
  PackOptions pack;
  int64_t source_date_epoch = -1;
};

// The compile stages 1 to 14; stage 15 (releasing the reader and the lists)
// happens when they go out of scope.
void Compile(const Prepared& prep, RunState& run, RunResult& result) {
  const WorkPaths& paths = prep.paths;
  // 1-2: the settings record, the quiet flag and the output path.
  run.Status("Reading Projectfile...");
  Script script;
  script.source_date_epoch = prep.source_date_epoch;
  project::IniFile ini(prep.project);
  ReadSettings(ini, &script);
  result.output_path = script.output;
  run.observer().Info("Outputfile: " + script.output + "\r\nProjectfile: " + prep.project_param);

  // 3: the overwrite question.
  if (os::FileExists(script.output) && !script.quiet &&
      !run.observer().AskOverwrite(kFileExistsText, "File exists")) {
    FinalCleanUp(paths, script.output);
    result.ending = Ending::kDeclined;
    return;
  }

  // 4-7: the entry sections.
  ReadDirs(ini, &script.dirs);
  run.Checkpoint();
  ReadIcons(ini, &script.icons);
  run.Checkpoint();
  ReadInis(ini, &script.inis);
  run.Checkpoint();
  ReadRegs(ini, &script.regs);
  run.Checkpoint();

  // 8-9: the data part and the settings part.
  BuildDataPart(ini, paths, prep.pending_error, run, &script, prep.pack);
  run.Checkpoint();
  BuildSettingsPart(paths, run, &script);
  run.Checkpoint();

  // 10-11: the stub, the header and both parts. Offsets in the output are
  // 32 bits wide: a file that would not fit stops here, before any copy.
  int64_t stub_size = os::FileSize(prep.stub);
  if (stub_size >= 0 && static_cast<uint64_t>(stub_size) + static_cast<uint64_t>(os::FileSize(paths.setup0)) +
                                static_cast<uint64_t>(os::FileSize(paths.setup1)) >
                            kMaxFormatSize)
    throw Error("The self-extracting file " + script.output +
                " would be 4 GB or larger; its offsets cannot hold that");
  CopyStub(prep.stub, paths.setup_exe, paths.create == os::File::kCreateNew);
  run.Checkpoint();
  run.Status("Adding Header Information...");
  AddHeader(paths.setup_exe, paths.setup0, paths.setup1);

  result.files = static_cast<int>(script.files.size());
  for (const format::FileEntry& e : script.files) {
    result.source_bytes += e.size;
    result.packed_bytes += e.packed_size;
  }
  int64_t built = os::FileSize(paths.setup_exe);
  result.output_bytes = built > 0 ? static_cast<uint64_t>(built) : 0;

  // 12: delivery.
  run.Advance();
  run.Status("Temporary Files created....");
  result.delivered = Deliver(paths.setup_exe, script.output);
  if (result.delivered)
    run.Status("Outputfile created.");
  else
    run.observer().Notice(NoticeKind::kDeliveryFailed, kDeliveryFailedText, "Error");

  // 13: the work files and the work folder.
  os::RemoveFile(paths.setup_exe);
  os::RemoveFile(paths.password_val);
  if (!os::RemoveDir(paths.work_folder)) throw IoError(kDirNotEmpty);
  run.Advance();

  // 14.
  FinalCleanUp(paths, script.output);
  result.ending = Ending::kCompleted;
}

}  // namespace

int DefaultJobs() {
  unsigned n = std::thread::hardware_concurrency();
  return n > 0 ? static_cast<int>(n) : 1;
}

RunResult Run(const std::vector<std::string>& params, const RunOptions& options, Observer& observer) {
  RunResult result;
  if (params.empty() || !os::FileExists(params[0])) {
    observer.Notice(NoticeKind::kHelp, HelpText(), kHelpCaption);
    result.ending = Ending::kHelp;
    return result;
  }
  Prepared prep;
  try {
    prep.source_date_epoch = SourceDateEpoch();
  } catch (const Error& e) {
    result.ending = Ending::kFailed;
    result.error = e.what();
    observer.ReportFailure(result.error + ".", kFatalText);
    return result;
  }
  CurrentDirGuard restore_current_dir;
  // Opened again after the current folder has changed: keep it reachable.
  prep.project = IsAbsolutePath(params[0]) ? params[0] : os::FullPath(params[0]);
  prep.project_param = params[0];
  prep.stub = options.stub_path;
  prep.pack.jobs = options.jobs > 0 ? options.jobs : DefaultJobs();
  if (options.stream_budget > 0) prep.pack.budget = options.stream_budget;
  std::string project_dir = ExtractFileDir(prep.project);
  if (!project_dir.empty()) os::SetCurrentDir(project_dir);

  // The work folder in the temporary folder; failures to create either
  // surface when the data part is created.
  std::string temp = options.temp_folder.empty() ? os::TempFolder() : options.temp_folder;
  WorkPaths& paths = prep.paths;
  prep.pending_error = EnsureDir(temp);
  int code = 0;
  if (options.private_work_folder) {
    paths.work_folder = os::CreatePrivateDir(temp, "kestrocmp-", &code);
    paths.create = os::File::kCreateNew;
    if (paths.work_folder.empty()) paths.work_folder = InFolder(temp, "kestrocmp-XXXXXX");
  } else {
    paths.work_folder = InFolder(temp, "kestrocmp.tmp");
    code = EnsureDir(paths.work_folder);
  }
  if (!prep.pending_error) prep.pending_error = code;
  paths.password_val = InFolder(paths.work_folder, "password.val");
  paths.setup0 = InFolder(paths.work_folder, "SETUP.0");
  paths.setup1 = InFolder(paths.work_folder, "SETUP.1");
  paths.setup_exe = InFolder(paths.work_folder, "SETUP.EXE");
  PrivateFolderGuard remove_private_folder(options.private_work_folder && !code ? paths.work_folder : "");

  // The built-in file; a failure to write it shows when it is packed.
  if (!(options.private_work_folder && code)) {
    if (paths.create == os::File::kCreateNew) {
      try {
        os::File(paths.password_val, os::File::kCreateNew).Close();
      } catch (const IoError&) {
        // Shows when the file is packed.
      }
    }
    project::IniFile password_val(paths.password_val);
    if (password_val.WriteString("epa1", "PasswordValidate", "0"))
      os::SetFileDosDateTime(paths.password_val, kPasswordValTime);
  }

  {
    project::IniFile project(prep.project);
    if (params.size() > 1 && !params[1].empty()) {
      std::string dir = ExtractFileDir(params[1]);
      code = dir.empty() ? 0 : EnsureDir(dir);
      if (!prep.pending_error) prep.pending_error = code;
      project.WriteString(project::kSectionSettings, "Output", params[1]);
    }
    if (params.size() > 2 && !params[2].empty()) {
      const std::string& folder = params[2];
      if (!DirExists(folder)) {
        observer.Notice(NoticeKind::kSourceFolderMissing, kSourceFolderMissingText, "Error");
        result.ending = Ending::kStopped;
        return result;
      }
      project.EraseSection(project::kSectionFiles);
      int n = 0;
      for (const std::string& name : FolderOrder(os::ListFiles(folder)))
        project.WriteString(project::kSectionFiles, "File" + std::to_string(++n),
                            AddBackslash(folder) + name);
      project.WriteString(project::kSectionFiles, project::kNumFilesKey, std::to_string(n));
    }
  }

  RunState run(observer);
  try {
    Compile(prep, run, result);
  } catch (const Cancelled&) {
    result.ending = Ending::kCancelled;
  } catch (const std::exception& e) {
    result.ending = Ending::kFailed;
    result.error = e.what();
    observer.ReportFailure(result.error + ".", kFatalText);
  }
  return result;
}

}  // namespace kestro::compiler
