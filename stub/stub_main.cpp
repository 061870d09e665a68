// Stub1.dat: the extractor every output begins with. It reads the settings
// and files the compiler appended to it, asks what the author wants asked,
// extracts, and then either finishes (extract-only mode) or runs the setup
// program, waits for it and removes the extracted files (run mode).
// <windows.h> first, the other system headers build on it.
// clang-format off
#include <windows.h>
#include <commctrl.h>
#include <string.h>
// clang-format on

#include "stub/archive.h"
#include "stub/stub_dialogs.h"
#include "stub/switches.h"
#include "stub/win32_actions.h"

using namespace kestro::stub;
using namespace kestro::format;

// The compiler finds these bytes (the marker and room behind it) and writes
// the header over them: the only place the marker occurs in this program.
extern "C" {
__attribute__((used)) volatile unsigned char g_setup_header[32] = {
    0x65, 0x4C, 0x67, 0x4E, 0x69, 0x53, 0x12, 0x34, 0x43, 0x21, 0x12, 0x34, 0, 0, 0, 0};
}

namespace {

Archive g_archive;

const char* const kHelp =
    "Switches:\r\n\r\n"
    "/S\tsilent: no licence, question, progress or closing message\r\n"
    "/K\tkeep existing files that differ (otherwise asked; replaced with /S)\r\n"
    "/D=FOLDER\textract into FOLDER (the last switch; may hold blanks)\r\n"
    "/P=PASSWORD\tthe password, when the file asks for one\r\n"
    "/T\ttest every file, write nothing\r\n"
    "/?\tthis list\r\n\r\n"
    "Exit codes: 0 done, 1 cancelled, 2 damaged file, 3 wrong or missing password,\r\n"
    "4 cannot write, 5 the setup program cannot be started; in run mode otherwise\r\n"
    "the setup program's own exit code.";

void JoinPath(char* out, size_t n, const char* folder, const PStr<255>& name) {
  char leaf[256];
  name.CopyTo(leaf);
  size_t f = strlen(folder);
  CopyCut(out, n, folder, f);
  if (f + 1 + name.len < n) {
    out[f] = '\\';
    memcpy(out + f + 1, leaf, name.len + 1);
  }
}

void RemoveWithRetries(const char* folder) {
  // A program that just ended may still hold its files for a moment.
  for (int attempt = 0; attempt < 40; ++attempt) {
    if (RemoveTree(folder)) return;
    Sleep(250);
  }
}

void LoadSystemDllsOnlyFromSystem32() {
  typedef BOOL(WINAPI * SetDirs)(DWORD);
  HMODULE k = GetModuleHandleA("kernel32.dll");
  SetDirs set =
      k ? reinterpret_cast<SetDirs>(reinterpret_cast<void*>(GetProcAddress(k, "SetDefaultDllDirectories")))
        : nullptr;
  if (set) set(0x00000800 /* LOAD_LIBRARY_SEARCH_SYSTEM32 */);
  SetDllDirectoryA("");  // also drop the current folder on older systems
}

// Finds and checks the data appended to this program (self: its path).
int OpenSelf(const Switches& sw, char* self, Message* msg) {
  DWORD n = GetModuleFileNameA(nullptr, self, kPathMax);
  if (n == 0 || n >= kPathMax) return kExitDamaged;
  uint8_t marker[kMarkerSize];
  for (size_t i = 0; i < kMarkerSize; ++i) marker[i] = g_setup_header[i];
  int rc = OpenArchive(self, marker, &g_archive, msg);
  if (rc != kExitOk) {
    Message box;
    box.Add("This file is damaged and cannot be extracted.\r\n\r\n").Add(msg->text);
    ShowError(sw.silent, box.text);
    return rc;
  }
  SetCaption(g_archive.settings.caption);
  return kExitOk;
}

// /T: every stream decompressed and checked, nothing written.
int TestAll(const Switches& sw, Message* msg) {
  ExtractOptions opt;
  opt.test_only = true;
  int rc = ExtractAll(g_archive, "", opt, msg);
  if (rc != kExitOk)
    ShowError(sw.silent, msg->text);
  else if (!sw.silent)
    MessageBoxA(nullptr, "Every file is intact.", Caption(), MB_OK | MB_ICONINFORMATION);
  return rc;
}

// The licence, the question and the password, each when switched on.
int AskFirst(const Switches& sw) {
  const SetupSettings& s = g_archive.settings;
  if (s.show_license && !sw.silent) {
    static char text[kLicenseMax];
    LicenseText(g_archive, text);
    if (!AskLicense(s, text)) return kExitCancelled;
  }
  if (s.prompt_show && !sw.silent && !AskQuestion(s)) return kExitCancelled;
  if (!HasPassword(g_archive) || (sw.have_password && PasswordMatches(g_archive, sw.password)))
    return kExitOk;
  if (sw.silent) return kExitPassword;
  return AskPassword(g_archive) ? kExitOk : kExitCancelled;
}

// Extract-only mode: the folder from /D=, or ExtractOnlyPath (offered in
// the folder window unless switched off), made with every missing level.
int ChooseTarget(const Switches& sw, const char* self, char* folder, MadeDirs* made) {
  const SetupSettings& s = g_archive.settings;
  static char wanted[kPathMax];
  if (sw.folder[0]) {
    CopyCut(wanted, sizeof wanted, sw.folder, strlen(sw.folder));
  } else {
    char raw[256];
    s.extract_only_path.CopyTo(raw);
    ExpandEnvironmentStringsA(raw, wanted, sizeof wanted);
    if (!s.extract_only_no_dlg && !sw.silent && !AskFolder(s, wanted)) return kExitCancelled;
  }
  // A relative (or empty) ExtractOnlyPath is taken from where this file
  // lies; a relative /D= folder, typed on a command line, from the current
  // folder.
  bool absolute = (wanted[0] && wanted[1] == ':') || (wanted[0] == '\\' && wanted[1] == '\\');
  static char combined[kPathMax * 2];
  if (absolute || sw.folder[0]) {
    lstrcpyA(combined, wanted);
  } else {
    lstrcpyA(combined, self);
    char* slash = strrchr(combined, '\\');
    if (slash) slash[1] = 0;
    if (strlen(combined) + strlen(wanted) < sizeof combined) lstrcatA(combined, wanted);
  }
  if (!GetFullPathNameA(combined, kPathMax, folder, nullptr))
    CopyCut(folder, kPathMax, combined, strlen(combined));
  size_t f = strlen(folder);
  while (f > 3 && folder[f - 1] == '\\') folder[--f] = 0;
  if (MakeDirs(folder, made)) return kExitOk;
  RemoveMadeDirs(made);
  Message m;
  char reason[256];
  ErrorText(LastError(), reason, sizeof reason);
  m.Add("Cannot create the folder ").Add(folder).Add(": ").Add(reason);
  ShowError(sw.silent, m.text);
  return kExitWrite;
}

// Every file, with the progress window when switched on, then the [INI],
// [Registry] and [Icons] entries; existing files with other content as
// `existing` says.
int ExtractAndApply(const Switches& sw, const char* folder, Existing existing, Message* msg) {
  ProgressWindow progress;
  ExtractOptions opt;
  opt.existing = existing;
  opt.ask = AskReplace;
  if (g_archive.settings.progress_show && !sw.silent && OpenProgress(g_archive.settings, &progress)) {
    opt.progress = ProgressStep;
    opt.progress_ctx = &progress;
  }
  int rc = ExtractAll(g_archive, folder, opt, msg);
  CloseProgress(&progress, rc == kExitOk);
  if (rc == kExitOk) rc = ApplyIniEntries(g_archive, folder, false, msg);
  if (rc == kExitOk) rc = ApplyRegEntries(g_archive, folder, msg);
  if (rc == kExitOk) rc = ApplyIconEntries(g_archive, folder, msg);
  if (rc != kExitOk && rc != kExitCancelled) ShowError(sw.silent, msg->text);
  return rc;
}

// Extract-only mode, afterwards: the shortcut, the folder, the text file and
// the closing message, each when switched on.
int Finish(const Switches& sw, const char* folder, Message* msg) {
  const SetupSettings& s = g_archive.settings;
  int rc = kExitOk;
  if (s.link_create) {
    char name[256], target[kPathMax];
    s.link_display.CopyTo(name);
    JoinPath(target, sizeof target, folder, s.link_file_name);
    if (s.link_start_menu && (rc = CreateShortcut(true, name, target, folder, msg)) != kExitOk)
      ShowError(sw.silent, msg->text);
    if (s.link_desktop && (rc = CreateShortcut(false, name, target, folder, msg)) != kExitOk)
      ShowError(sw.silent, msg->text);
  }
  if (sw.silent) return rc;
  if (s.show_file_window) ShellOpen(folder);
  if (s.run_text_file) {
    char doc[kPathMax];
    JoinPath(doc, sizeof doc, folder, s.run_text_file_name);
    ShellOpen(doc);
  }
  if (s.show_final_msg) {
    char text[256];
    s.final_msg.CopyTo(text);
    MessageBoxA(nullptr, text, Caption(), MB_OK | MB_SETFOREGROUND);
  }
  return rc;
}

// Run mode: the setup program, then RunWaitFor; its exit code is ours.
int RunSetup(const Switches& sw, const char* folder, Message* msg) {
  const SetupSettings& s = g_archive.settings;
  char exe[kPathMax], raw[256], params[kPathMax], wait_for[256];
  JoinPath(exe, sizeof exe, folder, s.run_prog_exe_name);
  s.run_prog_exe_para.CopyTo(raw);
  ExpandAll(raw, folder, params, sizeof params);
  s.run_wait_for.CopyTo(wait_for);
  uint32_t code = 0;
  int rc = RunAndWait(exe, params, folder, wait_for, &code, msg);
  if (rc != kExitOk) {
    ShowError(sw.silent, msg->text);
    return rc;
  }
  return static_cast<int>(code);
}

int Run() {
  Switches sw;
  ParseSwitches(GetCommandLineA(), &sw);
  if (sw.help) {
    MessageBoxA(nullptr, kHelp, Caption(), MB_OK | MB_ICONINFORMATION);
    return kExitOk;
  }
  static char self[kPathMax];
  static Message msg;
  int rc = OpenSelf(sw, self, &msg);
  if (rc != kExitOk) return rc;
  if (sw.test) return TestAll(sw, &msg);
  if ((rc = AskFirst(sw)) != kExitOk) return rc;

  const SetupSettings& s = g_archive.settings;
  static char folder[kPathMax];
  if (s.run_program && !s.extract_only) {
    if (!MakePrivateFolder(folder)) {
      ShowError(sw.silent, "Cannot create a temporary folder for the setup files.");
      return kExitWrite;
    }
    rc = ExtractAndApply(sw, folder, Existing::kReplace, &msg);  // a new folder
    if (rc == kExitOk) rc = RunSetup(sw, folder, &msg);
    RemoveWithRetries(folder);
    return rc;
  }
  MadeDirs made;  // the target's folders made here, removed again on failure
  if ((rc = ChooseTarget(sw, self, folder, &made)) != kExitOk) return rc;
  // Files the user has there already: asked about, kept with /K, replaced
  // in silent mode as installers do.
  rc = ExtractAndApply(sw, folder,
                       sw.keep     ? Existing::kKeep
                       : sw.silent ? Existing::kReplace
                                   : Existing::kAsk,
                       &msg);
  if (rc != kExitOk) {
    RemoveMadeDirs(&made);  // only those that stayed empty
    return rc;
  }
  FreeMadeDirs(&made);
  return Finish(sw, folder, &msg);
}

}  // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
  LoadSystemDllsOnlyFromSystem32();
  INITCOMMONCONTROLSEX icc = {sizeof icc, ICC_STANDARD_CLASSES};
  InitCommonControlsEx(&icc);
  int rc = Run();
  CloseArchive(&g_archive);
  return rc;
}
