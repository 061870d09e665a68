// A folder list linked to a drive list. TDirectoryListBox shows the path of
// its current folder (one line per level, open folders) and the folders
// inside it (closed folders); a double click or Enter opens one. A linked
// TDriveComboBox lists the drives; choosing one shows that drive's current
// folder. Both take over controls from a dialog template: a LISTBOX with
// LBS_OWNERDRAWFIXED | LBS_HASSTRINGS | LBS_NOTIFY and a COMBOBOX with
// CBS_DROPDOWNLIST | CBS_OWNERDRAWFIXED | CBS_HASSTRINGS. The parent must
// hand them WM_DRAWITEM through HandleDrawItem and their notifications
// (WM_COMMAND) through HandleCommand.
#pragma once

#include <windows.h>

#include <functional>
#include <string>

namespace kestro::ui {

class TDirectoryListBox {
 public:
  void Attach(HWND list);
  HWND handle() const { return wnd_; }

  // The folder shown, without a trailing backslash except for a drive root
  // ("C:\", "C:\Data").
  const std::string& Directory() const { return directory_; }
  // Shows a folder (an existing one; else nothing changes). Calls OnChange.
  void SetDirectory(const std::string& directory);
  // The folder the list would open for this line.
  std::string PathOfLine(int index) const;

  std::function<void()> OnChange;

  bool HandleDrawItem(const DRAWITEMSTRUCT& item);
  bool HandleCommand(WPARAM wp, LPARAM lp);

 private:
  void Fill();
  HWND wnd_ = nullptr;
  std::string directory_;
  int open_levels_ = 0;  // lines 0..open_levels_-1 are the path's levels
};

class TDriveComboBox {
 public:
  void Attach(HWND combo);
  HWND handle() const { return wnd_; }
  // Choosing a drive shows its current folder in `list`.
  void SetDirList(TDirectoryListBox* list) { list_ = list; }

  // The selected drive's letter, lower case ('c'); 0 when none.
  char Drive() const;
  // Selects a drive (by letter, any case) without changing the folder list.
  void SetDrive(char letter);

  bool HandleDrawItem(const DRAWITEMSTRUCT& item);
  bool HandleCommand(WPARAM wp, LPARAM lp);

 private:
  void Fill();
  HWND wnd_ = nullptr;
  TDirectoryListBox* list_ = nullptr;
};

}  // namespace kestro::ui
