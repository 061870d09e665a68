#include "setup/setup_app.h"

#include "common/os.h"
#include "common/paths.h"
#include "setup/product.h"
#include "setup/resource.h"
#include "ui/message_box.h"
#include "ui/widgets.h"

namespace kestro::setup {
namespace {

constexpr COLORREF kBackground = RGB(64, 128, 128);
constexpr COLORREF kNavy = RGB(0, 0, 128);
constexpr int kBoxSmallHeight = 47;
constexpr int kBoxLargeHeight = 142;
constexpr int kBoxLargeWidth = 227;
constexpr char kNext[] = "&Next >";
constexpr char kFinish[] = "&Finish";

HFONT MakeFont(int pixels, int weight, bool italic, const char* face) {
  return CreateFontA(-pixels, 0, 0, 0, weight, italic, FALSE, FALSE, ANSI_CHARSET, OUT_DEFAULT_PRECIS,
                     CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH, face);
}

// Gives a window a client area of exactly w x h pixels.
void SetClientSize(HWND wnd, int w, int h) {
  RECT r = {0, 0, w, h};
  AdjustWindowRectEx(&r, GetWindowLong(wnd, GWL_STYLE), FALSE, GetWindowLong(wnd, GWL_EXSTYLE));
  SetWindowPos(wnd, nullptr, 0, 0, r.right - r.left, r.bottom - r.top,
               SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void CenterOnScreen(HWND wnd) {
  RECT r;
  GetWindowRect(wnd, &r);
  int w = r.right - r.left, h = r.bottom - r.top;
  SetWindowPos(wnd, nullptr, (GetSystemMetrics(SM_CXSCREEN) - w) / 2, (GetSystemMetrics(SM_CYSCREEN) - h) / 2,
               0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void Place(HWND parent, int id, int x, int y, int w, int h) {
  SetWindowPos(GetDlgItem(parent, id), nullptr, x, y, w, h, SWP_NOZORDER | SWP_NOACTIVATE);
}

std::string Text(HWND wnd) {
  char buf[1024] = {};
  GetWindowTextA(wnd, buf, sizeof buf);
  return buf;
}

// The licence as a resource, with CR LF line ends for the memo.
std::string LicenseText(HINSTANCE instance) {
  HRSRC res = FindResourceA(instance, MAKEINTRESOURCEA(IDR_LICENSE), MAKEINTRESOURCEA(10));  // RT_RCDATA
  if (!res) return "";
  const char* data = static_cast<const char*>(LockResource(LoadResource(instance, res)));
  std::string text;
  for (DWORD i = 0, n = SizeofResource(instance, res); i < n; ++i) {
    if (data[i] == '\n' && (i == 0 || data[i - 1] != '\r')) text += '\r';
    text += data[i];
  }
  return text;
}

// A link label that opens its own text as a web or mail address.
constexpr char kHttp[] = "http:\\\\";
constexpr char kMail[] = "mailto:";
void LinkToAddress(HWND label, const char* prefix) { ui::SetLinkTarget(label, prefix + Text(label)); }

SetupApp* Self(HWND wnd) { return reinterpret_cast<SetupApp*>(GetWindowLongPtrA(wnd, GWLP_USERDATA)); }

}  // namespace

SetupApp::~SetupApp() {
  for (HGDIOBJ obj :
       {static_cast<HGDIOBJ>(background_), static_cast<HGDIOBJ>(black_), static_cast<HGDIOBJ>(welcome_font_),
        static_cast<HGDIOBJ>(title_font_), static_cast<HGDIOBJ>(main_title_font_),
        static_cast<HGDIOBJ>(version_font_), static_cast<HGDIOBJ>(text_font_),
        static_cast<HGDIOBJ>(bold_text_font_), static_cast<HGDIOBJ>(memo_font_)})
    if (obj) DeleteObject(obj);
}

int SetupApp::Run() {
  background_ = CreateSolidBrush(kBackground);
  black_ = CreateSolidBrush(RGB(0, 0, 0));
  welcome_font_ = MakeFont(16, FW_BOLD, true, "Arial");
  title_font_ = MakeFont(15, FW_BOLD, true, "Arial");
  main_title_font_ = MakeFont(29, FW_BOLD, true, "Arial");
  version_font_ = MakeFont(12, FW_BOLD, false, "Courier New");
  text_font_ = MakeFont(11, FW_NORMAL, false, "Arial");
  bold_text_font_ = MakeFont(11, FW_BOLD, false, "Arial");
  memo_font_ = MakeFont(11, FW_NORMAL, false, "MS Sans Serif");  // also the buttons' font

  WNDCLASSA cls = {};
  cls.lpfnWndProc = MainProc;
  cls.hInstance = instance_;
  cls.hIcon = LoadIconA(instance_, MAKEINTRESOURCEA(IDI_SETUP));
  cls.hCursor = LoadCursor(nullptr, IDC_ARROW);
  cls.hbrBackground = background_;
  cls.lpszClassName = "TfMain";
  RegisterClassA(&cls);
  main_ = CreateWindowExA(0, "TfMain", "tessaron Kestro - Setup", WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN, 0, 0,
                          640, 480, nullptr, nullptr, instance_, this);
  if (!main_) return 1;
  CreateWizard();
  CreateStatusWindow();
  ShowWindow(main_, SW_SHOW);
  SetTimer(main_, IDT_T, 1, nullptr);

  MSG msg;
  while (GetMessageA(&msg, nullptr, 0, 0) > 0) {
    if (wiz_ && IsDialogMessageA(wiz_, &msg)) continue;
    TranslateMessage(&msg);
    DispatchMessageA(&msg);
  }
  return 0;
}

// --- the background window ---------------------------------------------------

LRESULT CALLBACK SetupApp::MainProc(HWND wnd, UINT msg, WPARAM wp, LPARAM lp) {
  if (msg == WM_NCCREATE) {
    auto* self = static_cast<SetupApp*>(reinterpret_cast<CREATESTRUCTA*>(lp)->lpCreateParams);
    SetWindowLongPtrA(wnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
  }
  SetupApp* self = Self(wnd);
  return self ? self->MainMessage(wnd, msg, wp, lp) : DefWindowProcA(wnd, msg, wp, lp);
}

LRESULT SetupApp::MainMessage(HWND wnd, UINT msg, WPARAM wp, LPARAM lp) {
  switch (msg) {
    case WM_CREATE: FormCreate(wnd); return 0;
    case WM_SIZE: FormResize(); break;
    case WM_TIMER:
      if (wp == IDT_T) {
        KillTimer(wnd, IDT_T);
        ShowWizard();
      }
      return 0;
    case WM_SYSCOMMAND:
      if (wp == IDM_ABOUT) ShowAbout();
      break;  // every system command also gets the default handling
    case WM_CTLCOLORSTATIC: {
      HDC dc = reinterpret_cast<HDC>(wp);
      int id = GetDlgCtrlID(reinterpret_cast<HWND>(lp));
      SetBkMode(dc, TRANSPARENT);
      if (id == IDC_MAINLOGO || id == IDC_MAINPANEL) {
        SetTextColor(dc, RGB(255, 255, 255));
        return reinterpret_cast<LRESULT>(black_);
      }
      SetTextColor(dc, id == IDC_MAINTITLE ? kNavy : RGB(0, 0, 0));
      return reinterpret_cast<LRESULT>(background_);
    }
    case WM_DESTROY:
      main_ = nullptr;
      PostQuitMessage(0);
      return 0;
  }
  return DefWindowProcA(wnd, msg, wp, lp);
}

void SetupApp::FormCreate(HWND main) {
  main_ = main;
  HMENU menu = GetSystemMenu(main, FALSE);
  AppendMenuA(menu, MF_SEPARATOR, IDM_ABOUTSEP, nullptr);
  AppendMenuA(menu, MF_STRING, IDM_ABOUT, "&About...");
  int height = GetSystemMetrics(SM_CYSCREEN) - 26;
  auto make = [&](const char* text, DWORD style, int id, int x, int y, int w, int h, HFONT font) {
    HWND c = CreateWindowExA(0, "Static", text, WS_CHILD | WS_VISIBLE | SS_NOPREFIX | style, x, y, w, h, main,
                             reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), instance_, nullptr);
    SendMessageA(c, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
    return c;
  };
  make("", 0, IDC_MAINPANEL, 0, 0, 89, 4000, text_font_);
  make("tessaron", SS_CENTER | SS_CENTERIMAGE, IDC_MAINLOGO, 4, 4, 80, 25, title_font_);
  make("tessaron Kestro 1.4", 0, IDC_MAINTITLE, 97, 11, 420, 34, main_title_font_);
  make("with Service Pack 2 (Version 1.4.2.88)", SS_RIGHT, IDC_MAINVERSION, 161, 37, 266, 16, version_font_);
  footer_ = make("tessaron Kestro - self-extracting files made easy. Setup by tessaron.", 0, IDC_MAINFOOTER,
                 92, height - 50, 600, 14, text_font_);
  SetWindowPos(main, nullptr, 0, 0, GetSystemMetrics(SM_CXSCREEN) + 1, height, SWP_NOZORDER | SWP_NOACTIVATE);
}

void SetupApp::FormResize() {
  if (!footer_ || !main_) return;
  RECT r;
  GetWindowRect(main_, &r);
  SetWindowPos(footer_, nullptr, 92, (r.bottom - r.top) - 50, 0, 0,
               SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

// --- the wizard --------------------------------------------------------------

void SetupApp::CreateWizard() {
  wiz_ = CreateDialogParamA(instance_, MAKEINTRESOURCEA(IDD_WIZ), main_, WizProc,
                            reinterpret_cast<LPARAM>(this));
  SetClientSize(wiz_, 433, 263);
  CenterOnScreen(wiz_);
  Place(wiz_, IDC_RULE, 6, 222, 421, 2);
  Place(wiz_, IDC_BK, 194, 232, 75, 23);
  Place(wiz_, IDC_NXT, 269, 232, 75, 23);
  Place(wiz_, IDC_CC, 352, 232, 75, 23);
  for (int id : {IDC_BK, IDC_NXT, IDC_CC})
    SendDlgItemMessageA(wiz_, id, WM_SETFONT, reinterpret_cast<WPARAM>(memo_font_), FALSE);
  const int ids[kPageCount] = {IDD_WELCOME, IDD_LICENSE, IDD_FOLDER, IDD_DONE};
  for (int i = 0; i < kPageCount; ++i) {
    pages_[i] = CreateDialogParamA(instance_, MAKEINTRESOURCEA(ids[i]), wiz_, PageProc,
                                   reinterpret_cast<LPARAM>(this));
    SetWindowPos(pages_[i], nullptr, 0, 0, 433, 218, SWP_NOZORDER | SWP_NOACTIVATE);
    HFONT font = i == kWelcome ? welcome_font_ : title_font_;
    SendDlgItemMessageA(pages_[i], IDC_TITLE, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
  }
  SetDlgItemTextA(pages_[kLicense], IDC_MEMO, LicenseText(instance_).c_str());
  SendDlgItemMessageA(pages_[kLicense], IDC_MEMO, WM_SETFONT, reinterpret_cast<WPARAM>(memo_font_), FALSE);

  box_ = CreateDialogParamA(instance_, MAKEINTRESOURCEA(IDD_BOX), pages_[kFolder], PageProc,
                            reinterpret_cast<LPARAM>(this));
  SetWindowPos(box_, nullptr, 14, 66, 300, kBoxLargeHeight, SWP_NOZORDER | SWP_NOACTIVATE);
  Place(box_, IDC_PATHLABEL, 8, 21, 30, 14);
  Place(box_, IDC_FOLE, 40, 18, 184, 21);
  Place(box_, IDC_BUTTON4, 228, 17, 66, 23);
  Place(box_, IDC_SELECTLABEL, 8, 48, 120, 14);
  Place(box_, IDC_DD, 8, 64, 211, 44);
  Place(box_, IDC_DRIVECOMBOBOX1, 8, 112, 211, 200);
  SetDlgItemTextA(box_, IDC_FOLE, kDefaultFolder);
  // Both lists start in the process's current folder.
  drive_combo_box1_.Attach(GetDlgItem(box_, IDC_DRIVECOMBOBOX1));
  dd_.Attach(GetDlgItem(box_, IDC_DD));
  drive_combo_box1_.SetDirList(&dd_);
  dd_.OnChange = [this] { DDClick(); };

  // The two links to the installed files get their targets once the
  // installation folder is known (Install).
  for (int id : {IDC_SEREADME, IDC_SEAPP})
    SendDlgItemMessageA(pages_[kDone], id, WM_SETFONT, reinterpret_cast<WPARAM>(bold_text_font_), FALSE);
  for (int id : {IDC_SEURL, IDC_URLLABEL1})
    SendDlgItemMessageA(pages_[kDone], id, WM_SETFONT, reinterpret_cast<WPARAM>(text_font_), FALSE);
  LinkToAddress(GetDlgItem(pages_[kDone], IDC_SEURL), kHttp);
  LinkToAddress(GetDlgItem(pages_[kDone], IDC_URLLABEL1), kMail);
  SelectPage(kWelcome);
}

INT_PTR CALLBACK SetupApp::WizProc(HWND wnd, UINT msg, WPARAM wp, LPARAM lp) {
  if (msg == WM_INITDIALOG) {
    SetWindowLongPtrA(wnd, GWLP_USERDATA, lp);
    return TRUE;
  }
  SetupApp* self = Self(wnd);
  if (!self) return FALSE;
  switch (msg) {
    case WM_COMMAND: return self->WizCommand(wp, lp);
    case WM_CLOSE:
      ShowWindow(wnd, SW_HIDE);  // the title-bar button only hides the wizard
      return TRUE;
  }
  return FALSE;
}

INT_PTR CALLBACK SetupApp::PageProc(HWND wnd, UINT msg, WPARAM wp, LPARAM lp) {
  if (msg == WM_INITDIALOG) {
    SetWindowLongPtrA(wnd, GWLP_USERDATA, lp);
    return FALSE;
  }
  SetupApp* self = Self(wnd);
  if (!self) return FALSE;
  switch (msg) {
    case WM_COMMAND: return self->WizCommand(wp, lp);
    case WM_DRAWITEM: return self->DrawItem(*reinterpret_cast<const DRAWITEMSTRUCT*>(lp));
    case WM_CTLCOLORSTATIC:
      return reinterpret_cast<INT_PTR>(self->CtlColor(reinterpret_cast<HWND>(lp), reinterpret_cast<HDC>(wp)));
    case WM_SIZE:
      if (wnd == self->box_) Place(wnd, IDC_BOXFRAME, 0, 0, LOWORD(lp), HIWORD(lp));
      return FALSE;
  }
  return FALSE;
}

HBRUSH SetupApp::CtlColor(HWND control, HDC dc) {
  if (GetDlgCtrlID(control) == IDC_TITLE) SetTextColor(dc, kNavy);
  if (GetDlgCtrlID(control) == IDC_MEMO) {
    SetBkColor(dc, GetSysColor(COLOR_BTNFACE));
    return GetSysColorBrush(COLOR_BTNFACE);
  }
  SetBkMode(dc, TRANSPARENT);
  return GetSysColorBrush(COLOR_BTNFACE);
}

bool SetupApp::DrawItem(const DRAWITEMSTRUCT& item) {
  return dd_.HandleDrawItem(item) || drive_combo_box1_.HandleDrawItem(item);
}

bool SetupApp::WizCommand(WPARAM wp, LPARAM lp) {
  const int id = LOWORD(wp), code = HIWORD(wp);
  // A click or a move of the selection in DD names its line's folder; a
  // double click opens it, which DD reports through OnChange.
  if (lp && reinterpret_cast<HWND>(lp) == dd_.handle() && code == LBN_SELCHANGE) DDClick();
  if (lp && (dd_.HandleCommand(wp, lp) || drive_combo_box1_.HandleCommand(wp, lp))) return true;
  switch (id) {
    case IDC_NXT:
      if (code == BN_CLICKED) NxtClick();
      return true;
    case IDC_BK:
      if (code == BN_CLICKED) bkClick();
      return true;
    case IDC_CC:
      if (code == BN_CLICKED) ccClick();
      return true;
    case IDC_BUTTON4:
      if (code == BN_CLICKED) Button4Click();
      return true;
    case IDOK:
    case IDCANCEL: return true;  // Enter and Esc do nothing by themselves
  }
  return false;
}

void SetupApp::ShowWizard() {
  SelectPage(kWelcome);
  RECT r;
  GetWindowRect(box_, &r);
  SetWindowPos(box_, nullptr, 0, 0, r.right - r.left, kBoxSmallHeight,
               SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  ShowWindow(wiz_, SW_SHOW);
  SetForegroundWindow(wiz_);
}

void SetupApp::SelectPage(int index) {
  if (index < 0 || index >= kPageCount) return;
  current_ = index;
  for (int i = 0; i < kPageCount; ++i) ShowWindow(pages_[i], i == index ? SW_SHOW : SW_HIDE);
}

std::string SetupApp::FolderText() const { return Text(GetDlgItem(box_, IDC_FOLE)); }
std::string SetupApp::NxtCaption() const { return Text(GetDlgItem(wiz_, IDC_NXT)); }

void SetupApp::NxtClick() {
  if (current_ == kFolder) {
    std::string folder = RemoveBackslash(FolderText());
    SetDlgItemTextA(box_, IDC_FOLE, folder.c_str());
    if (!DirExists(folder)) {
      if (int code = os::CreateDir(folder)) {
        ui::ShowErrorBox(IoError::Text(code));
        return;
      }
    }
  }
  if (NxtCaption() == kFinish) {
    SendMessageA(main_, WM_CLOSE, 0, 0);
    return;
  }
  EnableWindow(GetDlgItem(wiz_, IDC_BK), TRUE);
  if (current_ != kFolder) {
    SelectPage(current_ + 1);
    return;
  }
  Install();
}

void SetupApp::bkClick() {
  SetDlgItemTextA(wiz_, IDC_NXT, kNext);
  SelectPage(current_ - 1);
  if (current_ == kWelcome) EnableWindow(GetDlgItem(wiz_, IDC_BK), FALSE);
}

void SetupApp::ccClick() { SendMessageA(main_, WM_CLOSE, 0, 0); }

void SetupApp::Button4Click() {
  SetWindowPos(box_, nullptr, 0, 0, kBoxLargeWidth, kBoxLargeHeight,
               SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

// The folder of DD's selected line: its current folder after an opening,
// the clicked one after a click.
void SetupApp::DDClick() {
  int line = static_cast<int>(SendMessageA(dd_.handle(), LB_GETCURSEL, 0, 0));
  SetDlgItemTextA(box_, IDC_FOLE, (AddBackslash(dd_.PathOfLine(line)) + kFolderName).c_str());
}

// --- the installation and the status window ----------------------------------

void SetupApp::CreateStatusWindow() {
  ins_ = CreateDialogParamA(instance_, MAKEINTRESOURCEA(IDD_INS), main_, InsProc,
                            reinterpret_cast<LPARAM>(this));
  SetClientSize(ins_, 348, 49);
  CenterOnScreen(ins_);
  Place(ins_, IDC_INSPANEL, 0, 0, 348, 49);
  Place(ins_, IDC_INSICON, 8, 8, 32, 32);
  Place(ins_, IDC_L, 52, 17, 290, 15);
}

INT_PTR CALLBACK SetupApp::InsProc(HWND wnd, UINT msg, WPARAM, LPARAM lp) {
  if (msg == WM_INITDIALOG) {
    SetWindowLongPtrA(wnd, GWLP_USERDATA, lp);
    return FALSE;
  }
  if (msg == WM_CTLCOLORSTATIC) return reinterpret_cast<INT_PTR>(GetSysColorBrush(COLOR_BTNFACE));
  return FALSE;
}

void SetupApp::SetStatus(const std::string& caption) {
  SetDlgItemTextA(ins_, IDC_L, caption.c_str());
  // No messages are handled while installing: repaint by hand.
  RedrawWindow(ins_, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW | RDW_ALLCHILDREN);
}

void SetupApp::Install() {
  ShowWindow(wiz_, SW_HIDE);
  ShowWindow(ins_, SW_SHOW);
  RedrawWindow(ins_, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW | RDW_ALLCHILDREN);
  installation_.on_status = [this](const std::string& caption) { SetStatus(caption); };
  try {
    installation_.Run(FolderText(), os::ModulePath());
  } catch (const CopyError& e) {
    // Nothing was registered: back to the folder choice, so that the user
    // can mend the cause and try again.
    ShowWindow(ins_, SW_HIDE);
    ShowWizard();
    SelectPage(kFolder);
    EnableWindow(GetDlgItem(wiz_, IDC_BK), TRUE);
    ui::ShowErrorBox(e.what());
    return;
  } catch (const std::exception& e) {
    // The status window stays with its last caption; the wizard stays hidden.
    ui::ShowErrorBox(e.what());
    return;
  }
  // The Done page's links open the installed readme and program, in the
  // installation folder.
  const std::string& dir = installation_.install_dir();
  ui::SetLinkTarget(GetDlgItem(pages_[kDone], IDC_SEREADME), AddBackslash(dir) + "Readme.txt",
                    RemoveBackslash(dir));
  ui::SetLinkTarget(GetDlgItem(pages_[kDone], IDC_SEAPP), AddBackslash(dir) + "Kestro.exe",
                    RemoveBackslash(dir));
  ShowWindow(ins_, SW_HIDE);
  ShowWizard();
  SelectPage(kDone);
  EnableWindow(GetDlgItem(wiz_, IDC_BK), FALSE);
  EnableWindow(GetDlgItem(wiz_, IDC_CC), FALSE);
  SetDlgItemTextA(wiz_, IDC_NXT, kFinish);
}

// --- the about box -----------------------------------------------------------

void SetupApp::ShowAbout() {
  DialogBoxParamA(instance_, MAKEINTRESOURCEA(IDD_ABOUT), main_, AboutProc, reinterpret_cast<LPARAM>(this));
}

INT_PTR CALLBACK SetupApp::AboutProc(HWND wnd, UINT msg, WPARAM wp, LPARAM lp) {
  switch (msg) {
    case WM_INITDIALOG: {
      SetWindowLongPtrA(wnd, GWLP_USERDATA, lp);
      SetupApp* self = reinterpret_cast<SetupApp*>(lp);
      SetClientSize(wnd, 231, 99);
      CenterOnScreen(wnd);
      Place(wnd, IDC_ABOUTTITLE, 8, 6, 215, 15);
      Place(wnd, IDOK, 148, 68, 75, 23);
      SetDlgItemTextA(wnd, IDC_LVER, "1.0.2.1");
      HFONT bold = MakeFont(11, FW_BOLD, false, "Arial");
      SetPropA(wnd, "KestroBold", bold);
      SendDlgItemMessageA(wnd, IDC_ABOUTTITLE, WM_SETFONT, reinterpret_cast<WPARAM>(bold), FALSE);
      HWND url = GetDlgItem(wnd, IDC_ABOUTURL);
      SendMessageA(url, WM_SETFONT, reinterpret_cast<WPARAM>(self->text_font_), FALSE);
      LinkToAddress(url, kHttp);
      ui::SetLinkHover(url, true);
      return TRUE;
    }
    case WM_CTLCOLORSTATIC: {
      HDC dc = reinterpret_cast<HDC>(wp);
      int id = GetDlgCtrlID(reinterpret_cast<HWND>(lp));
      if (id == IDC_ABOUTTITLE || id == IDC_LVER) SetTextColor(dc, kNavy);
      SetBkMode(dc, TRANSPARENT);
      return reinterpret_cast<INT_PTR>(GetSysColorBrush(COLOR_BTNFACE));
    }
    case WM_COMMAND:
      if (LOWORD(wp) == IDOK || LOWORD(wp) == IDCANCEL) EndDialog(wnd, LOWORD(wp));
      return TRUE;
    case WM_DESTROY:
      if (HANDLE bold = RemovePropA(wnd, "KestroBold")) DeleteObject(bold);
      return FALSE;
  }
  return FALSE;
}

}  // namespace kestro::setup
