// File dialogs. Every open and save dialog goes through FileDialog::Execute,
// so that a test can replace the real dialog with a responder that picks
// the files instead of the user.
#pragma once

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

namespace kestro::ui {

struct FileDialog {
  bool save = false;
  std::string title;        // empty: the system's
  std::string filter;       // "Textfiles (*.txt)|*.txt|All Files|*.*"
  std::string default_ext;  // "exe" (without the dot; ".exe" is accepted)
  bool multi_select = false;
  bool hide_read_only = true;
  bool path_must_exist = false;
  bool file_must_exist = false;
  std::string initial_dir;
  std::string file_name;           // in: proposed name; out: the (first) chosen path
  std::vector<std::string> files;  // out: every chosen path, in the dialog's order

  // Shows the dialog; true when the user confirmed (file_name and files set).
  bool Execute(HWND owner);

  // Answers every dialog instead of the user while installed: fills
  // file_name/files and returns true to confirm. An empty one restores the
  // real dialog. Returns the previous responder.
  using Responder = std::function<bool(FileDialog&)>;
  static Responder SetResponder(Responder responder);
};

}  // namespace kestro::ui
