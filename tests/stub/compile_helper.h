// Compiles a project with the compiler engine, quietly, for the tests.
#pragma once

#include <string>

namespace kestro::testing {

// Writes project_text as dir + "\\project.tkp" (dir: a Windows-style path
// on every host) and compiles it with stub_path. Returns the engine's error
// text, empty on success.
std::string CompileProject(const std::string& dir, const std::string& project_text,
                           const std::string& stub_path);

}  // namespace kestro::testing
