// The preview windows and the licence editor, in real windows of this
// process; every message box answered by a scripted responder.
#include "wizard/previews.h"

#include <commctrl.h>
#include <gtest/gtest.h>

#include <string>

#include "tests/ui/modal_steps.h"
#include "ui/file_dialog.h"
#include "ui/modal.h"
#include "ui/scripted_responder.h"
#include "ui/widgets.h"
#include "wizard/resource.h"

namespace kestro::wizard {
namespace {

using kestro::testing::ModalSteps;
using kestro::testing::PumpFor;
using kestro::testing::TextOf;
using ui::ScriptedResponder;

class Previews : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    InitCommonControls();
    ui::RegisterWidgets(GetModuleHandleA(nullptr));
    ui::SetApplicationTitle("tessaron Kestro");
  }
  HINSTANCE instance() { return GetModuleHandleA(nullptr); }
};

TEST_F(Previews, QuestionThenContinuingOrTerminating) {
  struct Case {
    std::string title;
    int answer;
    std::string caption, then;
  } cases[] = {
      {"My Setup", IDYES, "My Setup", "Continuing..."},
      {"My Setup", IDNO, "My Setup", "Terminating..."},
      {"", IDYES, "Best\xE4tigen", "Continuing..."},
  };
  for (const Case& c : cases) {
    ScriptedResponder responder;
    responder.Answer(c.answer);
    EXPECT_EQ(c.answer, btnTestPrmptClick("Do you want to extract the files from this archive?", c.title));
    ASSERT_EQ(2u, responder.shown().size());
    const ui::MessageBoxRequest& question = responder.shown()[0];
    EXPECT_EQ("Do you want to extract the files from this archive?", question.text);
    EXPECT_EQ(c.caption, question.caption);
    EXPECT_EQ(static_cast<UINT>(MB_ICONQUESTION), question.icon());
    EXPECT_EQ(static_cast<UINT>(MB_YESNO), question.buttons());
    const ui::MessageBoxRequest& then = responder.shown()[1];
    EXPECT_EQ(c.then, then.text);
    EXPECT_EQ("tessaron Kestro", then.caption);
    EXPECT_EQ(0u, then.icon());
    EXPECT_EQ(static_cast<UINT>(MB_OK), then.buttons());
  }
}

TEST_F(Previews, ClosingMessage) {
  ScriptedResponder responder;
  btnTestMsgClick(nullptr, "The files have been extracted successfully.", "Setup");
  ASSERT_EQ(1u, responder.shown().size());
  EXPECT_EQ("The files have been extracted successfully.", responder.shown()[0].text);
  EXPECT_EQ("Setup", responder.shown()[0].caption);
  EXPECT_EQ(0u, responder.shown()[0].icon());
  EXPECT_EQ(static_cast<UINT>(MB_OK), responder.shown()[0].buttons());
}

TEST_F(Previews, PasswordContinueOnlyOnAnExactMatch) {
  TPwdForm form(instance());
  HWND wnd = form.handle();
  RECT client;
  GetClientRect(wnd, &client);
  EXPECT_EQ(238, client.right);
  EXPECT_EQ(94, client.bottom);
  HWND edit = GetDlgItem(wnd, IDC_Pwd_Edit1), button1 = GetDlgItem(wnd, IDC_Pwd_Button1);
  EXPECT_FALSE(IsWindowEnabled(button1));
  EXPECT_EQ('*', SendMessageA(edit, EM_GETPASSWORDCHAR, 0, 0));

  {  // No password yet: a notice, no window.
    ScriptedResponder responder;
    ModalSteps steps;
    bool shown = false;
    steps.Then([&] { shown = IsWindowVisible(wnd); });
    btnTestPwdClick(form, "Setup", "Please enter the password:", "");
    ASSERT_EQ(1u, responder.shown().size());
    EXPECT_EQ("You must enter a password first.", responder.shown()[0].text);
    EXPECT_EQ("tessaron Kestro", responder.shown()[0].caption);
    PumpFor(100);
    EXPECT_FALSE(shown);
  }

  SetWindowTextA(edit, "left over");
  ModalSteps steps;
  std::string caption, label, typed;
  struct Try {
    const char* text;
    bool enabled;
  } tries[] = {{"", false},        {"Secre", false}, {"secret", false}, {"SECRET", false},
               {"Secret ", false}, {"Secret", true}, {"Secret1", false}};
  std::vector<bool> enabled;
  steps.Then([&] {
    caption = TextOf(wnd);
    label = TextOf(GetDlgItem(wnd, IDC_Pwd_Label1));
    typed = TextOf(edit);
    for (const Try& t : tries) {
      SetWindowTextA(edit, t.text);  // EN_CHANGE runs Edit1Change
      enabled.push_back(IsWindowEnabled(button1) != FALSE);
    }
    SetWindowTextA(edit, "Secret");
    SendMessageA(wnd, WM_COMMAND, IDC_Pwd_Button1, reinterpret_cast<LPARAM>(button1));  // &Continue closes
  });
  btnTestPwdClick(form, "My Setup", "Kennwort:", "Secret");
  EXPECT_TRUE(steps.done());
  EXPECT_EQ("My Setup", caption);
  EXPECT_EQ("Kennwort:", label);
  EXPECT_EQ("", typed);
  ASSERT_EQ(sizeof tries / sizeof tries[0], enabled.size());
  for (size_t i = 0; i < enabled.size(); ++i) EXPECT_EQ(tries[i].enabled, enabled[i]) << tries[i].text;
  EXPECT_FALSE(IsWindowVisible(wnd));

  // C&ancel closes as well; the next preview empties the edit again.
  steps.Then([&] {
    typed = TextOf(edit);
    SendMessageA(wnd, WM_COMMAND, IDC_Pwd_Button2, 0);
  });
  btnTestPwdClick(form, "My Setup", "Kennwort:", "Secret");
  EXPECT_EQ("", typed);
  EXPECT_FALSE(IsWindowVisible(wnd));
}

