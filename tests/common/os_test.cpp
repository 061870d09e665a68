#include "common/os.h"

#include <gtest/gtest.h>

#include <algorithm>

#ifndef _WIN32
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

#include "common/errors.h"
#include "common/paths.h"

namespace kestro {

class OsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = os::TempFolder() + "kestro-os-test-" +
           std::to_string(::testing::UnitTest::GetInstance()->random_seed()) +
           ::testing::UnitTest::GetInstance()->current_test_info()->name();
    ASSERT_EQ(os::CreateDir(dir_), 0);
  }
  void TearDown() override {
    for (const auto& n : os::ListFiles(dir_)) os::RemoveFile(dir_ + "\\" + n);
    os::RemoveDir(dir_ + "\\sub");
    os::RemoveDir(dir_);
  }
  std::string dir_;
};

TEST_F(OsTest, WriteReadSeekAndBackslashPaths) {
  std::string p = dir_ + "\\a.bin";
  {
    os::File f(p, os::File::kCreate);
    f.Write("hello world", 11);
    EXPECT_EQ(f.Size(), 11u);
    f.Seek(6);
    f.Write("WORLD", 5);
  }
  os::File f(p, os::File::kRead);
  char buf[32] = {};
  EXPECT_EQ(f.Read(buf, sizeof buf), 11u);
  EXPECT_EQ(std::string(buf), "hello WORLD");
  f.Seek(0);
  char four[4];
  f.ReadExact(four, 4);
  f.Seek(10);
  try {
    f.ReadExact(four, 4);
    FAIL() << "no EOF error";
  } catch (const IoError& e) {
    EXPECT_EQ(e.code(), kReadBeyondEof);
  }
  EXPECT_EQ(os::FileSize(p), 11);
  EXPECT_TRUE(os::FileExists(p));
  EXPECT_FALSE(os::FileExists(dir_));
}

TEST_F(OsTest, MissingFileIsFileNotFound) {
  try {
    os::File f(dir_ + "\\missing.txt", os::File::kRead);
    FAIL();
  } catch (const IoError& e) {
    EXPECT_EQ(e.code(), kFileNotFound);
    EXPECT_STREQ(e.what(), "Datei nicht gefunden");
  }
}

TEST_F(OsTest, ListFilesSkipsFolders) {
  ASSERT_EQ(os::CreateDir(dir_ + "\\sub"), 0);
  for (const char* n : {"x.txt", ".hidden", "y"}) os::File(dir_ + "\\" + n, os::File::kCreate);
  auto names = os::ListFiles(dir_);
  std::sort(names.begin(), names.end());
  EXPECT_EQ(names, (std::vector<std::string>{".hidden", "x.txt", "y"}));
  EXPECT_TRUE(os::ListFiles(dir_ + "\\nothing").empty());
}

// Names are Windows-1252 inside on every host; on POSIX the file system
// holds them as UTF-8, and a name the code page cannot hold lists as "?".
TEST_F(OsTest, NonAsciiNamesKeepTheirCodePage) {
  const std::string name =
      "Gr\xF6\xDF"
      "e.txt";
  os::File(dir_ + "\\" + name, os::File::kCreate).Write("x", 1);
  EXPECT_TRUE(os::FileExists(dir_ + "\\" + name));
  EXPECT_EQ(os::ListFiles(dir_), std::vector<std::string>{name});
#ifndef _WIN32
  struct stat st;
  EXPECT_EQ(0, ::stat((os::HostPath(dir_) + "/Gr\xC3\xB6\xC3\x9F"
                                            "e.txt")
                          .c_str(),
                      &st))
      << "stored as UTF-8";
  std::string cjk = os::HostPath(dir_) + "/\xE6\x97\xA5\xE6\x9C\xAC.txt";
  ASSERT_EQ(0, ::close(::open(cjk.c_str(), O_CREAT | O_WRONLY, 0644)));
  auto names = os::ListFiles(dir_);
  std::sort(names.begin(), names.end());
  EXPECT_EQ(names, (std::vector<std::string>{"??.txt", name}));
  ::unlink(cjk.c_str());
#endif
}

