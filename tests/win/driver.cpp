#include "tests/win/driver.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>

namespace kestro::driver {
namespace {

constexpr int kPollMs = 50;

struct FindRequest {
  const std::string* caption;
  DWORD pid;
  HWND found;
};

BOOL CALLBACK MatchTopLevel(HWND wnd, LPARAM param) {
  auto* req = reinterpret_cast<FindRequest*>(param);
  if (!IsWindowVisible(wnd)) return TRUE;
  if (req->pid) {
    DWORD pid = 0;
    GetWindowThreadProcessId(wnd, &pid);
    if (pid != req->pid) return TRUE;
  }
  if (WindowText(wnd) != *req->caption) return TRUE;
  req->found = wnd;
  return FALSE;
}

BOOL CALLBACK CollectChild(HWND wnd, LPARAM param) {
  auto* controls = reinterpret_cast<std::vector<Control>*>(param);
  char cls[256] = {};
  GetClassNameA(wnd, cls, sizeof cls);
  controls->push_back(Control{wnd, GetDlgCtrlID(wnd), cls, WindowText(wnd)});
  return TRUE;
}

bool IsClass(const Control& c, const char* name) { return lstrcmpiA(c.class_name.c_str(), name) == 0; }

std::string WithoutAmpersands(const std::string& s) {
  std::string out;
  for (size_t i = 0; i < s.size(); ++i) {
    if (s[i] == '&') {
      if (i + 1 < s.size() && s[i + 1] == '&') out += s[++i];  // "&&" is a literal '&'
      continue;
    }
    out += s[i];
  }
  return out;
}

}  // namespace

// An edit's or combo box's text is asked for with WM_GETTEXT: GetWindowText
// does not ask a control of another process and would read it empty. Every
// other window's text is read without a message, so a busy program's
// windows read at once.
std::string WindowText(HWND wnd) {
  char cls[32] = {};
  GetClassNameA(wnd, cls, sizeof cls);
  if (lstrcmpiA(cls, "Edit") == 0 || lstrcmpiA(cls, "ComboBox") == 0) {
    DWORD_PTR n = 0;
    if (SendMessageTimeoutA(wnd, WM_GETTEXTLENGTH, 0, 0, SMTO_ABORTIFHUNG, 5000, &n)) {
      std::string text(n + 1, '\0');
      DWORD_PTR got = 0;
      if (!SendMessageTimeoutA(wnd, WM_GETTEXT, n + 1, reinterpret_cast<LPARAM>(&text[0]), SMTO_ABORTIFHUNG,
                               5000, &got))
        return std::string();
      text.resize(std::strlen(text.c_str()));
      return text;
    }
  }
  int n = GetWindowTextLengthA(wnd);
  if (n <= 0) return std::string();
  std::string text(n + 1, '\0');
  n = GetWindowTextA(wnd, &text[0], n + 1);
  text.resize(n > 0 ? n : 0);
  return text;
}

HWND WaitForWindow(const std::string& caption, DWORD pid, int timeout_ms) {
  DWORD start = GetTickCount();
  for (;;) {
    FindRequest req{&caption, pid, nullptr};
    EnumWindows(MatchTopLevel, reinterpret_cast<LPARAM>(&req));
    if (req.found) return req.found;
    if (static_cast<int>(GetTickCount() - start) >= timeout_ms) return nullptr;
    Sleep(kPollMs);
  }
}

bool WaitWindowGone(HWND wnd, int timeout_ms) {
  DWORD start = GetTickCount();
  while (IsWindow(wnd) && IsWindowVisible(wnd)) {
    if (static_cast<int>(GetTickCount() - start) >= timeout_ms) return false;
    Sleep(kPollMs);
  }
  return true;
}

std::vector<Control> ChildControls(HWND wnd) {
  std::vector<Control> controls;
  EnumChildWindows(wnd, CollectChild, reinterpret_cast<LPARAM>(&controls));
  return controls;
}

std::vector<std::string> StaticTexts(HWND wnd) {
  std::vector<std::string> texts;
  for (const Control& c : ChildControls(wnd))
    if (IsClass(c, "Static") && !c.text.empty()) texts.push_back(c.text);
  return texts;
}

std::vector<std::string> ButtonCaptions(HWND wnd) {
  std::vector<std::string> captions;
  for (const Control& c : ChildControls(wnd))
    if (IsClass(c, "Button")) captions.push_back(c.text);
  return captions;
}

bool PressButton(HWND wnd, const std::string& caption) {
  for (const Control& c : ChildControls(wnd)) {
    if (!IsClass(c, "Button") || !IsWindowEnabled(c.hwnd)) continue;
    if (c.text != caption && WithoutAmpersands(c.text) != WithoutAmpersands(caption)) continue;
    HWND parent = GetParent(c.hwnd);
    return PostMessageA(parent ? parent : wnd, WM_COMMAND, MAKEWPARAM(c.id, BN_CLICKED),
                        reinterpret_cast<LPARAM>(c.hwnd)) != 0;
  }
  return false;
}

HWND FindControl(HWND wnd, int id) {
  for (const Control& c : ChildControls(wnd))
    if (c.id == id) return c.hwnd;
  return nullptr;
}

HWND FindControlByCaption(HWND wnd, const std::string& caption) {
  for (const Control& c : ChildControls(wnd))
    if (c.text == caption || WithoutAmpersands(c.text) == WithoutAmpersands(caption)) return c.hwnd;
  return nullptr;
}

HWND FindControlByIdOrCaption(HWND wnd, const std::string& id_or_caption) {
  bool digits = !id_or_caption.empty() && id_or_caption.find_first_not_of("0123456789") == std::string::npos;
  return digits ? FindControl(wnd, std::atoi(id_or_caption.c_str()))
                : FindControlByCaption(wnd, id_or_caption);
}

bool SetControlText(HWND control, const std::string& text) {
  DWORD_PTR result = 0;
  return SendMessageTimeoutA(control, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()), SMTO_NORMAL,
                             10000, &result) != 0;
}

