// Kestro.exe's main window in this process, driven through its controls:
// the texts and states of every page, the page flow, the enabling rules,
// the file-name lists, the setup command and the warnings, the default
// paths and the command-line start.
#include "wizard/form1.h"

#include <commctrl.h>
#include <gtest/gtest.h>

#include <fstream>
#include <stdexcept>

#include "common/os.h"
#include "tests/win/driver.h"
#include "ui/file_dialog.h"
#include "ui/message_box.h"
#include "ui/scripted_responder.h"
#include "ui/widgets.h"
#include "wizard/previews.h"
#include "wizard/resource.h"

namespace kestro::wizard {
namespace {

using ui::ScriptedResponder;

std::string TestFolder(const std::string& name) {
  std::string dir = std::string(KESTRO_TEST_WORK) + "/" + name;
  os::CreateDir(std::string(KESTRO_TEST_WORK));
  os::CreateDir(dir);
  for (const char* f : {"New Project.tkp", "New Project 2.tkp", "start project.tkp"})
    os::RemoveFile(dir + "/" + f);
  return driver::WinePath(dir) + "\\";
}

void Touch(const std::string& path) { std::ofstream(os::HostPath(path)) << "[Settings]\n"; }

// Handles the window's pending messages, as its program's loop would.
void Pump(HWND form) {
  MSG msg;
  while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
    if (msg.message == WM_QUIT) continue;
    if (IsDialogMessageA(form, &msg)) continue;
    TranslateMessage(&msg);
    DispatchMessageA(&msg);
  }
}

class Form1Test : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    INITCOMMONCONTROLSEX controls = {sizeof controls, ICC_STANDARD_CLASSES};
    InitCommonControlsEx(&controls);
    ui::RegisterWidgets(GetModuleHandleA(nullptr));
    ui::SetApplicationTitle(kApplicationTitle);  // as the program's start sets it
  }

  void Start(const std::string& folder, const std::string& command_line = "Kestro.exe") {
    TForm1::Options options;
    options.program_folder = folder;
    options.command_line = command_line;
    form_ = std::make_unique<TForm1>(GetModuleHandleA(nullptr), options);
    form_->RunCommand = [this](const std::string& cmd) { commands_.push_back(cmd); };
    form_->OnCreateScript = [this](TForm1&) {
      ++saves_;
      if (save_error_) throw std::runtime_error("Kann nicht nach X schreiben");
    };
    form_->Show();
    Pump(form_->handle());
  }
  void SetUp() override { Start(TestFolder("plain")); }

  HWND C(int id) { return form_->Control(id); }
  driver::ControlState State(int id) { return driver::StateOf(C(id)); }
  void Click(int id) {
    ASSERT_TRUE(C(id)) << id;
    ASSERT_TRUE(driver::ClickControl(C(id)));
    Pump(form_->handle());
  }
  void Type(int id, const std::string& text) {
    ASSERT_TRUE(driver::SetControlText(C(id), text));
    Pump(form_->handle());
  }
  void GoTo(int page) {
    while (form_->ActivePage() < page) Click(IDC_Next);
    while (form_->ActivePage() > page) Click(IDC_Back);
    ASSERT_TRUE(IsWindowVisible(form_->Page(page)));
  }
  void SelectInCombo(int id, int index) {
    SendMessageA(C(id), CB_SETCURSEL, index, 0);
    SendMessageA(GetParent(C(id)), WM_COMMAND, MAKEWPARAM(id, CBN_SELCHANGE),
                 reinterpret_cast<LPARAM>(C(id)));
  }
  bool Checked(int id) { return SendMessageA(C(id), BM_GETCHECK, 0, 0) == BST_CHECKED; }

  std::unique_ptr<TForm1> form_;
  std::vector<std::string> commands_;
  int saves_ = 0;
  bool save_error_ = false;
};

