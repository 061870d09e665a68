// The fixed file version of an executable: the two words of the
// VS_FIXEDFILEINFO in its version resource.
#pragma once

#include <cstdint>
#include <string>

namespace kestro {

namespace os {
class File;
}

inline constexpr uint32_t kNoFileVersion = 0xFFFFFFFFu;

struct FileVersionWords {
  uint32_t ms = kNoFileVersion;  // major << 16 | minor
  uint32_t ls = kNoFileVersion;  // release << 16 | build
};

// Our own reader of a PE file's version resource, on every host. False (and
// both words kNoFileVersion) for a file without one, for a file that is no
// PE file, and for a damaged or lying header, section table or resource tree.
bool ReadPeFileVersion(const std::string& path, FileVersionWords* out);
// The same on a file that is already open and `size` bytes long; its
// position is left anywhere.
bool ReadPeFileVersion(os::File& file, uint64_t size, FileVersionWords* out);

// The host's answer: on Windows the system's version functions, elsewhere
// ReadPeFileVersion.
bool FileVersion(const std::string& path, FileVersionWords* out);

}  // namespace kestro
