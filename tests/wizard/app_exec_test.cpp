// TAppExec under Wine: a real child process started, waited for and read
// back; the start errors with their texts.
#include "wizard/app_exec.h"

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "common/os.h"
#include "tests/win/driver.h"
#include "tests/win/files.h"

namespace kestro::wizard {
namespace {

std::string WorkFolder(const std::string& name) {
  std::string dir = std::string(KESTRO_TEST_WORK) + "/" + name;
  os::CreateDir(std::string(KESTRO_TEST_WORK));
  os::CreateDir(dir);
  return driver::WinePath(dir);
}

using driver::ReadAll;

const std::string kChild = "\"" + driver::WinePath(KESTRO_APP_EXEC_CHILD) + "\"";

// Counts the timer ticks of a hidden window: they arrive only while
// somebody handles this thread's messages.
struct Ticker {
  HWND wnd = CreateWindowExA(0, "STATIC", "", 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr);
  Ticker() { SetTimer(wnd, 1, 20, nullptr); }
  ~Ticker() { DestroyWindow(wnd); }
  int Ticks() {
    MSG msg;
    int n = 0;
    while (PeekMessageA(&msg, wnd, WM_TIMER, WM_TIMER, PM_REMOVE)) ++n;
    return n;
  }
};

TEST(AppExec, WaitsForTheProgramAndTakesItsExitCode) {
  const std::string dir = WorkFolder("with blanks");
  const std::string out = dir + "\\out file.txt";
  for (int exit_code : {7, 0, 259}) {
    DeleteFileA(out.c_str());
    TAppExec ae;
    ae.ExeName = kChild;
    ae.ExeParams = {"\"" + out + "\"", "400", std::to_string(exit_code)};
    ae.Wait = true;
    int ticks_while_waiting = 0;
    ae.ProcessMessages = [&] {
      MSG msg;
      while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
        if (msg.message == WM_TIMER) ++ticks_while_waiting;
        DispatchMessageA(&msg);
      }
    };
    Ticker ticker;
    ae.Execute();
    EXPECT_EQ(ae.ErrNo(), exit_code);
    // The quoted path with blanks arrived as one argument.
    char folder[MAX_PATH] = {};
    GetCurrentDirectoryA(MAX_PATH, folder);
    EXPECT_EQ(ReadAll(out), "3\n" + out + "\n400\n" + std::to_string(exit_code) + "\n" + folder + "\n");
    EXPECT_GE(ticks_while_waiting, 3) << "messages handled while waiting";
  }
}

TEST(AppExec, DefaultMessageHandlingRunsWhileWaiting) {
  const std::string out = WorkFolder("plain") + "\\out.txt";
  TAppExec ae;
  ae.ExeName = kChild;
  ae.ExeParams = {out, "300"};
  ae.Wait = true;
  int ticks = 0;
  struct Proc {
    static LRESULT CALLBACK Count(HWND w, UINT m, WPARAM wp, LPARAM lp) {
      if (m == WM_TIMER) ++*reinterpret_cast<int*>(GetWindowLongPtrA(w, GWLP_USERDATA));
      return DefWindowProcA(w, m, wp, lp);
    }
  };
  Ticker ticker;
  SetWindowLongPtrA(ticker.wnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(&ticks));
  SetWindowLongPtrA(ticker.wnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&Proc::Count));
  PostQuitMessage(3);  // seen during the wait, and still there for the program's own loop
  ae.Execute();
  EXPECT_EQ(ae.ErrNo(), 0);
  EXPECT_GE(ticks, 3);
  MSG msg;
  ASSERT_TRUE(PeekMessageA(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
  EXPECT_EQ(msg.wParam, 3u);
}

TEST(AppExec, ChangesToExePathFirstWhenAsked) {
  const std::string dir = WorkFolder("folder");
  const std::string out = dir + "\\out.txt";
  const std::string before = os::CurrentDir();
  TAppExec ae;
  ae.ExeName = kChild;
  ae.ExeParams = {out};
  ae.Wait = true;
  ae.SetExePath(dir + "\\");
  EXPECT_EQ(ae.ExePath(), dir);
  ae.Execute();
  EXPECT_NE(ReadAll(out).find("\n" + dir + "\n"), std::string::npos) << ReadAll(out);
  SetCurrentDirectoryA(before.c_str());
}

TEST(AppExec, StartErrors) {
  const std::string out = WorkFolder("errors") + "\\out.txt";
  {
    TAppExec ae;
    ae.ExeName = "kestro-no-such-program.exe";
    ae.Wait = true;
    try {
      ae.Execute();
      FAIL() << "started";
    } catch (const EAppExecWinExec& e) {
      EXPECT_STREQ(e.what(), "Fichier non trouv\xE9");
      EXPECT_EQ(ae.ErrNo(), 2);
    }
    ae.SetLangType(LangType::ltEnglish);
    EXPECT_THROW(
        {
          try {
            ae.Execute();
          } catch (const EAppExecWinExec& e) {
            EXPECT_STREQ(e.what(), "File was not found");
            throw;
          }
        },
        EAppExecWinExec);
  }
  {
    DeleteFileA(out.c_str());
    TAppExec ae;
    ae.ExeName = kChild;
    ae.ExeParams = {out};
    ae.SetExePath("Z:\\kestro\\no\\such\\folder");
    EXPECT_THROW(ae.Execute(), EAppExecChDir);
    EXPECT_EQ(GetFileAttributesA(out.c_str()), INVALID_FILE_ATTRIBUTES) << "started after all";
    ae.ChangeDir = false;  // the folder is not looked at
    ae.Wait = true;
    ae.Execute();
    EXPECT_NE(GetFileAttributesA(out.c_str()), INVALID_FILE_ATTRIBUTES);
  }
  {
    DeleteFileA(out.c_str());
    TAppExec ae;
    ae.ExeName = kChild;
    ae.ExeParams = {out, std::string(1000, 'x')};
    ae.Wait = true;
    ae.Execute();  // a line past 511 characters starts whole
    EXPECT_NE(GetFileAttributesA(out.c_str()), INVALID_FILE_ATTRIBUTES);
    DeleteFileA(out.c_str());
    ae.ExeParams[1] = std::string(32767, 'x');  // more than the system takes
    try {
      ae.Execute();
      FAIL() << "started";
    } catch (const EAppExecWinExec& e) {
      EXPECT_STREQ(e.what(), "Erreur syst\xE8me 206");
    }
    EXPECT_EQ(GetFileAttributesA(out.c_str()), INVALID_FILE_ATTRIBUTES);
  }
}

}  // namespace
}  // namespace kestro::wizard
