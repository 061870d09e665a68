// The whole road, as an author takes it: Kestro.exe started on a project
// whose path holds blanks, files added through the open dialog and a folder
// through Add Folder, the texts, the password, the licence and the mode set
// by clicks and typing; Next on "save" saves the project and runs the real
// Compiler.exe beside the wizard. The output it builds then extracts with
// the right bytes, and kestro-extract lists every setting that was clicked.
// Also the failures of that last Next, seen through the real process.
#include <shlobj.h>

#include <map>
#include <set>

#include "tests/win/files.h"
#include "tests/wizard/kestro_process.h"
#include "wizard/resource.h"

namespace kestro {
namespace {

using driver::Exists;
using driver::ReadAll;
using driver::WriteAll;

constexpr int kOpenFileName = 1148;  // the file name box of the open dialog (cmb13)

std::string Dist(const char* name) { return driver::WinePath(KESTRO_DIST_DIR) + "\\" + name; }

// The first line of `text` that starts with `label`, "" if none.
std::string LineOf(const std::string& text, const std::string& label) {
  for (size_t at = 0; at < text.size();) {
    size_t end = text.find('\n', at);
    std::string line = text.substr(at, end == std::string::npos ? std::string::npos : end - at);
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (line.rfind(label, 0) == 0) return line;
    if (end == std::string::npos) break;
    at = end + 1;
  }
  return "";
}

class KestroRoad : public KestroProcessTest {
 protected:
  // <work>\<name>\ with "kestro dir\" holding Kestro.exe, Compiler.exe and
  // Stub1.dat (or no Compiler.exe), a folder of sources and one for projects.
  void Lay(const std::string& name, bool with_compiler = true) {
    const std::string host = std::string(KESTRO_TEST_WORK) + "/" + name;
    os::CreateDir(KESTRO_TEST_WORK);
    driver::RemoveTree(driver::WinePath(host));
    os::CreateDir(host);
    root_ = driver::WinePath(host) + "\\";
    program_ = root_ + "kestro dir\\";
    sources_ = root_ + "source files\\";
    projects_ = root_ + "my projects\\";
    for (const std::string& dir : {program_, sources_, sources_ + "more", projects_, root_ + "out dir",
                                   root_ + "tmp"})
      ASSERT_TRUE(CreateDirectoryA(dir.c_str(), nullptr)) << dir;
    ASSERT_TRUE(CopyFileA(driver::WinePath(KESTRO_EXE).c_str(), (program_ + "Kestro.exe").c_str(), FALSE));
    ASSERT_TRUE(CopyFileA(Dist("Stub1.dat").c_str(), (program_ + "Stub1.dat").c_str(), FALSE));
    if (with_compiler) {
      ASSERT_TRUE(CopyFileA(Dist("Compiler.exe").c_str(), (program_ + "Compiler.exe").c_str(), FALSE));
    }

    std::string text;
    for (int i = 0; i < 400; ++i) text += "line " + std::to_string(i) + " of the first file\r\n";
    std::string noise;
    for (unsigned i = 0, x = 7; i < 50000; ++i) noise += static_cast<char>((x = x * 1103515245u + 12345u) >> 24);
    sources_bytes_ = {{"a.txt", text}, {"b.txt", "the second file\r\n"}, {"c.txt", "in the folder\r\n"},
                      {"d.bin", noise}};
    for (const char* n : {"a.txt", "b.txt"}) WriteAll(sources_ + n, sources_bytes_[n]);
    for (const char* n : {"c.txt", "d.bin"}) WriteAll(sources_ + "more\\" + n, sources_bytes_[n]);
    // The setup program of the run mode writes its arguments and folder to
    // the file it is given.
    ASSERT_TRUE(CopyFileA(driver::WinePath(KESTRO_APP_EXEC_CHILD).c_str(), (sources_ + "setup.exe").c_str(),
                          FALSE));
    sources_bytes_["setup.exe"] = ReadAll(sources_ + "setup.exe");

    // The compiler and the extractor keep their work files in TMP: one of
    // this test alone.
    SetEnvironmentVariableA("TMP", (root_ + "tmp").c_str());
    SetEnvironmentVariableA("TEMP", (root_ + "tmp").c_str());
  }

