// setup.exe's windows: the background window (TfMain, the main window:
// closing it ends the program), the wizard (TWiz) with its notebook of four
// pages, the status window (Tins) and the about box.
#pragma once

#include <windows.h>

#include <string>

#include "setup/install.h"
#include "ui/dir_list.h"

namespace kestro::setup {

class SetupApp {
 public:
  enum Page { kWelcome = 0, kLicense = 1, kFolder = 2, kDone = 3, kPageCount = 4 };

  explicit SetupApp(HINSTANCE instance) : instance_(instance) {}
  ~SetupApp();
  // Creates the windows and runs the message loop until the background
  // window is closed.
  int Run();

 private:
  static LRESULT CALLBACK MainProc(HWND, UINT, WPARAM, LPARAM);
  static INT_PTR CALLBACK WizProc(HWND, UINT, WPARAM, LPARAM);
  static INT_PTR CALLBACK PageProc(HWND, UINT, WPARAM, LPARAM);
  static INT_PTR CALLBACK InsProc(HWND, UINT, WPARAM, LPARAM);
  static INT_PTR CALLBACK AboutProc(HWND, UINT, WPARAM, LPARAM);

  LRESULT MainMessage(HWND, UINT, WPARAM, LPARAM);
  void FormCreate(HWND main);
  void FormResize();
  void CreateWizard();
  void CreateStatusWindow();
  // Handles the commands, owner-drawn lines and colours of the wizard and
  // of its pages.
  bool WizCommand(WPARAM wp, LPARAM lp);
  bool DrawItem(const DRAWITEMSTRUCT& item);
  HBRUSH CtlColor(HWND control, HDC dc);

  // Shows the wizard the way FormShow leaves it: page "Welcome", the small
  // folder box.
  void ShowWizard();
  void SelectPage(int index);
  void NxtClick();
  void bkClick();
  void ccClick();
  void Button4Click();
  void DDClick();
  void Install();
  void SetStatus(const std::string& caption);
  void ShowAbout();

  std::string FolderText() const;
  std::string NxtCaption() const;

  HINSTANCE instance_;
  HWND main_ = nullptr;
  HWND wiz_ = nullptr;
  HWND ins_ = nullptr;
  HWND pages_[kPageCount] = {};
  HWND box_ = nullptr;
  HWND footer_ = nullptr;
  int current_ = kWelcome;
  HBRUSH background_ = nullptr;
  HBRUSH black_ = nullptr;
  HFONT welcome_font_ = nullptr;
  HFONT title_font_ = nullptr;
  HFONT main_title_font_ = nullptr;
  HFONT version_font_ = nullptr;
  HFONT text_font_ = nullptr;
  HFONT bold_text_font_ = nullptr;
  HFONT memo_font_ = nullptr;
  ui::TDirectoryListBox dd_;
  ui::TDriveComboBox drive_combo_box1_;
  Installation installation_;
};

}  // namespace kestro::setup
