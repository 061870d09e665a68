// Labels that look and act like links: blue underlined text, the hand
// cursor, red while the left mouse button is held on them. What a click does
// is the owner's business (it gets the label's STN_CLICKED notification);
// OpenAddress() is the click of a web or mail address label.
#pragma once

#include <windows.h>

#include <string>

namespace kestro::setup {

enum class LinkType { kHttp, kFtp, kMail };

class LinkLabels {
 public:
  ~LinkLabels();
  // Makes an SS_NOTIFY static a link label, in a bold font if asked; with
  // `hover` it also lights up while the mouse is over it.
  void Attach(HWND label, bool bold, bool hover = false);
  // For the owner's WM_CTLCOLORSTATIC: sets the text colour of a link label
  // and returns true; false for any other control.
  bool CtlColor(HWND label, HDC dc) const;
  // Shows the label red (pressed) or blue, repainted at once.
  static void SetPressed(HWND label, bool pressed);

 private:
  HFONT normal_ = nullptr;
  HFONT bold_ = nullptr;
};

// Asks the shell to open the type's prefix ("http:\\", "ftp:\\", "mailto:")
// followed by the address.
void OpenAddress(LinkType type, const std::string& address);

}  // namespace kestro::setup
