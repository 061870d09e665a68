// setup.exe, Unkest70.exe and the one-file installer, run for real under
// Wine and driven through their windows. fresh-prefix-run gives every case a
// Wine prefix of its own: the registry and the Windows folder start clean.
#include <gtest/gtest.h>
#include <objbase.h>
#include <shlobj.h>
#include <windows.h>

#include <algorithm>
#include <fstream>
#include <functional>
#include <iostream>
#include <iterator>
#include <string>
#include <vector>

#include "setup/product.h"
#include "tests/win/driver.h"
#include "tests/win/files.h"

namespace kestro {
namespace {

constexpr int kWaitMs = 30000;
// Control IDs of setup.exe's windows (setup/resource.h).
constexpr int kFolE = 214;
constexpr int kButton4 = 215;
constexpr int kDD = 217;
constexpr int kDriveComboBox1 = 218;
constexpr int kSEapp = 221;

using driver::Exists;
using driver::ReadAll;
using driver::RemoveTree;
using driver::WriteAll;

std::vector<std::string> FilesIn(const std::string& dir) {
  std::vector<std::string> names;
  WIN32_FIND_DATAA found;
  HANDLE h = FindFirstFileA((dir + "\\*").c_str(), &found);
  if (h == INVALID_HANDLE_VALUE) return names;
  do {
    std::string name = found.cFileName;
    if (name != "." && name != "..") names.push_back(name);
  } while (FindNextFileA(h, &found));
  FindClose(h);
  return names;
}

bool WaitUntil(const std::function<bool()>& done, int timeout_ms = kWaitMs) {
  for (DWORD start = GetTickCount(); !done();) {
    if (static_cast<int>(GetTickCount() - start) > timeout_ms) return false;
    Sleep(50);
  }
  return true;
}

std::string WindowsFolder() {
  char buf[MAX_PATH] = {};
  GetWindowsDirectoryA(buf, MAX_PATH);
  return buf;
}

// A string value, "<none>" if missing.
std::string RegValue(HKEY hive, const std::string& key, const char* name) {
  char buf[2048] = {};
  DWORD size = sizeof buf;
  if (RegGetValueA(hive, key.c_str(), name, RRF_RT_REG_SZ, nullptr, buf, &size) != ERROR_SUCCESS)
    return "<none>";
  return buf;
}
bool KeyExists(HKEY hive, const std::string& key) {
  HKEY h;
  if (RegOpenKeyExA(hive, key.c_str(), 0, KEY_READ, &h) != ERROR_SUCCESS) return false;
  RegCloseKey(h);
  return true;
}
std::vector<std::string> SubKeys(HKEY hive, const std::string& key) {
  std::vector<std::string> names;
  HKEY h;
  if (RegOpenKeyExA(hive, key.c_str(), 0, KEY_READ, &h) != ERROR_SUCCESS) return names;
  char name[256];
  for (DWORD i = 0;; ++i) {
    DWORD n = sizeof name;
    if (RegEnumKeyExA(h, i, name, &n, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) break;
    names.push_back(name);
  }
  RegCloseKey(h);
  return names;
}

std::string ProgramsFolder() {
  return RegValue(HKEY_CURRENT_USER, setup::kShellFoldersKey, setup::kProgramsValue);
}

struct Link {
  std::string target, working_dir, description;
};
Link ReadLink(const std::string& path) {
  Link link;
  IShellLinkA* shell_link = nullptr;
  if (FAILED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkA,
                              reinterpret_cast<void**>(&shell_link))))
    return link;
  IPersistFile* file = nullptr;
  shell_link->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&file));
  WCHAR wide[MAX_PATH] = {};
  MultiByteToWideChar(CP_ACP, 0, path.c_str(), -1, wide, MAX_PATH);
  if (file && SUCCEEDED(file->Load(wide, STGM_READ))) {
    char buf[MAX_PATH] = {};
    shell_link->GetPath(buf, MAX_PATH, nullptr, SLGP_RAWPATH);
    link.target = buf;
    buf[0] = 0;
    shell_link->GetWorkingDirectory(buf, MAX_PATH);
    link.working_dir = buf;
    buf[0] = 0;
    shell_link->GetDescription(buf, MAX_PATH);
    link.description = buf;
  }
  if (file) file->Release();
  shell_link->Release();
  return link;
}

// Output of `reg query KEY /ve` (Wine's reg.exe).
std::string RegQuery(const std::string& key) {
  driver::ChildProcess reg;
  if (!reg.Start("reg.exe query \"" + key + "\" /ve", true) || !reg.Wait(kWaitMs)) return "";
  return reg.output();
}

// --- setup.exe's windows, seen from outside ----------------------------------

struct Found {
  DWORD pid;
  HWND exclude;
  const char* caption;
  HWND wnd;
};
BOOL CALLBACK FindBox(HWND wnd, LPARAM lp) {
  auto* f = reinterpret_cast<Found*>(lp);
  DWORD pid = 0;
  GetWindowThreadProcessId(wnd, &pid);
  if (wnd == f->exclude || (f->pid && pid != f->pid) || !IsWindowVisible(wnd)) return TRUE;
  if (driver::WindowText(wnd) != f->caption) return TRUE;
  f->wnd = wnd;
  return FALSE;
}
// A visible top-level window with this caption other than `exclude`.
HWND WaitForOther(const char* caption, DWORD pid, HWND exclude, int timeout_ms = kWaitMs) {
  Found f{pid, exclude, caption, nullptr};
  WaitUntil(
      [&] {
        EnumWindows(FindBox, reinterpret_cast<LPARAM>(&f));
        return f.wnd != nullptr;
      },
      timeout_ms);
  return f.wnd;
}

