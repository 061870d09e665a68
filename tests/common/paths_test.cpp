#include "common/paths.h"

#include <gtest/gtest.h>

#include "common/os.h"

namespace kestro {

TEST(Paths, BackslashHelpers) {
  struct {
    const char* in;
    const char* added;
    const char* removed;
  } cases[] = {
      {"", "", ""},
      {"C:\\", "C:\\", "C:"},
      {"C:\\dir", "C:\\dir\\", "C:\\dir"},
      {"dir\\\\", "dir\\\\", "dir\\"},
      {"\\", "\\", ""},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(AddBackslash(c.in), c.added) << c.in;
    EXPECT_EQ(RemoveBackslash(c.in), c.removed) << c.in;
  }
}

TEST(Paths, FileNameIsThePartAfterTheLastBackslashOrColon) {
  struct {
    const char* in;
    const char* name;
    const char* folder;
    const char* dir;
  } cases[] = {
      {"C:\\a\\b.txt", "b.txt", "C:\\a\\", "C:\\a"},
      {"C:b.txt", "b.txt", "C:", "C:"},
      {"C:\\b.txt", "b.txt", "C:\\", "C:\\"},
      {"b.txt", "b.txt", "", ""},
      {"a\\b\\", "", "a\\b\\", "a\\b"},
      {"..\\x", "x", "..\\", ".."},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(ExtractFileName(c.in), c.name) << c.in;
    EXPECT_EQ(ExtractFilePath(c.in), c.folder) << c.in;
    EXPECT_EQ(ExtractFileDir(c.in), c.dir) << c.in;
  }
  // A slash separates on every host: Windows accepts "C:/src/a.txt".
  EXPECT_EQ(ExtractFileName("/tmp/x/y.bin"), "y.bin");
  EXPECT_EQ(ExtractFileName("C:/src/a.txt"), "a.txt");
  EXPECT_EQ(ExtractFilePath("C:/out/x.exe"), "C:/out/");
  EXPECT_EQ(ExtractFileDir("C:/out/x.exe"), "C:/out");
}

TEST(Paths, DirExistsIgnoresOneTrailingBackslash) {
  std::string tmp = os::TempFolder();
  EXPECT_TRUE(DirExists(tmp));
  EXPECT_TRUE(DirExists(RemoveBackslash(tmp)));
  EXPECT_FALSE(DirExists(tmp + "no-such-folder-kestro\\"));
  EXPECT_FALSE(DirExists(""));
#ifdef _WIN32
  EXPECT_TRUE(DirExists("C:\\"));
  // An unmapped drive answers false instead of a critical-error box.
  EXPECT_FALSE(DirExists("Q:\\"));
#endif
}

TEST(Paths, WindowsDirHasNoTrailingBackslash) {
  std::string w = WindowsDir();
  ASSERT_FALSE(w.empty());
  EXPECT_NE(w.back(), '\\');
#ifdef _WIN32
  EXPECT_TRUE(DirExists(w));
#endif
}

}  // namespace kestro
