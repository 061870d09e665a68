// Whole-file helpers for the Windows tests (paths in the ANSI code page).
#pragma once

#include <string>

namespace kestro::driver {

// The file's bytes; empty when it cannot be read.
std::string ReadAll(const std::string& path);
void WriteAll(const std::string& path, const std::string& bytes);
bool Exists(const std::string& path);
// Removes a folder with everything in it; what cannot be removed stays.
void RemoveTree(const std::string& dir);

}  // namespace kestro::driver