HWND Control(HWND wnd, int id) {
  for (const driver::Control& c : driver::ChildControls(wnd))
    if (c.id == id) return c.hwnd;
  return nullptr;
}
HWND Button(HWND wnd, const std::string& caption) {
  for (const driver::Control& c : driver::ChildControls(wnd))
    if (c.class_name == "Button" && c.text == caption) return c.hwnd;
  return nullptr;
}
std::string GetText(HWND wnd) {
  char buf[4096] = {};
  SendMessageA(wnd, WM_GETTEXT, sizeof buf, reinterpret_cast<LPARAM>(buf));
  return buf;
}
// The texts of the labels and link labels of a window.
std::vector<std::string> LabelTexts(HWND wnd) {
  std::vector<std::string> texts;
  for (const driver::Control& c : driver::ChildControls(wnd))
    if ((c.class_name == "Static" || c.class_name == "KestroLinkLabel") && !c.text.empty())
      texts.push_back(c.text);
  return texts;
}
// Clicks a control with the left mouse button, the way the user does.
void Click(HWND control) {
  PostMessageA(control, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(2, 2));
  PostMessageA(control, WM_LBUTTONUP, 0, MAKELPARAM(2, 2));
}
// The static texts of a message box, joined.
std::string BoxText(HWND box) {
  std::string text;
  for (const std::string& t : driver::StaticTexts(box)) text += t;
  return text;
}

// Starts a command line; a start that Wine refuses once (seen under heavy
// load) is tried again, and the refusal is printed.
bool StartProgram(driver::ChildProcess& process, const std::string& command) {
  for (int attempt = 0; attempt < 3; ++attempt) {
    if (process.Start(command)) return true;
    std::cerr << "cannot start " << command << ": error " << GetLastError() << "\n";
    Sleep(500);
  }
  return false;
}

// Runs the registered uninstall command, answers its question with Yes and
// returns the text of its closing box.
std::string Uninstall() {
  const std::string command =
      RegValue(HKEY_LOCAL_MACHINE, "software\\microsoft\\windows\\currentversion\\uninstall\\tessaronkestro",
               "UninstallString");
  driver::ChildProcess un;
  if (!StartProgram(un, command)) return "<not started: " + command + ">";
  HWND ask = driver::WaitForWindow("Setup", un.pid(), kWaitMs);
  if (!ask || !driver::PressButton(ask, "Yes") || !driver::WaitWindowGone(ask, kWaitMs))
    return "<no question>";
  HWND report = driver::WaitForWindow("Setup", un.pid(), kWaitMs);
  if (!report) return "<no report>";
  std::string text = BoxText(report);
  driver::PressButton(report, "OK");
  un.Wait(kWaitMs);
  return text;
}

class SetupRun {
 public:
  // Starts setup.exe from `dir` and waits for its wizard.
  explicit SetupRun(const std::string& dir, const std::string& current_dir = "") {
    started_ = process_.Start("\"" + dir + "\\setup.exe\"", false, current_dir);
    if (started_) wiz_ = driver::WaitForWindow("Setup", process_.pid(), kWaitMs);
  }
  ~SetupRun() { process_.Kill(); }

  HWND wiz() const { return wiz_; }
  DWORD pid() const { return process_.pid(); }
  driver::ChildProcess& process() { return process_; }

  std::string Page() const {
    for (const driver::Control& c : driver::ChildControls(wiz_))
      if (GetParent(c.hwnd) == wiz_ && IsWindowVisible(c.hwnd) && c.class_name == "#32770") return c.text;
    return "";
  }
  bool Enabled(const std::string& caption) const {
    HWND b = Button(wiz_, caption);
    return b && IsWindowEnabled(b);
  }
  bool Press(const std::string& caption) { return driver::PressButton(wiz_, caption); }
  // Presses Next and waits until the page is `page`.
  bool NextTo(const std::string& page) {
    return Press("&Next >") && WaitUntil([&] { return Page() == page; });
  }
  std::string Folder() const { return GetText(Control(wiz_, kFolE)); }
  void SetFolder(const std::string& text) {
    SendMessageA(Control(wiz_, kFolE), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()));
  }
  // Walks to the Folder page, enters `folder` and presses Next.
  bool StartInstall(const std::string& folder) {
    if (!NextTo("License") || !NextTo("Folder")) return false;
    SetFolder(folder);
    return Press("&Next >");
  }
  // Installs into `folder` and waits for the Done page with its Finish.
  bool Install(const std::string& folder) { return StartInstall(folder) && WaitForDone(); }
  bool WaitForDone() {
    return WaitUntil([&] { return Page() == "Done" && Enabled("&Finish"); });
  }
  bool Finish() { return Press("&Finish") && process_.Wait(kWaitMs); }

 private:
  driver::ChildProcess process_;
  bool started_ = false;
  HWND wiz_ = nullptr;
};

// --- the fixture: a release folder beside a copy of setup.exe ----------------

