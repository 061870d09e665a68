// The source list's buttons and the Add Folder dialog, in real windows of
// this process.
#include "wizard/source_list.h"

#include <commctrl.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "tests/ui/modal_steps.h"
#include "ui/file_dialog.h"
#include "ui/modal.h"
#include "ui/scripted_responder.h"
#include "ui/widgets.h"
#include "wizard/add_folder.h"
#include "wizard/resource.h"

namespace kestro::wizard {
namespace {

using kestro::testing::ModalSteps;
using kestro::testing::TextOf;

std::string TempFolder(const std::string& name) {
  char temp[MAX_PATH];
  GetTempPathA(MAX_PATH, temp);
  std::string folder = std::string(temp) + "kestro_" + name;
  return folder;
}

void MakeFile(const std::string& path, DWORD attributes = FILE_ATTRIBUTE_NORMAL) {
  HANDLE f = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, attributes, nullptr);
  ASSERT_NE(INVALID_HANDLE_VALUE, f) << path;
  DWORD written;
  WriteFile(f, "x", 1, &written, nullptr);
  CloseHandle(f);
}

void RemoveTree(const std::string& folder) {
  WIN32_FIND_DATAA found;
  HANDLE find = FindFirstFileA((folder + "\\*").c_str(), &found);
  if (find != INVALID_HANDLE_VALUE) {
    do {
      std::string name = found.cFileName, path = folder + "\\" + name;
      if (name == "." || name == "..") continue;
      if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
        RemoveTree(path);
      } else {
        SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
        DeleteFileA(path.c_str());
      }
    } while (FindNextFileA(find, &found));
    FindClose(find);
  }
  RemoveDirectoryA(folder.c_str());
}

std::vector<std::string> Sorted(std::vector<std::string> v) {
  std::sort(v.begin(), v.end());
  return v;
}

class SourceList : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    InitCommonControls();
    ui::RegisterWidgets(GetModuleHandleA(nullptr));
  }
  void SetUp() override {
    host_ = CreateWindowExA(0, "STATIC", "host", WS_POPUP | WS_VISIBLE, 0, 0, 500, 300, nullptr, nullptr,
                            GetModuleHandleA(nullptr), nullptr);
    HWND box = CreateWindowExA(0, "LISTBOX", "", WS_CHILD | WS_HSCROLL | LBS_EXTENDEDSEL, 0, 0, 350, 160,
                               host_, nullptr, GetModuleHandleA(nullptr), nullptr);
    SendMessageA(box, WM_SETFONT, reinterpret_cast<WPARAM>(GetStockObject(DEFAULT_GUI_FONT)), FALSE);
    list_.Attach(box);
    // A folder with files (one hidden, one system), a subfolder with a file
    // of its own.
    folder_ = TempFolder("addfolder");
    RemoveTree(folder_);
    CreateDirectoryA(folder_.c_str(), nullptr);
    CreateDirectoryA((folder_ + "\\sub").c_str(), nullptr);
    MakeFile(folder_ + "\\readme.txt");
    MakeFile(folder_ + "\\SETUP.EXE");
    MakeFile(folder_ + "\\hidden.dat", FILE_ATTRIBUTE_HIDDEN);
    MakeFile(folder_ + "\\system.dat", FILE_ATTRIBUTE_SYSTEM);
    MakeFile(folder_ + "\\sub\\inner.txt");
  }
  void TearDown() override {
    list_.Detach();
    DestroyWindow(host_);
    RemoveTree(folder_);
  }
  std::vector<std::string> FilesIn(const std::string& prefix) {
    return Sorted(
        {prefix + "SETUP.EXE", prefix + "hidden.dat", prefix + "readme.txt", prefix + "system.dat"});
  }

  HWND host_ = nullptr;
  ui::THSListBox list_;
  std::string folder_;
};

TEST_F(SourceList, FolderFilesTakesFilesOnlyWithTheirPaths) {
  EXPECT_EQ(FilesIn(folder_ + "\\"), Sorted(FolderFiles(folder_)));
  EXPECT_EQ(FilesIn(folder_ + "\\"), Sorted(FolderFiles(folder_ + "\\")));
  EXPECT_TRUE(FolderFiles(folder_ + "\\missing").empty());
  // An empty folder text: the current folder, bare names.
  char cur[MAX_PATH];
  GetCurrentDirectoryA(MAX_PATH, cur);
  SetCurrentDirectoryA(folder_.c_str());
  std::vector<std::string> bare = FolderFiles("");
  SetCurrentDirectoryA(cur);
  EXPECT_EQ(FilesIn(""), Sorted(bare));
}

