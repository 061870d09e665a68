// The product's pictures, drawn in code: the picture buttons' faces, the
// folder and drive icons of the folder lists, the check mark, the frames of
// the animation.
#pragma once

#include <windows.h>

namespace kestro::ui {

enum class Picture {
  kNone,
  kAddFiles,        // a page with a plus, "Add Files"
  kAddFolder,       // a folder with a plus, "Add Folder"
  kRemoveSelected,  // a list with a marked line and a minus, "Remove Selected"
  kRemoveAll,       // a stack of pages with a cross, "Remove All"
  kFolderOpen,      // 16 x 13
  kFolderClosed,    // 16 x 13
  kDrive,           // 16 x 13
};

// Draws a picture into `rect`. The button faces put an icon at the left and
// their words beside it, in `font` (the default GUI font when nullptr);
// `enabled` false greys them.
void DrawPicture(HDC dc, const RECT& rect, Picture picture, HFONT font = nullptr, bool enabled = true);

// The 16 x 16 check mark bitmap (made once, owned here); `checked` false
// gives the empty box.
HBITMAP CheckMarkBitmap(bool checked);

// Frame `frame` (0..kAnimationFrames-1) of the animation, scaled into rect.
constexpr int kAnimationFrames = 12;
void DrawAnimationFrame(HDC dc, const RECT& rect, int frame);

}  // namespace kestro::ui
