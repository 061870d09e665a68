#include "setup/link_label.h"

#include <commctrl.h>
#include <shellapi.h>

namespace kestro::setup {
namespace {

constexpr char kPressedProp[] = "KestroLinkPressed";
constexpr char kLinkProp[] = "KestroLink";

LRESULT CALLBACK LabelProc(HWND wnd, UINT msg, WPARAM wp, LPARAM lp, UINT_PTR, DWORD_PTR) {
  switch (msg) {
    case WM_SETCURSOR: SetCursor(LoadCursor(nullptr, IDC_HAND)); return TRUE;
    case WM_LBUTTONDOWN: LinkLabels::SetPressed(wnd, true); break;
    case WM_LBUTTONUP: LinkLabels::SetPressed(wnd, false); break;
    case WM_NCDESTROY:
      RemovePropA(wnd, kPressedProp);
      RemovePropA(wnd, kLinkProp);
      RemoveWindowSubclass(wnd, LabelProc, 0);
      break;
  }
  return DefSubclassProc(wnd, msg, wp, lp);
}

HFONT MakeFont(bool bold) {
  return CreateFontA(-11, 0, 0, 0, bold ? FW_BOLD : FW_NORMAL, FALSE, TRUE, FALSE, ANSI_CHARSET,
                     OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH, "Arial");
}

}  // namespace

LinkLabels::~LinkLabels() {
  if (normal_) DeleteObject(normal_);
  if (bold_) DeleteObject(bold_);
}

void LinkLabels::Attach(HWND label, bool bold) {
  HFONT& font = bold ? bold_ : normal_;
  if (!font) font = MakeFont(bold);
  SendMessageA(label, WM_SETFONT, reinterpret_cast<WPARAM>(font), TRUE);
  SetPropA(label, kLinkProp, reinterpret_cast<HANDLE>(1));
  SetWindowSubclass(label, LabelProc, 0, 0);
}

bool LinkLabels::CtlColor(HWND label, HDC dc) const {
  if (!GetPropA(label, kLinkProp)) return false;
  SetTextColor(dc, GetPropA(label, kPressedProp) ? RGB(255, 0, 0) : RGB(0, 0, 255));
  return true;
}

void LinkLabels::SetPressed(HWND label, bool pressed) {
  if (pressed)
    SetPropA(label, kPressedProp, reinterpret_cast<HANDLE>(1));
  else
    RemovePropA(label, kPressedProp);
  InvalidateRect(label, nullptr, TRUE);
  UpdateWindow(label);
}

void OpenAddress(LinkType type, const std::string& address) {
  const char* prefix = type == LinkType::kHttp  ? "http:\\\\"
                       : type == LinkType::kFtp ? "ftp:\\\\"
                                                : "mailto:";
  ShellExecuteA(nullptr, nullptr, (prefix + address).c_str(), nullptr, nullptr, SW_SHOWNORMAL);
}

}  // namespace kestro::setup