  // Starts the wizard on a project, as an association or a shortcut would.
  HWND StartOn(const std::string& project) {
    HWND wnd = Start(program_, "\"" + project + "\"");
    if (wnd) {
      EXPECT_TRUE(WaitUntil([&] { return Visible(wnd, IDC_lbSrcFiles); }, 30000)) << "not on \"files\"";
    }
    return wnd;
  }

  // Add Files: the open dialog, its folder typed first, then two names.
  void AddFiles(HWND wnd, const std::string& folder, const std::string& names) {
    Click(wnd, IDC_btnAddSrcFiles);
    HWND open = driver::WaitForWindow("Open", kestro_.pid(), 20000);
    ASSERT_TRUE(open) << "no open dialog";
    HWND name = driver::FindControl(open, kOpenFileName);
    ASSERT_TRUE(name);
    // Into the folder, which empties the box; under load that can take a
    // while. A press the dialog did not take leaves the folder in the box:
    // press again; a dialog still setting itself up may have replaced it:
    // type it again.
    bool entered = false;
    for (int attempt = 0; attempt < 4 && !entered; ++attempt) {
      if (driver::WindowText(name) != folder) {
        ASSERT_TRUE(driver::SetControlText(name, folder));
      }
      ASSERT_TRUE(driver::PressButton(open, "&Open"));
      entered = WaitUntil([&] { return driver::WindowText(name).empty(); }, 15000);
    }
    ASSERT_TRUE(entered) << "the open dialog did not enter " << folder << "; its box holds \""
                         << driver::WindowText(name) << "\"";
    ASSERT_TRUE(driver::SetControlText(name, names));
    ASSERT_TRUE(driver::PressButton(open, "&Open"));
    ASSERT_TRUE(driver::WaitWindowGone(open, 20000));
  }

  void AddFolder(HWND wnd, const std::string& folder) {
    Click(wnd, IDC_btnAddSrcDir);
    HWND dialog = driver::WaitForWindow("Add Folder", kestro_.pid(), 20000);
    ASSERT_TRUE(dialog) << "no Add Folder dialog";
    SetText(dialog, IDC_edSelFol, folder);
    Click(dialog, IDC_btnOk);
    ASSERT_TRUE(driver::WaitWindowGone(dialog, 20000));
  }

  void Next(HWND wnd, int shown_control) {
    Click(wnd, IDC_Next);
    ASSERT_TRUE(WaitUntil([&] { return Visible(wnd, shown_control); })) << shown_control;
  }
  // From "files" to "save" without changing anything.
  void NextToSave(HWND wnd) {
    for (int shown : {IDC_ch1, IDC_eTitle, IDC_RadioButton953, IDC_Edit4}) ASSERT_NO_FATAL_FAILURE(Next(wnd, shown));
  }

  // A check box to the wanted state, by a click as a person would.
  void Check(HWND wnd, int id, bool on = true) {
    if (Checked(wnd, id) != on) Click(wnd, id);
    ASSERT_TRUE(WaitUntil([&] { return Checked(wnd, id) == on; })) << id;
  }

  // Runs a program to its end under this test's Wine session.
  driver::ChildProcess& Run(const std::string& command, bool capture = false) {
    EXPECT_TRUE(child_.Start(command, capture, root_)) << command;
    EXPECT_TRUE(child_.Wait(120000)) << command;
    return child_;
  }

