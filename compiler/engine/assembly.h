// Output assembly: the stub copied to SETUP.EXE, the header written over its
// marker, both parts appended, and the result delivered to the output path.
#pragma once

#include <cstdint>
#include <string>

#include "common/os.h"

namespace kestro::compiler {

// Block size of the marker search.
inline constexpr size_t kAssemblyBlock = 4096;

// Searches the marker from the file's start in blocks of 4096 bytes, each
// full block followed by one that starts 11 bytes before its end, with the
// extractor's own search. Returns the first marker's offset, or -1.
int64_t FindMarker(os::File& file);

// Stage 10: copies the stub to SETUP.EXE ("Couldnt copy ..." on failure).
// exclusive: SETUP.EXE is created as a new file (a private work folder).
void CopyStub(const std::string& stub, const std::string& setup_exe, bool exclusive = false);

// Stage 11: writes the header over the marker of SETUP.EXE and appends
// SETUP.0 and SETUP.1. SETUP.0 and SETUP.1 are deleted afterwards, and on
// failure SETUP.EXE too.
void AddHeader(const std::string& setup_exe, const std::string& setup0, const std::string& setup1);

// Stage 12: copies the finished file to a temporary name beside the output
// and renames it over the output. False when nothing was delivered; the
// previous output then stays as it was.
bool Deliver(const std::string& setup_exe, const std::string& output);

}  // namespace kestro::compiler
