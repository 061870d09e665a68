#include "ui/widgets.h"

#include <shellapi.h>

#include "ui/new_gauge.h"

namespace kestro::ui {

void RegisterGaugeClass(HINSTANCE instance);  // new_gauge.cpp

namespace {

constexpr UINT_PTR kFrameTimer = 1;
constexpr UINT kFrameMs = 120;

bool& LinksOpen() {
  static bool open = true;
  return open;
}

// Everything one of these controls remembers; one kind per class.
struct State {
  HFONT font = nullptr;       // WM_SETFONT's, not owned
  HFONT underline = nullptr;  // owned (link labels)
  Picture picture = Picture::kNone;
  LabelLook look = LabelLook::kShadow;
  COLORREF color = RGB(0, 0, 128);
  std::string target, folder;
  bool hover = false, hot = false, pressed = false, checked = true, running = false;
  int frame = 0;
};

State* Of(HWND wnd) { return reinterpret_cast<State*>(GetWindowLongPtrA(wnd, 0)); }

std::string Text(HWND wnd) {
  int len = GetWindowTextLengthA(wnd);
  std::string text(static_cast<size_t>(len) + 1, '\0');
  len = GetWindowTextA(wnd, &text[0], len + 1);
  text.resize(static_cast<size_t>(len));
  return text;
}

void NotifyClick(HWND wnd) {
  HWND parent = GetParent(wnd);
  if (parent)
    SendMessageA(parent, WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(wnd), BN_CLICKED),
                 reinterpret_cast<LPARAM>(wnd));
}

HFONT FontOf(const State* s) {
  return s->font ? s->font : static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT));
}

// The parent's background, as it gives it to its static controls.
void FillBackground(HWND wnd, HDC dc, const RECT& rect) {
  HBRUSH brush = reinterpret_cast<HBRUSH>(SendMessageA(
      GetParent(wnd), WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dc), reinterpret_cast<LPARAM>(wnd)));
  FillRect(dc, &rect, brush ? brush : GetSysColorBrush(COLOR_BTNFACE));
}

bool Inside(HWND wnd, LPARAM lp) {
  RECT r;
  GetClientRect(wnd, &r);
  POINT p = {static_cast<short>(LOWORD(lp)), static_cast<short>(HIWORD(lp))};
  return PtInRect(&r, p) != FALSE;
}

// What every class does alike: state, fonts, text changes.
bool Common(HWND wnd, UINT msg, WPARAM wp, LPARAM lp, LRESULT* result) {
  State* s = Of(wnd);
  switch (msg) {
    case WM_NCCREATE: SetWindowLongPtrA(wnd, 0, reinterpret_cast<LONG_PTR>(new State)); return false;
    case WM_NCDESTROY:
      if (s) {
        if (s->underline) DeleteObject(s->underline);
        delete s;
        SetWindowLongPtrA(wnd, 0, 0);
      }
      return false;
    case WM_SETFONT:
      if (!s) return false;
      s->font = reinterpret_cast<HFONT>(wp);
      if (s->underline) DeleteObject(s->underline), s->underline = nullptr;
      if (LOWORD(lp)) InvalidateRect(wnd, nullptr, TRUE);
      *result = 0;
      return true;
    case WM_GETFONT: *result = s ? reinterpret_cast<LRESULT>(s->font) : 0; return true;
    case WM_SETTEXT:
    case WM_ENABLE:
      *result = DefWindowProcA(wnd, msg, wp, lp);
      InvalidateRect(wnd, nullptr, TRUE);
      return true;
    case WM_ERASEBKGND: *result = 1; return true;
  }
  return false;
}

// Paints through a memory picture, so animation and hover do not flicker;
// WM_PRINTCLIENT (a picture of the control) paints straight into its DC.
template <typename Paint>
void Buffered(HWND wnd, UINT msg, WPARAM wp, Paint paint) {
  RECT r;
  GetClientRect(wnd, &r);
  if (msg == WM_PRINTCLIENT) {
    paint(reinterpret_cast<HDC>(wp), r);
    return;
  }
  PAINTSTRUCT ps;
  HDC dc = BeginPaint(wnd, &ps);
  HDC mem = CreateCompatibleDC(dc);
  HBITMAP bitmap = CreateCompatibleBitmap(dc, r.right > 0 ? r.right : 1, r.bottom > 0 ? r.bottom : 1);
  HGDIOBJ old = SelectObject(mem, bitmap);
  paint(mem, r);
  BitBlt(dc, 0, 0, r.right, r.bottom, mem, 0, 0, SRCCOPY);
  SelectObject(mem, old);
  DeleteObject(bitmap);
  DeleteDC(mem);
  EndPaint(wnd, &ps);
}