  std::string root_, program_, sources_, projects_;
  std::map<std::string, std::string> sources_bytes_;
  driver::ChildProcess child_;
};

TEST_F(KestroRoad, FromTheAuthorsClicksToAnOutputThatExtracts) {
  struct Mode {
    const char* name;
    bool run_setup;
  } modes[] = {{"extract only, with a shortcut", false}, {"run a setup program", true}};
  for (const Mode& mode : modes) {
    SCOPED_TRACE(mode.name);
    ASSERT_NO_FATAL_FAILURE(Lay(mode.run_setup ? "road run" : "road extract"));
    const std::string project = projects_ + "road project.tkp";
    const std::string output = root_ + "out dir\\road output.exe";
    const std::string shortcut = std::string("Kestro road shortcut ") + std::to_string(GetCurrentProcessId());
    const std::string marker = root_ + "setup ran.txt";
    WriteAll(project, "[Settings]\r\nCaption=Before\r\n[Files]\r\nNumFiles=0\r\n");

    HWND wnd = StartOn(project);
    ASSERT_TRUE(wnd);
    EXPECT_EQ(TextOf(wnd, IDC_eTitle), "Before");
    ASSERT_NO_FATAL_FAILURE(
        AddFiles(wnd, sources_, mode.run_setup ? "\"b.txt\" \"a.txt\" \"setup.exe\"" : "\"b.txt\" \"a.txt\""));
    ASSERT_NO_FATAL_FAILURE(AddFolder(wnd, sources_ + "more"));
    std::vector<std::string> items = driver::ListItems(driver::FindControl(wnd, IDC_lbSrcFiles));
    std::vector<std::string> picked = {sources_ + "b.txt", sources_ + "a.txt"};
    if (mode.run_setup) picked.push_back(sources_ + "setup.exe");
    ASSERT_EQ(items.size(), picked.size() + 2);
    EXPECT_EQ(std::vector<std::string>(items.begin(), items.begin() + picked.size()), picked);
    EXPECT_EQ(std::set<std::string>(items.begin() + picked.size(), items.end()),
              (std::set<std::string>{sources_ + "more\\c.txt", sources_ + "more\\d.bin"}));

    Next(wnd, IDC_ch1);  // "general": question, password, progress, closing message
    Check(wnd, IDC_ch1);
    SetText(wnd, IDC_Edit1, "Unpack the road files?");
    Check(wnd, IDC_Pwd);
    SetText(wnd, IDC_Edit5, "open sesame");
    Check(wnd, IDC_ch2);
    SetText(wnd, IDC_Edit3, "Unpacking the road files...");
    Check(wnd, IDC_finmsgchk);
    SetText(wnd, IDC_finmsg, "The road files are here.");

    Next(wnd, IDC_eTitle);  // "visual2": the caption and the licence
    SetText(wnd, IDC_eTitle, "Road Files");
    Check(wnd, IDC_licchk);
    Click(wnd, IDC_btnEditLicText);
    HWND lic = driver::WaitForWindow("License Agreement Text", kestro_.pid(), 20000);
    ASSERT_TRUE(lic);
    SetText(lic, IDC_Lic_LicText, "Road Licence\r\nUse it well.\r\n");
    Click(lic, IDC_Lic_Button1);
    ASSERT_TRUE(driver::WaitWindowGone(lic, 20000));

    Next(wnd, IDC_RadioButton953);  // "selectexe"
    if (mode.run_setup) {
      Click(wnd, IDC_RadioButton953);
      ASSERT_TRUE(WaitUntil([&] { return Visible(wnd, IDC_cb2); }));
      EXPECT_EQ(TextOf(wnd, IDC_cb2), "setup.exe") << "the setup program is chosen from the list";
      SetText(wnd, IDC_Edit9, "\"" + marker + "\"");  // quoted for its blanks
    } else {
      Click(wnd, IDC_RadioButton954);
      ASSERT_TRUE(WaitUntil([&] { return Visible(wnd, IDC_cb3); }));
      SetText(wnd, IDC_cb3, "C:\\Road Files");
      Check(wnd, IDC_ch54);
      Check(wnd, IDC_ch53);
      HWND cbl = driver::FindControl(wnd, IDC_cbl);
      std::vector<std::string> names = driver::ListItems(cbl);
      auto a = std::find(names.begin(), names.end(), "a.txt");
      ASSERT_NE(a, names.end());
      ASSERT_TRUE(driver::SelectItem(cbl, static_cast<int>(a - names.begin())));
      ASSERT_TRUE(WaitUntil([&] { return TextOf(wnd, IDC_e66) == "a.txt"; })) << "the name follows the choice";
      SetText(wnd, IDC_e66, shortcut);
    }

    Next(wnd, IDC_Edit4);  // "save"
    SetText(wnd, IDC_Edit4, output);
    EXPECT_FALSE(Checked(wnd, IDC_sco));
    ASSERT_FALSE(HasFatalFailure()) << "not all set: no compile";
    Click(wnd, IDC_Next);  // saves, then the real Compiler.exe builds the output
    ASSERT_TRUE(WaitUntil([&] { return TextOf(wnd, IDC_Next) == "&New >"; }, 180000)) << "no \"done\" page";
    EXPECT_TRUE(Visible(wnd, IDC_bse));
    // The label is too narrow for the path: drive, "...", the end of it.
    const std::string shown = TextOf(wnd, IDC_Sel);
    ASSERT_GT(shown.size(), 7u);
    EXPECT_EQ(shown.substr(0, 7), "Z:\\...\\") << shown;
    EXPECT_EQ(output.substr(output.size() - (shown.size() - 6)), shown.substr(6)) << shown;
    ASSERT_TRUE(Exists(output)) << output;
    const std::string saved = ReadAll(project);
    EXPECT_NE(saved.find("Caption=Road Files\r\n"), std::string::npos) << saved;

    // The output lists what was clicked.
    const std::string listing = Run("\"" + Dist("kestro-extract.exe") + "\" -l \"" + output + "\"", true).output();
    EXPECT_EQ(child_.exit_code(), 0u) << listing;
    EXPECT_EQ(LineOf(listing, "Caption:"), "Caption:          Road Files") << listing;
    EXPECT_EQ(LineOf(listing, "Licence:"), "Licence:          yes");
    EXPECT_EQ(LineOf(listing, "Question:"), "Question:         yes  \"Unpack the road files?\" [&Yes] [&No]");
    EXPECT_EQ(LineOf(listing, "Password:"), "Password:         yes  \"Please enter the password:\"");
    EXPECT_EQ(LineOf(listing, "Progress window:"),
              "Progress window:  yes  \"Unpacking the road files...\" [&Cancel]");
    for (const char* n : {"a.txt", "b.txt", "c.txt", "d.bin"})
      EXPECT_NE(listing.find(std::string("%a\\") + n), std::string::npos) << n;

    if (mode.run_setup) {
      EXPECT_EQ(LineOf(listing, "Mode:"), "Mode:             run program setup.exe \"" + marker +
                                              "\", wait for setup.exe, then remove the files");
      // Silent: extracted into a folder of its own, the program run with
      // its parameter and waited for, the folder removed.
      Run("\"" + output + "\" /S \"/P=open sesame\"");
      EXPECT_EQ(child_.exit_code(), 0u);
      const std::string ran = ReadAll(marker);
      ASSERT_FALSE(ran.empty()) << "the setup program did not run";
      std::vector<std::string> lines;
      for (size_t at = 0, nl; (nl = ran.find('\n', at)) != std::string::npos; at = nl + 1)
        lines.push_back(ran.substr(at, nl - at));
      ASSERT_EQ(lines.size(), 3u) << ran;
      EXPECT_EQ(lines[0], "1") << "the quoted parameter is one argument";
      EXPECT_EQ(lines[1], marker);
      EXPECT_FALSE(Exists(lines[2])) << "left behind: " << lines[2];
    } else {
      EXPECT_EQ(LineOf(listing, "Mode:"), "Mode:             extract only into C:\\Road Files (folder dialog: yes)");
      EXPECT_EQ(LineOf(listing, "Closing message:"), "Closing message:  yes  \"The road files are here.\"");
      EXPECT_EQ(LineOf(listing, "Shortcut:"),
                "Shortcut:         yes  " + shortcut + " -> %a\\a.txt (Start menu: yes, desktop: no)");
      const std::string dest = root_ + "extracted here";
      Run("\"" + output + "\" /S \"/P=open sesame\" /D=" + dest);
      EXPECT_EQ(child_.exit_code(), 0u);
      for (const auto& [n, bytes] : sources_bytes_) {
        if (n != "setup.exe") {
          EXPECT_EQ(ReadAll(dest + "\\" + n), bytes) << n;
        }
      }
      char programs[MAX_PATH] = {};
      ASSERT_TRUE(SUCCEEDED(SHGetFolderPathA(nullptr, CSIDL_PROGRAMS, nullptr, 0, programs)));
      const std::string link = std::string(programs) + "\\" + shortcut + ".lnk";
      EXPECT_TRUE(Exists(link)) << link;
      DeleteFileA(link.c_str());

      // Test Run starts the output itself, its path holding blanks: it
      // shows its licence first. Unquoted, Windows would start this
      // "road.exe" before the first blank instead.
      const std::string decoy = driver::WinePath(KESTRO_TEST_WORK) + "\\road.exe";
      ASSERT_TRUE(CopyFileA(driver::WinePath(KESTRO_APP_EXEC_CHILD).c_str(), decoy.c_str(), FALSE));
      Click(wnd, IDC_IEButton3);
      HWND first = driver::WaitForWindow("Road Files", 0, 30000);
      ASSERT_TRUE(first) << "Test Run showed nothing";
      EXPECT_TRUE(Has(driver::ButtonCaptions(first), "&Cancel"));
      ASSERT_TRUE(driver::PressButton(first, "&Cancel"));
      EXPECT_TRUE(driver::WaitWindowGone(first, 20000));
      DeleteFileA(decoy.c_str());

      // Opened again and saved without changes: the same bytes.
      Click(wnd, IDC_Cancel);
      EXPECT_TRUE(kestro_.Wait(15000));
      wnd = StartOn(project);
      ASSERT_TRUE(wnd);
      ASSERT_NO_FATAL_FAILURE(NextToSave(wnd));
      EXPECT_EQ(TextOf(wnd, IDC_e66), shortcut);
      Check(wnd, IDC_sco);
      Click(wnd, IDC_Next);
      ASSERT_TRUE(WaitUntil([&] { return TextOf(wnd, IDC_Next) == "&New >"; }));
      EXPECT_EQ(ReadAll(project), saved);
    }
    Click(wnd, IDC_Cancel);
    EXPECT_TRUE(kestro_.Wait(15000));
  }
}

// The last Next where it cannot go on: the program's error box, the page
// stays "save", no output; a project that cannot be written is left as it was.
TEST_F(KestroRoad, ASaveOrACompilerThatFailsKeepsTheProjectAndThePage) {
  struct Case {
    const char* name;
    bool with_compiler;
    bool read_only;
    std::string message;  // after the project path is known
  } cases[] = {
      {"no Compiler.exe beside the wizard", false, false, "Fichier non trouv\xE9."},
      {"a read-only project", true, true, "Kann nicht nach %s schreiben."},
  };
  for (Case& c : cases) {
    SCOPED_TRACE(c.name);
    ASSERT_NO_FATAL_FAILURE(Lay(c.with_compiler ? "fail save" : "fail compiler", c.with_compiler));
    const std::string project = projects_ + "road project.tkp";
    const std::string before = "[Settings]\r\nCaption=Kept\r\n[Files]\r\nNumFiles=1\r\nFile1=" + sources_ +
                               "a.txt\r\n";
    WriteAll(project, before);
    if (c.read_only) SetFileAttributesA(project.c_str(), FILE_ATTRIBUTE_READONLY);
    const size_t at = c.message.find("%s");
    if (at != std::string::npos) c.message.replace(at, 2, project);

    HWND wnd = StartOn(project);
    ASSERT_TRUE(wnd);
    ASSERT_NO_FATAL_FAILURE(NextToSave(wnd));
    SetText(wnd, IDC_Edit4, root_ + "out dir\\never.exe");
    Click(wnd, IDC_Next);
    // The box has the main window's caption: wait for the one with the text.
    HWND box = nullptr;
    ASSERT_TRUE(WaitUntil([&] {
      box = nullptr;
      for (HWND w = GetTopWindow(nullptr); w; w = GetWindow(w, GW_HWNDNEXT)) {
        DWORD pid = 0;
        GetWindowThreadProcessId(w, &pid);
        if (pid == kestro_.pid() && w != wnd && IsWindowVisible(w) && driver::WindowText(w) == kMain &&
            Has(driver::StaticTexts(w), c.message))
          box = w;
      }
      return box != nullptr;
    }, 30000)) << "no box saying " << c.message;
    ASSERT_TRUE(driver::PressButton(box, "OK"));
    EXPECT_TRUE(driver::WaitWindowGone(box, 10000));
    EXPECT_TRUE(WaitUntil([&] { return IsWindowEnabled(wnd) && !IsIconic(wnd); }));
    EXPECT_TRUE(Visible(wnd, IDC_Edit4)) << "still on \"save\"";
    EXPECT_EQ(TextOf(wnd, IDC_Next), "&Next >");
    SetFileAttributesA(project.c_str(), FILE_ATTRIBUTE_NORMAL);
    if (c.read_only) {
      EXPECT_EQ(ReadAll(project), before);
      EXPECT_FALSE(Exists(project + ".new"));
    }
    EXPECT_FALSE(Exists(root_ + "out dir\\never.exe"));
    Click(wnd, IDC_Cancel);
    EXPECT_TRUE(kestro_.Wait(15000));
  }
}

}  // namespace
}  // namespace kestro