TEST_F(Form1Test, WindowAndPagesAsDesigned) {
  HWND wnd = form_->handle();
  EXPECT_EQ(driver::WindowText(wnd), "tessaron Kestro");
  RECT frame;
  GetWindowRect(wnd, &frame);
  EXPECT_EQ(frame.right - frame.left, 484);
  EXPECT_EQ(frame.bottom - frame.top, 325);
  EXPECT_LE(std::abs((frame.left + frame.right) / 2 - GetSystemMetrics(SM_CXSCREEN) / 2), 1);
  LONG_PTR style = GetWindowLongPtrA(wnd, GWL_STYLE);
  EXPECT_TRUE(style & WS_SYSMENU);
  EXPECT_TRUE(style & WS_MINIMIZEBOX);
  EXPECT_FALSE(style & (WS_MAXIMIZEBOX | WS_THICKFRAME));
  EXPECT_FALSE(IsWindowVisible(C(IDC_ll)));
  EXPECT_EQ(State(IDC_ll).text, "Loading...");
  EXPECT_FALSE(IsWindowVisible(C(IDC_Edit2)));
  LOGFONTA font = {};
  GetObjectA(reinterpret_cast<HFONT>(SendMessageA(C(IDC_Next), WM_GETFONT, 0, 0)), sizeof font, &font);
  EXPECT_EQ(font.lfWeight, FW_BOLD);

  for (int i = 0; i < kPageCount; ++i) {
    EXPECT_EQ(IsWindowVisible(form_->Page(i)) != 0, i == kWelcome) << i;
    EXPECT_EQ(driver::WindowText(GetDlgItem(form_->Page(i), IDC_PageTitle)), PageTitle(i));
  }

  struct Expect {
    int id;
    const char* text;
    bool enabled;
    int checked;  // -1: not a box
  };
  const Expect controls[] = {
      {IDC_Back, "< &Back", false, -1},
      {IDC_Next, "&Next >", true, -1},
      {IDC_Cancel, "&Cancel", true, -1},
      {IDC_WelcomeSubtitle, "Easily creating of enhanced or standard self-extracting files.", true, -1},
      {IDC_Feature2, "Full support for software installation programs like InstallShield\xAE", true, -1},
      {IDC_Feature4, "Fully suiteable dialogs, multilanguage support", true, -1},
      {IDC_verLbl, "Version 1.4.2 (Build 88)", true, -1},
      {IDC_btnAbout, "About tessaron Kestro ...", true, -1},
      {IDC_LoadText1,
       "tessaron Kestro saves all required data for the self-extracting file in a seperate file, the project "
       "file. This file can be used to modify and re-create the self-extracting file later.",
       true, -1},
      {IDC_btnCompilerDetails, "Details...", true, -1},
      {IDC_btnOpen, "Open a project ...", true, -1},
      {IDC_FilesHint, "Click Next to configure Visual Settings....", true, -1},
      {IDC_ch1, "User prompt before extraction:", true, 1},
      {IDC_Edit1, "Do you want to extract the files from this archive?", true, -1},
      {IDC_btnTestPrmpt, "Test", true, -1},
      {IDC_Pwd, "Enable Password protection", true, 0},
      {IDC_Label44, "Text:", false, -1},
      {IDC_Edit7, "Please enter the password:", false, -1},
      {IDC_Label26, "Password:", false, -1},
      {IDC_Edit5, "", false, -1},
      {IDC_btnTestPwd, "Test", false, -1},
      {IDC_Label15, "Text displayed in Folder Select Dialog (if used):", true, -1},
      {IDC_Edit10, "Please select a folder where you wish to extract the files:", true, -1},
      {IDC_ch2, "Show progress while extraction", true, 1},
      {IDC_Edit3,
       "Please wait while setup is extracting temporary setup files. These files will be deleted after "
       "setup.",
       true, -1},
      {IDC_finmsgchk, "Show a messagebox after extraction", true, 0},
      {IDC_finmsg, "The files have been extracted successfully.", false, -1},
      {IDC_btnTestMsg, "Test", false, -1},
      {IDC_eTitle, "Setup", true, -1},
      {IDC_cExe, "Execute a file after extraction", true, 0},
      {IDC_eExe, "readme.txt", false, -1},
      {IDC_lExe2,
       "(This will ShellExecute the typed file, e.g. run Notepad when using a .txt file or run WordPad when "
       "using a .wri file...)",
       false, -1},
      {IDC_licchk, "Show a license agreement before extracting", true, 0},
      {IDC_btnEditLicText, "Edit Text...", false, -1},
      {IDC_Label4, "Text on \"Continue\"-Button:", true, -1},
      {IDC_eCon, "&Continue", true, -1},
      {IDC_eCan, "&Cancel", true, -1},
      {IDC_RadioButton953, "Run a Setup program after extraction", true, 0},
      {IDC_RadioButton954, "Extract Files only", true, 1},
      {IDC_cb3, "C:\\Temp", true, -1},
      {IDC_dissel, "Automaticly extract files to above specific folder (hides folder select dialog)", true,
       0},
      {IDC_ch55, "Show installation directory after extraction", true, 0},
      {IDC_IEButton1, "Example...", true, -1},
      {IDC_ch54, "Create a ShortCut", true, 0},
      {IDC_ch53, "in Start Menu", false, 0},
      {IDC_ch52, "on Desktop", false, 0},
      {IDC_l33, "ShortCut to:", false, -1},
      {IDC_cbl, "", false, -1},
      {IDC_l34, "Display Name:", false, -1},
      {IDC_e66, "", false, -1},
      {IDC_Label8, "Setupprogram:", true, -1},
      {IDC_cb2, "", true, -1},
      {IDC_Label10, "Wait for Program:", true, -1},
      {IDC_IEButton2, "?", true, -1},
      {IDC_cb4, "Make InstallShield\xAE compatible", true, 0},
      {IDC_Gb4Note,
       "Please note that all files are only stored temporary and will be removed automaticly when the "
       "installation program terminates!",
       true, -1},
      {IDC_btnBrws, "B&rowse...", true, -1},
      {IDC_sco, "Create Projectfile only", true, 0},
      {IDC_chkQuiet, "Always overwrite destination file", true, 0},
      {IDC_SaveNote,
       "After you pressed \"Next\", Kestro will save the project file and execute the Compiler application "
       "which will create the Self-Extracting EXE file (if \"Create Projectfile only\" is not select) ...",
       true, -1},
  };
  for (const Expect& e : controls) {
    SCOPED_TRACE(e.id);
    ASSERT_TRUE(C(e.id));
    EXPECT_EQ(State(e.id).text, e.text);
    EXPECT_EQ(State(e.id).enabled, e.enabled);
    if (e.checked >= 0) {
      EXPECT_EQ(Checked(e.id), e.checked == 1);
    }
  }
  EXPECT_TRUE(IsWindowVisible(C(IDC_Gb5)) || !IsWindowVisible(form_->Page(kSelectExe)));
  EXPECT_EQ(driver::WindowText(C(IDC_Gb5)), "Extract Files only");
  EXPECT_EQ(driver::WindowText(C(IDC_gb4)), "Run a Setup program");
}

TEST_F(Form1Test, PageFlowAndCaptions) {
  form_->SourceList().Add("C:\\files\\readme.txt");
  Type(IDC_eTitle, "My Setup");
  for (int page = kLoad; page <= kSave; ++page) {
    Click(IDC_Next);
    EXPECT_EQ(form_->ActivePage(), page);
    EXPECT_TRUE(IsWindowVisible(form_->Page(page)));
    EXPECT_TRUE(State(IDC_Back).enabled);
    EXPECT_EQ(State(IDC_Next).text, "&Next >");
    EXPECT_EQ(State(IDC_Cancel).text, "&Cancel");
  }
  EXPECT_EQ(saves_, 0);

  // A failed save keeps "save" and its captions.
  save_error_ = true;
  {
    ScriptedResponder boxes;
    Click(IDC_Next);
    ASSERT_EQ(boxes.shown().size(), 1u);
    EXPECT_EQ(boxes.shown()[0].text, "Kann nicht nach X schreiben.");
    EXPECT_EQ(boxes.shown()[0].caption, "tessaron Kestro");
  }
  EXPECT_EQ(form_->ActivePage(), kSave);
  EXPECT_EQ(State(IDC_Next).text, "&Next >");
  save_error_ = false;

  Click(IDC_Next);
  EXPECT_EQ(saves_, 2);
  EXPECT_EQ(form_->ActivePage(), kDone);
  EXPECT_EQ(State(IDC_Next).text, "&New >");
  EXPECT_TRUE(State(IDC_Next).enabled);
  EXPECT_EQ(State(IDC_Cancel).text, "&Exit");

  Click(IDC_Back);
  EXPECT_EQ(form_->ActivePage(), kSave);
  EXPECT_EQ(State(IDC_Next).text, "&Next >");
  EXPECT_EQ(State(IDC_Cancel).text, "&Exit");
  Click(IDC_Next);  // saves and launches again
  EXPECT_EQ(saves_, 3);
  EXPECT_EQ(form_->ActivePage(), kDone);

  const std::string project = State(IDC_Edit6).text;
  Click(IDC_Next);  // "&New >"
  EXPECT_EQ(form_->ActivePage(), kLoad);
  EXPECT_EQ(State(IDC_Next).text, "&Next >");
  EXPECT_EQ(State(IDC_Cancel).text, "&Cancel");
  EXPECT_TRUE(State(IDC_Back).enabled);
  EXPECT_EQ(State(IDC_Edit6).text, project);
  EXPECT_EQ(State(IDC_eTitle).text, "My Setup");
  EXPECT_EQ(form_->SourceList().Items(), std::vector<std::string>{"C:\\files\\readme.txt"});

  Click(IDC_Back);
  EXPECT_EQ(form_->ActivePage(), kWelcome);
  EXPECT_FALSE(State(IDC_Back).enabled);

  Click(IDC_Cancel);
  EXPECT_TRUE(form_->Closed());
  EXPECT_FALSE(IsWindowVisible(form_->handle()));
}

