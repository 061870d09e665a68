// A stand-in setup program for the run-mode tests. Started as
//   e2e_setup.exe REPORT
// it writes its folder into REPORT, starts the copy of itself named
// linger.exe beside it (the program the output waits for by name) and ends
// with exit code 7 at once. Started as
//   linger.exe --linger REPORT
// it waits three seconds, then adds "linger done" to REPORT.
#include <string.h>
#include <windows.h>

static void Append(const char* report, const char* text) {
  HANDLE h = CreateFileA(report, FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_ALWAYS,
                         FILE_ATTRIBUTE_NORMAL, nullptr);
  if (h == INVALID_HANDLE_VALUE) return;
  DWORD put;
  WriteFile(h, text, static_cast<DWORD>(strlen(text)), &put, nullptr);
  WriteFile(h, "\n", 1, &put, nullptr);
  CloseHandle(h);
}

int main(int argc, char** argv) {
  if (argc == 3 && strcmp(argv[1], "--linger") == 0) {
    Sleep(3000);
    Append(argv[2], "linger done");
    return 0;
  }
  if (argc != 2) return 99;
  char self[MAX_PATH];
  GetModuleFileNameA(nullptr, self, sizeof self);
  char* cut = strrchr(self, '\\');
  if (cut) *cut = 0;
  Append(argv[1], self);
  char cmd[3 * MAX_PATH];
  lstrcpyA(cmd, "\"");
  lstrcatA(cmd, self);
  lstrcatA(cmd, "\\linger.exe\" --linger \"");
  lstrcatA(cmd, argv[1]);
  lstrcatA(cmd, "\"");
  STARTUPINFOA si = {};
  si.cb = sizeof si;
  PROCESS_INFORMATION pi;
  // Started in another folder, so that it does not hold ours open.
  if (!CreateProcessA(nullptr, cmd, nullptr, nullptr, FALSE, 0, nullptr, "C:\\", &si, &pi)) return 98;
  CloseHandle(pi.hThread);
  CloseHandle(pi.hProcess);
  return 7;
}
