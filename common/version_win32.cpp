// Win32 half of the version lookup: the system's version functions.
#include <windows.h>

#include <vector>

#include "common/os.h"
#include "common/version.h"

namespace kestro {

bool FileVersion(const std::string& path, FileVersionWords* out) {
  *out = FileVersionWords{};
  // The version functions load the file as a module: a bare name would be
  // looked up along the library search path (the program's folder, the
  // system folders) before the current folder. The file meant is the one
  // the path names from the current folder, as for every other access.
  std::string full = os::FullPath(path);
  DWORD handle = 0;
  DWORD size = GetFileVersionInfoSizeA(full.c_str(), &handle);
  if (size == 0) return false;
  std::vector<char> buf(size);
  if (!GetFileVersionInfoA(full.c_str(), 0, size, buf.data())) return false;
  VS_FIXEDFILEINFO* info = nullptr;
  UINT len = 0;
  if (!VerQueryValueA(buf.data(), "\\", reinterpret_cast<void**>(&info), &len) || !info ||
      len < sizeof(VS_FIXEDFILEINFO))
    return false;
  out->ms = info->dwFileVersionMS;
  out->ls = info->dwFileVersionLS;
  return true;
}

}  // namespace kestro