class SetupTest : public ::testing::Test {
 protected:
  void SetUp() override {
    CoInitialize(nullptr);
    work_ = driver::WinePath(KESTRO_TEST_WORK);
    CreateDirectoryA(work_.c_str(), nullptr);
    work_ += "\\" + std::string(::testing::UnitTest::GetInstance()->current_test_info()->name());
    RemoveTree(work_);
    ASSERT_TRUE(CreateDirectoryA(work_.c_str(), nullptr)) << work_;
    src_ = work_ + "\\release";
    CreateDirectoryA(src_.c_str(), nullptr);
    Put(KESTRO_SETUP_EXE, "setup.exe");
    Put(KESTRO_STANDIN_EXE, "kestro.ex_");
    Put(KESTRO_COMPILER_EXE, "Compiler.ex_");
    Put(KESTRO_STUB, "Stub1.da_");
    Put(KESTRO_UNINSTALL_EXE, "Untessa.ex_");
    for (const char* text : {"Readme.txt", "License.txt", "Order.txt"}) Put(KESTRO_RELEASE_DIR, text, text);
  }
  void TearDown() override { CoUninitialize(); }

  void Put(const char* host_path, const char* name, const char* leaf = nullptr) {
    std::string from = driver::WinePath(host_path);
    if (leaf) from += std::string("\\") + leaf;
    ASSERT_TRUE(CopyFileA(from.c_str(), (src_ + "\\" + name).c_str(), FALSE)) << from;
  }

  // Every installed file byte-identical to its source.
  void ExpectInstalled(const std::string& folder) {
    ExpectInstalledFilesOnly(folder);
    EXPECT_EQ(ReadAll(WindowsFolder() + "\\Unkest70.exe"), ReadAll(src_ + "\\Untessa.ex_"));
  }
  void ExpectInstalledFilesOnly(const std::string& folder) {
    for (const setup::InstalledFile& f : setup::kInstallFiles) {
      std::string source = ReadAll(src_ + "\\" + f.source);
      ASSERT_FALSE(source.empty()) << f.source;
      EXPECT_EQ(ReadAll(folder + "\\" + f.destination), source) << f.destination;
    }
  }

  // The registry entries of an installation into `folder`.
  void ExpectRegistered(const std::string& folder) {
    EXPECT_EQ(RegValue(HKEY_CLASSES_ROOT, ".tkp", ""), "tessaronkestro");
    EXPECT_EQ(RegValue(HKEY_CLASSES_ROOT, "tessaronkestro", ""), "tessaron Kestro Projectfile");
    EXPECT_EQ(RegValue(HKEY_CLASSES_ROOT, "tessaronkestro\\shell\\open\\command", ""),
              "\"" + folder + "\\kestro.exe\" \"%1\"");
    EXPECT_EQ(RegValue(HKEY_CLASSES_ROOT, "tessaronkestro\\defaulticon", ""), folder + "\\kestro.exe,0");
    EXPECT_EQ(RegValue(HKEY_LOCAL_MACHINE, "Software\\tessaron\\Kestro\\1.4", "InstallPath"), folder);
    const std::string uninstall = "software\\microsoft\\windows\\currentversion\\uninstall\\tessaronkestro";
    EXPECT_EQ(RegValue(HKEY_LOCAL_MACHINE, uninstall, "DisplayName"), "tessaron Kestro 1.4");
    EXPECT_EQ(RegValue(HKEY_LOCAL_MACHINE, uninstall, "UninstallString"),
              "\"" + WindowsFolder() + "\\Unkest70.exe\" Uninstall");
  }

  std::string work_, src_;
};