TEST_F(Form1Test, CheckBoxesEnableTheirControls) {
  struct Rule {
    int page;
    int box;
    std::vector<int> followers;
  };
  const Rule rules[] = {
      {kGeneral, IDC_ch1, {IDC_Edit1, IDC_btnTestPrmpt}},
      {kGeneral, IDC_Pwd, {IDC_Label44, IDC_Edit7, IDC_Label26, IDC_Edit5, IDC_btnTestPwd}},
      {kGeneral, IDC_ch2, {IDC_Label2, IDC_Edit3, IDC_btnTestPrgbar}},
      {kGeneral, IDC_finmsgchk, {IDC_finmsg, IDC_btnTestMsg}},
      {kVisual2, IDC_cExe, {IDC_lExe1, IDC_eExe, IDC_lExe2}},
      {kVisual2, IDC_licchk, {IDC_btnEditLicText}},
      {kSelectExe, IDC_ch54, {IDC_ch53, IDC_ch52, IDC_l33, IDC_cbl, IDC_e66, IDC_l34}},
  };
  auto expect_followers = [&](const Rule& r, bool on, const char* how) {
    for (int id : r.followers)
      EXPECT_EQ(State(id).enabled, on) << how << " box " << r.box << " control " << id;
  };
  for (const Rule& r : rules) {
    GoTo(r.page);
    const bool initially = Checked(r.box);
    expect_followers(r, initially, "initially");
    Click(r.box);
    EXPECT_NE(Checked(r.box), initially);
    expect_followers(r, !initially, "clicked");
    Click(r.box);
    expect_followers(r, initially, "clicked back");
    form_->SetChecked(r.box, !initially);
    expect_followers(r, !initially, "set by code");
    form_->SetChecked(r.box, initially);
    expect_followers(r, initially, "set back by code");
  }
  // Disabling keeps the shortcut places' checks.
  form_->SetChecked(IDC_ch54, true);
  Click(IDC_ch53);
  Click(IDC_ch52);
  Click(IDC_ch54);
  EXPECT_FALSE(State(IDC_ch53).enabled);
  EXPECT_TRUE(Checked(IDC_ch53));
  EXPECT_TRUE(Checked(IDC_ch52));
}

TEST_F(Form1Test, RadioButtonsShowOneGroup) {
  GoTo(kSelectExe);
  EXPECT_TRUE(IsWindowVisible(C(IDC_Gb5)));
  EXPECT_FALSE(IsWindowVisible(C(IDC_gb4)));
  Click(IDC_RadioButton953);
  EXPECT_TRUE(Checked(IDC_RadioButton953));
  EXPECT_FALSE(Checked(IDC_RadioButton954));
  EXPECT_TRUE(IsWindowVisible(C(IDC_gb4)));
  EXPECT_FALSE(IsWindowVisible(C(IDC_Gb5)));
  Click(IDC_RadioButton954);
  EXPECT_TRUE(IsWindowVisible(C(IDC_Gb5)));
  EXPECT_FALSE(IsWindowVisible(C(IDC_gb4)));
  form_->SetChecked(IDC_RadioButton953, true);
  EXPECT_FALSE(Checked(IDC_RadioButton954));
  EXPECT_TRUE(IsWindowVisible(C(IDC_gb4)));
  EXPECT_FALSE(IsWindowVisible(C(IDC_Gb5)));
  // Both groups lie at the same place with the same size.
  RECT a, b;
  GetWindowRect(C(IDC_Gb5), &a);
  GetWindowRect(C(IDC_gb4), &b);
  EXPECT_TRUE(EqualRect(&a, &b));
}

