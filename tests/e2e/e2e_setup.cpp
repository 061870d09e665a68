// A stand-in setup program for the run-mode tests. Started as
//   e2e_setup.exe REPORT
// it writes its folder into REPORT, starts the copy of itself named
// linger.exe beside it (the program the output waits for by name) and ends
// with exit code 7 at once. Started as
//   linger.exe --linger REPORT      waits three seconds, then adds "linger done"
//   x.exe --hold MS                 waits MS milliseconds
//   x.exe --opened REPORT FILE      adds "opened FILE", ends with code 9 (a
//                                   file type's open command)
//   x.exe --ask HWND                sends the window (hexadecimal handle) a
//                                   message: code 0 if answered in 3 s, else 1
//   x.exe --ask-later HWND PROGRAM  starts PROGRAM --ask HWND and ends
#include <string.h>
// clang-format off
#include <windows.h>
// clang-format on

#include <stdlib.h>

#include <string>

static void Append(const char* report, const std::string& text) {
  HANDLE h = CreateFileA(report, FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_ALWAYS,
                         FILE_ATTRIBUTE_NORMAL, nullptr);
  if (h == INVALID_HANDLE_VALUE) return;
  DWORD put;
  WriteFile(h, text.data(), static_cast<DWORD>(text.size()), &put, nullptr);
  WriteFile(h, "\n", 1, &put, nullptr);
  CloseHandle(h);
}

// Sends a message to the window and waits up to three seconds for it to be
// taken: exit code 0 if it was, 1 if not.
static int Ask(const char* window) {
  HWND wnd = reinterpret_cast<HWND>(static_cast<INT_PTR>(_strtoi64(window, nullptr, 16)));
  DWORD_PTR result = 0;
  return SendMessageTimeoutA(wnd, WM_APP + 7, 0, 0, SMTO_NORMAL, 3000, &result) && result == 42 ? 0 : 1;
}

int main(int argc, char** argv) {
  if (argc == 3 && strcmp(argv[1], "--linger") == 0) {
    Sleep(3000);
    Append(argv[2], "linger done");
    return 0;
  }
  if (argc == 3 && strcmp(argv[1], "--hold") == 0) {
    Sleep(static_cast<DWORD>(atoi(argv[2])));
    return 0;
  }
  if (argc == 3 && strcmp(argv[1], "--ask") == 0) return Ask(argv[2]);
  if (argc == 4 && strcmp(argv[1], "--ask-later") == 0) {
    // Starts NAME (a copy beside it) to ask, and ends at once.
    char cmd[3 * MAX_PATH];
    wsprintfA(cmd, "\"%s\" --ask %s", argv[3], argv[2]);
    STARTUPINFOA si = {};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi;
    if (!CreateProcessA(nullptr, cmd, nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi)) return 98;
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);
    return 0;
  }
  if (argc == 4 && strcmp(argv[1], "--opened") == 0) {
    Append(argv[2], std::string("opened ") + argv[3]);
    return 9;
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
