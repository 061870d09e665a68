// Mutated and truncated copies of a small valid output, fed to the checks,
// the stream test and the extraction: no crash, a clean exit code, and after
// a failure nothing of ours in the target folder. Deterministic (fixed seed)
// and bounded, so a failure can be reproduced by its case number.
#include <gtest/gtest.h>

#include <filesystem>
#include <random>

#include "common/os.h"
#include "stub/archive.h"
#include "tests/stub/output_builder.h"

using namespace kestro;
using namespace kestro::format;
using namespace kestro::stub;
using namespace kestro::testing;

namespace {

#ifdef _WIN32
constexpr int kCases = 600;  // under Wine every file operation is slow
#else
constexpr int kCases = 2500;
#endif

// Every name (files and folders) below dir, as relative paths.
std::vector<std::string> Entries(const std::string& dir) {
  std::vector<std::string> v;
  std::error_code ec;
  std::filesystem::path root(os::HostPath(dir));
  for (auto it = std::filesystem::recursive_directory_iterator(root, ec);
       !ec && it != std::filesystem::recursive_directory_iterator(); it.increment(ec))
    v.push_back(std::filesystem::relative(it->path(), root).generic_string());
  return v;
}

std::string Join(const std::vector<std::string>& v) {
  std::string s;
  for (auto& e : v) s += e + " ";
  return s;
}

// A small output that uses every table: folders nested two deep, a file two
// folders down, an empty file, a compressible and an incompressible one.
OutputPlan Sample() {
  OutputPlan plan;
  plan.settings = QuietSettings();
  DirEntry d;
  d.folder.Set("%a\\made\\deeper");
  plan.dirs.push_back(d);
  std::mt19937 g(11);
  std::string noise(3000, '\0');
  for (char& c : noise) c = static_cast<char>(g());
  plan.files.push_back({"%a\\readme.txt", "Hello, fuzz.\r\n" + std::string(2000, 'a')});
  plan.files.push_back({"%a\\sub\\deep\\noise.bin", noise});
  plan.files.push_back({"%a\\empty.dat", ""});
  IconEntry icon;
  icon.name.Set("temp kestro files");
  icon.command.Set("%a\\uninster.EXE");
  icon.folder.Set("%a");
  icon.flags = kIconFlagBuiltIn;
  plan.icons.push_back(icon);
  IniEntry ini;
  ini.file.Set("%a\\app.ini");
  ini.section.Set("Main");
  ini.key.Set("Path");
  ini.value.Set("%a");
  plan.inis.push_back(ini);
  RegEntry reg;
  reg.root = kRootCurrentUser;
  reg.subkey.Set("Software\\Fuzz");
  reg.type = kRegString;
  plan.regs.push_back(reg);
  return plan;
}

// One mutation of good, chosen by g. The numbers that steer the reader (the
// header's offsets, the counts, the file table's fields, the length bytes)
// are hit more often than the texts and the streams.
std::vector<uint8_t> Mutate(const std::vector<uint8_t>& good, const Layout& l, std::mt19937& g) {
  std::vector<uint8_t> b = good;
  auto pick = [&](size_t n) { return static_cast<size_t>(g() % n); };
  static const uint32_t kValues[] = {0,          1,          2,          3,          4,
                                     0x7F,       0xFF,       0x100,      0xFFFF,     0x10000,
                                     0x7FFFFFFF, 0x80000000, 0xFFFFFFFF, 0xFFFFFFFE, 0xFFFFFFFC};
  auto value = [&]() -> uint32_t {
    switch (pick(4)) {
      case 0: return kValues[pick(sizeof kValues / sizeof *kValues)];
      case 1: return static_cast<uint32_t>(good.size() - pick(64));
      case 2: return static_cast<uint32_t>(good.size() + pick(64));
      default: return static_cast<uint32_t>(g());
    }
  };
  const size_t counts = l.settings + sizeof kSettingsMagic + 5722;
  int steps = 1 + static_cast<int>(pick(3));
  for (int s = 0; s < steps; ++s) {
    switch (pick(8)) {
      case 0:  // truncate
        b.resize(pick(b.size() + 1));
        break;
      case 1:  // flip bits anywhere
        if (!b.empty()) b[pick(b.size())] ^= static_cast<uint8_t>(1u << pick(8));
        break;
      case 2: {  // the header's offsets
        size_t at = l.header + (pick(2) ? 13 : 17);
        if (at + 4 <= b.size()) PutU32(&b[at], value());
        break;
      }
      case 3: {  // a count
        size_t at = counts + 2 * pick(5);
        if (at + 2 <= b.size()) PutU16(&b[at], static_cast<uint16_t>(pick(3) ? pick(8) : value()));
        break;
      }
      case 4: {  // a file entry's offset, size or packed size
        static const size_t kFields[] = {2, 70, 74, 86, 90};
        size_t at = l.file_table + kFileEntrySize * pick(4) + kFields[pick(5)];
        if (at + 4 <= b.size()) PutU32(&b[at], value());
        break;
      }
      case 5: {  // a byte of the tables: length bytes, destinations, flags
        size_t n = l.data - l.tables;
        size_t at = l.tables + pick(n);
        if (at < b.size())
          b[at] = pick(2) ? static_cast<uint8_t>(g()) : static_cast<uint8_t>("\\./:%a\0 "[pick(8)]);
        break;
      }
      case 6: {  // a byte inside the streams
        size_t at = l.data + pick(good.size() - l.data);
        if (at < b.size()) b[at] = static_cast<uint8_t>(g());
        break;
      }
      default: {  // a byte of the settings record
        size_t at = l.settings + pick(sizeof kSettingsMagic + kSettingsSize);
        if (at < b.size()) b[at] = static_cast<uint8_t>(g());
        break;
      }
    }
  }
  return b;
}

TEST(ArchiveFuzz, MutatedOutputsFailCleanlyAndLeaveNothing) {
  uint8_t r[6];
  RandomBytes(r, sizeof r);
  char name[40];
  snprintf(name, sizeof name, "kxfuzz%02x%02x%02x%02x%02x%02x", r[0], r[1], r[2], r[3], r[4], r[5]);
  const std::string root = os::TempFolder() + name;
  const std::string path = root + "\\out.exe", target = root + "\\target";
  ASSERT_EQ(0, os::CreateDir(root));
  ASSERT_EQ(0, os::CreateDir(target));

  Layout l;
  const std::vector<uint8_t> good = BuildOutput(FakeStub(), Sample(), &l);
  std::mt19937 g(20261210);
  int opened = 0, extracted = 0;
  for (int i = 0; i < kCases; ++i) {
    SCOPED_TRACE("case " + std::to_string(i));
    WriteAll(os::HostPath(path), Mutate(good, l, g));
    Archive a;
    Message msg;
    int rc = OpenArchive(path.c_str(), kMarker, &a, &msg);
    ASSERT_TRUE(rc == kExitOk || rc == kExitDamaged) << rc;
    ASSERT_TRUE(rc == kExitOk || msg.len > 0);
    if (rc != kExitOk) continue;
    ++opened;
    ExtractOptions test;
    test.test_only = true;
    int tested = ExtractAll(a, "", test, &msg);
    ASSERT_TRUE(tested == kExitOk || tested == kExitDamaged) << tested << " " << msg.text;
    rc = ExtractAll(a, target.c_str(), ExtractOptions(), &msg);
    ASSERT_TRUE(rc == kExitOk || rc == kExitDamaged || rc == kExitWrite) << rc << " " << msg.text;
    // Test and extraction read the same streams: they agree on damage.
    if (tested != kExitOk) {
      ASSERT_NE(kExitOk, rc) << msg.text;
    }
    if (rc == kExitOk) {
      ++extracted;
      int ini = ApplyIniEntries(a, target.c_str(), true, &msg);
      ASSERT_TRUE(ini == kExitOk || ini == kExitWrite || ini == kExitDamaged) << msg.text;
      CloseArchive(&a);
      ASSERT_TRUE(RemoveTree(target.c_str()));
      ASSERT_EQ(0, os::CreateDir(target));
      continue;
    }
    CloseArchive(&a);
    auto left = Entries(target);
    ASSERT_TRUE(left.empty()) << msg.text << " left: " << Join(left);
  }
  printf("%d cases: %d passed the checks, %d extracted\n", kCases, opened, extracted);
  // The mutations must reach the extraction, not only the checks.
  EXPECT_GT(opened, kCases / 10);
  EXPECT_GT(extracted, 0);
  RemoveTree(root.c_str());
}

}  // namespace
