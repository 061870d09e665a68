#include "wizard/previews.h"

#include "common/errors.h"
#include "project/ini_file.h"
#include "ui/file_dialog.h"
#include "ui/message_box.h"
#include "ui/modal.h"
#include "ui/pictures.h"
#include "ui/widgets.h"
#include "wizard/resource.h"

namespace kestro::wizard {
namespace {

struct Placement {
  int id, x, y, width, height;
};

void Place(HWND wnd, const Placement* layout, size_t n) {
  for (size_t i = 0; i < n; ++i)
    MoveWindow(GetDlgItem(wnd, layout[i].id), layout[i].x, layout[i].y, layout[i].width, layout[i].height,
               FALSE);
}

std::string WindowString(HWND wnd) {
  int len = GetWindowTextLengthA(wnd);
  std::string text(static_cast<size_t>(len) + 1, '\0');
  len = GetWindowTextA(wnd, &text[0], len + 1);
  text.resize(len > 0 ? static_cast<size_t>(len) : 0);
  return text;
}

// A plain notice: the text, the application title, OK, no icon.
void ShowMessage(const std::string& text) {
  ui::MessageBoxService::ShowMessage(GetActiveWindow(), text, ui::ApplicationTitle(), MB_OK);
}

// An error of one user action, shown and ended there.
template <typename Action>
void Guarded(Action action) {
  try {
    action();
  } catch (const Error& e) {
    ui::ShowErrorBox(e.what());
  }
}

// The progress window's icon: the packed box of the welcome page's
// animation, drawn into a 32 x 32 icon.
HICON MakeBoxIcon() {
  HDC screen = GetDC(nullptr);
  HDC mem = CreateCompatibleDC(screen);
  HBITMAP color = CreateCompatibleBitmap(screen, 32, 32);
  HBITMAP mask = CreateBitmap(32, 32, 1, 1, nullptr);
  HGDIOBJ old = SelectObject(mem, mask);
  RECT all = {0, 0, 32, 32};
  FillRect(mem, &all, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));  // opaque everywhere
  SelectObject(mem, color);
  ui::DrawAnimationFrame(mem, all, ui::kAnimationFrames - 1);
  SelectObject(mem, old);
  ICONINFO info = {TRUE, 0, 0, mask, color};
  HICON icon = CreateIconIndirect(&info);
  DeleteObject(color);
  DeleteObject(mask);
  DeleteDC(mem);
  ReleaseDC(nullptr, screen);
  return icon;
}

// A file's text as the memo shows it: every line break CR LF.
std::string ReadTextLines(const std::string& path) {
  HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
  if (file == INVALID_HANDLE_VALUE) throw IoError(static_cast<int>(GetLastError()));
  std::string raw;
  char buffer[65536];
  DWORD got = 0;
  while (ReadFile(file, buffer, sizeof buffer, &got, nullptr) && got > 0) raw.append(buffer, got);
  CloseHandle(file);
  std::string text;
  text.reserve(raw.size());
  for (size_t i = 0; i < raw.size(); ++i) {
    if (raw[i] == '\r' || raw[i] == '\n') {
      if (raw[i] == '\r' && i + 1 < raw.size() && raw[i + 1] == '\n') ++i;
      text += "\r\n";
    } else {
      text += raw[i];
    }
  }
  return text;
}

}  // namespace

int btnTestPrmptClick(const std::string& question, const std::string& title) {
  int answer = ui::ModalMessageBox(question, title, ui::kQuestion, MB_YESNO);
  ShowMessage(answer == IDYES ? "Continuing..." : "Terminating...");
  return answer;
}

void btnTestMsgClick(HWND owner, const std::string& finmsg, const std::string& title) {
  ui::MessageBoxService::ShowMessage(owner, finmsg, title, MB_OK);
}

// --- TPwdForm --------------------------------------------------------------

TPwdForm::TPwdForm(HINSTANCE instance, HWND owner) {
  CreateDialogParamA(instance, MAKEINTRESOURCEA(IDD_PwdForm), owner, DialogProc,
                     reinterpret_cast<LPARAM>(this));
}

