#include "ui/new_gauge.h"

#include <climits>

#include "common/errors.h"
#include "ui/gauge_math.h"

namespace kestro::ui {

namespace {
const char kRangeError[] = "Wert mu\xDF zwischen %d und %d liegen";
}

LRESULT CALLBACK GaugeProc(HWND wnd, UINT msg, WPARAM wp, LPARAM lp) {
  auto* gauge = reinterpret_cast<TNewGauge*>(GetWindowLongPtrA(wnd, 0));
  switch (msg) {
    case WM_NCCREATE: SetWindowLongPtrA(wnd, 0, reinterpret_cast<LONG_PTR>(new TNewGauge(wnd))); break;
    case WM_NCDESTROY:
      delete gauge;
      SetWindowLongPtrA(wnd, 0, 0);
      break;
    case WM_ERASEBKGND: return 1;  // opaque: the painting covers everything
    case WM_SETFONT:
      if (gauge) {
        gauge->look_.font = reinterpret_cast<HFONT>(wp);
        if (LOWORD(lp)) gauge->Repaint();
      }
      return 0;
    case WM_GETFONT: return gauge ? reinterpret_cast<LRESULT>(gauge->look_.font) : 0;
    case WM_PAINT: {
      PAINTSTRUCT ps;
      HDC dc = BeginPaint(wnd, &ps);
      RECT rect;
      GetClientRect(wnd, &rect);
      if (gauge) {
        GaugeLook look = gauge->look_;
        if (!look.font) look.font = static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT));
        PaintGauge(dc, rect, look);
      }
      EndPaint(wnd, &ps);
      return 0;
    }
  }
  return DefWindowProcA(wnd, msg, wp, lp);
}

TNewGauge* TNewGauge::Of(HWND wnd) {
  char name[32];
  if (!wnd || !GetClassNameA(wnd, name, sizeof name) || lstrcmpiA(name, kGaugeClass) != 0) return nullptr;
  return reinterpret_cast<TNewGauge*>(GetWindowLongPtrA(wnd, 0));
}

TNewGauge* TNewGauge::Create(HWND parent, int id, int x, int y, int width, int height) {
  HWND wnd = CreateWindowExA(0, kGaugeClass, "", WS_CHILD | WS_VISIBLE, x, y, width, height, parent,
                             reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)),
                             reinterpret_cast<HINSTANCE>(GetWindowLongPtrA(parent, GWLP_HINSTANCE)), nullptr);
  return Of(wnd);
}

void TNewGauge::Repaint() { InvalidateRect(wnd_, nullptr, FALSE); }

void TNewGauge::SetMinValue(int value) {
  if (value > look_.max_value) throw Error(Format(kRangeError, INT_MIN + 1, look_.max_value - 1));
  look_.min_value = value;
  if (look_.progress < value) look_.progress = value;
  Repaint();
}

void TNewGauge::SetMaxValue(int value) {
  if (value < look_.min_value) throw Error(Format(kRangeError, look_.min_value + 1, INT_MAX));
  look_.max_value = value;
  if (look_.progress > value) look_.progress = value;
  Repaint();
}

void TNewGauge::SetProgress(int value) {
  if (value < look_.min_value) value = look_.min_value;
  if (value > look_.max_value) value = look_.max_value;
  if (value == look_.progress) return;
  look_.progress = value;
  Repaint();
}

void TNewGauge::SetShowText(bool value) {
  if (value == look_.show_text) return;
  look_.show_text = value;
  Repaint();
}

void TNewGauge::SetForeColor(COLORREF value) {
  if (value == look_.fore_color) return;
  look_.fore_color = value;
  Repaint();
}

void TNewGauge::SetBackColor(COLORREF value) {
  if (value == look_.back_color) return;
  look_.back_color = value;
  Repaint();
}

void TNewGauge::SetFont(HFONT font) {
  look_.font = font;
  Repaint();
}

const char* TNewGauge::Text() {
  GaugeText(look_.min_value, look_.max_value, look_.progress, text_);
  return text_;
}

void RegisterGaugeClass(HINSTANCE instance) {
  WNDCLASSA wc = {};
  if (GetClassInfoA(instance, kGaugeClass, &wc)) return;
  wc.lpfnWndProc = GaugeProc;
  wc.cbWndExtra = sizeof(LONG_PTR);
  wc.hInstance = instance;
  wc.hCursor = LoadCursor(nullptr, IDC_ARROW);
  wc.lpszClassName = kGaugeClass;
  RegisterClassA(&wc);
}

}  // namespace kestro::ui
