// TCompileForm: Compiler.exe's progress window around the engine's run.
// The window shows the run's status, progress and percentage; its Cancel
// button is heard only while the run handles messages at its checkpoints.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "compiler/engine.h"

namespace kestro::compiler {

class TCompileForm : public Observer {
 public:
  explicit TCompileForm(HINSTANCE instance);
  ~TCompileForm() override;
  TCompileForm(const TCompileForm&) = delete;
  TCompileForm& operator=(const TCompileForm&) = delete;

  // The whole life of the window: the preparations, then (once the window
  // is shown and Timer1 has fired) the compile; the window is closed when
  // the run has ended.
  RunResult Execute(const std::vector<std::string>& params, const RunOptions& options);

  HWND handle() const { return hwnd_; }
  bool cancelled() const { return cancel_; }

  // Observer
  void Status(const std::string& text) override;
  void Info(const std::string& text) override;
  void Progress(int position, int maximum) override;
  void Percentage(const std::string& text) override;
  bool Checkpoint() override;
  bool AskOverwrite(const std::string& text, const std::string& caption) override;
  void Notice(NoticeKind kind, const std::string& text, const std::string& caption) override;
  void ReportFailure(const std::string& report, const std::string& fatal) override;

  // Handles pending window messages.
  void ProcessMessages();
  // Shows the window and waits for Timer1 while handling messages; the run's
  // first call to the window does this, once.
  void ShowAndWaitForTimer();

 private:
  static INT_PTR CALLBACK DialogProc(HWND wnd, UINT msg, WPARAM wp, LPARAM lp);
  void FormCreate();
  void Timer1Timer();
  void btnCancelClick();
  void ExplorerButton1DrawItem(const DRAWITEMSTRUCT& item);
  void Repaint();
  void ShowPainted();

  HWND hwnd_ = nullptr;
  HWND l1_ = nullptr, pr_ = nullptr, lp_ = nullptr, button_ = nullptr, status_panel_ = nullptr;
  HFONT bold_font_ = nullptr;
  bool cancel_ = false;
  bool shown_ = false;
  bool timer_fired_ = false;
};

}  // namespace kestro::compiler