TPwdForm::~TPwdForm() {
  if (wnd_) DestroyWindow(wnd_);
}

INT_PTR CALLBACK TPwdForm::DialogProc(HWND wnd, UINT msg, WPARAM wp, LPARAM lp) {
  if (msg == WM_INITDIALOG) {
    SetWindowLongPtrA(wnd, GWLP_USERDATA, lp);
    auto* self = reinterpret_cast<TPwdForm*>(lp);
    self->wnd_ = wnd;
    static const Placement kLayout[] = {{IDC_Pwd_Label1, 8, 8, 222, 13},
                                        {IDC_Pwd_Edit1, 8, 26, 222, 21},
                                        {IDC_Pwd_Button1, 39, 61, 76, 23},
                                        {IDC_Pwd_Button2, 123, 61, 75, 23}};
    ui::CenterOnScreen(wnd, 238, 94);
    Place(wnd, kLayout, sizeof kLayout / sizeof kLayout[0]);
    SendDlgItemMessageA(wnd, IDC_Pwd_Edit1, EM_SETPASSWORDCHAR, '*', 0);
    EnableWindow(GetDlgItem(wnd, IDC_Pwd_Button1), FALSE);
    return TRUE;
  }
  auto* self = reinterpret_cast<TPwdForm*>(GetWindowLongPtrA(wnd, GWLP_USERDATA));
  if (!self) return FALSE;
  switch (msg) {
    case WM_COMMAND:
      switch (LOWORD(wp)) {
        case IDC_Pwd_Edit1:
          if (HIWORD(wp) == EN_CHANGE) self->Edit1Change();
          break;
        case IDC_Pwd_Button1: self->Button1Click(); break;
        case IDC_Pwd_Button2:
        case IDCANCEL: self->Button2Click(); break;
      }
      return TRUE;
    case WM_CLOSE:  // every close is allowed
      ui::EndModal(wnd, IDCANCEL);
      ShowWindow(wnd, SW_HIDE);
      return TRUE;
  }
  return FALSE;
}

void TPwdForm::ShowModal() {
  SetFocus(GetDlgItem(wnd_, IDC_Pwd_Edit1));
  ui::ShowModal(wnd_);
}

void TPwdForm::Edit1Change() {
  bool match = WindowString(GetDlgItem(wnd_, IDC_Pwd_Edit1)) == expected_;
  EnableWindow(GetDlgItem(wnd_, IDC_Pwd_Button1), match);
}

void TPwdForm::Button1Click() { ui::EndModal(wnd_, IDOK); }
void TPwdForm::Button2Click() { ui::EndModal(wnd_, IDCANCEL); }

void btnTestPwdClick(TPwdForm& PwdForm, const std::string& title, const std::string& prompt,
                     const std::string& password) {
  if (password.empty()) {
    ShowMessage("You must enter a password first.");
    return;
  }
  HWND wnd = PwdForm.handle();
  SetWindowTextA(wnd, title.c_str());
  PwdForm.SetExpectedPassword(password);
  SetDlgItemTextA(wnd, IDC_Pwd_Label1, prompt.c_str());
  SetDlgItemTextA(wnd, IDC_Pwd_Edit1, "");  // runs Edit1Change
  PwdForm.Edit1Change();
  PwdForm.ShowModal();
}

// --- TInstallForm ----------------------------------------------------------

TInstallForm::TInstallForm(HINSTANCE instance, HWND owner) {
  ui::RegisterWidgets(instance);
  CreateDialogParamA(instance, MAKEINTRESOURCEA(IDD_InstallForm), owner, DialogProc,
                     reinterpret_cast<LPARAM>(this));
}

TInstallForm::~TInstallForm() {
  if (wnd_) {
    KillTimer(wnd_, IDT_Inst_Timer1);
    DestroyWindow(wnd_);
  }
  if (bold_) DeleteObject(bold_);
  if (icon_) DestroyIcon(icon_);
}

