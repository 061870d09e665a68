#include "ui/gauge_paint.h"

#include "ui/gauge_math.h"

namespace kestro::ui {
namespace {

// One of the gauge's two pictures: the bar area filled with `fill`, the text
// (if any) in `ink` at the same place in both.
HBITMAP MakePicture(HDC screen, HDC mem, int width, int height, COLORREF fill, COLORREF ink, const char* text,
                    int len, int x, int y) {
  HBITMAP bitmap = CreateCompatibleBitmap(screen, width, height);
  HGDIOBJ old = SelectObject(mem, bitmap);
  RECT all = {0, 0, width, height};
  SetBkColor(mem, fill);
  ExtTextOutA(mem, 0, 0, ETO_OPAQUE, &all, nullptr, 0, nullptr);
  if (len) {
    SetBkMode(mem, TRANSPARENT);
    SetTextColor(mem, ink);
    TextOutA(mem, x, y, text, len);
  }
  SelectObject(mem, old);
  return bitmap;
}

}  // namespace

void PaintGauge(HDC dc, const RECT& rect, const GaugeLook& look) {
  RECT edge = rect;
  DrawEdge(dc, &edge, EDGE_SUNKEN, BF_RECT);
  const int width = rect.right - rect.left - 4, height = rect.bottom - rect.top - 4;
  if (width <= 0 || height <= 0) return;

  char text[kGaugeTextSize];
  int len = look.show_text ? GaugeText(look.min_value, look.max_value, look.progress, text) : 0;
  int fill = GaugeFillWidth(width, look.min_value, look.max_value, look.progress);
  if (fill < 0) fill = 0;
  if (fill > width) fill = width;

  HDC mem = CreateCompatibleDC(dc);
  HGDIOBJ old_font = SelectObject(mem, look.font ? look.font : GetCurrentObject(dc, OBJ_FONT));
  SIZE size = {0, 0};
  if (len) GetTextExtentPoint32A(mem, text, len, &size);
  const int x = width / 2 - size.cx / 2, y = height / 2 - size.cy / 2;
  HBITMAP filled = MakePicture(dc, mem, width, height, look.fore_color, look.back_color, text, len, x, y);
  HBITMAP empty = MakePicture(dc, mem, width, height, look.back_color, look.fore_color, text, len, x, y);
  SelectObject(mem, old_font);

  HGDIOBJ old = SelectObject(mem, filled);
  if (fill > 0) BitBlt(dc, rect.left + 2, rect.top + 2, fill, height, mem, 0, 0, SRCCOPY);
  SelectObject(mem, empty);
  if (fill < width)
    BitBlt(dc, rect.left + 2 + fill, rect.top + 2, width - fill, height, mem, fill, 0, SRCCOPY);
  SelectObject(mem, old);
  DeleteObject(filled);
  DeleteObject(empty);
  DeleteDC(mem);
}

}  // namespace kestro::ui
