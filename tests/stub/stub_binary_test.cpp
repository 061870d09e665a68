// The built Stub1.dat as the compiler will use it.
#include <gtest/gtest.h>
#include <stdio.h>

#include <string>
#include <vector>

#include "format/records.h"

namespace {

std::vector<unsigned char> ReadFile(const char* path) {
  std::vector<unsigned char> v;
  FILE* f = fopen(path, "rb");
  if (!f) return v;
  unsigned char buf[65536];
  size_t n;
  while ((n = fread(buf, 1, sizeof buf, f)) > 0) v.insert(v.end(), buf, buf + n);
  fclose(f);
  return v;
}

TEST(StubBinary, CarriesTheMarkerExactlyOnceAndStaysSmall) {
  auto stub = ReadFile(KESTRO_STUB_FILE);
  ASSERT_GT(stub.size(), 1000u) << KESTRO_STUB_FILE;
  EXPECT_LT(stub.size(), 96u * 1024u);
  long first = kestro::format::FindMarker(stub.data(), stub.size());
  ASSERT_GE(first, 0);
  long again = kestro::format::FindMarker(stub.data() + first + 1, stub.size() - first - 1);
  EXPECT_EQ(-1, again);
  EXPECT_GE(stub.size() - first, kestro::format::kExeHeaderSize);
  EXPECT_EQ('M', stub[0]);
  EXPECT_EQ('Z', stub[1]);
}

// The manifest decides elevation (a file named setup.exe must not prompt by
// its name alone), visual styles, DPI awareness and the supported systems.
TEST(StubBinary, CarriesItsManifest) {
  auto stub = ReadFile(KESTRO_STUB_FILE);
  std::string bytes(stub.begin(), stub.end());
  for (const char* piece :
       {"level=\"asInvoker\"", "name=\"Microsoft.Windows.Common-Controls\" version=\"6.0.0.0\"", "<dpiAware",
        "{8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a}"})
    EXPECT_NE(std::string::npos, bytes.find(piece)) << piece;
}

}  // namespace