TEST_F(SetupTest, PagesCaptionsBackRulesAndTheAboutBox) {
  SetupRun setup(src_, "C:\\windows");
  ASSERT_TRUE(setup.wiz()) << "the wizard did not come up";
  HWND main = driver::WaitForWindow("tessaron Kestro - Setup", setup.pid(), kWaitMs);
  ASSERT_TRUE(main);
  RECT client;
  GetClientRect(setup.wiz(), &client);
  EXPECT_EQ(client.right, 433);
  EXPECT_EQ(client.bottom, 263);
  EXPECT_TRUE(GetWindowLongA(setup.wiz(), GWL_EXSTYLE) & WS_EX_TOPMOST);

  EXPECT_EQ(setup.Page(), "Welcome");
  EXPECT_FALSE(setup.Enabled("< &Back"));
  EXPECT_TRUE(setup.Enabled("&Next >"));
  EXPECT_TRUE(setup.Enabled("&Cancel"));
  std::vector<std::string> texts = LabelTexts(setup.wiz());
  auto shown = [&](const std::string& text) {
    for (const std::string& t : texts)
      if (t == text) return true;
    return false;
  };
  for (const char* text :
       {"Welcome to tessaron Kestro 1.4 Setup", "License Agreement", "Select installation folder",
        "tessaron Kestro has been successfully installed.", "Open Readme file", "Run tessaron Kestro",
        "To begin with setup of tessaron Kestro press \"Next\" now.",
        "Click \"Next\" to continue and begin with the installation..."})
    EXPECT_TRUE(shown(text)) << text;

  ASSERT_TRUE(setup.NextTo("License"));
  EXPECT_TRUE(setup.Enabled("< &Back"));
  HWND memo = nullptr;
  for (const driver::Control& c : driver::ChildControls(setup.wiz()))
    if (c.class_name == "Edit" && c.id != kFolE) memo = c.hwnd;
  ASSERT_TRUE(memo);
  EXPECT_EQ(GetText(memo).substr(0, 48), "tessaron Kestro 1.4 - End-User License Agreement");
  EXPECT_TRUE(GetWindowLongA(memo, GWL_STYLE) & ES_READONLY);

  ASSERT_TRUE(setup.NextTo("Folder"));
  EXPECT_EQ(setup.Folder(), "C:\\tessaron Kestro");
  // Browse: the box grows and narrows, leaving Browse outside it.
  HWND browse = Control(setup.wiz(), kButton4);
  HWND box = GetParent(browse);
  RECT r;
  GetClientRect(box, &r);
  EXPECT_EQ(r.bottom, 47);
  POINT at = {0, 0};
  MapWindowPoints(browse, box, &at, 1);
  EXPECT_LT(at.x, r.right) << "Browse is visible before it is used";
  ASSERT_TRUE(setup.Press("&Browse..."));
  ASSERT_TRUE(WaitUntil([&] {
    GetClientRect(box, &r);
    return r.bottom == 142;
  }));
  EXPECT_EQ(r.right, 227);
  EXPECT_GE(at.x, r.right) << "Browse is still inside the box";

  // A click in the directory list: the folder plus "tessaron Kestro"; the
  // list started in C:\windows (C:\ on line 0, windows on line 1).
  HWND dd = Control(setup.wiz(), kDD);
  for (auto [line, expected] :
       {std::pair<int, const char*>{1, "C:\\windows\\tessaron Kestro"}, {0, "C:\\tessaron Kestro"}}) {
    SendMessageA(dd, LB_SETCURSEL, line, 0);
    SendMessageA(box, WM_COMMAND, MAKEWPARAM(kDD, LBN_SELCHANGE), reinterpret_cast<LPARAM>(dd));
    EXPECT_EQ(setup.Folder(), expected);
  }
  // A double click opens the folder: the list shows the folders of C:\,
  // "users" among them, and a click on one of them names it.
  SendMessageA(dd, LB_SETCURSEL, 0, 0);
  SendMessageA(box, WM_COMMAND, MAKEWPARAM(kDD, LBN_DBLCLK), reinterpret_cast<LPARAM>(dd));
  EXPECT_EQ(setup.Folder(), "C:\\tessaron Kestro");
  LRESULT users =
      SendMessageA(dd, LB_FINDSTRINGEXACT, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>("users"));
  ASSERT_GT(users, 0) << "C:\\ was not opened";
  SendMessageA(dd, LB_SETCURSEL, users, 0);
  SendMessageA(box, WM_COMMAND, MAKEWPARAM(kDD, LBN_SELCHANGE), reinterpret_cast<LPARAM>(dd));
  EXPECT_EQ(lstrcmpiA(setup.Folder().c_str(), "C:\\users\\tessaron Kestro"), 0) << setup.Folder();

  // Choosing a drive moves the list to that drive's current folder, and the
  // edit follows the list.
  HWND drives = Control(setup.wiz(), kDriveComboBox1);
  for (auto [drive, expected] : {std::pair<const char*, const char*>{"z:", "Z:\\tessaron Kestro"},
                                 {"c:", "C:\\windows\\tessaron Kestro"}}) {
    // A drive's line may carry its volume label after the letter.
    LRESULT index =
        SendMessageA(drives, CB_FINDSTRING, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(drive));
    ASSERT_GE(index, 0) << drive;
    SendMessageA(drives, CB_SETCURSEL, index, 0);
    SendMessageA(box, WM_COMMAND, MAKEWPARAM(kDriveComboBox1, CBN_SELCHANGE),
                 reinterpret_cast<LPARAM>(drives));
    EXPECT_EQ(setup.Folder(), expected);
  }

  ASSERT_TRUE(setup.Press("< &Back"));
  ASSERT_TRUE(WaitUntil([&] { return setup.Page() == "License"; }));
  EXPECT_TRUE(setup.Enabled("< &Back"));
  ASSERT_TRUE(setup.Press("< &Back"));
  ASSERT_TRUE(WaitUntil([&] { return setup.Page() == "Welcome"; }));
  EXPECT_FALSE(setup.Enabled("< &Back"));

  // The about box from the system menu's command 9999, "1.0.2.1" each time.
  // (Another process's system menu cannot be read under Wine.)
  for (int i = 0; i < 2; ++i) {
    PostMessageA(main, WM_SYSCOMMAND, 9999, 0);
    HWND about = driver::WaitForWindow("Info", setup.pid(), kWaitMs);
    ASSERT_TRUE(about);
    std::vector<std::string> about_texts = driver::StaticTexts(about);
    EXPECT_NE(std::find(about_texts.begin(), about_texts.end(), "1.0.2.1"), about_texts.end());
    ASSERT_TRUE(driver::PressButton(about, "OK"));
    ASSERT_TRUE(driver::WaitWindowGone(about, kWaitMs));
  }

  // The title-bar button only hides the wizard; closing the background
  // window ends the program.
  PostMessageA(setup.wiz(), WM_CLOSE, 0, 0);
  ASSERT_TRUE(driver::WaitWindowGone(setup.wiz(), kWaitMs));
  EXPECT_FALSE(setup.process().Wait(500));
  PostMessageA(main, WM_CLOSE, 0, 0);
  EXPECT_TRUE(setup.process().Wait(kWaitMs));
}

