// Output assembly: the marker search, the header and both parts, delivery.
#include "compiler/engine/assembly.h"

#include <gtest/gtest.h>

#include "common/errors.h"
#include "common/os.h"
#include "test_util.h"

namespace kestro::compiler {
namespace {

using test::Marker;
using test::ReadFile;
using test::ScratchDir;
using test::WriteFile;
namespace fs = std::filesystem;

// A file of the given length with markers at the given offsets.
std::string WithMarkers(size_t length, std::vector<size_t> at) {
  std::string s(length, 'x');
  for (size_t a : at) s.replace(a, Marker().size(), Marker());
  return s;
}

TEST(FindMarker, SearchesBlockwiseWithOverlapUntilFound) {
  struct Case {
    const char* name;
    std::string bytes;
    int64_t expect;
  } cases[] = {
      {"at the start", WithMarkers(3000, {0}), 0},
      {"only the marker and 9 bytes", WithMarkers(21, {0}), 0},
      {"last position of the first block", WithMarkers(5000, {4084}), 4084},
      {"across the first block boundary", WithMarkers(5000, {4090}), 4090},
      {"one past the last position", WithMarkers(5000, {4085}), 4085},
      {"across the second boundary", WithMarkers(9000, {8180}), 8180},
      {"in a file of exactly one block", WithMarkers(4096, {4084}), 4084},
      // The short last block must not be searched beyond the bytes it read:
      // the buffer still holds the marker from the block before.
      {"before a short last block", WithMarkers(4196, {4000}), 4000},
      // The first marker counts, where the extractor looks for the header.
      {"an earlier match wins over a later block's", WithMarkers(6000, {10, 5000}), 10},
      {"an earlier match wins in the same block", WithMarkers(6000, {10, 4090}), 10},
      {"a match across a boundary wins over a later one", WithMarkers(9000, {4090, 8175}), 4090},
      {"none", WithMarkers(10000, {}), -1},
      {"empty file", "", -1},
      {"cut marker at the end", WithMarkers(100, {}) + Marker().substr(0, 11), -1},
  };
  ScratchDir dir;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    WriteFile(dir / "stub", c.bytes);
    os::File f(dir / "stub", os::File::kRead);
    EXPECT_EQ(c.expect, FindMarker(f));
  }
}

struct AssemblyFixture {
  ScratchDir dir;
  std::string exe = dir / "SETUP.EXE", s0 = dir / "SETUP.0", s1 = dir / "SETUP.1";
  AssemblyFixture(const std::string& stub) {
    WriteFile(exe, stub);
    WriteFile(s0, "SETTINGS-PART");
    WriteFile(s1, "DATA");
  }
  bool PartsGone() { return !os::FileExists(s0) && !os::FileExists(s1); }
};

TEST(AddHeader, WritesTheHeaderOverTheMarkerAndAppendsBothParts) {
  for (auto [before, after] : {std::pair<size_t, size_t>{100, 50}, {0, 9}, {4090, 3000}}) {
    SCOPED_TRACE(before);
    std::string stub = test::StubBytes(before, after);
    AssemblyFixture f(stub);
    AddHeader(f.exe, f.s0, f.s1);
    std::string out = ReadFile(f.exe);
    ASSERT_EQ(stub.size() + 13 + 4, out.size());
    EXPECT_EQ(stub.substr(0, before), out.substr(0, before));
    format::ExeHeader h;
    ASSERT_TRUE(format::DecodeExeHeader(reinterpret_cast<const uint8_t*>(out.data()) + before, &h));
    EXPECT_EQ(stub.size(), h.settings_offset);
    EXPECT_EQ(stub.size() + 13, h.data_offset);
    EXPECT_EQ(stub.substr(before + 21), out.substr(before + 21, stub.size() - before - 21))
        << "stub tail unchanged";
    EXPECT_EQ("SETTINGS-PARTDATA", out.substr(stub.size()));
    EXPECT_TRUE(f.PartsGone());
  }
}

TEST(AddHeader, FailuresDeleteAllThreeWorkFiles) {
  struct Case {
    const char* name;
    std::string stub;
    std::string message;
  } cases[] = {
      {"no marker", std::string(5000, 's'), "BIG ERROR! SingleExeID in SETUP.EXE not found"},
      {"fewer than 21 bytes from the marker", test::StubBytes(10, 8), "Lesen nach Dateiende (EOF)"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    AssemblyFixture f(c.stub);
    try {
      AddHeader(f.exe, f.s0, f.s1);
      ADD_FAILURE() << "no error";
    } catch (const Error& e) {
      EXPECT_EQ(c.message, e.what());
    }
    EXPECT_TRUE(f.PartsGone());
    EXPECT_FALSE(os::FileExists(f.exe));
  }
}

TEST(CopyStub, NamesBothPathsWhenTheStubIsMissing) {
  ScratchDir dir;
  try {
    CopyStub(dir / "missing.dat", dir / "SETUP.EXE");
    ADD_FAILURE() << "no error";
  } catch (const Error& e) {
    EXPECT_EQ("Couldnt copy " + (dir / "missing.dat") + " to " + (dir / "SETUP.EXE") + " .", e.what());
  }
}

TEST(Deliver, ReplacesTheOutputWholeOrLeavesItAlone) {
  ScratchDir dir;
  WriteFile(dir / "built", "NEW");
  WriteFile(dir / "out.exe", "OLD");
  EXPECT_TRUE(Deliver(dir / "built", dir / "out.exe"));
  EXPECT_EQ("NEW", ReadFile(dir / "out.exe"));

  EXPECT_FALSE(Deliver(dir / "built", dir / "no-such-folder/out.exe"));
  // A target that cannot be replaced (a folder in its place): the old state
  // stays and no temporary file is left behind.
  fs::create_directory(dir.path() / "taken.exe");
  EXPECT_FALSE(Deliver(dir / "built", dir / "taken.exe"));
  EXPECT_TRUE(fs::is_directory(dir.path() / "taken.exe"));
  size_t entries = 0;
  for (auto& e : fs::directory_iterator(dir.path()))
    entries += e.path().filename().string().find("kestro-tmp") != std::string::npos;
  EXPECT_EQ(0u, entries);
}

}  // namespace
}  // namespace kestro::compiler
