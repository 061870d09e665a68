#include "ui/message_box.h"

#include <vector>

namespace kestro::ui {
namespace {

MessageBoxService::Responder& CurrentResponder() {
  static MessageBoxService::Responder responder;
  return responder;
}

std::string& TitleStorage() {
  static std::string title;
  return title;
}

// The program's windows that a modal box puts aside, and how to put them back.
struct SetAside {
  std::vector<HWND> disabled;
  std::vector<HWND> lowered;
};

BOOL CALLBACK CollectWindow(HWND wnd, LPARAM param) {
  auto* aside = reinterpret_cast<SetAside*>(param);
  if (IsWindowEnabled(wnd)) aside->disabled.push_back(wnd);
  if (IsWindowVisible(wnd) && (GetWindowLongPtrA(wnd, GWL_EXSTYLE) & WS_EX_TOPMOST))
    aside->lowered.push_back(wnd);
  return TRUE;
}

constexpr UINT kKeepPlace = SWP_NOACTIVATE | SWP_NOMOVE | SWP_NOSIZE;

}  // namespace

int MessageBoxService::ShowMessage(HWND owner, const std::string& text,
                                   const std::string& caption, UINT flags) {
  if (CurrentResponder()) return CurrentResponder()(MessageBoxRequest{owner, text, caption, flags});
  return MessageBoxA(owner, text.c_str(), caption.c_str(), flags);
}

MessageBoxService::Responder MessageBoxService::SetResponder(Responder responder) {
  Responder previous = std::move(CurrentResponder());
  CurrentResponder() = std::move(responder);
  return previous;
}

int ModalMessageBox(const std::string& text, const std::string& caption, int kind,
                    UINT buttons) {
  UINT icon = 0;
  std::string fallback;
  switch (kind) {
    case kInformation: icon = MB_ICONINFORMATION; fallback = "Information"; break;
    case kQuestion: icon = MB_ICONQUESTION; fallback = "Best\xE4tigen"; break;
    case kWarning: icon = MB_ICONWARNING; fallback = "Fehler"; break;
    case kStop: icon = MB_ICONSTOP; fallback = "Fehler"; break;
    default: break;
  }
  const std::string& shown_caption = caption.empty() ? fallback : caption;

  HWND focus = GetFocus();
  HWND active = GetActiveWindow();
  SetAside aside;
  EnumThreadWindows(GetCurrentThreadId(), CollectWindow, reinterpret_cast<LPARAM>(&aside));
  for (HWND wnd : aside.disabled) EnableWindow(wnd, FALSE);
  for (HWND wnd : aside.lowered) SetWindowPos(wnd, HWND_NOTOPMOST, 0, 0, 0, 0, kKeepPlace);

  int result = MessageBoxService::ShowMessage(nullptr, text, shown_caption,
                                              (buttons & MB_TYPEMASK) | icon | MB_TASKMODAL);

  for (HWND wnd : aside.lowered)
    if (IsWindow(wnd)) SetWindowPos(wnd, HWND_TOPMOST, 0, 0, 0, 0, kKeepPlace);
  for (HWND wnd : aside.disabled)
    if (IsWindow(wnd)) EnableWindow(wnd, TRUE);
  if (active && IsWindow(active)) SetActiveWindow(active);
  if (focus && IsWindow(focus)) SetFocus(focus);
  return result;
}

void SetApplicationTitle(const std::string& title) { TitleStorage() = title; }

std::string ApplicationTitle() {
  if (!TitleStorage().empty()) return TitleStorage();
  char path[MAX_PATH];
  DWORD n = GetModuleFileNameA(nullptr, path, MAX_PATH);
  std::string name(path, n < MAX_PATH ? n : 0);
  size_t slash = name.find_last_of("\\/:");
  if (slash != std::string::npos) name.erase(0, slash + 1);
  size_t dot = name.rfind('.');
  if (dot != std::string::npos) name.erase(dot);
  return name;
}

void ShowErrorBox(const std::string& message) {
  MessageBoxService::ShowMessage(GetActiveWindow(), message + ".", ApplicationTitle(),
                                 MB_OK | MB_ICONSTOP);
}

}  // namespace kestro::ui
