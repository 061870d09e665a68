// Message boxes. Every message box of every program goes through
// MessageBoxService, so that a test can replace the real box with a scripted
// responder (see scripted_responder.h) that records what would have been
// shown. Texts are Windows-1252 bytes and reach MessageBoxA unchanged.
#pragma once

#include <windows.h>

#include <functional>
#include <string>

namespace kestro::ui {

// One message box as the program asks for it.
struct MessageBoxRequest {
  HWND owner = nullptr;
  std::string text;
  std::string caption;
  UINT flags = 0;

  UINT icon() const { return flags & MB_ICONMASK; }
  UINT buttons() const { return flags & MB_TYPEMASK; }
};

class MessageBoxService {
 public:
  // Answers a box instead of the user; returns the button pressed (IDOK...).
  using Responder = std::function<int(const MessageBoxRequest&)>;

  // Shows the box (MessageBoxA unless a responder is installed) and returns
  // the button pressed.
  static int ShowMessage(HWND owner, const std::string& text, const std::string& caption,
                         UINT flags);

  // Installs a responder; an empty one restores the real box. Returns the
  // responder that was installed before.
  static Responder SetResponder(Responder responder);
};

// Kinds of ModalMessageBox: they choose the icon and the caption used when
// the caption text is empty.
enum MessageKind {
  kInformation = 0,  // information icon, "Information"
  kQuestion = 1,     // question icon, "Bestätigen"
  kWarning = 2,      // warning icon, "Fehler"
  kStop = 3,         // stop icon, "Fehler"
};

// A task-modal box above everything the program shows. While it is up,
// every enabled top-level window of the program is disabled and every
// visible stay-on-top window is moved to the top of the ordinary band
// (without activation, movement or resizing); afterwards they are made
// top-most and enabled again and the focus returns where it was.
// `buttons` is one of MB_OK, MB_YESNO, ... Returns the button pressed.
int ModalMessageBox(const std::string& text, const std::string& caption, int kind,
                    UINT buttons);

// The application title: the caption of the general error box. Defaults to
// the program's file name without extension.
void SetApplicationTitle(const std::string& title);
std::string ApplicationTitle();

// The program's general error box for a failure no handler caught: the
// message followed by a period, the application title as caption, a stop
// icon and OK.
void ShowErrorBox(const std::string& message);

}  // namespace kestro::ui
