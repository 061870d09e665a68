// The widgets in real windows of this process.
#include "ui/widgets.h"

#include <commctrl.h>
#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <climits>
#include <string>
#include <vector>

#include "common/errors.h"
#include "ui/dir_list.h"
#include "ui/gauge_paint.h"
#include "ui/hs_list_box.h"
#include "ui/new_gauge.h"

namespace kestro::ui {
namespace {

class Host : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    InitCommonControls();
    RegisterWidgets(GetModuleHandleA(nullptr));
  }
  void SetUp() override {
    wnd_ = CreateWindowExA(0, "STATIC", "host", WS_POPUP | WS_VISIBLE, 0, 0, 600, 400, nullptr, nullptr,
                           GetModuleHandleA(nullptr), nullptr);
    ASSERT_TRUE(wnd_);
    SetWindowSubclass(wnd_, Record, 1, reinterpret_cast<DWORD_PTR>(this));
  }
  void TearDown() override { DestroyWindow(wnd_); }

  // Hidden: a visible box repaints on every change, which is slow here.
  HWND NewList() {
    HWND list = CreateWindowExA(0, "LISTBOX", "", WS_CHILD | WS_HSCROLL | WS_VSCROLL | LBS_EXTENDEDSEL, 0, 0,
                                350, 160, wnd_, nullptr, GetModuleHandleA(nullptr), nullptr);
    SendMessageA(list, WM_SETFONT, reinterpret_cast<WPARAM>(GetStockObject(DEFAULT_GUI_FONT)), FALSE);
    return list;
  }
  HWND NewChild(const char* cls, const char* text, int id) {
    return CreateWindowExA(0, cls, text, WS_CHILD | WS_VISIBLE, 10, 10, 90, 38, wnd_,
                           reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), GetModuleHandleA(nullptr),
                           nullptr);
  }

  static LRESULT CALLBACK Record(HWND wnd, UINT msg, WPARAM wp, LPARAM lp, UINT_PTR, DWORD_PTR self) {
    if (msg == WM_COMMAND && HIWORD(wp) == BN_CLICKED)
      reinterpret_cast<Host*>(self)->clicks_.push_back(LOWORD(wp));
    return DefSubclassProc(wnd, msg, wp, lp);
  }

  HWND wnd_ = nullptr;
  std::vector<int> clicks_;
};

// The slow way, one deletion at a time: delete the first selected entry,
// scan again from the top, until none is selected.
void RemoveSelectedOneByOne(THSListBox& list) {
  for (;;) {
    int found = -1;
    for (int i = 0; i < list.Count() && found < 0; ++i)
      if (SendMessageA(list.handle(), LB_GETSEL, i, 0) > 0) found = i;
    if (found < 0) return;
    list.Delete(found);
  }
}

std::vector<std::string> Entries(int n) {
  std::vector<std::string> entries;
  for (int i = 0; i < n; ++i)
    entries.push_back("C:\\Files\\" + std::string(1 + (i * 37) % 29, 'w') + "\\file" + std::to_string(i) +
                      ".txt");
  return entries;
}

using HSListBox = Host;

