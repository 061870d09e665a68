#include "ui/pictures.h"

namespace kestro::ui {
namespace {

constexpr COLORREF kOutline = RGB(64, 64, 64);
constexpr COLORREF kPaper = RGB(255, 255, 255);
constexpr COLORREF kFold = RGB(192, 192, 192);
constexpr COLORREF kFolder = RGB(240, 200, 80);
constexpr COLORREF kFolderDark = RGB(200, 150, 40);
constexpr COLORREF kGreen = RGB(0, 150, 40);
constexpr COLORREF kRed = RGB(200, 30, 30);
constexpr COLORREF kNavy = RGB(0, 0, 128);

// A brush and pen pair selected for the lifetime of the object.
class Ink {
 public:
  Ink(HDC dc, COLORREF fill, COLORREF line, int width = 1)
      : dc_(dc), brush_(CreateSolidBrush(fill)), pen_(CreatePen(PS_SOLID, width, line)) {
    old_brush_ = SelectObject(dc, brush_);
    old_pen_ = SelectObject(dc, pen_);
  }
  ~Ink() {
    SelectObject(dc_, old_brush_);
    SelectObject(dc_, old_pen_);
    DeleteObject(brush_);
    DeleteObject(pen_);
  }
  Ink(const Ink&) = delete;
  Ink& operator=(const Ink&) = delete;