INT_PTR CALLBACK TInstallForm::DialogProc(HWND wnd, UINT msg, WPARAM wp, LPARAM lp) {
  if (msg == WM_INITDIALOG) {
    SetWindowLongPtrA(wnd, GWLP_USERDATA, lp);
    auto* self = reinterpret_cast<TInstallForm*>(lp);
    self->wnd_ = wnd;
    static const Placement kLayout[] = {{IDC_Inst_Image1, 8, 8, 32, 32},
                                        {IDC_Inst_Label1, 56, 8, 284, 26},
                                        {IDC_Inst_ProgressGauge, 56, 42, 292, 21}};
    ui::CenterOnScreen(wnd, 369, 95);
    Place(wnd, kLayout, sizeof kLayout / sizeof kLayout[0]);
    self->gauge_ = ui::TNewGauge::Of(GetDlgItem(wnd, IDC_Inst_ProgressGauge));
    LOGFONTA lf = {};
    GetObjectA(reinterpret_cast<HFONT>(SendMessageA(wnd, WM_GETFONT, 0, 0)), sizeof lf, &lf);
    lf.lfWeight = FW_BOLD;
    self->bold_ = CreateFontIndirectA(&lf);
    self->gauge_->SetFont(self->bold_);
    self->gauge_->SetProgress(0);
    self->icon_ = MakeBoxIcon();
    SendDlgItemMessageA(wnd, IDC_Inst_Image1, STM_SETICON, reinterpret_cast<WPARAM>(self->icon_), 0);
    return FALSE;
  }
  auto* self = reinterpret_cast<TInstallForm*>(GetWindowLongPtrA(wnd, GWLP_USERDATA));
  if (!self) return FALSE;
  switch (msg) {
    case WM_TIMER:
      if (wp == IDT_Inst_Timer1) self->Timer1Timer();
      return TRUE;
    case WM_CTLCOLORSTATIC: SetTextColor(reinterpret_cast<HDC>(wp), RGB(0, 0, 0)); return FALSE;
    case WM_COMMAND:
      if (LOWORD(wp) == IDCANCEL) {
        ui::EndModal(wnd, IDCANCEL);
        ShowWindow(wnd, SW_HIDE);
      }
      return TRUE;
    case WM_CLOSE:  // closed early: the timer goes on while the window is hidden
      ui::EndModal(wnd, IDCANCEL);
      ShowWindow(wnd, SW_HIDE);
      return TRUE;
  }
  return FALSE;
}

void TInstallForm::ShowModal() {
  timer_on_ = true;
  SetTimer(wnd_, IDT_Inst_Timer1, 50, nullptr);
  ui::ShowModal(wnd_);
}

void TInstallForm::Timer1Timer() {
  gauge_->SetProgress(gauge_->Progress() + 1);
  if (gauge_->Progress() >= 100) {
    KillTimer(wnd_, IDT_Inst_Timer1);
    timer_on_ = false;
    gauge_->SetProgress(0);
    ui::EndModal(wnd_, IDOK);
    ShowWindow(wnd_, SW_HIDE);
  }
}

void btnTestPrgbarClick(TInstallForm& InstallForm, const std::string& title, const std::string& text) {
  SetWindowTextA(InstallForm.handle(), title.c_str());
  SetDlgItemTextA(InstallForm.handle(), IDC_Inst_Label1, text.c_str());
  InstallForm.ShowModal();
}

// --- TfLic -----------------------------------------------------------------

TfLic::TfLic(HINSTANCE instance, std::function<std::string()> title, HWND owner) : title_(std::move(title)) {
  CreateDialogParamA(instance, MAKEINTRESOURCEA(IDD_fLic), owner, DialogProc, reinterpret_cast<LPARAM>(this));
}

TfLic::~TfLic() {
  if (wnd_) DestroyWindow(wnd_);
}

