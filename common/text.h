// Windows-1252 text helpers for the console front-ends.
#pragma once

#include <string>

#include "common/digits.h"

namespace kestro {

// Converts Windows-1252 bytes to UTF-8 (for printing on a terminal).
std::string Cp1252ToUtf8(const std::string& s);
// Converts UTF-8 to Windows-1252; what the code page cannot hold, and bytes
// that are not valid UTF-8, become "?".
std::string Utf8ToCp1252(const std::string& s);
// ASCII upper case; other bytes unchanged.
std::string UpperAscii(std::string s);
// Removes leading and trailing characters with codes up to 32.
std::string TrimControl(const std::string& s);

}  // namespace kestro