TEST_F(SetupTest, CancelOnAnyPageEndsAtOnce) {
  for (int page = 0; page < 3; ++page) {
    SetupRun setup(src_);
    ASSERT_TRUE(setup.wiz());
    for (int i = 0; i < page; ++i) ASSERT_TRUE(setup.Press("&Next >"));
    const char* names[] = {"Welcome", "License", "Folder"};
    ASSERT_TRUE(WaitUntil([&] { return setup.Page() == names[page]; }));
    ASSERT_TRUE(setup.Press("&Cancel"));
    EXPECT_TRUE(setup.process().Wait(kWaitMs)) << names[page];
  }
  EXPECT_FALSE(KeyExists(HKEY_CLASSES_ROOT, ".tkp"));
}

TEST_F(SetupTest, InstallsIntoAFolderWithABlankAndRegistersQuotedCommands) {
  const std::string folder = "C:\\tessaron Kestro";
  SetupRun setup(src_);
  ASSERT_TRUE(setup.wiz());
  ASSERT_TRUE(setup.Install(folder + "\\"));  // the trailing backslash is dropped
  EXPECT_EQ(setup.Folder(), folder);
  EXPECT_FALSE(setup.Enabled("< &Back"));
  EXPECT_FALSE(setup.Enabled("&Cancel"));
  ExpectInstalled(folder);
  ExpectRegistered(folder);
  EXPECT_NE(RegQuery("HKCR\\tessaronkestro\\shell\\open\\command")
                .find("\"C:\\tessaron Kestro\\kestro.exe\" \"%1\""),
            std::string::npos);

  std::string programs = ProgramsFolder();
  ASSERT_NE(programs, "<none>");
  Link link = ReadLink(programs + "\\tessaron Kestro.lnk");
  EXPECT_EQ(lstrcmpiA(link.target.c_str(), (folder + "\\kestro.exe").c_str()), 0) << link.target;
  EXPECT_EQ(link.working_dir, folder + "\\");
  EXPECT_EQ(link.description, "");

  // A click on "Run tessaron Kestro" opens the installed program in its
  // folder.
  HWND seapp = Control(setup.wiz(), kSEapp);
  ASSERT_TRUE(seapp);
  Click(seapp);
  ASSERT_TRUE(WaitUntil([&] { return Exists(folder + "\\started.txt"); }));
  EXPECT_NE(ReadAll(folder + "\\started.txt").find("\n" + folder + "\n"), std::string::npos);
  DeleteFileA((folder + "\\started.txt").c_str());
  EXPECT_TRUE(setup.Finish());

  // A project opened through the association starts the program with its
  // path, quoted, although the folder name has a blank.
  const std::string project = work_ + "\\my project.tkp";
  WriteAll(project, "[Settings]\r\n");
  driver::ChildProcess start;
  ASSERT_TRUE(start.Start("start.exe \"" + project + "\""));
  ASSERT_TRUE(WaitUntil([&] { return Exists(folder + "\\started.txt"); }));
  std::string record = ReadAll(folder + "\\started.txt");
  EXPECT_NE(record.find("\"" + project + "\""), std::string::npos) << record;
}

TEST_F(SetupTest, ASecondInstallOverwritesAndLeavesOneSetOfEntries) {
  {
    SetupRun setup(src_);
    ASSERT_TRUE(setup.Install("C:\\first place"));
    ASSERT_TRUE(setup.Finish());
  }
  const std::string second = "C:\\second place";
  ASSERT_TRUE(CreateDirectoryA(second.c_str(), nullptr));
  WriteAll(second + "\\Readme.txt", "an older readme");
  WriteAll(second + "\\_setup.tn", "marker");
  {
    SetupRun setup(src_);
    ASSERT_TRUE(setup.Install(second));
    ASSERT_TRUE(setup.Finish());
  }
  ExpectInstalled(second);
  ExpectRegistered(second);
  EXPECT_FALSE(Exists(second + "\\_setup.tn"));
  std::vector<std::string> keys = SubKeys(HKEY_CLASSES_ROOT, "tessaronkestro");
  EXPECT_EQ(keys.size(), 2u);
  std::vector<std::string> links;
  for (const std::string& name : FilesIn(ProgramsFolder()))
    if (name.find("tessaron Kestro") != std::string::npos) links.push_back(name);
  ASSERT_EQ(links.size(), 1u);
  Link link = ReadLink(ProgramsFolder() + "\\" + links[0]);
  EXPECT_EQ(link.working_dir, second + "\\");

  // Another program has taken ".tkp" over: the uninstaller leaves it alone,
  // and removes the link from the Programs folder.
  HKEY tkp;
  ASSERT_EQ(RegOpenKeyExA(HKEY_CLASSES_ROOT, ".tkp", 0, KEY_ALL_ACCESS, &tkp), ERROR_SUCCESS);
  RegSetValueExA(tkp, "", 0, REG_SZ, reinterpret_cast<const BYTE*>("otherapp"), 9);
  RegCloseKey(tkp);
  std::string text = Uninstall();
  EXPECT_EQ(text.find("Could not be removed"), std::string::npos) << text;
  EXPECT_EQ(RegValue(HKEY_CLASSES_ROOT, ".tkp", ""), "otherapp");
  EXPECT_FALSE(KeyExists(HKEY_CLASSES_ROOT, "tessaronkestro"));
  EXPECT_FALSE(Exists(ProgramsFolder() + "\\tessaron Kestro.lnk"));
  EXPECT_FALSE(Exists(second));
  EXPECT_TRUE(Exists("C:\\first place\\Kestro.exe")) << "only the last installation is known";
}

