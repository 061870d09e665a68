#include "compiler/win32/compile_form.h"

#include <commctrl.h>
#include <uxtheme.h>
#include <vssym32.h>

#include "compiler/win32/resource.h"
#include "ui/message_box.h"

namespace kestro::compiler {
namespace {

constexpr int kClientWidth = 372;
constexpr int kClientHeight = 122;
constexpr UINT kTimer1Interval = 1000;
constexpr UINT kNoMessage = WM_APP + 0x3FFF;  // never sent or posted
constexpr COLORREF kPurple = RGB(128, 0, 128);

// The form is laid out in pixels, like its fixed client area; dialog units
// would scale with the font's metrics, which differ between systems.
struct Placement {
  int id, x, y, width, height;
};
constexpr Placement kLayout[] = {
    {IDC_L1, 8, 6, 356, 28},
    {IDC_PR, 8, 37, 356, 16},
    {IDC_LP, 284, 55, 80, 14},  // right-aligned under the bar's right end
    {IDC_EXPLORERBUTTON1, 148, 71, 76, 24},
};

}  // namespace

TCompileForm::TCompileForm(HINSTANCE instance) {
  hwnd_ = CreateDialogParamA(instance, MAKEINTRESOURCEA(IDD_COMPILEFORM), nullptr, DialogProc,
                             reinterpret_cast<LPARAM>(this));
}

TCompileForm::~TCompileForm() {
  if (hwnd_) {
    KillTimer(hwnd_, IDT_TIMER1);
    DestroyWindow(hwnd_);
  }
  if (bold_font_) DeleteObject(bold_font_);
}

RunResult TCompileForm::Execute(const std::vector<std::string>& params, const RunOptions& options) {
  cancel_ = false;
  RunResult result = Run(params, options, *this);
  ShowWindow(hwnd_, SW_HIDE);
  return result;
}

INT_PTR CALLBACK TCompileForm::DialogProc(HWND wnd, UINT msg, WPARAM wp, LPARAM lp) {
  if (msg == WM_INITDIALOG) {
    SetWindowLongPtrA(wnd, GWLP_USERDATA, lp);
    auto* form = reinterpret_cast<TCompileForm*>(lp);
    form->hwnd_ = wnd;
    form->FormCreate();
    return FALSE;  // no control takes the focus
  }
  auto* form = reinterpret_cast<TCompileForm*>(GetWindowLongPtrA(wnd, GWLP_USERDATA));
  if (!form) return FALSE;
  switch (msg) {
    case WM_COMMAND:
      if (LOWORD(wp) == IDC_EXPLORERBUTTON1 && HIWORD(wp) == BN_CLICKED) form->btnCancelClick();
      return TRUE;  // Escape (IDCANCEL) closes nothing
    case WM_TIMER:
      if (wp == IDT_TIMER1) form->Timer1Timer();
      return TRUE;
    case WM_DRAWITEM:
      if (wp == IDC_EXPLORERBUTTON1) {
        form->ExplorerButton1DrawItem(*reinterpret_cast<const DRAWITEMSTRUCT*>(lp));
        return TRUE;
      }
      return FALSE;
    case WM_CLOSE:
      return TRUE;  // no close box: the window closes itself when the run ends
  }
  return FALSE;
}

void TCompileForm::FormCreate() {
  l1_ = GetDlgItem(hwnd_, IDC_L1);
  pr_ = GetDlgItem(hwnd_, IDC_PR);
  lp_ = GetDlgItem(hwnd_, IDC_LP);
  button_ = GetDlgItem(hwnd_, IDC_EXPLORERBUTTON1);
  status_panel_ = GetDlgItem(hwnd_, IDC_STATUSPANEL);

  // A client area of 372 x 122 pixels, centred on the screen.
  RECT frame = {0, 0, kClientWidth, kClientHeight};
  AdjustWindowRectEx(&frame, static_cast<DWORD>(GetWindowLongPtrA(hwnd_, GWL_STYLE)), FALSE,
                     static_cast<DWORD>(GetWindowLongPtrA(hwnd_, GWL_EXSTYLE)));
  int width = frame.right - frame.left;
  int height = frame.bottom - frame.top;
  SetWindowPos(hwnd_, nullptr, (GetSystemMetrics(SM_CXSCREEN) - width) / 2,
               (GetSystemMetrics(SM_CYSCREEN) - height) / 2, width, height,
               SWP_NOZORDER | SWP_NOACTIVATE);

  for (const Placement& p : kLayout)
    MoveWindow(GetDlgItem(hwnd_, p.id), p.x, p.y, p.width, p.height, FALSE);
  SendMessageA(status_panel_, SB_SIMPLE, TRUE, 0);
  SendMessageA(status_panel_, WM_SIZE, 0, 0);
  SendMessageA(status_panel_, SB_SETTEXTA, SB_SIMPLEID,
               reinterpret_cast<LPARAM>("Reading Projectfile..."));

  LOGFONTA font = {};
  GetObjectA(reinterpret_cast<HFONT>(SendMessageA(hwnd_, WM_GETFONT, 0, 0)), sizeof font, &font);
  font.lfWeight = FW_BOLD;
  bold_font_ = CreateFontIndirectA(&font);
  SendMessageA(button_, WM_SETFONT, reinterpret_cast<WPARAM>(bold_font_), FALSE);
}

void TCompileForm::ShowAndWaitForTimer() {
  if (shown_) return;
  shown_ = true;
  ShowWindow(hwnd_, SW_SHOW);
  UpdateWindow(hwnd_);
  SetTimer(hwnd_, IDT_TIMER1, kTimer1Interval, nullptr);
  MSG msg;
  while (!timer_fired_ && GetMessageA(&msg, nullptr, 0, 0) > 0) {
    if (!IsDialogMessageA(hwnd_, &msg)) {
      TranslateMessage(&msg);
      DispatchMessageA(&msg);
    }
  }
}

// Fires once: the run starts about a second after the window appeared.
void TCompileForm::Timer1Timer() {
  KillTimer(hwnd_, IDT_TIMER1);
  timer_fired_ = true;
}

void TCompileForm::btnCancelClick() {
  if (cancel_) return;
  if (ui::ModalMessageBox(kCancelQuestion, kCancelCaption, ui::kQuestion, MB_YESNO) == IDYES)
    cancel_ = true;
}

void TCompileForm::ProcessMessages() {
  MSG msg;
  while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
    if (msg.message == WM_QUIT) {
      PostQuitMessage(static_cast<int>(msg.wParam));
      return;
    }
    if (!IsDialogMessageA(hwnd_, &msg)) {
      TranslateMessage(&msg);
      DispatchMessageA(&msg);
    }
  }
}

