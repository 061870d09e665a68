// kestro-extract: lists, tests and extracts a self-extracting output on the
// console, through the same reading and extraction code as the stub.
#include <stdio.h>
#include <string.h>

#include <string>
#include <vector>

#include "common/os.h"
#include "common/text.h"
#include "stub/archive.h"

using namespace kestro::stub;
using namespace kestro::format;

namespace {

const char kUsage[] =
    "Usage: kestro-extract [-l] [-t] [-d DIR [--overwrite|--keep]] [-p PASSWORD] FILE\n"
    "\n"
    "Lists, tests or extracts a self-extracting file made by Kestro.\n"
    "  -l           list the files, settings and script entries (the default)\n"
    "  -t           test every file: decompress it and check its size and checksum\n"
    "  -d DIR       extract into DIR (created if missing); all or nothing\n"
    "  --overwrite  with -d: replace existing files that differ\n"
    "  --keep       with -d: keep existing files that differ, extract the rest\n"
    "               (with neither, -d extracts nothing if a file would be replaced)\n"
    "  -p PASSWORD  the password, needed by -d when the file asks for one\n"
    "  --help       this text\n"
    "  --version    the version\n"
    "\n"
    "Exit codes: 0 done, 2 damaged file or bad arguments, 3 wrong or missing\n"
    "password, 4 cannot write, 6 would replace existing files.\n";

// A text from the file as UTF-8, control characters shown as "?" so that a
// crafted file cannot send escape sequences to the terminal.
template <size_t Cap>
std::string Str(const PStr<Cap>& s) {
  std::string raw(s.chars, s.len);
  for (char& c : raw)
    if (static_cast<unsigned char>(c) < 32 || c == 127) c = '?';
  return kestro::Cp1252ToUtf8(raw);
}

const char* YesNo(bool b) { return b ? "yes" : "no"; }

std::string DosDate(uint32_t dos) {
  char buf[32];
  snprintf(buf, sizeof buf, "%04u-%02u-%02u %02u:%02u:%02u", ((dos >> 25) & 0x7F) + 1980, (dos >> 21) & 0x0F,
           (dos >> 16) & 0x1F, (dos >> 11) & 0x1F, (dos >> 5) & 0x3F, (dos & 0x1F) * 2);
  return buf;
}

std::string Version(uint32_t ms, uint32_t ls) {
  if (ms == kNoVersion && ls == kNoVersion) return "-";
  char buf[48];
  snprintf(buf, sizeof buf, "%u.%u.%u.%u", ms >> 16, ms & 0xFFFF, ls >> 16, ls & 0xFFFF);
  return buf;
}

const char* RootName(uint32_t root) {
  switch (root) {
    case kRootClassesRoot: return "HKEY_CLASSES_ROOT";
    case kRootCurrentUser: return "HKEY_CURRENT_USER";
    case kRootLocalMachine: return "HKEY_LOCAL_MACHINE";
  }
  return "?";
}

void List(const Archive& a) {
  const SetupSettings& s = a.settings;
  bool run_mode = s.run_program && !s.extract_only;
  printf("Caption:          %s\n", Str(s.caption).c_str());
  if (run_mode) {
    printf("Mode:             run program %s %s, wait for %s, then remove the files\n",
           Str(s.run_prog_exe_name).c_str(), Str(s.run_prog_exe_para).c_str(), Str(s.run_wait_for).c_str());
  } else {
    printf("Mode:             extract only into %s (folder dialog: %s)\n", Str(s.extract_only_path).c_str(),
           YesNo(!s.extract_only_no_dlg));
  }
  printf("Licence:          %s\n", YesNo(s.show_license));
  printf("Question:         %s  \"%s\" [%s] [%s]\n", YesNo(s.prompt_show), Str(s.prompt_text).c_str(),
         Str(s.yes).c_str(), Str(s.no).c_str());
  printf("Password:         %s  \"%s\"\n", YesNo(HasPassword(a)), Str(s.password_text).c_str());
  printf("Progress window:  %s  \"%s\" [%s]\n", YesNo(s.progress_show), Str(s.progress_text).c_str(),
         Str(s.cancel).c_str());
  printf("Folder text:      \"%s\" [%s]\n", Str(s.folder_sel_text).c_str(), Str(s.continue_text).c_str());
  if (!run_mode) {
    printf("Shortcut:         %s  %s -> %%a\\%s (Start menu: %s, desktop: %s)\n", YesNo(s.link_create),
           Str(s.link_display).c_str(), Str(s.link_file_name).c_str(), YesNo(s.link_start_menu),
           YesNo(s.link_desktop));
    printf("Open folder:      %s\n", YesNo(s.show_file_window));
    printf("Open text file:   %s  %s\n", YesNo(s.run_text_file), Str(s.run_text_file_name).c_str());
    printf("Closing message:  %s  \"%s\"\n", YesNo(s.show_final_msg), Str(s.final_msg).c_str());
  }

  printf("\nFiles (%u):\n", s.file_count);
  printf("  %-40s %10s %10s  %-19s  %s\n", "Destination", "Size", "Packed", "Date", "Version");
  for (size_t i = 0; i < s.file_count; ++i) {
    const FileEntry& f = a.files[i];
    std::string dest = Str(f.destination);
    if (f.flags & kFileFlagBuiltIn) dest += " (internal, not extracted)";
    printf("  %-40s %10u %10u  %-19s  %s\n", dest.c_str(), f.size, f.packed_size,
           DosDate(f.dos_date_time).c_str(), Version(f.version_ms, f.version_ls).c_str());
  }
  if (s.dir_count) {
    printf("\n[Dirs] (%u):\n", s.dir_count);
    for (size_t i = 0; i < s.dir_count; ++i) printf("  %s\n", Str(a.dirs[i].folder).c_str());
  }
  if (s.icon_count) {
    printf("\n[Icons] (%u; Start-menu shortcuts, made by the self-extracting file on Windows only):\n",
           s.icon_count);
    for (size_t i = 0; i < s.icon_count; ++i) {
      const IconEntry& e = a.icons[i];
      printf("  %s -> %s in %s%s\n", Str(e.name).c_str(), Str(e.command).c_str(), Str(e.folder).c_str(),
             (e.flags & kIconFlagBuiltIn) ? " (built-in, skipped)" : "");
    }
  }
  if (s.ini_count) {
    printf("\n[INI] (%u; kestro-extract applies those inside the target folder):\n", s.ini_count);
    for (size_t i = 0; i < s.ini_count; ++i) {
      const IniEntry& e = a.inis[i];
      const char* opt = (e.options & kIniOptionErase)  ? " (E: erase)"
                        : (e.options & kIniOptionSkip) ? " (S: only if missing)"
                                                       : "";
      printf("  %s [%s] %s=%s%s\n", Str(e.file).c_str(), Str(e.section).c_str(), Str(e.key).c_str(),
             Str(e.value).c_str(), opt);
    }
  }
  if (s.reg_count) {
    printf("\n[Registry] (%u; written by the self-extracting file on Windows only, skipped here):\n",
           s.reg_count);
    static const char* const kTypes[] = {"NONE", "STRING", "DWORD"};
    for (size_t i = 0; i < s.reg_count; ++i) {
      const RegEntry& e = a.regs[i];
      const char* opt = (e.options & kRegOptionErase)  ? " (E: erase)"
                        : (e.options & kRegOptionKeep) ? " (K: keep existing)"
                                                       : "";
      printf("  %s\\%s %s %s %s%s\n", RootName(e.root), Str(e.subkey).c_str(), Str(e.value_name).c_str(),
             e.type <= kRegDword ? kTypes[e.type] : "?", Str(e.data).c_str(), opt);
    }
  }
}

int Fail(int code, const char* text) {
  std::string shown(text);  // may quote names from the file
  for (char& c : shown)
    if (static_cast<unsigned char>(c) < 32 || c == 127) c = '?';
  fprintf(stderr, "kestro-extract: %s\n", kestro::Cp1252ToUtf8(shown).c_str());
  return code;
}

}  // namespace