TEST_F(Previews, ProgressRunsByItselfAndOnHiddenAfterAnEarlyClose) {
  TInstallForm form(instance());
  HWND wnd = form.handle();
  RECT client;
  GetClientRect(wnd, &client);
  EXPECT_EQ(369, client.right);
  EXPECT_EQ(95, client.bottom);
  ui::TNewGauge& gauge = form.ProgressGauge();
  RECT g;
  GetClientRect(gauge.handle(), &g);
  EXPECT_EQ(292, g.right);
  EXPECT_EQ(21, g.bottom);
  EXPECT_EQ(0, gauge.Progress());

  // Runs to the end and closes itself.
  ModalSteps steps;
  std::string caption, label;
  steps.Then([&] {
    caption = TextOf(wnd);
    label = TextOf(GetDlgItem(wnd, IDC_Inst_Label1));
  });
  DWORD start = GetTickCount();
  btnTestPrgbarClick(form, "My Setup", "Please wait while setup is extracting temporary setup files.");
  DWORD took = GetTickCount() - start;
  EXPECT_EQ("My Setup", caption);
  EXPECT_EQ("Please wait while setup is extracting temporary setup files.", label);
  EXPECT_FALSE(IsWindowVisible(wnd));
  EXPECT_EQ(0, gauge.Progress());
  EXPECT_FALSE(form.TimerEnabled());
  EXPECT_GE(took, 100u * 40);  // a hundred ticks of 50 ms (timers may be early)

  // Closed early by its close box: hidden, the timer goes on.
  int at_close = 0;
  steps.Then([&] {
    PumpFor(400);
    at_close = gauge.Progress();
    SendMessageA(wnd, WM_CLOSE, 0, 0);
  });
  btnTestPrgbarClick(form, "My Setup", "text");
  EXPECT_FALSE(IsWindowVisible(wnd));
  EXPECT_GT(at_close, 0);
  EXPECT_LT(at_close, 100);
  EXPECT_TRUE(form.TimerEnabled());
  PumpFor(300);
  int hidden_value = gauge.Progress();
  EXPECT_GT(hidden_value, at_close);

  // Opened again before the end: it goes on from there.
  int reopened_at = -1;
  steps.Then([&] {
    reopened_at = gauge.Progress();
    SendMessageA(wnd, WM_CLOSE, 0, 0);
  });
  btnTestPrgbarClick(form, "My Setup", "text");
  EXPECT_GE(reopened_at, hidden_value);

  // Left alone, the hidden timer reaches 100, resets the gauge and stops.
  PumpFor(10000, [&] { return !form.TimerEnabled(); });
  EXPECT_FALSE(form.TimerEnabled());
  EXPECT_EQ(0, gauge.Progress());
  EXPECT_FALSE(IsWindowVisible(wnd));
}

class Licence : public Previews {
 protected:
  void SetUp() override {
    lic_ = std::make_unique<TfLic>(instance(), [this] { return title_; });
  }
  // Shows the editor, sets its text, presses &Close; returns whether it
  // closed then (else it is closed afterwards).
  bool CloseWith(const std::string& text) {
    ModalSteps steps;
    bool still_open = false;
    steps.Then([&] {
      lic_->SetLicText(text);
      SendMessageA(lic_->handle(), WM_COMMAND, IDC_Lic_Button1, 0);
      still_open = ui::IsModal(lic_->handle()) && IsWindowVisible(lic_->handle());
      if (still_open) SendMessageA(lic_->handle(), WM_CLOSE, 0, 0);
    });
    btnEditLicTextClick(*lic_);
    return !still_open;
  }
  std::string title_ = "My Setup";
  std::unique_ptr<TfLic> lic_;
};

