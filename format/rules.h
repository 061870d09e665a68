// What the extractor accepts, written once: the compiler checks a project
// against these rules when it builds, the extractor checks every output
// against them before it shows or writes anything. Built without
// exceptions and the standard library, like records.cpp.
#pragma once

#include <stddef.h>
#include <stdint.h>

#include "format/records.h"

namespace kestro::format {

// Whether s begins with "%a" (either letter case), the target folder.
inline bool StartsWithTarget(const char* s, size_t len) {
  return len >= 2 && s[0] == '%' && (s[1] == 'a' || s[1] == 'A');
}

// Whether a relative path (folder names separated by backslashes) stays
// inside the folder it is taken from: no "..", slash, colon, empty part,
// device name (CON, AUX, COM1, ... also with an extension), invalid or
// control character, and no part ending in a dot or a blank.
bool SafeRelativePath(const char* rel, size_t len);
// The same for a destination: "%a\" followed by a safe relative path.
bool SafeDestination(const char* dest, size_t len);

// A file entry's destination for a source file name: "%a\" + name, cut to
// the field's 63 characters.
void MakeDestination(const char* name, size_t len, PStr<63>* out);

// The DWORD data grammar: an optional sign and decimal digits that fit a
// 32-bit signed number, or "$" followed by hexadecimal digits that fit 32
// bits. The value is stored in *out (may be null) as its 32-bit pattern.
bool ParseDword(const char* s, size_t len, uint32_t* out);

// The checks of the script entries. Each returns null when the entry is
// acceptable, else the reason in a few words (no closing period). Dirs: "%a" itself or a safe
// destination, a trailing backslash allowed. Ini: a file inside the target
// folder must be a safe destination; section and key named; not both E and
// S. Reg: one of the three roots, a known type, DWORD data in the grammar,
// not both E and K. Icons: a name that is a safe relative path and a
// command line.
const char* CheckDirEntry(const DirEntry& e);
const char* CheckIniEntry(const IniEntry& e);
const char* CheckRegEntry(const RegEntry& e);
const char* CheckIconEntry(const IconEntry& e);

}  // namespace kestro::format
