// The small OS layer: files, folders, the temporary folder, file times and
// the process. One header, a POSIX half and a Win32 half. Paths are Windows
// paths; on POSIX a backslash and a slash both separate folders.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace kestro::os {

// An open file. Failures raise IoError with the run-time library's codes.
class File {
 public:
  enum Mode {
    kRead,       // existing file, reading only
    kReadWrite,  // existing file, reading and writing
    kCreate,     // create or truncate, reading and writing
    kCreateNew,  // create a new file, reading and writing; fails if the name
                 // exists, also as a link (O_EXCL|O_NOFOLLOW, CREATE_NEW)
  };

  File() = default;
  File(const std::string& path, Mode mode) { Open(path, mode); }
  ~File();
  File(const File&) = delete;
  File& operator=(const File&) = delete;
  File(File&& other) noexcept;
  File& operator=(File&& other) noexcept;

  void Open(const std::string& path, Mode mode);
  bool IsOpen() const;
  void Close();

  // Reads up to n bytes; returns how many were read (0 at the end).
  size_t Read(void* buf, size_t n);
  // Reads exactly n bytes, else IoError 100.
  void ReadExact(void* buf, size_t n);
  // Writes all n bytes, else IoError 101 (disk full) or the system's code.
  void Write(const void* buf, size_t n);
  uint64_t Size();
  // Size and last-modification time (local DOS date in the high word, time
  // in the low word) with one status call on the open handle.
  struct Stamp {
    uint64_t size = 0;
    uint32_t dos_date_time = 0;
    int64_t modified_unix = 0;  // the same time in seconds since 1970, UTC
  };
  Stamp GetStamp();
  void Seek(uint64_t pos);
  void SeekEnd();
  uint64_t Position();

  const std::string& path() const { return path_; }

 private:
  friend uint64_t CopyRest(File& from, File& to);
  // Copies all of `from` into the empty file `to`: a reflink where the file
  // system can share the blocks (FICLONE), else CopyRest.
  uint64_t CopyWhole(File& from, File& to);
  friend uint64_t CopyWhole(File& from, File& to);
#ifdef _WIN32
  void* handle_ = nullptr;
#else
  int fd_ = -1;
#endif
  std::string path_;
};

// The path as the host's file system wants it. POSIX: backslashes become
// slashes and the Windows-1252 bytes UTF-8. Windows: unchanged.
std::string HostPath(const std::string& path);
// A name or path the host gave us, as Windows-1252 (POSIX: from UTF-8; a
// character the code page cannot hold becomes "?", as the ANSI functions of
// Windows show it). Windows: unchanged.
std::string FromHostName(const std::string& name);
// The program's arguments (argv[1..]) as Windows-1252 text.
std::vector<std::string> Arguments(int argc, char** argv);

bool FileExists(const std::string& path);
// Raw folder test; DirExists() in paths.h adds the trailing-backslash rule.
bool IsDirectory(const std::string& path);
// Creates one folder level. Returns 0 or the run-time library's error code.
int CreateDir(const std::string& path);
bool RemoveDir(const std::string& path);
bool RemoveFile(const std::string& path);
// Copies src to dst, replacing dst. Returns 0 or an error code.
int CopyFileOver(const std::string& src, const std::string& dst);
// Copies what is left of `from` (its position to its end) to `to` at its
// position, with the system's fast copy where it has one (copy_file_range on
// Linux). Returns the bytes copied; raises IoError on failure.
uint64_t CopyRest(File& from, File& to);
// Copies all of `from` into the empty file `to`: a reflink where the file
// system can share the blocks (FICLONE), else CopyRest.
uint64_t CopyWhole(File& from, File& to);
// Copies src to a new file dst (created as File::kCreateNew). Returns 0 or
// an error code.
int CopyFileNew(const std::string& src, const std::string& dst);
// Creates a new folder of its own in parent, named prefix + a unique part,
// that only this user can enter (POSIX: mkdtemp, mode 0700). Returns its
// path without a trailing separator, or "" with the error code in *error.
std::string CreatePrivateDir(const std::string& parent, const std::string& prefix, int* error);
// Removes a folder with everything in it; links inside are removed, never
// followed. False if anything remains.
bool RemoveTree(const std::string& path);
// Renames src to dst, replacing dst. Returns 0 or an error code.
int RenameFile(const std::string& src, const std::string& dst);
// Names (not paths) of the files, not folders, in a folder, hidden and system
// files included, in the order the file system returns them.
std::vector<std::string> ListFiles(const std::string& dir);

std::string GetEnv(const std::string& name);
// The temporary folder with a trailing separator. Windows: TMP, TEMP, the
// Windows folder (the first that exists). POSIX: TMPDIR, else /tmp.
std::string TempFolder();
// Full path of the running program.
std::string ModulePath();
std::string CurrentDir();
bool SetCurrentDir(const std::string& path);
std::string FullPath(const std::string& path);

// Last-modification time of a file as local DOS date (high word) and time
// (low word); 0 if the file cannot be read.
uint32_t FileDosDateTime(const std::string& path);
// The current local time, cut to the DOS format's two-second steps.
uint32_t CurrentDosDateTime();
// Sets creation (where the host has one), access and write times of a file
// to a local DOS date and time. Returns false on failure.
bool SetFileDosDateTime(const std::string& path, uint32_t dos);

// Size of a file, or -1.
int64_t FileSize(const std::string& path);

}  // namespace kestro::os