 private:
  HDC dc_;
  HBRUSH brush_;
  HPEN pen_;
  HGDIOBJ old_brush_, old_pen_;
};

void Poly(HDC dc, COLORREF fill, COLORREF line, const POINT* pts, int n) {
  Ink ink(dc, fill, line);
  Polygon(dc, pts, n);
}

void Box(HDC dc, int x, int y, int w, int h, COLORREF fill, COLORREF line) {
  Ink ink(dc, fill, line);
  Rectangle(dc, x, y, x + w, y + h);
}

// A page with a folded corner, w x h at (x, y).
void Page(HDC dc, int x, int y, int w, int h, bool lines = true) {
  int f = w / 3;
  POINT outline[] = {{x, y}, {x + w - f, y}, {x + w, y + f}, {x + w, y + h}, {x, y + h}};
  Poly(dc, kPaper, kOutline, outline, 5);
  POINT corner[] = {{x + w - f, y}, {x + w - f, y + f}, {x + w, y + f}};
  Poly(dc, kFold, kOutline, corner, 3);
  if (!lines) return;
  Ink ink(dc, kPaper, RGB(120, 140, 200));
  for (int ly = y + f + 3; ly < y + h - 2; ly += 3) {
    MoveToEx(dc, x + 3, ly, nullptr);
    LineTo(dc, x + w - 3, ly);
  }
}

void Folder(HDC dc, int x, int y, int w, int h, bool open) {
  int tab = w * 2 / 5, th = h / 6 + 1;
  POINT back[] = {{x, y + th},           {x + 2, y},          {x + tab, y},
                  {x + tab + 2, y + th}, {x + w - 1, y + th}, {x + w - 1, y + h - 1},
                  {x, y + h - 1}};
  Poly(dc, kFolderDark, kOutline, back, 7);
  if (open) {
    POINT front[] = {{x + w / 5, y + h / 3}, {x + w, y + h / 3}, {x + w - w / 5, y + h - 1}, {x, y + h - 1}};
    Poly(dc, kFolder, kOutline, front, 4);
  } else {
    Box(dc, x, y + th + 2, w - 1, h - th - 3, kFolder, kOutline);
  }
}

void Plus(HDC dc, int cx, int cy, int r) {
  int t = r / 3 + 1;
  POINT p[] = {{cx - t, cy - r}, {cx + t, cy - r}, {cx + t, cy - t}, {cx + r, cy - t},
               {cx + r, cy + t}, {cx + t, cy + t}, {cx + t, cy + r}, {cx - t, cy + r},
               {cx - t, cy + t}, {cx - r, cy + t}, {cx - r, cy - t}, {cx - t, cy - t}};
  Poly(dc, kGreen, RGB(0, 90, 20), p, 12);
}

void Minus(HDC dc, int cx, int cy, int r) {
  int t = r / 3 + 1;
  Box(dc, cx - r, cy - t, 2 * r + 1, 2 * t + 1, kRed, RGB(120, 0, 0));
}

void Cross(HDC dc, int cx, int cy, int r) {
  Ink ink(dc, kRed, kRed, r / 2 + 1);
  MoveToEx(dc, cx - r, cy - r, nullptr);
  LineTo(dc, cx + r, cy + r);
  MoveToEx(dc, cx + r, cy - r, nullptr);
  LineTo(dc, cx - r, cy + r);
}

void ListIcon(HDC dc, int x, int y, int w, int h) {
  Box(dc, x, y, w, h, kPaper, kOutline);
  for (int i = 0; i < 4; ++i) {
    int ly = y + 3 + i * (h - 4) / 4;
    COLORREF c = i == 1 ? kNavy : RGB(150, 150, 150);
    Box(dc, x + 2, ly, w - 4, (h - 4) / 4 - 1, i == 1 ? kNavy : kPaper, c);
  }
}

void Icon(HDC dc, int x, int y, Picture picture) {  // 26 x 26
  switch (picture) {
    case Picture::kAddFiles:
      Page(dc, x + 2, y + 1, 17, 22);
      Plus(dc, x + 19, y + 18, 6);
      break;
    case Picture::kAddFolder:
      Folder(dc, x, y + 3, 22, 18, false);
      Plus(dc, x + 19, y + 19, 6);
      break;
    case Picture::kRemoveSelected:
      ListIcon(dc, x + 1, y + 1, 20, 22);
      Minus(dc, x + 19, y + 20, 5);
      break;
    case Picture::kRemoveAll:
      Page(dc, x + 6, y + 0, 15, 19, false);
      Page(dc, x + 3, y + 3, 15, 19, false);
      Page(dc, x + 0, y + 6, 15, 19);
      Cross(dc, x + 19, y + 19, 5);
      break;
    default: break;
  }
}

const char* Words(Picture picture) {
  switch (picture) {
    case Picture::kAddFiles: return "Add Files";
    case Picture::kAddFolder: return "Add Folder";
    case Picture::kRemoveSelected: return "Remove\nSelected";
    case Picture::kRemoveAll: return "Remove All";
    default: return "";
  }
}

// A 16 x 16 check box picture: B border, W white, g/G the check's light and
// dark green.
const char* const kCheckPattern[16] = {
    "BBBBBBBBBBBBBBBB", "BWWWWWWWWWWWWWWB", "BWWWWWWWWWWWWgWB", "BWWWWWWWWWWWgGWB",
    "BWWWWWWWWWWgGGWB", "BWWWWWWWWWgGGWWB", "BWgWWWWWWgGGWWWB", "BWGgWWWWgGGWWWWB",
    "BWgGgWWgGGWWWWWB", "BWWgGggGGWWWWWWB", "BWWWgGGGWWWWWWWB", "BWWWWgGWWWWWWWWB",
    "BWWWWWgWWWWWWWWB", "BWWWWWWWWWWWWWWB", "BWWWWWWWWWWWWWWB", "BBBBBBBBBBBBBBBB"};

HBITMAP MakeCheckBitmap(bool checked) {
  BITMAPINFO info = {};
  info.bmiHeader.biSize = sizeof info.bmiHeader;
  info.bmiHeader.biWidth = 16;
  info.bmiHeader.biHeight = -16;  // top-down
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  info.bmiHeader.biCompression = BI_RGB;
  void* bits = nullptr;
  HBITMAP bitmap = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  if (!bitmap) return nullptr;
  auto* px = static_cast<DWORD*>(bits);
  for (int y = 0; y < 16; ++y)
    for (int x = 0; x < 16; ++x) {
      char c = kCheckPattern[y][x];
      if (!checked && (c == 'g' || c == 'G')) c = 'W';
      DWORD rgb = 0xFFFFFF;  // 0x00RRGGBB
      if (c == 'B') rgb = 0x404040;
      if (c == 'g') rgb = 0x30B040;
      if (c == 'G') rgb = 0x006418;
      px[y * 16 + x] = rgb;
    }
  return bitmap;
}

}  // namespace

void DrawPicture(HDC dc, const RECT& rect, Picture picture, HFONT font, bool enabled) {
  const int w = rect.right - rect.left, h = rect.bottom - rect.top;
  switch (picture) {
    case Picture::kFolderOpen:
    case Picture::kFolderClosed:
      Folder(dc, rect.left, rect.top, w, h, picture == Picture::kFolderOpen);
      return;
    case Picture::kDrive: {
      Box(dc, rect.left, rect.top + h / 4, w, h / 2 + 1, RGB(210, 210, 210), kOutline);
      Box(dc, rect.right - 5, rect.top + h / 2 - 1, 3, 3, kGreen, kGreen);
      return;
    }
    case Picture::kNone: return;
    default: break;
  }
  // A button face: the icon at the left, the words beside it.
  Icon(dc, rect.left + 4, rect.top + (h - 26) / 2, picture);
  HGDIOBJ old = SelectObject(dc, font ? font : GetStockObject(DEFAULT_GUI_FONT));
  SetBkMode(dc, TRANSPARENT);
  SetTextColor(dc, GetSysColor(enabled ? COLOR_BTNTEXT : COLOR_GRAYTEXT));
  RECT text = {rect.left + 33, rect.top, rect.right - 2, rect.bottom};
  RECT measure = text;
  const char* words = Words(picture);
  DrawTextA(dc, words, -1, &measure, DT_CALCRECT | DT_NOPREFIX);
  text.top += (h - (measure.bottom - measure.top)) / 2;
  DrawTextA(dc, words, -1, &text, DT_NOPREFIX);
  SelectObject(dc, old);
}

HBITMAP CheckMarkBitmap(bool checked) {
  static HBITMAP on = MakeCheckBitmap(true), off = MakeCheckBitmap(false);
  return checked ? on : off;
}

void DrawAnimationFrame(HDC dc, const RECT& rect, int frame) {
  // A 64 x 64 scene: a page falls into an open box and the box's lid
  // glints; the scene is scaled into rect by the viewport.
  int saved = SaveDC(dc);
  SetMapMode(dc, MM_ANISOTROPIC);
  SetWindowExtEx(dc, 64, 64, nullptr);
  SetViewportExtEx(dc, rect.right - rect.left, rect.bottom - rect.top, nullptr);
  SetViewportOrgEx(dc, rect.left, rect.top, nullptr);

  RECT all = {0, 0, 64, 64};
  HBRUSH face = GetSysColorBrush(COLOR_BTNFACE);
  FillRect(dc, &all, face);
  frame %= kAnimationFrames;
  // The page: from the top into the box in the first frames; the box's
  // back flap and body, drawn after it, hide what is already inside.
  if (frame < 9) {
    int y = -4 + frame * 4;
    Page(dc, 22, y, 18, 22);
  }
  // The box: back flap, body, front flaps.
  POINT back[] = {{12, 34}, {52, 34}, {48, 28}, {16, 28}};
  Poly(dc, RGB(170, 120, 60), kOutline, back, 4);
  Box(dc, 12, 34, 41, 26, RGB(205, 150, 80), kOutline);
  POINT left[] = {{12, 34}, {4, 42}, {10, 44}, {18, 36}};
  POINT right[] = {{52, 34}, {60, 42}, {54, 44}, {46, 36}};
  Poly(dc, RGB(225, 175, 100), kOutline, left, 4);
  Poly(dc, RGB(225, 175, 100), kOutline, right, 4);
  // The zipper band that tells it is packed: green once the page is in.
  COLORREF band = frame >= 8 ? kGreen : RGB(160, 110, 50);
  Box(dc, 28, 40, 9, 16, band, kOutline);
  if (frame >= 9) {
    // Three small sparks above the box.
    Ink ink(dc, RGB(255, 220, 0), RGB(220, 160, 0));
    int r = 1 + (frame - 9);
    Ellipse(dc, 18 - r, 22 - r, 18 + r, 22 + r);
    Ellipse(dc, 32 - r, 16 - r, 32 + r, 16 + r);
    Ellipse(dc, 46 - r, 22 - r, 46 + r, 22 + r);
  }
  RestoreDC(dc, saved);
}

}  // namespace kestro::ui