LRESULT CALLBACK LinkProc(HWND wnd, UINT msg, WPARAM wp, LPARAM lp) {
  LRESULT result;
  if (Common(wnd, msg, wp, lp, &result)) return result;
  State* s = Of(wnd);
  switch (msg) {
    case WM_PAINT:
    case WM_PRINTCLIENT:
      Buffered(wnd, msg, wp, [&](HDC dc, const RECT& r) {
        FillBackground(wnd, dc, r);
        if (!s->underline) {
          LOGFONTA lf;
          GetObjectA(FontOf(s), sizeof lf, &lf);
          lf.lfUnderline = TRUE;
          s->underline = CreateFontIndirectA(&lf);
        }
        HGDIOBJ old = SelectObject(dc, s->underline);
        SetBkMode(dc, TRANSPARENT);
        SetTextColor(dc, !IsWindowEnabled(wnd) ? GetSysColor(COLOR_GRAYTEXT)
                         : s->pressed          ? RGB(255, 0, 0)
                         : s->hot              ? RGB(0, 128, 255)
                                               : RGB(0, 0, 255));
        std::string text = Text(wnd);
        RECT t = r;
        DrawTextA(dc, text.c_str(), -1, &t, DT_NOPREFIX | DT_WORDBREAK);
        SelectObject(dc, old);
      });
      return 0;
    case WM_SETCURSOR: SetCursor(LoadCursor(nullptr, IDC_HAND)); return TRUE;
    case WM_MOUSEMOVE:
      if (s->hover && !s->hot) {
        s->hot = true;
        TRACKMOUSEEVENT track = {sizeof track, TME_LEAVE, wnd, 0};
        TrackMouseEvent(&track);
        InvalidateRect(wnd, nullptr, FALSE);
      }
      return 0;
    case WM_MOUSELEAVE:
      if (s->hot) {
        s->hot = false;
        InvalidateRect(wnd, nullptr, FALSE);
      }
      return 0;
    case WM_LBUTTONDOWN:
      s->pressed = true;
      SetCapture(wnd);
      InvalidateRect(wnd, nullptr, FALSE);
      return 0;
    case WM_LBUTTONUP:
      if (s->pressed) {
        s->pressed = false;
        ReleaseCapture();
        InvalidateRect(wnd, nullptr, FALSE);
        if (Inside(wnd, lp)) {
          NotifyClick(wnd);
          if (LinksOpen()) {
            std::string target = s->target.empty() ? Text(wnd) : s->target;
            ShellExecuteA(GetParent(wnd), "open", target.c_str(), nullptr,
                          s->folder.empty() ? nullptr : s->folder.c_str(), SW_SHOWNORMAL);
          }
        }
      }
      return 0;
    case WM_CAPTURECHANGED:
      if (s && s->pressed) {
        s->pressed = false;
        InvalidateRect(wnd, nullptr, FALSE);
      }
      return 0;
  }
  return DefWindowProcA(wnd, msg, wp, lp);
}