TEST_F(HSListBox, ExtentFollowsTheWidestEntry) {
  THSListBox list(NewList());
  EXPECT_EQ(0, list.HorizontalExtent());
  const std::string shorter = "C:\\a.txt", widest = "C:\\Program Files\\A rather long folder\\setup.exe",
                    middle = "C:\\Program Files\\middle.txt";
  list.Add(shorter);
  list.Add(widest);
  list.Insert(0, middle);
  int w_widest = list.EntryWidth(widest), w_middle = list.EntryWidth(middle);
  ASSERT_GT(w_widest, w_middle);
  EXPECT_EQ(w_widest, list.HorizontalExtent());
  EXPECT_EQ(w_widest, list.WidestWidth());

  // The width is text plus the average character width.
  TEXTMETRICA tm;
  HDC dc = GetDC(list.handle());
  HGDIOBJ old = SelectObject(dc, GetStockObject(DEFAULT_GUI_FONT));
  GetTextMetricsA(dc, &tm);
  SIZE size;
  GetTextExtentPoint32A(dc, widest.c_str(), static_cast<int>(widest.size()), &size);
  SelectObject(dc, old);
  ReleaseDC(list.handle(), dc);
  EXPECT_EQ(size.cx + tm.tmAveCharWidth, w_widest);

  list.Delete(1);  // "shorter": nothing changes
  EXPECT_EQ(w_widest, list.HorizontalExtent());
  list.Delete(1);  // the widest goes (now at 1): the next widest counts
  EXPECT_EQ(w_middle, list.HorizontalExtent());
  EXPECT_EQ(std::vector<std::string>{middle}, list.Items());

  // Messages sent by anyone else are heard as well.
  SendMessageA(list.handle(), LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(widest.c_str()));
  EXPECT_EQ(w_widest, list.HorizontalExtent());
  SendMessageA(list.handle(), LB_DELETESTRING, 1, 0);
  EXPECT_EQ(w_middle, list.HorizontalExtent());
  SendMessageA(list.handle(), LB_RESETCONTENT, 0, 0);
  EXPECT_EQ(0, list.HorizontalExtent());
  EXPECT_EQ(0, list.WidestWidth());
  list.Add(shorter);
  EXPECT_EQ(list.EntryWidth(shorter), list.HorizontalExtent());
  list.Clear();
  EXPECT_EQ(0, list.HorizontalExtent());
}

TEST_F(HSListBox, BulkChangesEndLikeSingleOnes) {
  std::vector<std::string> entries = Entries(150);
  struct Case {
    const char* name;
    std::vector<int> selected;
  } cases[] = {
      {"none", {}},
      {"some, not the widest", {0, 5, 149}},
      {"some, the widest among them", {}},
      {"many (refilled)", {}},
      {"all", {}},
  };
  // Find the widest entry and pick selections around it.
  THSListBox probe(NewList());
  probe.AddMany(entries);
  int widest = 0;
  for (int i = 0; i < probe.Count(); ++i)
    if (probe.EntryWidth(entries[i]) > probe.EntryWidth(entries[widest])) widest = i;
  cases[1].selected.clear();
  for (int i : {0, 5, 149})
    if (probe.EntryWidth(entries[i]) < probe.WidestWidth()) cases[1].selected.push_back(i);
  cases[2].selected = {1, widest, 120};
  for (int i = 0; i < 150; ++i)
    if (i % 4) cases[3].selected.push_back(i);
  for (int i = 0; i < 150; ++i) cases[4].selected.push_back(i);

  for (const Case& c : cases) {
    THSListBox fast(NewList()), slow(NewList());
    fast.AddMany(entries);
    for (const std::string& e : entries) slow.Add(e);
    ASSERT_EQ(slow.HorizontalExtent(), fast.HorizontalExtent()) << c.name;
    for (int i = 0; i < fast.Count(); ++i) {  // item data stays with its entry
      SendMessageA(fast.handle(), LB_SETITEMDATA, i, i + 1);
      SendMessageA(slow.handle(), LB_SETITEMDATA, i, i + 1);
    }
    for (int i : c.selected) {
      fast.SetSelected(i, true);
      slow.SetSelected(i, true);
    }
    EXPECT_EQ(c.selected.size(), fast.SelectedIndices().size()) << c.name;
    fast.DeleteMany(fast.SelectedIndices());
    RemoveSelectedOneByOne(slow);
    EXPECT_EQ(slow.Items(), fast.Items()) << c.name;
    for (int i = 0; i < fast.Count() && i < slow.Count(); ++i)
      ASSERT_EQ(SendMessageA(slow.handle(), LB_GETITEMDATA, i, 0),
                SendMessageA(fast.handle(), LB_GETITEMDATA, i, 0))
          << c.name << " entry " << i;
    EXPECT_EQ(slow.HorizontalExtent(), fast.HorizontalExtent()) << c.name;
    EXPECT_EQ(slow.WidestWidth(), fast.WidestWidth()) << c.name;
    EXPECT_EQ(entries.size() - c.selected.size(), static_cast<size_t>(fast.Count())) << c.name;
  }
}

