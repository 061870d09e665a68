// kestro_driver: drives real, unreplaced windows of another process (or of
// another thread) the way a person would: waits for a top-level window by
// its caption, reads the texts of its static controls and buttons, presses
// a button by its caption. Every wait has a timeout, so a test never hangs.
//
// As a library (link kestro_driver):
//   HWND box = driver::WaitForWindow("File exists", pid, 20000);
//   auto texts = driver::StaticTexts(box);
//   driver::PressButton(box, "&No");            // "No" matches too
//   driver::ChildProcess p; p.Start("\"Compiler.exe\" \"x.tkp\"");
//
// As a program (kestro-driver.exe):
//   kestro-driver wait       CAPTION [--pid N] [--timeout S] [--print-texts]
//   kestro-driver wait-press CAPTION BUTTON [--pid N] [--timeout S] [--print-texts]
//   kestro-driver wait-gone  CAPTION [--pid N] [--timeout S]
//   kestro-driver get        CAPTION CONTROL [--pid N] [--timeout S]
//   kestro-driver set-text   CAPTION CONTROL TEXT [--pid N] [--timeout S]
//   kestro-driver click      CAPTION CONTROL [--pid N] [--timeout S]
//   kestro-driver items      CAPTION CONTROL [--pid N] [--timeout S]
//   kestro-driver select     CAPTION CONTROL INDEX [--pid N] [--timeout S]
//   kestro-driver rect       CAPTION [--pid N] [--timeout S]
// CONTROL is a control's ID (digits) or its caption. get prints
// "text<TAB>enabled<TAB>visible" (escaped text, 0 or 1); items prints one
// line per entry, then "selected<TAB>i,j,..." and, for a list box,
// "extent<TAB>N"; rect prints "x y width height" of the window on screen.
// --print-texts prints one line per control, "static<TAB>text" or
// "button<TAB>caption", with CR, LF, TAB and backslash escaped as \r, \n, \t
// and \\ (see Escape), bytes otherwise unchanged (Windows-1252).
// The timeout defaults to 20 seconds. Exit code: 0 done, 1 window or button
// not found in time, 2 usage error.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

namespace kestro::driver {

struct Control {
  HWND hwnd = nullptr;
  int id = 0;
  std::string class_name;
  std::string text;
};

// The visible top-level window with exactly this caption, of process `pid`
// unless pid is 0; nullptr if none appears within timeout_ms.
HWND WaitForWindow(const std::string& caption, DWORD pid, int timeout_ms);
// True once `wnd` is gone or hidden; false if it is still there after timeout_ms.
bool WaitWindowGone(HWND wnd, int timeout_ms);

std::string WindowText(HWND wnd);
// Every descendant control of a window, in the order EnumChildWindows gives.
std::vector<Control> ChildControls(HWND wnd);
// Non-empty texts of the static controls and the captions of the buttons.
std::vector<std::string> StaticTexts(HWND wnd);
std::vector<std::string> ButtonCaptions(HWND wnd);

// Presses the enabled button whose caption is `caption`, compared as given
// or with the accelerator ampersands removed ("&No" and "No" both match
// "&No"). Posts WM_COMMAND/BN_CLICKED to the button's parent. False if no
// such button exists.
bool PressButton(HWND wnd, const std::string& caption);

// The first descendant control with this ID, or whose caption matches as
// PressButton compares; nullptr if none.
HWND FindControl(HWND wnd, int id);
HWND FindControlByCaption(HWND wnd, const std::string& caption);
// "123" names the control with ID 123, anything else its caption.
HWND FindControlByIdOrCaption(HWND wnd, const std::string& id_or_caption);

// Sets a control's text as typed text would be (WM_SETTEXT; an edit then
// reports its change). False if the window does not answer in time.
bool SetControlText(HWND control, const std::string& text);
// Clicks a control: BM_CLICK for a standard button, otherwise BN_CLICKED to
// its parent. Posted, so a box it opens does not block the caller; a
// program's own thread sees the click once it handles its messages.
bool ClickControl(HWND control);

struct ControlState {
  std::string text;
  bool enabled = false;
  bool visible = false;
};
ControlState StateOf(HWND control);

// The entries of a list box or combo box, in order, and the selected ones.
std::vector<std::string> ListItems(HWND list);
std::vector<int> SelectedItems(HWND list);
// Chooses entry `index` of a combo box or single-selection list box as a
// click in its list would: selects it, then tells the parent (CBN_SELCHANGE
// or LBN_SELCHANGE, posted). False if there is no such entry.
bool SelectItem(HWND list, int index);
// A list box's horizontal scroll extent in pixels.
int HorizontalExtent(HWND list);

// "a\r\nb" -> "a\\r\\nb"; the form --print-texts uses.
std::string Escape(const std::string& text);

// A child process, optionally with its standard output captured.
class ChildProcess {
 public:
  ChildProcess() = default;
  ~ChildProcess();  // kills the process if it still runs
  ChildProcess(const ChildProcess&) = delete;
  ChildProcess& operator=(const ChildProcess&) = delete;

  // Starts a command line (program path quoted by the caller as needed); a
  // process started before by this object is ended first if it still runs.
  bool Start(const std::string& command_line, bool capture_output = false,
             const std::string& current_dir = "");
  // Waits for the end; false (and the process still running) after timeout_ms.
  bool Wait(int timeout_ms);
  void Kill();
  DWORD pid() const { return pid_; }
  DWORD exit_code() const { return exit_code_; }
  // Captured standard output; complete once Wait returned true.
  const std::string& output() const { return output_; }

 private:
  HANDLE process_ = nullptr;
  HANDLE reader_ = nullptr;
  HANDLE pipe_ = nullptr;
  DWORD pid_ = 0;
  DWORD exit_code_ = STILL_ACTIVE;
  std::string output_;
  void Release();
  static DWORD WINAPI ReadOutput(void* self);
};

// The Windows path of a host path under Wine: "/a/b" -> "Z:\a\b"; a path
// that already looks like a Windows path is returned unchanged.
std::string WinePath(const std::string& host_path);

}  // namespace kestro::driver
