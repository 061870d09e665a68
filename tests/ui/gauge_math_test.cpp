#include "ui/gauge_math.h"

#include <gtest/gtest.h>

#include <climits>
#include <string>

namespace kestro::ui {
namespace {

TEST(GaugeMath, TextAndFillWidth) {
  struct Case {
    int min, max, progress, bar_width;
    std::string text;
    int fill;
  } cases[] = {
      {0, 100, 0, 288, "0 %", 0},
      {0, 100, 50, 288, "50 %", 144},
      {0, 100, 100, 288, "100 %", 288},
      {0, 100, 25, 96, "25 %", 24},
      // Halves go to the even neighbour: 0.5 -> 0, 1.5 -> 2, 2.5 -> 2, 3.5 -> 4.
      {0, 200, 1, 1, "0 %", 0},
      {0, 200, 3, 3, "2 %", 0},
      {0, 200, 5, 1, "2 %", 0},
      {0, 200, 7, 1, "4 %", 0},
      {0, 2, 1, 5, "50 %", 2},
      {0, 2, 1, 7, "50 %", 4},
      {0, 3, 2, 100, "67 %", 67},
      // Ranges away from zero, and the widest one.
      {-100, 100, 0, 200, "50 %", 100},
      {1000, 1010, 1001, 10, "10 %", 1},
      {INT_MIN + 1, INT_MAX, 0, 1000, "50 %", 500},
      {INT_MIN + 1, INT_MAX, INT_MAX, 1000, "100 %", 1000},
      // An empty range cannot be divided.
      {5, 5, 5, 288, "error", 0},
  };
  for (const Case& c : cases) {
    char text[kGaugeTextSize];
    int len = GaugeText(c.min, c.max, c.progress, text);
    EXPECT_EQ(c.text, std::string(text, len)) << c.min << ".." << c.max << " at " << c.progress;
    EXPECT_EQ(c.text, std::string(text)) << "zero-terminated";
    EXPECT_EQ(c.fill, GaugeFillWidth(c.bar_width, c.min, c.max, c.progress))
        << c.min << ".." << c.max << " at " << c.progress << " over " << c.bar_width;
  }
}

TEST(GaugeMath, ScaleRoundsHalvesToEven) {
  long long out = -1;
  EXPECT_FALSE(GaugeScale(1, 0, 100, &out));
  EXPECT_EQ(-1, out);
  struct Case {
    long long part, whole, scale, expected;
  } cases[] = {{1, 4, 2, 0}, {3, 4, 2, 2}, {5, 4, 2, 2},  {7, 4, 2, 4},
               {1, 3, 1, 0}, {2, 3, 1, 1}, {-1, 2, 1, 0}, {-3, 2, 1, -2}};
  for (const Case& c : cases) {
    ASSERT_TRUE(GaugeScale(c.part, c.whole, c.scale, &out));
    EXPECT_EQ(c.expected, out) << c.part << "*" << c.scale << "/" << c.whole;
  }
}

}  // namespace
}  // namespace kestro::ui
