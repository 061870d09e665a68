#include "stub/win32_actions.h"

// <windows.h> first, the other system headers build on it.
// clang-format off
#include <windows.h>
#include <objbase.h>
#include <sddl.h>
#include <shellapi.h>
#include <shlobj.h>
#include <string.h>
#include <tlhelp32.h>
// clang-format on

#ifndef ERROR_ELEVATION_REQUIRED
#define ERROR_ELEVATION_REQUIRED 740
#endif

namespace kestro::stub {

using namespace kestro::format;

namespace {

int Failed(Message* msg, const char* what, const char* name, DWORD code) {
  char reason[256];
  ErrorText(static_cast<int>(code), reason, sizeof reason);
  msg->Clear();
  msg->Add(what).Add(name).Add(": ").Add(reason);
  return kExitWrite;
}

const char* RootName(uint32_t root) {
  return root == kRootClassesRoot   ? "HKEY_CLASSES_ROOT\\"
         : root == kRootCurrentUser ? "HKEY_CURRENT_USER\\"
                                    : "HKEY_LOCAL_MACHINE\\";
}

int RegFailed(Message* msg, size_t i, const char* what, uint32_t root, const char* subkey, LONG code) {
  char reason[256];
  ErrorText(static_cast<int>(code), reason, sizeof reason);
  msg->Clear();
  msg->Add(what).Add(RootName(root)).Add(subkey).Add(": ").Add(reason);
  return InEntry(msg, "[Registry]", i, kExitWrite);
}

// "123", "-5", "$1F": the DWORD grammar the compiler checks, written once.
bool ParseDword(const char* s, DWORD* out) {
  uint32_t v;
  if (!format::ParseDword(s, strlen(s), &v)) return false;
  *out = v;
  return true;
}

}  // namespace

int ApplyRegEntries(const Archive& a, const char* folder, Message* msg) {
  for (size_t i = 0; i < a.settings.reg_count; ++i) {
    const RegEntry& e = a.regs[i];
    HKEY root = reinterpret_cast<HKEY>(static_cast<ULONG_PTR>(static_cast<LONG>(e.root)));
    if (e.root < kRootClassesRoot || e.root > kRootLocalMachine) continue;  // not one of ours
    char subkey[256], name[64], raw[128], data[kPathMax];
    e.subkey.CopyTo(subkey);
    e.value_name.CopyTo(name);
    e.data.CopyTo(raw);
    ExpandAll(raw, folder, data, sizeof data);
    LONG r;
    if (e.options & kRegOptionErase) {
      if (name[0]) {
        HKEY k;
        r = RegOpenKeyExA(root, subkey, 0, KEY_SET_VALUE, &k);
        if (r == ERROR_SUCCESS) {
          r = RegDeleteValueA(k, name);
          RegCloseKey(k);
        }
      } else {
        r = RegDeleteKeyA(root, subkey);
      }
      if (r != ERROR_SUCCESS && r != ERROR_FILE_NOT_FOUND && r != ERROR_PATH_NOT_FOUND)
        return RegFailed(msg, i, "Cannot erase ", e.root, subkey, r);
      continue;
    }
    HKEY k;
    r = RegCreateKeyExA(root, subkey, 0, nullptr, 0, KEY_SET_VALUE | KEY_QUERY_VALUE, nullptr, &k, nullptr);
    if (r != ERROR_SUCCESS) return RegFailed(msg, i, "Cannot write ", e.root, subkey, r);
    if (e.type != kRegNone &&
        !((e.options & kRegOptionKeep) &&
          RegQueryValueExA(k, name, nullptr, nullptr, nullptr, nullptr) == ERROR_SUCCESS)) {
      if (e.type == kRegDword) {
        DWORD v;
        if (!ParseDword(data, &v)) {
          RegCloseKey(k);
          msg->Clear();
          msg->Add("[Registry] entry ").Num(i + 1).Add(": '").Add(data).Add("' is not a 32-bit number.");
          return kExitDamaged;
        }
        r = RegSetValueExA(k, name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&v), sizeof v);
      } else {
        r = RegSetValueExA(k, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(data), lstrlenA(data) + 1);
      }
    }
    RegCloseKey(k);
    if (r != ERROR_SUCCESS) return RegFailed(msg, i, "Cannot write ", e.root, subkey, r);
  }
  return kExitOk;
}