int main(int argc, char** argv) {
  bool list = false, test = false;
  const char* dir = nullptr;
  const char* password = nullptr;
  const char* file = nullptr;
  Existing existing = Existing::kRefuse;
  // Names and the password arrive in the terminal's UTF-8; the file holds
  // Windows-1252.
  static std::vector<std::string> args = kestro::os::Arguments(argc, argv);
  std::vector<char*> arg_ptrs(1, argv[0]);
  for (std::string& s : args) arg_ptrs.push_back(&s[0]);
  argv = arg_ptrs.data();
  for (int i = 1; i < argc; ++i) {
    const char* a = argv[i];
    if (!strcmp(a, "--help") || !strcmp(a, "-h")) {
      fputs(kUsage, stdout);
      return kExitOk;
    } else if (!strcmp(a, "--version")) {
      printf("%s\n", KESTRO_VERSION_LINE);
      return kExitOk;
    } else if (!strcmp(a, "-l")) {
      list = true;
    } else if (!strcmp(a, "-t")) {
      test = true;
    } else if (!strcmp(a, "-d") && i + 1 < argc) {
      dir = argv[++i];
    } else if (!strcmp(a, "--overwrite")) {
      existing = Existing::kReplace;
    } else if (!strcmp(a, "--keep")) {
      existing = Existing::kKeep;
    } else if (!strcmp(a, "-p") && i + 1 < argc) {
      password = argv[++i];
    } else if (a[0] == '-' || file) {
      fprintf(stderr, "kestro-extract: %s %s\n\n", a[0] == '-' ? "unknown option" : "more than one file:", a);
      fputs(kUsage, stderr);
      return kExitDamaged;
    } else {
      file = a;
    }
  }
  if (!file) {
    fputs(kUsage, stderr);
    return kExitDamaged;
  }
  if (!list && !test && !dir) list = true;

  static Archive archive;
  static Message msg;
  int rc = OpenArchive(file, kMarker, &archive, &msg);
  if (rc != kExitOk) return Fail(rc, msg.text);

  if (list) List(archive);
  if (rc == kExitOk && test) {
    ExtractOptions opt;
    opt.test_only = true;
    rc = ExtractAll(archive, "", opt, &msg);
    if (rc != kExitOk)
      Fail(rc, msg.text);
    else
      printf("%u files tested: all intact.\n", archive.settings.file_count);
  }
  if (rc == kExitOk && dir) {
    if (HasPassword(archive) && !password) {
      rc = Fail(kExitPassword, "this file is protected by a password; give it with -p PASSWORD.");
    } else if (HasPassword(archive) && !PasswordMatches(archive, password)) {
      rc = Fail(kExitPassword, "the password is not correct.");
    } else {
      // Windows paths inside the output; the folder given here is the host's.
      std::string target(dir);
      while (target.size() > 1 && (target.back() == '/' || target.back() == '\\')) target.pop_back();
      // A folder made here is taken away again if nothing could be extracted.
      MadeDirs made;
      if (!MakeDirs(target.c_str(), &made)) {
        rc = Fail(kExitWrite, ("cannot create the folder " + target).c_str());
      } else {
        ExtractOptions opt;
        opt.existing = existing;
        rc = ExtractAll(archive, target.c_str(), opt, &msg);
        if (rc == kExitOk) rc = ApplyIniEntries(archive, target.c_str(), true, &msg);
        if (rc == kExitExists)
          Fail(rc, (std::string(msg.text) + "; nothing extracted. Give --overwrite to replace them or --keep "
                                            "to keep them.")
                       .c_str());
        else if (rc != kExitOk)
          Fail(rc, msg.text);
        else
          printf("Extracted into %s.\n", target.c_str());
      }
      if (rc != kExitOk) RemoveMadeDirs(&made);  // only empty ones go
      FreeMadeDirs(&made);
    }
  }
  CloseArchive(&archive);
  return rc;
}
