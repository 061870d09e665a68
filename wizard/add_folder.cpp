#include "wizard/add_folder.h"

#include "ui/modal.h"
#include "wizard/resource.h"
#include "wizard/source_list.h"

namespace kestro::wizard {
namespace {

constexpr int kClientWidth = 308;
constexpr int kClientHeight = 226;

struct Placement {
  int id, x, y, width, height;
};
constexpr Placement kLayout[] = {
    {IDC_LblSelFol, 8, 8, 292, 13}, {IDC_edSelFol, 8, 24, 292, 21},   {IDC_LblFolder, 8, 54, 180, 13},
    {IDC_DirLb, 8, 70, 180, 148},   {IDC_LblDrive, 196, 54, 104, 13}, {IDC_DrvCB, 196, 70, 104, 200},
    {IDC_btnOk, 196, 161, 104, 25}, {IDC_btnCnc, 196, 193, 104, 25},
};

}  // namespace

TfAddFolder::TfAddFolder(HINSTANCE instance, HWND owner) {
  CreateDialogParamA(instance, MAKEINTRESOURCEA(IDD_AddFolder), owner, DialogProc,
                     reinterpret_cast<LPARAM>(this));
}

TfAddFolder::~TfAddFolder() {
  if (wnd_) DestroyWindow(wnd_);
}

INT_PTR CALLBACK TfAddFolder::DialogProc(HWND wnd, UINT msg, WPARAM wp, LPARAM lp) {
  if (msg == WM_INITDIALOG) {
    SetWindowLongPtrA(wnd, GWLP_USERDATA, lp);
    auto* self = reinterpret_cast<TfAddFolder*>(lp);
    self->wnd_ = wnd;
    self->FormCreate();
    return TRUE;
  }
  auto* self = reinterpret_cast<TfAddFolder*>(GetWindowLongPtrA(wnd, GWLP_USERDATA));
  if (!self) return FALSE;
  switch (msg) {
    case WM_DRAWITEM: {
      const auto& item = *reinterpret_cast<const DRAWITEMSTRUCT*>(lp);
      return self->dir_lb_.HandleDrawItem(item) || self->drv_cb_.HandleDrawItem(item);
    }
    case WM_COMMAND:
      if (self->dir_lb_.HandleCommand(wp, lp) || self->drv_cb_.HandleCommand(wp, lp)) return TRUE;
      if (LOWORD(wp) == IDC_btnOk || LOWORD(wp) == IDOK) self->btnOkClick();
      if (LOWORD(wp) == IDC_btnCnc || LOWORD(wp) == IDCANCEL) self->btnCncClick();
      return TRUE;
    case WM_CLOSE: self->btnCncClick(); return TRUE;
  }
  return FALSE;
}

void TfAddFolder::FormCreate() {
  ui::CenterOnScreen(wnd_, kClientWidth, kClientHeight);
  for (const Placement& p : kLayout) MoveWindow(GetDlgItem(wnd_, p.id), p.x, p.y, p.width, p.height, FALSE);
  drv_cb_.Attach(GetDlgItem(wnd_, IDC_DrvCB));
  dir_lb_.Attach(GetDlgItem(wnd_, IDC_DirLb));
  drv_cb_.SetDirList(&dir_lb_);
  dir_lb_.OnChange = [this] { DirLbChange(); };
  DirLbChange();
}

bool TfAddFolder::ShowModal(ui::THSListBox& target) {
  target_ = &target;
  DirLbChange();  // the dialog opens with the folder DirLb shows
  SetFocus(GetDlgItem(wnd_, IDC_btnOk));
  bool ok = ui::ShowModal(wnd_) == IDOK;
  target_ = nullptr;
  return ok;
}

std::string TfAddFolder::SelectedFolder() const {
  HWND edit = GetDlgItem(wnd_, IDC_edSelFol);
  int len = GetWindowTextLengthA(edit);
  std::string text(static_cast<size_t>(len) + 1, '\0');
  len = GetWindowTextA(edit, &text[0], len + 1);
  text.resize(static_cast<size_t>(len));
  return text;
}

void TfAddFolder::DirLbChange() {
  SetDlgItemTextA(wnd_, IDC_edSelFol, dir_lb_.Directory().c_str());
  const std::string& dir = dir_lb_.Directory();
  if (dir.size() > 1 && dir[1] == ':') drv_cb_.SetDrive(dir[0]);
}

void TfAddFolder::btnOkClick() {
  ShowWindow(wnd_, SW_HIDE);
  if (target_) target_->AddMany(FolderFiles(SelectedFolder()));
  ui::EndModal(wnd_, IDOK);
}

void TfAddFolder::btnCncClick() {
  ShowWindow(wnd_, SW_HIDE);
  ui::EndModal(wnd_, IDCANCEL);
}

}  // namespace kestro::wizard
