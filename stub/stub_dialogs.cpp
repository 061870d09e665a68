#include "stub/stub_dialogs.h"

// <windows.h> first, the other system headers build on it.
// clang-format off
#include <windows.h>
#include <commctrl.h>
#include <objbase.h>
#include <shlobj.h>
#include <string.h>
// clang-format on

#include "stub/resource.h"
#include "ui/gauge_paint.h"

namespace kestro::stub {

using namespace kestro::format;

namespace {

char g_caption[256] = "Setup";

void SetDialogCaption(HWND dlg) { SetWindowTextA(dlg, g_caption); }

void SetItem(HWND dlg, int id, const PStr<255>& text) {
  char buf[256];
  text.CopyTo(buf);
  SetDlgItemTextA(dlg, id, buf);
}

// What a modal window is opened with: the settings and, per window, a buffer.
struct DialogData {
  const SetupSettings* s;
  char* buffer;
};

const SetupSettings& Settings(HWND dlg) {
  return *reinterpret_cast<DialogData*>(GetWindowLongPtrA(dlg, DWLP_USER))->s;
}
char* Buffer(HWND dlg) { return reinterpret_cast<DialogData*>(GetWindowLongPtrA(dlg, DWLP_USER))->buffer; }

INT_PTR Modal(int id, DLGPROC proc, const SetupSettings& s, char* buffer) {
  DialogData data = {&s, buffer};
  return DialogBoxParamA(nullptr, MAKEINTRESOURCEA(id), nullptr, proc, reinterpret_cast<LPARAM>(&data));
}

// Licence agreement: the joined text with Continue and Cancel.
INT_PTR CALLBACK LicenseProc(HWND dlg, UINT msg, WPARAM wp, LPARAM lp) {
  if (msg == WM_INITDIALOG) {
    SetWindowLongPtrA(dlg, DWLP_USER, lp);
    SetDialogCaption(dlg);
    SetDlgItemTextA(dlg, IDC_TEXT, Buffer(dlg));
    SetItem(dlg, IDOK, Settings(dlg).continue_text);
    SetItem(dlg, IDCANCEL, Settings(dlg).cancel);
    SetFocus(GetDlgItem(dlg, IDOK));
    return FALSE;
  }
  if (msg == WM_COMMAND && (LOWORD(wp) == IDOK || LOWORD(wp) == IDCANCEL)) {
    EndDialog(dlg, LOWORD(wp));
    return TRUE;
  }
  return FALSE;
}

// The question: PromptText with Yes and No captioned by the record.
INT_PTR CALLBACK QuestionProc(HWND dlg, UINT msg, WPARAM wp, LPARAM lp) {
  if (msg == WM_INITDIALOG) {
    SetWindowLongPtrA(dlg, DWLP_USER, lp);
    SetDialogCaption(dlg);
    SetItem(dlg, IDC_TEXT, Settings(dlg).prompt_text);
    SendDlgItemMessageA(dlg, IDC_PICTURE, STM_SETICON,
                        reinterpret_cast<WPARAM>(LoadIconA(nullptr, IDI_QUESTION)), 0);
    SetItem(dlg, IDYES, Settings(dlg).yes);
    SetItem(dlg, IDNO, Settings(dlg).no);
    return TRUE;
  }
  if (msg == WM_COMMAND && (LOWORD(wp) == IDYES || LOWORD(wp) == IDNO || LOWORD(wp) == IDCANCEL)) {
    EndDialog(dlg, LOWORD(wp) == IDYES ? IDYES : IDNO);
    return TRUE;
  }
  return FALSE;
}

// The password window; ends with IDOK and the typed text in the buffer.
INT_PTR CALLBACK PasswordProc(HWND dlg, UINT msg, WPARAM wp, LPARAM lp) {
  if (msg == WM_INITDIALOG) {
    SetWindowLongPtrA(dlg, DWLP_USER, lp);
    SetDialogCaption(dlg);
    if (Settings(dlg).password_text.len) SetItem(dlg, IDC_TEXT, Settings(dlg).password_text);
    SetItem(dlg, IDOK, Settings(dlg).continue_text);
    SetItem(dlg, IDCANCEL, Settings(dlg).cancel);
    SendDlgItemMessageA(dlg, IDC_EDIT, EM_LIMITTEXT, 255, 0);
    SetFocus(GetDlgItem(dlg, IDC_EDIT));
    return FALSE;
  }
  if (msg == WM_COMMAND && LOWORD(wp) == IDOK) {
    GetDlgItemTextA(dlg, IDC_EDIT, Buffer(dlg), 256);
    EndDialog(dlg, IDOK);
    return TRUE;
  }
  if (msg == WM_COMMAND && LOWORD(wp) == IDCANCEL) {
    EndDialog(dlg, IDCANCEL);
    return TRUE;
  }
  return FALSE;
}

int CALLBACK BrowseCallback(HWND wnd, UINT msg, LPARAM, LPARAM data) {
  if (msg == BFFM_INITIALIZED) SendMessageA(wnd, BFFM_SETSELECTIONA, TRUE, data);
  return 0;
}

// The Browse button: the shell's folder dialog, starting at what is typed.
void BrowseClick(HWND dlg) {
  char text[256], current[kPathMax];
  Settings(dlg).folder_sel_text.CopyTo(text);
  GetDlgItemTextA(dlg, IDC_EDIT, current, sizeof current);
  BROWSEINFOA bi;
  memset(&bi, 0, sizeof bi);
  bi.hwndOwner = dlg;
  bi.lpszTitle = text;
  bi.ulFlags = BIF_RETURNONLYFSDIRS | BIF_NEWDIALOGSTYLE | BIF_EDITBOX;
  bi.lpfn = BrowseCallback;
  bi.lParam = reinterpret_cast<LPARAM>(current);
  // The new dialog style hosts shell objects: it needs COM in a
  // single-threaded apartment on this thread.
  HRESULT com = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
  LPITEMIDLIST id = SHBrowseForFolderA(&bi);
  if (id) {
    char chosen[MAX_PATH];
    if (SHGetPathFromIDListA(id, chosen)) SetDlgItemTextA(dlg, IDC_EDIT, chosen);
    CoTaskMemFree(id);
  }
  if (SUCCEEDED(com)) CoUninitialize();
}

// The target folder: FolderSelText, the folder, Browse, Continue, Cancel.
INT_PTR CALLBACK FolderProc(HWND dlg, UINT msg, WPARAM wp, LPARAM lp) {
  if (msg == WM_INITDIALOG) {
    SetWindowLongPtrA(dlg, DWLP_USER, lp);
    SetDialogCaption(dlg);
    SetItem(dlg, IDC_TEXT, Settings(dlg).folder_sel_text);
    SetDlgItemTextA(dlg, IDC_EDIT, Buffer(dlg));
    SetItem(dlg, IDOK, Settings(dlg).continue_text);
    SetItem(dlg, IDCANCEL, Settings(dlg).cancel);
    return TRUE;
  }
  if (msg != WM_COMMAND) return FALSE;
  switch (LOWORD(wp)) {
    case IDC_BROWSE: BrowseClick(dlg); return TRUE;
    case IDOK: {
      char typed[kPathMax];
      GetDlgItemTextA(dlg, IDC_EDIT, typed, sizeof typed);
      if (!typed[0]) return TRUE;
      lstrcpyA(Buffer(dlg), typed);
      EndDialog(dlg, IDOK);
      return TRUE;
    }
    case IDCANCEL: EndDialog(dlg, IDCANCEL); return TRUE;
  }
  return FALSE;
}

// The gauge, painted by the product's one gauge routine: the percentage (the
// control's text) in bold, white over the navy bar and navy over the rest.
void DrawGauge(const DRAWITEMSTRUCT* d) {
  static HFONT bold = nullptr;
  if (!bold) {
    LOGFONTA lf;
    HFONT font = reinterpret_cast<HFONT>(SendMessageA(d->hwndItem, WM_GETFONT, 0, 0));
    if (font && GetObjectA(font, sizeof lf, &lf)) {
      lf.lfWeight = FW_BOLD;
      bold = CreateFontIndirectA(&lf);
    }
  }
  char text[16];
  int len = GetWindowTextA(d->hwndItem, text, sizeof text);
  kestro::ui::GaugeLook look;
  for (int i = 0; i < len && text[i] >= '0' && text[i] <= '9'; ++i) look.progress = look.progress * 10 + text[i] - '0';
  look.font = bold;
  kestro::ui::PaintGauge(d->hDC, d->rcItem, look);
}

INT_PTR CALLBACK ProgressProc(HWND dlg, UINT msg, WPARAM wp, LPARAM lp) {
  if (msg == WM_INITDIALOG) {
    SetWindowLongPtrA(dlg, DWLP_USER, lp);
    SetDialogCaption(dlg);
    SetItem(dlg, IDC_TEXT, Settings(dlg).progress_text);
    SetItem(dlg, IDCANCEL, Settings(dlg).cancel);
    SendDlgItemMessageA(dlg, IDC_PICTURE, STM_SETICON,
                        reinterpret_cast<WPARAM>(LoadIconA(nullptr, IDI_APPLICATION)), 0);
    SetDlgItemTextA(dlg, IDC_GAUGE, "0 %");
    return TRUE;
  }
  if (msg == WM_DRAWITEM && wp == IDC_GAUGE) {
    DrawGauge(reinterpret_cast<DRAWITEMSTRUCT*>(lp));
    return TRUE;
  }
  if ((msg == WM_COMMAND && LOWORD(wp) == IDCANCEL) || msg == WM_CLOSE) {
    reinterpret_cast<ProgressWindow*>(
        reinterpret_cast<DialogData*>(GetWindowLongPtrA(dlg, DWLP_USER))->buffer)
        ->cancelled = true;
    return TRUE;
  }
  return FALSE;
}

void Pump(HWND dlg) {
  MSG m;
  while (PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE)) {
    if (!dlg || !IsDialogMessageA(dlg, &m)) {
      TranslateMessage(&m);
      DispatchMessageA(&m);
    }
  }
}

void SetGauge(HWND dlg, int percent) {
  char text[16];
  wsprintfA(text, "%d %%", percent);
  SetDlgItemTextA(dlg, IDC_GAUGE, text);  // an owner-drawn static repaints
}

}  // namespace