INT_PTR CALLBACK TfLic::DialogProc(HWND wnd, UINT msg, WPARAM wp, LPARAM lp) {
  if (msg == WM_INITDIALOG) {
    SetWindowLongPtrA(wnd, GWLP_USERDATA, lp);
    auto* self = reinterpret_cast<TfLic*>(lp);
    self->wnd_ = wnd;
    static const Placement kLayout[] = {{IDC_Lic_LicText, 8, 8, 409, 158},
                                        {IDC_Lic_Button2, 8, 177, 137, 25},
                                        {IDC_Lic_Button3, 153, 177, 75, 25},
                                        {IDC_Lic_Button1, 342, 177, 75, 25}};
    ui::CenterOnScreen(wnd, 438, 212);
    Place(wnd, kLayout, sizeof kLayout / sizeof kLayout[0]);
    SendDlgItemMessageA(wnd, IDC_Lic_LicText, EM_SETLIMITTEXT, 0, 0);
    SetDlgItemTextA(wnd, IDC_Lic_LicText, "Type or load a License Text here... (max. 1020 chars)");
    return TRUE;
  }
  auto* self = reinterpret_cast<TfLic*>(GetWindowLongPtrA(wnd, GWLP_USERDATA));
  if (!self) return FALSE;
  switch (msg) {
    case WM_COMMAND:
      switch (LOWORD(wp)) {
        case IDC_Lic_Button1:
        case IDOK: Guarded([self] { self->Button1Click(); }); break;
        case IDC_Lic_Button2: Guarded([self] { self->Button2Click(); }); break;
        case IDC_Lic_Button3: Guarded([self] { self->Button3Click(); }); break;
        case IDCANCEL:
          ui::EndModal(wnd, IDCANCEL);
          ShowWindow(wnd, SW_HIDE);
          break;
      }
      return TRUE;
    case WM_CLOSE:
      ui::EndModal(wnd, IDCANCEL);
      ShowWindow(wnd, SW_HIDE);
      return TRUE;
  }
  return FALSE;
}

std::string TfLic::LicText() const { return WindowString(GetDlgItem(wnd_, IDC_Lic_LicText)); }

void TfLic::SetLicText(const std::string& text) { SetDlgItemTextA(wnd_, IDC_Lic_LicText, text.c_str()); }

void TfLic::ShowModal() {
  SetFocus(GetDlgItem(wnd_, IDC_Lic_LicText));
  ui::ShowModal(wnd_);
}

void TfLic::Button1Click() {
  SendDlgItemMessageA(wnd_, IDC_Lic_LicText, EM_SETSEL, 0, -1);
  std::string text = LicText();
  if (text.size() > kLicenseTextLimit) {
    ui::MessageBoxService::ShowMessage(wnd_, "Your license text is longer than allowed... please verify it.",
                                       "License Text too long", MB_OK | MB_ICONSTOP);
    return;
  }
  // The text ends with a line break unless the character before its last
  // one is one (so a final CR LF stays alone).
  size_t n = text.size();
  if (n < 2 || (text[n - 2] != '\r' && text[n - 2] != '\n')) SetLicText(text + "\r\n");
  ui::EndModal(wnd_, IDOK);
  ShowWindow(wnd_, SW_HIDE);
}

void TfLic::Button2Click() {
  ui::FileDialog Od1;
  Od1.filter = "Textfiles (*.txt)|*.txt|All Files|*.*";
  Od1.hide_read_only = true;
  if (!Od1.Execute(wnd_)) return;
  SetLicText(ReadTextLines(Od1.file_name));
}

void TfLic::Button3Click() {
  SendDlgItemMessageA(wnd_, IDC_Lic_LicText, EM_SETSEL, 0, -1);
  std::string text = LicText().substr(0, kLicenseTextLimit);
  // What the project file would store, read back.
  text = project::DecodeLineBreaks(project::EncodeLineBreaks(text));
  ui::MessageBoxService::ShowMessage(wnd_, text, title_ ? title_() : std::string(), MB_YESNO);
}

void btnEditLicTextClick(TfLic& fLic) { fLic.ShowModal(); }

}  // namespace kestro::wizard
