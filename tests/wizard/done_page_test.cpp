// The compiler launch from "save" and the "done" page, with the main window
// in this process: the output path label, "Create Projectfile only", a
// compiler that cannot be found, a compiler run, Test Run and Details...
// clang-format off
#include <windows.h>
#include <commctrl.h>
// clang-format on
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "common/os.h"
#include "tests/win/driver.h"
#include "ui/message_box.h"
#include "ui/scripted_responder.h"
#include "ui/widgets.h"
#include "wizard/form1.h"
#include "wizard/resource.h"

namespace kestro::wizard {
namespace {

std::string WorkFolder(const std::string& name) {
  std::string dir = std::string(KESTRO_TEST_WORK) + "/" + name;
  os::CreateDir(std::string(KESTRO_TEST_WORK));
  os::CreateDir(dir);
  return driver::WinePath(dir);
}

void Pump() {
  MSG msg;
  while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
    if (msg.message == WM_QUIT) continue;
    TranslateMessage(&msg);
    DispatchMessageA(&msg);
  }
}

class DonePageTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    INITCOMMONCONTROLSEX controls = {sizeof controls, ICC_STANDARD_CLASSES};
    InitCommonControlsEx(&controls);
    ui::RegisterWidgets(GetModuleHandleA(nullptr));
    ui::SetApplicationTitle(kApplicationTitle);
  }
  void Start(const std::string& program_folder, bool record_commands = true) {
    TForm1::Options options;
    options.program_folder = program_folder;
    options.command_line = "Kestro.exe";
    form_ = std::make_unique<TForm1>(GetModuleHandleA(nullptr), options);
    if (record_commands) form_->RunCommand = [this](const std::string& cmd) { commands_.push_back(cmd); };
    form_->OnCreateScript = [](TForm1& form) { form.LaunchCompiler(); };
    form_->Show();
    Pump();
  }
  void SetUp() override { Start(WorkFolder("empty") + "\\"); }
  HWND C(int id) { return form_->Control(id); }
  void Click(int id) {
    ASSERT_TRUE(driver::ClickControl(C(id)));
    Pump();
  }
  void GoToSave() {
    while (form_->ActivePage() < kSave) Click(IDC_Next);
  }

  std::unique_ptr<TForm1> form_;
  std::vector<std::string> commands_;
};

TEST_F(DonePageTest, PageAsDesigned) {
  EXPECT_EQ(driver::StateOf(C(IDC_DoneSaved)).text, "The project file has been saved.");
  EXPECT_EQ(driver::StateOf(C(IDC_bseText)).text, "The location of the generated self-extracting file is:");
  EXPECT_EQ(driver::StateOf(C(IDC_Sel)).text, "(not yet created)");
  EXPECT_EQ(driver::StateOf(C(IDC_IEButton3)).text, "Test Run");
  EXPECT_EQ(driver::StateOf(C(IDC_DoneText)).text,
            "You can now create another self-extracting file by clicking \"New\"\n"
            "or close this wizard by choosing \"Exit\" ...");
  EXPECT_EQ(GetParent(C(IDC_Sel)), C(IDC_bse));
  EXPECT_EQ(GetParent(C(IDC_bse)), form_->Page(kDone));
}

TEST_F(DonePageTest, ProjectFileOnlyStartsNothingAndHidesThePanel) {
  const std::string output =
      "C:\\Users\\Author\\Documents\\Self-extracting files\\Release builds\\2026\\December\\setup of the "
      "product.exe";
  SetWindowTextA(C(IDC_Edit4), output.c_str());
  SendMessageA(C(IDC_sco), BM_SETCHECK, BST_CHECKED, 0);
  GoToSave();
  {
    ui::ScriptedResponder boxes;
    Click(IDC_Next);  // no compiler.exe anywhere: a start would fail
    EXPECT_TRUE(boxes.shown().empty());
  }
  EXPECT_EQ(form_->ActivePage(), kDone);
  EXPECT_FALSE(IsWindowVisible(C(IDC_bse)));
  EXPECT_EQ(form_->SelPath(), output);
  // Too wide for the label: drive, "...", the folders nearest the name, the name.
  const std::string shown = driver::StateOf(C(IDC_Sel)).text;
  EXPECT_EQ(shown.substr(0, 7), "C:\\...\\") << shown;
  const std::string name = "\\setup of the product.exe";
  ASSERT_GT(shown.size(), 6 + name.size()) << shown;  // at least one folder fits
  EXPECT_EQ(shown.substr(shown.size() - name.size()), name);
  EXPECT_LT(shown.size(), output.size());
  EXPECT_EQ(output.substr(output.size() - (shown.size() - 6)), shown.substr(6)) << shown;

  // Test Run starts the full path, quoted (it holds blanks).
  SendMessageA(C(IDC_sco), BM_SETCHECK, BST_UNCHECKED, 0);
  Click(IDC_IEButton3);
  EXPECT_EQ(commands_, std::vector<std::string>{"\"" + output + "\""});
}