TEST_F(SetupTest, AFolderThatCannotBeMadeKeepsTheFolderPage) {
  WriteAll("C:\\a file", "not a folder");
  const struct {
    const char* folder;
    const char* box;
  } cases[] = {
      {"C:\\no such parent\\Kestro", "Ung\xFCltiger Dateiname."},
      {"C:\\a file", "I/O-Fehler 183."},
  };
  SetupRun setup(src_);
  ASSERT_TRUE(setup.NextTo("License"));
  ASSERT_TRUE(setup.NextTo("Folder"));
  for (const auto& c : cases) {
    setup.SetFolder(std::string(c.folder) + "\\");
    ASSERT_TRUE(setup.Press("&Next >"));
    HWND box = WaitForOther("Setup", setup.pid(), setup.wiz());
    ASSERT_TRUE(box) << c.folder;
    EXPECT_EQ(BoxText(box), c.box);
    ASSERT_TRUE(driver::PressButton(box, "OK"));
    ASSERT_TRUE(driver::WaitWindowGone(box, kWaitMs));
    EXPECT_EQ(setup.Page(), "Folder");
    EXPECT_EQ(setup.Folder(), c.folder);
    EXPECT_TRUE(IsWindowVisible(setup.wiz()));
  }
  EXPECT_FALSE(Exists("C:\\no such parent"));
  EXPECT_FALSE(Exists(WindowsFolder() + "\\Unkest70.exe"));
  EXPECT_FALSE(KeyExists(HKEY_CLASSES_ROOT, ".tkp"));
}

// A registry failure ends the installation where it happens: a Programs
// folder entry that is not a string stops it before any entry is written.
TEST_F(SetupTest, AProgramsEntryOfTheWrongTypeEndsTheInstallation) {
  HKEY shell;
  ASSERT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, setup::kShellFoldersKey, 0, KEY_ALL_ACCESS, &shell),
            ERROR_SUCCESS);
  DWORD number = 7;
  RegSetValueExA(shell, "Programs", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&number), sizeof number);
  RegCloseKey(shell);
  SetupRun setup(src_);
  ASSERT_TRUE(setup.StartInstall("C:\\tessaron Kestro"));
  HWND box = WaitForOther("Setup", setup.pid(), setup.wiz());
  ASSERT_TRUE(box);
  EXPECT_EQ(BoxText(box), "Ung\xFCltiger Datentyp f\xFCr 'Programs'.");
  ASSERT_TRUE(driver::PressButton(box, "OK"));
  ASSERT_TRUE(driver::WaitWindowGone(box, kWaitMs));
  EXPECT_FALSE(IsWindowVisible(setup.wiz()));
  ExpectInstalledFilesOnly("C:\\tessaron Kestro");
  EXPECT_FALSE(KeyExists(HKEY_CLASSES_ROOT, ".tkp"));
  EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, "Software\\tessaron"));
}

TEST_F(SetupTest, AFailedCopyStopsBeforeTheRegistryAndCanBeCompletedLater) {
  const std::string folder = "C:\\tessaron Kestro";
  const std::string readme = ReadAll(src_ + "\\Readme.txt");
  ASSERT_TRUE(DeleteFileA((src_ + "\\Readme.txt").c_str()));
  SetupRun setup(src_);
  ASSERT_TRUE(setup.StartInstall(folder));
  HWND box = WaitForOther("Setup", setup.pid(), setup.wiz());
  ASSERT_TRUE(box);
  std::string text = BoxText(box);
  EXPECT_NE(text.find("Readme.txt"), std::string::npos) << text;
  EXPECT_NE(text.find("Datei nicht gefunden"), std::string::npos) << text;
  ASSERT_TRUE(driver::PressButton(box, "OK"));
  ASSERT_TRUE(driver::WaitWindowGone(box, kWaitMs));
  EXPECT_EQ(setup.Page(), "Folder");
  EXPECT_TRUE(setup.Enabled("< &Back"));
  EXPECT_TRUE(Exists(folder + "\\Kestro.exe"));
  EXPECT_TRUE(Exists(folder + "\\Compiler.exe"));
  for (const char* name : {"License.txt", "Stub1.dat", "Order.txt"})
    EXPECT_FALSE(Exists(folder + "\\" + name));
  EXPECT_FALSE(Exists(WindowsFolder() + "\\Unkest70.exe"));
  EXPECT_FALSE(Exists(ProgramsFolder() + "\\tessaron Kestro.lnk"));
  EXPECT_FALSE(KeyExists(HKEY_CLASSES_ROOT, ".tkp"));
  EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, "Software\\tessaron"));

  // With the file back, Next again completes the installation.
  WriteAll(src_ + "\\Readme.txt", readme);
  ASSERT_TRUE(setup.Press("&Next >"));
  ASSERT_TRUE(setup.WaitForDone());
  ExpectInstalled(folder);
  ExpectRegistered(folder);
  EXPECT_TRUE(setup.Finish());
}

