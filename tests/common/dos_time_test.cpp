// The DOS date and time: packing with the range clamp, unpacking with the
// field checks, and UTC calendar times of Unix seconds.
#include "common/dos_time.h"

#include <gtest/gtest.h>

namespace kestro {
namespace {

TEST(DosTime, PacksClampedIntoTheFormatsRange) {
  struct Case {
    CivilTime t;
    uint32_t dos;
  } cases[] = {
      {{1975, 6, 1, 12, 0, 0}, kDosFirst},  // before 1980: its first second
      {{1979, 12, 31, 23, 59, 59}, kDosFirst},
      {{1980, 1, 1, 0, 0, 1}, kDosFirst},  // odd seconds are cut
      {{2001, 2, 3, 4, 5, 6}, ((21u << 9 | 2u << 5 | 3u) << 16) | (4u << 11 | 5u << 5 | 3u)},
      {{2107, 12, 31, 23, 59, 59}, kDosLast},
      {{2300, 1, 1, 0, 0, 0}, kDosLast},  // after 2107: its last step
  };
  for (const Case& c : cases) EXPECT_EQ(c.dos, PackDos(c.t)) << c.t.year;
  CivilTime t;
  EXPECT_TRUE(UnpackDos(kDosLast, &t));
  EXPECT_EQ(2107, t.year);
  EXPECT_EQ(58, t.second);
  // Fields no system can set.
  for (uint32_t bad : {0u, 0xFFFFFFFFu, (1u << 5 | 1u) << 16 | 24u << 11, (13u << 5 | 1u) << 16})
    EXPECT_FALSE(UnpackDos(bad, &t)) << std::hex << bad;
}

TEST(DosTime, UnixSecondsToUtcCalendarTime) {
  struct Case {
    int64_t s;
    CivilTime t;
  } cases[] = {
      {0, {1970, 1, 1, 0, 0, 0}},          {-1, {1969, 12, 31, 23, 59, 59}},
      {951782400, {2000, 2, 29, 0, 0, 0}},  // a leap day of a century year
      {981173106, {2001, 2, 3, 4, 5, 6}},  {4354819199, {2107, 12, 31, 23, 59, 59}},
  };
  for (const Case& c : cases) {
    CivilTime t = CivilFromUnix(c.s);
    EXPECT_EQ(c.t.year, t.year) << c.s;
    EXPECT_EQ(c.t.month, t.month) << c.s;
    EXPECT_EQ(c.t.day, t.day) << c.s;
    EXPECT_EQ(c.t.hour * 3600 + c.t.minute * 60 + c.t.second, t.hour * 3600 + t.minute * 60 + t.second)
        << c.s;
  }
}

}  // namespace
}  // namespace kestro