TEST_F(Host, GaugeRefusesBadRangesAndClampsProgress) {
  TNewGauge* gauge = TNewGauge::Create(wnd_, 1, 0, 0);
  ASSERT_TRUE(gauge);
  EXPECT_EQ(25, gauge->Progress());
  EXPECT_STREQ("25 %", gauge->Text());
  RECT r;
  GetClientRect(gauge->handle(), &r);
  EXPECT_EQ(100, r.right);
  EXPECT_EQ(100, r.bottom);

  try {
    gauge->SetMinValue(101);
    ADD_FAILURE() << "MinValue above MaxValue accepted";
  } catch (const Error& e) {
    EXPECT_STREQ("Wert mu\xDF zwischen -2147483647 und 99 liegen", e.what());
  }
  try {
    gauge->SetMaxValue(-1);
    ADD_FAILURE() << "MaxValue below MinValue accepted";
  } catch (const Error& e) {
    EXPECT_STREQ("Wert mu\xDF zwischen 1 und 2147483647 liegen", e.what());
  }
  EXPECT_EQ(0, gauge->MinValue());
  EXPECT_EQ(100, gauge->MaxValue());

  gauge->SetProgress(150);
  EXPECT_EQ(100, gauge->Progress());
  gauge->SetProgress(-3);
  EXPECT_EQ(0, gauge->Progress());
  gauge->SetProgress(50);
  gauge->SetMinValue(60);  // progress follows the bounds
  EXPECT_EQ(60, gauge->Progress());
  gauge->SetMaxValue(60);
  EXPECT_STREQ("error", gauge->Text());
  gauge->SetMinValue(-40);
  gauge->SetMaxValue(40);
  EXPECT_EQ(40, gauge->Progress());
  EXPECT_STREQ("100 %", gauge->Text());
}