TEST_F(OsTest, CopyRenameDelete) {
  std::string a = dir_ + "\\a", b = dir_ + "\\b", c = dir_ + "\\c";
  os::File(a, os::File::kCreate).Write("123", 3);
  os::File(b, os::File::kCreate).Write("old content", 11);
  EXPECT_EQ(os::CopyFileOver(a, b), 0);
  EXPECT_EQ(os::FileSize(b), 3);
  EXPECT_EQ(os::RenameFile(b, c), 0);
  EXPECT_FALSE(os::FileExists(b));
  EXPECT_EQ(os::CopyFileOver(dir_ + "\\none", b), kFileNotFound);
  EXPECT_TRUE(os::RemoveFile(c));
  EXPECT_FALSE(os::RemoveFile(c));
}

// The fast copies: from the source's position to the target's, and whole
// files larger than any one buffer.
TEST_F(OsTest, CopyRestAndCopyWholeKeepPositionsAndBytes) {
  std::string big;
  for (uint32_t i = 0, x = 7; big.size() < (3u << 20) + 5; ++i) {
    x ^= x << 13, x ^= x >> 17, x ^= x << 5;
    big += static_cast<char>(x);
  }
  {
    os::File f(dir_ + "\\a.bin", os::File::kCreate);
    f.Write(big.data(), big.size());
  }
  os::File from(dir_ + "\\a.bin", os::File::kRead);
  os::File to(dir_ + "\\b.bin", os::File::kCreate);
  to.Write("xx", 2);
  from.Seek(1000);
  EXPECT_EQ(big.size() - 1000, os::CopyRest(from, to));
  EXPECT_EQ(2 + big.size() - 1000, to.Position()) << "the target's position follows the copy";
  to.Write("yy", 2);
  std::string got(to.Size(), '\0');
  to.Seek(0);
  to.ReadExact(&got[0], got.size());
  EXPECT_TRUE("xx" + big.substr(1000) + "yy" == got);

  ASSERT_EQ(0, os::CopyFileOver(dir_ + "\\a.bin", dir_ + "\\c.bin"));
  os::File c(dir_ + "\\c.bin", os::File::kRead);
  std::string copy(c.Size(), '\0');
  c.ReadExact(&copy[0], copy.size());
  EXPECT_TRUE(big == copy);
  os::File::Stamp stamp = c.GetStamp();
  EXPECT_EQ(big.size(), stamp.size);
  EXPECT_EQ(os::FileDosDateTime(dir_ + "\\c.bin"), stamp.dos_date_time);
}

TEST_F(OsTest, DosTimesRoundTrip) {
  std::string p = dir_ + "\\t";
  os::File(p, os::File::kCreate);
  // 2021-06-15 13:45:58
  uint32_t dos = ((41u << 9 | 6u << 5 | 15u) << 16) | (13u << 11 | 45u << 5 | 29u);
  ASSERT_TRUE(os::SetFileDosDateTime(p, dos));
  EXPECT_EQ(os::FileDosDateTime(p), dos);
  uint32_t now = os::CurrentDosDateTime();
  EXPECT_GE(now >> 25, 45u);  // year 2025 or later
  EXPECT_EQ(os::FileDosDateTime(dir_ + "\\none"), 0u);
}

TEST_F(OsTest, CurrentFolderAndModule) {
  std::string old = os::CurrentDir();
  ASSERT_TRUE(os::SetCurrentDir(dir_));
  os::File("rel.txt", os::File::kCreate);
  EXPECT_TRUE(os::FileExists(dir_ + "\\rel.txt"));
  ASSERT_TRUE(os::SetCurrentDir(old));
  EXPECT_FALSE(os::ModulePath().empty());
  EXPECT_TRUE(os::FileExists(os::ModulePath()));
}

}  // namespace kestro
