#include "ui/file_dialog.h"

#include <commdlg.h>

namespace kestro::ui {
namespace {

FileDialog::Responder& CurrentResponder() {
  static FileDialog::Responder responder;
  return responder;
}

// "a|b|c|d" -> "a\0b\0c\0d\0\0"
std::string FilterPairs(const std::string& filter) {
  std::string pairs = filter;
  for (char& c : pairs)
    if (c == '|') c = '\0';
  pairs.append(2, '\0');
  return pairs;
}

}  // namespace

FileDialog::Responder FileDialog::SetResponder(Responder responder) {
  Responder previous = std::move(CurrentResponder());
  CurrentResponder() = std::move(responder);
  return previous;
}

bool FileDialog::Execute(HWND owner) {
  files.clear();
  if (CurrentResponder()) {
    bool ok = CurrentResponder()(*this);
    if (ok && files.empty() && !file_name.empty()) files.push_back(file_name);
    if (ok && !files.empty()) file_name = files.front();
    return ok;
  }
  std::string buffer(multi_select ? 65536 : MAX_PATH, '\0');
  file_name.copy(&buffer[0], buffer.size() - 1);
  std::string pairs = FilterPairs(filter);
  std::string ext = default_ext.empty() || default_ext[0] != '.' ? default_ext : default_ext.substr(1);

  OPENFILENAMEA ofn = {};
  ofn.lStructSize = sizeof ofn;
  ofn.hwndOwner = owner;
  ofn.lpstrFilter = filter.empty() ? nullptr : pairs.c_str();
  ofn.nFilterIndex = 1;
  ofn.lpstrFile = &buffer[0];
  ofn.nMaxFile = static_cast<DWORD>(buffer.size());
  ofn.lpstrInitialDir = initial_dir.empty() ? nullptr : initial_dir.c_str();
  ofn.lpstrTitle = title.empty() ? nullptr : title.c_str();
  ofn.lpstrDefExt = ext.empty() ? nullptr : ext.c_str();
  ofn.Flags = OFN_EXPLORER | OFN_ENABLESIZING | OFN_NOCHANGEDIR;
  if (multi_select) ofn.Flags |= OFN_ALLOWMULTISELECT;
  if (hide_read_only) ofn.Flags |= OFN_HIDEREADONLY;
  if (path_must_exist) ofn.Flags |= OFN_PATHMUSTEXIST;
  if (file_must_exist) ofn.Flags |= OFN_FILEMUSTEXIST;
  BOOL ok = save ? GetSaveFileNameA(&ofn) : GetOpenFileNameA(&ofn);
  if (!ok) return false;

  // One path, or with multiple selection the folder followed by the names.
  const char* p = buffer.c_str();
  std::string first = p;
  p += first.size() + 1;
  if (!multi_select || *p == '\0') {
    files.push_back(first);
  } else {
    std::string folder = first;
    if (!folder.empty() && folder.back() != '\\') folder += '\\';
    while (*p) {
      std::string name = p;
      files.push_back(folder + name);
      p += name.size() + 1;
    }
  }
  file_name = files.front();
  return true;
}

}  // namespace kestro::ui