// Paints a gauge into a bitmap and reads it back.
class Painted {
 public:
  Painted(int width, int height, const GaugeLook& look)
      : width_(width), height_(height), pixels_(width * height) {
    HDC screen = GetDC(nullptr);
    HDC mem = CreateCompatibleDC(screen);
    BITMAPINFO info = {};
    info.bmiHeader = {sizeof info.bmiHeader, width, -height, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
    void* bits = nullptr;
    HBITMAP bitmap = CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    HGDIOBJ old = SelectObject(mem, bitmap);
    RECT rect = {0, 0, width, height};
    PaintGauge(mem, rect, look);
    GdiFlush();
    const DWORD* px = static_cast<const DWORD*>(bits);
    for (int i = 0; i < width * height; ++i)
      pixels_[i] = RGB((px[i] >> 16) & 0xFF, (px[i] >> 8) & 0xFF, px[i] & 0xFF);
    SelectObject(mem, old);
    DeleteObject(bitmap);
    DeleteDC(mem);
    ReleaseDC(nullptr, screen);
  }
  COLORREF At(int x, int y) const { return pixels_[y * width_ + x]; }
  // Whether a pixel of this colour lies in columns x0..x1-1 of the text rows.
  bool Has(COLORREF color, int x0, int x1, int y0, int y1) const {
    for (int y = y0; y < y1; ++y)
      for (int x = x0; x < x1; ++x)
        if (At(x, y) == color) return true;
    return false;
  }

 private:
  int width_, height_;
  std::vector<COLORREF> pixels_;
};

TEST(GaugePaint, BarAndTextSplitExactlyAtTheEnd) {
  const COLORREF navy = RGB(0, 0, 128), white = RGB(255, 255, 255);
  HFONT bold = CreateFontA(-11, 0, 0, 0, FW_BOLD, 0, 0, 0, ANSI_CHARSET, 0, 0, 0, 0, "MS Sans Serif");
  const int W = 292, H = 41;  // bar 288 x 37; the text in its middle rows
  for (int progress : {0, 50, 100}) {
    GaugeLook look;
    look.progress = progress;
    look.font = bold;
    Painted p(W, H, look);
    const int fill = 288 * progress / 100;
    // Top row of the bar, above the text: the fill ends exactly at `fill`.
    for (int x = 0; x < 288; ++x)
      ASSERT_EQ(x < fill ? navy : white, p.At(2 + x, 2)) << progress << "% at column " << x;
    // The sunken edge is neither bar colour.
    EXPECT_NE(navy, p.At(0, 0));
    EXPECT_NE(white, p.At(0, 0));
    // The text: white over the bar, navy over the empty part.
    if (fill > 0) {
      EXPECT_TRUE(p.Has(white, 2, 2 + fill, 8, H - 8)) << progress;
    }
    if (fill < 288) {
      EXPECT_TRUE(p.Has(navy, 2 + fill, W - 2, 8, H - 8)) << progress;
    }
  }
  // Without text the bar is plain.
  GaugeLook plain;
  plain.progress = 50;
  plain.show_text = false;
  Painted p(W, H, plain);
  EXPECT_FALSE(p.Has(white, 2, 146, 2, H - 2));
  EXPECT_FALSE(p.Has(navy, 146, W - 2, 2, H - 2));
  DeleteObject(bold);
}

// However a folder is written, the list shows it one way: drive letter in
// upper case, no trailing backslash but on a drive root.
TEST_F(Host, FolderListNamesFoldersOneWay) {
  char windows[MAX_PATH];
  ASSERT_GT(GetWindowsDirectoryA(windows, MAX_PATH), 3u);
  std::string upper = windows;  // "C:\windows"
  ASSERT_EQ(':', upper[1]);
  upper[0] = static_cast<char>(toupper(upper[0]));
  std::string lower = upper;
  lower[0] = static_cast<char>(tolower(lower[0]));
  const std::string root = upper.substr(0, 3);
  HWND wnd = CreateWindowExA(0, "LISTBOX", "", WS_CHILD | LBS_OWNERDRAWFIXED | LBS_HASSTRINGS | LBS_NOTIFY, 0,
                             0, 200, 100, wnd_, nullptr, GetModuleHandleA(nullptr), nullptr);
  TDirectoryListBox list;
  list.Attach(wnd);
  int changes = 0;
  list.OnChange = [&] { ++changes; };
  const struct {
    std::string given, shown;
  } cases[] = {
      {lower, upper}, {lower + "\\", upper}, {lower.substr(0, 3), root}, {lower.substr(0, 2) + "\\.", root}};
  for (const auto& c : cases) {
    list.SetDirectory(c.given);
    EXPECT_EQ(c.shown, list.Directory()) << c.given;
    EXPECT_EQ(root, list.PathOfLine(0)) << c.given;
  }
  EXPECT_EQ(4, changes);
  list.SetDirectory(upper);
  EXPECT_EQ(upper, list.PathOfLine(1));
  EXPECT_EQ(1, SendMessageA(wnd, LB_GETCURSEL, 0, 0));  // the folder's own line
}

TEST_F(Host, ClickableWidgetsTellTheirParent) {
  OpenLinks(false);
  HWND button = NewChild(kPictureButtonClass, "", 7);
  SetButtonPicture(button, Picture::kAddFiles);
  HWND link = NewChild(kLinkLabelClass, "mailto:support@kestro.example", 8);
  for (HWND w : {button, link}) {
    SendMessageA(w, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 5));
    SendMessageA(w, WM_LBUTTONUP, 0, MAKELPARAM(5, 5));
    SendMessageA(w, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 5));
    SendMessageA(w, WM_LBUTTONUP, 0, MAKELPARAM(300, 5));  // released outside: no click
  }
  EXPECT_EQ((std::vector<int>{7, 8}), clicks_);
  HCURSOR hand = LoadCursor(nullptr, IDC_HAND);
  SendMessageA(link, WM_SETCURSOR, reinterpret_cast<WPARAM>(link), MAKELPARAM(HTCLIENT, WM_MOUSEMOVE));
  EXPECT_EQ(hand, GetCursor());
}

