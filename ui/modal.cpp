#include "ui/modal.h"

#include <vector>

namespace kestro::ui {
namespace {

struct ModalState {
  HWND wnd;
  INT_PTR result;
  bool done;
};

std::vector<ModalState*>& Stack() {
  static std::vector<ModalState*> stack;
  return stack;
}

struct Disabled {
  HWND except;
  std::vector<HWND> windows;
};

BOOL CALLBACK DisableOne(HWND wnd, LPARAM param) {
  auto* d = reinterpret_cast<Disabled*>(param);
  if (wnd != d->except && IsWindowEnabled(wnd) && IsWindowVisible(wnd)) {
    d->windows.push_back(wnd);
    EnableWindow(wnd, FALSE);
  }
  return TRUE;
}

}  // namespace

INT_PTR ShowModal(HWND wnd) {
  ModalState state = {wnd, 0, false};
  Stack().push_back(&state);
  HWND active = GetActiveWindow();
  Disabled disabled = {wnd, {}};
  EnumThreadWindows(GetCurrentThreadId(), DisableOne, reinterpret_cast<LPARAM>(&disabled));
  EnableWindow(wnd, TRUE);
  ShowWindow(wnd, SW_SHOW);
  SetForegroundWindow(wnd);

  MSG msg;
  bool quit = false;
  while (!state.done && IsWindow(wnd) && IsWindowVisible(wnd)) {
    BOOL got = GetMessageA(&msg, nullptr, 0, 0);
    if (got <= 0) {
      quit = got == 0;
      break;
    }
    if (!IsDialogMessageA(wnd, &msg)) {
      TranslateMessage(&msg);
      DispatchMessageA(&msg);
    }
  }
  // Enable the others before hiding, so the activation can go back to them.
  for (HWND w : disabled.windows)
    if (IsWindow(w)) EnableWindow(w, TRUE);
  if (IsWindow(wnd)) ShowWindow(wnd, SW_HIDE);
  if (active && IsWindow(active)) SetActiveWindow(active);
  Stack().pop_back();
  if (quit) PostQuitMessage(static_cast<int>(msg.wParam));
  return state.result;
}

void EndModal(HWND wnd, INT_PTR result) {
  for (auto it = Stack().rbegin(); it != Stack().rend(); ++it)
    if ((*it)->wnd == wnd) {
      (*it)->result = result;
      (*it)->done = true;
      PostMessageA(wnd, WM_NULL, 0, 0);  // wake the loop
      return;
    }
}

bool IsModal(HWND wnd) {
  for (ModalState* s : Stack())
    if (s->wnd == wnd && !s->done) return true;
  return false;
}

void CenterOnScreen(HWND wnd, int client_width, int client_height) {
  RECT frame;
  if (client_width > 0 && client_height > 0) {
    frame = {0, 0, client_width, client_height};
    AdjustWindowRectEx(&frame, static_cast<DWORD>(GetWindowLongPtrA(wnd, GWL_STYLE)), FALSE,
                       static_cast<DWORD>(GetWindowLongPtrA(wnd, GWL_EXSTYLE)));
  } else {
    GetWindowRect(wnd, &frame);
  }
  int width = frame.right - frame.left, height = frame.bottom - frame.top;
  SetWindowPos(wnd, nullptr, (GetSystemMetrics(SM_CXSCREEN) - width) / 2,
               (GetSystemMetrics(SM_CYSCREEN) - height) / 2, width, height, SWP_NOZORDER | SWP_NOACTIVATE);
}

}  // namespace kestro::ui
