// POSIX half of the OS layer.
#include <dirent.h>
#include <fcntl.h>
#ifdef __linux__
#include <linux/fs.h>
#include <sys/ioctl.h>
#endif
#include <sys/stat.h>
#include <sys/time.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <memory>

#include "common/dos_time.h"
#include "common/errors.h"
#include "common/os.h"
#include "common/paths.h"
#include "common/text.h"

namespace kestro::os {
namespace {

// Maps errno to the run-time library's codes the user knows.
int CodeFromErrno(int e) {
  switch (e) {
    case ENOENT: return kFileNotFound;
    case ENOTDIR:
    case ENAMETOOLONG:
    case EINVAL: return kPathNotFound;
    case EMFILE:
    case ENFILE: return kTooManyOpenFiles;
    case EACCES:
    case EPERM:
    case EROFS:
    case EISDIR: return kAccessDenied;
    case ENOSPC:
    case EDQUOT:
    case EFBIG: return kDiskFull;
    default: return e;
  }
}

[[noreturn]] void ThrowErrno() { throw IoError(CodeFromErrno(errno)); }

constexpr size_t kCopyBuffer = size_t{1} << 20;

// Backslashes become slashes; the bytes stay Windows-1252.
std::string SlashPath(const std::string& path) {
  std::string p = path;
  for (char& c : p)
    if (c == '\\') c = '/';
  return p;
}

}  // namespace

std::string HostPath(const std::string& path) { return Cp1252ToUtf8(SlashPath(path)); }

std::string FromHostName(const std::string& name) { return Utf8ToCp1252(name); }

File::~File() {
  if (fd_ >= 0) ::close(fd_);
}

File::File(File&& other) noexcept : fd_(other.fd_), path_(std::move(other.path_)) { other.fd_ = -1; }

File& File::operator=(File&& other) noexcept {
  if (this != &other) {
    if (fd_ >= 0) ::close(fd_);
    fd_ = other.fd_;
    path_ = std::move(other.path_);
    other.fd_ = -1;
  }
  return *this;
}

void File::Open(const std::string& path, Mode mode) {
  Close();
  int flags = O_CLOEXEC;
  switch (mode) {
    case kRead: flags |= O_RDONLY; break;
    case kReadWrite: flags |= O_RDWR; break;
    case kCreate: flags |= O_RDWR | O_CREAT | O_TRUNC; break;
    case kCreateNew: flags |= O_RDWR | O_CREAT | O_EXCL | O_NOFOLLOW; break;
  }
  int fd = ::open(HostPath(path).c_str(), flags, mode == kCreateNew ? 0600 : 0666);
  if (fd < 0) ThrowErrno();
  struct stat st;
  if (::fstat(fd, &st) == 0 && S_ISDIR(st.st_mode)) {
    ::close(fd);
    throw IoError(kAccessDenied);
  }
  fd_ = fd;
  path_ = path;
}

bool File::IsOpen() const { return fd_ >= 0; }

void File::Close() {
  if (fd_ >= 0) ::close(fd_);
  fd_ = -1;
}

size_t File::Read(void* buf, size_t n) {
  char* p = static_cast<char*>(buf);
  size_t done = 0;
  while (done < n) {
    ssize_t r = ::read(fd_, p + done, n - done);
    if (r < 0) {
      if (errno == EINTR) continue;
      ThrowErrno();
    }
    if (r == 0) break;
    done += static_cast<size_t>(r);
  }
  return done;
}

void File::ReadExact(void* buf, size_t n) {
  if (Read(buf, n) != n) throw IoError(kReadBeyondEof);
}

void File::Write(const void* buf, size_t n) {
  const char* p = static_cast<const char*>(buf);
  while (n > 0) {
    ssize_t w = ::write(fd_, p, n);
    if (w < 0) {
      if (errno == EINTR) continue;
      ThrowErrno();
    }
    if (w == 0) throw IoError(kDiskFull);
    p += w;
    n -= static_cast<size_t>(w);
  }
}

uint64_t File::Size() {
  struct stat st;
  if (::fstat(fd_, &st) != 0) ThrowErrno();
  return static_cast<uint64_t>(st.st_size);
}

void File::Seek(uint64_t pos) {
  if (::lseek(fd_, static_cast<off_t>(pos), SEEK_SET) < 0) ThrowErrno();
}

void File::SeekEnd() {
  if (::lseek(fd_, 0, SEEK_END) < 0) ThrowErrno();
}

uint64_t File::Position() {
  off_t p = ::lseek(fd_, 0, SEEK_CUR);
  if (p < 0) ThrowErrno();
  return static_cast<uint64_t>(p);
}

bool FileExists(const std::string& path) {
  struct stat st;
  return !path.empty() && ::stat(HostPath(path).c_str(), &st) == 0 && !S_ISDIR(st.st_mode);
}

bool IsDirectory(const std::string& path) {
  struct stat st;
  return !path.empty() && ::stat(HostPath(path).c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

int CreateDir(const std::string& path) {
  if (::mkdir(HostPath(path).c_str(), 0777) == 0) return 0;
  return CodeFromErrno(errno);
}

bool RemoveDir(const std::string& path) { return ::rmdir(HostPath(path).c_str()) == 0; }

bool RemoveFile(const std::string& path) { return ::unlink(HostPath(path).c_str()) == 0; }

uint64_t CopyRest(File& from, File& to) {
  uint64_t total = 0;
#ifdef __linux__
  // The kernel copies (or shares, on file systems with reflinks) without
  // the data passing through this process.
  for (;;) {
    ssize_t n = ::copy_file_range(from.fd_, nullptr, to.fd_, nullptr, size_t{1} << 30, 0);
    if (n > 0) {
      total += static_cast<uint64_t>(n);
      continue;
    }
    if (n == 0) return total;
    if (errno == EINTR) continue;
    // Not between these two files (other file systems, old kernels): copy
    // through a buffer from where the kernel stopped.
    if (errno != EXDEV && errno != ENOSYS && errno != EINVAL && errno != EOPNOTSUPP && errno != EBADF)
      ThrowErrno();
    break;
  }
#endif
  std::unique_ptr<char[]> buf(new char[kCopyBuffer]);
  for (;;) {
    size_t n = from.Read(buf.get(), kCopyBuffer);
    if (n == 0) return total;
    to.Write(buf.get(), n);
    total += n;
  }
}

uint64_t CopyWhole(File& from, File& to) {
#ifdef FICLONE
  if (::ioctl(to.fd_, FICLONE, from.fd_) == 0) return from.Size();
#endif
  return CopyRest(from, to);
}

namespace {

int CopyFileWith(const std::string& src, const std::string& dst, File::Mode mode) {
  try {
    File in(src, File::kRead);
    File out(dst, mode);
    CopyWhole(in, out);
    return 0;
  } catch (const IoError& e) {
    return e.code();
  }
}

}  // namespace

int CopyFileOver(const std::string& src, const std::string& dst) {
  return CopyFileWith(src, dst, File::kCreate);
}

int CopyFileNew(const std::string& src, const std::string& dst) {
  return CopyFileWith(src, dst, File::kCreateNew);
}

std::string CreatePrivateDir(const std::string& parent, const std::string& prefix, int* error) {
  std::string pattern = HostPath(parent);
  if (!pattern.empty() && pattern.back() != '/') pattern += '/';
  pattern += prefix + "XXXXXX";
  std::vector<char> buf(pattern.begin(), pattern.end());
  buf.push_back(0);
  if (!::mkdtemp(buf.data())) {
    *error = CodeFromErrno(errno);
    return "";
  }
  *error = 0;
  return buf.data();
}

bool RemoveTree(const std::string& path) {
  std::string host = HostPath(path);
  struct stat st;
  if (::lstat(host.c_str(), &st) != 0) return errno == ENOENT;
  if (!S_ISDIR(st.st_mode)) return ::unlink(host.c_str()) == 0;
  if (DIR* d = ::opendir(host.c_str())) {
    while (dirent* e = ::readdir(d)) {
      std::string name = e->d_name;
      if (name != "." && name != "..") RemoveTree(host + "/" + name);
    }
    ::closedir(d);
  }
  return ::rmdir(host.c_str()) == 0;
}

int RenameFile(const std::string& src, const std::string& dst) {
  if (::rename(HostPath(src).c_str(), HostPath(dst).c_str()) == 0) return 0;
  return CodeFromErrno(errno);
}

std::vector<std::string> ListFiles(const std::string& dir) {
  std::vector<std::string> names;
  std::string host = HostPath(dir);
  DIR* d = ::opendir(host.c_str());
  if (!d) return names;
  if (!host.empty() && host.back() != '/') host += '/';
  while (dirent* e = ::readdir(d)) {
    std::string name = e->d_name;
    if (name == "." || name == "..") continue;
    struct stat st;
    if (::stat((host + name).c_str(), &st) == 0 && S_ISREG(st.st_mode)) names.push_back(FromHostName(name));
  }
  ::closedir(d);
  return names;
}

std::string GetEnv(const std::string& name) {
  const char* v = std::getenv(name.c_str());
  return v ? v : "";
}

std::string TempFolder() {
  std::string t = GetEnv("TMPDIR");
  t = FromHostName(t);
  if (t.empty() || !IsDirectory(t)) t = "/tmp";
  if (t.back() != '/' && t.back() != '\\') t += '/';
  return t;
}

std::string ModulePath() {
  char buf[PATH_MAX];
  ssize_t n = ::readlink("/proc/self/exe", buf, sizeof buf - 1);
  if (n <= 0) return "";
  return FromHostName(std::string(buf, static_cast<size_t>(n)));
}

std::string CurrentDir() {
  char buf[PATH_MAX];
  if (!::getcwd(buf, sizeof buf)) return "";
  return FromHostName(buf);
}

bool SetCurrentDir(const std::string& path) { return ::chdir(HostPath(path).c_str()) == 0; }

std::string FullPath(const std::string& path) {
  std::string p = SlashPath(path);
  if (p.empty() || p[0] != '/') p = CurrentDir() + "/" + p;
  return p;
}

namespace {

uint32_t DosFromTime(time_t s) {
  std::tm t{};
  localtime_r(&s, &t);
  return PackDos({t.tm_year + 1900, t.tm_mon + 1, t.tm_mday, t.tm_hour, t.tm_min, t.tm_sec});
}

}  // namespace

File::Stamp File::GetStamp() {
  struct stat st;
  if (::fstat(fd_, &st) != 0) ThrowErrno();
  return {static_cast<uint64_t>(st.st_size), DosFromTime(st.st_mtime), static_cast<int64_t>(st.st_mtime)};
}

uint32_t FileDosDateTime(const std::string& path) {
  struct stat st;
  if (::stat(HostPath(path).c_str(), &st) != 0) return 0;
  return DosFromTime(st.st_mtime);
}

uint32_t CurrentDosDateTime() { return DosFromTime(std::time(nullptr)); }

bool SetFileDosDateTime(const std::string& path, uint32_t dos) {
  time_t s;
  if (!LocalSecondsFromDos(dos, &s)) return false;
  struct timeval tv[2] = {{s, 0}, {s, 0}};
  return ::utimes(HostPath(path).c_str(), tv) == 0;
}

int64_t FileSize(const std::string& path) {
  struct stat st;
  if (::stat(HostPath(path).c_str(), &st) != 0 || S_ISDIR(st.st_mode)) return -1;
  return st.st_size;
}

}  // namespace kestro::os

namespace kestro {

bool DirExists(const std::string& path) {
  std::string p = path;
  if (!(p.size() >= 2 && p[p.size() - 1] == '\\' && p[p.size() - 2] == ':')) p = RemoveBackslash(p);
  return os::IsDirectory(p);
}

std::string WindowsDir() { return "C:\\windows"; }

}  // namespace kestro
