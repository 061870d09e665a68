// The rules the extractor applies and the compiler checks.
#include "format/rules.h"

#include <gtest/gtest.h>

#include <string>

namespace kestro::format {
namespace {

TEST(ParseDword, TakesSignedDecimalOrDollarHexThatFit32Bits) {
  struct Case {
    const char* text;
    uint32_t value;
  } ok[] = {
      {"0", 0},
      {"12", 12},
      {"-5", 0xFFFFFFFBu},
      {"+7", 7},
      {"2147483647", 0x7FFFFFFFu},
      {"-2147483648", 0x80000000u},
      {"$1F", 0x1F},
      {"$ffffffff", 0xFFFFFFFFu},
      {"$000000010", 0x10},
  };
  for (const Case& c : ok) {
    uint32_t v = 1;
    EXPECT_TRUE(ParseDword(c.text, strlen(c.text), &v)) << c.text;
    EXPECT_EQ(c.value, v) << c.text;
  }
  // A sign belongs to decimal numbers only.
  for (const char* bad : {"", "12a", "a12", "2147483648", "-2147483649", "$", "$100000000", "0x10", "1 2",
                          "-", "$G", "-$10", "+$1F", " 1", "$-1"})
    EXPECT_FALSE(ParseDword(bad, strlen(bad), nullptr)) << bad;
}

TEST(MakeDestination, CutsTheNameToTheFieldsSixtyThreeCharacters) {
  PStr<63> d;
  std::string name(59, 'n');
  name += ".txt";
  MakeDestination(name.data(), name.size(), &d);
  EXPECT_EQ(63, d.len);
  EXPECT_EQ("%a\\" + name.substr(0, 60), std::string(d.chars, d.len));
  EXPECT_FALSE(SafeDestination(d.chars, d.len)) << "cut to end in a dot";
}

}  // namespace
}  // namespace kestro::format
