// Path helpers. Paths are Windows paths with backslashes on every host; the
// POSIX half of the OS layer maps them when it touches the file system.
#pragma once

#include <string>

namespace kestro {

// s with a backslash appended, unless s is empty or already ends in one.
std::string AddBackslash(const std::string& s);
// s without its last character if that is a backslash.
std::string RemoveBackslash(const std::string& s);

// True for the characters that end a folder part: backslash, colon and the
// slash (Windows accepts it as a separator too).
bool IsPathDelimiter(char c);
// The part after the last backslash, colon or slash.
std::string ExtractFileName(const std::string& path);
// The folder part, up to and including the last delimiter ("" if none).
std::string ExtractFilePath(const std::string& path);
// The folder part without a trailing backslash (a drive root "C:\" stays).
std::string ExtractFileDir(const std::string& path);

// Whether the path needs no current folder: it starts with a backslash or a
// slash, or has a drive ("C:\x", also "C:x").
bool IsAbsolutePath(const std::string& p);
// A path of a project taken from the project file's folder, as the compiler
// takes it: unchanged when empty or absolute, else appended to that folder.
std::string FromFolderOf(const std::string& file, const std::string& path);

// Whether the path names an existing folder. "X:\" is tested unchanged, any
// other path after RemoveBackslash. On Windows the attribute read runs with
// critical-error boxes switched off.
bool DirExists(const std::string& path);
// The Windows folder, without a trailing backslash ("C:\windows" on POSIX).
std::string WindowsDir();

}  // namespace kestro