LRESULT CALLBACK PictureButtonProc(HWND wnd, UINT msg, WPARAM wp, LPARAM lp) {
  LRESULT result;
  if (Common(wnd, msg, wp, lp, &result)) return result;
  State* s = Of(wnd);
  switch (msg) {
    case WM_PAINT:
    case WM_PRINTCLIENT:
      Buffered(wnd, msg, wp, [&](HDC dc, const RECT& r) {
        FillRect(dc, &r, GetSysColorBrush(COLOR_BTNFACE));
        bool down = s->pressed && s->hot;
        if (down)
          DrawEdge(dc, const_cast<RECT*>(&r), BDR_SUNKENOUTER, BF_RECT);
        else if (s->hot && IsWindowEnabled(wnd))
          DrawEdge(dc, const_cast<RECT*>(&r), BDR_RAISEDINNER, BF_RECT);
        RECT face = r;
        if (down) OffsetRect(&face, 1, 1);
        DrawPicture(dc, face, s->picture, FontOf(s), IsWindowEnabled(wnd) != FALSE);
        if (GetFocus() == wnd) {
          RECT focus = r;
          InflateRect(&focus, -3, -3);
          DrawFocusRect(dc, &focus);
        }
      });
      return 0;
    case WM_MOUSEMOVE:
      if (!s->hot) {
        s->hot = true;
        TRACKMOUSEEVENT track = {sizeof track, TME_LEAVE, wnd, 0};
        TrackMouseEvent(&track);
        InvalidateRect(wnd, nullptr, FALSE);
      } else if (s->pressed) {
        bool inside = Inside(wnd, lp);
        if (inside != s->hot) s->hot = inside, InvalidateRect(wnd, nullptr, FALSE);
      }
      return 0;
    case WM_MOUSELEAVE:
      if (!s->pressed) {
        s->hot = false;
        InvalidateRect(wnd, nullptr, FALSE);
      }
      return 0;
    case WM_LBUTTONDOWN:
      s->pressed = true;
      s->hot = true;
      SetCapture(wnd);
      SetFocus(wnd);
      InvalidateRect(wnd, nullptr, FALSE);
      return 0;
    case WM_LBUTTONUP:
      if (s->pressed) {
        bool inside = Inside(wnd, lp);
        s->pressed = false;
        s->hot = inside;
        ReleaseCapture();
        InvalidateRect(wnd, nullptr, FALSE);
        if (inside) NotifyClick(wnd);
      }
      return 0;
    case WM_CAPTURECHANGED:
      if (s && s->pressed) {
        s->pressed = false;
        InvalidateRect(wnd, nullptr, FALSE);
      }
      return 0;
    case WM_KEYUP:
      if (wp == VK_SPACE) NotifyClick(wnd);
      return 0;
    case WM_GETDLGCODE: return DLGC_BUTTON;
    case WM_SETFOCUS:
    case WM_KILLFOCUS: InvalidateRect(wnd, nullptr, FALSE); return 0;
    case BM_CLICK: NotifyClick(wnd); return 0;
  }
  return DefWindowProcA(wnd, msg, wp, lp);
}

LRESULT CALLBACK FancyLabelProc(HWND wnd, UINT msg, WPARAM wp, LPARAM lp) {
  LRESULT result;
  if (Common(wnd, msg, wp, lp, &result)) return result;
  State* s = Of(wnd);
  if (msg == WM_PAINT || msg == WM_PRINTCLIENT) {
    Buffered(wnd, msg, wp, [&](HDC dc, const RECT& r) {
      FillBackground(wnd, dc, r);
      HGDIOBJ old = SelectObject(dc, FontOf(s));
      SetBkMode(dc, TRANSPARENT);
      std::string text = Text(wnd);
      auto at = [&](int dx, int dy, COLORREF color) {
        RECT t = r;
        OffsetRect(&t, dx, dy);
        SetTextColor(dc, color);
        DrawTextA(dc, text.c_str(), -1, &t, DT_NOPREFIX | DT_WORDBREAK);
      };
      COLORREF light = GetSysColor(COLOR_BTNHIGHLIGHT), dark = GetSysColor(COLOR_BTNSHADOW);
      switch (s->look) {
        case LabelLook::kRaised: at(0, 0, light), at(2, 2, dark), at(1, 1, s->color); break;
        case LabelLook::kSunken: at(0, 0, dark), at(2, 2, light), at(1, 1, s->color); break;
        case LabelLook::kShadow: at(2, 2, RGB(160, 160, 160)), at(0, 0, s->color); break;
      }
      SelectObject(dc, old);
    });
    return 0;
  }
  if (msg == WM_NCHITTEST) return HTTRANSPARENT;
  return DefWindowProcA(wnd, msg, wp, lp);
}

