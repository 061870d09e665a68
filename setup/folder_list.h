// A directory list linked to a drive list, over a standard list box and a
// drop-down combo box. The list shows the current folder's path, one line per
// level, then its subfolders; a click makes the clicked folder current, a
// double-click also opens it. Choosing a drive moves the list to that
// drive's current folder. Every change of the current folder is reported.
#pragma once

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

namespace kestro::setup {

class FolderList {
 public:
  // `list` and `drives` are existing controls; the list starts in `start`.
  void Attach(HWND list, HWND drives, const std::string& start);
  void OnChange(std::function<void()> handler) { on_change_ = std::move(handler); }

  // The current folder, without a trailing backslash except for a drive root.
  const std::string& Directory() const { return directory_; }
  void SetDirectory(const std::string& dir);

  // Handles a WM_COMMAND notification of one of the two controls; false if
  // it was not theirs.
  bool Command(HWND control, int code);

 private:
  void Fill();

  HWND list_ = nullptr;
  HWND drives_ = nullptr;
  std::string directory_;
  std::vector<std::string> paths_;  // the folder of each line
  std::function<void()> on_change_;
};

}  // namespace kestro::setup