TEST_F(SetupTest, UninstallAsksFirstThenRemovesEverything) {
  const std::string folder = "C:\\tessaron Kestro";
  // No Programs folder: the link lands in the installation folder.
  HKEY shell;
  ASSERT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, setup::kShellFoldersKey, 0, KEY_ALL_ACCESS, &shell),
            ERROR_SUCCESS);
  RegDeleteValueA(shell, "Programs");
  RegCloseKey(shell);
  {
    SetupRun setup(src_);
    ASSERT_TRUE(setup.Install(folder));
    ASSERT_TRUE(setup.Finish());
  }
  ASSERT_EQ(ReadLink(folder + "\\tessaron Kestro.lnk").working_dir, folder + "\\");
  const std::string command =
      RegValue(HKEY_LOCAL_MACHINE, "software\\microsoft\\windows\\currentversion\\uninstall\\tessaronkestro",
               "UninstallString");

  {  // Without its argument it only says how it is used.
    driver::ChildProcess un;
    ASSERT_TRUE(StartProgram(un, "\"" + WindowsFolder() + "\\Unkest70.exe\""));
    HWND box = driver::WaitForWindow("Setup", un.pid(), kWaitMs);
    ASSERT_TRUE(box);
    EXPECT_NE(BoxText(box).find("Usage: Unkest70.exe Uninstall"), std::string::npos);
    driver::PressButton(box, "OK");
    ASSERT_TRUE(un.Wait(kWaitMs));
  }
  {  // "No" keeps everything.
    driver::ChildProcess un;
    ASSERT_TRUE(StartProgram(un, command));
    HWND box = driver::WaitForWindow("Setup", un.pid(), kWaitMs);
    ASSERT_TRUE(box);
    ASSERT_TRUE(driver::PressButton(box, "No"));
    ASSERT_TRUE(un.Wait(kWaitMs));
    ExpectInstalled(folder);
    ExpectRegistered(folder);
  }
  std::string text = Uninstall();
  EXPECT_EQ(text.find("Could not be removed"), std::string::npos) << text;

  EXPECT_FALSE(Exists(folder)) << text;
  for (const char* key : {".tkp", "tessaronkestro"}) EXPECT_FALSE(KeyExists(HKEY_CLASSES_ROOT, key)) << key;
  EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, "Software\\tessaron"));
  EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE,
                         "software\\microsoft\\windows\\currentversion\\uninstall\\tessaronkestro"));
  // Only the uninstaller is left, reported and scheduled for the restart.
  const std::string self = WindowsFolder() + "\\Unkest70.exe";
  EXPECT_NE(text.find("Removed when Windows restarts next:\r\n  " + self), std::string::npos) << text;
  HKEY session;
  ASSERT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, "System\\CurrentControlSet\\Control\\Session Manager", 0,
                          KEY_READ, &session),
            ERROR_SUCCESS);
  std::vector<char> pending(8192);
  DWORD size = static_cast<DWORD>(pending.size());
  LONG got = RegQueryValueExA(session, "PendingFileRenameOperations", nullptr, nullptr,
                              reinterpret_cast<BYTE*>(pending.data()), &size);
  RegCloseKey(session);
  ASSERT_EQ(got, ERROR_SUCCESS);
  std::string ops(pending.data(), size);
  EXPECT_NE(ops.find("Unkest70.exe"), std::string::npos);
}

// The one-file installer: the release project compiled in run mode with
// setup.exe as the program.
class OneFileInstaller : public SetupTest {
 protected:
  // Compiles the release project over the files in src_ into `output`.
  void Compile(const std::string& output) {
    CreateDirectoryA((work_ + "\\project").c_str(), nullptr);
    const std::string project = work_ + "\\project\\KestroSetup.tkp";
    ASSERT_TRUE(CopyFileA((driver::WinePath(KESTRO_RELEASE_DIR) + "\\KestroSetup.tkp").c_str(),
                          project.c_str(), FALSE));
    driver::ChildProcess compiler;
    ASSERT_TRUE(compiler.Start("\"" + driver::WinePath(KESTRO_CONSOLE_COMPILER) + "\" --yes --stub \"" +
                                   driver::WinePath(KESTRO_STUB) + "\" \"" + project + "\" \"" + output +
                                   "\" \"" + src_ + "\"",
                               true));
    ASSERT_TRUE(compiler.Wait(120000));
    ASSERT_EQ(compiler.exit_code(), 0u) << compiler.output();
  }