bool ClickControl(HWND control) {
  char cls[64] = {};
  GetClassNameA(control, cls, sizeof cls);
  if (lstrcmpiA(cls, "Button") == 0) return PostMessageA(control, BM_CLICK, 0, 0) != 0;
  return PostMessageA(GetParent(control), WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(control), BN_CLICKED),
                      reinterpret_cast<LPARAM>(control)) != 0;
}

ControlState StateOf(HWND control) {
  return ControlState{WindowText(control), IsWindowEnabled(control) != FALSE,
                      IsWindowVisible(control) != FALSE};
}

namespace {

bool IsComboBox(HWND wnd) {
  char cls[64] = {};
  GetClassNameA(wnd, cls, sizeof cls);
  return lstrcmpiA(cls, "ComboBox") == 0;
}

}  // namespace

std::vector<std::string> ListItems(HWND list) {
  const bool combo = IsComboBox(list);
  const UINT count_msg = combo ? CB_GETCOUNT : LB_GETCOUNT;
  const UINT len_msg = combo ? CB_GETLBTEXTLEN : LB_GETTEXTLEN;
  const UINT text_msg = combo ? CB_GETLBTEXT : LB_GETTEXT;
  std::vector<std::string> items;
  int n = static_cast<int>(SendMessageW(list, count_msg, 0, 0));
  for (int i = 0; i < n; ++i) {
    // Asked in UTF-16 and converted here: Wine answers an ANSI request from
    // another process with the UTF-16 bytes' length, past a buffer sized by
    // the text length, and corrupts the caller's heap.
    int len = static_cast<int>(SendMessageW(list, len_msg, i, 0));
    std::wstring wide(len > 0 ? len + 1 : 1, L'\0');
    SendMessageW(list, text_msg, i, reinterpret_cast<LPARAM>(&wide[0]));
    wide.resize(len > 0 ? wcslen(wide.c_str()) : 0);
    std::string item;
    if (!wide.empty()) {
      int bytes = WideCharToMultiByte(CP_ACP, 0, wide.data(), static_cast<int>(wide.size()), nullptr, 0,
                                      nullptr, nullptr);
      item.resize(bytes > 0 ? bytes : 0);
      if (bytes > 0)
        WideCharToMultiByte(CP_ACP, 0, wide.data(), static_cast<int>(wide.size()), &item[0], bytes, nullptr,
                            nullptr);
    }
    items.push_back(item);
  }
  return items;
}