TEST_F(SourceList, AddFolderDialogAddsTheTypedOrShownFolder) {
  TfAddFolder dialog(GetModuleHandleA(nullptr), host_);
  ASSERT_TRUE(dialog.handle());
  RECT client;
  GetClientRect(dialog.handle(), &client);
  EXPECT_EQ(308, client.right);
  EXPECT_EQ(226, client.bottom);
  EXPECT_EQ("Add Folder", TextOf(dialog.handle()));
  HWND edit = GetDlgItem(dialog.handle(), IDC_edSelFol);

  // The folder list follows SetDirectory, the edit and the drive follow it.
  dialog.DirLb().SetDirectory(folder_);
  EXPECT_EQ(folder_, dialog.SelectedFolder());
  EXPECT_EQ(static_cast<char>(tolower(folder_[0])), dialog.DrvCB().Drive());
  // Its lines: the levels of the path, then "sub".
  HWND dir = GetDlgItem(dialog.handle(), IDC_DirLb);
  int lines = static_cast<int>(SendMessageA(dir, LB_GETCOUNT, 0, 0));
  ASSERT_GE(lines, 2);
  EXPECT_EQ(folder_ + "\\sub", dialog.DirLb().PathOfLine(lines - 1));

  struct Case {
    const char* name;
    std::string typed;  // "" keeps the folder shown
    bool ok;
    size_t added;
  } cases[] = {
      {"shown folder, OK", "", true, 4},
      {"typed without a backslash", folder_, true, 4},
      {"typed with a backslash", folder_ + "\\", true, 4},
      {"a subfolder", folder_ + "\\sub", true, 1},
      {"a missing folder", folder_ + "\\missing", true, 0},
      {"Cancel", folder_, false, 0},
  };
  for (const Case& c : cases) {
    list_.Clear();
    ui::ScriptedResponder quiet;  // nothing may be shown
    ModalSteps steps;
    bool shown = false;
    steps.Then([&] {
      shown = IsWindowVisible(dialog.handle()) && ui::IsModal(dialog.handle());
      EXPECT_EQ(folder_, TextOf(edit)) << c.name;  // opens with DirLb's folder
      if (!c.typed.empty()) SetWindowTextA(edit, c.typed.c_str());
      SendMessageA(dialog.handle(), WM_COMMAND, c.ok ? IDC_btnOk : IDC_btnCnc, 0);
    });
    EXPECT_EQ(c.ok, dialog.ShowModal(list_)) << c.name;
    EXPECT_TRUE(shown) << c.name;
    EXPECT_FALSE(IsWindowVisible(dialog.handle())) << c.name;
    EXPECT_EQ(c.added, static_cast<size_t>(list_.Count())) << c.name;
    EXPECT_TRUE(quiet.shown().empty()) << c.name;
    dialog.DirLb().SetDirectory(folder_);
  }
  // Through the page's handler, twice: the same files twice, no check.
  list_.Clear();
  for (int i = 0; i < 2; ++i) {
    ModalSteps steps;
    steps.Then([&] { SendMessageA(dialog.handle(), WM_COMMAND, IDC_btnOk, 0); });
    btnAddSrcDirClick(dialog, list_);
  }
  std::vector<std::string> items = list_.Items();
  ASSERT_EQ(8u, items.size());
  EXPECT_EQ(std::vector<std::string>(items.begin(), items.begin() + 4),
            std::vector<std::string>(items.begin() + 4, items.end()));
  EXPECT_EQ(FilesIn(folder_ + "\\"), Sorted(std::vector<std::string>(items.begin(), items.begin() + 4)));
}

TEST_F(SourceList, DriveListShowsTheChosenDrive) {
  TfAddFolder dialog(GetModuleHandleA(nullptr), host_);
  dialog.DirLb().SetDirectory(folder_);
  HWND combo = GetDlgItem(dialog.handle(), IDC_DrvCB);
  int count = static_cast<int>(SendMessageA(combo, CB_GETCOUNT, 0, 0));
  ASSERT_GE(count, 1);
  // Choose a drive other than the folder's, if there is one; else the same.
  int pick = 0;
  for (int i = 0; i < count; ++i) {
    char text[64];
    SendMessageA(combo, CB_GETLBTEXT, i, reinterpret_cast<LPARAM>(text));
    if (tolower(text[0]) != tolower(folder_[0])) pick = i;
  }
  char text[64];
  SendMessageA(combo, CB_GETLBTEXT, pick, reinterpret_cast<LPARAM>(text));
  SendMessageA(combo, CB_SETCURSEL, pick, 0);
  SendMessageA(dialog.handle(), WM_COMMAND, MAKEWPARAM(IDC_DrvCB, CBN_SELCHANGE),
               reinterpret_cast<LPARAM>(combo));
  std::string shown = dialog.DirLb().Directory();
  ASSERT_GE(shown.size(), 3u);
  EXPECT_EQ(tolower(text[0]), tolower(shown[0]));
  EXPECT_EQ(shown, dialog.SelectedFolder());
}

