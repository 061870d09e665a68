#include "ui/gauge_math.h"

namespace kestro::ui {

bool GaugeScale(long long part, long long whole, long long scale, long long* out) {
  if (whole == 0) return false;
  long long num = part * scale;
  if (whole < 0) {
    num = -num;
    whole = -whole;
  }
  bool negative = num < 0;
  if (negative) num = -num;
  long long q = num / whole, r = num % whole;
  // Halves go to the even neighbour.
  if (2 * r > whole || (2 * r == whole && (q & 1))) ++q;
  *out = negative ? -q : q;
  return true;
}

bool GaugePercent(int min_value, int max_value, int progress, int* percent) {
  long long value;
  if (!GaugeScale(static_cast<long long>(progress) - min_value, static_cast<long long>(max_value) - min_value,
                  100, &value))
    return false;
  *percent = static_cast<int>(value);
  return true;
}

int GaugeFillWidth(int bar_width, int min_value, int max_value, int progress) {
  long long value;
  if (!GaugeScale(static_cast<long long>(progress) - min_value, static_cast<long long>(max_value) - min_value,
                  bar_width, &value))
    return 0;
  return static_cast<int>(value);
}

int GaugeText(int min_value, int max_value, int progress, char* text) {
  int percent;
  if (!GaugePercent(min_value, max_value, progress, &percent)) {
    const char kError[] = "error";
    for (int i = 0; i < static_cast<int>(sizeof kError); ++i) text[i] = kError[i];
    return static_cast<int>(sizeof kError) - 1;
  }
  char digits[12];
  int n = 0;
  unsigned magnitude = percent < 0 ? 0u - static_cast<unsigned>(percent) : static_cast<unsigned>(percent);
  do {
    digits[n++] = static_cast<char>('0' + magnitude % 10);
    magnitude /= 10;
  } while (magnitude);
  int len = 0;
  if (percent < 0) text[len++] = '-';
  while (n) text[len++] = digits[--n];
  text[len++] = ' ';
  text[len++] = '%';
  text[len] = 0;
  return len;
}

}  // namespace kestro::ui