int CreateShortcut(bool start_menu, const char* name, const char* command, const char* work_dir,
                   Message* msg) {
  if (!SafeRelativePath(name, strlen(name))) {
    msg->Clear();
    msg->Add("Cannot create the shortcut ").Add(name).Add(": the name is not a valid file name.");
    return kExitWrite;
  }
  char path[MAX_PATH * 2];
  if (FAILED(SHGetFolderPathA(nullptr, start_menu ? CSIDL_PROGRAMS : CSIDL_DESKTOPDIRECTORY, nullptr, 0,
                              path)) ||
      lstrlenA(path) + lstrlenA(name) + 6 >= static_cast<int>(sizeof path))
    return Failed(msg, "Cannot create the shortcut ", name, ERROR_PATH_NOT_FOUND);
  lstrcatA(path, "\\");
  lstrcatA(path, name);
  lstrcatA(path, ".lnk");
  char* cut = strrchr(path, '\\');
  *cut = 0;
  MakeDirs(path);  // a name with subfolders gets them
  *cut = '\\';

  // The program is the whole command if it names a file, else its first
  // word (or quoted part); the rest are the arguments.
  char target[kPathMax];
  const char* args = "";
  lstrcpynA(target, command, sizeof target);
  if (command[0] == '"') {
    const char* close = strchr(command + 1, '"');
    size_t n = close ? static_cast<size_t>(close - command - 1) : strlen(command + 1);
    lstrcpynA(target, command + 1, static_cast<int>(n + 1 < sizeof target ? n + 1 : sizeof target));
    args = close ? close + 1 : "";
  } else if (!Exists(command)) {
    const char* blank = strchr(command, ' ');
    if (blank) {
      lstrcpynA(target, command, static_cast<int>(blank - command + 1));
      args = blank + 1;
    }
  }
  while (*args == ' ') ++args;

  HRESULT init = CoInitialize(nullptr);
  IShellLinkA* link = nullptr;
  HRESULT hr = CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkA,
                                reinterpret_cast<void**>(&link));
  if (SUCCEEDED(hr)) {
    link->SetPath(target);
    link->SetArguments(args);
    if (work_dir && *work_dir) link->SetWorkingDirectory(work_dir);
    IPersistFile* file = nullptr;
    hr = link->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&file));
    if (SUCCEEDED(hr)) {
      WCHAR wide[MAX_PATH * 2];
      MultiByteToWideChar(CP_ACP, 0, path, -1, wide, MAX_PATH * 2);
      hr = file->Save(wide, TRUE);
      file->Release();
    }
    link->Release();
  }
  if (SUCCEEDED(init)) CoUninitialize();
  if (FAILED(hr)) return Failed(msg, "Cannot create the shortcut ", path, static_cast<DWORD>(hr));
  return kExitOk;
}

int ApplyIconEntries(const Archive& a, const char* folder, Message* msg) {
  for (size_t i = 0; i < a.settings.icon_count; ++i) {
    const IconEntry& e = a.icons[i];
    if (e.flags & kIconFlagBuiltIn) continue;
    char name[64], raw[64], command[kPathMax], dir[kPathMax];
    e.name.CopyTo(name);
    // "%a" anywhere, as in INI values: a quoted "%a\prog.exe" /x too.
    e.command.CopyTo(raw);
    ExpandAll(raw, folder, command, sizeof command);
    e.folder.CopyTo(raw);
    ExpandAll(raw, folder, dir, sizeof dir);
    int rc = CreateShortcut(true, name, command, dir, msg);
    if (rc != kExitOk) return InEntry(msg, "[Icons]", i, rc);
  }
  return kExitOk;
}

namespace {

// Handles the window messages that arrived, as a program that waits must:
// installers broadcast messages and wait until every window took them.
void PumpMessages() {
  MSG m;
  while (PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE)) {
    TranslateMessage(&m);
    DispatchMessageA(&m);
  }
}

// Waits for the handle (or, without one, for ms) while handling messages.
void WaitPumping(HANDLE h, DWORD ms) {
  DWORD end = GetTickCount() + ms;
  for (;;) {
    DWORD left = ms == INFINITE ? INFINITE : end - GetTickCount();
    if (ms != INFINITE && static_cast<int32_t>(left) <= 0) return;
    DWORD r = MsgWaitForMultipleObjects(h ? 1 : 0, &h, FALSE, left, QS_ALLINPUT);
    if (r != WAIT_OBJECT_0 + (h ? 1 : 0)) return;  // signalled, timed out or failed
    PumpMessages();
  }
}

