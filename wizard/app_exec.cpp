#include "wizard/app_exec.h"

namespace kestro::wizard {

TAppExec::TAppExec() : ProcessMessages([this] { DispatchPending(); }) {}

void TAppExec::DispatchPending() {
  MSG msg;
  while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
    if (msg.message == WM_QUIT) {
      quit_seen_ = true;
      quit_code_ = static_cast<int>(msg.wParam);
      continue;
    }
    HWND root = msg.hwnd ? GetAncestor(msg.hwnd, GA_ROOT) : nullptr;
    if (root && IsDialogMessageA(root, &msg)) continue;
    TranslateMessage(&msg);
    DispatchMessageA(&msg);
  }
}

TAppExec::~TAppExec() {
  if (process_) CloseHandle(process_);
}

int TAppExec::ShowCommand(TWindowState state) {
  switch (state) {
    case TWindowState::wsMinimized: return SW_SHOWMINIMIZED;
    case TWindowState::wsMaximized: return SW_SHOWMAXIMIZED;
    case TWindowState::wsNormal: break;
  }
  return SW_SHOWNORMAL;
}

DWORD TAppExec::CreationPriority(TPriorityClass priority) {
  switch (priority) {
    case TPriorityClass::pcHigh: return HIGH_PRIORITY_CLASS;
    case TPriorityClass::pcIdle: return IDLE_PRIORITY_CLASS;
    case TPriorityClass::pcRealtime: return REALTIME_PRIORITY_CLASS;
    case TPriorityClass::pcNormal: break;
  }
  return NORMAL_PRIORITY_CLASS;
}

void TAppExec::Fail(int code) {
  err_no_ = code;
  throw EAppExecWinExec(AppExecFailureText(lang_, code));
}

void TAppExec::Execute() {
  const DWORD priority = CreationPriority(PriorityClass);
  std::string command_line = BuildCommandLine(ExeName, ExeParams);
  if (ChangeDir && !exe_path_.empty() && !SetCurrentDirectoryA(exe_path_.c_str())) {
    err_no_ = static_cast<int>(GetLastError());
    throw EAppExecChDir(AppExecFailureText(lang_, err_no_));
  }
  err_no_ = 0;
  // A command line the system cannot take is refused rather than cut off:
  // a truncated line would start the program with a wrong argument.
  if (!FitsCommandLineBuffer(command_line)) Fail(ERROR_FILENAME_EXCED_RANGE);

  STARTUPINFOA si = {};
  si.cb = sizeof si;
  si.dwFlags = STARTF_USESHOWWINDOW;
  si.wShowWindow = static_cast<WORD>(ShowCommand(WindowState));
  PROCESS_INFORMATION pi = {};
  std::vector<char> buffer(command_line.begin(), command_line.end());
  buffer.push_back('\0');  // CreateProcessA may write into its command line
  if (!CreateProcessA(nullptr, buffer.data(), nullptr, nullptr, FALSE, CREATE_NEW_CONSOLE | priority, nullptr,
                      nullptr, &si, &pi))
    Fail(static_cast<int>(GetLastError()));
  CloseHandle(pi.hThread);
  if (process_) CloseHandle(process_);
  process_ = pi.hProcess;
  if (!Wait) {
    CloseHandle(process_);
    process_ = nullptr;
    return;
  }

  quit_seen_ = false;
  try {
    WaitForEnd();
  } catch (...) {
    if (quit_seen_) PostQuitMessage(quit_code_);
    throw;
  }
  if (quit_seen_) PostQuitMessage(quit_code_);
}

void TAppExec::WaitForEnd() {
  err_no_ = 0;
  ProcessMessages();
  // The end is taken from the process handle, so a program whose exit code
  // happens to be STILL_ACTIVE does not keep the loop going; between checks
  // the thread sleeps until the program ends or a message arrives.
  for (;;) {
    DWORD code = 0;
    if (!GetExitCodeProcess(process_, &code)) Fail(static_cast<int>(GetLastError()));
    err_no_ = static_cast<int>(code);
    if (WaitForSingleObject(process_, 0) == WAIT_OBJECT_0) break;
    MsgWaitForMultipleObjects(1, &process_, FALSE, INFINITE, QS_ALLINPUT);
    ProcessMessages();
  }
  DWORD code = 0;
  if (GetExitCodeProcess(process_, &code)) err_no_ = static_cast<int>(code);
  CloseHandle(process_);
  process_ = nullptr;
}

}  // namespace kestro::wizard
