// The gauge's painting, one routine for every progress bar of the product
// (the wizard's preview, setup.exe, the extractor stub). Plain C++ without
// exceptions or the C++ library: the stub links it and stays small.
#pragma once

#include <windows.h>

namespace kestro::ui {

struct GaugeLook {
  int min_value = 0;
  int max_value = 100;
  int progress = 0;
  bool show_text = true;
  COLORREF fore_color = RGB(0, 0, 128);      // the filled part
  COLORREF back_color = RGB(255, 255, 255);  // the empty part
  HFONT font = nullptr;                      // the text's font; nullptr: the DC's
};

// Paints the gauge into `rect` of `dc`: a sunken edge around all of it; the
// bar inside it, inset by 2 pixels, filled with fore_color from the left and
// back_color for the rest; the percentage text centred in the bar, in
// back_color over the filled part and fore_color over the empty part, so it
// changes colour exactly at the end of the bar.
void PaintGauge(HDC dc, const RECT& rect, const GaugeLook& look);

}  // namespace kestro::ui
