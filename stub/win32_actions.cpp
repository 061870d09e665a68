#include "stub/win32_actions.h"

// <windows.h> first, the other system headers build on it.
// clang-format off
#include <windows.h>
#include <objbase.h>
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
        return Failed(msg, "Cannot erase the registry entry ", subkey, static_cast<DWORD>(r));
      continue;
    }
    HKEY k;
    r = RegCreateKeyExA(root, subkey, 0, nullptr, 0, KEY_SET_VALUE | KEY_QUERY_VALUE, nullptr, &k, nullptr);
    if (r != ERROR_SUCCESS)
      return Failed(msg, "Cannot write the registry key ", subkey, static_cast<DWORD>(r));
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
    if (r != ERROR_SUCCESS)
      return Failed(msg, "Cannot write the registry key ", subkey, static_cast<DWORD>(r));
  }
  return kExitOk;
}

int CreateShortcut(bool start_menu, const char* name, const char* command, const char* work_dir,
                   Message* msg) {
  if (!SafeRelativePath(name, strlen(name))) {
    msg->Clear();
    msg->Add("The shortcut name ").Add(name).Add(" is not a valid file name.");
    return kExitDamaged;
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
    if (rc != kExitOk) return rc;
  }
  return kExitOk;
}

int RunAndWait(const char* exe, const char* params, const char* dir, uint32_t* code, Message* msg) {
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
  STARTUPINFOA si;
  memset(&si, 0, sizeof si);
  si.cb = sizeof si;
  PROCESS_INFORMATION pi;
  HANDLE process = nullptr;
  if (CreateProcessA(exe, cmd, nullptr, nullptr, FALSE, 0, nullptr, dir, &si, &pi)) {
    CloseHandle(pi.hThread);
    process = pi.hProcess;
  } else if (GetLastError() == ERROR_ELEVATION_REQUIRED) {
    SHELLEXECUTEINFOA sei;
    memset(&sei, 0, sizeof sei);
    sei.cbSize = sizeof sei;
    sei.fMask = SEE_MASK_NOCLOSEPROCESS | SEE_MASK_NOASYNC | SEE_MASK_FLAG_NO_UI;
    sei.lpVerb = "runas";
    sei.lpFile = exe;
    sei.lpParameters = params;
    sei.lpDirectory = dir;
    sei.nShow = SW_SHOWNORMAL;
    if (ShellExecuteExA(&sei) && sei.hProcess) process = sei.hProcess;
  }
  if (!process) {
    Failed(msg, "Cannot start ", exe, GetLastError());
    return kExitStart;
  }
  WaitForSingleObject(process, INFINITE);
  DWORD c = 0;
  GetExitCodeProcess(process, &c);
  CloseHandle(process);
  *code = c;
  return kExitOk;
}

void WaitForImage(const char* name) {
  const char* base = name;
  for (const char* p = name; *p; ++p)
    if (*p == '\\' || *p == ':' || *p == '/') base = p + 1;
  if (!*base) return;
  DWORD self = GetCurrentProcessId();
  for (;;) {
    HANDLE snap = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    if (snap == INVALID_HANDLE_VALUE) return;
    PROCESSENTRY32 pe;
    pe.dwSize = sizeof pe;
    bool running = false;
    for (BOOL more = Process32First(snap, &pe); more && !running; more = Process32Next(snap, &pe))
      running = pe.th32ProcessID != self && lstrcmpiA(pe.szExeFile, base) == 0;
    CloseHandle(snap);
    if (!running) return;
    Sleep(250);
  }
}

void ShellOpen(const char* path) { ShellExecuteA(nullptr, "open", path, nullptr, nullptr, SW_SHOWNORMAL); }

}  // namespace kestro::stub