void TCompileForm::Repaint() {
  RedrawWindow(hwnd_, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW | RDW_ALLCHILDREN);
  ShowPainted();
}

// Some systems (Wine) put what was painted on the screen only when the
// thread looks for messages. This look matches no message, so none is
// handled: a click on Cancel still waits for the next checkpoint.
void TCompileForm::ShowPainted() {
  MSG msg;
  PeekMessageA(&msg, hwnd_, kNoMessage, kNoMessage, PM_NOREMOVE);
}

void TCompileForm::Status(const std::string& text) {
  ShowAndWaitForTimer();
  SendMessageA(status_panel_, SB_SETTEXTA, SB_SIMPLEID, reinterpret_cast<LPARAM>(text.c_str()));
  Repaint();
}

void TCompileForm::Info(const std::string& text) {
  ShowAndWaitForTimer();
  SetWindowTextA(l1_, text.c_str());
}

void TCompileForm::Progress(int position, int maximum) {
  ShowAndWaitForTimer();
  if (SendMessageA(pr_, PBM_GETRANGE, FALSE, 0) != maximum)
    SendMessageA(pr_, PBM_SETRANGE32, 0, maximum);
  SendMessageA(pr_, PBM_SETPOS, position, 0);
  UpdateWindow(pr_);
  ShowPainted();
}

void TCompileForm::Percentage(const std::string& text) {
  ShowAndWaitForTimer();
  SetWindowTextA(lp_, text.c_str());
  UpdateWindow(lp_);
  ShowPainted();
}

bool TCompileForm::Checkpoint() {
  ShowAndWaitForTimer();
  ProcessMessages();
  return cancel_;
}

bool TCompileForm::AskOverwrite(const std::string& text, const std::string& caption) {
  ShowAndWaitForTimer();
  return ui::ModalMessageBox(text, caption, ui::kQuestion, MB_YESNO) == IDYES;
}

void TCompileForm::Notice(NoticeKind kind, const std::string& text, const std::string& caption) {
  UINT icon = kind == NoticeKind::kHelp ? MB_ICONINFORMATION : MB_ICONSTOP;
  ui::MessageBoxService::ShowMessage(shown_ ? hwnd_ : nullptr, text, caption, MB_OK | icon);
}

void TCompileForm::ReportFailure(const std::string& report, const std::string& fatal) {
  ShowAndWaitForTimer();
  ui::MessageBoxService::ShowMessage(hwnd_, report, kReportCaption, MB_OK | MB_ICONSTOP);
  ui::ModalMessageBox(fatal, kFatalCaption, ui::kWarning, MB_OK);
}

void TCompileForm::ExplorerButton1DrawItem(const DRAWITEMSTRUCT& item) {
  RECT rc = item.rcItem;
  bool pushed = item.itemState & ODS_SELECTED;
  bool disabled = item.itemState & ODS_DISABLED;
  if (HTHEME theme = OpenThemeData(item.hwndItem, L"BUTTON")) {
    int state = disabled ? PBS_DISABLED : pushed ? PBS_PRESSED : PBS_NORMAL;
    DrawThemeBackground(theme, item.hDC, BP_PUSHBUTTON, state, &rc, nullptr);
    CloseThemeData(theme);
  } else {
    DrawFrameControl(item.hDC, &rc, DFC_BUTTON, DFCS_BUTTONPUSH | (pushed ? DFCS_PUSHED : 0));
  }
  if (pushed) OffsetRect(&rc, 1, 1);
  char text[64] = {};
  GetWindowTextA(item.hwndItem, text, sizeof text);
  HGDIOBJ old_font = SelectObject(item.hDC, bold_font_);
  SetBkMode(item.hDC, TRANSPARENT);
  SetTextColor(item.hDC, disabled ? GetSysColor(COLOR_GRAYTEXT) : kPurple);
  DrawTextA(item.hDC, text, -1, &rc, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
  SelectObject(item.hDC, old_font);
}

}  // namespace kestro::compiler
