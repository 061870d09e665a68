// The product's own controls beyond the platform's: after RegisterWidgets
// each is a window class that a dialog template names directly, e.g.
//   CONTROL "http://www.example.com", IDC_LINK, "KestroLinkLabel", WS_CHILD | WS_VISIBLE, ...
// They send their parent WM_COMMAND (BN_CLICKED) like a button when clicked.
#pragma once

#include <windows.h>

#include <string>

#include "ui/pictures.h"

namespace kestro::ui {

// Registers every class of this header and TNewGauge's; call once at start
// (calling again does nothing).
void RegisterWidgets(HINSTANCE instance);

// Link label: blue underlined text, red while the mouse button is down on
// it, a hand cursor. Clicked, it tells its parent (BN_CLICKED) and opens its
// target through the shell ("open"): SetLinkTarget's, else its own text, in
// `folder` as the working folder if one is given.
constexpr const char* kLinkLabelClass = "KestroLinkLabel";
void SetLinkTarget(HWND link, const std::string& target,  // "" = the label's text
                   const std::string& folder = "");
// With `lights_up`, the label turns a lighter blue while the mouse is over it.
void SetLinkHover(HWND link, bool lights_up);
// Off by default in tests: OpenLinks(false) makes a click only notify.
void OpenLinks(bool open);

// Flat picture button: no border until the mouse is over it, then a raised
// edge, a sunken one while pressed; the picture drawn in code. Its window
// text is not drawn (the picture carries the words); BN_CLICKED to the parent.
constexpr const char* kPictureButtonClass = "KestroPictureButton";
void SetButtonPicture(HWND button, Picture picture);

// Label with a look: kRaised and kSunken draw the text as if embossed or
// engraved, kShadow with a grey shadow below right. The text is the
// window's text, the font the window's (WM_SETFONT).
constexpr const char* kFancyLabelClass = "KestroFancyLabel";
enum class LabelLook { kRaised, kSunken, kShadow };
void SetLabelLook(HWND label, LabelLook look, COLORREF color = RGB(0, 0, 128));

// Check mark: a fixed 16 x 16 box with a check drawn from a bitmap; it
// cannot be changed by the user. Checked unless told otherwise.
constexpr const char* kCheckMarkClass = "KestroCheckMark";
void SetCheckMark(HWND mark, bool checked);

// Animated picture: files dropping into a box, one frame every 120 ms while
// visible.
constexpr const char* kAnimationClass = "KestroAnimation";
void SetAnimationRunning(HWND animation, bool running);

}  // namespace kestro::ui
