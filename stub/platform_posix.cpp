// POSIX half of the extractor's platform layer (kestro-extract on Linux).
#include <dirent.h>
#include <errno.h>
#include <fcntl.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/stat.h>
#include <sys/time.h>
#include <time.h>
#include <unistd.h>

#include "common/cp1252.h"
#include "common/dos_time.h"
#include "stub/ini_text.h"
#include "stub/platform.h"

namespace kestro::stub {

struct PFile {
  int fd;
};

namespace {

// A path as the file system wants it: backslashes become slashes and the
// Windows-1252 bytes UTF-8. One that does not fit becomes the empty path,
// which every call refuses, rather than a shorter path that names another file.
struct HostPath {
  char p[kPathMax * 3];
  explicit HostPath(const char* path) {
    if (cp1252::ToUtf8(path, strlen(path), p, sizeof p) == static_cast<size_t>(-1)) p[0] = 0;
    for (char* c = p; *c; ++c)
      if (*c == '\\') *c = '/';
  }
};

int g_error = 0;

bool Fail() {
  g_error = errno;
  return false;
}

}  // namespace

PFile* OpenRead(const char* path) {
  int fd = open(HostPath(path).p, O_RDONLY | O_CLOEXEC);
  if (fd < 0) return Fail(), nullptr;
  struct stat st;
  if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
    g_error = S_ISDIR(st.st_mode) ? EISDIR : errno;
    close(fd);
    return nullptr;
  }
  return new PFile{fd};
}

