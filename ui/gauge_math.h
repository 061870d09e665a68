// The gauge's arithmetic: the percentage text and the width of the filled
// part. Portable and free of exceptions and of the C++ library, so the
// extractor stub can link it as well as the window programs.
#pragma once

namespace kestro::ui {

// part * scale / whole rounded to the nearest integer, halves to the even
// neighbour. False (and *out untouched) when whole is 0. Exact for every
// 32-bit gauge range.
bool GaugeScale(long long part, long long whole, long long scale, long long* out);

// The percentage of progress within min..max; false when max == min.
bool GaugePercent(int min_value, int max_value, int progress, int* percent);

// Columns of a bar bar_width wide that the filled part covers; 0 when the
// range is empty.
int GaugeFillWidth(int bar_width, int min_value, int max_value, int progress);

// The gauge's text: the percentage followed by " %", or "error" when the
// range is empty. `text` holds at least kGaugeTextSize bytes; returns the
// length written (without the terminating zero).
constexpr int kGaugeTextSize = 16;
int GaugeText(int min_value, int max_value, int progress, char* text);

}  // namespace kestro::ui
