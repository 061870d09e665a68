// Windows-1252 and UTF-8, the two encodings a path meets on its way between
// a project (always Windows-1252, as on Windows) and a POSIX file system
// (UTF-8). Plain buffers and no exceptions: the extractor links this too.
#pragma once

#include <cstddef>

namespace kestro::cp1252 {

// Converts n bytes of Windows-1252 to UTF-8 in `out` (NUL-terminated). The five bytes the code page leaves
// unassigned become the C1 controls of the same number, as Windows converts them. Returns the length written,
// or (size_t)-1 when `out` is too small.
size_t ToUtf8(const char* in, size_t n, char* out, size_t cap);

// Converts n bytes of UTF-8 to Windows-1252 in `out` (NUL-terminated). A
// character the code page cannot hold, and every byte that is not part of a
// valid UTF-8 sequence, becomes "?", as the system's ANSI functions show
// such names. Returns the length written, or (size_t)-1 when `out` is too
// small; *exact (when given) tells whether nothing was replaced.
size_t FromUtf8(const char* in, size_t n, char* out, size_t cap, bool* exact = nullptr);

// True when the n bytes are valid UTF-8 and hold at least one character
// outside ASCII: text that was most likely written in UTF-8.
bool IsNonAsciiUtf8(const char* in, size_t n);

}  // namespace kestro::cp1252