std::vector<int> SelectedItems(HWND list) {
  std::vector<int> selected;
  if (IsComboBox(list)) {
    int i = static_cast<int>(SendMessageA(list, CB_GETCURSEL, 0, 0));
    if (i >= 0) selected.push_back(i);
    return selected;
  }
  int n = static_cast<int>(SendMessageA(list, LB_GETCOUNT, 0, 0));
  for (int i = 0; i < n; ++i)
    if (SendMessageA(list, LB_GETSEL, i, 0) > 0) selected.push_back(i);
  return selected;
}

bool SelectItem(HWND list, int index) {
  const bool combo = IsComboBox(list);
  if (SendMessageA(list, combo ? CB_SETCURSEL : LB_SETCURSEL, index, 0) != index) return false;
  const WORD code = combo ? CBN_SELCHANGE : LBN_SELCHANGE;
  return PostMessageA(GetParent(list), WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(list), code),
                      reinterpret_cast<LPARAM>(list)) != 0;
}

int HorizontalExtent(HWND list) { return static_cast<int>(SendMessageA(list, LB_GETHORIZONTALEXTENT, 0, 0)); }

std::string Escape(const std::string& text) {
  std::string out;
  for (char ch : text) {
    switch (ch) {
      case '\r': out += "\\r"; break;
      case '\n': out += "\\n"; break;
      case '\t': out += "\\t"; break;
      case '\\': out += "\\\\"; break;
      default: out += ch;
    }
  }
  return out;
}

std::string WinePath(const std::string& host_path) {
  if (host_path.empty() || host_path[0] != '/') return host_path;
  std::string path = "Z:" + host_path;
  std::replace(path.begin(), path.end(), '/', '\\');
  return path;
}

ChildProcess::~ChildProcess() { Release(); }

void ChildProcess::Release() {
  if (process_) {
    if (!Wait(0)) Kill();
    CloseHandle(process_);
    process_ = nullptr;
  }
  if (reader_) {
    WaitForSingleObject(reader_, 5000);
    CloseHandle(reader_);
    reader_ = nullptr;
  }
  if (pipe_) CloseHandle(pipe_);
  pipe_ = nullptr;
  pid_ = 0;
  exit_code_ = STILL_ACTIVE;
  output_.clear();
}

DWORD WINAPI ChildProcess::ReadOutput(void* param) {
  auto* self = static_cast<ChildProcess*>(param);
  char buf[4096];
  DWORD n = 0;
  while (ReadFile(self->pipe_, buf, sizeof buf, &n, nullptr) && n > 0) self->output_.append(buf, n);
  return 0;
}

bool ChildProcess::Start(const std::string& command_line, bool capture_output,
                         const std::string& current_dir) {
  Release();
  STARTUPINFOA si = {};
  si.cb = sizeof si;
  HANDLE write_end = nullptr;
  if (capture_output) {
    SECURITY_ATTRIBUTES sa = {sizeof sa, nullptr, TRUE};
    if (!CreatePipe(&pipe_, &write_end, &sa, 0)) return false;
    SetHandleInformation(pipe_, HANDLE_FLAG_INHERIT, 0);
    si.dwFlags = STARTF_USESTDHANDLES;
    si.hStdOutput = write_end;
    si.hStdError = GetStdHandle(STD_ERROR_HANDLE);
    si.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
  }
  PROCESS_INFORMATION pi = {};
  std::string cmd = command_line;
  BOOL ok = CreateProcessA(nullptr, &cmd[0], nullptr, nullptr, capture_output, 0, nullptr,
                           current_dir.empty() ? nullptr : current_dir.c_str(), &si, &pi);
  if (write_end) CloseHandle(write_end);
  if (!ok) return false;
  CloseHandle(pi.hThread);
  process_ = pi.hProcess;
  pid_ = pi.dwProcessId;
  if (capture_output) reader_ = CreateThread(nullptr, 0, ReadOutput, this, 0, nullptr);
  return true;
}

bool ChildProcess::Wait(int timeout_ms) {
  if (!process_) return true;
  if (WaitForSingleObject(process_, timeout_ms) != WAIT_OBJECT_0) return false;
  GetExitCodeProcess(process_, &exit_code_);
  if (reader_) {
    WaitForSingleObject(reader_, 5000);
    CloseHandle(reader_);
    reader_ = nullptr;
  }
  return true;
}

void ChildProcess::Kill() {
  if (!process_) return;
  TerminateProcess(process_, 255);
  Wait(5000);
}

}  // namespace kestro::driver
