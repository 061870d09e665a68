// TfAddFolder, "Add Folder": the folder list DirLb linked to the drive list
// DrvCB, the edit edSelFol that follows the folder shown (and may be typed
// into), OK (default) and Cancel. Created hidden once, shown modally by
// btnAddSrcDirClick.
#pragma once

#include <windows.h>

#include <string>

#include "ui/dir_list.h"
#include "ui/hs_list_box.h"

namespace kestro::wizard {

class TfAddFolder {
 public:
  // The template IDD_ADDFOLDER must be linked into the program (dialogs.rc).
  explicit TfAddFolder(HINSTANCE instance, HWND owner = nullptr);
  ~TfAddFolder();
  TfAddFolder(const TfAddFolder&) = delete;
  TfAddFolder& operator=(const TfAddFolder&) = delete;

  HWND handle() const { return wnd_; }

  // Shows the dialog modally; OK adds the files of the folder in edSelFol
  // to `target`. True when OK was pressed.
  bool ShowModal(ui::THSListBox& target);

  ui::TDirectoryListBox& DirLb() { return dir_lb_; }
  ui::TDriveComboBox& DrvCB() { return drv_cb_; }
  std::string SelectedFolder() const;  // edSelFol's text

  void DirLbChange();
  void btnOkClick();
  void btnCncClick();

 private:
  static INT_PTR CALLBACK DialogProc(HWND wnd, UINT msg, WPARAM wp, LPARAM lp);
  void FormCreate();

  HWND wnd_ = nullptr;
  ui::TDirectoryListBox dir_lb_;
  ui::TDriveComboBox drv_cb_;
  ui::THSListBox* target_ = nullptr;
};

}  // namespace kestro::wizard
