// TNewGauge: the progress gauge control. A child window of the class
// kGaugeClass (put it into a dialog template as
//   CONTROL "", IDC_X, "KestroGauge", WS_CHILD | WS_VISIBLE, x, y, w, h
// after RegisterWidgets), painted by PaintGauge.
#pragma once

#include <windows.h>

#include "ui/gauge_paint.h"

namespace kestro::ui {

constexpr const char* kGaugeClass = "KestroGauge";

class TNewGauge {
 public:
  // The gauge of a window of kGaugeClass; nullptr for any other window.
  static TNewGauge* Of(HWND wnd);
  // Creates a gauge window (100 x 100 unless told otherwise).
  static TNewGauge* Create(HWND parent, int id, int x, int y, int width = 100, int height = 100);

  HWND handle() const { return wnd_; }

  int MinValue() const { return look_.min_value; }
  int MaxValue() const { return look_.max_value; }
  int Progress() const { return look_.progress; }
  bool ShowText() const { return look_.show_text; }
  COLORREF ForeColor() const { return look_.fore_color; }
  COLORREF BackColor() const { return look_.back_color; }

  // A value above MaxValue (or, for SetMaxValue, below MinValue) is refused
  // with kestro::Error "Wert muß zwischen %d und %d liegen".
  void SetMinValue(int value);
  void SetMaxValue(int value);
  // Clamped into MinValue..MaxValue.
  void SetProgress(int value);
  void SetShowText(bool value);
  void SetForeColor(COLORREF value);
  void SetBackColor(COLORREF value);
  // The text's font (the gauge does not own it); the window's font otherwise.
  void SetFont(HFONT font);

  // The text the gauge shows now ("25 %", "error").
  const char* Text();

 private:
  friend LRESULT CALLBACK GaugeProc(HWND, UINT, WPARAM, LPARAM);
  explicit TNewGauge(HWND wnd) : wnd_(wnd) { look_.progress = 25; }
  void Repaint();

  HWND wnd_;
  GaugeLook look_;
  char text_[16] = {};
};

}  // namespace kestro::ui
