// Compiler.exe's window in this process: its look, what the run shows in
// it, and the Cancel button heard at checkpoints.
#include "compiler/win32/compile_form.h"

#include <commctrl.h>
#include <gtest/gtest.h>

#include "compiler/win32/resource.h"
#include "tests/win/driver.h"
#include "ui/scripted_responder.h"

namespace kestro::compiler {
namespace {

using ui::MessageBoxRequest;
using ui::ScriptedResponder;

class CompileFormTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    INITCOMMONCONTROLSEX controls = {sizeof controls, ICC_PROGRESS_CLASS | ICC_BAR_CLASSES};
    InitCommonControlsEx(&controls);
  }
  HWND Item(int id) { return GetDlgItem(form_.handle(), id); }
  std::string StatusText() {
    // In simple mode part 0 reads the simple text.
    char buf[512] = {};
    SendMessageA(Item(IDC_STATUSPANEL), SB_GETTEXTA, 0, reinterpret_cast<LPARAM>(buf));
    return buf;
  }
  void ClickCancel() {
    ASSERT_TRUE(driver::PressButton(form_.handle(), "Cancel"));
  }

  TCompileForm form_{GetModuleHandleA(nullptr)};
};

TEST_F(CompileFormTest, LooksAsDesigned) {
  HWND wnd = form_.handle();
  ASSERT_TRUE(wnd);
  EXPECT_FALSE(IsWindowVisible(wnd)) << "shown only when the run begins";
  EXPECT_EQ("tessaron Kestro Compiler", driver::WindowText(wnd));

  RECT client;
  GetClientRect(wnd, &client);
  EXPECT_EQ(372, client.right);
  EXPECT_EQ(122, client.bottom);
  RECT frame;
  GetWindowRect(wnd, &frame);
  EXPECT_LE(std::abs((frame.left + frame.right) / 2 - GetSystemMetrics(SM_CXSCREEN) / 2), 1);
  EXPECT_LE(std::abs((frame.top + frame.bottom) / 2 - GetSystemMetrics(SM_CYSCREEN) / 2), 1);

  LONG_PTR style = GetWindowLongPtrA(wnd, GWL_STYLE);
  EXPECT_TRUE(style & WS_CAPTION);
  EXPECT_FALSE(style & (WS_SYSMENU | WS_THICKFRAME | WS_MINIMIZEBOX | WS_MAXIMIZEBOX));

  LOGFONTA font = {};
  GetObjectA(reinterpret_cast<HFONT>(SendMessageA(wnd, WM_GETFONT, 0, 0)), sizeof font, &font);
  EXPECT_STREQ("Arial", font.lfFaceName);
  HDC screen = GetDC(nullptr);
  EXPECT_EQ(-MulDiv(8, GetDeviceCaps(screen, LOGPIXELSY), 72), font.lfHeight);
  ReleaseDC(nullptr, screen);

  EXPECT_EQ("Please Wait...", driver::WindowText(Item(IDC_L1)));
  EXPECT_EQ("", driver::WindowText(Item(IDC_LP)));
  EXPECT_TRUE(GetWindowLongPtrA(Item(IDC_LP), GWL_STYLE) & SS_RIGHT);
  EXPECT_EQ(100, SendMessageA(Item(IDC_PR), PBM_GETRANGE, FALSE, 0));
  EXPECT_EQ(0, SendMessageA(Item(IDC_PR), PBM_GETPOS, 0, 0));
  EXPECT_EQ("Reading Projectfile...", StatusText());
  EXPECT_TRUE(SendMessageA(Item(IDC_STATUSPANEL), SB_ISSIMPLE, 0, 0));

  HWND button = Item(IDC_EXPLORERBUTTON1);
  EXPECT_EQ("Cancel", driver::WindowText(button));
  EXPECT_EQ(BS_OWNERDRAW, GetWindowLongPtrA(button, GWL_STYLE) & BS_TYPEMASK);
  LOGFONTA bold = {};
  GetObjectA(reinterpret_cast<HFONT>(SendMessageA(button, WM_GETFONT, 0, 0)), sizeof bold, &bold);
  EXPECT_EQ(FW_BOLD, bold.lfWeight);
  EXPECT_STREQ("Arial", bold.lfFaceName);

  // The bar's right end is the percentage label's right end.
  RECT bar, label;
  GetWindowRect(Item(IDC_PR), &bar);
  GetWindowRect(Item(IDC_LP), &label);
  EXPECT_EQ(bar.right, label.right);
  EXPECT_GT(label.top, bar.top);
}

