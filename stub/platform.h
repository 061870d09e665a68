// The extractor's own small platform layer: files, folders, file times, INI
// files, and (Windows only) the registry and shortcuts. One header, a Win32
// half and a POSIX half. No exceptions, no std::string: the stub has a size
// budget. Paths are Windows paths; the POSIX half treats a backslash and a
// slash alike as separators.
#pragma once

#include <stddef.h>
#include <stdint.h>

namespace kestro::stub {

inline constexpr size_t kPathMax = 1024;

struct PFile;

// Opens an existing file for reading (others may read and write it).
PFile* OpenRead(const char* path);
// Creates a new file for writing; fails if the name exists.
PFile* CreateNew(const char* path);
// Reads exactly n bytes at pos; false on a short read or an error.
bool ReadAt(PFile* f, uint64_t pos, void* buf, size_t n);
// Writes all n bytes at the end of what was written; false on an error.
bool WriteAll(PFile* f, const void* buf, size_t n);
uint64_t FileSizeOf(PFile* f);
// Closes; false if the system reports an error (a write it could not finish).
bool CloseFile(PFile* f);

// The last system error of this thread, and its text.
int LastError();
void ErrorText(int code, char* out, size_t n);

bool IsDir(const char* path);
bool Exists(const char* path);
// Whether path itself is a symbolic link or a junction (not followed).
bool IsLink(const char* path);
// Creates one folder level. Returns 1 if created, 0 if a folder of that name
// already existed, -1 on failure.
int MakeDir(const char* path);
bool RemoveFileAt(const char* path);
bool RemoveDirAt(const char* path);
// Renames src to dst; dst must not exist.
bool RenameNew(const char* src, const char* dst);
// Sets the modification (and access, where there is one creation) time from
// a local DOS date (high word) and time (low word).
bool SetFileDos(const char* path, uint32_t dos);
// Removes a folder with everything in it. False if anything remains.
bool RemoveTree(const char* path);

// Fills buf with unpredictable bytes (the system's random source).
void RandomBytes(void* buf, size_t n);
// The user's temporary folder, with a trailing backslash.
bool TempFolder(char* out, size_t n);
// Sleeps for ms milliseconds.
void SleepMs(unsigned ms);

// INI files, with the private-profile semantics of the host (Windows: the
// system's functions; POSIX: a small editor of our own).
bool IniHasKey(const char* file, const char* section, const char* key);
bool IniWrite(const char* file, const char* section, const char* key, const char* value);
bool IniErase(const char* file, const char* section, const char* key);

// Whether this host can apply registry entries and create shortcuts.
bool HasRegistryAndShell();

}  // namespace kestro::stub