// A click opens the link's target through the shell, in the working folder
// given with it: a batch file records where it ran.
TEST_F(Host, ALinkOpensItsTargetInItsFolder) {
  char temp[MAX_PATH];
  ASSERT_GT(GetTempPathA(MAX_PATH, temp), 0u);
  const std::string base = std::string(temp) + "kestro link " + std::to_string(GetCurrentProcessId());
  const std::string program = base + "\\program", work = base + "\\work folder";
  for (const std::string& dir : {base, program, work}) CreateDirectoryA(dir.c_str(), nullptr);
  const std::string script = program + "\\where.bat", record = program + "\\where.txt";
  HANDLE file = CreateFileA(script.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  ASSERT_NE(file, INVALID_HANDLE_VALUE);
  const std::string text = "@cd > \"" + record + "\"\r\n";
  DWORD written = 0;
  WriteFile(file, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
  CloseHandle(file);

  HWND link = NewChild(kLinkLabelClass, "Run it", 13);
  SetLinkTarget(link, script, work);
  OpenLinks(true);
  SendMessageA(link, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(3, 3));
  SendMessageA(link, WM_LBUTTONUP, 0, MAKELPARAM(3, 3));
  OpenLinks(false);
  EXPECT_EQ(std::vector<int>{13}, clicks_);
  std::string where;
  for (DWORD start = GetTickCount(); GetTickCount() - start < 30000; Sleep(100)) {
    HANDLE in =
        CreateFileA(record.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    if (in == INVALID_HANDLE_VALUE) continue;
    char buf[MAX_PATH] = {};
    DWORD got = 0;
    ReadFile(in, buf, sizeof buf - 1, &got, nullptr);
    CloseHandle(in);
    where.assign(buf, got);
    if (where.find('\n') != std::string::npos) break;
  }
  EXPECT_EQ(0, lstrcmpiA(where.substr(0, where.find_first_of("\r\n")).c_str(), work.c_str())) << where;
  DeleteFileA(record.c_str());
  DeleteFileA(script.c_str());
  for (const std::string& dir : {program, work, base}) RemoveDirectoryA(dir.c_str());
}

// A picture of a control as it paints itself (WM_PRINTCLIENT).
std::vector<COLORREF> Snapshot(HWND wnd, int* width = nullptr) {
  RECT r;
  GetClientRect(wnd, &r);
  HDC screen = GetDC(nullptr);
  HDC mem = CreateCompatibleDC(screen);
  BITMAPINFO info = {};
  info.bmiHeader = {sizeof info.bmiHeader, r.right, -r.bottom, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
  void* bits = nullptr;
  HBITMAP bitmap = CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  HGDIOBJ old = SelectObject(mem, bitmap);
  SendMessageA(wnd, WM_PRINTCLIENT, reinterpret_cast<WPARAM>(mem), PRF_CLIENT);
  GdiFlush();
  std::vector<COLORREF> pixels(r.right * r.bottom);
  const DWORD* px = static_cast<const DWORD*>(bits);
  for (size_t i = 0; i < pixels.size(); ++i)
    pixels[i] = RGB((px[i] >> 16) & 0xFF, (px[i] >> 8) & 0xFF, px[i] & 0xFF);
  SelectObject(mem, old);
  DeleteObject(bitmap);
  DeleteDC(mem);
  ReleaseDC(nullptr, screen);
  if (width) *width = r.right;
  return pixels;
}

size_t CountOf(const std::vector<COLORREF>& pixels, COLORREF color) {
  return static_cast<size_t>(std::count(pixels.begin(), pixels.end(), color));
}

TEST_F(Host, LooksChangeWithTheMouse) {
  const COLORREF blue = RGB(0, 0, 255), red = RGB(255, 0, 0);
  HWND link = NewChild(kLinkLabelClass, "www.kestro.example", 9);
  EXPECT_GT(CountOf(Snapshot(link), blue), 0u);
  EXPECT_EQ(0u, CountOf(Snapshot(link), red));
  SendMessageA(link, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(3, 3));
  EXPECT_GT(CountOf(Snapshot(link), red), 0u);  // red while pressed
  EXPECT_EQ(0u, CountOf(Snapshot(link), blue));
  OpenLinks(false);
  SendMessageA(link, WM_LBUTTONUP, 0, MAKELPARAM(300, 3));
  EXPECT_EQ(0u, CountOf(Snapshot(link), red));
  // A lighter blue under the mouse only where asked for.
  const COLORREF light_blue = RGB(0, 128, 255);
  SendMessageA(link, WM_MOUSEMOVE, 0, MAKELPARAM(3, 3));
  EXPECT_EQ(0u, CountOf(Snapshot(link), light_blue));
  SetLinkHover(link, true);
  SendMessageA(link, WM_MOUSEMOVE, 0, MAKELPARAM(3, 3));
  EXPECT_GT(CountOf(Snapshot(link), light_blue), 0u);
  EXPECT_EQ(0u, CountOf(Snapshot(link), blue));
  SendMessageA(link, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(3, 3));
  EXPECT_GT(CountOf(Snapshot(link), red), 0u);  // pressed wins
  SendMessageA(link, WM_LBUTTONUP, 0, MAKELPARAM(300, 3));
  SendMessageA(link, WM_MOUSELEAVE, 0, 0);
  EXPECT_EQ(0u, CountOf(Snapshot(link), light_blue));
  EXPECT_GT(CountOf(Snapshot(link), blue), 0u);

  // The picture button: flat, raised under the mouse, sunken while pressed.
  HWND button = NewChild(kPictureButtonClass, "", 10);
  SetButtonPicture(button, Picture::kRemoveAll);
  const COLORREF face = GetSysColor(COLOR_BTNFACE), light = GetSysColor(COLOR_BTNHIGHLIGHT),
                 dark = GetSysColor(COLOR_BTNSHADOW);
  int width = 0;
  std::vector<COLORREF> flat = Snapshot(button, &width);
  EXPECT_EQ(face, flat[0]);
  SendMessageA(button, WM_MOUSEMOVE, 0, MAKELPARAM(5, 5));
  std::vector<COLORREF> raised = Snapshot(button);
  EXPECT_EQ(light, raised[0]);
  EXPECT_EQ(dark, raised[raised.size() - 1]);
  SendMessageA(button, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 5));
  std::vector<COLORREF> sunken = Snapshot(button);
  EXPECT_EQ(dark, sunken[0]);
  SendMessageA(button, WM_LBUTTONUP, 0, MAKELPARAM(5, 5));
  // Its picture: the red cross of Remove All somewhere on the face.
  EXPECT_GT(CountOf(flat, RGB(200, 30, 30)), 0u);

  // The shadowed label casts a grey shadow; the check mark shows its check.
  HWND label = NewChild(kFancyLabelClass, "Source Files", 11);
  SetLabelLook(label, LabelLook::kShadow);
  EXPECT_GT(CountOf(Snapshot(label), RGB(160, 160, 160)), 0u);
  HWND mark = NewChild(kCheckMarkClass, "", 12);
  EXPECT_GT(CountOf(Snapshot(mark), RGB(0x00, 0x64, 0x18)), 0u);
  SetCheckMark(mark, false);
  EXPECT_EQ(0u, CountOf(Snapshot(mark), RGB(0x00, 0x64, 0x18)));
}

}  // namespace
}  // namespace kestro::ui
