// Stub1.dat: the extractor every output begins with. It reads the settings
// and files the compiler appended to it, asks what the author wants asked,
// extracts, and then either finishes (extract-only mode) or runs the setup
// program, waits for it and removes the extracted files (run mode).
// <windows.h> first, the other system headers build on it.
// clang-format off
#include <windows.h>
#include <commctrl.h>
#include <shlobj.h>
#include <string.h>
// clang-format on

#include "stub/archive.h"
#include "stub/resource.h"
#include "stub/switches.h"
#include "stub/win32_actions.h"

using namespace kestro::stub;
using namespace kestro::format;

// The compiler finds these bytes (the marker and room behind it) and writes
// the header over them: the only place the marker occurs in this program.
extern "C" {
__attribute__((used)) volatile unsigned char g_setup_header[32] = {
    0x65, 0x4C, 0x67, 0x4E, 0x69, 0x53, 0x12, 0x34, 0x43, 0x21, 0x12, 0x34, 0, 0, 0, 0};
}

namespace {

Archive g_archive;
char g_caption[256] = "Setup";

const char* const kHelp =
    "Switches:\r\n\r\n"
    "/S\tsilent: no licence, question, progress or closing message\r\n"
    "/D=FOLDER\textract into FOLDER (the last switch; may hold blanks)\r\n"
    "/P=PASSWORD\tthe password, when the file asks for one\r\n"
    "/T\ttest every file, write nothing\r\n"
    "/?\tthis list\r\n\r\n"
    "Exit codes: 0 done, 1 cancelled, 2 damaged file, 3 wrong or missing password,\r\n"
    "4 cannot write, 5 the setup program cannot be started; in run mode otherwise\r\n"
    "the setup program's own exit code.";

void ShowError(const Switches& sw, const char* text) {
  if (!sw.silent) MessageBoxA(nullptr, text, g_caption, MB_OK | MB_ICONERROR | MB_SETFOREGROUND);
}

void SetCaption(HWND dlg) { SetWindowTextA(dlg, g_caption); }

void SetButton(HWND dlg, int id, const PStr<255>& text) {
  char buf[256];
  text.CopyTo(buf);
  SetDlgItemTextA(dlg, id, buf);
}

// Licence agreement: the joined text with Continue and Cancel.
INT_PTR CALLBACK LicenseProc(HWND dlg, UINT msg, WPARAM wp, LPARAM lp) {
  if (msg == WM_INITDIALOG) {
    SetCaption(dlg);
    SetDlgItemTextA(dlg, IDC_TEXT, reinterpret_cast<const char*>(lp));
    SetButton(dlg, IDOK, g_archive.settings.continue_text);
    SetButton(dlg, IDCANCEL, g_archive.settings.cancel);
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
INT_PTR CALLBACK QuestionProc(HWND dlg, UINT msg, WPARAM wp, LPARAM) {
  if (msg == WM_INITDIALOG) {
    SetCaption(dlg);
    char text[256];
    g_archive.settings.prompt_text.CopyTo(text);
    SetDlgItemTextA(dlg, IDC_TEXT, text);
    SendDlgItemMessageA(dlg, IDC_PICTURE, STM_SETICON,
                        reinterpret_cast<WPARAM>(LoadIconA(nullptr, IDI_QUESTION)), 0);
    SetButton(dlg, IDYES, g_archive.settings.yes);
    SetButton(dlg, IDNO, g_archive.settings.no);
    return TRUE;
  }
  if (msg == WM_COMMAND && (LOWORD(wp) == IDYES || LOWORD(wp) == IDNO || LOWORD(wp) == IDCANCEL)) {
    EndDialog(dlg, LOWORD(wp) == IDYES ? IDYES : IDNO);
    return TRUE;
  }
  return FALSE;
}

// The password window; ends with IDOK and the typed text in lp's buffer.
INT_PTR CALLBACK PasswordProc(HWND dlg, UINT msg, WPARAM wp, LPARAM lp) {
  if (msg == WM_INITDIALOG) {
    SetWindowLongPtrA(dlg, DWLP_USER, lp);
    SetCaption(dlg);
    char text[256];
    g_archive.settings.password_text.CopyTo(text);
    if (text[0]) SetDlgItemTextA(dlg, IDC_TEXT, text);
    SetButton(dlg, IDOK, g_archive.settings.continue_text);
    SetButton(dlg, IDCANCEL, g_archive.settings.cancel);
    SendDlgItemMessageA(dlg, IDC_EDIT, EM_LIMITTEXT, 255, 0);
    SetFocus(GetDlgItem(dlg, IDC_EDIT));
    return FALSE;
  }
  if (msg == WM_COMMAND && LOWORD(wp) == IDOK) {
    char* out = reinterpret_cast<char*>(GetWindowLongPtrA(dlg, DWLP_USER));
    GetDlgItemTextA(dlg, IDC_EDIT, out, 256);
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

// The target folder: FolderSelText, the folder, Browse, Continue, Cancel.
INT_PTR CALLBACK FolderProc(HWND dlg, UINT msg, WPARAM wp, LPARAM lp) {
  char* folder = reinterpret_cast<char*>(GetWindowLongPtrA(dlg, DWLP_USER));
  if (msg == WM_INITDIALOG) {
    SetWindowLongPtrA(dlg, DWLP_USER, lp);
    SetCaption(dlg);
    char text[256];
    g_archive.settings.folder_sel_text.CopyTo(text);
    SetDlgItemTextA(dlg, IDC_TEXT, text);
    SetDlgItemTextA(dlg, IDC_EDIT, reinterpret_cast<const char*>(lp));
    SetButton(dlg, IDOK, g_archive.settings.continue_text);
    SetButton(dlg, IDCANCEL, g_archive.settings.cancel);
    return TRUE;
  }
  if (msg != WM_COMMAND) return FALSE;
  switch (LOWORD(wp)) {
    case IDC_BROWSE: {
      char text[256], current[kPathMax];
      g_archive.settings.folder_sel_text.CopyTo(text);
      GetDlgItemTextA(dlg, IDC_EDIT, current, sizeof current);
      BROWSEINFOA bi;
      memset(&bi, 0, sizeof bi);
      bi.hwndOwner = dlg;
      bi.lpszTitle = text;
      bi.ulFlags = BIF_RETURNONLYFSDIRS | BIF_NEWDIALOGSTYLE | BIF_EDITBOX;
      bi.lpfn = BrowseCallback;
      bi.lParam = reinterpret_cast<LPARAM>(current);
      LPITEMIDLIST id = SHBrowseForFolderA(&bi);
      if (id) {
        char chosen[MAX_PATH];
        if (SHGetPathFromIDListA(id, chosen)) SetDlgItemTextA(dlg, IDC_EDIT, chosen);
        CoTaskMemFree(id);
      }
      return TRUE;
    }
    case IDOK:
      GetDlgItemTextA(dlg, IDC_EDIT, folder, kPathMax);
      if (!folder[0]) return TRUE;
      EndDialog(dlg, IDOK);
      return TRUE;
    case IDCANCEL: EndDialog(dlg, IDCANCEL); return TRUE;
  }
  return FALSE;
}

// The progress window, modeless while the files are extracted.
struct ProgressWindow {
  HWND dlg = nullptr;
  bool cancelled = false;
  int percent = -1;
  DWORD last_pump = 0;
};

// The gauge: a sunken bar filled in navy from the left, its percentage (the
// control's text) in bold, white over the filled part and navy over the rest.
void DrawGauge(const DRAWITEMSTRUCT* d) {
  const COLORREF kFore = RGB(0, 0, 128), kBack = RGB(255, 255, 255);
  static HFONT bold = nullptr;
  if (!bold) {
    LOGFONTA lf;
    HFONT font = reinterpret_cast<HFONT>(SendMessageA(d->hwndItem, WM_GETFONT, 0, 0));
    if (font && GetObjectA(font, sizeof lf, &lf)) {
      lf.lfWeight = FW_BOLD;
      bold = CreateFontIndirectA(&lf);
    }
  }
  RECT r = d->rcItem;
  DrawEdge(d->hDC, &r, EDGE_SUNKEN, BF_RECT | BF_ADJUST);
  char text[16];
  int len = GetWindowTextA(d->hwndItem, text, sizeof text);
  int percent = 0;
  for (int i = 0; i < len && text[i] >= '0' && text[i] <= '9'; ++i) percent = percent * 10 + text[i] - '0';
  RECT filled = r, empty = r;
  filled.right = empty.left = r.left + (r.right - r.left) * percent / 100;
  HGDIOBJ old = bold ? SelectObject(d->hDC, bold) : nullptr;
  SIZE size;
  GetTextExtentPoint32A(d->hDC, text, len, &size);
  int x = (r.left + r.right - size.cx) / 2, y = (r.top + r.bottom - size.cy) / 2;
  SetTextColor(d->hDC, kBack);
  SetBkColor(d->hDC, kFore);
  ExtTextOutA(d->hDC, x, y, ETO_CLIPPED | ETO_OPAQUE, &filled, text, len, nullptr);
  SetTextColor(d->hDC, kFore);
  SetBkColor(d->hDC, kBack);
  ExtTextOutA(d->hDC, x, y, ETO_CLIPPED | ETO_OPAQUE, &empty, text, len, nullptr);
  if (old) SelectObject(d->hDC, old);
}

INT_PTR CALLBACK ProgressProc(HWND dlg, UINT msg, WPARAM wp, LPARAM lp) {
  if (msg == WM_INITDIALOG) {
    SetWindowLongPtrA(dlg, DWLP_USER, lp);
    SetCaption(dlg);
    char text[256];
    g_archive.settings.progress_text.CopyTo(text);
    SetDlgItemTextA(dlg, IDC_TEXT, text);
    SetButton(dlg, IDCANCEL, g_archive.settings.cancel);
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
    reinterpret_cast<ProgressWindow*>(GetWindowLongPtrA(dlg, DWLP_USER))->cancelled = true;
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

void JoinPath(char* out, size_t n, const char* folder, const PStr<255>& name) {
  char leaf[256];
  name.CopyTo(leaf);
  size_t f = strlen(folder);
  CopyCut(out, n, folder, f);
  if (f + 1 + name.len < n) {
    out[f] = '\\';
    memcpy(out + f + 1, leaf, name.len + 1);
  }
}

// A new folder under the user's temporary folder with an unpredictable
// name; creation fails rather than reuses an existing one.
bool MakePrivateFolder(char* out) {
  char temp[kPathMax];
  if (!TempFolder(temp, sizeof temp)) return false;
  for (int attempt = 0; attempt < 20; ++attempt) {
    uint8_t r[12];
    RandomBytes(r, sizeof r);
    char name[40] = "kx";
    for (size_t i = 0; i < sizeof r; ++i) {
      name[2 + 2 * i] = "0123456789abcdef"[r[i] >> 4];
      name[3 + 2 * i] = "0123456789abcdef"[r[i] & 15];
    }
    name[2 + 2 * sizeof r] = 0;
    wsprintfA(out, "%s%s", temp, name);
    if (CreateDirectoryA(out, nullptr)) return true;
    if (GetLastError() != ERROR_ALREADY_EXISTS) return false;
  }
  return false;
}

void RemoveWithRetries(const char* folder) {
  // A program that just ended may still hold its files for a moment.
  for (int attempt = 0; attempt < 40; ++attempt) {
    if (RemoveTree(folder)) return;
    Sleep(250);
  }
}

void LoadSystemDllsOnlyFromSystem32() {
  typedef BOOL(WINAPI * SetDirs)(DWORD);
  HMODULE k = GetModuleHandleA("kernel32.dll");
  SetDirs set =
      k ? reinterpret_cast<SetDirs>(reinterpret_cast<void*>(GetProcAddress(k, "SetDefaultDllDirectories")))
        : nullptr;
  if (set) set(0x00000800 /* LOAD_LIBRARY_SEARCH_SYSTEM32 */);
  SetDllDirectoryA("");  // also drop the current folder on older systems
}

int Run() {
  Switches sw;
  ParseSwitches(GetCommandLineA(), &sw);
  if (sw.help) {
    MessageBoxA(nullptr, kHelp, g_caption, MB_OK | MB_ICONINFORMATION);
    return kExitOk;
  }

  // 1. Find and check the data.
  char self[kPathMax];
  DWORD n = GetModuleFileNameA(nullptr, self, sizeof self);
  if (n == 0 || n >= sizeof self) return kExitDamaged;
  uint8_t marker[kMarkerSize];
  for (size_t i = 0; i < kMarkerSize; ++i) marker[i] = g_setup_header[i];
  static Message msg;
  int rc = OpenArchive(self, marker, &g_archive, &msg);
  if (rc != kExitOk) {
    Message box;
    box.Add("This file is damaged and cannot be extracted.\r\n\r\n").Add(msg.text);
    ShowError(sw, box.text);
    return rc;
  }
  const SetupSettings& s = g_archive.settings;
  if (s.caption.len) s.caption.CopyTo(g_caption);

  if (sw.test) {
    ExtractOptions opt;
    opt.test_only = true;
    rc = ExtractAll(g_archive, "", opt, &msg);
    if (rc != kExitOk)
      ShowError(sw, msg.text);
    else if (!sw.silent)
      MessageBoxA(nullptr, "Every file is intact.", g_caption, MB_OK | MB_ICONINFORMATION);
    return rc;
  }

  // 2. Licence, question, password.
  if (s.show_license && !sw.silent) {
    static char text[kLicenseMax];
    LicenseText(g_archive, text);
    if (DialogBoxParamA(nullptr, MAKEINTRESOURCEA(IDD_LICENSE), nullptr, LicenseProc,
                        reinterpret_cast<LPARAM>(text)) != IDOK)
      return kExitCancelled;
  }
  if (s.prompt_show && !sw.silent) {
    if (DialogBoxParamA(nullptr, MAKEINTRESOURCEA(IDD_QUESTION), nullptr, QuestionProc, 0) != IDYES)
      return kExitCancelled;
  }
  if (HasPassword(g_archive)) {
    if (sw.silent) {
      if (!sw.have_password || !PasswordMatches(g_archive, sw.password)) return kExitPassword;
    } else if (!sw.have_password || !PasswordMatches(g_archive, sw.password)) {
      for (;;) {
        char typed[256] = {};
        if (DialogBoxParamA(nullptr, MAKEINTRESOURCEA(IDD_PASSWORD), nullptr, PasswordProc,
                            reinterpret_cast<LPARAM>(typed)) != IDOK)
          return kExitCancelled;
        bool ok = PasswordMatches(g_archive, typed);
        SecureZeroMemory(typed, sizeof typed);
        if (ok) break;
        MessageBoxA(nullptr, "The password is not correct. Please try again.", g_caption,
                    MB_OK | MB_ICONWARNING);
      }
    }
  }

  // 3. Where to.
  bool run_mode = s.run_program && !s.extract_only;
  static char folder[kPathMax];
  MadeDirs made;  // the target's folders made here, removed again on failure
  if (run_mode) {
    if (!MakePrivateFolder(folder)) {
      ShowError(sw, "Cannot create a temporary folder for the setup files.");
      return kExitWrite;
    }
  } else {
    static char wanted[kPathMax];
    if (sw.folder[0]) {
      CopyCut(wanted, sizeof wanted, sw.folder, strlen(sw.folder));
    } else {
      char raw[256];
      s.extract_only_path.CopyTo(raw);
      ExpandEnvironmentStringsA(raw, wanted, sizeof wanted);
      if (!s.extract_only_no_dlg && !sw.silent) {
        if (DialogBoxParamA(nullptr, MAKEINTRESOURCEA(IDD_FOLDER), nullptr, FolderProc,
                            reinterpret_cast<LPARAM>(wanted)) != IDOK)
          return kExitCancelled;
      }
    }
    // A relative (or empty) ExtractOnlyPath is taken from where this file
    // lies; a relative /D= folder, typed on a command line, from the current
    // folder.
    bool absolute = (wanted[0] && wanted[1] == ':') || (wanted[0] == '\\' && wanted[1] == '\\');
    static char combined[kPathMax * 2];
    if (absolute || sw.folder[0]) {
      lstrcpyA(combined, wanted);
    } else {
      lstrcpyA(combined, self);
      char* slash = strrchr(combined, '\\');
      if (slash) slash[1] = 0;
      if (strlen(combined) + strlen(wanted) < sizeof combined) lstrcatA(combined, wanted);
    }
    if (!GetFullPathNameA(combined, sizeof folder, folder, nullptr))
      CopyCut(folder, sizeof folder, combined, strlen(combined));
    size_t f = strlen(folder);
    while (f > 3 && folder[f - 1] == '\\') folder[--f] = 0;
    if (!MakeDirs(folder, &made)) {
      RemoveMadeDirs(&made);
      Message m;
      char reason[256];
      ErrorText(LastError(), reason, sizeof reason);
      m.Add("Cannot create the folder ").Add(folder).Add(": ").Add(reason);
      ShowError(sw, m.text);
      return kExitWrite;
    }
  }

  // 4. Extract.
  ProgressWindow progress;
  ExtractOptions opt;
  if (s.progress_show && !sw.silent) {
    progress.dlg = CreateDialogParamA(nullptr, MAKEINTRESOURCEA(IDD_PROGRESS), nullptr, ProgressProc,
                                      reinterpret_cast<LPARAM>(&progress));
    if (progress.dlg) {
      ShowWindow(progress.dlg, SW_SHOW);
      UpdateWindow(progress.dlg);
      Pump(progress.dlg);
      opt.progress = ProgressStep;
      opt.progress_ctx = &progress;
    }
  }
  rc = ExtractAll(g_archive, folder, opt, &msg);
  if (progress.dlg) {
    if (rc == kExitOk) {
      // Let the full gauge be seen.
      SetGauge(progress.dlg, 100);
      Pump(progress.dlg);
      Sleep(200);
    }
    DestroyWindow(progress.dlg);
  }
  // 5. The script entries.
  if (rc == kExitOk) rc = ApplyIniEntries(g_archive, folder, false, &msg);
  if (rc == kExitOk) rc = ApplyRegEntries(g_archive, folder, &msg);
  if (rc == kExitOk) rc = ApplyIconEntries(g_archive, folder, &msg);
  if (rc != kExitOk) {
    if (rc != kExitCancelled) ShowError(sw, msg.text);
    if (run_mode)
      RemoveWithRetries(folder);
    else
      RemoveMadeDirs(&made);  // only those that stayed empty
    return rc;
  }
  FreeMadeDirs(&made);

  // 6. Afterwards.
  if (!run_mode) {
    if (s.link_create) {
      char name[256], target[kPathMax];
      s.link_display.CopyTo(name);
      JoinPath(target, sizeof target, folder, s.link_file_name);
      if (s.link_start_menu && (rc = CreateShortcut(true, name, target, folder, &msg)) != kExitOk)
        ShowError(sw, msg.text);
      if (s.link_desktop && (rc = CreateShortcut(false, name, target, folder, &msg)) != kExitOk)
        ShowError(sw, msg.text);
    }
    if (!sw.silent) {
      if (s.show_file_window) ShellOpen(folder);
      if (s.run_text_file) {
        char doc[kPathMax];
        JoinPath(doc, sizeof doc, folder, s.run_text_file_name);
        ShellOpen(doc);
      }
      if (s.show_final_msg) {
        char text[256];
        s.final_msg.CopyTo(text);
        MessageBoxA(nullptr, text, g_caption, MB_OK | MB_SETFOREGROUND);
      }
    }
    return rc;
  }
  char exe[kPathMax], raw[256], params[kPathMax];
  JoinPath(exe, sizeof exe, folder, s.run_prog_exe_name);
  s.run_prog_exe_para.CopyTo(raw);
  ExpandAll(raw, folder, params, sizeof params);
  uint32_t code = 0;
  rc = RunAndWait(exe, params, folder, &code, &msg);
  if (rc != kExitOk) {
    ShowError(sw, msg.text);
  } else {
    char wait_for[256];
    s.run_wait_for.CopyTo(wait_for);
    if (wait_for[0]) WaitForImage(wait_for);
    rc = static_cast<int>(code);
  }
  RemoveWithRetries(folder);
  return rc;
}

}  // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
  LoadSystemDllsOnlyFromSystem32();
  INITCOMMONCONTROLSEX icc = {sizeof icc, ICC_STANDARD_CLASSES};
  InitCommonControlsEx(&icc);
  int rc = Run();
  CloseArchive(&g_archive);
  return rc;
}
