// The INI editor kestro-extract uses on POSIX hosts.
#include "stub/ini_text.h"

#include <gtest/gtest.h>

#include <string>

using kestro::stub::IniText;

namespace {

std::string Text(const IniText& t) { return std::string(t.data ? t.data : "", t.len); }

void Fill(IniText& t, const std::string& s) { t.Append(s.data(), s.size()); }

TEST(IniText, SetsReplacesAndAppendsLikeThePrivateProfileFunctions) {
  IniText t;
  Fill(t, "; note\r\n[One]\r\na=1\r\n\r\n[Two]\r\nb = 2\r\n");
  EXPECT_TRUE(t.HasKey("one", "A"));
  EXPECT_TRUE(t.HasKey("two", "b"));
  EXPECT_FALSE(t.HasKey("one", "b"));
  ASSERT_TRUE(t.Set("ONE", "c", "3"));    // after the section's last key
  ASSERT_TRUE(t.Set("two", "B", "x"));    // replaced in place
  ASSERT_TRUE(t.Set("Three", "d", "4"));  // a new section at the end
  EXPECT_EQ("; note\r\n[One]\r\na=1\r\nc=3\r\n\r\n[Two]\r\nB=x\r\n[Three]\r\nd=4\r\n", Text(t));
}

TEST(IniText, EraseRemovesOnlyThatKeyAndEmptyFilesGrow) {
  IniText t;
  Fill(t, "[S]\nk=1\nk2=2\n[T]\nk=3");
  EXPECT_TRUE(t.Erase("s", "K"));
  EXPECT_FALSE(t.Erase("s", "missing"));
  EXPECT_EQ("[S]\nk2=2\n[T]\nk=3", Text(t));
  ASSERT_TRUE(t.Set("T", "new", "v"));  // a last line without a break
  EXPECT_EQ("[S]\nk2=2\n[T]\nk=3\r\nnew=v\r\n", Text(t));
  IniText empty;
  ASSERT_TRUE(empty.Set("A", "b", "c"));
  EXPECT_EQ("[A]\r\nb=c\r\n", Text(empty));
}

}  // namespace
