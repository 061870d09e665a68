// The stub's starting and waiting, called in this process: a window of the
// waiting thread keeps answering while it waits for the setup program and
// for RunWaitFor, and the private run-mode folder's access list.
#include <gtest/gtest.h>
// clang-format off
#include <windows.h>
#include <sddl.h>
// clang-format on

#include <stdio.h>

#include <string>

#include "common/os.h"
#include "stub/win32_actions.h"
#include "tests/win/driver.h"

using namespace kestro;

namespace {

bool g_waiting = false;
int g_answered_while_waiting = 0;

LRESULT CALLBACK AnswerProc(HWND wnd, UINT msg, WPARAM wp, LPARAM lp) {
  if (msg == WM_APP + 7) {
    if (g_waiting) ++g_answered_while_waiting;
    return 42;
  }
  return DefWindowProcA(wnd, msg, wp, lp);
}

// A hidden top-level window of this thread, as an installer's broadcast
// reaches it.
HWND MakeWindow() {
  WNDCLASSA wc = {};
  wc.lpfnWndProc = AnswerProc;
  wc.hInstance = GetModuleHandleA(nullptr);
  wc.lpszClassName = "KestroWaitTest";
  RegisterClassA(&wc);
  return CreateWindowA("KestroWaitTest", "", WS_OVERLAPPED, 0, 0, 10, 10, nullptr, nullptr, wc.hInstance,
                       nullptr);
}

std::string Hex(HWND wnd) {
  char buf[32];
  snprintf(buf, sizeof buf, "%llx", static_cast<unsigned long long>(reinterpret_cast<UINT_PTR>(wnd)));
  return buf;
}

TEST(StubWait, MessagesAreAnsweredWhileWaitingForTheSetupProgramAndForRunWaitFor) {
  std::string setup = driver::WinePath(KESTRO_SETUP_EXE);
  std::string dir = driver::WinePath(KESTRO_WAIT_WORK);
  ASSERT_TRUE(stub::MakeDirs(dir.c_str()));
  std::string asker = dir + "\\kwaitask.exe";
  ASSERT_EQ(0, os::CopyFileOver(setup, asker));
  HWND wnd = MakeWindow();
  ASSERT_NE(nullptr, wnd);
  struct Case {
    std::string params, wait_for;
  } cases[] = {
      {"--ask " + Hex(wnd), ""},                                           // the setup program asks
      {"--ask-later " + Hex(wnd) + " \"" + asker + "\"", "kwaitask.exe"},  // what it started asks
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.params);
    g_answered_while_waiting = 0;
    uint32_t code = 99;
    stub::Message msg;
    g_waiting = true;
    int rc = stub::RunAndWait(setup.c_str(), c.params.c_str(), dir.c_str(), c.wait_for.c_str(), &code, &msg);
    g_waiting = false;
    EXPECT_EQ(stub::kExitOk, rc) << msg.text;
    EXPECT_EQ(0u, code);
    EXPECT_EQ(1, g_answered_while_waiting);
  }
  DestroyWindow(wnd);
}

TEST(StubWait, ThePrivateFolderIsOpenToThisUserSystemAndAdministratorsOnly) {
  PSECURITY_DESCRIPTOR sd = stub::PrivateFolderSecurity();
  ASSERT_NE(nullptr, sd);
  SECURITY_DESCRIPTOR_CONTROL control = 0;
  DWORD revision;
  ASSERT_TRUE(GetSecurityDescriptorControl(sd, &control, &revision));
  EXPECT_TRUE(control & SE_DACL_PROTECTED) << "the parent's entries would be inherited";
  BOOL present = FALSE, defaulted = FALSE;
  PACL dacl = nullptr;
  ASSERT_TRUE(GetSecurityDescriptorDacl(sd, &present, &dacl, &defaulted));
  ASSERT_TRUE(present && dacl);
  HANDLE token;
  ASSERT_TRUE(OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token));
  union {
    TOKEN_USER user;
    char room[256];
  } info;
  DWORD size;
  ASSERT_TRUE(GetTokenInformation(token, TokenUser, &info, sizeof info, &size));
  CloseHandle(token);
  char* user = nullptr;
  ASSERT_TRUE(ConvertSidToStringSidA(info.user.User.Sid, &user));
  std::string expected[] = {"S-1-5-18", "S-1-5-32-544", user};
  LocalFree(user);
  ASSERT_EQ(3u, dacl->AceCount);
  for (DWORD i = 0; i < dacl->AceCount; ++i) {
    ACCESS_ALLOWED_ACE* ace = nullptr;
    ASSERT_TRUE(GetAce(dacl, i, reinterpret_cast<void**>(&ace)));
    EXPECT_EQ(ACCESS_ALLOWED_ACE_TYPE, ace->Header.AceType);
    EXPECT_EQ(OBJECT_INHERIT_ACE | CONTAINER_INHERIT_ACE, ace->Header.AceFlags);
    EXPECT_EQ(static_cast<DWORD>(FILE_ALL_ACCESS), ace->Mask);
    char* sid = nullptr;
    ASSERT_TRUE(ConvertSidToStringSidA(&ace->SidStart, &sid));
    EXPECT_EQ(expected[i], sid);
    LocalFree(sid);
  }
  LocalFree(sd);
  // The folder is made with it (Wine keeps only what Unix modes can hold).
  char folder[stub::kPathMax];
  ASSERT_TRUE(stub::MakePrivateFolder(folder));
  EXPECT_TRUE(stub::IsDir(folder));
  EXPECT_NE(nullptr, strstr(folder, "\\kx"));
  EXPECT_TRUE(stub::RemoveDirAt(folder));
}

}  // namespace