void SetCaption(const PStr<255>& caption) {
  if (caption.len) caption.CopyTo(g_caption);
}

const char* Caption() { return g_caption; }

void ShowError(bool silent, const char* text) {
  if (!silent) MessageBoxA(nullptr, text, g_caption, MB_OK | MB_ICONERROR | MB_SETFOREGROUND);
}

bool AskLicense(const SetupSettings& s, const char* text) {
  return Modal(IDD_LICENSE, LicenseProc, s, const_cast<char*>(text)) == IDOK;
}

bool AskQuestion(const SetupSettings& s) { return Modal(IDD_QUESTION, QuestionProc, s, nullptr) == IDYES; }

bool AskPassword(const Archive& a) {
  for (;;) {
    char typed[256] = {};
    if (Modal(IDD_PASSWORD, PasswordProc, a.settings, typed) != IDOK) return false;
    bool ok = PasswordMatches(a, typed);
    SecureZeroMemory(typed, sizeof typed);
    if (ok) return true;
    MessageBoxA(nullptr, "The password is not correct. Please try again.", g_caption, MB_OK | MB_ICONWARNING);
  }
}

bool AskFolder(const SetupSettings& s, char* folder) {
  return Modal(IDD_FOLDER, FolderProc, s, folder) == IDOK;
}