const char* BaseName(const char* name) {
  const char* base = name;
  for (const char* p = name; *p; ++p)
    if (*p == '\\' || *p == ':' || *p == '/') base = p + 1;
  return base;
}

// The processes of one image name that ran before the setup program was
// started: those are never waited for.
struct Before {
  DWORD* pids = nullptr;
  size_t count = 0;
  FILETIME started = {};  // when the setup program was started
};

void TakeSnapshot(const char* base, Before* before) {
  GetSystemTimeAsFileTime(&before->started);
  if (!*base) return;
  HANDLE snap = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
  if (snap == INVALID_HANDLE_VALUE) return;
  size_t capacity = 0;
  PROCESSENTRY32 pe;
  pe.dwSize = sizeof pe;
  for (BOOL more = Process32First(snap, &pe); more; more = Process32Next(snap, &pe)) {
    if (lstrcmpiA(pe.szExeFile, base) != 0) continue;
    if (before->count == capacity) {
      capacity = capacity * 2 + 8;
      void* grown = before->pids ? HeapReAlloc(GetProcessHeap(), 0, before->pids, capacity * sizeof(DWORD))
                                 : HeapAlloc(GetProcessHeap(), 0, capacity * sizeof(DWORD));
      if (!grown) break;
      before->pids = static_cast<DWORD*>(grown);
    }
    before->pids[before->count++] = pe.th32ProcessID;
  }
  CloseHandle(snap);
}

// Whether process pid, of the waited-for image name, is one to wait for: in
// this session and started after the snapshot (a listed id may since have
// been given to a new process).
bool StartedSince(DWORD pid, const Before& before) {
  DWORD mine = 0, its = 0;
  if (!ProcessIdToSessionId(GetCurrentProcessId(), &mine) || !ProcessIdToSessionId(pid, &its) || its != mine)
    return false;
  bool listed = false;
  for (size_t i = 0; i < before.count && !listed; ++i) listed = before.pids[i] == pid;
  if (!listed) return true;
  HANDLE h = OpenProcess(0x1000 /* PROCESS_QUERY_LIMITED_INFORMATION */, FALSE, pid);
  if (!h) return false;
  FILETIME created, exited, kernel, user;
  bool newer =
      GetProcessTimes(h, &created, &exited, &kernel, &user) && CompareFileTime(&created, &before.started) > 0;
  CloseHandle(h);
  return newer;
}

// Waits until no process of the image name that the setup program (or
// anything after it) started runs any more.
void WaitForNewImages(const char* base, const Before& before) {
  if (!*base) return;
  DWORD self = GetCurrentProcessId();
  for (;;) {
    HANDLE snap = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    if (snap == INVALID_HANDLE_VALUE) return;
    PROCESSENTRY32 pe;
    pe.dwSize = sizeof pe;
    DWORD found = 0;
    for (BOOL more = Process32First(snap, &pe); more && !found; more = Process32Next(snap, &pe))
      if (pe.th32ProcessID != self && lstrcmpiA(pe.szExeFile, base) == 0 &&
          StartedSince(pe.th32ProcessID, before))
        found = pe.th32ProcessID;
    CloseHandle(snap);
    if (!found) return;
    HANDLE h = OpenProcess(SYNCHRONIZE, FALSE, found);
    WaitPumping(h, h ? INFINITE : 250);
    if (h) CloseHandle(h);
  }
}

// Starts a file that is no program (an installer package, a script) with
// the program the system opens it with; verb "runas" asks for elevation.
HANDLE ShellStart(const char* verb, const char* file, const char* params, const char* dir) {
  SHELLEXECUTEINFOA sei;
  memset(&sei, 0, sizeof sei);
  sei.cbSize = sizeof sei;
  sei.fMask = SEE_MASK_NOCLOSEPROCESS | SEE_MASK_NOASYNC | SEE_MASK_FLAG_NO_UI;
  sei.lpVerb = verb;
  sei.lpFile = file;
  sei.lpParameters = params;
  sei.lpDirectory = dir;
  sei.nShow = SW_SHOWNORMAL;
  if (!ShellExecuteExA(&sei)) return nullptr;
  // Handed to a program that was already running (DDE): nothing to wait for.
  return sei.hProcess ? sei.hProcess : INVALID_HANDLE_VALUE;
}

}  // namespace