LRESULT CALLBACK CheckMarkProc(HWND wnd, UINT msg, WPARAM wp, LPARAM lp) {
  LRESULT result;
  if (Common(wnd, msg, wp, lp, &result)) return result;
  if (msg == WM_PAINT || msg == WM_PRINTCLIENT) {
    Buffered(wnd, msg, wp, [&](HDC dc, const RECT& r) {
      FillBackground(wnd, dc, r);
      HDC mem = CreateCompatibleDC(dc);
      HGDIOBJ old = SelectObject(mem, CheckMarkBitmap(Of(wnd)->checked));
      BitBlt(dc, (r.right - 16) / 2, (r.bottom - 16) / 2, 16, 16, mem, 0, 0, SRCCOPY);
      SelectObject(mem, old);
      DeleteDC(mem);
    });
    return 0;
  }
  if (msg == WM_NCHITTEST) return HTTRANSPARENT;
  return DefWindowProcA(wnd, msg, wp, lp);
}

LRESULT CALLBACK AnimationProc(HWND wnd, UINT msg, WPARAM wp, LPARAM lp) {
  LRESULT result;
  if (Common(wnd, msg, wp, lp, &result)) return result;
  State* s = Of(wnd);
  switch (msg) {
    case WM_PAINT:
    case WM_PRINTCLIENT:
      Buffered(wnd, msg, wp, [&](HDC dc, const RECT& r) { DrawAnimationFrame(dc, r, s->frame); });
      return 0;
    case WM_TIMER:
      if (wp == kFrameTimer && IsWindowVisible(wnd)) {
        s->frame = (s->frame + 1) % kAnimationFrames;
        InvalidateRect(wnd, nullptr, FALSE);
      }
      return 0;
  }
  return DefWindowProcA(wnd, msg, wp, lp);
}

void Register(HINSTANCE instance, const char* name, WNDPROC proc, LPCSTR cursor = IDC_ARROW) {
  WNDCLASSA wc = {};
  if (GetClassInfoA(instance, name, &wc)) return;
  wc.style = CS_HREDRAW | CS_VREDRAW;
  wc.lpfnWndProc = proc;
  wc.cbWndExtra = sizeof(LONG_PTR);
  wc.hInstance = instance;
  wc.hCursor = LoadCursor(nullptr, cursor);
  wc.lpszClassName = name;
  RegisterClassA(&wc);
}

}  // namespace

void RegisterWidgets(HINSTANCE instance) {
  RegisterGaugeClass(instance);
  Register(instance, kLinkLabelClass, LinkProc, IDC_HAND);
  Register(instance, kPictureButtonClass, PictureButtonProc);
  Register(instance, kFancyLabelClass, FancyLabelProc);
  Register(instance, kCheckMarkClass, CheckMarkProc);
  Register(instance, kAnimationClass, AnimationProc);
}

void SetLinkTarget(HWND link, const std::string& target, const std::string& folder) {
  if (State* s = Of(link)) {
    s->target = target;
    s->folder = folder;
  }
}

void SetLinkHover(HWND link, bool lights_up) {
  if (State* s = Of(link)) {
    s->hover = lights_up;
    if (!lights_up && s->hot) s->hot = false, InvalidateRect(link, nullptr, FALSE);
  }
}

void OpenLinks(bool open) { LinksOpen() = open; }

void SetButtonPicture(HWND button, Picture picture) {
  if (State* s = Of(button)) {
    s->picture = picture;
    InvalidateRect(button, nullptr, FALSE);
  }
}

void SetLabelLook(HWND label, LabelLook look, COLORREF color) {
  if (State* s = Of(label)) {
    s->look = look;
    s->color = color;
    InvalidateRect(label, nullptr, FALSE);
  }
}

void SetCheckMark(HWND mark, bool checked) {
  if (State* s = Of(mark)) {
    s->checked = checked;
    InvalidateRect(mark, nullptr, FALSE);
  }
}

void SetAnimationRunning(HWND animation, bool running) {
  State* s = Of(animation);
  if (!s || s->running == running) return;
  s->running = running;
  if (running)
    SetTimer(animation, kFrameTimer, kFrameMs, nullptr);
  else
    KillTimer(animation, kFrameTimer);
}

}  // namespace kestro::ui
