// The stub's windows: licence, question, password, target folder, progress
// and its message boxes. Texts and button captions come from the output's
// settings; every window carries the output's caption.
#pragma once

#include <windows.h>

#include "stub/archive.h"

namespace kestro::stub {

// The caption of every window and box ("Setup" until set).
void SetCaption(const format::PStr<255>& caption);
const char* Caption();

// An error box, or nothing in silent mode.
void ShowError(bool silent, const char* text);

// The licence (its joined text) with Continue and Cancel: true if accepted.
bool AskLicense(const format::SetupSettings& s, const char* text);
// PromptText with Yes and No: true for Yes.
bool AskQuestion(const format::SetupSettings& s);
// Asks until the password matches: false if the user cancelled.
bool AskPassword(const Archive& a);
// Offers folder (kPathMax bytes) and lets the user type or browse another;
// false if cancelled. folder then holds the choice, never empty.
bool AskFolder(const format::SetupSettings& s, char* folder);

// Asks whether files that already exist with other content are replaced
// (Yes), kept (No) or nothing is extracted (Cancel); an AskExistingFn.
Existing AskReplace(void* ctx, size_t count, const char* const* names, size_t nnames, const char* folder);

// The modeless progress window while files are extracted.
struct ProgressWindow {
  HWND dlg = nullptr;
  bool cancelled = false;
  int percent = -1;
  DWORD last_pump = 0;
};
// Opens the window; false if it could not be made (extract without it).
bool OpenProgress(const format::SetupSettings& s, ProgressWindow* w);
// The ProgressFn for ExtractOptions: sets the gauge, handles the window's
// messages now and then, false once Cancel was pressed.
bool ProgressStep(void* ctx, uint64_t done, uint64_t total);
// Shows the full gauge a moment when the extraction succeeded, then closes.
void CloseProgress(ProgressWindow* w, bool succeeded);

}  // namespace kestro::stub
