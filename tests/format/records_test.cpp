#include "format/records.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace kestro::format {
namespace {

template <size_t N>
std::string At(const uint8_t (&buf)[N], size_t off) {
  // A length-prefixed string at off, as text.
  return std::string(reinterpret_cast<const char*>(buf + off + 1), buf[off]);
}

TEST(Records, SettingsFieldsSitAtTheirOffsets) {
  SetupSettings s;
  s.prompt_show = s.password_show = s.link_create = s.link_start_menu = true;
  s.link_desktop = s.show_final_msg = s.progress_show = true;
  s.prompt_text.Set("prompt");
  s.password_text.Set("pwtext");
  s.password.Set("pw");
  s.final_msg.Set("final");
  s.progress_text.Set("progress");
  s.link_file_name.Set("link.exe");
  s.link_display.Set("display");
  s.folder_sel_text.Set("folder");
  s.run_program = s.show_file_window = s.show_license = s.run_text_file = s.extract_only = true;
  s.run_prog_exe_name.Set("setup.exe");
  s.cancel.Set("&Cancel");
  s.continue_text.Set("&Continue");
  s.yes.Set("&Yes");
  s.no.Set("&No");
  s.caption.Set("Setup");
  s.run_text_file_name.Set("readme.txt");
  s.run_prog_exe_para.Set("/q");
  s.run_wait_for.Set("ERROR 5\xDF" "09");
  s.extract_only_path.Set("C:\\Temp");
  s.license[0].Set("L1");
  s.license[1].Set("L2");
  s.license[2].Set("L3");
  s.license[3].Set("L4");
  s.extract_only_no_dlg = true;
  s.dir_count = 0x0102;
  s.file_count = 0x0304;
  s.icon_count = 5;
  s.ini_count = 6;
  s.reg_count = 0xFFFF;

  uint8_t b[kSettingsSize];
  EncodeSettings(s, b);
  for (size_t i = 0; i < 76; ++i) ASSERT_EQ(b[i], 0) << i;
  EXPECT_EQ(b[76], 1);
  EXPECT_EQ(b[77], 0);
  for (size_t i = 78; i <= 83; ++i) EXPECT_EQ(b[i], 1) << i;
  struct {
    size_t off;
    const char* text;
  } strings[] = {{84, "prompt"},       {340, "pwtext"},     {596, "pw"},        {852, "final"},
                 {1108, "progress"},   {1364, "link.exe"},  {1620, "display"},  {1876, "folder"},
                 {2137, "setup.exe"},  {2393, "&Cancel"},   {2649, "&Continue"}, {2905, "&Yes"},
                 {3161, "&No"},        {3417, "Setup"},     {3673, "readme.txt"}, {3929, "/q"},
                 {4185, "ERROR 5\xDF" "09"}, {4441, "C:\\Temp"}, {4697, "L1"},  {4953, "L2"},
                 {5209, "L3"},         {5465, "L4"}};
  for (const auto& f : strings) EXPECT_EQ(At(b, f.off), f.text) << f.off;
  for (size_t i = 2132; i <= 2136; ++i) EXPECT_EQ(b[i], 1) << i;
  EXPECT_EQ(b[5721], 1);
  EXPECT_EQ(b[5722], 0x02);
  EXPECT_EQ(b[5723], 0x01);
  EXPECT_EQ(b[5724], 0x04);
  EXPECT_EQ(b[5725], 0x03);
  EXPECT_EQ(GetU16(b + 5726), 5);
  EXPECT_EQ(GetU16(b + 5728), 6);
  EXPECT_EQ(GetU16(b + 5730), 0xFFFF);
  // Zero-filled behind every string.
  EXPECT_EQ(b[84 + 1 + 6], 0);
  EXPECT_EQ(b[339], 0);

  SetupSettings back;
  ASSERT_TRUE(DecodeSettings(b, &back));
  uint8_t again[kSettingsSize];
  EncodeSettings(back, again);
  EXPECT_EQ(0, memcmp(b, again, kSettingsSize));
  EXPECT_TRUE(back.run_wait_for.Equals("ERROR 5\xDF" "09"));
}

TEST(Records, StringsAreCutToCapacityAndZeroFilled) {
  std::string long_text(300, 'x');
  PStr<47> s;
  s.Set("previous, longer value");
  s.Set(long_text.c_str());
  EXPECT_EQ(s.len, 47);
  s.Set("ab");
  EXPECT_EQ(s.len, 2);
  EXPECT_EQ(s.chars[2], 0);
  EXPECT_EQ(s.chars[46], 0);
}

TEST(Records, EntryLayoutsArePinned) {
  FileEntry f;
  f.offset = 0x11223344;
  f.destination.Set("%a\\file.txt");
  f.dos_date_time = 0xAABBCCDD;
  f.adler32 = 0x01020304;
  f.version_ms = 0x00010002;
  f.version_ls = 0x00030004;
  f.size = 1000;
  f.packed_size = 600;
  f.flags = kFileFlagBuiltIn;
  uint8_t fb[kFileEntrySize];
  EncodeFileEntry(f, fb);
  EXPECT_EQ(fb[0], 1);
  EXPECT_EQ(fb[1], 1);
  EXPECT_EQ(GetU32(fb + 2), 0x11223344u);
  EXPECT_EQ(At(fb, 6), "%a\\file.txt");
  EXPECT_EQ(GetU32(fb + 70), 0xAABBCCDDu);
  EXPECT_EQ(GetU32(fb + 74), 0x01020304u);
  EXPECT_EQ(GetU32(fb + 78), 0x00010002u);
  EXPECT_EQ(GetU32(fb + 82), 0x00030004u);
  EXPECT_EQ(GetU32(fb + 86), 1000u);
  EXPECT_EQ(GetU32(fb + 90), 600u);
  EXPECT_EQ(fb[94], 8);
  FileEntry fback;
  ASSERT_TRUE(DecodeFileEntry(fb, &fback));
  EXPECT_EQ(fback.offset, f.offset);
  EXPECT_EQ(fback.packed_size, 600u);
  EXPECT_TRUE(fback.destination.Equals("%a\\file.txt"));

  IconEntry i;
  i.name.Set("temp kestro files");
  i.command.Set("%a\\uninster.EXE");
  i.folder.Set("%a");
  i.flags = kIconFlagBuiltIn;
  uint8_t ib[kIconEntrySize];
  EncodeIconEntry(i, ib);
  EXPECT_EQ(At(ib, 0), "temp kestro files");
  EXPECT_EQ(At(ib, 48), "%a\\uninster.EXE");
  EXPECT_EQ(At(ib, 112), "%a");
  EXPECT_EQ(ib[160], 1);

  IniEntry n;
  n.file.Set("%a\\x.ini");
  n.section.Set("sec");
  n.key.Set("key");
  n.value.Set("val");
  n.options = kIniOptionSkip;
  uint8_t nb[kIniEntrySize];
  EncodeIniEntry(n, nb);
  EXPECT_EQ(At(nb, 0), "%a\\x.ini");
  EXPECT_EQ(At(nb, 64), "sec");
  EXPECT_EQ(At(nb, 112), "key");
  EXPECT_EQ(At(nb, 160), "val");
  EXPECT_EQ(nb[288], 2);

  RegEntry r;
  r.root = kRootLocalMachine;
  r.subkey.Set("Software\\X");
  r.value_name.Set("Name");
  r.type = kRegDword;
  r.data.Set("$1F");
  r.options = kRegOptionKeep;
  uint8_t rb[kRegEntrySize];
  EncodeRegEntry(r, rb);
  EXPECT_EQ(GetU32(rb), 0x80000002u);
  EXPECT_EQ(At(rb, 4), "Software\\X");
  EXPECT_EQ(At(rb, 132), "Name");
  EXPECT_EQ(rb[180], 2);
  EXPECT_EQ(At(rb, 181), "$1F");
  EXPECT_EQ(rb[309], 2);
  RegEntry rback;
  ASSERT_TRUE(DecodeRegEntry(rb, &rback));
  EXPECT_EQ(rback.root, r.root);
  EXPECT_TRUE(rback.data.Equals("$1F"));

  DirEntry d;
  d.folder.Set("%a\\sub");
  uint8_t db[kDirEntrySize];
  EncodeDirEntry(d, db);
  EXPECT_EQ(At(db, 0), "%a\\sub");
}

TEST(Records, DecodersRejectALengthBeyondCapacity) {
  uint8_t db[kDirEntrySize] = {48};
  DirEntry d;
  EXPECT_FALSE(DecodeDirEntry(db, &d));
  db[0] = 47;
  EXPECT_TRUE(DecodeDirEntry(db, &d));

  uint8_t fb[kFileEntrySize] = {};
  fb[6] = 64;
  FileEntry f;
  EXPECT_FALSE(DecodeFileEntry(fb, &f));

  uint8_t sb[kSettingsSize] = {};
  SetupSettings s;
  EXPECT_TRUE(DecodeSettings(sb, &s));  // 255 fits every text field
  sb[5465] = 255;
  EXPECT_TRUE(DecodeSettings(sb, &s));
}

TEST(Records, HeaderAndMarker) {
  ExeHeader h{0x1234, 0x56789A};
  uint8_t b[kExeHeaderSize];
  EncodeExeHeader(h, b);
  EXPECT_EQ(0, memcmp(b, kMarker, 12));
  EXPECT_EQ(b[12], 1);
  EXPECT_EQ(GetU32(b + 13), 0x1234u);
  EXPECT_EQ(GetU32(b + 17), 0x56789Au);
  ExeHeader back;
  ASSERT_TRUE(DecodeExeHeader(b, &back));
  EXPECT_EQ(back.data_offset, 0x56789Au);
  b[12] = 2;
  EXPECT_FALSE(DecodeExeHeader(b, &back));

  std::vector<uint8_t> buf(100, 0x65);
  EXPECT_EQ(FindMarker(buf.data(), buf.size()), -1);
  memcpy(buf.data() + 88, kMarker, 12);
  EXPECT_EQ(FindMarker(buf.data(), buf.size()), 88);
  EXPECT_EQ(FindMarker(buf.data(), 99), -1);

  SetupSettings s;
  s.dir_count = 1, s.file_count = 2, s.icon_count = 1, s.ini_count = 1, s.reg_count = 1;
  EXPECT_EQ(SettingsPartSize(s), 6u + 5732 + 48 + 190 + 161 + 289 + 310);
}

TEST(Records, PasswordMaskIsItsOwnInverse) {
  char pw[] = "secret";
  MaskPassword(pw, 6);
  EXPECT_NE(std::string(pw, 6), "secret");
  MaskPassword(pw, 6);
  EXPECT_EQ(std::string(pw, 6), "secret");
}

}  // namespace
}  // namespace kestro::format