TEST_F(SourceList, AddFilesAppendsTheChosenPathsInOrder) {
  std::vector<ui::FileDialog> asked;
  std::vector<std::string> answer = {"C:\\b\\two.txt", "C:\\a\\one.txt", "C:\\b\\two.txt"};
  bool confirm = true;
  auto previous = ui::FileDialog::SetResponder([&](ui::FileDialog& d) {
    asked.push_back(d);
    d.files = answer;
    return confirm;
  });
  list_.Add("C:\\first.txt");
  btnAddSrcFilesClick(host_, list_);
  confirm = false;
  btnAddSrcFilesClick(host_, list_);  // cancelled: nothing
  ui::FileDialog::SetResponder(previous);

  EXPECT_EQ((std::vector<std::string>{"C:\\first.txt", "C:\\b\\two.txt", "C:\\a\\one.txt", "C:\\b\\two.txt"}),
            list_.Items());
  ASSERT_EQ(2u, asked.size());
  EXPECT_EQ("All Files (*.*)|*.*", asked[0].filter);
  EXPECT_TRUE(asked[0].multi_select);
  EXPECT_TRUE(asked[0].hide_read_only);
  EXPECT_FALSE(asked[0].save);
  int widest = 0;
  for (const std::string& item : list_.Items()) widest = std::max(widest, list_.EntryWidth(item));
  EXPECT_EQ(widest, list_.HorizontalExtent());
}

TEST_F(SourceList, RemoveSelectedAndRemoveAll) {
  const std::vector<std::string> entries = {"C:\\a.txt", "C:\\Program Files\\Widest Name Of All\\b.txt",
                                            "C:\\c.txt", "C:\\a.txt", "C:\\folder\\e.txt"};
  struct Case {
    const char* name;
    std::vector<int> selected;
    std::vector<std::string> left;
  } cases[] = {
      {"none", {}, entries},
      {"some, the widest and a duplicate", {1, 3}, {"C:\\a.txt", "C:\\c.txt", "C:\\folder\\e.txt"}},
      {"all", {0, 1, 2, 3, 4}, {}},
  };
  for (const Case& c : cases) {
    list_.Clear();
    list_.AddMany(entries);
    for (int i : c.selected) list_.SetSelected(i, true);
    ui::ScriptedResponder quiet;
    btnRmSelFilesClick(list_);
    EXPECT_EQ(c.left, list_.Items()) << c.name;
    int widest = 0;
    for (const std::string& e : c.left) widest = std::max(widest, list_.EntryWidth(e));
    EXPECT_EQ(widest, list_.HorizontalExtent()) << c.name;
    EXPECT_TRUE(quiet.shown().empty()) << c.name;
  }

  list_.AddMany(entries);
  {
    ui::ScriptedResponder responder;
    responder.Answer(IDNO);
    btnRmAllFilesClick(host_, list_);
    EXPECT_EQ(entries, list_.Items());
    ASSERT_EQ(1u, responder.shown().size());
    const ui::MessageBoxRequest& box = responder.shown()[0];
    EXPECT_EQ("Remove All", box.caption);
    EXPECT_EQ("Are you sure you want to remove ALL files from the list?", box.text);
    EXPECT_EQ(static_cast<UINT>(MB_ICONEXCLAMATION), box.icon());
    EXPECT_EQ(static_cast<UINT>(MB_YESNO), box.buttons());
    EXPECT_EQ(static_cast<UINT>(MB_DEFBUTTON2), box.flags & MB_DEFMASK);  // No is the default
    responder.Answer(IDYES);
    btnRmAllFilesClick(host_, list_);
    EXPECT_EQ(0, list_.Count());
    EXPECT_EQ(0, list_.HorizontalExtent());
  }
}

}  // namespace
}  // namespace kestro::wizard
