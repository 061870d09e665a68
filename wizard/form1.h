// TForm1: Kestro.exe's main window. The notebook nb holds the eight pages;
// Back, Next and Cancel walk through them. The project being edited lives
// in the controls themselves: loading sets them, saving reads them.
#pragma once

#include <windows.h>

#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "ui/file_dialog.h"
#include "ui/hs_list_box.h"
#include "wizard/app_exec.h"
#include "wizard/wizard_rules.h"

namespace kestro::wizard {

class TfAddFolder;
class TInstallForm;
class TPwdForm;
class TfLic;

class TForm1 {
 public:
  struct Options {
    std::string program_folder;  // the wizard's own folder, with its trailing backslash
    std::string command_line;    // the whole command line, the program's name first
  };

  TForm1(HINSTANCE instance, const Options& options);
  ~TForm1();
  TForm1(const TForm1&) = delete;
  TForm1& operator=(const TForm1&) = delete;

  // Creates the windows that live hidden beside the main window: the
  // previews, the About box and the Add Folder dialog.
  void CreateCompanions();
  // Shows the window (FormShow runs first).
  void Show();

  HWND handle() const { return hwnd_; }
  HWND Page(int index) const { return pages_[index]; }
  // Any control of the window or its pages by its ID; nullptr if none.
  HWND Control(int id) const;
  int ActivePage() const { return nav_.page; }
  const NavState& Navigation() const { return nav_; }

  // Control access the way the rest of the program uses it. Setting a box
  // to a new state runs its click handler; checking a radio button runs its
  // handler; setting an edit's text (only when it differs) runs its change
  // handler.
  std::string Text(int id) const;
  void SetText(int id, const std::string& text);
  bool Checked(int id) const;
  void SetChecked(int id, bool checked);
  std::vector<std::string> Items(int combo_id) const;
  int ItemIndex(int combo_id) const;  // -1: none selected
  std::string SelectedItem(int combo_id) const;

  ui::THSListBox& SourceList() { return lbSrcFiles; }
  ui::FileDialog& od1() { return od1_; }
  TfLic* LicenceEditor() const { return fLic.get(); }

  // The start-up-load flag: 99 while the command-line project is loaded.
  int StartupLoadFlag() const { return startup_load_flag_; }

  // The load operation behind "Open a project ..." and the start-up load;
  // LoadProject unless a test replaces it.
  std::function<void(TForm1&)> OnLoad;
  // Runs on Next of "save"; CreateScript unless a test replaces it. An
  // exception keeps the window on "save".
  std::function<void(TForm1&)> OnCreateScript;

  // Fills the controls from the project file `path` (the open dialog's
  // choice, or the command line's project while the start-up flag is set).
  void LoadProject(const std::string& path);
  // Writes the project file named by Edit6 from the controls. Throws an
  // error with the text the user reads when the file cannot be written;
  // the previous file is then left as it was.
  void CreateScript();
  // Shows "Compiler details" (the button on "load").
  std::function<void(TForm1&)> OnCompilerDetails;
  // Starts a command line without waiting (IEButton1's folder window).
  std::function<void(const std::string&)> RunCommand;

  // Event handlers.
  void FormCreate();
  void FormShow();
  void Timer1Timer();
  void NextClick();
  void BackClick();
  void CancelClick();
  void Edit1Change();
  void Edit3Change();
  void Edit9Change();
  void Edit2Change();
  void Edit6Change();
  void CheckBoxClick(
      int id);  // ch1Click, PwdClick, ch2Click, finmsgchkClick, cExeClick, licchkClick, ch54Click
  void RadioButton953Click();
  void RadioButton954Click();
  void cblChange();
  void cb4Click();
  void btnBrwsClick();
  void btnAboutClick();
  void btnOpenClick();
  void IEButton1Click();
  void IEButton2Click();
  void IEButton3Click();
  void btnCompilerDetailsClick();

  // The second half of saving on "save": shows the output path on "done"
  // and, unless only the project file is wanted, runs the compiler on the
  // project and waits for it, the window minimized meanwhile. Raises
  // EAppExec when the compiler cannot be started.
  void LaunchCompiler();
  // The full path behind the label Sel (the label may show it shortened).
  const std::string& SelPath() const { return sel_path_; }
  void SetSelPath(const std::string& path);

  // The launcher that runs the compiler.
  TAppExec Ae1;

  // True once CancelClick (or the system menu's Close) ended the program.
  bool Closed() const { return closed_; }

 private:
  static INT_PTR CALLBACK FormProc(HWND wnd, UINT msg, WPARAM wp, LPARAM lp);
  static INT_PTR CALLBACK PageProc(HWND wnd, UINT msg, WPARAM wp, LPARAM lp);
  static INT_PTR CALLBACK AboutProc(HWND wnd, UINT msg, WPARAM wp, LPARAM lp);
  void Command(int id, int code);
  void LayOut();
  void IndexControls();
  void ApplyNavigation(const NavState& state);
  void FillFileNameList(int combo_id);
  void ChooseSetupProgram();
  void Notice(const std::string& text);
  void Guarded(const std::function<void()>& action);
  void SetUpDonePage();

  HINSTANCE instance_;
  Options options_;
  HWND hwnd_ = nullptr;
  HWND nb_ = nullptr;
  HWND pages_[kPageCount] = {};
  HWND about_ = nullptr;
  std::map<int, HWND> controls_;
  HFONT bold_ = nullptr;
  HFONT title_font_ = nullptr;
  NavState nav_;
  int startup_load_flag_ = 0;
  // A loaded shortcut target, selected again in cbl once its list is rebuilt.
  std::string loaded_link_;
  bool closed_ = false;
  std::string sel_path_;

  ui::THSListBox lbSrcFiles;
  ui::FileDialog od1_;
  ui::FileDialog sd1_;
  std::unique_ptr<TfAddFolder> fAddFolder;
  std::unique_ptr<TInstallForm> InstallForm;
  std::unique_ptr<TPwdForm> PwdForm;
  std::unique_ptr<TfLic> fLic;
};

}  // namespace kestro::wizard
