#include "setup/link_label.h"

#include <commctrl.h>
#include <shellapi.h>

namespace kestro::setup {
namespace {

constexpr char kPressedProp[] = "KestroLinkPressed";
constexpr char kLinkProp[] = "KestroLink";
constexpr char kHoverProp[] = "KestroLinkHover";  // set on labels that light up under the mouse
constexpr char kHotProp[] = "KestroLinkHot";

LRESULT CALLBACK LabelProc(HWND wnd, UINT msg, WPARAM wp, LPARAM lp, UINT_PTR, DWORD_PTR) {
  switch (msg) {
    case WM_SETCURSOR: SetCursor(LoadCursor(nullptr, IDC_HAND)); return TRUE;
    case WM_LBUTTONDOWN: LinkLabels::SetPressed(wnd, true); break;
    case WM_LBUTTONUP: LinkLabels::SetPressed(wnd, false); break;
    case WM_MOUSEMOVE:
      if (GetPropA(wnd, kHoverProp) && !GetPropA(wnd, kHotProp)) {
        SetPropA(wnd, kHotProp, reinterpret_cast<HANDLE>(1));
        TRACKMOUSEEVENT track = {sizeof track, TME_LEAVE, wnd, 0};
        TrackMouseEvent(&track);
        InvalidateRect(wnd, nullptr, TRUE);
      }
      break;
    case WM_MOUSELEAVE:
      RemovePropA(wnd, kHotProp);
      InvalidateRect(wnd, nullptr, TRUE);
      break;
    case WM_NCDESTROY:
      RemovePropA(wnd, kPressedProp);
      RemovePropA(wnd, kLinkProp);
      RemovePropA(wnd, kHoverProp);
      RemovePropA(wnd, kHotProp);
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

void LinkLabels::Attach(HWND label, bool bold, bool hover) {
  HFONT& font = bold ? bold_ : normal_;
  if (!font) font = MakeFont(bold);
  SendMessageA(label, WM_SETFONT, reinterpret_cast<WPARAM>(font), TRUE);
  SetPropA(label, kLinkProp, reinterpret_cast<HANDLE>(1));
  if (hover) SetPropA(label, kHoverProp, reinterpret_cast<HANDLE>(1));
  SetWindowSubclass(label, LabelProc, 0, 0);
}

bool LinkLabels::CtlColor(HWND label, HDC dc) const {
  if (!GetPropA(label, kLinkProp)) return false;
  COLORREF colour = RGB(0, 0, 255);
  if (GetPropA(label, kHotProp)) colour = RGB(0, 128, 255);
  if (GetPropA(label, kPressedProp)) colour = RGB(255, 0, 0);
  SetTextColor(dc, colour);
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
