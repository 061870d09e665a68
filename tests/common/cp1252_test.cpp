#include "common/cp1252.h"

#include <gtest/gtest.h>

#include <string>

#include "common/text.h"

namespace kestro {
namespace {

struct Case {
  const char* cp1252;
  const char* utf8;
};

// Both directions: every Windows-1252 byte class and its UTF-8 form.
const Case kRoundTrip[] = {
    {"plain ASCII.txt", "plain ASCII.txt"},
    {"Gr\xF6\xDF"
     "e.txt",
     "Gr\xC3\xB6\xC3\x9F"
     "e.txt"},
    {"\xC4\xD6\xDC\xE4\xF6\xFC", "\xC3\x84\xC3\x96\xC3\x9C\xC3\xA4\xC3\xB6\xC3\xBC"},
    {"\x80 5", "\xE2\x82\xAC 5"},                                          // the euro sign at 0x80
    {"\x9F\xFF", "\xC5\xB8\xC3\xBF"},                                      // the ends of both upper halves
    {"\x81\x8D\x8F\x90\x9D", "\xC2\x81\xC2\x8D\xC2\x8F\xC2\x90\xC2\x9D"},  // unassigned: C1 controls
    {"\xAE\xA0", "\xC2\xAE\xC2\xA0"},
};

TEST(Cp1252, ConvertsBothWays) {
  for (const Case& c : kRoundTrip) {
    EXPECT_EQ(Cp1252ToUtf8(c.cp1252), c.utf8) << c.cp1252;
    EXPECT_EQ(Utf8ToCp1252(c.utf8), c.cp1252) << c.utf8;
  }
}

TEST(Cp1252, WhatTheCodePageCannotHoldBecomesAQuestionMark) {
  const Case kLossy[] = {
      {"??.txt", "\xE6\x97\xA5\xE6\x9C\xAC.txt"},  // two CJK characters
      {"a?b",
       "a\xF0\x9F\x98\x80"
       "b"},                    // outside the BMP
      {"?x", "\xFFx"},          // not UTF-8 at all
      {"??", "\xC0\xAF"},       // overlong "/"
      {"?", "\xC3"},            // cut sequence
      {"???", "\xED\xA0\x80"},  // a surrogate
  };
  for (const Case& c : kLossy) {
    bool exact = true;
    char out[64];
    std::string in = c.utf8;
    ASSERT_NE(cp1252::FromUtf8(in.data(), in.size(), out, sizeof out, &exact), static_cast<size_t>(-1));
    EXPECT_STREQ(out, c.cp1252) << c.utf8;
    EXPECT_FALSE(exact) << c.utf8;
  }
  bool exact = false;
  char out[16];
  cp1252::FromUtf8(
      "Gr\xC3\xB6\xC3\x9F"
      "e",
      8, out, sizeof out, &exact);
  EXPECT_TRUE(exact);
}

TEST(Cp1252, RefusesABufferThatIsTooSmall) {
  char out[4];
  EXPECT_EQ(cp1252::ToUtf8("\xE4\xE4", 2, out, sizeof out), static_cast<size_t>(-1));  // needs 4 + NUL
  EXPECT_EQ(cp1252::ToUtf8("\xE4", 1, out, sizeof out), 2u);
  EXPECT_EQ(cp1252::FromUtf8("abcd", 4, out, sizeof out), static_cast<size_t>(-1));
}

TEST(Cp1252, TellsUtf8TextFromWindows1252Text) {
  EXPECT_TRUE(
      cp1252::IsNonAsciiUtf8("Gr\xC3\xB6\xC3\x9F"
                             "e.txt",
                             10));
  EXPECT_FALSE(
      cp1252::IsNonAsciiUtf8("Gr\xF6\xDF"
                             "e.txt",
                             8));                        // Windows-1252
  EXPECT_FALSE(cp1252::IsNonAsciiUtf8("plain.txt", 9));  // nothing to tell
}

}  // namespace
}  // namespace kestro
