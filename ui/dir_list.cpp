#include "ui/dir_list.h"

#include <algorithm>
#include <vector>

#include "ui/pictures.h"

namespace kestro::ui {
namespace {

constexpr int kIndent = 10;

bool IsFolder(const std::string& path) {
  UINT old = SetErrorMode(SEM_FAILCRITICALERRORS);
  DWORD attributes = GetFileAttributesA(path.c_str());
  SetErrorMode(old);
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

// "c:\a\b\" -> "C:\a\b"; "C:\" stays. The drive letter in upper case,
// whichever way it was given.
std::string Normal(const std::string& path) {
  char full[MAX_PATH];
  DWORD n = GetFullPathNameA(path.c_str(), MAX_PATH, full, nullptr);
  std::string result = n > 0 && n < MAX_PATH ? std::string(full, n) : path;
  while (result.size() > 3 && result.back() == '\\') result.pop_back();
  if (result.size() >= 2 && result[1] == ':' && result[0] >= 'a' && result[0] <= 'z')
    result[0] = static_cast<char>(result[0] - 'a' + 'A');
  return result;
}

// The levels of a folder: "C:\", "a", "b".
std::vector<std::string> Levels(const std::string& dir) {
  std::vector<std::string> levels;
  size_t start;
  if (dir.size() >= 2 && dir[1] == ':') {
    levels.push_back(dir.substr(0, 2) + "\\");
    start = 3;
  } else if (dir.compare(0, 2, "\\\\") == 0) {  // \\server\share
    size_t share = dir.find('\\', 2);
    size_t end = share == std::string::npos ? std::string::npos : dir.find('\\', share + 1);
    levels.push_back(dir.substr(0, end));
    start = end == std::string::npos ? dir.size() : end + 1;
  } else {
    levels.push_back(dir);
    return levels;
  }
  while (start < dir.size()) {
    size_t end = dir.find('\\', start);
    if (end == std::string::npos) end = dir.size();
    if (end > start) levels.push_back(dir.substr(start, end - start));
    start = end + 1;
  }
  return levels;
}

std::string Join(const std::string& folder, const std::string& name) {
  return folder.back() == '\\' ? folder + name : folder + "\\" + name;
}

std::string LineText(HWND wnd, UINT get_len, UINT get_text, int index) {
  LRESULT len = SendMessageA(wnd, get_len, index, 0);
  if (len < 0) return std::string();
  std::string text(static_cast<size_t>(len) + 1, '\0');
  len = SendMessageA(wnd, get_text, index, reinterpret_cast<LPARAM>(&text[0]));
  text.resize(len < 0 ? 0 : static_cast<size_t>(len));
  return text;
}

void DrawLine(const DRAWITEMSTRUCT& item, const std::string& text, int indent, Picture picture) {
  HDC dc = item.hDC;
  RECT r = item.rcItem;
  bool selected = item.itemState & ODS_SELECTED;
  SetBkColor(dc, GetSysColor(selected ? COLOR_HIGHLIGHT : COLOR_WINDOW));
  SetTextColor(dc, GetSysColor(selected ? COLOR_HIGHLIGHTTEXT : COLOR_WINDOWTEXT));
  ExtTextOutA(dc, 0, 0, ETO_OPAQUE, &r, nullptr, 0, nullptr);
  int x = r.left + 2 + indent;
  RECT icon = {x, r.top + (r.bottom - r.top - 13) / 2, x + 16, r.top + (r.bottom - r.top - 13) / 2 + 13};
  DrawPicture(dc, icon, picture);
  RECT t = r;
  t.left = x + 19;
  DrawTextA(dc, text.c_str(), static_cast<int>(text.size()), &t, DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX);
  if (item.itemState & ODS_FOCUS) DrawFocusRect(dc, &r);
}

}  // namespace

void TDirectoryListBox::Attach(HWND list) {
  wnd_ = list;
  SendMessageA(wnd_, LB_SETITEMHEIGHT, 0, 16);
  char cur[MAX_PATH];
  DWORD n = GetCurrentDirectoryA(MAX_PATH, cur);
  directory_ = Normal(n > 0 && n < MAX_PATH ? std::string(cur, n) : "C:\\");
  Fill();
}

void TDirectoryListBox::SetDirectory(const std::string& directory) {
  if (directory.empty() || !IsFolder(directory)) return;
  directory_ = Normal(directory);
  Fill();
  if (OnChange) OnChange();
}

std::string TDirectoryListBox::PathOfLine(int index) const {
  if (index < 0) return directory_;
  std::string text = LineText(wnd_, LB_GETTEXTLEN, LB_GETTEXT, index);
  if (index >= open_levels_) return Join(directory_, text);
  std::vector<std::string> levels = Levels(directory_);
  std::string path = levels[0];
  for (int i = 1; i <= index && i < static_cast<int>(levels.size()); ++i) path = Join(path, levels[i]);
  return path;
}

void TDirectoryListBox::Fill() {
  SendMessageA(wnd_, WM_SETREDRAW, FALSE, 0);
  SendMessageA(wnd_, LB_RESETCONTENT, 0, 0);
  std::vector<std::string> levels = Levels(directory_);
  open_levels_ = static_cast<int>(levels.size());
  for (int i = 0; i < open_levels_; ++i) {
    LRESULT at = SendMessageA(wnd_, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(levels[i].c_str()));
    SendMessageA(wnd_, LB_SETITEMDATA, at, i);
  }
  std::vector<std::string> subfolders;
  WIN32_FIND_DATAA found;
  UINT old = SetErrorMode(SEM_FAILCRITICALERRORS);
  HANDLE find = FindFirstFileA(Join(directory_, "*.*").c_str(), &found);
  if (find != INVALID_HANDLE_VALUE) {
    do {
      std::string name = found.cFileName;
      if ((found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) && name != "." && name != "..")
        subfolders.push_back(name);
    } while (FindNextFileA(find, &found));
    FindClose(find);
  }
  SetErrorMode(old);
  std::sort(subfolders.begin(), subfolders.end(),
            [](const std::string& a, const std::string& b) { return lstrcmpiA(a.c_str(), b.c_str()) < 0; });
  for (const std::string& name : subfolders) {
    LRESULT at = SendMessageA(wnd_, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(name.c_str()));
    SendMessageA(wnd_, LB_SETITEMDATA, at, open_levels_);
  }
  SendMessageA(wnd_, LB_SETCURSEL, open_levels_ - 1, 0);
  SendMessageA(wnd_, WM_SETREDRAW, TRUE, 0);
  InvalidateRect(wnd_, nullptr, TRUE);
}

bool TDirectoryListBox::HandleDrawItem(const DRAWITEMSTRUCT& item) {
  if (item.hwndItem != wnd_) return false;
  if (item.itemID == static_cast<UINT>(-1)) return true;
  int index = static_cast<int>(item.itemID);
  std::string text = LineText(wnd_, LB_GETTEXTLEN, LB_GETTEXT, index);
  int level = static_cast<int>(item.itemData);
  DrawLine(item, text, level * kIndent, index < open_levels_ ? Picture::kFolderOpen : Picture::kFolderClosed);
  return true;
}

bool TDirectoryListBox::HandleCommand(WPARAM wp, LPARAM lp) {
  if (reinterpret_cast<HWND>(lp) != wnd_) return false;
  if (HIWORD(wp) == LBN_DBLCLK) {
    LRESULT cur = SendMessageA(wnd_, LB_GETCURSEL, 0, 0);
    if (cur != LB_ERR) SetDirectory(PathOfLine(static_cast<int>(cur)));
  }
  return true;
}

void TDriveComboBox::Attach(HWND combo) {
  wnd_ = combo;
  Fill();
  char cur[MAX_PATH];
  if (GetCurrentDirectoryA(MAX_PATH, cur) > 1 && cur[1] == ':') SetDrive(cur[0]);
}

void TDriveComboBox::Fill() {
  SendMessageA(wnd_, CB_RESETCONTENT, 0, 0);
  char drives[512];
  DWORD n = GetLogicalDriveStringsA(sizeof drives, drives);
  if (n == 0 || n >= sizeof drives) return;
  for (const char* p = drives; *p; p += lstrlenA(p) + 1) {
    char letter = p[0] >= 'A' && p[0] <= 'Z' ? static_cast<char>(p[0] - 'A' + 'a') : p[0];
    std::string text = std::string(1, letter) + ":";
    char label[MAX_PATH + 1] = "";
    UINT type = GetDriveTypeA(p);
    if (type == DRIVE_FIXED || type == DRIVE_RAMDISK) {
      UINT old = SetErrorMode(SEM_FAILCRITICALERRORS);
      if (GetVolumeInformationA(p, label, sizeof label, nullptr, nullptr, nullptr, nullptr, 0) && label[0])
        text += std::string(" [") + label + "]";
      SetErrorMode(old);
    }
    SendMessageA(wnd_, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text.c_str()));
  }
}

char TDriveComboBox::Drive() const {
  LRESULT cur = SendMessageA(wnd_, CB_GETCURSEL, 0, 0);
  if (cur == CB_ERR) return 0;
  std::string text = LineText(wnd_, CB_GETLBTEXTLEN, CB_GETLBTEXT, static_cast<int>(cur));
  return text.empty() ? 0 : text[0];
}

void TDriveComboBox::SetDrive(char letter) {
  if (letter >= 'A' && letter <= 'Z') letter = static_cast<char>(letter - 'A' + 'a');
  LRESULT count = SendMessageA(wnd_, CB_GETCOUNT, 0, 0);
  for (int i = 0; i < count; ++i) {
    std::string text = LineText(wnd_, CB_GETLBTEXTLEN, CB_GETLBTEXT, i);
    if (!text.empty() && text[0] == letter) {
      SendMessageA(wnd_, CB_SETCURSEL, i, 0);
      return;
    }
  }
}

bool TDriveComboBox::HandleDrawItem(const DRAWITEMSTRUCT& item) {
  if (item.hwndItem != wnd_) return false;
  if (item.itemID == static_cast<UINT>(-1)) return true;
  std::string text = LineText(wnd_, CB_GETLBTEXTLEN, CB_GETLBTEXT, static_cast<int>(item.itemID));
  DrawLine(item, text, 0, Picture::kDrive);
  return true;
}

bool TDriveComboBox::HandleCommand(WPARAM wp, LPARAM lp) {
  if (reinterpret_cast<HWND>(lp) != wnd_) return false;
  if (HIWORD(wp) == CBN_SELCHANGE && list_) {
    char letter = Drive();
    if (!letter) return true;
    // The drive's own current folder, else its root; a drive that is not
    // ready leaves the folder list where it was.
    char path[MAX_PATH];
    std::string drive = std::string(1, letter) + ":";
    DWORD n = GetFullPathNameA(drive.c_str(), MAX_PATH, path, nullptr);
    std::string dir = n > 0 && n < MAX_PATH ? std::string(path, n) : drive + "\\";
    if (!IsFolder(dir)) dir = drive + "\\";
    if (IsFolder(dir)) {
      list_->SetDirectory(dir);
    } else {
      const std::string& shown = list_->Directory();
      if (shown.size() > 1 && shown[1] == ':') SetDrive(shown[0]);
    }
  }
  return true;
}

}  // namespace kestro::ui
