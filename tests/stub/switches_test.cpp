// The stub's command line.
#include "stub/switches.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

using kestro::stub::ParseSwitches;
using kestro::stub::Switches;

namespace {

TEST(StubSwitches, ParsesEachSwitchAndTheFolderWithBlanks) {
  struct Case {
    const char* line;
    bool silent, test, help, have_password;
    const char* password;
    const char* folder;
  } cases[] = {
      {"setup.exe", false, false, false, false, "", ""},
      {"\"C:\\My Files\\setup.exe\" /S /T", true, true, false, false, "", ""},
      {"setup.exe /s /p=geheim /d=C:\\Program Files\\App ", true, false, false, true, "geheim",
       "C:\\Program Files\\App"},
      {"setup.exe /D=\"C:\\With Quotes\"", false, false, false, false, "", "C:\\With Quotes"},
      {"setup.exe \"/D=C:\\Quoted Whole\"", false, false, false, false, "", "C:\\Quoted Whole"},
      {"setup.exe \"/P=two words\" /S", true, false, false, true, "two words", ""},
      {"setup.exe /P=\"a b\" /S", true, false, false, true, "a b", ""},
      {"setup.exe /P= /S", true, false, false, true, "", ""},
      {"setup.exe /X /? /S", true, false, true, false, "", ""},
      {"setup.exe extra /S", false, false, false, false, "", ""},  // stops at a word that is no switch
      {"setup.exe /D=C:\\a /S", false, false, false, false, "", "C:\\a /S"},  // /D= takes the rest
      {"setup.exe /S /", true, false, false, false, "", ""},                  // a lone slash at the end
      {"setup.exe \"/", false, false, false, false, "", ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.line);
    Switches sw;
    ParseSwitches(c.line, &sw);
    EXPECT_EQ(c.silent, sw.silent);
    EXPECT_EQ(c.test, sw.test);
    EXPECT_EQ(c.help, sw.help);
    EXPECT_EQ(c.have_password, sw.have_password);
    EXPECT_STREQ(c.password, sw.password);
    EXPECT_STREQ(c.folder, sw.folder);
    EXPECT_FALSE(sw.keep);
  }
  Switches keep;
  ParseSwitches("setup.exe /S /k /D=C:\\x", &keep);
  EXPECT_TRUE(keep.keep);
  EXPECT_TRUE(keep.silent);
  EXPECT_STREQ("C:\\x", keep.folder);
}

// Random command lines made of the characters that steer the parser, each in
// a buffer of exactly its length: nothing is read past its end.
TEST(StubSwitches, RandomCommandLinesAreParsedWithinTheirBounds) {
  const char kChars[] = "/-\"= \tDdPpSsTt?Hx\\:";
  std::mt19937 g(99);
  for (int i = 0; i < 20000; ++i) {
    size_t n = g() % 24;
    std::vector<char> line(n + 1, 0);
    for (size_t k = 0; k < n; ++k) line[k] = kChars[g() % (sizeof kChars - 1)];
    Switches sw;
    ParseSwitches(line.data(), &sw);
    ASSERT_LT(strlen(sw.folder), sizeof sw.folder) << line.data();
    ASSERT_LE(strlen(sw.folder), n) << line.data();
    ASSERT_LE(strlen(sw.password), n) << line.data();
  }
}

}  // namespace