TEST_F(Form1Test, FileNameListsAndSetupProgramChoice) {
  form_->SourceList().AddMany({"C:\\a\\SETUP.EXE", "D:\\b\\setup.exe", "C:\\c\\readme.txt", "E:tool.exe"});
  const std::vector<std::string> names = {"SETUP.EXE", "setup.exe", "readme.txt", "tool.exe"};
  EXPECT_EQ(driver::ListItems(C(IDC_lbSrcFiles)).size(), 4u);
  EXPECT_GT(driver::HorizontalExtent(C(IDC_lbSrcFiles)), 0);
  EXPECT_EQ(driver::HorizontalExtent(C(IDC_lbSrcFiles)), form_->SourceList().WidestWidth());
  GoTo(kGeneral);
  Type(IDC_cb2, "mine.exe");
  GoTo(kVisual2);
  EXPECT_EQ(driver::ListItems(C(IDC_eExe)), names);
  EXPECT_EQ(State(IDC_eExe).text, "readme.txt");
  GoTo(kSelectExe);
  EXPECT_EQ(driver::ListItems(C(IDC_cbl)), names);
  EXPECT_EQ(driver::ListItems(C(IDC_cb2)), names);
  EXPECT_EQ(State(IDC_cb2).text, "SETUP.EXE");
  EXPECT_EQ(State(IDC_Edit12).text, "SETUP.EXE");

  // The shortcut's target proposes the display name.
  form_->SetChecked(IDC_ch54, true);
  SelectInCombo(IDC_cbl, 2);
  EXPECT_EQ(State(IDC_e66).text, "readme.txt");

  // Entered by Back: nothing is refilled or chosen.
  Type(IDC_cb2, "mine.exe");
  Type(IDC_Edit12, "other.exe");
  GoTo(kSave);
  GoTo(kSelectExe);
  EXPECT_EQ(State(IDC_cb2).text, "mine.exe");
  EXPECT_EQ(driver::SelectedItems(C(IDC_cbl)), std::vector<int>{2});

  // Entered by Next again: the choice is made anew, Edit12 only when empty,
  // the shortcut target has to be chosen again.
  GoTo(kVisual2);
  GoTo(kSelectExe);
  EXPECT_EQ(State(IDC_cb2).text, "SETUP.EXE");
  EXPECT_EQ(State(IDC_Edit12).text, "other.exe");
  EXPECT_TRUE(driver::SelectedItems(C(IDC_cbl)).empty());
  EXPECT_EQ(form_->SelectedItem(IDC_cbl), "");
  EXPECT_EQ(State(IDC_e66).text, "readme.txt");

  // Without a setup.exe nothing changes.
  form_->SourceList().Clear();
  form_->SourceList().Add("C:\\x\\install.exe");
  Type(IDC_cb2, "mine.exe");
  GoTo(kVisual2);
  GoTo(kSelectExe);
  EXPECT_EQ(driver::ListItems(C(IDC_cb2)), std::vector<std::string>{"install.exe"});
  EXPECT_EQ(State(IDC_cb2).text, "mine.exe");
}

TEST_F(Form1Test, InstallShieldValuesAndSetupCommand) {
  form_->SourceList().AddMany({"C:\\a\\SETUP.EXE", "C:\\a\\data.cab"});
  GoTo(kSelectExe);
  form_->SetChecked(IDC_RadioButton953, true);
  SelectInCombo(IDC_cb2, 0);
  {
    ScriptedResponder boxes;
    Click(IDC_cb4);
    EXPECT_TRUE(boxes.shown().empty()) << "SETUP.EXE is the setup program";
  }
  EXPECT_EQ(State(IDC_Edit9).text, "/SMS");
  EXPECT_EQ(State(IDC_Edit12).text, "_ISDEL.EXE");
  EXPECT_EQ(State(IDC_Edit2).text, "SETUP.EXE /SMS");
  Click(IDC_cb4);
  EXPECT_EQ(State(IDC_Edit9).text, "");
  EXPECT_EQ(State(IDC_Edit12).text, "SETUP.EXE");
  EXPECT_EQ(State(IDC_Edit2).text, "SETUP.EXE ");

  Type(IDC_cb2, "install.exe");
  {
    ScriptedResponder boxes;
    form_->SetChecked(IDC_cb4, true);
    ASSERT_EQ(boxes.shown().size(), 1u);
    EXPECT_EQ(boxes.shown()[0].caption, "Make InstallShield\xAE compatible");
    EXPECT_EQ(
        boxes.shown()[0].text,
        "Please verify that you have select the right Setup program (normally SETUP.EXE) from the filelist.");
    EXPECT_EQ(boxes.shown()[0].icon(), static_cast<UINT>(MB_ICONINFORMATION));
    EXPECT_EQ(boxes.shown()[0].buttons(), static_cast<UINT>(MB_OK));
  }
  EXPECT_EQ(State(IDC_Edit9).text, "/SMS") << "the values are set all the same";

  // The combined command: 119 characters pass, 120 warn.
  ScriptedResponder boxes;
  Type(IDC_Edit9, std::string(109, 'p'));  // "SETUP.EXE " + 109 = 119
  EXPECT_TRUE(boxes.shown().empty());
  Type(IDC_Edit9, std::string(110, 'p'));
  ASSERT_EQ(boxes.shown().size(), 1u);
  EXPECT_EQ(boxes.shown()[0].text, "Kestro does not support a text length > 119");
  EXPECT_EQ(boxes.shown()[0].caption, "tessaron Kestro");
  EXPECT_EQ(boxes.shown()[0].flags, static_cast<UINT>(MB_OK));
  EXPECT_EQ(State(IDC_Edit9).text, std::string(110, 'p'));
}

TEST_F(Form1Test, LongQuestionAndProgressTextsWarnOnEveryChange) {
  for (int id : {IDC_Edit1, IDC_Edit3}) {
    ScriptedResponder boxes;
    Type(id, std::string(254, 'x'));
    EXPECT_TRUE(boxes.shown().empty());
    Type(id, std::string(255, 'x'));
    Type(id, std::string(256, 'x'));
    ASSERT_EQ(boxes.shown().size(), 2u) << id;
    EXPECT_EQ(boxes.shown()[1].text, "Kestro does not support a text length > 254");
    EXPECT_EQ(boxes.shown()[1].caption, "tessaron Kestro");
    EXPECT_EQ(State(id).text, std::string(256, 'x'));
  }
}

TEST_F(Form1Test, DefaultPaths) {
  const std::string plain = TestFolder("plain");
  EXPECT_EQ(State(IDC_Edit6).text, plain + "New Project.tkp");
  EXPECT_EQ(State(IDC_Edit4).text, plain + "Output.exe");

  // A non-empty output path is never replaced; an empty one follows.
  Type(IDC_Edit6, "D:\\elsewhere\\p.tkp");
  EXPECT_EQ(State(IDC_Edit4).text, plain + "Output.exe");
  Type(IDC_Edit4, "");
  Type(IDC_Edit6, "D:\\elsewhere\\q.tkp");
  EXPECT_EQ(State(IDC_Edit4).text, "D:\\elsewhere\\Output.exe");

  for (bool second_too : {false, true}) {
    const std::string taken = TestFolder(second_too ? "both" : "taken");
    Touch(taken + "New Project.tkp");
    if (second_too) Touch(taken + "New Project 2.tkp");
    Start(taken);
    EXPECT_EQ(State(IDC_Edit6).text, taken + "New Project 2.tkp");
    EXPECT_EQ(State(IDC_Edit4).text, taken + "Output.exe");
  }
}

