// TAppExec: starts a program from a command line, optionally in a folder of
// its choice, and optionally waits for its end while the caller's windows
// keep handling their messages.
#pragma once

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

#include "common/errors.h"
#include "wizard/app_exec_rules.h"

namespace kestro::wizard {

class EAppExec : public Error {
 public:
  using Error::Error;
};
// The change to ExePath failed.
class EAppExecChDir : public EAppExec {
 public:
  using EAppExec::EAppExec;
};
// The program could not be started, or its state could not be read.
class EAppExecWinExec : public EAppExec {
 public:
  using EAppExec::EAppExec;
};

enum class TWindowState { wsNormal, wsMinimized, wsMaximized };
enum class TPriorityClass { pcHigh, pcIdle, pcNormal, pcRealtime };

class TAppExec {
 public:
  TAppExec();
  ~TAppExec();
  TAppExec(const TAppExec&) = delete;
  TAppExec& operator=(const TAppExec&) = delete;

  std::string ExeName;
  std::vector<std::string> ExeParams;
  bool ChangeDir = true;
  bool Wait = false;
  TWindowState WindowState = TWindowState::wsNormal;
  TPriorityClass PriorityClass = TPriorityClass::pcNormal;
  // Handles the caller's pending window messages; run while waiting. The
  // default dispatches every queued message of this thread, dialog keys
  // included; a WM_QUIT it meets is posted again once the wait is over, so
  // the program's own loop still ends.
  std::function<void()> ProcessMessages;

  const std::string& ExePath() const { return exe_path_; }
  void SetExePath(const std::string& path) { exe_path_ = NormalizeExePath(path); }
  LangType GetLangType() const { return lang_; }
  void SetLangType(LangType lang) { lang_ = lang; }
  // The last system error code, or the waited-for program's exit code.
  int ErrNo() const { return err_no_; }

  // Starts the program; with Wait, returns once it has ended. Raises
  // EAppExecChDir or EAppExecWinExec.
  void Execute();

  static int ShowCommand(TWindowState state);
  static DWORD CreationPriority(TPriorityClass priority);

 private:
  [[noreturn]] void Fail(int code);
  void DispatchPending();
  void WaitForEnd();

  std::string exe_path_;
  LangType lang_ = LangType::ltFrench;
  int err_no_ = 0;
  HANDLE process_ = nullptr;
  bool quit_seen_ = false;
  int quit_code_ = 0;
};

}  // namespace kestro::wizard
