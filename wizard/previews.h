// The "Test" buttons of the "general" page and the licence text editor of
// the "visual2" page: the windows that the finished self-extracting file
// will show, tried out with the texts typed so far. The windows TPwdForm,
// TInstallForm and TfLic are created hidden at program start and reused;
// their templates must be linked into the program (dialogs.rc).
#pragma once

#include <windows.h>

#include <functional>
#include <string>

#include "ui/new_gauge.h"

namespace kestro::wizard {

// Question preview: Edit1's text with eTitle's as caption through
// ModalMessageBox (question, Yes/No), then "Continuing..." or
// "Terminating..." with the application title. Returns the answer.
int btnTestPrmptClick(const std::string& question, const std::string& title);
// Closing message preview: finmsg's text, eTitle's caption, OK, no icon.
void btnTestMsgClick(HWND owner, const std::string& finmsg, const std::string& title);

class TPwdForm {
 public:
  explicit TPwdForm(HINSTANCE instance, HWND owner = nullptr);
  ~TPwdForm();
  TPwdForm(const TPwdForm&) = delete;
  TPwdForm& operator=(const TPwdForm&) = delete;
  HWND handle() const { return wnd_; }

  void SetExpectedPassword(const std::string& password) { expected_ = password; }
  void ShowModal();

  void Edit1Change();
  void Button1Click();
  void Button2Click();

 private:
  static INT_PTR CALLBACK DialogProc(HWND wnd, UINT msg, WPARAM wp, LPARAM lp);
  HWND wnd_ = nullptr;
  std::string expected_;
};

// Password preview: "You must enter a password first." when `password`
// (Edit5) is empty; otherwise caption eTitle, Label1 Edit7, Edit1 emptied,
// shown modally.
void btnTestPwdClick(TPwdForm& PwdForm, const std::string& title, const std::string& prompt,
                     const std::string& password);

class TInstallForm {
 public:
  explicit TInstallForm(HINSTANCE instance, HWND owner = nullptr);
  ~TInstallForm();
  TInstallForm(const TInstallForm&) = delete;
  TInstallForm& operator=(const TInstallForm&) = delete;
  HWND handle() const { return wnd_; }
  ui::TNewGauge& ProgressGauge() { return *gauge_; }

  // Enables Timer1 (50 ms) and shows the window modally.
  void ShowModal();
  bool TimerEnabled() const { return timer_on_; }
  // One tick: Progress + 1; at 100 the timer stops, Progress goes to 0 and
  // the window closes.
  void Timer1Timer();

 private:
  static INT_PTR CALLBACK DialogProc(HWND wnd, UINT msg, WPARAM wp, LPARAM lp);
  HWND wnd_ = nullptr;
  ui::TNewGauge* gauge_ = nullptr;
  HFONT bold_ = nullptr;
  HICON icon_ = nullptr;
  bool timer_on_ = false;
};

// Progress preview: caption eTitle, Label1 Edit3, then Timer1 on and modal.
void btnTestPrgbarClick(TInstallForm& InstallForm, const std::string& title, const std::string& text);

class TfLic {
 public:
  // `title` gives eTitle's text when Test is pressed.
  TfLic(HINSTANCE instance, std::function<std::string()> title, HWND owner = nullptr);
  ~TfLic();
  TfLic(const TfLic&) = delete;
  TfLic& operator=(const TfLic&) = delete;
  HWND handle() const { return wnd_; }

  // The memo LicText: the project's licence text (lines joined by CR LF).
  std::string LicText() const;
  void SetLicText(const std::string& text);

  void ShowModal();
  void Button1Click();  // &Close
  void Button2Click();  // &Load from Textfile...
  void Button3Click();  // &Test

 private:
  static INT_PTR CALLBACK DialogProc(HWND wnd, UINT msg, WPARAM wp, LPARAM lp);
  HWND wnd_ = nullptr;
  std::function<std::string()> title_;
};

// Licence editor: TfLic shown modally.
void btnEditLicTextClick(TfLic& fLic);

// The licence text's limit in characters (a line break counts as two).
constexpr size_t kLicenseTextLimit = 1020;

}  // namespace kestro::wizard