  // Runs the installer with its private folder under work_\tmp, installs
  // into `folder` and checks that the private folder is gone afterwards.
  void RunInstaller(const std::string& exe, const std::string& folder) {
    const std::string tmp = work_ + "\\tmp";
    CreateDirectoryA(tmp.c_str(), nullptr);
    SetEnvironmentVariableA("TMP", tmp.c_str());
    SetEnvironmentVariableA("TEMP", tmp.c_str());
    driver::ChildProcess installer;
    ASSERT_TRUE(installer.Start("\"" + exe + "\""));
    HWND wiz = driver::WaitForWindow("Setup", 0, 60000);
    ASSERT_TRUE(wiz) << "the installer did not come up";
    DWORD pid = 0;
    GetWindowThreadProcessId(wiz, &pid);
    EXPECT_NE(pid, installer.pid());
    ASSERT_TRUE(driver::PressButton(wiz, "&Next >"));
    Sleep(300);
    ASSERT_TRUE(driver::PressButton(wiz, "&Next >"));
    Sleep(300);
    SendMessageA(Control(wiz, kFolE), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(folder.c_str()));
    ASSERT_TRUE(driver::PressButton(wiz, "&Next >"));
    ASSERT_TRUE(WaitUntil([&] { return Button(wiz, "&Finish") != nullptr && IsWindowVisible(wiz); }, 60000));
    ASSERT_TRUE(driver::PressButton(wiz, "&Finish"));
    ASSERT_TRUE(installer.Wait(60000));
    EXPECT_EQ(installer.exit_code(), 0u);
    EXPECT_TRUE(FilesIn(tmp).empty()) << "the private folder is left: " << FilesIn(tmp)[0];
  }
};

TEST_F(OneFileInstaller, ExtractsRunsSetupAndCleansUp) {
  const std::string exe = work_ + "\\KestroSetup.exe";
  Compile(exe);
  RunInstaller(exe, "C:\\tessaron Kestro");
  ExpectInstalled("C:\\tessaron Kestro");
  ExpectRegistered("C:\\tessaron Kestro");
}

std::string Manifest(const std::string& exe) {
  HMODULE module =
      LoadLibraryExA(exe.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE);
  if (!module) return "<cannot load " + exe + ">";
  std::string text;
  if (HRSRC res = FindResourceA(module, MAKEINTRESOURCEA(1), MAKEINTRESOURCEA(24)))  // RT_MANIFEST
    text.assign(static_cast<const char*>(LockResource(LoadResource(module, res))),
                SizeofResource(module, res));
  FreeLibrary(module);
  return text;
}

// Setup and the uninstaller write HKEY_CLASSES_ROOT, HKEY_LOCAL_MACHINE and
// the Windows folder: they ask for administrator rights. The one-file
// installer itself does not; it elevates when it starts setup.
TEST_F(OneFileInstaller, OnlySetupAndTheUninstallerAskForAdministratorRights) {
  const std::string exe = work_ + "\\KestroSetup.exe";
  Compile(exe);
  for (const std::string& path : {src_ + "\\setup.exe", src_ + "\\Untessa.ex_"})
    EXPECT_NE(Manifest(path).find("level=\"requireAdministrator\""), std::string::npos) << path;
  EXPECT_NE(Manifest(exe).find("level=\"asInvoker\""), std::string::npos);
}

TEST_F(OneFileInstaller, TheInstalledWizardShowsItsWelcomeAndOpensProjects) {
  const std::string wizard = driver::WinePath(KESTRO_WIZARD_EXE);
  if (!Exists(wizard)) GTEST_SKIP() << "dist/windows/Kestro.exe (the wizard) is not built in this tree yet";
  ASSERT_TRUE(CopyFileA(wizard.c_str(), (src_ + "\\kestro.ex_").c_str(), FALSE));
  // Built here from this tree's programs: a dist/KestroSetup.exe from an
  // earlier `make release` may carry an older wizard.
  const std::string exe = work_ + "\\KestroSetup.exe";
  Compile(exe);
  const std::string folder = "C:\\tessaron Kestro";
  RunInstaller(exe, folder);

  driver::ChildProcess kestro;
  ASSERT_TRUE(kestro.Start("\"" + folder + "\\Kestro.exe\""));
  HWND main = driver::WaitForWindow("tessaron Kestro", kestro.pid(), kWaitMs);
  ASSERT_TRUE(main);
  std::vector<std::string> texts = driver::StaticTexts(main);
  EXPECT_NE(std::find(texts.begin(), texts.end(), "Welcome to tessaron Kestro"), texts.end());
  kestro.Kill();

  // A project opened through the association: the shell hands the wizard
  // the quoted path (a blank in it), so it starts with "Loading ..." and ends
  // on the source files page with the project loaded; a broken path would
  // leave it on the welcome page behind the missing-project notice.
  const std::string project = work_ + "\\opened project.tkp";
  WriteAll(project, "[Settings]\r\nCaption=Opened Through The Shell\r\n[Files]\r\nNumFiles=0\r\n");
  driver::ChildProcess start;
  ASSERT_TRUE(start.Start("start.exe \"" + project + "\""));
  HWND opened = driver::WaitForWindow("tessaron Kestro", 0, kWaitMs);
  ASSERT_TRUE(opened);
  EXPECT_TRUE(WaitUntil([&] {
    for (const driver::Control& c : driver::ChildControls(opened))
      if (GetText(c.hwnd) == "Source Files" && IsWindowVisible(c.hwnd)) return true;
    return false;
  }));
  EXPECT_TRUE(WaitUntil([&] {
    for (const driver::Control& c : driver::ChildControls(opened))
      if (c.class_name == "Edit" && GetText(c.hwnd) == "Opened Through The Shell") return true;
    return false;
  }));
  DWORD pid = 0;
  GetWindowThreadProcessId(opened, &pid);
  if (HANDLE h = OpenProcess(PROCESS_TERMINATE, FALSE, pid)) {
    TerminateProcess(h, 0);
    CloseHandle(h);
  }
}

}  // namespace
}  // namespace kestro