int RunAndWait(const char* exe, const char* params, const char* dir, const char* wait_for, uint32_t* code,
               Message* msg) {
  char cmd[kPathMax * 2];
  if (lstrlenA(exe) + lstrlenA(params) + 4 >= static_cast<int>(sizeof cmd)) {
    SetLastError(ERROR_FILENAME_EXCED_RANGE);
    return Failed(msg, "Cannot start ", exe, GetLastError()), kExitStart;
  }
  lstrcpyA(cmd, "\"");
  lstrcatA(cmd, exe);
  lstrcatA(cmd, "\"");
  if (*params) {
    lstrcatA(cmd, " ");
    lstrcatA(cmd, params);
  }
  Before before;
  const char* base = BaseName(wait_for);
  TakeSnapshot(base, &before);
  STARTUPINFOA si;
  memset(&si, 0, sizeof si);
  si.cb = sizeof si;
  PROCESS_INFORMATION pi;
  HANDLE process = nullptr;
  if (CreateProcessA(exe, cmd, nullptr, nullptr, FALSE, 0, nullptr, dir, &si, &pi)) {
    CloseHandle(pi.hThread);
    process = pi.hProcess;
  } else if (GetLastError() == ERROR_ELEVATION_REQUIRED) {
    process = ShellStart("runas", exe, params, dir);
  } else if (GetLastError() == ERROR_BAD_EXE_FORMAT) {
    process = ShellStart("open", exe, params, dir);
  }
  if (!process) {
    Failed(msg, "Cannot start ", exe, GetLastError());
    if (before.pids) HeapFree(GetProcessHeap(), 0, before.pids);
    return kExitStart;
  }
  DWORD c = 0;
  if (process != INVALID_HANDLE_VALUE) {
    WaitPumping(process, INFINITE);
    GetExitCodeProcess(process, &c);
    CloseHandle(process);
  }
  WaitForNewImages(base, before);
  if (before.pids) HeapFree(GetProcessHeap(), 0, before.pids);
  *code = c;
  return kExitOk;
}

void* PrivateFolderSecurity() {
  // Full control for this user, SYSTEM and the Administrators, inherited by
  // everything inside and protected from the parent's entries.
  char sddl[256] = "D:P(A;OICI;FA;;;SY)(A;OICI;FA;;;BA)";
  HANDLE token;
  if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token)) return nullptr;
  union {
    TOKEN_USER user;
    char room[256];
  } info;
  DWORD size = 0;
  char* sid = nullptr;
  bool have_user = GetTokenInformation(token, TokenUser, &info, sizeof info, &size) &&
                   ConvertSidToStringSidA(info.user.User.Sid, &sid);
  CloseHandle(token);
  if (!have_user) return nullptr;
  bool fits = lstrlenA(sddl) + lstrlenA(sid) + 16 < static_cast<int>(sizeof sddl);
  if (fits) {
    lstrcatA(sddl, "(A;OICI;FA;;;");
    lstrcatA(sddl, sid);
    lstrcatA(sddl, ")");
  }
  LocalFree(sid);
  PSECURITY_DESCRIPTOR sd = nullptr;
  if (!fits || !ConvertStringSecurityDescriptorToSecurityDescriptorA(sddl, SDDL_REVISION_1, &sd, nullptr))
    return nullptr;
  return sd;
}

bool MakePrivateFolder(char* out) {
  char temp[kPathMax];
  if (!TempFolder(temp, sizeof temp)) return false;
  SECURITY_ATTRIBUTES sa = {sizeof sa, PrivateFolderSecurity(), FALSE};
  if (!sa.lpSecurityDescriptor) return false;
  bool made = false;
  for (int attempt = 0; attempt < 20 && !made; ++attempt) {
    uint8_t r[12];
    RandomBytes(r, sizeof r);
    char name[40] = "kx";
    for (size_t i = 0; i < sizeof r; ++i) {
      name[2 + 2 * i] = "0123456789abcdef"[r[i] >> 4];
      name[3 + 2 * i] = "0123456789abcdef"[r[i] & 15];
    }
    name[2 + 2 * sizeof r] = 0;
    wsprintfA(out, "%s%s", temp, name);
    made = CreateDirectoryA(out, &sa) != 0;
    if (!made && GetLastError() != ERROR_ALREADY_EXISTS) break;
  }
  LocalFree(sa.lpSecurityDescriptor);
  return made;
}

void ShellOpen(const char* path) { ShellExecuteA(nullptr, "open", path, nullptr, nullptr, SW_SHOWNORMAL); }

}  // namespace kestro::stub
