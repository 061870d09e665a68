#include "project/ini_file.h"

#include <gtest/gtest.h>

#include <climits>
#include <random>
#include <string>
#include <vector>

#ifndef _WIN32
#include <sys/resource.h>

#include <csignal>
#endif

#include "tests/project/ini_test_util.h"

namespace kestro::project {
namespace {

using testing::Bytes;
using testing::ReadBytes;
using testing::TempDir;
using testing::WriteBytes;

constexpr char kDef[] = "DEF";

struct Probe {
  const char* section;
  const char* key;
  std::string expected;  // kDef: the default comes back
};

struct ReadCase {
  const char* name;
  std::string bytes;
  std::vector<Probe> probes;
};

std::vector<ReadCase> ReadCases() {
  return {
      {"quotes and blanks",
       "[Settings]\r\n"
       "Plain=abc\r\n"
       "Blanks=   two words  \t\r\n"
       "Quoted=\"  inner  \"\r\n"
       "Single='x'\r\n"
       "OneQuote=\"\r\n"
       "Empty=\r\n"
       "EmptyQuotes=\"\"\r\n"
       "Mixed=\"x'\r\n"
       "Inner=a\"b\"c\r\n"
       "Twice=\"\"x\"\"\r\n"
       "  Indented  =  v  \r\n"
       "Ctl=\x0b\x0c\x1a v \x1a\r\n"
       "Nbsp=\xA0v\xA0\r\n"
       "Eq=a=b\r\n",
       {{"Settings", "Plain", "abc"},
        {"Settings", "Blanks", "two words"},
        {"Settings", "Quoted", "  inner  "},
        {"Settings", "Single", "x"},
        {"Settings", "OneQuote", "\""},
        {"Settings", "Empty", ""},
        {"Settings", "EmptyQuotes", ""},
        {"Settings", "Mixed", "\"x'"},
        {"Settings", "Inner", "a\"b\"c"},
        {"Settings", "Twice", "\"x\""},
        {"Settings", "Indented", "v"},
        {"Settings", "Ctl", "v"},
        {"Settings", "Nbsp", "\xA0v\xA0"},
        {"Settings", "Eq", "a=b"},
        {"SETTINGS", "plain", "abc"},
        {" settings\t", " PLAIN ", "abc"},
        {"Settings", "Missing", kDef},
        {"Other", "Plain", kDef}}},
      {"sections, duplicates and lines without a value",
       "junk before any section\r\n"
       "k0=v0\r\n"
       "  [ Sec ]  \r\n"
       "Key=first\r\n"
       ";Comment=c\r\n"
       "NoEquals\r\n"
       "key=second\r\n"
       "\r\n"
       "[SEC]\r\n"
       "Other=hidden\r\n"
       "[Tail] trailing text\r\n"
       "t=1\r\n"
       "[Open\r\n"
       "o=2\r\n"
       "[\xC4\x8A]\r\n"
       "u=folded\r\n"
       "[]\r\n"
       "e=3\r\n",
       {{"", "k0", "v0"},
        {"Sec", "Key", "first"},
        {"sec", "KEY", "first"},
        {"Sec", ";Comment", "c"},
        {"Sec", "NoEquals", kDef},
        {"Sec", "Other", kDef},
        {"Tail", "t", "1"},
        {"Tail", "o", "2"},
        {"Open", "o", kDef},
        {"[Open", "o", kDef},
        {"\xE4\x9A", "u", "folded"},
        {"", "e", kDef}}},
      {"line ends",
       "[S]\na=1\rb=2\r\n\r\n\n\rc=3\n\r[T]\rd=4",
       {{"S", "a", "1"}, {"S", "b", "2"}, {"S", "c", "3"}, {"T", "d", "4"}}},
      {"long values",
       "[S]\r\nlong=" + std::string(1500, 'x') + "\r\nq1023=\"" + std::string(1023, 'y') + "\"\r\nq1024=\"" +
           std::string(1024, 'z') + "\"\r\nafter=ok\r\n",
       {{"S", "long", std::string(1023, 'x')},
        {"S", "q1023", std::string(1023, 'y')},
        {"S", "q1024", std::string(1023, 'z')},
        {"S", "after", "ok"}}},
      {"NUL bytes",
       Bytes("[S]\r\na=x\0y\r\nb\0c=2\r\nd=4\r\n[U\0V]\r\nw=5\r\n"),
       {{"S", "a", "x"}, {"S", "b", "2"}, {"S", "d", "4"}, {"U", "w", "5"}}},
      {"UTF-8 byte order mark", "\xEF\xBB\xBF[S]\r\na=1\r\n", {{"S", "a", "1"}}},
      {"no line end at all", "[S] a=1 b=2", {{"S", "a", kDef}, {"S", "b", kDef}}},
      {"100,000-character lines",
       "[" + std::string(100000, 'n') + "]\r\n" + std::string(100000, ';') + "\r\n[S]\r\nCaption=" +
           std::string(100000, 'c') + "\r\n" + std::string(100000, '[') + "\r\nQuiet=1\r\n",
       {{"S", "Caption", std::string(1023, 'c')}, {"S", "Quiet", "1"}, {"S", "Missing", kDef}}},
  };
}

TEST(IniFileRead, Cases) {
  TempDir dir("ini_read");
  int n = 0;
  for (const ReadCase& c : ReadCases()) {
    SCOPED_TRACE(c.name);
    std::string path = dir.File("r" + std::to_string(n++) + ".ini");
    WriteBytes(path, c.bytes);
    IniFile ini(path);
    for (const Probe& p : c.probes) {
      SCOPED_TRACE(std::string(p.section) + " / " + p.key);
      EXPECT_EQ(ini.ReadString(p.section, p.key, kDef), p.expected);
      EXPECT_EQ(ini.HasKey(p.section, p.key), p.expected != kDef);
    }
    EXPECT_EQ(ReadBytes(path), c.bytes) << "reading changed the file";
  }
}

TEST(IniFileRead, MissingFileAndDefaults) {
  TempDir dir("ini_missing");
  IniFile ini(dir.File("nothing.ini"));
  EXPECT_EQ(ini.ReadString("Settings", "Caption", "Setup"), "Setup");
  EXPECT_FALSE(ini.HasKey("Settings", "Caption"));
  // Like the platform: trailing spaces of the default go (not the first
  // character), and it is cut like a value.
  EXPECT_EQ(ini.ReadString("S", "k", "  def  "), "  def");
  EXPECT_EQ(ini.ReadString("S", "k", "   "), " ");
  EXPECT_EQ(ini.ReadString("S", "k", std::string(1500, 'd')), std::string(1023, 'd'));
  EXPECT_EQ(ReadInteger(ini, "Files", "NumFiles", 9876), 9876);
  EXPECT_EQ(ReadBytes(dir.File("nothing.ini")), "<missing>") << "reading created the file";

  IniFile folder(dir.path());  // a folder where the file should be
  EXPECT_EQ(folder.ReadString("S", "k", "d"), "d");
  EXPECT_FALSE(folder.WriteString("S", "k", "v"));
}

struct Op {
  enum Kind { kWrite, kErase } kind;
  const char* section;
  const char* key;
  std::string value;
};

struct WriteCase {
  const char* name;
  const char* initial;  // nullptr: no file
  std::vector<Op> ops;
  std::string expected;
};

std::vector<WriteCase> WriteCases() {
  using O = Op;
  return {
      {"a new file, keys in order, names as first written",
       nullptr,
       {{O::kWrite, "Kestro", "VersionString", "Version 1.4.2 (Build 88)"},
        {O::kWrite, "Settings", "A", "  x  "},
        {O::kWrite, "Settings", "Empty", ""},
        {O::kWrite, " settings ", " a ", "y"},
        {O::kWrite, "Files", "NumFiles", "2"},
        {O::kWrite, "SETTINGS", "Quoted", "\"q\""},
        {O::kWrite, "files", "File1", "C:\\a b\\c.txt"}},
       "[Kestro]\r\nVersionString=Version 1.4.2 (Build 88)\r\n"
       "[Settings]\r\nA=y\r\nEmpty=\r\nQuoted=\"q\"\r\n"
       "[Files]\r\nNumFiles=2\r\nFile1=C:\\a b\\c.txt\r\n"},
      {"replaced where it stands, new key after the section's last line, other bytes kept",
       "; top\r\n[A]\r\n  x = 1 \r\ny=2\r\n\r\n; end of A\r\n\r\n[B]\r\nz=3\r\n",
       {{O::kWrite, "a", "X", "9"}, {O::kWrite, "A", "n", "new"}, {O::kWrite, "B", "z", "4"}},
       "; top\r\n[A]\r\nx=9\r\ny=2\r\n\r\n; end of A\r\nn=new\r\n\r\n[B]\r\nz=4\r\n"},
      {"last line without a line break",
       "[A]\r\nx=1",
       {{O::kWrite, "A", "y", "2"}, {O::kWrite, "B", "z", "3"}},
       "[A]\r\nx=1\r\ny=2\r\n[B]\r\nz=3\r\n"},
      {"a new section after a last line without a line break",
       "[A]\nx=1",
       {{O::kWrite, "B", "z", "3"}},
       "[A]\nx=1\r\n[B]\r\nz=3\r\n"},
      {"LF lines kept, new lines with CR LF",
       "[A]\nx=1\n[B]\ny=1\n",
       {{O::kWrite, "A", "n", "2"}, {O::kWrite, "B", "m", "3"}},
       "[A]\nx=1\nn=2\r\n[B]\ny=1\nm=3\r\n"},
      {"erase every section of the name, with what follows it",
       "[A]\r\nx=1\r\n\r\n[B]\r\ny=2\r\n[a]\r\nw=1\r\n;c\r\n[C]\r\nv=0\r\n",
       {{O::kErase, "a", "", ""}, {O::kErase, "Missing", "", ""}, {O::kWrite, "A", "x", "5"}},
       "[B]\r\ny=2\r\n[C]\r\nv=0\r\n[A]\r\nx=5\r\n"},
      {"erase the last section, then write it anew",
       "[Settings]\r\nOutput=x\r\n[Files]\r\nNumFiles=2\r\nFile1=a\r\nFile2=b\r\n",
       {{O::kErase, "Files", "", ""},
        {O::kWrite, "Files", "File1", "c"},
        {O::kWrite, "Files", "NumFiles", "1"}},
       "[Settings]\r\nOutput=x\r\n[Files]\r\nFile1=c\r\nNumFiles=1\r\n"},
      {"duplicate keys and sections: the first one is written",
       "[A]\r\nk=1\r\nk=2\r\n[A]\r\nk=3\r\nj=0\r\n",
       {{O::kWrite, "A", "K", "9"}, {O::kWrite, "A", "j", "8"}},
       "[A]\r\nk=9\r\nk=2\r\nj=8\r\n[A]\r\nk=3\r\nj=0\r\n"},
      {"the same value again leaves the file alone",
       "[S]\r\n a = 1 \r\n",
       {{O::kWrite, "S", "a", "1"}, {O::kWrite, "S", "A", " 1 "}},
       "[S]\r\n a = 1 \r\n"},
      {"a line without '=' takes the value",
       "[S]\r\nkey\r\nkey=2\r\n",
       {{O::kWrite, "S", "KEY", "3"}},
       "[S]\r\nkey=3\r\nkey=2\r\n"},
      {"lines before the first section stay first",
       "k=1\r\n[S]\r\na=1\r\n",
       {{O::kWrite, "S", "b", "2"}, {O::kWrite, "", "k2", "x"}},
       "k=1\r\nk2=x\r\n[S]\r\na=1\r\nb=2\r\n"},
      {"an empty file", "", {{O::kWrite, "S", "a", "1"}}, "[S]\r\na=1\r\n"},
      {"a byte order mark stays",
       "\xEF\xBB\xBF",
       {{O::kWrite, "S", "a", "1"}},
       "\xEF\xBB\xBF\r\n[S]\r\na=1\r\n"},
  };
}

TEST(IniFileWrite, Cases) {
  TempDir dir("ini_write");
  int n = 0;
  for (const WriteCase& c : WriteCases()) {
    SCOPED_TRACE(c.name);
    std::string path = dir.File("w" + std::to_string(n++) + ".ini");
    if (c.initial) WriteBytes(path, c.initial);
    {
      IniFile ini(path);
      for (const Op& op : c.ops) {
        if (op.kind == Op::kWrite) {
          EXPECT_TRUE(ini.WriteString(op.section, op.key, op.value));
        } else {
          EXPECT_TRUE(ini.EraseSection(op.section));
        }
      }
      EXPECT_EQ(ReadBytes(path), c.expected);
    }
    // A fresh reader of a copy (not sharing the writer's parsed state) sees
    // what the writer saw.
    std::string copy = dir.File("copy.ini");
    WriteBytes(copy, ReadBytes(path));
    IniFile writer(path), reader(copy);
    for (const Op& op : c.ops) {
      if (op.kind != Op::kWrite) continue;
      EXPECT_EQ(reader.ReadString(op.section, op.key, kDef), writer.ReadString(op.section, op.key, kDef));
    }
  }
}

TEST(IniFileWrite, ValueRoundTripsAndEmptyValue) {
  TempDir dir("ini_values");
  IniFile ini(dir.File("v.ini"));
  const std::string values[] = {
      "", "plain", "two  words", "\"quoted\"", "\xE4\xF6\xFC\xDF \x80", std::string(1023, 'L')};
  for (size_t i = 0; i < sizeof values / sizeof values[0]; ++i) {
    std::string key = "K" + std::to_string(i);
    ASSERT_TRUE(ini.WriteString("S", key, values[i]));
    std::string expected = values[i] == "\"quoted\"" ? "quoted" : values[i];
    EXPECT_EQ(ini.ReadString("S", key, kDef), expected);
    EXPECT_TRUE(ini.HasKey("S", key));
  }
  // Protected, a text enclosed in quotes comes back as it was given.
  const std::string enclosed[] = {"\"C:\\My Files\\a.txt\"", "'single'", "\"a\" b \"c\"", "\"\""};
  for (const std::string& text : enclosed) {
    ASSERT_TRUE(ini.WriteString("Q", "k", ProtectEnclosingQuotes(text)));
    EXPECT_EQ(ini.ReadString("Q", "k", kDef), text);
  }
  for (const std::string& text : {std::string("plain"), std::string("\""), std::string("\"open"), std::string("a \"b\"")})
    EXPECT_EQ(ProtectEnclosingQuotes(text), text) << "unchanged";
  // An empty value is text, not the default; as a Boolean it is no integer.
  EXPECT_TRUE(ReadBool(ini, "S", "K0", true));
  EXPECT_FALSE(ReadBool(ini, "S", "K0", false));
  EXPECT_EQ(ReadBytes(dir.File("v.ini")).substr(0, 13), "[S]\r\nK0=\r\nK1=");
}

TEST(IniFileWrite, DeleteFile) {
  TempDir dir("ini_delete");
  std::string path = dir.File("d.ini");
  IniFile ini(path);
  ASSERT_TRUE(ini.WriteString("S", "a", "1"));
  EXPECT_TRUE(ini.DeleteFile());
  EXPECT_EQ(ReadBytes(path), "<missing>");
  EXPECT_EQ(ini.ReadString("S", "a", kDef), kDef);
  EXPECT_TRUE(ini.Delete()) << "a missing file is gone already";
  ASSERT_TRUE(ini.WriteString("T", "b", "2"));
  EXPECT_EQ(ReadBytes(path), "[T]\r\nb=2\r\n");
}

TEST(IniFileFailure, FailedWriteFailsForThatKeyAlone) {
  TempDir dir("ini_fail");
  // A missing folder: nothing is written, nothing is created.
  IniFile nowhere(dir.File("no\\such\\folder.ini"));
  EXPECT_FALSE(nowhere.WriteString("S", "a", "1"));
  EXPECT_EQ(nowhere.ReadString("S", "a", kDef), kDef);

  // A value with a line break would write lines of its own: refused.
  std::string path = dir.File("f.ini");
  IniFile ini(path);
  ASSERT_TRUE(ini.WriteString("S", "a", "1"));
  EXPECT_FALSE(ini.WriteString("S", "b", "x\r\nNumFiles=5"));
  EXPECT_FALSE(ini.WriteString("S", "b\nc", "x"));
  EXPECT_FALSE(ini.WriteString("S\rT", "b", "x"));
  ASSERT_TRUE(ini.WriteString("S", "c", "3"));
  EXPECT_EQ(ReadBytes(path), "[S]\r\na=1\r\nc=3\r\n");
}

#ifndef _WIN32
// The file-size limit stands in for a full disk: the write that crosses it
// fails, its partial bytes are taken back, earlier keys stay.
TEST(IniFileFailure, DiskFullKeepsEarlierKeys) {
  TempDir dir("ini_full");
  std::string path = dir.File("full.ini");
  IniFile ini(path);
  ASSERT_TRUE(ini.WriteString("Settings", "Output", "C:\\out.exe"));
  ASSERT_TRUE(ini.WriteString("Files", "File1", "a"));
  const std::string before = ReadBytes(path);

  struct sigaction ignore = {}, old = {};
  ignore.sa_handler = SIG_IGN;
  sigaction(SIGXFSZ, &ignore, &old);
  rlimit saved;
  getrlimit(RLIMIT_FSIZE, &saved);
  rlimit small = saved;
  small.rlim_cur = before.size() + 10;
  setrlimit(RLIMIT_FSIZE, &small);
  const bool append = ini.WriteString("Files", "File2", std::string(200, 'b'));       // at the end
  const bool insert = ini.WriteString("Settings", "Caption", std::string(200, 'c'));  // in the middle
  const bool small_ok = ini.WriteString("Files", "File3", "c");                       // fits
  setrlimit(RLIMIT_FSIZE, &saved);
  sigaction(SIGXFSZ, &old, nullptr);

  EXPECT_FALSE(append);
  EXPECT_FALSE(insert);
  EXPECT_TRUE(small_ok);
  EXPECT_EQ(ReadBytes(path), before + "File3=c\r\n");
  EXPECT_EQ(ini.ReadString("Files", "File2", kDef), kDef);
  EXPECT_EQ(ini.ReadString("Settings", "Caption", kDef), kDef);
  EXPECT_EQ(ini.ReadString("Files", "File1", kDef), "a");
  ASSERT_TRUE(ini.WriteString("Files", "File2", "b"));
  EXPECT_EQ(ini.ReadString("Files", "File2", kDef), "b");
}
#endif

TEST(IniFileCoherence, ObjectsShareAndSeeOtherWriters) {
  TempDir dir("ini_coherent");
  std::string path = dir.File("c.ini");
  IniFile a(path), b(path);
  ASSERT_TRUE(a.WriteString("Settings", "Output", "one"));
  EXPECT_EQ(b.ReadString("settings", "output", kDef), "one");
  ASSERT_TRUE(b.WriteString("Settings", "Output", "two"));  // same length: only sharing tells
  EXPECT_EQ(a.ReadString("Settings", "Output", kDef), "two");

  // Another program rewrites the file: an object made afterwards sees it,
  // and so do the older ones, which share its copy.
  WriteBytes(path, "[Settings]\r\nOutput=changed elsewhere\r\n");
  IniFile c(path);
  EXPECT_EQ(c.ReadString("Settings", "Output", kDef), "changed elsewhere");
  EXPECT_EQ(a.ReadString("Settings", "Output", kDef), "changed elsewhere");
  ASSERT_TRUE(a.WriteString("Settings", "Quiet", "1"));
  EXPECT_EQ(ReadBytes(path), "[Settings]\r\nOutput=changed elsewhere\r\nQuiet=1\r\n");
  IniFile d(path);
  EXPECT_EQ(d.ReadString("Settings", "Quiet", kDef), "1");

  // ... or deletes it: the next write starts a new file.
  os::RemoveFile(path);
  ASSERT_TRUE(b.WriteString("Settings", "Quiet", "0"));
  EXPECT_EQ(ReadBytes(path), "[Settings]\r\nQuiet=0\r\n");
  IniFile e(path);
  EXPECT_EQ(e.ReadString("Settings", "Output", kDef), kDef);
}

// Many keys through the append path, then edits in the middle and more
// appends: the file and a fresh reader agree with the writer throughout.
TEST(IniFileScale, ManyKeysStayConsistent) {
  TempDir dir("ini_many");
  std::string path = dir.File("many.ini");
  IniFile ini(path);
  const int n = 3000;
  std::string expected = "[Settings]\r\nOutput=x\r\n[Files]\r\n";
  ASSERT_TRUE(ini.WriteString("Settings", "Output", "x"));
  for (int i = 1; i <= n; ++i) {
    std::string v = "C:\\src\\file" + std::to_string(i) + ".dat";
    ASSERT_TRUE(ini.WriteString("Files", "File" + std::to_string(i), v));
    expected += "File" + std::to_string(i) + "=" + v + "\r\n";
  }
  ASSERT_TRUE(WriteInteger(ini, "Files", "NumFiles", n));
  expected += "NumFiles=3000\r\n";
  EXPECT_EQ(ReadBytes(path), expected);

  ASSERT_TRUE(ini.WriteString("Settings", "Output", "a longer output path"));
  ASSERT_TRUE(ini.WriteString("Files", "File1500", "mid"));
  ASSERT_TRUE(ini.WriteString("Settings", "Quiet", "1"));
  ASSERT_TRUE(ini.WriteString("Files", "Extra", "end"));
  WriteBytes(dir.File("copy.ini"), ReadBytes(path));
  IniFile fresh(dir.File("copy.ini"));
  for (int i = 1; i <= n; i += 7) {
    std::string k = "File" + std::to_string(i);
    ASSERT_EQ(ini.ReadString("Files", k, kDef), fresh.ReadString("Files", k, kDef)) << k;
  }
  EXPECT_EQ(fresh.ReadString("Files", "File1500", kDef), "mid");
  EXPECT_EQ(fresh.ReadString("Files", "File1499", kDef), "C:\\src\\file1499.dat");
  EXPECT_EQ(fresh.ReadString("Settings", "Output", kDef), "a longer output path");
  EXPECT_EQ(fresh.ReadString("Settings", "Quiet", kDef), "1");
  EXPECT_EQ(fresh.ReadString("Files", "Extra", kDef), "end");
  EXPECT_EQ(ReadInteger(fresh, "Files", "NumFiles", 0), n);
}

TEST(IniFileBadInput, GarbageReadsAsDefaultsAndStaysWritable) {
  TempDir dir("ini_garbage");
  std::mt19937 rng(12345);
  std::vector<std::string> inputs;
  for (size_t size : {1u, 17u, 4096u, 300000u}) {
    std::string g(size, '\0');
    for (char& c : g) c = static_cast<char>(rng());
    inputs.push_back(g);
  }
  inputs.push_back(std::string(200000, '\r'));
  inputs.push_back(std::string(200000, '\0'));
  inputs.push_back(std::string(200000, '['));
  inputs.push_back(std::string(200000, '='));
  inputs.push_back(std::string(200000, ' '));
  int n = 0;
  for (const std::string& bytes : inputs) {
    SCOPED_TRACE(n);
    std::string path = dir.File("g" + std::to_string(n++) + ".ini");
    WriteBytes(path, bytes);
    IniFile ini(path);
    EXPECT_EQ(ini.ReadString("Settings", "Caption", "Setup"), "Setup");
    EXPECT_EQ(ReadInteger(ini, "Files", "NumFiles", 9876), 9876);
    EXPECT_TRUE(ReadBool(ini, "Settings", "PromptShow", true));
    ASSERT_TRUE(ini.WriteString("Settings", "Caption", "Mine"));
    EXPECT_EQ(ini.ReadString("Settings", "Caption", "Setup"), "Mine");
    EXPECT_EQ(ReadBytes(path).compare(0, bytes.size(), bytes), 0) << "the old bytes must stay";
  }
}

TEST(IniTypes, Integers) {
  struct Case {
    const char* text;
    bool ok;
    int32_t value;
  } cases[] = {
      {"12", true, 12},
      {"+12", true, 12},
      {"-12", true, -12},
      {"00012", true, 12},
      {"0", true, 0},
      {"-0", true, 0},
      {"2147483647", true, INT32_MAX},
      {"-2147483648", true, INT32_MIN},
      {"2147483648", false, 0},
      {"-2147483649", false, 0},
      {"99999999999999999999", false, 0},
      {"0x10", true, 16},
      {"0X1f", true, 31},
      {"0x7FFFFFFF", true, INT32_MAX},
      {"0xFFFFFFFF", true, -1},
      {"0x0000000010", true, 16},
      {"0x100000000", false, 0},
      {"0x", false, 0},
      {"0X", false, 0},
      {"0xg", false, 0},
      {"-0x10", false, 0},
      {"", false, 0},
      {"-", false, 0},
      {"+", false, 0},
      {"1e3", false, 0},
      {"- 5", false, 0},
      {"5 ", false, 0},
      {"12a", false, 0},
      {"$10", false, 0},
  };
  for (const Case& c : cases) {
    int32_t v = 777;
    EXPECT_EQ(ParseInteger(c.text, &v), c.ok) << c.text;
    if (c.ok) {
      EXPECT_EQ(v, c.value) << c.text;
    }
  }
}

TEST(IniTypes, TypedReadersUseTheValueOrTheDefault) {
  TempDir dir("ini_typed");
  std::string path = dir.File("t.ini");
  WriteBytes(path,
             "[S]\r\nhex=0x10\r\nbare=0x\r\nspaced=  42  \r\nquoted=\"7\"\r\nempty=\r\nzero=0\r\n"
             "two=2\r\nneg=-1\r\nword=yes\r\nNumFiles=9876\r\n");
  IniFile ini(path);
  struct Case {
    const char* key;
    int32_t integer;  // with default 55
    bool when_true;   // ReadBool with default true
    bool when_false;  // ReadBool with default false
  } cases[] = {
      {"hex", 16, true, true},      {"bare", 55, true, false},      {"spaced", 42, true, true},
      {"quoted", 7, true, true},    {"empty", 55, true, false},     {"zero", 0, false, false},
      {"two", 2, true, true},       {"neg", -1, true, true},        {"word", 55, true, false},
      {"missing", 55, true, false}, {"NumFiles", 9876, true, true},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(ReadInteger(ini, "S", c.key, 55), c.integer) << c.key;
    EXPECT_EQ(ReadBool(ini, "S", c.key, true), c.when_true) << c.key;
    EXPECT_EQ(ReadBool(ini, "S", c.key, false), c.when_false) << c.key;
  }
  ASSERT_TRUE(WriteBool(ini, "S", "on", true));
  ASSERT_TRUE(WriteBool(ini, "S", "off", false));
  ASSERT_TRUE(WriteInteger(ini, "S", "min", INT32_MIN));
  EXPECT_EQ(ini.ReadString("S", "on", ""), "1");
  EXPECT_EQ(ini.ReadString("S", "off", ""), "0");
  EXPECT_EQ(ReadInteger(ini, "S", "min", 0), INT32_MIN);
}

TEST(IniTypes, ReplaceAllAndLineBreakMarkers) {
  struct Case {
    std::string s, from, to, expected;
  } cases[] = {
      {"aaa", "aa", "a", "aa"},         // non-overlapping, resumes after the match
      {"aaaa", "aa", "aaa", "aaaaaa"},  // does not rescan inserted text
      {"abc", "", "x", "abc"},         {"", "a", "b", ""}, {"xyxy", "xy", "", ""},
  };
  for (const Case& c : cases) EXPECT_EQ(ReplaceAll(c.s, c.from, c.to), c.expected) << c.s;

  EXPECT_EQ(EncodeLineBreaks("A\r\nB"),
            "A\x01\xFF"
            "B");
  EXPECT_EQ(DecodeLineBreaks("A\x01\xFF"
                             "B"),
            "A\r\nB");
  EXPECT_EQ(EncodeLineBreaks("\r\r\n\n\n\r"), "\r\x01\xFF\n\n\r");
  EXPECT_EQ(DecodeLineBreaks("\x01\x01\xFF\xFF\xFF\x01"), "\x01\r\n\xFF\xFF\x01");

  TempDir dir("ini_licence");
  IniFile ini(dir.File("l.ini"));
  ASSERT_TRUE(ini.WriteString("Settings", "LicenseText", EncodeLineBreaks("A\r\nB")));
  EXPECT_EQ(ReadBytes(dir.File("l.ini")),
            "[Settings]\r\nLicenseText=A\x01\xFF"
            "B\r\n");
  EXPECT_EQ(DecodeLineBreaks(ini.ReadString("Settings", "LicenseText", "")), "A\r\nB");
}

}  // namespace
}  // namespace kestro::project
