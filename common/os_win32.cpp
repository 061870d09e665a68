// Win32 half of the OS layer.
#include <windows.h>

#include <memory>

#include "common/dos_time.h"
#include "common/errors.h"
#include "common/os.h"
#include "common/paths.h"

namespace kestro::os {
namespace {

int CodeFromWin32(DWORD e) {
  switch (e) {
    case ERROR_FILE_NOT_FOUND: return kFileNotFound;
    case ERROR_PATH_NOT_FOUND:
    case ERROR_INVALID_NAME:
    case ERROR_BAD_PATHNAME:
    case ERROR_INVALID_DRIVE: return kPathNotFound;
    case ERROR_TOO_MANY_OPEN_FILES: return kTooManyOpenFiles;
    case ERROR_ACCESS_DENIED:
    case ERROR_SHARING_VIOLATION:
    case ERROR_LOCK_VIOLATION:
    case ERROR_WRITE_PROTECT: return kAccessDenied;
    case ERROR_DISK_FULL:
    case ERROR_HANDLE_DISK_FULL: return kDiskFull;
    default: return static_cast<int>(e);
  }
}

[[noreturn]] void ThrowLast() { throw IoError(CodeFromWin32(GetLastError())); }

HANDLE H(void* h) { return static_cast<HANDLE>(h); }

}  // namespace

std::string HostPath(const std::string& path) { return path; }

std::string FromHostName(const std::string& name) { return name; }

File::~File() { Close(); }

File::File(File&& other) noexcept : handle_(other.handle_), path_(std::move(other.path_)) {
  other.handle_ = nullptr;
}

File& File::operator=(File&& other) noexcept {
  if (this != &other) {
    Close();
    handle_ = other.handle_;
    path_ = std::move(other.path_);
    other.handle_ = nullptr;
  }
  return *this;
}

void File::Open(const std::string& path, Mode mode) {
  Close();
  DWORD access = GENERIC_READ, disposition = OPEN_EXISTING, share = FILE_SHARE_READ;
  if (mode != kRead) access |= GENERIC_WRITE;
  if (mode == kCreate) disposition = CREATE_ALWAYS;
  if (mode == kCreateNew) disposition = CREATE_NEW;
  if (mode == kRead) share |= FILE_SHARE_WRITE;
  HANDLE h = CreateFileA(path.c_str(), access, share, nullptr, disposition, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (h == INVALID_HANDLE_VALUE) ThrowLast();
  handle_ = h;
  path_ = path;
}

bool File::IsOpen() const { return handle_ != nullptr; }

void File::Close() {
  if (handle_) CloseHandle(H(handle_));
  handle_ = nullptr;
}

size_t File::Read(void* buf, size_t n) {
  char* p = static_cast<char*>(buf);
  size_t done = 0;
  while (done < n) {
    DWORD chunk = static_cast<DWORD>(n - done > 0x40000000 ? 0x40000000 : n - done), got = 0;
    if (!ReadFile(H(handle_), p + done, chunk, &got, nullptr)) ThrowLast();
    if (got == 0) break;
    done += got;
  }
  return done;
}

void File::ReadExact(void* buf, size_t n) {
  if (Read(buf, n) != n) throw IoError(kReadBeyondEof);
}

void File::Write(const void* buf, size_t n) {
  const char* p = static_cast<const char*>(buf);
  while (n > 0) {
    DWORD chunk = static_cast<DWORD>(n > 0x40000000 ? 0x40000000 : n), put = 0;
    if (!WriteFile(H(handle_), p, chunk, &put, nullptr)) ThrowLast();
    if (put == 0) throw IoError(kDiskFull);
    p += put;
    n -= put;
  }
}

uint64_t File::Size() {
  LARGE_INTEGER s;
  if (!GetFileSizeEx(H(handle_), &s)) ThrowLast();
  return static_cast<uint64_t>(s.QuadPart);
}

void File::Seek(uint64_t pos) {
  LARGE_INTEGER d;
  d.QuadPart = static_cast<LONGLONG>(pos);
  if (!SetFilePointerEx(H(handle_), d, nullptr, FILE_BEGIN)) ThrowLast();
}

void File::SeekEnd() {
  LARGE_INTEGER d;
  d.QuadPart = 0;
  if (!SetFilePointerEx(H(handle_), d, nullptr, FILE_END)) ThrowLast();
}

uint64_t File::Position() {
  LARGE_INTEGER d, out;
  d.QuadPart = 0;
  if (!SetFilePointerEx(H(handle_), d, &out, FILE_CURRENT)) ThrowLast();
  return static_cast<uint64_t>(out.QuadPart);
}

bool FileExists(const std::string& path) {
  DWORD a = GetFileAttributesA(path.c_str());
  return a != INVALID_FILE_ATTRIBUTES && !(a & FILE_ATTRIBUTE_DIRECTORY);
}

bool IsDirectory(const std::string& path) {
  DWORD a = GetFileAttributesA(path.c_str());
  return a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_DIRECTORY);
}

int CreateDir(const std::string& path) {
  if (CreateDirectoryA(path.c_str(), nullptr)) return 0;
  return CodeFromWin32(GetLastError());
}

bool RemoveDir(const std::string& path) { return RemoveDirectoryA(path.c_str()) != 0; }

bool RemoveFile(const std::string& path) { return DeleteFileA(path.c_str()) != 0; }

int CopyFileOver(const std::string& src, const std::string& dst) {
  if (CopyFileA(src.c_str(), dst.c_str(), FALSE)) return 0;
  return CodeFromWin32(GetLastError());
}

uint64_t CopyRest(File& from, File& to) {
  constexpr DWORD kBuffer = 1 << 20;
  std::unique_ptr<char[]> buf(new char[kBuffer]);
  uint64_t total = 0;
  for (;;) {
    size_t n = from.Read(buf.get(), kBuffer);
    if (n == 0) return total;
    to.Write(buf.get(), n);
    total += n;
  }
}

// Whole files are copied by name with CopyFileA; between open files there is
// no system copy to use.
uint64_t CopyWhole(File& from, File& to) { return CopyRest(from, to); }
int CopyFileNew(const std::string& src, const std::string& dst) {
  if (CopyFileA(src.c_str(), dst.c_str(), TRUE)) return 0;
  return CodeFromWin32(GetLastError());
}

std::string CreatePrivateDir(const std::string& parent, const std::string& prefix, int* error) {
  // A new name until one is free: the folder is ours alone because we
  // created it (the per-user temporary folder keeps others out).
  static LONG counter = 0;
  for (int attempt = 0; attempt < 100; ++attempt) {
    char unique[32];
    wsprintfA(unique, "%08lx%04lx", GetTickCount() ^ (GetCurrentProcessId() << 16),
              static_cast<unsigned long>(InterlockedIncrement(&counter) & 0xFFFF));
    std::string path = AddBackslash(parent) + prefix + unique;
    if (CreateDirectoryA(path.c_str(), nullptr)) {
      *error = 0;
      return path;
    }
    if (GetLastError() != ERROR_ALREADY_EXISTS) break;
  }
  *error = CodeFromWin32(GetLastError());
  return "";
}

bool RemoveTree(const std::string& path) {
  DWORD a = GetFileAttributesA(path.c_str());
  if (a == INVALID_FILE_ATTRIBUTES) return GetLastError() == ERROR_FILE_NOT_FOUND;
  if (!(a & FILE_ATTRIBUTE_DIRECTORY)) return DeleteFileA(path.c_str()) != 0;
  if (!(a & FILE_ATTRIBUTE_REPARSE_POINT)) {
    WIN32_FIND_DATAA fd;
    HANDLE h = FindFirstFileA((path + "\\*").c_str(), &fd);
    if (h != INVALID_HANDLE_VALUE) {
      do {
        std::string name = fd.cFileName;
        if (name != "." && name != "..") RemoveTree(path + "\\" + name);
      } while (FindNextFileA(h, &fd));
      FindClose(h);
    }
  }
  return RemoveDirectoryA(path.c_str()) != 0;
}

int RenameFile(const std::string& src, const std::string& dst) {
  if (MoveFileExA(src.c_str(), dst.c_str(), MOVEFILE_REPLACE_EXISTING)) return 0;
  return CodeFromWin32(GetLastError());
}

std::vector<std::string> ListFiles(const std::string& dir) {
  std::vector<std::string> names;
  WIN32_FIND_DATAA fd;
  HANDLE h = FindFirstFileA((AddBackslash(dir) + "*.*").c_str(), &fd);
  if (h == INVALID_HANDLE_VALUE) return names;
  do {
    if (!(fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) names.push_back(fd.cFileName);
  } while (FindNextFileA(h, &fd));
  FindClose(h);
  return names;
}

std::string GetEnv(const std::string& name) {
  char buf[32768];
  DWORD n = GetEnvironmentVariableA(name.c_str(), buf, sizeof buf);
  if (n == 0 || n >= sizeof buf) return "";
  return std::string(buf, n);
}

std::string TempFolder() {
  std::string t = GetEnv("TMP");
  if (t.empty() || !DirExists(t)) t = GetEnv("TEMP");
  if (t.empty() || !DirExists(t)) t = WindowsDir();
  return AddBackslash(FullPath(t));
}

std::string ModulePath() {
  char buf[MAX_PATH * 4];
  DWORD n = GetModuleFileNameA(nullptr, buf, sizeof buf);
  return std::string(buf, n);
}

std::string CurrentDir() {
  char buf[MAX_PATH * 4];
  DWORD n = GetCurrentDirectoryA(sizeof buf, buf);
  return std::string(buf, n < sizeof buf ? n : 0);
}

bool SetCurrentDir(const std::string& path) { return SetCurrentDirectoryA(path.c_str()) != 0; }

std::string FullPath(const std::string& path) {
  char buf[MAX_PATH * 4];
  char* name = nullptr;
  DWORD n = GetFullPathNameA(path.c_str(), sizeof buf, buf, &name);
  if (n == 0 || n >= sizeof buf) return path;
  return std::string(buf, n);
}

namespace {

uint32_t DosFromSystemTime(const SYSTEMTIME& st) {
  return PackDos({st.wYear, st.wMonth, st.wDay, st.wHour, st.wMinute, st.wSecond});
}

}  // namespace

File::Stamp File::GetStamp() {
  BY_HANDLE_FILE_INFORMATION info;
  if (!GetFileInformationByHandle(H(handle_), &info)) ThrowLast();
  Stamp stamp;
  stamp.size = (static_cast<uint64_t>(info.nFileSizeHigh) << 32) | info.nFileSizeLow;
  FILETIME local;
  SYSTEMTIME st;
  if (FileTimeToLocalFileTime(&info.ftLastWriteTime, &local) && FileTimeToSystemTime(&local, &st))
    stamp.dos_date_time = DosFromSystemTime(st);
  // 100-nanosecond steps since 1601-01-01 UTC.
  int64_t ticks = static_cast<int64_t>((static_cast<uint64_t>(info.ftLastWriteTime.dwHighDateTime) << 32) |
                                       info.ftLastWriteTime.dwLowDateTime);
  int64_t since_1970 = ticks - 116444736000000000LL;
  stamp.modified_unix = since_1970 >= 0 ? since_1970 / 10000000 : -((-since_1970 + 9999999) / 10000000);
  return stamp;
}

uint32_t FileDosDateTime(const std::string& path) {
  WIN32_FILE_ATTRIBUTE_DATA d;
  if (!GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &d)) return 0;
  FILETIME local;
  SYSTEMTIME st;
  if (!FileTimeToLocalFileTime(&d.ftLastWriteTime, &local) || !FileTimeToSystemTime(&local, &st)) return 0;
  return DosFromSystemTime(st);
}

uint32_t CurrentDosDateTime() {
  SYSTEMTIME st;
  GetLocalTime(&st);
  return DosFromSystemTime(st);
}

bool SetFileDosDateTime(const std::string& path, uint32_t dos) {
  CivilTime c;
  if (!UnpackDos(dos, &c)) return false;
  FILETIME local, utc;
  if (!DosDateTimeToFileTime(static_cast<WORD>(dos >> 16), static_cast<WORD>(dos), &local)) return false;
  if (!LocalFileTimeToFileTime(&local, &utc)) return false;
  HANDLE h = CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                         FILE_ATTRIBUTE_NORMAL, nullptr);
  if (h == INVALID_HANDLE_VALUE) return false;
  BOOL ok = SetFileTime(h, &utc, &utc, &utc);
  CloseHandle(h);
  return ok != 0;
}

int64_t FileSize(const std::string& path) {
  WIN32_FILE_ATTRIBUTE_DATA d;
  if (!GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &d) ||
      (d.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
    return -1;
  return (static_cast<int64_t>(d.nFileSizeHigh) << 32) | d.nFileSizeLow;
}

}  // namespace kestro::os

namespace kestro {

bool DirExists(const std::string& path) {
  std::string p = path;
  if (!(p.size() >= 2 && p[p.size() - 1] == '\\' && p[p.size() - 2] == ':')) p = RemoveBackslash(p);
  UINT old = SetErrorMode(SEM_FAILCRITICALERRORS);
  DWORD a = GetFileAttributesA(p.c_str());
  SetErrorMode(old);
  return a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_DIRECTORY);
}

std::string WindowsDir() {
  char buf[MAX_PATH];
  UINT n = GetWindowsDirectoryA(buf, MAX_PATH);
  if (n == 0 || n >= MAX_PATH) return "";
  return RemoveBackslash(std::string(buf, n));
}

}  // namespace kestro
