// The compiler engine: one project file in, one self-extracting file out.
// No window code: the engine talks to its front-end (the progress window of
// Compiler.exe, the console of kestro-compiler) only through Observer.
// Texts handed to the observer are Windows-1252 bytes.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace kestro::compiler {

// How a run ended.
enum class Ending {
  kHelp,       // no existing project file: the help notice was shown, nothing written
  kStopped,    // parameter 3 names no folder: the error notice was shown, no compile
  kCompleted,  // every stage ran (see RunResult::delivered for the delivery itself)
  kDeclined,   // "File exists" answered No: nothing built, output touched
  kCancelled,  // a confirmed cancel was found at a checkpoint
  kFailed,     // an error ended the run; the two-box report was shown
};

// The notices the run shows; each carries its exact text and caption.
enum class NoticeKind {
  kHelp,                 // the help text; caption "tessaron Kestro Compiler", information icon, OK
  kSourceFolderMissing,  // parameter 3 is no folder; caption "Error", error icon, OK
  kDeliveryFailed,       // "(E01a) ..."; caption "Error", error icon, OK
};

class Observer {
 public:
  virtual ~Observer() = default;

  // The status bar's text. The front-end shows it at once (repaint).
  virtual void Status(const std::string& text) = 0;
  // The information label: "Outputfile: <path>\r\nProjectfile: <path>".
  virtual void Info(const std::string& text) = 0;
  // The progress bar: position and maximum (maximum 100 until the run sets it).
  virtual void Progress(int position, int maximum) = 0;
  // The percentage label, e.g. "42%".
  virtual void Percentage(const std::string& text) = 0;
  // A checkpoint: handle pending input (the Cancel button and its question).
  // Returns true when a cancel has been confirmed; the run then ends at once.
  virtual bool Checkpoint() = 0;
  // The "File exists" question (question icon, Yes/No). Returns true for Yes.
  virtual bool AskOverwrite(const std::string& text, const std::string& caption) = 0;
  // A notice with one OK button; the icon follows from the kind.
  virtual void Notice(NoticeKind kind, const std::string& text, const std::string& caption) = 0;
  // The failure report of two boxes:
  //   1. report: the error's message followed by a period; caption
  //      kReportCaption ("Compiler"), stop icon, OK;
  //   2. fatal: kFatalText; caption kFatalCaption ("Fehler"), the modal box
  //      of kind 2 (warning icon), OK.
  virtual void ReportFailure(const std::string& report, const std::string& fatal) = 0;
};

// Where the run finds its stub and its temporary folder.
struct RunOptions {
  // Full path of Stub1.dat. Compiler.exe: its own folder + "Stub1.dat".
  std::string stub_path;
  // The temporary folder with a trailing separator; empty: os::TempFolder()
  // (Windows: TMP, TEMP, the Windows folder; POSIX: TMPDIR, else /tmp).
  std::string temp_folder;
  // Threads that compress the source files: 0 one per core, 1 none besides
  // the run's own. The output is the same for every number.
  int jobs = 0;
  // Bytes of compressed streams that may wait for their turn to be written
  // while the run is at an earlier file; 0: the default (8 MiB).
  size_t stream_budget = 0;
  // false (Compiler.exe): the work folder is "kestrocmp.tmp" in the
  // temporary folder, made if missing and used as found. true
  // (kestro-compiler): a new private folder for this run alone, its files
  // created as new files only, and the folder removed when the run ends,
  // however it ends; parallel runs then never meet.
  bool private_work_folder = false;
};

// The number of cores, at least 1.
int DefaultJobs();

struct RunResult {
  Ending ending = Ending::kFailed;
  // Completed only: whether the output was delivered (false after "(E01a)").
  bool delivered = false;
  // Failed only: the error's message, without the report's period.
  std::string error;
  // The output path the run used ([Settings] Output), once it was read.
  std::string output_path;
  // Completed only: file entries (the built-in one included), their bytes
  // before and after compression, and the finished file's length.
  int files = 0;
  uint64_t source_bytes = 0, packed_bytes = 0, output_bytes = 0;
};

// The command-line parameters (without the program's name): parameter 1 the
// project file, 2 a new output path, 3 a new source folder; further ones
// are ignored. Runs the window-shown steps, then the compile stages.
RunResult Run(const std::vector<std::string>& params, const RunOptions& options, Observer& observer);

// Splits a raw command line (as the system hands it over, the program's name
// first) into the parameters after the program's name: blanks are codes up
// to 32, a double quote opens a run that ends at the next quote or the end,
// quotes are removed, and an empty pair of quotes where a parameter would
// begin forms no parameter. Parameters of any length are taken whole.
std::vector<std::string> SplitCommandLine(const std::string& raw);

// The help text (CR LF line ends) and the fixed texts of the run.
std::string HelpText();
extern const char kHelpCaption[];     // "tessaron Kestro Compiler"
extern const char kReportCaption[];   // "Compiler"
extern const char kFatalCaption[];    // "Fehler"
extern const char kFatalText[];       // "A FATAL error occured. ..."
extern const char kCancelQuestion[];  // "Are you sure you wish to stop ..."
extern const char kCancelCaption[];   // "Cancel Process?"

}  // namespace kestro::compiler
