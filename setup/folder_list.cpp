#include "setup/folder_list.h"

#include <algorithm>
#include <cctype>

#include "common/paths.h"

namespace kestro::setup {
namespace {

std::string Normal(std::string dir) {
  if (dir.size() > 3 || (dir.size() == 3 && dir[1] != ':')) dir = RemoveBackslash(dir);
  if (dir.size() == 2 && dir[1] == ':') dir += '\\';
  if (dir.size() >= 2 && dir[1] == ':')
    dir[0] = static_cast<char>(std::toupper(static_cast<unsigned char>(dir[0])));
  return dir;
}

std::vector<std::string> SubFolders(const std::string& dir) {
  std::vector<std::string> names;
  WIN32_FIND_DATAA found;
  HANDLE h = FindFirstFileA((AddBackslash(dir) + "*").c_str(), &found);
  if (h == INVALID_HANDLE_VALUE) return names;
  do {
    std::string name = found.cFileName;
    if ((found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) && name != "." && name != "..")
      names.push_back(name);
  } while (FindNextFileA(h, &found));
  FindClose(h);
  std::sort(names.begin(), names.end(),
            [](const std::string& a, const std::string& b) { return lstrcmpiA(a.c_str(), b.c_str()) < 0; });
  return names;
}

}  // namespace

void FolderList::Attach(HWND list, HWND drives, const std::string& start) {
  list_ = list;
  drives_ = drives;
  char buf[512] = {};
  DWORD n = GetLogicalDriveStringsA(sizeof buf - 1, buf);
  for (const char* p = buf; n && *p; p += lstrlenA(p) + 1) {
    char drive[3] = {static_cast<char>(std::tolower(static_cast<unsigned char>(p[0]))), ':', 0};
    SendMessageA(drives_, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(drive));
  }
  directory_ = Normal(start);
  Fill();
}

void FolderList::SetDirectory(const std::string& dir) {
  directory_ = Normal(dir);
  Fill();
  if (on_change_) on_change_();
}

void FolderList::Fill() {
  SendMessageA(list_, LB_RESETCONTENT, 0, 0);
  paths_.clear();
  // One line per level of the path, each indented one step further.
  std::string indent;
  size_t start = 0;
  while (start < directory_.size()) {
    size_t end = directory_.find('\\', start);
    if (end == std::string::npos) end = directory_.size();
    std::string upto = directory_.substr(0, end);
    std::string name = directory_.substr(start, end - start);
    if (paths_.empty()) upto += '\\', name += '\\';
    paths_.push_back(upto);
    SendMessageA(list_, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>((indent + name).c_str()));
    indent += "  ";
    start = end + 1;
  }
  int current = static_cast<int>(paths_.size()) - 1;
  for (const std::string& name : SubFolders(directory_)) {
    paths_.push_back(AddBackslash(directory_) + name);
    SendMessageA(list_, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>((indent + name).c_str()));
  }
  SendMessageA(list_, LB_SETCURSEL, current, 0);
  // The drive list follows the list's drive.
  if (directory_.size() >= 2 && directory_[1] == ':') {
    char drive[3] = {static_cast<char>(std::tolower(static_cast<unsigned char>(directory_[0]))), ':', 0};
    SendMessageA(drives_, CB_SELECTSTRING, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(drive));
  }
}

bool FolderList::Command(HWND control, int code) {
  if (control == list_ && (code == LBN_SELCHANGE || code == LBN_DBLCLK)) {
    LRESULT sel = SendMessageA(list_, LB_GETCURSEL, 0, 0);
    if (sel < 0 || sel >= static_cast<LRESULT>(paths_.size())) return true;
    directory_ = Normal(paths_[sel]);
    if (code == LBN_DBLCLK) Fill();
    if (on_change_) on_change_();
    return true;
  }
  if (control == drives_ && code == CBN_SELCHANGE) {
    char drive[8] = {};
    LRESULT sel = SendMessageA(drives_, CB_GETCURSEL, 0, 0);
    if (sel >= 0 && SendMessageA(drives_, CB_GETLBTEXTLEN, sel, 0) < 7) {
      SendMessageA(drives_, CB_GETLBTEXT, sel, reinterpret_cast<LPARAM>(drive));
      char full[MAX_PATH] = {};
      // "x:" alone names the drive's current folder.
      if (GetFullPathNameA(drive, MAX_PATH, full, nullptr)) SetDirectory(full);
    }
    return true;
  }
  return false;
}

}  // namespace kestro::setup