TEST_F(DonePageTest, MissingCompilerReportsAndStaysOnSave) {
  SetWindowTextA(C(IDC_Edit4), "C:\\out.exe");
  GoToSave();
  {
    ui::ScriptedResponder boxes;
    Click(IDC_Next);
    ASSERT_EQ(boxes.shown().size(), 1u);
    EXPECT_EQ(boxes.shown()[0].text, "Fichier non trouv\xE9.");
    EXPECT_EQ(boxes.shown()[0].caption, "tessaron Kestro");
  }
  EXPECT_EQ(form_->ActivePage(), kSave);
  EXPECT_FALSE(IsIconic(form_->handle()));
  EXPECT_EQ(form_->SelPath(), "C:\\out.exe");
}

TEST_F(DonePageTest, CompilerRunMinimizesWaitsAndShowsThePanel) {
  // A stand-in compiler that the program search finds in the current folder.
  const std::string bin = WorkFolder("bin");
  ASSERT_TRUE(
      CopyFileA(driver::WinePath(KESTRO_APP_EXEC_CHILD).c_str(), (bin + "\\compiler.exe").c_str(), FALSE));
  char before[MAX_PATH] = {};
  GetCurrentDirectoryA(MAX_PATH, before);
  ASSERT_TRUE(SetCurrentDirectoryA(bin.c_str()));
  const std::string project = WorkFolder("my projects") + "\\new project.tkp";
  DeleteFileA(project.c_str());
  SetWindowTextA(C(IDC_Edit6), project.c_str());
  SetWindowTextA(C(IDC_Edit4), "C:\\out.exe");
  ShowWindow(C(IDC_bse), SW_HIDE);
  bool minimized_while_waiting = false, input_while_waiting = false;
  form_->Ae1.ProcessMessages = [&] {
    minimized_while_waiting = minimized_while_waiting || IsIconic(form_->handle());
    input_while_waiting = input_while_waiting || IsWindowEnabled(form_->handle());
    Pump();
  };
  GoToSave();
  {
    ui::ScriptedResponder boxes;
    Click(IDC_Next);
    EXPECT_TRUE(boxes.shown().empty());
  }
  SetCurrentDirectoryA(before);
  EXPECT_EQ(form_->ActivePage(), kDone);
  EXPECT_TRUE(minimized_while_waiting);
  EXPECT_FALSE(input_while_waiting) << "the window takes no input while the compiler runs";
  EXPECT_TRUE(IsWindowEnabled(form_->handle()));
  EXPECT_FALSE(IsIconic(form_->handle()));
  EXPECT_TRUE(IsWindowVisible(C(IDC_bse)));
  // The stand-in wrote its arguments over the project path: one argument.
  std::ifstream in(project, std::ios::binary);
  std::string count, arg;
  std::getline(in, count);
  std::getline(in, arg);
  EXPECT_EQ(count, "1");
  EXPECT_EQ(arg, project);
  EXPECT_EQ(form_->SelPath(), "C:\\out.exe");
  EXPECT_EQ(driver::StateOf(C(IDC_Sel)).text, "C:\\out.exe");
  // A relative Output (kestro-compiler stores them) is built in the
  // project's folder: that is where the label and Test Run point.
  SetWindowTextA(C(IDC_Edit4), "..\\built\\out.exe");
  SendMessageA(C(IDC_sco), BM_SETCHECK, BST_CHECKED, 0);
  Click(IDC_Back);
  Click(IDC_Next);
  EXPECT_EQ(form_->ActivePage(), kDone);
  EXPECT_EQ(form_->SelPath(), WorkFolder("built") + "\\out.exe");
}

TEST(DonePage, DetailsStartsTheCompilerWhichShowsItsHelp) {
  INITCOMMONCONTROLSEX controls = {sizeof controls, ICC_STANDARD_CLASSES};
  InitCommonControlsEx(&controls);
  ui::RegisterWidgets(GetModuleHandleA(nullptr));
  // The wizard's folder has a blank, as the default "C:\tessaron Kestro"
  // has; unquoted, Windows would first start the "tessaron.exe" before it.
  const std::string base = WorkFolder("details");
  const std::string folder = base + "\\tessaron Kestro\\";
  CreateDirectoryA(folder.c_str(), nullptr);
  ASSERT_TRUE(CopyFileA((driver::WinePath(KESTRO_DIST_DIR) + "\\Compiler.exe").c_str(),
                        (folder + "Compiler.exe").c_str(), FALSE));
  ASSERT_TRUE(CopyFileA((driver::WinePath(KESTRO_DIST_DIR) + "\\Stub1.dat").c_str(), (folder + "Stub1.dat").c_str(),
                        FALSE));
  ASSERT_TRUE(
      CopyFileA(driver::WinePath(KESTRO_APP_EXEC_CHILD).c_str(), (base + "\\tessaron.exe").c_str(), FALSE));
  TForm1::Options options;
  options.program_folder = folder;
  TForm1 form(GetModuleHandleA(nullptr), options);  // the real RunCommand
  form.Show();
  ASSERT_TRUE(driver::ClickControl(form.Control(IDC_btnCompilerDetails)));
  Pump();
  HWND help = driver::WaitForWindow("tessaron Kestro Compiler", 0, 30000);
  ASSERT_TRUE(help) << "no help box";
  EXPECT_TRUE(driver::PressButton(help, "OK"));
  EXPECT_TRUE(driver::WaitWindowGone(help, 20000));
}

}  // namespace
}  // namespace kestro::wizard
