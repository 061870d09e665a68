// Builds self-extracting outputs in memory for the tests, with the layout's
// encoders and zlib, the way the compiler lays them out.
#pragma once

#include <stdint.h>

#include <string>
#include <vector>

#include "format/records.h"

namespace kestro::testing {

struct SourceFile {
  std::string destination;  // "%a\name"
  std::string content;
  uint32_t dos = 0x5A8B6C21;  // 2025-04-11 13:33:02
  uint8_t flags = 0;
};

struct OutputPlan {
  format::SetupSettings settings;
  std::vector<format::DirEntry> dirs;
  std::vector<SourceFile> files;  // the built-in password.val is added first
  std::vector<format::IconEntry> icons;
  std::vector<format::IniEntry> inis;
  std::vector<format::RegEntry> regs;
  bool builtin_file = true;
};

// Where the parts of a built output lie.
struct Layout {
  size_t header = 0;    // marker position
  size_t settings = 0;  // settings part (its magic)
  size_t tables = 0;    // first table record
  size_t file_table = 0;
  size_t data = 0;              // data part
  std::vector<size_t> streams;  // each stream's magic
};

// A stand-in for Stub1.dat: a few bytes, the marker with room behind it,
// and a few more bytes.
std::vector<uint8_t> FakeStub();

// Settings with every window switched off (extract-only, no dialogs).
format::SetupSettings QuietSettings();

// stub + header + settings part + data part.
std::vector<uint8_t> BuildOutput(const std::vector<uint8_t>& stub, OutputPlan plan, Layout* layout = nullptr);

std::vector<uint8_t> ReadAll(const std::string& path);
void WriteAll(const std::string& path, const std::vector<uint8_t>& bytes);

}  // namespace kestro::testing
