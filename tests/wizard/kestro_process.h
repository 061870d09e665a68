// Kestro.exe as its own process in a folder of its own, for the tests that
// drive it through its real windows.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <functional>
#include <initializer_list>
#include <string>
#include <vector>

#include "common/os.h"
#include "tests/win/driver.h"

namespace kestro {

constexpr char kMain[] = "tessaron Kestro";

inline bool WaitUntil(const std::function<bool()>& done, int timeout_ms = 15000) {
  DWORD start = GetTickCount();
  while (!done()) {
    if (static_cast<int>(GetTickCount() - start) >= timeout_ms) return false;
    Sleep(50);
  }
  return true;
}

inline bool Has(const std::vector<std::string>& texts, const std::string& text) {
  return std::find(texts.begin(), texts.end(), text) != texts.end();
}

class KestroProcessTest : public ::testing::Test {
 protected:
  // A folder with its own copy of Kestro.exe and, if asked, project files beside it.
  std::string Install(const std::string& name, std::initializer_list<const char*> beside = {}) {
    std::string dir = std::string(KESTRO_TEST_WORK) + "/" + name;
    os::CreateDir(KESTRO_TEST_WORK);
    os::CreateDir(dir);
    for (const char* f : {"New Project.tkp", "New Project 2.tkp"}) os::RemoveFile(dir + "/" + f);
    EXPECT_EQ(os::CopyFileOver(KESTRO_EXE, dir + "/Kestro.exe"), 0);
    for (const char* f : beside) std::ofstream(dir + "/" + f) << "[Settings]\n";
    return driver::WinePath(dir) + "\\";
  }
  HWND Start(const std::string& folder, const std::string& args = "") {
    EXPECT_TRUE(
        kestro_.Start("\"" + folder + "Kestro.exe\"" + (args.empty() ? "" : " " + args), false, folder));
    return driver::WaitForWindow(kMain, kestro_.pid(), 30000);
  }
  void Click(HWND wnd, int id) {
    HWND c = driver::FindControl(wnd, id);
    ASSERT_TRUE(c) << id;
    ASSERT_TRUE(driver::ClickControl(c));
  }
  void SetText(HWND wnd, int id, const std::string& text) {
    HWND c = driver::FindControl(wnd, id);
    ASSERT_TRUE(c) << id;
    ASSERT_TRUE(driver::SetControlText(c, text));
  }
  std::string TextOf(HWND wnd, int id) { return driver::StateOf(driver::FindControl(wnd, id)).text; }
  bool Visible(HWND wnd, int id) { return driver::StateOf(driver::FindControl(wnd, id)).visible; }
  bool Checked(HWND wnd, int id) {
    return SendMessageA(driver::FindControl(wnd, id), BM_GETCHECK, 0, 0) == BST_CHECKED;
  }

  driver::ChildProcess kestro_;
};

}  // namespace kestro