TEST_F(Form1Test, ButtonsOfTheSelectAndSavePages) {
  ScriptedResponder boxes;
  GoTo(kSelectExe);
  Click(IDC_IEButton1);
  EXPECT_EQ(commands_, std::vector<std::string>{"explorer.exe c:\\"});
  form_->SetChecked(IDC_RadioButton953, true);
  Click(IDC_IEButton2);
  ASSERT_EQ(boxes.shown().size(), 1u);
  EXPECT_EQ(boxes.shown()[0].caption, "Wait For Program");
  EXPECT_EQ(boxes.shown()[0].text, WaitForProgramHelp());
  EXPECT_EQ(boxes.shown()[0].icon(), static_cast<UINT>(MB_ICONINFORMATION));

  GoTo(kSave);
  std::vector<ui::FileDialog> seen;
  bool confirm = false;
  auto previous = ui::FileDialog::SetResponder([&](ui::FileDialog& d) {
    seen.push_back(d);
    d.file_name = "C:\\out\\x.exe";
    return confirm;
  });
  Click(IDC_btnBrws);
  EXPECT_EQ(State(IDC_Edit4).text, TestFolder("plain") + "Output.exe") << "cancelled";
  confirm = true;
  Click(IDC_btnBrws);
  EXPECT_EQ(State(IDC_Edit4).text, "C:\\out\\x.exe");
  ui::FileDialog::SetResponder(previous);
  ASSERT_EQ(seen.size(), 2u);
  EXPECT_TRUE(seen[0].save);
  EXPECT_EQ(seen[0].filter, "Executeable Files (*.exe)|*.exe");
  EXPECT_TRUE(seen[0].hide_read_only);
}

TEST_F(Form1Test, CommandLineStart) {
  const std::string folder = TestFolder("start");
  {
    ScriptedResponder boxes;
    Start(folder, "Kestro.exe \"" + folder + "missing project.tkp\"");
    ASSERT_EQ(boxes.shown().size(), 1u);
    EXPECT_EQ(boxes.shown()[0].text, folder + "missing project.tkp does not exist!");
    EXPECT_EQ(boxes.shown()[0].caption, "tessaron Kestro");
  }
  EXPECT_TRUE(IsWindowVisible(C(IDC_nb)));
  EXPECT_FALSE(State(IDC_Back).enabled);
  EXPECT_EQ(form_->ActivePage(), kWelcome);

  const std::string project = folder + "start project.tkp";
  Touch(project);
  Start(folder, "\"C:\\Program Files\\Kestro.exe\" \"" + project + "\"");
  int loads = 0;
  std::string loaded;
  form_->OnLoad = [&](TForm1& f) {
    ++loads;
    EXPECT_EQ(f.StartupLoadFlag(), 99);
    loaded = f.od1().file_name;
    f.SourceList().Add("C:\\loaded\\a.txt");
  };
  EXPECT_FALSE(IsWindowVisible(C(IDC_nb)));
  EXPECT_TRUE(IsWindowVisible(C(IDC_ll)));
  EXPECT_EQ(State(IDC_ll).text, "Loading \"" + project + "\"...");
  EXPECT_TRUE(State(IDC_Back).enabled);
  DWORD start = GetTickCount();
  while (loads == 0 && GetTickCount() - start < 5000) {
    Pump(form_->handle());
    Sleep(20);
  }
  EXPECT_EQ(loads, 1);
  EXPECT_EQ(loaded, project);
  EXPECT_EQ(form_->StartupLoadFlag(), 0);
  EXPECT_EQ(form_->ActivePage(), kFiles);
  EXPECT_TRUE(IsWindowVisible(C(IDC_nb)));
  EXPECT_FALSE(IsWindowVisible(C(IDC_ll)));
  EXPECT_TRUE(State(IDC_Back).enabled);
  Sleep(1200);
  Pump(form_->handle());
  EXPECT_EQ(loads, 1) << "the timer runs once";
}

// --- opening and saving projects -------------------------------------------

void WriteBytes(const std::string& path, const std::string& bytes) {
  std::ofstream(os::HostPath(path), std::ios::binary) << bytes;
}