TEST_F(CompileFormTest, ShowsWhatTheRunReports) {
  form_.Status("Compressing Files... a.txt (1 kb)");
  EXPECT_TRUE(IsWindowVisible(form_.handle()));
  EXPECT_EQ("Compressing Files... a.txt (1 kb)", StatusText());
  form_.Info("Outputfile: C:\\out\\x.exe\r\nProjectfile: C:\\p\\x.tkp");
  EXPECT_EQ("Outputfile: C:\\out\\x.exe\r\nProjectfile: C:\\p\\x.tkp", driver::WindowText(Item(IDC_L1)));
  form_.Progress(3, 205);
  EXPECT_EQ(205, SendMessageA(Item(IDC_PR), PBM_GETRANGE, FALSE, 0));
  EXPECT_EQ(3, SendMessageA(Item(IDC_PR), PBM_GETPOS, 0, 0));
  form_.Percentage("1%");
  EXPECT_EQ("1%", driver::WindowText(Item(IDC_LP)));
}

TEST_F(CompileFormTest, CancelIsHeardAtTheCheckpointAndNeedsAYes) {
  form_.ShowAndWaitForTimer();
  ScriptedResponder responder;
  responder.Answer(IDNO);
  responder.Answer(IDYES);
  responder.OnShow([&](const MessageBoxRequest&) {
    EXPECT_FALSE(IsWindowEnabled(form_.handle())) << "no second click while asking";
  });

  ClickCancel();
  EXPECT_TRUE(responder.shown().empty()) << "the click waits for a checkpoint";
  EXPECT_FALSE(form_.Checkpoint()) << "answered No";
  ASSERT_EQ(1u, responder.shown().size());
  const MessageBoxRequest& box = responder.shown()[0];
  EXPECT_EQ("Are you sure you wish to stop creating this self-extracting file?", box.text);
  EXPECT_EQ("Cancel Process?", box.caption);
  EXPECT_EQ(static_cast<UINT>(MB_ICONQUESTION), box.icon());
  EXPECT_EQ(static_cast<UINT>(MB_YESNO), box.buttons());

  ClickCancel();
  EXPECT_TRUE(form_.Checkpoint()) << "answered Yes";
  EXPECT_TRUE(form_.Checkpoint()) << "and stays cancelled";
  EXPECT_EQ(2u, responder.shown().size());
  EXPECT_TRUE(IsWindowEnabled(form_.handle()));
}

TEST_F(CompileFormTest, QuestionsNoticesAndTheFailureReport) {
  ScriptedResponder responder;
  responder.Answer(IDNO);
  EXPECT_FALSE(form_.AskOverwrite("exists?", "File exists"));
  EXPECT_TRUE(form_.AskOverwrite("exists?", "File exists"));
  form_.Notice(NoticeKind::kHelp, "help", "tessaron Kestro Compiler");
  form_.Notice(NoticeKind::kDeliveryFailed, "(E01a)", "Error");
  form_.ReportFailure("Datei nicht gefunden.", kFatalText);

  struct Expected {
    std::string text, caption;
    UINT icon, buttons;
  } expected[] = {
      {"exists?", "File exists", MB_ICONQUESTION, MB_YESNO},
      {"exists?", "File exists", MB_ICONQUESTION, MB_YESNO},
      {"help", "tessaron Kestro Compiler", MB_ICONINFORMATION, MB_OK},
      {"(E01a)", "Error", MB_ICONSTOP, MB_OK},
      {"Datei nicht gefunden.", "Compiler", MB_ICONSTOP, MB_OK},
      {kFatalText, "Fehler", MB_ICONWARNING, MB_OK},
  };
  ASSERT_EQ(std::size(expected), responder.shown().size());
  for (size_t i = 0; i < std::size(expected); ++i) {
    const MessageBoxRequest& box = responder.shown()[i];
    EXPECT_EQ(expected[i].text, box.text) << i;
    EXPECT_EQ(expected[i].caption, box.caption) << i;
    EXPECT_EQ(expected[i].icon, box.icon()) << i;
    EXPECT_EQ(expected[i].buttons, box.buttons()) << i;
  }
  EXPECT_TRUE(responder.shown()[5].flags & MB_TASKMODAL) << "the fatal box is the modal kind";
}

}  // namespace
}  // namespace kestro::compiler