PFile* CreateNew(const char* path) {
  int fd = open(HostPath(path).p, O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
  if (fd < 0) return Fail(), nullptr;
  return new PFile{fd};
}

bool ReadAt(PFile* f, uint64_t pos, void* buf, size_t n) {
  char* p = static_cast<char*>(buf);
  while (n > 0) {
    ssize_t got = pread(f->fd, p, n, static_cast<off_t>(pos));
    if (got < 0 && errno == EINTR) continue;
    if (got <= 0) {
      g_error = got < 0 ? errno : EIO;
      return false;
    }
    p += got;
    pos += static_cast<uint64_t>(got);
    n -= static_cast<size_t>(got);
  }
  return true;
}

bool WriteAll(PFile* f, const void* buf, size_t n) {
  const char* p = static_cast<const char*>(buf);
  while (n > 0) {
    ssize_t put = write(f->fd, p, n);
    if (put < 0 && errno == EINTR) continue;
    if (put <= 0) {
      g_error = put < 0 ? errno : ENOSPC;
      return false;
    }
    p += put;
    n -= static_cast<size_t>(put);
  }
  return true;
}

uint64_t FileSizeOf(PFile* f) {
  struct stat st;
  return fstat(f->fd, &st) == 0 ? static_cast<uint64_t>(st.st_size) : 0;
}

bool CloseFile(PFile* f) {
  bool ok = close(f->fd) == 0;
  if (!ok) g_error = errno;
  delete f;
  return ok;
}

int LastError() { return g_error; }

void ErrorText(int code, char* out, size_t n) { snprintf(out, n, "%s", strerror(code)); }

bool IsDir(const char* path) {
  struct stat st;
  return stat(HostPath(path).p, &st) == 0 && S_ISDIR(st.st_mode);
}

bool Exists(const char* path) {
  struct stat st;
  return lstat(HostPath(path).p, &st) == 0;
}

bool IsLink(const char* path) {
  struct stat st;
  return lstat(HostPath(path).p, &st) == 0 && S_ISLNK(st.st_mode);
}

int MakeDir(const char* path) {
  if (mkdir(HostPath(path).p, 0755) == 0) return 1;
  if (errno == EEXIST && IsDir(path)) return 0;
  Fail();
  return -1;
}

bool RemoveFileAt(const char* path) { return unlink(HostPath(path).p) == 0 || Fail(); }

bool RemoveDirAt(const char* path) { return rmdir(HostPath(path).p) == 0 || Fail(); }

bool RenameNew(const char* src, const char* dst) {
  HostPath s(src), d(dst);
  // link() fails if dst exists, so no existing file is ever replaced.
  if (link(s.p, d.p) == 0) {
    unlink(s.p);
    return true;
  }
  if (errno == EEXIST) return Fail();
  // File systems without hard links: test, then rename.
  if (Exists(dst)) {
    g_error = EEXIST;
    return false;
  }
  return rename(s.p, d.p) == 0 || Fail();
}

bool SetFileDos(const char* path, uint32_t dos) {
  time_t s;
  if (!LocalSecondsFromDos(dos, &s)) {
    g_error = EINVAL;
    return false;
  }
  struct timeval tv[2] = {{s, 0}, {s, 0}};
  return utimes(HostPath(path).p, tv) == 0 || Fail();
}

namespace {

// Removes a tree named by a host path (already UTF-8).
bool RemoveHostTree(const char* host) {
  DIR* d = opendir(host);
  if (!d) return unlink(host) == 0 || errno == ENOENT || Fail();
  while (struct dirent* e = readdir(d)) {
    if (strcmp(e->d_name, ".") == 0 || strcmp(e->d_name, "..") == 0) continue;
    char child[sizeof HostPath::p];
    if (strlen(host) + strlen(e->d_name) + 2 > sizeof child) continue;
    strcpy(child, host);
    strcat(child, "/");
    strcat(child, e->d_name);
    struct stat st;
    if (lstat(child, &st) == 0 && S_ISDIR(st.st_mode))
      RemoveHostTree(child);
    else
      unlink(child);
  }
  closedir(d);
  return rmdir(host) == 0 || Fail();
}

}  // namespace

bool RemoveTree(const char* path) { return RemoveHostTree(HostPath(path).p); }

void RandomBytes(void* buf, size_t n) {
  int fd = open("/dev/urandom", O_RDONLY | O_CLOEXEC);
  size_t got = 0;
  if (fd >= 0) {
    ssize_t r = read(fd, buf, n);
    got = r > 0 ? static_cast<size_t>(r) : 0;
    close(fd);
  }
  // Without /dev/urandom: time and address bits; names stay unique because
  // files and folders are created exclusively.
  for (size_t i = got; i < n; ++i) {
    struct timespec ts;
    clock_gettime(CLOCK_REALTIME, &ts);
    static_cast<unsigned char*>(buf)[i] =
        static_cast<unsigned char>(ts.tv_nsec ^ (ts.tv_nsec >> 8) ^ i ^ getpid());
  }
}

bool TempFolder(char* out, size_t n) {
  const char* t = getenv("TMPDIR");
  if (!t || !*t) t = "/tmp";
  int w = snprintf(out, n, "%s%s", t, t[strlen(t) - 1] == '/' ? "" : "/");
  return w > 0 && static_cast<size_t>(w) < n;
}

void SleepMs(unsigned ms) { usleep(ms * 1000u); }

namespace {

bool LoadText(const char* path, IniText* t) {
  FILE* f = fopen(HostPath(path).p, "rb");
  if (!f) return errno == ENOENT;
  char buf[65536];
  size_t n;
  bool ok = true;
  while ((n = fread(buf, 1, sizeof buf, f)) > 0) ok = ok && t->Append(buf, n);
  fclose(f);
  return ok;
}

bool SaveText(const char* path, const IniText& t) {
  FILE* f = fopen(HostPath(path).p, "wb");
  if (!f) return Fail();
  bool ok = fwrite(t.data, 1, t.len, f) == t.len;
  ok = (fclose(f) == 0) && ok;
  return ok || Fail();
}

}  // namespace

bool IniHasKey(const char* file, const char* section, const char* key) {
  IniText t;
  return LoadText(file, &t) && t.HasKey(section, key);
}

bool IniWrite(const char* file, const char* section, const char* key, const char* value) {
  IniText t;
  if (!LoadText(file, &t)) return Fail();
  return t.Set(section, key, value) && SaveText(file, t);
}

bool IniErase(const char* file, const char* section, const char* key) {
  IniText t;
  if (!LoadText(file, &t)) return Fail();
  if (!t.Erase(section, key)) return true;  // nothing to erase
  return SaveText(file, t);
}

bool HasRegistryAndShell() { return false; }

}  // namespace kestro::stub