std::string ReadBytes(const std::string& path) {
  std::ifstream in(os::HostPath(path), std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// A project in exactly the bytes the wizard writes for it; every value
// differs from the window's initial state.
std::string FullProject(const std::string& folder) {
  return "[Kestro]\r\nVersionString=Version 1.4.2 (Build 88)\r\n"
         "[Settings]\r\nPromptShow=0\r\nPasswordShow=1\r\nProgressShow=0\r\nPromptText=Go on?\r\n"
         "Password=s3cret\r\nPasswordText=Key:\r\nFolderSelText=Where to?\r\nProgressText=Busy\r\n"
         "Quiet=1\r\nShowFileWindow=1\r\nLinkCreate=1\r\nLinkStartMenu=1\r\nLinkDesktop=1\r\n"
         "LinkFileName=b.exe\r\nLinkDisplay=My App\r\nRunWaitFor=b.exe\r\nShowLicense=1\r\n"
         "LicenseText=Line A\x01\xFFLine B\r\nCancel=&Stop\r\nContinue=&Go\r\nCaption=My Setup\r\n"
         "RunTextFile=1\r\nRunTextFileName=read.txt\r\nShowFinalMsg=1\r\nFinalMsg=All done.\r\n"
         "RunProgram=1\r\nExtractOnly=0\r\nRunProgExeName=b.exe\r\nRunProgExePara=/q\r\n"
         "ExtractOnlyPath=C:\\Dest\r\nExtractOnlyNoDlg=0\r\nOutput=C:\\out\\my.exe\r\n"
         "[Files]\r\nNumFiles=2\r\nFile1=" +
         folder + "a.txt\r\nFile2=" + folder + "b.exe\r\n";
}

class ProjectTest : public Form1Test {
 protected:
  void SetUp() override {
    folder_ = TestFolder("project");
    Start(folder_);
    form_->CreateCompanions();
    form_->OnCreateScript = [](TForm1& f) { f.CreateScript(); };
    for (const char* name : {"a.txt", "b.exe"}) WriteBytes(folder_ + name, "x");
  }
  // Presses "Open a project ..." on "load"; the dialog answers `path`, or
  // is cancelled when it is empty.
  void Open(const std::string& path) {
    GoTo(kLoad);
    auto previous = ui::FileDialog::SetResponder([&](ui::FileDialog& d) {
      dialog_ = d;
      d.file_name = path;
      return !path.empty();
    });
    Click(IDC_btnOpen);
    ui::FileDialog::SetResponder(previous);
  }
  std::string LicText() { return form_->LicenceEditor()->LicText(); }
  bool Shown(int group) {  // the group's own state; its page may be hidden
    return (GetWindowLongPtrA(GetDlgItem(form_->Page(kSelectExe), group), GWL_STYLE) & WS_VISIBLE) != 0;
  }

  std::string folder_;
  ui::FileDialog dialog_;
};

TEST_F(ProjectTest, LoadsEveryKeyIntoItsControl) {
  const std::string project = folder_ + "full.tkp";
  WriteBytes(project, FullProject(folder_));
  ScriptedResponder boxes;
  Open(project);
  EXPECT_TRUE(boxes.shown().empty()) << boxes.shown()[0].text;
  EXPECT_EQ(dialog_.filter, "Project Files (*.tkp)|*.tkp|All Files (*.*)|*.*");
  EXPECT_TRUE(dialog_.hide_read_only);
  EXPECT_FALSE(dialog_.file_must_exist);
  EXPECT_EQ(form_->ActivePage(), kLoad);
  EXPECT_EQ(State(IDC_Edit6).text, project);

  const std::pair<int, bool> boxes_on[] = {
      {IDC_ch1, false},
      {IDC_Pwd, true},
      {IDC_ch2, false},
      {IDC_chkQuiet, true},
      {IDC_ch55, true},
      {IDC_ch54, true},
      {IDC_ch53, true},
      {IDC_ch52, true},
      {IDC_licchk, true},
      {IDC_cExe, true},
      {IDC_finmsgchk, true},
      {IDC_RadioButton953, true},
      {IDC_RadioButton954, false},
      {IDC_dissel, false},
  };
  for (auto [id, on] : boxes_on) EXPECT_EQ(Checked(id), on) << id;
  const std::pair<int, const char*> texts[] = {
      {IDC_Edit1, "Go on?"}, {IDC_Edit5, "s3cret"},    {IDC_Edit7, "Key:"},    {IDC_Edit10, "Where to?"},
      {IDC_Edit3, "Busy"},   {IDC_e66, "My App"},      {IDC_Edit12, "b.exe"},  {IDC_eCan, "&Stop"},
      {IDC_eCon, "&Go"},     {IDC_eTitle, "My Setup"}, {IDC_eExe, "read.txt"}, {IDC_finmsg, "All done."},
      {IDC_cb2, "b.exe"},    {IDC_Edit9, "/q"},        {IDC_cb3, "C:\\Dest"},  {IDC_Edit4, "C:\\out\\my.exe"},
  };
  for (auto [id, text] : texts) EXPECT_EQ(State(id).text, text) << id;
  EXPECT_EQ(form_->SourceList().Items(), (std::vector<std::string>{folder_ + "a.txt", folder_ + "b.exe"}));
  EXPECT_EQ(LicText(), "Line A\r\nLine B\r\n");
  // The dependent controls follow their boxes as after a click.
  for (int id : {IDC_Edit1, IDC_btnTestPrmpt, IDC_Edit3}) EXPECT_FALSE(State(id).enabled) << id;
  for (int id : {IDC_Edit7, IDC_Edit5, IDC_btnEditLicText, IDC_eExe, IDC_finmsg, IDC_btnTestMsg, IDC_cbl})
    EXPECT_TRUE(State(id).enabled) << id;
  EXPECT_TRUE(Shown(IDD_gb4));
  EXPECT_FALSE(Shown(IDD_Gb5));
}

TEST_F(ProjectTest, MissingKeysTakeTheirDefaultsOrKeepTheControl) {
  // A first project sets every control; a second without keys resets those
  // with a default and leaves the others as the first one set them.
  const std::string full = folder_ + "full.tkp", empty = folder_ + "empty.tkp";
  WriteBytes(full, FullProject(folder_));
  WriteBytes(empty, "[Files]\r\nNumFiles=0\r\n");
  ScriptedResponder boxes;
  Open(full);
  Open(empty);
  EXPECT_TRUE(boxes.shown().empty());
  for (int id : {IDC_chkQuiet, IDC_ch55, IDC_ch54, IDC_ch53, IDC_ch52, IDC_licchk, IDC_cExe, IDC_finmsgchk})
    EXPECT_FALSE(Checked(id)) << id;
  const std::pair<int, const char*> defaults[] = {
      {IDC_e66, ""},
      {IDC_Edit12, ""},
      {IDC_eCan, "&Cancel"},
      {IDC_eCon, "&Continue"},
      {IDC_eTitle, "Setup"},
      {IDC_eExe, ""},
      {IDC_finmsg, "Files have been extracted."},
  };
  for (auto [id, text] : defaults) EXPECT_EQ(State(id).text, text) << id;
  const std::pair<int, const char*> kept[] = {
      {IDC_Edit1, "Go on?"},     {IDC_Edit5, "s3cret"}, {IDC_Edit7, "Key:"},
      {IDC_Edit10, "Where to?"}, {IDC_Edit3, "Busy"},   {IDC_cb2, "b.exe"},
      {IDC_Edit9, "/q"},         {IDC_cb3, "C:\\Dest"}, {IDC_Edit4, "C:\\out\\my.exe"},
  };
  for (auto [id, text] : kept) EXPECT_EQ(State(id).text, text) << id;
  EXPECT_FALSE(Checked(IDC_ch1));
  EXPECT_TRUE(Checked(IDC_Pwd));
  EXPECT_TRUE(Checked(IDC_RadioButton953));
  EXPECT_FALSE(Checked(IDC_dissel));
  EXPECT_TRUE(form_->SourceList().Items().empty());
  EXPECT_EQ(LicText(), "\r\n") << "one empty line";
  for (int id : {IDC_btnEditLicText, IDC_eExe, IDC_finmsg, IDC_btnTestMsg, IDC_cbl})
    EXPECT_FALSE(State(id).enabled) << id;
  EXPECT_EQ(State(IDC_Edit6).text, empty);
}

TEST_F(ProjectTest, OpenDialogExitsAndWarnings) {
  const std::string before = State(IDC_Edit6).text;
  {
    ScriptedResponder boxes;
    Open("");
    Open(folder_ + "no such project.tkp");
    ASSERT_EQ(boxes.shown().size(), 1u);
    EXPECT_EQ(boxes.shown()[0].text,
              "The selected file does not exists.\r\ntessaron Kestro will create a new file.");
    EXPECT_EQ(boxes.shown()[0].caption, "Warning");
    EXPECT_EQ(boxes.shown()[0].icon(), static_cast<UINT>(MB_ICONINFORMATION));
    EXPECT_EQ(State(IDC_Edit6).text, before);
    EXPECT_EQ(State(IDC_eTitle).text, "Setup");
  }
  {
    // No NumFiles: the warning, then the list as read (none).
    const std::string old = folder_ + "old.tkp";
    WriteBytes(old, "[Settings]\r\nCaption=Old One\r\n[Files]\r\nFile1=C:\\x.txt\r\n");
    ScriptedResponder boxes;
    Open(old);
    ASSERT_EQ(boxes.shown().size(), 1u);
    EXPECT_EQ(boxes.shown()[0].caption, "Old Version Warning");
    EXPECT_EQ(boxes.shown()[0].icon(), static_cast<UINT>(MB_ICONEXCLAMATION));
    EXPECT_EQ(boxes.shown()[0].text.rfind("The selected project file has been created with an old version of "
                                          "tessaron Kestro\r\n\r\nBecause of another Source Files management",
                                          0),
              0u);
    EXPECT_TRUE(form_->SourceList().Items().empty());
    EXPECT_EQ(State(IDC_eTitle).text, "Old One");
  }
  {
    // Two entries naming no file and one missing key: all listed, one warning.
    const std::string gone = folder_ + "gone.tkp";
    WriteBytes(gone, "[Files]\r\nNumFiles=4\r\nFile1=" + folder_ +
                         "a.txt\r\nFile2=C:\\gone\\x.txt\r\nFile4=" + folder_ + "b.exe\r\n");
    ScriptedResponder boxes;
    Open(gone);
    ASSERT_EQ(boxes.shown().size(), 1u);
    EXPECT_EQ(boxes.shown()[0].text,
              "One or more files that have been added to the Source File List do no longer exist.");
    EXPECT_EQ(boxes.shown()[0].caption, "Warning");
    EXPECT_EQ(boxes.shown()[0].icon(), static_cast<UINT>(MB_ICONEXCLAMATION));
    EXPECT_EQ(form_->SourceList().Items(),
              (std::vector<std::string>{folder_ + "a.txt", "C:\\gone\\x.txt", "Error", folder_ + "b.exe"}));
  }  {
    // Relative entries, as kestro-compiler writes them, lie in the
    // project's folder, whatever the wizard's current folder: no warning.
    // One that is not there is still missing.
    os::CreateDir(folder_ + "sub");
    const std::string beside = folder_ + "sub\\relative.tkp";
    WriteBytes(beside, "[Files]\r\nNumFiles=2\r\nFile1=..\\a.txt\r\nFile2=..\\b.exe\r\n");
    ScriptedResponder boxes;
    Open(beside);
    EXPECT_TRUE(boxes.shown().empty());
    EXPECT_EQ(form_->SourceList().Items(), (std::vector<std::string>{"..\\a.txt", "..\\b.exe"}));
    WriteBytes(beside, "[Files]\r\nNumFiles=1\r\nFile1=a.txt\r\n");
    Open(beside);
    ASSERT_EQ(boxes.shown().size(), 1u);
    EXPECT_EQ(boxes.shown()[0].text,
              "One or more files that have been added to the Source File List do no longer exist.");
  }
}

TEST_F(ProjectTest, BoxesAndModesFollowTheFileAsAfterAClick) {
  struct Case {
    const char* settings;
    bool run, extract, gb4_shown;
  };
  // From the initial state: extract-only selected, its group shown.
  const Case cases[] = {
      {"RunProgram=1\r\nExtractOnly=1\r\n", false, true, false},  // the one set last wins
      {"RunProgram=1\r\nExtractOnly=0\r\n", true, false, true},
      {"RunProgram=0\r\nExtractOnly=0\r\n", false, false, true},  // neither; the group shown stays
  };
  const std::string project = folder_ + "modes.tkp";
  ScriptedResponder boxes;
  for (const Case& c : cases) {
    WriteBytes(project, std::string("[Settings]\r\n") + c.settings + "[Files]\r\nNumFiles=0\r\n");
    Open(project);
    EXPECT_EQ(Checked(IDC_RadioButton953), c.run) << c.settings;
    EXPECT_EQ(Checked(IDC_RadioButton954), c.extract) << c.settings;
    EXPECT_EQ(Shown(IDD_gb4), c.gb4_shown) << c.settings;
    EXPECT_NE(Shown(IDD_Gb5), c.gb4_shown) << c.settings;
  }
  WriteBytes(project, "[Settings]\r\nPromptShow=0\r\nPasswordShow=1\r\n[Files]\r\nNumFiles=0\r\n");
  Open(project);
  EXPECT_FALSE(State(IDC_Edit1).enabled);
  EXPECT_FALSE(State(IDC_btnTestPrmpt).enabled);
  EXPECT_TRUE(State(IDC_Edit5).enabled);
  // Same state again: nothing runs, so a follower enabled by hand stays so.
  EnableWindow(C(IDC_Edit1), TRUE);
  Open(project);
  EXPECT_TRUE(State(IDC_Edit1).enabled);
}

TEST_F(ProjectTest, SaveWritesEveryKeyAndReopensToTheSameBytes) {
  // Compiler-only sections and keys in the opened file are gone after a save.
  const std::string project = folder_ + "round trip.tkp";
  const std::string expected = FullProject(folder_);
  std::string with_extras = expected;
  with_extras.insert(with_extras.find("[Files]"), "Yes=&Ja\r\nNo=&Nein\r\n");
  with_extras += "[Dirs]\r\n1=Sub\r\n[Icons]\r\n1=a,b,c\r\n[INI]\r\n1=a,b,c,d,e\r\n[Registry]\r\n1=x\r\n";
  WriteBytes(project, with_extras);
  ScriptedResponder boxes;
  Open(project);
  GoTo(kSave);  // through "selectexe", which selects the loaded shortcut target again
  EXPECT_EQ(form_->SelectedItem(IDC_cbl), "b.exe");
  Click(IDC_Next);
  EXPECT_EQ(form_->ActivePage(), kDone);
  EXPECT_EQ(ReadBytes(project), expected);
  EXPECT_FALSE(os::FileExists(project + ".new"));

  Open(project);
  GoTo(kSave);
  Click(IDC_Next);
  EXPECT_EQ(ReadBytes(project), expected) << "saved twice without changes";
  EXPECT_TRUE(boxes.shown().empty());
}

TEST_F(ProjectTest, SaveTakesDisabledControlsTheListSelectionAndTheLicence) {
  const std::string project = folder_ + "fresh.tkp";
  form_->SetText(IDC_Edit6, project);
  form_->SourceList().Add(folder_ + "a.txt");
  form_->LicenceEditor()->SetLicText("A\r\nB\r\n");
  form_->SetChecked(IDC_ch1, false);  // its text is still written
  form_->CreateScript();
  const std::string saved = ReadBytes(project);
  EXPECT_NE(saved.find("PromptShow=0\r\nPasswordShow=0\r\nProgressShow=1\r\n"
                       "PromptText=Do you want to extract the files from this archive?\r\n"),
            std::string::npos)
      << saved;
  EXPECT_NE(saved.find("LinkFileName=\r\n"), std::string::npos) << "no entry of cbl selected";
  EXPECT_NE(saved.find("LicenseText=A\x01\xFF"
                       "B\r\nCancel=&Cancel\r\n"),
            std::string::npos)
      << saved;
  EXPECT_NE(saved.find("RunProgram=0\r\nExtractOnly=1\r\nRunProgExeName=\r\n"), std::string::npos);
  EXPECT_NE(saved.find("Output=" + folder_ + "Output.exe\r\n[Files]\r\nNumFiles=1\r\nFile1=" + folder_ +
                       "a.txt\r\n"),
            std::string::npos)
      << saved;
  // Only the final line break goes, as a whole (CR LF, a lone CR or LF); a
  // text without one keeps its last character.
  const struct {
    const char* memo;
    const char* stored;
  } licences[] = {
      {"A\r\nB", "A\x01\xFF" "B"},
      {"A\r\nB\n", "A\x01\xFF" "B"},
      {"A\r\nB\r", "A\x01\xFF" "B"},
      {"A\r\nB\r\n\r\n", "A\x01\xFF" "B\x01\xFF"},
  };
  for (const auto& l : licences) {
    form_->LicenceEditor()->SetLicText(l.memo);
    form_->CreateScript();
    EXPECT_NE(ReadBytes(project).find(std::string("LicenseText=") + l.stored + "\r\nCancel="), std::string::npos)
        << l.memo;
  }
}

// Reading a project takes away a pair of enclosing quotes; a quoted
// parameter typed by the author comes back as typed, save after save.
TEST_F(ProjectTest, QuotedTextsComeBackAsTyped) {
  const std::string project = folder_ + "quoted.tkp";
  const std::string typed = "\"C:\\My Files\\log.txt\"";
  form_->SetText(IDC_Edit6, project);
  form_->SetText(IDC_Edit9, typed);
  form_->SetText(IDC_eTitle, "'Single'");
  form_->CreateScript();
  const std::string saved = ReadBytes(project);
  EXPECT_NE(saved.find("RunProgExePara=\"" + typed + "\"\r\n"), std::string::npos) << saved;
  form_->SetText(IDC_Edit9, "");
  form_->SetText(IDC_eTitle, "");
  ScriptedResponder boxes;
  Open(project);
  EXPECT_EQ(State(IDC_Edit9).text, typed);
  EXPECT_EQ(State(IDC_eTitle).text, "'Single'");
  form_->CreateScript();
  EXPECT_EQ(ReadBytes(project), saved);
}

TEST_F(ProjectTest, AFailedSaveKeepsTheOldFileAndThePage) {
  const std::string project = folder_ + "read only.tkp";
  WriteBytes(project, "[Settings]\r\nCaption=Old\r\n");
  SetFileAttributesA(project.c_str(), FILE_ATTRIBUTE_READONLY);
  form_->SetText(IDC_Edit6, project);
  GoTo(kSave);
  ScriptedResponder boxes;
  Click(IDC_Next);
  SetFileAttributesA(project.c_str(), FILE_ATTRIBUTE_NORMAL);
  ASSERT_EQ(boxes.shown().size(), 1u);
  EXPECT_EQ(boxes.shown()[0].text,
            "Kann nicht nach " + project + " schreiben.");  // the error box adds the period
  EXPECT_EQ(form_->ActivePage(), kSave);
  EXPECT_EQ(ReadBytes(project), "[Settings]\r\nCaption=Old\r\n");
  EXPECT_FALSE(os::FileExists(project + ".new"));
}

TEST_F(ProjectTest, CommandLineProjectIsLoadedWithoutTheDialog) {
  const std::string project = folder_ + "start up.tkp";
  WriteBytes(project, FullProject(folder_));
  Start(folder_, "Kestro.exe \"" + project + "\"");
  form_->CreateCompanions();
  int dialogs = 0;
  auto previous = ui::FileDialog::SetResponder([&](ui::FileDialog&) { return ++dialogs, false; });
  ScriptedResponder boxes;
  DWORD start = GetTickCount();
  while (form_->ActivePage() != kFiles && GetTickCount() - start < 5000) {
    Pump(form_->handle());
    Sleep(20);
  }
  ui::FileDialog::SetResponder(previous);
  EXPECT_EQ(dialogs, 0);
  EXPECT_TRUE(boxes.shown().empty());
  EXPECT_EQ(form_->ActivePage(), kFiles);
  EXPECT_TRUE(State(IDC_Back).enabled);
  EXPECT_EQ(State(IDC_eTitle).text, "My Setup");
  EXPECT_EQ(State(IDC_Edit6).text, project);
  EXPECT_EQ(form_->SourceList().Items().size(), 2u);
  EXPECT_EQ(LicText(), "Line A\r\nLine B\r\n");
}

}  // namespace
}  // namespace kestro::wizard
