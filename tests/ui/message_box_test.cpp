#include "ui/message_box.h"

#include <gtest/gtest.h>

#include "tests/win/driver.h"
#include "ui/scripted_responder.h"

namespace kestro::ui {
namespace {

TEST(MessageBoxKinds, IconAndCaptionComeFromTheKind) {
  struct Case {
    int kind;
    std::string caption;
    UINT icon;
    std::string shown_caption;
  } cases[] = {
      {kInformation, "", MB_ICONINFORMATION, "Information"},
      {kQuestion, "", MB_ICONQUESTION, "Best\xE4tigen"},
      {kWarning, "", MB_ICONWARNING, "Fehler"},
      {kStop, "", MB_ICONSTOP, "Fehler"},
      {kWarning, "Cancel Process?", MB_ICONWARNING, "Cancel Process?"},
      {kQuestion, "Gr\xFC\xDF" "e", MB_ICONQUESTION, "Gr\xFC\xDF" "e"},
  };
  for (const Case& c : cases) {
    ScriptedResponder responder;
    responder.Answer(IDNO);
    EXPECT_EQ(IDNO, ModalMessageBox("Text \xE4\xF6\xFC\r\nZeile 2", c.caption, c.kind, MB_YESNO));
    ASSERT_EQ(1u, responder.shown().size());
    const MessageBoxRequest& box = responder.shown()[0];
    EXPECT_EQ("Text \xE4\xF6\xFC\r\nZeile 2", box.text);
    EXPECT_EQ(c.shown_caption, box.caption) << "kind " << c.kind;
    EXPECT_EQ(c.icon, box.icon()) << "kind " << c.kind;
    EXPECT_EQ(static_cast<UINT>(MB_YESNO), box.buttons());
    EXPECT_TRUE(box.flags & MB_TASKMODAL);
  }
}

TEST(MessageBoxService, ResponderAnswersInOrderThenWithTheFirstButton) {
  ScriptedResponder responder;
  responder.Answer(IDNO);
  EXPECT_EQ(IDNO, MessageBoxService::ShowMessage(nullptr, "a", "b", MB_YESNO | MB_ICONQUESTION));
  EXPECT_EQ(IDYES, MessageBoxService::ShowMessage(nullptr, "c", "d", MB_YESNO));
  EXPECT_EQ(IDOK, MessageBoxService::ShowMessage(nullptr, "e", "f", MB_OK));
  ASSERT_EQ(3u, responder.shown().size());
  EXPECT_EQ(static_cast<UINT>(MB_ICONQUESTION), responder.shown()[0].icon());
  EXPECT_EQ("f", responder.shown()[2].caption);
}

TEST(ErrorBox, MessageWithPeriodUnderTheApplicationTitle) {
  SetApplicationTitle("Compiler");
  ScriptedResponder responder;
  ShowErrorBox("Datei nicht gefunden");
  ShowErrorBox("Ends in a period.");
  ASSERT_EQ(2u, responder.shown().size());
  EXPECT_EQ("Datei nicht gefunden.", responder.shown()[0].text);
  EXPECT_EQ("Ends in a period..", responder.shown()[1].text);
  for (const MessageBoxRequest& box : responder.shown()) {
    EXPECT_EQ("Compiler", box.caption);
    EXPECT_EQ(static_cast<UINT>(MB_ICONSTOP), box.icon());
    EXPECT_EQ(static_cast<UINT>(MB_OK), box.buttons());
  }
}

// Real windows of this thread around a modal box.
class ModalBoxWindows : public ::testing::Test {
 protected:
  void SetUp() override {
    WNDCLASSA wc = {};
    wc.lpfnWndProc = DefWindowProcA;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.lpszClassName = "KestroModalTest";
    RegisterClassA(&wc);
    main_ = Make(0, "main", 10, 10);
    topmost_ = Make(WS_EX_TOPMOST, "on top", 300, 10);
    hidden_topmost_ = CreateWindowExA(WS_EX_TOPMOST, "KestroModalTest", "hidden", WS_POPUP, 0,
                                      0, 50, 50, nullptr, nullptr, nullptr, nullptr);
    disabled_ = Make(0, "disabled", 10, 300);
    EnableWindow(disabled_, FALSE);
    edit_ = CreateWindowExA(0, "EDIT", "", WS_CHILD | WS_VISIBLE, 5, 5, 100, 20, main_, nullptr,
                            nullptr, nullptr);
    SetForegroundWindow(main_);
    SetFocus(edit_);
    Pump();
  }
  void TearDown() override {
    for (HWND w : {main_, topmost_, hidden_topmost_, disabled_}) DestroyWindow(w);
  }
  HWND Make(DWORD ex, const char* title, int x, int y) {
    HWND w = CreateWindowExA(ex, "KestroModalTest", title, WS_OVERLAPPEDWINDOW | WS_VISIBLE, x,
                             y, 200, 150, nullptr, nullptr, nullptr, nullptr);
    EXPECT_TRUE(w);
    return w;
  }
  static void Pump() {
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&msg);
  }
  static bool TopMost(HWND w) { return GetWindowLongPtrA(w, GWL_EXSTYLE) & WS_EX_TOPMOST; }
  // Whether a lies above b in the z-order.
  static bool Above(HWND a, HWND b) {
    for (HWND w = GetWindow(a, GW_HWNDNEXT); w; w = GetWindow(w, GW_HWNDNEXT))
      if (w == b) return true;
    return false;
  }
  static RECT Rect(HWND w) {
    RECT r;
    GetWindowRect(w, &r);
    return r;
  }
  HWND main_, topmost_, hidden_topmost_, disabled_, edit_;
};

TEST_F(ModalBoxWindows, WindowsAreSetAsideWhileTheBoxIsUpAndRestoredAfter) {
  ASSERT_EQ(edit_, GetFocus());
  ASSERT_TRUE(TopMost(topmost_));
  RECT before = Rect(topmost_);
  bool inspected = false;
  ScriptedResponder responder;
  responder.Answer(IDYES);
  responder.OnShow([&](const MessageBoxRequest&) {
    inspected = true;
    EXPECT_FALSE(IsWindowEnabled(main_));
    EXPECT_FALSE(IsWindowEnabled(topmost_));
    EXPECT_FALSE(TopMost(topmost_));
    EXPECT_TRUE(Above(topmost_, main_)) << "at the top of the ordinary band";
    EXPECT_TRUE(TopMost(hidden_topmost_)) << "hidden windows keep their band";
    RECT now = Rect(topmost_);
    EXPECT_TRUE(EqualRect(&before, &now)) << "neither moved nor resized";
    EXPECT_TRUE(IsWindowVisible(topmost_));
  });
  EXPECT_EQ(IDYES, ModalMessageBox("Sure?", "", kQuestion, MB_YESNO));
  EXPECT_TRUE(inspected);
  EXPECT_TRUE(IsWindowEnabled(main_));
  EXPECT_TRUE(IsWindowEnabled(topmost_));
  EXPECT_FALSE(IsWindowEnabled(disabled_)) << "a window disabled before stays disabled";
  EXPECT_TRUE(TopMost(topmost_));
  EXPECT_TRUE(TopMost(hidden_topmost_));
  EXPECT_EQ(edit_, GetFocus());
}

// The real box, not replaced: another process finds it, reads it and
// presses No.
TEST_F(ModalBoxWindows, RealBoxIsDrivenByTheDriverProgram) {
  const std::string caption = "Kestro real box \xE4";
  std::string cmd = "\"" + driver::WinePath(KESTRO_DRIVER_EXE) + "\" wait-press \"" + caption +
                    "\" \"&No\" --timeout 30 --print-texts --pid " +
                    std::to_string(GetCurrentProcessId());
  driver::ChildProcess drv;
  ASSERT_TRUE(drv.Start(cmd, true)) << cmd;
  int answer = ModalMessageBox("Erste Zeile \xFC\r\nZweite Zeile", caption, kWarning, MB_YESNO);
  ASSERT_TRUE(drv.Wait(30000));
  EXPECT_EQ(0u, drv.exit_code()) << drv.output();
  EXPECT_EQ(IDNO, answer);
  EXPECT_NE(std::string::npos, drv.output().find("static\tErste Zeile \xFC\\r\\nZweite Zeile\n"))
      << drv.output();
  EXPECT_NE(std::string::npos, drv.output().find("button\t&No\n")) << drv.output();
  EXPECT_TRUE(IsWindowEnabled(main_));
  EXPECT_TRUE(TopMost(topmost_));
}

}  // namespace
}  // namespace kestro::ui
