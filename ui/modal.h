// Modal showing of a window that lives hidden between showings, the way the
// wizard's dialogs are used: every other enabled window of the thread is
// disabled, the window is shown and its messages handled until it ends the
// loop (EndModal, or it is hidden or destroyed); then the windows are
// enabled again, the window hidden and the activation put back.
#pragma once

#include <windows.h>

namespace kestro::ui {

// Returns the result given to EndModal (0 when the window was hidden or
// closed otherwise).
INT_PTR ShowModal(HWND wnd);
// Ends the innermost ShowModal of `wnd` with `result` (not 0).
void EndModal(HWND wnd, INT_PTR result);
// True while `wnd` is shown by ShowModal.
bool IsModal(HWND wnd);

// Centres a top-level window on the screen, its client area width x height
// pixels when they are not 0.
void CenterOnScreen(HWND wnd, int client_width = 0, int client_height = 0);

}  // namespace kestro::ui
