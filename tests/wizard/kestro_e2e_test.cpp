// Kestro.exe as its own process, driven through its real windows by the
// driver: the default paths beside the program, the About box, the page
// flow, the command-line start, the warnings of an opened project, and the
// end by Cancel.
#include "tests/wizard/kestro_process.h"
#include "wizard/resource.h"

namespace kestro {
namespace {

using KestroE2E = KestroProcessTest;

TEST_F(KestroE2E, DefaultProjectAndOutputBesideTheProgram) {
  struct {
    const char* name;
    std::initializer_list<const char*> beside;
    const char* project;
  } cases[] = {
      {"fresh", {}, "New Project.tkp"},
      {"taken", {"New Project.tkp"}, "New Project 2.tkp"},
      {"both", {"New Project.tkp", "New Project 2.tkp"}, "New Project 2.tkp"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    std::string folder = Install(c.name, c.beside);
    HWND wnd = Start(folder);
    ASSERT_TRUE(wnd);
    EXPECT_EQ(TextOf(wnd, IDC_Edit6), folder + c.project);
    EXPECT_EQ(TextOf(wnd, IDC_Edit4), folder + "Output.exe");
    // Cancel ends the program; closing by the system menu does the same.
    if (c.beside.size() == 2)
      PostMessageA(wnd, WM_CLOSE, 0, 0);
    else
      Click(wnd, IDC_Cancel);
    EXPECT_TRUE(kestro_.Wait(15000));
  }
}

TEST_F(KestroE2E, AboutBoxAndPageFlow) {
  HWND wnd = Start(Install("flow"));
  ASSERT_TRUE(wnd);
  EXPECT_EQ(TextOf(wnd, IDC_verLbl), "Version 1.4.2 (Build 88)");
  Click(wnd, IDC_btnAbout);
  HWND about = driver::WaitForWindow("About tessaron Kestro", kestro_.pid(), 15000);
  ASSERT_TRUE(about);
  EXPECT_TRUE(Has(driver::StaticTexts(about), "Version 1.4.2 (Build 88)"));
  EXPECT_FALSE(IsWindowEnabled(wnd)) << "shown modally";
  ASSERT_TRUE(driver::PressButton(about, "OK"));
  EXPECT_TRUE(driver::WaitWindowGone(about, 10000));
  EXPECT_TRUE(WaitUntil([&] { return IsWindowEnabled(wnd) != 0; }));

  // Through the pages to "selectexe", then the groups by their radio buttons.
  const int visible_on_page[] = {IDC_btnAbout, IDC_Edit6,  IDC_lbSrcFiles,
                                 IDC_ch1,      IDC_eTitle, IDC_RadioButton953};
  for (int page = 1; page < 6; ++page) {
    Click(wnd, IDC_Next);
    ASSERT_TRUE(WaitUntil([&] { return Visible(wnd, visible_on_page[page]); })) << page;
    EXPECT_FALSE(Visible(wnd, visible_on_page[page - 1]));
    EXPECT_TRUE(driver::StateOf(driver::FindControl(wnd, IDC_Back)).enabled);
  }
  EXPECT_TRUE(Visible(wnd, IDC_Gb5));
  Click(wnd, IDC_RadioButton953);
  EXPECT_TRUE(WaitUntil([&] { return Visible(wnd, IDC_gb4) && !Visible(wnd, IDC_Gb5); }));
  Click(wnd, IDC_IEButton2);
  HWND help = driver::WaitForWindow("Wait For Program", kestro_.pid(), 15000);
  ASSERT_TRUE(help);
  ASSERT_TRUE(driver::PressButton(help, "OK"));
  EXPECT_TRUE(driver::WaitWindowGone(help, 10000));

  Click(wnd, IDC_Next);  // "save"
  ASSERT_TRUE(WaitUntil([&] { return Visible(wnd, IDC_Edit4); }));
  Click(wnd, IDC_sco);   // the project file only: this test walks the pages
  Click(wnd, IDC_Next);  // "done"
  ASSERT_TRUE(WaitUntil([&] { return TextOf(wnd, IDC_Next) == "&New >"; }));
  EXPECT_EQ(TextOf(wnd, IDC_Cancel), "&Exit");
  Click(wnd, IDC_Back);
  ASSERT_TRUE(WaitUntil([&] { return TextOf(wnd, IDC_Next) == "&Next >"; }));
  EXPECT_EQ(TextOf(wnd, IDC_Cancel), "&Exit");
  Click(wnd, IDC_Cancel);  // "&Exit" ends it as "&Cancel" does
  EXPECT_TRUE(kestro_.Wait(15000));
}

TEST_F(KestroE2E, ProjectNamedOnTheCommandLine) {
  std::string folder = Install("cmdline");
  std::ofstream(os::HostPath(folder + "my project.tkp"))
      << "[Settings]\nCaption=From The Command Line\n[Files]\nNumFiles=0\n";
  HWND wnd = Start(folder, "\"" + folder + "my project.tkp\"");
  ASSERT_TRUE(wnd);
  const std::string loading = "Loading \"" + folder + "my project.tkp\"...";
  // Before Timer1 fires the notebook is hidden behind "Loading ..."; a second
  // later the "files" page shows, Back enabled.
  bool saw_loading = Visible(wnd, IDC_ll) && TextOf(wnd, IDC_ll) == loading;
  ASSERT_TRUE(WaitUntil([&] { return Visible(wnd, IDC_lbSrcFiles); }));
  EXPECT_TRUE(saw_loading || TextOf(wnd, IDC_ll) == loading);
  EXPECT_FALSE(Visible(wnd, IDC_ll));
  EXPECT_TRUE(driver::StateOf(driver::FindControl(wnd, IDC_Back)).enabled);
  EXPECT_EQ(TextOf(wnd, IDC_eTitle), "From The Command Line");
  EXPECT_EQ(TextOf(wnd, IDC_Edit6), folder + "my project.tkp");
  Click(wnd, IDC_Cancel);
  EXPECT_TRUE(kestro_.Wait(15000));

  // A missing project: the notice, then the normal start on "welcome".
  EXPECT_TRUE(kestro_.Start("\"" + folder + "Kestro.exe\" \"" + folder + "gone.tkp\"", false, folder));
  HWND box = driver::WaitForWindow(kMain, kestro_.pid(), 30000);
  ASSERT_TRUE(box);
  EXPECT_TRUE(Has(driver::StaticTexts(box), folder + "gone.tkp does not exist!"));
  ASSERT_TRUE(driver::PressButton(box, "OK"));
  EXPECT_TRUE(driver::WaitWindowGone(box, 10000));
  wnd = driver::WaitForWindow(kMain, kestro_.pid(), 30000);
  ASSERT_TRUE(wnd);
  ASSERT_TRUE(WaitUntil([&] { return Visible(wnd, IDC_btnAbout); }));
  EXPECT_FALSE(driver::StateOf(driver::FindControl(wnd, IDC_Back)).enabled);
}

// Projects the wizard warns about when it opens them: one from an old
// version (no NumFiles) and one naming files that are gone. Each box comes
// once; then the "files" page shows the list as read.
TEST_F(KestroE2E, OldProjectsAndMissingFilesAreWarnedAboutOnce) {
  struct {
    const char* name;
    std::string project;
    const char* title;
    const char* caption;
    const char* starts;
    std::vector<std::string> listed;
  } cases[] = {
      {"old version", "[Settings]\r\nCaption=Old One\r\n[Files]\r\nFile1=C:\\x.txt\r\n", "Old One",
       "Old Version Warning", "The selected project file has been created with an old version of ", {}},
      {"missing files",
       "[Settings]\r\nCaption=Gone One\r\n[Files]\r\nNumFiles=2\r\nFile1=C:\\gone\\x.txt\r\nFile2=C:\\gone\\y.txt\r\n",
       "Gone One", "Warning", "One or more files that have been added to the Source File List do no longer exist.",
       {"C:\\gone\\x.txt", "C:\\gone\\y.txt"}},
  };
  const std::string folder = Install("warned");
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const std::string project = folder + c.name + ".tkp";
    std::ofstream(os::HostPath(project), std::ios::binary) << c.project;
    HWND wnd = Start(folder, "\"" + project + "\"");
    ASSERT_TRUE(wnd);
    HWND box = driver::WaitForWindow(c.caption, kestro_.pid(), 30000);
    ASSERT_TRUE(box);
    std::vector<std::string> texts = driver::StaticTexts(box);
    EXPECT_TRUE(std::any_of(texts.begin(), texts.end(),
                            [&](const std::string& t) { return t.rfind(c.starts, 0) == 0; }));
    ASSERT_TRUE(driver::PressButton(box, "OK"));
    EXPECT_TRUE(driver::WaitWindowGone(box, 10000));
    ASSERT_TRUE(WaitUntil([&] { return Visible(wnd, IDC_lbSrcFiles); }));
    EXPECT_FALSE(driver::WaitForWindow(c.caption, kestro_.pid(), 1000)) << "a second box";
    EXPECT_EQ(driver::ListItems(driver::FindControl(wnd, IDC_lbSrcFiles)), c.listed);
    EXPECT_EQ(TextOf(wnd, IDC_eTitle), c.title);
    Click(wnd, IDC_Cancel);
    EXPECT_TRUE(kestro_.Wait(15000));
  }
}

}  // namespace
}  // namespace kestro