Existing AskReplace(void*, size_t count, const char* const* names, size_t nnames, const char* folder) {
  // "3 files in C:\Temp\Hello already exist and differ, for example
  // config.ini, a.txt and b.txt. Replace them?"
  Message m;
  m.Num(count).Add(count == 1 ? " file in " : " files in ").Add(folder);
  if (count == 1) {
    m.Add(" already exists and differs: ").Add(names[0]).Add(". Replace it?");
  } else {
    m.Add(" already exist and differ, for example ");
    for (size_t i = 0; i < nnames; ++i) m.Add(i == 0 ? "" : i + 1 == nnames ? " and " : ", ").Add(names[i]);
    m.Add(". Replace them?");
  }
  int answer = MessageBoxA(nullptr, m.text, g_caption, MB_YESNOCANCEL | MB_ICONQUESTION | MB_SETFOREGROUND);
  return answer == IDYES ? Existing::kReplace : answer == IDNO ? Existing::kKeep : Existing::kRefuse;
}

bool OpenProgress(const SetupSettings& s, ProgressWindow* w) {
  // The window keeps its data for as long as it lives.
  static DialogData data;
  data = {&s, reinterpret_cast<char*>(w)};
  w->dlg = CreateDialogParamA(nullptr, MAKEINTRESOURCEA(IDD_PROGRESS), nullptr, ProgressProc,
                              reinterpret_cast<LPARAM>(&data));
  if (!w->dlg) return false;
  ShowWindow(w->dlg, SW_SHOW);
  UpdateWindow(w->dlg);
  Pump(w->dlg);
  return true;
}

bool ProgressStep(void* ctx, uint64_t done, uint64_t total) {
  ProgressWindow* w = static_cast<ProgressWindow*>(ctx);
  int percent = total ? static_cast<int>(done * 100 / total) : 100;
  if (percent != w->percent) {
    w->percent = percent;
    SetGauge(w->dlg, percent);
  }
  DWORD now = GetTickCount();
  if (now - w->last_pump >= 30) {
    w->last_pump = now;
    Pump(w->dlg);
  }
  return !w->cancelled;
}

void CloseProgress(ProgressWindow* w, bool succeeded) {
  if (!w->dlg) return;
  if (succeeded) {
    // Let the full gauge be seen.
    SetGauge(w->dlg, 100);
    Pump(w->dlg);
    Sleep(200);
  }
  DestroyWindow(w->dlg);
  w->dlg = nullptr;
}

}  // namespace kestro::stub
