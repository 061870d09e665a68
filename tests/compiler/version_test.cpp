// The file version reader: a PE file's VS_FIXEDFILEINFO, and "no version"
// for anything damaged, truncated or lying.
#include "common/version.h"

#include <gtest/gtest.h>

#include <functional>

#include "common/os.h"
#include "common/paths.h"
#include "test_util.h"

namespace kestro {
namespace {

using compiler::test::ScratchDir;
using compiler::test::WriteFile;

void Put16(std::string& s, size_t at, uint32_t v) {
  s[at] = static_cast<char>(v), s[at + 1] = static_cast<char>(v >> 8);
}
void Put32(std::string& s, size_t at, uint32_t v) {
  for (int i = 0; i < 4; ++i) s[at + i] = static_cast<char>(v >> (8 * i));
}

// Offsets of the pieces of the synthetic image below.
constexpr size_t kPe = 0x40, kOptional = kPe + 24, kSections = kOptional + 240, kRsrc = 0x200;
constexpr uint32_t kRsrcRva = 0x1000;
constexpr size_t kTypeDir = kRsrc, kNameDir = kRsrc + 0x18, kLangDir = kRsrc + 0x30,
                 kDataEntry = kRsrc + 0x48, kBlock = kRsrc + 0x58, kFixed = kBlock + 40;

// A minimal PE32+ image with one resource section holding a version
// resource of file version ms.ls.
std::string PeWithVersion(uint32_t ms, uint32_t ls) {
  std::string f(kBlock + 92, '\0');
  f[0] = 'M', f[1] = 'Z';
  Put32(f, 0x3C, kPe);
  f.replace(kPe, 4, std::string("PE\0\0", 4));
  Put16(f, kPe + 4, 0x8664);
  Put16(f, kPe + 6, 1);     // sections
  Put16(f, kPe + 20, 240);  // optional header size
  Put16(f, kOptional, 0x20B);
  Put32(f, kOptional + 108, 16);                // data directories
  Put32(f, kOptional + 112 + 2 * 8, kRsrcRva);  // resource directory
  Put32(f, kOptional + 112 + 2 * 8 + 4, uint32_t(f.size() - kRsrc));
  f.replace(kSections, 5, ".rsrc");
  Put32(f, kSections + 8, uint32_t(f.size() - kRsrc));  // virtual size
  Put32(f, kSections + 12, kRsrcRva);
  Put32(f, kSections + 16, uint32_t(f.size() - kRsrc));  // raw size
  Put32(f, kSections + 20, kRsrc);
  auto dir = [&](size_t at, uint32_t id, uint32_t target) {
    Put16(f, at + 14, 1);
    Put32(f, at + 16, id);
    Put32(f, at + 20, target);
  };
  dir(kTypeDir, 16, 0x80000000u | (kNameDir - kRsrc));
  dir(kNameDir, 1, 0x80000000u | (kLangDir - kRsrc));
  dir(kLangDir, 0x409, kDataEntry - kRsrc);
  Put32(f, kDataEntry, uint32_t(kRsrcRva + kBlock - kRsrc));
  Put32(f, kDataEntry + 4, 92);
  Put16(f, kBlock, 92);
  Put16(f, kBlock + 2, 52);
  const char* key = "VS_VERSION_INFO";
  for (size_t i = 0; key[i]; ++i) f[kBlock + 6 + 2 * i] = key[i];
  Put32(f, kFixed, 0xFEEF04BDu);
  Put32(f, kFixed + 4, 0x10000);
  Put32(f, kFixed + 8, ms);
  Put32(f, kFixed + 12, ls);
  return f;
}

FileVersionWords Read(const std::string& bytes) {
  ScratchDir dir;
  WriteFile(dir / "file.exe", bytes);
  FileVersionWords v;
  bool found = ReadPeFileVersion(dir / "file.exe", &v);
  EXPECT_EQ(found, v.ms != kNoFileVersion || v.ls != kNoFileVersion);
  return v;
}

TEST(PeVersion, ReadsTheFixedFileVersion) {
  FileVersionWords v = Read(PeWithVersion(0x00010004, 0x00020058));
  EXPECT_EQ(0x00010004u, v.ms);
  EXPECT_EQ(0x00020058u, v.ls);

  // The same in a PE32 image: its data directories sit 16 bytes earlier.
  std::string pe32 = PeWithVersion(0x00070001, 0x00000003);
  Put16(pe32, kOptional, 0x10B);
  Put32(pe32, kOptional + 92, 16);
  Put32(pe32, kOptional + 96 + 16, kRsrcRva);
  Put32(pe32, kOptional + 96 + 20, 0x100);
  v = Read(pe32);
  EXPECT_EQ(0x00070001u, v.ms);
  EXPECT_EQ(0x00000003u, v.ls);
}

TEST(PeVersion, AnythingDamagedIsNoVersion) {
  using Edit = std::function<void(std::string&)>;
  struct Case {
    const char* name;
    Edit edit;
  } cases[] = {
      {"no MZ", [](std::string& f) { f[0] = 'X'; }},
      {"PE header beyond the end", [](std::string& f) { Put32(f, 0x3C, 0x7FFFFFF0u); }},
      {"no PE signature", [](std::string& f) { f[kPe] = 'N'; }},
      {"unknown optional header", [](std::string& f) { Put16(f, kOptional, 0x107); }},
      {"optional header too short", [](std::string& f) { Put16(f, kPe + 20, 2); }},
      {"too few data directories", [](std::string& f) { Put32(f, kOptional + 108, 2); }},
      {"no resource directory", [](std::string& f) { Put32(f, kOptional + 128, 0); }},
      {"65535 sections", [](std::string& f) { Put16(f, kPe + 6, 0xFFFF); }},
      {"resources outside every section", [](std::string& f) { Put32(f, kOptional + 128, 0x9000); }},
      {"section raw data beyond the end", [](std::string& f) { Put32(f, kSections + 20, 0x7FFFFF00u); }},
      {"no version type", [](std::string& f) { Put32(f, kTypeDir + 16, 3); }},
      {"type entry is no folder", [](std::string& f) { Put32(f, kTypeDir + 20, 0x18); }},
      {"name entry is not 1", [](std::string& f) { Put32(f, kNameDir + 16, 2); }},
      {"folder pointing into nowhere", [](std::string& f) { Put32(f, kNameDir + 20, 0x8FFFFFF0u); }},
      {"language entry points at a folder", [](std::string& f) { Put32(f, kLangDir + 20, 0x80000000u); }},
      {"65535 entries",
       [](std::string& f) { Put16(f, kTypeDir + 14, 0xFFFF), Put16(f, kTypeDir + 12, 0xFFFF); }},
      {"data outside the section", [](std::string& f) { Put32(f, kDataEntry, 0x5000); }},
      {"data size too small", [](std::string& f) { Put32(f, kDataEntry + 4, 20); }},
      {"block longer than the data", [](std::string& f) { Put16(f, kBlock, 0x200); }},
      {"wrong key", [](std::string& f) { f[kBlock + 6] = 'X'; }},
      {"no fixed information", [](std::string& f) { Put16(f, kBlock + 2, 0); }},
      {"wrong signature", [](std::string& f) { Put32(f, kFixed, 0x12345678); }},
  };
  for (const Case& c : cases) {
    std::string f = PeWithVersion(0x00010002, 0x00030004);
    c.edit(f);
    FileVersionWords v = Read(f);
    EXPECT_EQ(kNoFileVersion, v.ms) << c.name;
    EXPECT_EQ(kNoFileVersion, v.ls) << c.name;
  }
}

TEST(PeVersion, EveryTruncationIsNoVersion) {
  std::string f = PeWithVersion(0x00010002, 0x00030004);
  for (size_t n = 0; n < f.size(); n += 3) {
    FileVersionWords v = Read(f.substr(0, n));
    EXPECT_EQ(kNoFileVersion, v.ms) << n;
  }
  FileVersionWords missing;
  EXPECT_FALSE(ReadPeFileVersion("no such file.exe", &missing));
  EXPECT_EQ(kNoFileVersion, missing.ms);
}

#ifdef _WIN32
// This test program carries a version resource (version_test.rc); our
// reader must give exactly what the system's version functions give, on it
// and on the system's own programs and libraries.
TEST(PeVersion, AgreesWithTheSystemOnRealFiles) {
  std::string self = os::ModulePath();
  FileVersionWords ours, system;
  ASSERT_TRUE(ReadPeFileVersion(self, &ours));
  EXPECT_EQ(0x00010004u, ours.ms);
  EXPECT_EQ(0x00020058u, ours.ls);
  ASSERT_TRUE(FileVersion(self, &system));
  EXPECT_EQ(ours.ms, system.ms);
  EXPECT_EQ(ours.ls, system.ls);

  std::string sys = WindowsDir() + "\\system32\\";
  int compared = 0, with_version = 0;
  for (const std::string& name : os::ListFiles(sys)) {
    std::string upper = name;
    for (char& c : upper) c = static_cast<char>(toupper(static_cast<unsigned char>(c)));
    if (upper.size() < 4 ||
        (upper.substr(upper.size() - 4) != ".EXE" && upper.substr(upper.size() - 4) != ".DLL"))
      continue;
    if (compared >= 300) break;
    FileVersionWords a, b;
    bool ra = ReadPeFileVersion(sys + name, &a), rb = FileVersion(sys + name, &b);
    EXPECT_EQ(rb, ra) << name;
    EXPECT_EQ(b.ms, a.ms) << name;
    EXPECT_EQ(b.ls, a.ls) << name;
    ++compared;
    with_version += rb;
  }
  EXPECT_GT(compared, 20);
  EXPECT_GT(with_version, 10);
}

// A source listed by bare name is the file in the current folder (the
// project's), never a library of that name found along the search path.
TEST(PeVersion, ABareNameIsTheFileInTheCurrentFolder) {
  ScratchDir dir;
  ASSERT_EQ(0, os::CopyFileOver(os::ModulePath(), dir / "own.exe"));  // carries 1.4.2.88
  std::string cwd = os::CurrentDir();
  ASSERT_TRUE(os::SetCurrentDir(dir.path().string()));
  FileVersionWords absent, fake, own;
  bool absent_found = FileVersion("kernel32.dll", &absent);
  WriteFile(dir / "kernel32.dll", "not a program");
  bool fake_found = FileVersion("kernel32.dll", &fake);
  bool own_found = FileVersion("own.exe", &own);
  os::SetCurrentDir(cwd);
  EXPECT_FALSE(absent_found) << "the system's kernel32.dll was read";
  EXPECT_EQ(kNoFileVersion, absent.ms);
  EXPECT_FALSE(fake_found);
  EXPECT_EQ(kNoFileVersion, fake.ms);
  EXPECT_EQ(kNoFileVersion, fake.ls);
  EXPECT_TRUE(own_found);
  EXPECT_EQ(0x00010004u, own.ms);
  EXPECT_EQ(0x00020058u, own.ls);
}
#else
// The Windows build's console compiler carries the product's version
// resource; read it here when that build is present.
TEST(PeVersion, ReadsTheWindowsBuildsOwnProgram) {
  std::string exe = std::string(KESTRO_SOURCE_DIR) + "/dist/windows/kestro-compiler.exe";
  if (!os::FileExists(exe)) GTEST_SKIP() << "no Windows build in dist/windows";
  FileVersionWords v;
  ASSERT_TRUE(ReadPeFileVersion(exe, &v));
  EXPECT_EQ(0x00010004u, v.ms);
  EXPECT_EQ(0x00020058u, v.ls);
}
#endif

}  // namespace
}  // namespace kestro