TEST_F(Licence, CloseKeepsTheLimitAndEndsWithALineBreak) {
  EXPECT_EQ("Type or load a License Text here... (max. 1020 chars)", lic_->LicText());
  RECT client;
  GetClientRect(lic_->handle(), &client);
  EXPECT_EQ(438, client.right);
  EXPECT_EQ(212, client.bottom);

  struct Case {
    const char* name;
    std::string text;
    bool closes;
    std::string after;
  } cases[] = {
      {"1020 characters", std::string(1020, 'a'), true, std::string(1020, 'a') + "\r\n"},
      {"1021 characters", std::string(1021, 'a'), false, std::string(1021, 'a')},
      {"1020 with line breaks", std::string(1016, 'b') + "\r\n\r\n", true,
       std::string(1016, 'b') + "\r\n\r\n"},
      {"1022 ending in a line break", std::string(1020, 'b') + "\r\n", false,
       std::string(1020, 'b') + "\r\n"},
      {"one line", "Line one", true, "Line one\r\n"},
      {"ends in CR LF", "Line one\r\nLine two\r\n", true, "Line one\r\nLine two\r\n"},
      {"a break before the last character", "Line one\r\nx", true, "Line one\r\nx"},
  };
  for (const Case& c : cases) {
    ScriptedResponder responder;
    EXPECT_EQ(c.closes, CloseWith(c.text)) << c.name;
    EXPECT_EQ(c.after, lic_->LicText()) << c.name;
    if (c.closes) {
      EXPECT_TRUE(responder.shown().empty()) << c.name;
    } else {
      ASSERT_EQ(1u, responder.shown().size()) << c.name;
      const ui::MessageBoxRequest& box = responder.shown()[0];
      EXPECT_EQ("Your license text is longer than allowed... please verify it.", box.text);
      EXPECT_EQ("License Text too long", box.caption);
      EXPECT_EQ(static_cast<UINT>(MB_ICONSTOP), box.icon());
      EXPECT_EQ(static_cast<UINT>(MB_OK), box.buttons());
    }
  }
}

TEST_F(Licence, TestShowsTheFirst1020CharactersAsTheProjectStoresThem) {
  // The marker bytes typed into the memo come back as a line break.
  std::string text = "Terms\r\nof use\x01\xFFsecond" + std::string(1100, 'z');
  lic_->SetLicText(text);
  ScriptedResponder responder;
  title_ = "Title read at Test time";
  lic_->Button3Click();
  ASSERT_EQ(1u, responder.shown().size());
  const ui::MessageBoxRequest& box = responder.shown()[0];
  std::string expected = text.substr(0, 1020);
  expected.replace(expected.find("\x01\xFF"), 2, "\r\n");
  EXPECT_EQ(expected, box.text);
  EXPECT_EQ("Title read at Test time", box.caption);
  EXPECT_EQ(0u, box.icon());
  EXPECT_EQ(static_cast<UINT>(MB_YESNO), box.buttons());
  EXPECT_EQ(text, lic_->LicText());  // the memo keeps its text
}

TEST_F(Licence, LoadReplacesTheLinesWithTheFile) {
  char temp[MAX_PATH];
  GetTempPathA(MAX_PATH, temp);
  std::string path = std::string(temp) + "kestro_licence.txt";
  HANDLE f = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  ASSERT_NE(INVALID_HANDLE_VALUE, f);
  const char data[] = "First\nSecond\r\nThird\rLast";
  DWORD written;
  WriteFile(f, data, sizeof data - 1, &written, nullptr);
  CloseHandle(f);

  std::vector<ui::FileDialog> asked;
  bool confirm = true;
  auto previous = ui::FileDialog::SetResponder([&](ui::FileDialog& d) {
    asked.push_back(d);
    d.file_name = path;
    return confirm;
  });
  lic_->Button2Click();
  EXPECT_EQ("First\r\nSecond\r\nThird\r\nLast", lic_->LicText());
  confirm = false;
  lic_->SetLicText("kept");
  lic_->Button2Click();
  EXPECT_EQ("kept", lic_->LicText());
  // A file that cannot be read: the error is shown, the memo keeps its text.
  confirm = true;
  path += ".missing";
  {
    ScriptedResponder responder;
    SendMessageA(lic_->handle(), WM_COMMAND, IDC_Lic_Button2, 0);
    ASSERT_EQ(1u, responder.shown().size());
    EXPECT_EQ("Datei nicht gefunden.", responder.shown()[0].text);
    EXPECT_EQ(static_cast<UINT>(MB_ICONSTOP), responder.shown()[0].icon());
  }
  EXPECT_EQ("kept", lic_->LicText());
  path.resize(path.size() - 8);
  ui::FileDialog::SetResponder(previous);
  ASSERT_EQ(3u, asked.size());
  EXPECT_EQ("Textfiles (*.txt)|*.txt|All Files|*.*", asked[0].filter);
  EXPECT_TRUE(asked[0].hide_read_only);
  DeleteFileA(path.c_str());
}

}  // namespace
}  // namespace kestro::wizard
