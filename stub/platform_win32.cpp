// Win32 half of the extractor's platform layer.
#include <windows.h>

#include "common/dos_time.h"
#include "stub/platform.h"

namespace kestro::stub {

struct PFile {
  HANDLE h;
};

namespace {

PFile* Wrap(HANDLE h) {
  if (h == INVALID_HANDLE_VALUE) return nullptr;
  PFile* f = static_cast<PFile*>(HeapAlloc(GetProcessHeap(), 0, sizeof(PFile)));
  if (!f) {
    CloseHandle(h);
    return nullptr;
  }
  f->h = h;
  return f;
}

// Local DOS date and time to a UTC file time.
bool DosToFileTime(uint32_t dos, FILETIME* out) {
  CivilTime c;
  if (!UnpackDos(dos, &c)) return false;
  FILETIME local;
  if (!DosDateTimeToFileTime(static_cast<WORD>(dos >> 16), static_cast<WORD>(dos & 0xFFFF), &local))
    return false;
  return LocalFileTimeToFileTime(&local, out) != 0;
}

}  // namespace

PFile* OpenRead(const char* path) {
  return Wrap(CreateFileA(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                          OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
}

PFile* CreateNew(const char* path) {
  return Wrap(CreateFileA(path, GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr));
}

bool ReadAt(PFile* f, uint64_t pos, void* buf, size_t n) {
  LARGE_INTEGER li;
  li.QuadPart = static_cast<LONGLONG>(pos);
  if (!SetFilePointerEx(f->h, li, nullptr, FILE_BEGIN)) return false;
  char* p = static_cast<char*>(buf);
  while (n > 0) {
    DWORD got = 0;
    DWORD chunk = n > 0x10000000 ? 0x10000000 : static_cast<DWORD>(n);
    if (!ReadFile(f->h, p, chunk, &got, nullptr)) return false;
    if (got == 0) {
      SetLastError(ERROR_HANDLE_EOF);
      return false;
    }
    p += got;
    n -= got;
  }
  return true;
}

bool WriteAll(PFile* f, const void* buf, size_t n) {
  const char* p = static_cast<const char*>(buf);
  while (n > 0) {
    DWORD put = 0;
    DWORD chunk = n > 0x10000000 ? 0x10000000 : static_cast<DWORD>(n);
    if (!WriteFile(f->h, p, chunk, &put, nullptr)) return false;
    if (put == 0) {
      SetLastError(ERROR_DISK_FULL);
      return false;
    }
    p += put;
    n -= put;
  }
  return true;
}

uint64_t FileSizeOf(PFile* f) {
  LARGE_INTEGER li;
  return GetFileSizeEx(f->h, &li) ? static_cast<uint64_t>(li.QuadPart) : 0;
}

bool CloseFile(PFile* f) {
  bool ok = CloseHandle(f->h) != 0;
  HeapFree(GetProcessHeap(), 0, f);
  return ok;
}

int LastError() { return static_cast<int>(GetLastError()); }

void ErrorText(int code, char* out, size_t n) {
  DWORD len = FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
                             static_cast<DWORD>(code), 0, out, static_cast<DWORD>(n), nullptr);
  while (len > 0 &&
         (out[len - 1] == '\r' || out[len - 1] == '\n' || out[len - 1] == ' ' || out[len - 1] == '.'))
    out[--len] = 0;
  if (len == 0) wsprintfA(out, "system error %d", code);
}

bool IsDir(const char* path) {
  DWORD a = GetFileAttributesA(path);
  return a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_DIRECTORY);
}

bool Exists(const char* path) { return GetFileAttributesA(path) != INVALID_FILE_ATTRIBUTES; }

bool IsLink(const char* path) {
  DWORD a = GetFileAttributesA(path);
  if (a == INVALID_FILE_ATTRIBUTES || !(a & FILE_ATTRIBUTE_REPARSE_POINT)) return false;
  // Only symbolic links and junctions lead elsewhere; other reparse points
  // (cloud placeholders, deduplicated files) are ordinary folders and files.
  WIN32_FIND_DATAA fd;
  HANDLE h = FindFirstFileA(path, &fd);
  if (h == INVALID_HANDLE_VALUE) return true;  // cannot tell: the safe answer
  FindClose(h);
  return fd.dwReserved0 == IO_REPARSE_TAG_SYMLINK || fd.dwReserved0 == IO_REPARSE_TAG_MOUNT_POINT;
}

int MakeDir(const char* path) {
  if (CreateDirectoryA(path, nullptr)) return 1;
  if (GetLastError() == ERROR_ALREADY_EXISTS && IsDir(path)) return 0;
  return -1;
}

bool RemoveFileAt(const char* path) {
  if (DeleteFileA(path)) return true;
  // A read-only file (extracted from a read-only source) is ours to remove.
  if (GetLastError() == ERROR_ACCESS_DENIED) {
    SetFileAttributesA(path, FILE_ATTRIBUTE_NORMAL);
    return DeleteFileA(path) != 0;
  }
  return false;
}

bool RemoveDirAt(const char* path) { return RemoveDirectoryA(path) != 0; }

bool RenameNew(const char* src, const char* dst) { return MoveFileExA(src, dst, 0) != 0; }

bool SetFileDos(const char* path, uint32_t dos) {
  FILETIME ft;
  if (!DosToFileTime(dos, &ft)) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return false;
  }
  HANDLE h = CreateFileA(path, FILE_WRITE_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                         OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (h == INVALID_HANDLE_VALUE) return false;
  bool ok = SetFileTime(h, &ft, &ft, &ft) != 0;
  CloseHandle(h);
  return ok;
}

bool RemoveTree(const char* path) {
  char pattern[kPathMax];
  if (lstrlenA(path) + 3 >= static_cast<int>(sizeof pattern)) return false;
  lstrcpyA(pattern, path);
  lstrcatA(pattern, "\\*");
  WIN32_FIND_DATAA fd;
  HANDLE h = FindFirstFileA(pattern, &fd);
  if (h != INVALID_HANDLE_VALUE) {
    do {
      if (lstrcmpA(fd.cFileName, ".") == 0 || lstrcmpA(fd.cFileName, "..") == 0) continue;
      char child[kPathMax];
      if (lstrlenA(path) + lstrlenA(fd.cFileName) + 2 >= static_cast<int>(sizeof child)) continue;
      lstrcpyA(child, path);
      lstrcatA(child, "\\");
      lstrcatA(child, fd.cFileName);
      if ((fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) &&
          !(fd.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT))
        RemoveTree(child);
      else if (fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
        RemoveDirectoryA(child);
      else
        RemoveFileAt(child);
    } while (FindNextFileA(h, &fd));
    FindClose(h);
  }
  return RemoveDirectoryA(path) != 0 || GetFileAttributesA(path) == INVALID_FILE_ATTRIBUTES;
}

void RandomBytes(void* buf, size_t n) {
  // RtlGenRandom, exported by advapi32 as SystemFunction036.
  typedef BOOLEAN(WINAPI * GenRandom)(PVOID, ULONG);
  static GenRandom gen = nullptr;
  if (!gen) {
    HMODULE m = LoadLibraryExA("advapi32.dll", nullptr, 0x00000800 /* LOAD_LIBRARY_SEARCH_SYSTEM32 */);
    if (!m) m = LoadLibraryA("advapi32.dll");
    if (m) gen = reinterpret_cast<GenRandom>(reinterpret_cast<void*>(GetProcAddress(m, "SystemFunction036")));
  }
  if (gen && gen(buf, static_cast<ULONG>(n))) return;
  // Fallback: counters; names stay unique because creation is exclusive.
  LARGE_INTEGER c;
  QueryPerformanceCounter(&c);
  for (size_t i = 0; i < n; ++i)
    static_cast<unsigned char*>(buf)[i] =
        static_cast<unsigned char>((c.QuadPart >> (i % 8 * 8)) ^ GetCurrentProcessId() ^ GetTickCount() ^ i);
}

bool TempFolder(char* out, size_t n) {
  DWORD len = GetTempPathA(static_cast<DWORD>(n), out);
  return len > 0 && len < n;
}

void SleepMs(unsigned ms) { Sleep(ms); }

bool IniHasKey(const char* file, const char* section, const char* key) {
  // A value never holds a character 1, so the default tells "missing".
  char buf[4];
  GetPrivateProfileStringA(section, key, "\x01", buf, sizeof buf, file);
  return !(buf[0] == '\x01' && buf[1] == 0);
}

bool IniWrite(const char* file, const char* section, const char* key, const char* value) {
  return WritePrivateProfileStringA(section, key, value, file) != 0;
}

bool IniErase(const char* file, const char* section, const char* key) {
  // Erasing from a file that does not exist is no failure.
  return WritePrivateProfileStringA(section, key, nullptr, file) != 0 || !Exists(file);
}

bool HasRegistryAndShell() { return true; }

}  // namespace kestro::stub
