#include "wizard/form1.h"

#include <commctrl.h>

#include <exception>

#include "common/errors.h"
#include "common/os.h"
#include "common/paths.h"
#include "project/ini_file.h"
#include "project/keys.h"
#include "ui/message_box.h"
#include "ui/modal.h"
#include "ui/widgets.h"
#include "wizard/add_folder.h"
#include "wizard/previews.h"
#include "wizard/resource.h"
#include "wizard/source_list.h"

namespace kestro::wizard {
namespace {

constexpr int kWindowWidth = 484;
constexpr int kWindowHeight = 325;
constexpr UINT kTimer1Interval = 1000;
constexpr int kButtonWidth = 75;
constexpr int kButtonHeight = 23;

constexpr int kPageTemplates[kPageCount] = {IDD_welcome, IDD_load,      IDD_files, IDD_general,
                                            IDD_visual2, IDD_selectexe, IDD_save,  IDD_done};

// Each box and the controls that are enabled exactly while it is checked.
struct Followers {
  int box;
  int ids[6];
};
constexpr Followers kFollowers[] = {
    {IDC_ch1, {IDC_Edit1, IDC_btnTestPrmpt}},
    {IDC_Pwd, {IDC_Label44, IDC_Edit7, IDC_Label26, IDC_Edit5, IDC_btnTestPwd}},
    {IDC_ch2, {IDC_Label2, IDC_Edit3, IDC_btnTestPrgbar}},
    {IDC_finmsgchk, {IDC_finmsg, IDC_btnTestMsg}},
    {IDC_cExe, {IDC_lExe1, IDC_eExe, IDC_lExe2}},
    {IDC_licchk, {IDC_btnEditLicText}},
    {IDC_ch54, {IDC_ch53, IDC_ch52, IDC_l33, IDC_cbl, IDC_e66, IDC_l34}},
};

// Where each [Settings] key the wizard writes lives. LinkFileName and
// LicenseText have no plain control (the selected entry of cbl, the licence
// editor's memo).
struct Binding {
  const char* key;
  int id;
};
constexpr Binding kBindings[] = {
    {"PromptShow", IDC_ch1},
    {"PasswordShow", IDC_Pwd},
    {"ProgressShow", IDC_ch2},
    {"PromptText", IDC_Edit1},
    {"Password", IDC_Edit5},
    {"PasswordText", IDC_Edit7},
    {"FolderSelText", IDC_Edit10},
    {"ProgressText", IDC_Edit3},
    {"Quiet", IDC_chkQuiet},
    {"ShowFileWindow", IDC_ch55},
    {"LinkCreate", IDC_ch54},
    {"LinkStartMenu", IDC_ch53},
    {"LinkDesktop", IDC_ch52},
    {"LinkFileName", IDC_cbl},
    {"LinkDisplay", IDC_e66},
    {"RunWaitFor", IDC_Edit12},
    {"ShowLicense", IDC_licchk},
    {"LicenseText", 0},
    {"Cancel", IDC_eCan},
    {"Continue", IDC_eCon},
    {"Caption", IDC_eTitle},
    {"RunTextFile", IDC_cExe},
    {"RunTextFileName", IDC_eExe},
    {"ShowFinalMsg", IDC_finmsgchk},
    {"FinalMsg", IDC_finmsg},
    {"RunProgram", IDC_RadioButton953},
    {"ExtractOnly", IDC_RadioButton954},
    {"RunProgExeName", IDC_cb2},
    {"RunProgExePara", IDC_Edit9},
    {"ExtractOnlyPath", IDC_cb3},
    {"ExtractOnlyNoDlg", IDC_dissel},
    {"Output", IDC_Edit4},
};

int ControlOf(const char* key) {
  for (const Binding& b : kBindings)
    if (lstrcmpiA(b.key, key) == 0) return b.id;
  return 0;
}

// The keys read while loading, in the order they are read; the source list
// and the licence are read at their places in this order.
constexpr const char* kLoadOrder[] = {
    "PromptShow",       "PasswordShow", "ProgressShow",   "Quiet",          "PromptText",
    "Password",         "PasswordText", "FolderSelText",  "ProgressText",   "[Files]",
    "RunProgram",       "ExtractOnly",  "RunProgExeName", "RunProgExePara", "ExtractOnlyPath",
    "ExtractOnlyNoDlg", "Output",       "ShowFileWindow", "LinkCreate",     "LinkStartMenu",
    "LinkDesktop",      "LinkDisplay",  "RunWaitFor",     "ShowLicense",    "LicenseText",
    "Cancel",           "Continue",     "Caption",        "RunTextFile",    "RunTextFileName",
    "ShowFinalMsg",     "FinalMsg",     "LinkFileName",
};

constexpr char kMissingFileChoice[] =
    "The selected file does not exists.\r\ntessaron Kestro will create a new file.";
constexpr char kOldVersionCaption[] = "Old Version Warning";
constexpr char kOldVersionText[] =
    "The selected project file has been created with an old version of tessaron Kestro\r\n\r\n"
    "Because of another Source Files management, the old Source Files data can not be loaded and you "
    "will have to add the Source Files again. Other Settings can be loaded but may not be shown "
    "correctly, so please all settings before creating the self-extracting file.";
constexpr char kMissingSourcesText[] =
    "One or more files that have been added to the Source File List do no longer exist.";
constexpr char kWarningCaption[] = "Warning";
constexpr char kMissingEntry[] = "Error";

// The licence memo's text as stored: without its final line break (CR LF,
// or a lone CR or LF), with the line-break markers.
std::string StoredLicence(std::string text) {
  if (!text.empty() && text.back() == '\n') text.pop_back();
  if (!text.empty() && text.back() == '\r') text.pop_back();
  return project::EncodeLineBreaks(text);
}

const Followers* FollowersOf(int box) {
  for (const Followers& f : kFollowers)
    if (f.box == box) return &f;
  return nullptr;
}

HFONT DerivedFont(HWND wnd, int weight, int height_delta) {
  LOGFONTA lf = {};
  HFONT base = reinterpret_cast<HFONT>(SendMessageA(wnd, WM_GETFONT, 0, 0));
  if (!base) base = static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT));
  GetObjectA(base, sizeof lf, &lf);
  lf.lfWeight = weight;
  if (height_delta) lf.lfHeight = lf.lfHeight < 0 ? lf.lfHeight - height_delta : lf.lfHeight + height_delta;
  return CreateFontIndirectA(&lf);
}

// The templates are designed for dialog base units of 6 x 13 pixels (8-point
// Tahoma). Where the font's metrics differ, the controls are moved to the
// places in pixels that the design gives them, so every page fits the
// window's fixed size.
constexpr int kDesignBaseX = 6;
constexpr int kDesignBaseY = 13;

void FitToDesign(HWND dialog) {
  RECT units = {0, 0, 4, 8};
  MapDialogRect(dialog, &units);
  const int bx = units.right, by = units.bottom;
  if ((bx == kDesignBaseX && by == kDesignBaseY) || bx <= 0 || by <= 0) return;
  for (HWND child = GetWindow(dialog, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
    RECT r;
    GetWindowRect(child, &r);
    char cls[32] = {};
    GetClassNameA(child, cls, sizeof cls);
    if (lstrcmpiA(cls, "ComboBox") == 0) {
      RECT dropped;
      SendMessageA(child, CB_GETDROPPEDCONTROLRECT, 0, reinterpret_cast<LPARAM>(&dropped));
      r.bottom = r.top + (dropped.bottom - dropped.top);
    }
    MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&r), 2);
    SetWindowPos(child, nullptr, MulDiv(r.left, kDesignBaseX, bx), MulDiv(r.top, kDesignBaseY, by),
                 MulDiv(r.right - r.left, kDesignBaseX, bx), MulDiv(r.bottom - r.top, kDesignBaseY, by),
                 SWP_NOZORDER | SWP_NOACTIVATE);
  }
}

// Dialog units of the design in pixels.
RECT DesignRect(int x, int y, int width, int height) {
  return RECT{x * kDesignBaseX / 4, y * kDesignBaseY / 8, (x + width) * kDesignBaseX / 4,
              (y + height) * kDesignBaseY / 8};
}

void StartWithoutWaiting(const std::string& command_line) {
  STARTUPINFOA si = {};
  si.cb = sizeof si;
  si.dwFlags = STARTF_USESHOWWINDOW;
  si.wShowWindow = SW_SHOWNORMAL;
  PROCESS_INFORMATION pi = {};
  std::string cmd = command_line;
  if (CreateProcessA(nullptr, &cmd[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi)) {
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);
  }
}

}  // namespace

TForm1::TForm1(HINSTANCE instance, const Options& options) : instance_(instance), options_(options) {
  RunCommand = StartWithoutWaiting;
  OnLoad = [](TForm1& form) {
    if (form.startup_load_flag_ != 99) {
      if (!form.od1_.Execute(form.hwnd_)) return;
      if (!os::FileExists(form.od1_.file_name)) {
        ui::MessageBoxService::ShowMessage(form.hwnd_, kMissingFileChoice, kWarningCaption,
                                           MB_OK | MB_ICONINFORMATION);
        return;
      }
      form.SetText(IDC_Edit6, form.od1_.file_name);
    }
    form.LoadProject(form.od1_.file_name);
  };
  // Next on "save": write the project, then (unless "Create Projectfile
  // only") run the compiler on it and wait.
  OnCreateScript = [](TForm1& form) {
    form.CreateScript();
    form.LaunchCompiler();
  };
  OnCompilerDetails = [](TForm1& form) { form.btnCompilerDetailsClick(); };
  od1_.filter = "Project Files (*.tkp)|*.tkp|All Files (*.*)|*.*";
  od1_.hide_read_only = true;
  od1_.path_must_exist = true;
  sd1_.save = true;
  sd1_.default_ext = ".exe";
  sd1_.filter = "Executeable Files (*.exe)|*.exe";
  sd1_.hide_read_only = true;

  hwnd_ = CreateDialogParamA(instance, MAKEINTRESOURCEA(IDD_Form1), nullptr, FormProc,
                             reinterpret_cast<LPARAM>(this));
  nb_ =
      CreateDialogParamA(instance, MAKEINTRESOURCEA(IDD_nb), hwnd_, PageProc, reinterpret_cast<LPARAM>(this));
  SetWindowLongPtrA(nb_, GWLP_ID, IDC_nb);
  for (int i = 0; i < kPageCount; ++i) {
    pages_[i] = CreateDialogParamA(instance, MAKEINTRESOURCEA(kPageTemplates[i]), nb_, PageProc,
                                   reinterpret_cast<LPARAM>(this));
    FitToDesign(pages_[i]);
  }
  for (int id : {IDD_Gb5, IDD_gb4}) {
    HWND group = CreateDialogParamA(instance, MAKEINTRESOURCEA(id), pages_[kSelectExe], PageProc,
                                    reinterpret_cast<LPARAM>(this));
    SetWindowLongPtrA(group, GWLP_ID, id);
    FitToDesign(group);
    RECT r = DesignRect(4, 42, 308, 110);
    SetWindowPos(group, HWND_BOTTOM, r.left, r.top, r.right - r.left, r.bottom - r.top, SWP_NOACTIVATE);
  }
  about_ = CreateDialogParamA(instance, MAKEINTRESOURCEA(IDD_About), hwnd_, AboutProc,
                              reinterpret_cast<LPARAM>(this));
  FitToDesign(about_);
  RECT about = DesignRect(0, 0, 220, 110);
  ui::CenterOnScreen(about_, about.right, about.bottom);
  IndexControls();
  LayOut();
  SetUpDonePage();

  // Initial states that a template cannot hold.
  CheckDlgButton(GetParent(Control(IDC_ch1)), IDC_ch1, BST_CHECKED);
  CheckDlgButton(GetParent(Control(IDC_ch2)), IDC_ch2, BST_CHECKED);
  CheckDlgButton(GetParent(Control(IDC_RadioButton954)), IDC_RadioButton954, BST_CHECKED);
  SetWindowTextA(Control(IDC_eExe), "readme.txt");
  for (const Followers& f : kFollowers) CheckBoxClick(f.box);
  for (int id : {IDC_btnAddSrcFiles, IDC_btnAddSrcDir, IDC_btnRmSelFiles, IDC_btnRmAllFiles}) {
    static const ui::Picture pictures[] = {ui::Picture::kAddFiles, ui::Picture::kAddFolder,
                                           ui::Picture::kRemoveSelected, ui::Picture::kRemoveAll};
    ui::SetButtonPicture(Control(id), pictures[id - IDC_btnAddSrcFiles]);
  }
  lbSrcFiles.Attach(Control(IDC_lbSrcFiles));
  SendMessageA(Control(IDC_lbSrcFiles), LB_SETITEMHEIGHT, 0, 13);
  ApplyNavigation(nav_);
  FormCreate();
}

TForm1::~TForm1() {
  fLic.reset();
  PwdForm.reset();
  InstallForm.reset();
  fAddFolder.reset();
  lbSrcFiles.Detach();
  if (hwnd_) {
    KillTimer(hwnd_, IDT_Timer1);
    DestroyWindow(hwnd_);
  }
  if (bold_) DeleteObject(bold_);
  if (title_font_) DeleteObject(title_font_);
}

void TForm1::CreateCompanions() {
  InstallForm = std::make_unique<TInstallForm>(instance_, hwnd_);
  PwdForm = std::make_unique<TPwdForm>(instance_, hwnd_);
  fLic = std::make_unique<TfLic>(
      instance_, [this] { return Text(IDC_eTitle); }, hwnd_);
  fAddFolder = std::make_unique<TfAddFolder>(instance_, hwnd_);
}

void TForm1::Show() {
  FormShow();
  ShowWindow(hwnd_, SW_SHOWNORMAL);
  UpdateWindow(hwnd_);
}

void TForm1::IndexControls() {
  struct Walk {
    static BOOL CALLBACK Add(HWND wnd, LPARAM param) {
      auto* map = reinterpret_cast<std::map<int, HWND>*>(param);
      int id = GetDlgCtrlID(wnd);
      if (id > 0 && id != IDC_PageTitle && !map->count(id)) (*map)[id] = wnd;
      return TRUE;
    }
  };
  controls_.clear();
  EnumChildWindows(hwnd_, Walk::Add, reinterpret_cast<LPARAM>(&controls_));
}

HWND TForm1::Control(int id) const {
  auto it = controls_.find(id);
  return it == controls_.end() ? nullptr : it->second;
}

// The window has a fixed size in pixels; its controls get their places in
// pixels too, the pages fill the notebook.
void TForm1::LayOut() {
  SetWindowPos(hwnd_, nullptr, 0, 0, kWindowWidth, kWindowHeight, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  ui::CenterOnScreen(hwnd_);
  RECT client;
  GetClientRect(hwnd_, &client);
  const int cw = client.right, ch = client.bottom;
  const int buttons_y = ch - kButtonHeight - 9;
  const int nb_height = buttons_y - 10;
  SetWindowPos(nb_, nullptr, 0, 0, cw, nb_height, SWP_NOZORDER | SWP_NOACTIVATE);
  for (HWND page : pages_) SetWindowPos(page, nullptr, 0, 0, cw, nb_height, SWP_NOZORDER | SWP_NOACTIVATE);
  HWND line = GetDlgItem(hwnd_, -1);
  if (line) SetWindowPos(line, nullptr, 0, nb_height + 2, cw, 2, SWP_NOZORDER | SWP_NOACTIVATE);
  const int cancel_x = cw - 10 - kButtonWidth;
  const int next_x = cancel_x - 10 - kButtonWidth;
  const int back_x = next_x - kButtonWidth;
  SetWindowPos(Control(IDC_Back), nullptr, back_x, buttons_y, kButtonWidth, kButtonHeight, SWP_NOZORDER);
  SetWindowPos(Control(IDC_Next), nullptr, next_x, buttons_y, kButtonWidth, kButtonHeight, SWP_NOZORDER);
  SetWindowPos(Control(IDC_Cancel), nullptr, cancel_x, buttons_y, kButtonWidth, kButtonHeight, SWP_NOZORDER);
  // "Loading ..." lies behind the notebook and is shown only while the notebook is hidden.
  SetWindowPos(Control(IDC_ll), HWND_BOTTOM, 0, nb_height / 2 - 8, cw, 16, SWP_NOACTIVATE);

  bold_ = DerivedFont(Control(IDC_Next), FW_BOLD, 0);
  SendMessageA(Control(IDC_Next), WM_SETFONT, reinterpret_cast<WPARAM>(bold_), TRUE);
  title_font_ = DerivedFont(Control(IDC_Next), FW_BOLD, 4);
  for (HWND page : pages_)
    SendMessageA(GetDlgItem(page, IDC_PageTitle), WM_SETFONT, reinterpret_cast<WPARAM>(title_font_), TRUE);
  SendMessageA(GetDlgItem(about_, IDC_AboutTitle), WM_SETFONT, reinterpret_cast<WPARAM>(title_font_), TRUE);
}

INT_PTR CALLBACK TForm1::FormProc(HWND wnd, UINT msg, WPARAM wp, LPARAM lp) {
  if (msg == WM_INITDIALOG) {
    SetWindowLongPtrA(wnd, GWLP_USERDATA, lp);
    return FALSE;
  }
  auto* form = reinterpret_cast<TForm1*>(GetWindowLongPtrA(wnd, GWLP_USERDATA));
  if (!form) return FALSE;
  switch (msg) {
    case WM_COMMAND: form->Command(LOWORD(wp), HIWORD(wp)); return TRUE;
    case WM_TIMER:
      if (wp == IDT_Timer1) form->Timer1Timer();
      return TRUE;
    case WM_CLOSE: form->CancelClick(); return TRUE;
  }
  return FALSE;
}

INT_PTR CALLBACK TForm1::PageProc(HWND wnd, UINT msg, WPARAM wp, LPARAM lp) {
  if (msg == WM_INITDIALOG) {
    SetWindowLongPtrA(wnd, GWLP_USERDATA, lp);
    return FALSE;
  }
  auto* form = reinterpret_cast<TForm1*>(GetWindowLongPtrA(wnd, GWLP_USERDATA));
  if (form && msg == WM_COMMAND) {
    form->Command(LOWORD(wp), HIWORD(wp));
    return TRUE;
  }
  return FALSE;
}

INT_PTR CALLBACK TForm1::AboutProc(HWND wnd, UINT msg, WPARAM wp, LPARAM) {
  if (msg == WM_COMMAND && (LOWORD(wp) == IDC_AboutOK || LOWORD(wp) == IDCANCEL)) {
    ui::EndModal(wnd, IDOK);
    return TRUE;
  }
  if (msg == WM_CLOSE) {
    ui::EndModal(wnd, IDCANCEL);
    return TRUE;
  }
  return msg == WM_INITDIALOG ? TRUE : FALSE;
}

void TForm1::Command(int id, int code) {
  if (code == EN_CHANGE) {
    switch (id) {
      case IDC_Edit1: Edit1Change(); break;
      case IDC_Edit3: Edit3Change(); break;
      case IDC_Edit9: Edit9Change(); break;
      case IDC_Edit2: Edit2Change(); break;
      case IDC_Edit6: Edit6Change(); break;
    }
    return;
  }
  if (id == IDC_cbl && (code == CBN_SELCHANGE || code == CBN_EDITCHANGE)) {
    cblChange();
    return;
  }
  if (code != BN_CLICKED) return;
  if (FollowersOf(id)) {
    CheckBoxClick(id);
    return;
  }
  switch (id) {
    case IDC_Next: NextClick(); break;
    case IDC_Back: BackClick(); break;
    case IDC_Cancel: CancelClick(); break;
    case IDC_btnAbout: btnAboutClick(); break;
    case IDC_btnOpen: btnOpenClick(); break;
    case IDC_btnCompilerDetails:
      if (OnCompilerDetails) Guarded([this] { OnCompilerDetails(*this); });
      break;
    case IDC_RadioButton953: RadioButton953Click(); break;
    case IDC_RadioButton954: RadioButton954Click(); break;
    case IDC_cb4: cb4Click(); break;
    case IDC_btnBrws: btnBrwsClick(); break;
    case IDC_IEButton1: IEButton1Click(); break;
    case IDC_IEButton2: IEButton2Click(); break;
    case IDC_IEButton3: IEButton3Click(); break;
    case IDC_btnAddSrcFiles: Guarded([this] { btnAddSrcFilesClick(hwnd_, lbSrcFiles); }); break;
    case IDC_btnAddSrcDir:
      if (fAddFolder) Guarded([this] { btnAddSrcDirClick(*fAddFolder, lbSrcFiles); });
      break;
    case IDC_btnRmSelFiles: Guarded([this] { btnRmSelFilesClick(lbSrcFiles); }); break;
    case IDC_btnRmAllFiles: Guarded([this] { btnRmAllFilesClick(hwnd_, lbSrcFiles); }); break;
    case IDC_btnTestPrmpt: Guarded([this] { btnTestPrmptClick(Text(IDC_Edit1), Text(IDC_eTitle)); }); break;
    case IDC_btnTestPwd:
      if (PwdForm)
        Guarded([this] { btnTestPwdClick(*PwdForm, Text(IDC_eTitle), Text(IDC_Edit7), Text(IDC_Edit5)); });
      break;
    case IDC_btnTestPrgbar:
      if (InstallForm)
        Guarded([this] { btnTestPrgbarClick(*InstallForm, Text(IDC_eTitle), Text(IDC_Edit3)); });
      break;
    case IDC_btnTestMsg:
      Guarded([this] { btnTestMsgClick(hwnd_, Text(IDC_finmsg), Text(IDC_eTitle)); });
      break;
    case IDC_btnEditLicText:
      if (fLic) Guarded([this] { btnEditLicTextClick(*fLic); });
      break;
  }
}

void TForm1::Guarded(const std::function<void()>& action) {
  try {
    action();
  } catch (const std::exception& e) {
    ui::ShowErrorBox(e.what());
  }
}

void TForm1::Notice(const std::string& text) {
  ui::MessageBoxService::ShowMessage(hwnd_, text, kApplicationTitle, MB_OK);
}

// --- control access --------------------------------------------------------

std::string TForm1::Text(int id) const {
  HWND wnd = Control(id);
  int n = wnd ? GetWindowTextLengthA(wnd) : 0;
  if (n <= 0) return std::string();
  std::string text(n + 1, '\0');
  n = GetWindowTextA(wnd, &text[0], n + 1);
  text.resize(n > 0 ? n : 0);
  return text;
}

void TForm1::SetText(int id, const std::string& text) {
  if (Text(id) == text) return;
  SetWindowTextA(Control(id), text.c_str());  // an edit reports EN_CHANGE: its handler runs
}

bool TForm1::Checked(int id) const { return SendMessageA(Control(id), BM_GETCHECK, 0, 0) == BST_CHECKED; }

void TForm1::SetChecked(int id, bool checked) {
  if (Checked(id) == checked) return;
  SendMessageA(Control(id), BM_SETCHECK, checked ? BST_CHECKED : BST_UNCHECKED, 0);
  if (id == IDC_RadioButton953 || id == IDC_RadioButton954) {
    if (!checked) return;
    int other = id == IDC_RadioButton953 ? IDC_RadioButton954 : IDC_RadioButton953;
    SendMessageA(Control(other), BM_SETCHECK, BST_UNCHECKED, 0);
  }
  Command(id, BN_CLICKED);
}

std::vector<std::string> TForm1::Items(int combo_id) const {
  HWND wnd = Control(combo_id);
  std::vector<std::string> items;
  int n = static_cast<int>(SendMessageA(wnd, CB_GETCOUNT, 0, 0));
  for (int i = 0; i < n; ++i) {
    int len = static_cast<int>(SendMessageA(wnd, CB_GETLBTEXTLEN, i, 0));
    std::string item(len > 0 ? len + 1 : 1, '\0');
    SendMessageA(wnd, CB_GETLBTEXT, i, reinterpret_cast<LPARAM>(&item[0]));
    item.resize(len > 0 ? len : 0);
    items.push_back(item);
  }
  return items;
}

int TForm1::ItemIndex(int combo_id) const {
  return static_cast<int>(SendMessageA(Control(combo_id), CB_GETCURSEL, 0, 0));
}

std::string TForm1::SelectedItem(int combo_id) const {
  int index = ItemIndex(combo_id);
  if (index < 0) return std::string();
  std::vector<std::string> items = Items(combo_id);
  return index < static_cast<int>(items.size()) ? items[index] : std::string();
}

// --- start-up --------------------------------------------------------------

void TForm1::FormCreate() {
  const std::string& folder = options_.program_folder;
  SetText(IDC_Edit6, DefaultProjectPath(folder, os::FileExists(folder + "New Project.tkp")));

  std::string project = FirstArgument(options_.command_line);
  if (project.empty()) return;
  if (!os::FileExists(project)) {
    Notice(MissingProjectMessage(project));
    return;
  }
  SetWindowTextA(Control(IDC_ll), LoadingCaption(project).c_str());
  ShowWindow(nb_, SW_HIDE);
  ShowWindow(Control(IDC_ll), SW_SHOW);
  nav_.back_enabled = true;
  EnableWindow(Control(IDC_Back), TRUE);
  SetTimer(hwnd_, IDT_Timer1, kTimer1Interval, nullptr);
}

void TForm1::FormShow() {
  ShowWindow(GetDlgItem(pages_[kSelectExe], IDD_Gb5), SW_SHOW);
  ShowWindow(GetDlgItem(pages_[kSelectExe], IDD_gb4), SW_HIDE);
  SetWindowTextA(Control(IDC_verLbl), VersionText().c_str());
  SetWindowTextA(GetDlgItem(about_, IDC_AboutVersion), VersionText().c_str());
  ui::SetAnimationRunning(Control(IDC_Animate1), true);
  NavState state = nav_;
  state.page = kWelcome;
  ApplyNavigation(state);
}

void TForm1::Timer1Timer() {
  KillTimer(hwnd_, IDT_Timer1);
  od1_.file_name = FirstArgument(options_.command_line);
  startup_load_flag_ = 99;
  btnOpenClick();
  startup_load_flag_ = 0;
  NavState state = nav_;
  state.page = kFiles;
  ApplyNavigation(state);
  ShowWindow(Control(IDC_ll), SW_HIDE);
  ShowWindow(nb_, SW_SHOW);
}

void TForm1::btnOpenClick() {
  if (OnLoad) Guarded([this] { OnLoad(*this); });
}

// --- the project file ---------------------------------------------------------

void TForm1::LoadProject(const std::string& path) {
  using namespace project;
  const IniFile ini(path);
  const std::string settings = kSectionSettings;
  for (const char* key : kLoadOrder) {
    if (lstrcmpA(key, "[Files]") == 0) {
      lbSrcFiles.Clear();
      if (ReadInteger(ini, kSectionFiles, kNumFilesKey, kOldVersionSentinel) == kOldVersionSentinel)
        ui::MessageBoxService::ShowMessage(hwnd_, kOldVersionText, kOldVersionCaption,
                                           MB_OK | MB_ICONEXCLAMATION);
      const int count = ReadInteger(ini, kSectionFiles, kNumFilesKey, 0);
      std::vector<std::string> entries;
      bool missing = false;
      for (int k = 1; k <= count; ++k) {
        entries.push_back(ini.ReadString(kSectionFiles, "File" + std::to_string(k), kMissingEntry));
        // A relative entry (kestro-compiler writes them) lies where the
        // compiler looks for it: in the project's folder.
        if (!os::FileExists(FromFolderOf(path, entries.back()))) missing = true;
      }
      lbSrcFiles.AddMany(entries);
      if (missing)
        ui::MessageBoxService::ShowMessage(hwnd_, kMissingSourcesText, kWarningCaption,
                                           MB_OK | MB_ICONEXCLAMATION);
      continue;
    }
    const SettingsKey* k = FindSettingsKey(key);
    const int id = ControlOf(key);
    if (lstrcmpA(key, "LicenseText") == 0) {
      std::string text = DecodeLineBreaks(ini.ReadString(settings, key, k->wizard_default));
      if (fLic) fLic->SetLicText(text + "\r\n");
      CheckBoxClick(IDC_licchk);
    } else if (lstrcmpA(key, "LinkFileName") == 0) {
      // Not a control's state: selected again once cbl lists the source files.
      loaded_link_ = ini.ReadString(settings, key, "");
    } else if (k->type == KeyType::kBoolean) {
      bool def = k->wizard_default ? lstrcmpA(k->wizard_default, "0") != 0 : Checked(id);
      SetChecked(id, ReadBool(ini, settings, key, def));
    } else {
      SetText(id, ini.ReadString(settings, key, k->wizard_default ? k->wizard_default : Text(id)));
    }
    if (lstrcmpA(key, "RunTextFileName") == 0) CheckBoxClick(IDC_cExe);
    if (lstrcmpA(key, "FinalMsg") == 0) CheckBoxClick(IDC_finmsgchk);
  }
  SetText(IDC_Edit6, path);
}

void TForm1::CreateScript() {
  using namespace project;
  const std::string path = Text(IDC_Edit6);
  // The new project is written beside the old one and replaces it only when
  // complete, so a failed save leaves the old file as it was.
  const std::string temp = path + ".new";
  os::RemoveFile(temp);
  bool ok = true;
  {
    IniFile ini(temp);
    ok = ini.WriteString(kSectionKestro, kVersionStringKey, kVersionString);
    for (size_t i = 0; ok && i < kSettingsKeyCount; ++i) {
      const SettingsKey& k = kSettingsKeys[i];
      if (!k.written_by_wizard) continue;
      const int id = ControlOf(k.name);
      std::string value;
      if (lstrcmpA(k.name, "LicenseText") == 0)
        value = StoredLicence(fLic ? fLic->LicText() : std::string());
      else if (id == IDC_cbl)
        value = SelectedItem(IDC_cbl);
      else if (k.type == KeyType::kBoolean)
        value = Checked(id) ? "1" : "0";
      else
        value = Text(id);
      // Reading takes away a pair of enclosing quotes: keep what was typed.
      ok = ini.WriteString(kSectionSettings, k.name, ProtectEnclosingQuotes(value));
    }
    const std::vector<std::string> files = lbSrcFiles.Items();
    ok = ok && WriteInteger(ini, kSectionFiles, kNumFilesKey, static_cast<int32_t>(files.size()));
    for (size_t k = 0; ok && k < files.size(); ++k)
      ok = ini.WriteString(kSectionFiles, "File" + std::to_string(k + 1), files[k]);
  }
  // A read-only project is not replaced (a rename would replace it under Wine).
  const DWORD attributes = GetFileAttributesA(path.c_str());
  const bool read_only = attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY);
  if (ok && !read_only && os::RenameFile(temp, path) == 0) return;
  os::RemoveFile(temp);
  throw Error(CannotWriteErrorText(path));
}

// --- navigation --------------------------------------------------------------

void TForm1::ApplyNavigation(const NavState& state) {
  for (int i = 0; i < kPageCount; ++i)
    if (i != state.page) ShowWindow(pages_[i], SW_HIDE);
  ShowWindow(pages_[state.page], SW_SHOW);
  EnableWindow(Control(IDC_Back), state.back_enabled);
  EnableWindow(Control(IDC_Next), state.next_enabled);
  SetWindowTextA(Control(IDC_Next), state.next.c_str());
  SetWindowTextA(Control(IDC_Cancel), state.cancel.c_str());
  nav_ = state;
}

void TForm1::NextClick() {
  NextEffect effect = NextEffect::kNone;
  NavState next = AfterNext(nav_, &effect);
  if (effect == NextEffect::kSave) {
    try {
      if (OnCreateScript) OnCreateScript(*this);
    } catch (const std::exception& e) {
      ui::ShowErrorBox(e.what());
      return;
    }
  }
  ApplyNavigation(next);
  if (effect == NextEffect::kFillVisual2) FillFileNameList(IDC_eExe);
  if (effect == NextEffect::kFillSelectExe) {
    FillFileNameList(IDC_cbl);
    if (!loaded_link_.empty()) {
      int index = static_cast<int>(SendMessageA(Control(IDC_cbl), CB_FINDSTRINGEXACT, static_cast<WPARAM>(-1),
                                                reinterpret_cast<LPARAM>(loaded_link_.c_str())));
      if (index >= 0) {
        SendMessageA(Control(IDC_cbl), CB_SETCURSEL, index, 0);
        loaded_link_.clear();
      }
    }
    FillFileNameList(IDC_cb2);
    ChooseSetupProgram();
  }
}

void TForm1::BackClick() { ApplyNavigation(AfterBack(nav_)); }

void TForm1::CancelClick() {
  closed_ = true;
  KillTimer(hwnd_, IDT_Timer1);
  ShowWindow(hwnd_, SW_HIDE);
  PostQuitMessage(0);
}

void TForm1::FillFileNameList(int combo_id) {
  HWND combo = Control(combo_id);
  std::string text = Text(combo_id);
  SendMessageA(combo, CB_RESETCONTENT, 0, 0);
  for (const std::string& name : FileNames(lbSrcFiles.Items()))
    SendMessageA(combo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(name.c_str()));
  SetWindowTextA(combo, text.c_str());
}

void TForm1::ChooseSetupProgram() {
  std::vector<std::string> names = Items(IDC_cb2);
  int index = SetupProgramIndex(names);
  if (index < 0) return;
  SetText(IDC_cb2, names[index]);
  if (Text(IDC_Edit12).empty()) SetText(IDC_Edit12, names[index]);
}

// --- rules of the pages ------------------------------------------------------

void TForm1::Edit1Change() {
  if (Text(IDC_Edit1).size() > kMaxPromptLength) Notice(kTooLong254);
}

void TForm1::Edit3Change() {
  if (Text(IDC_Edit3).size() > kMaxPromptLength) Notice(kTooLong254);
}

void TForm1::Edit9Change() {
  SetText(IDC_Edit2, CombinedSetupCommand(SelectedItem(IDC_cb2), Text(IDC_Edit9)));
}

void TForm1::Edit2Change() {
  if (Text(IDC_Edit2).size() > kMaxSetupCommandLength) Notice(kTooLong119);
}

void TForm1::Edit6Change() {
  if (Text(IDC_Edit4).empty()) SetText(IDC_Edit4, DefaultOutputPath(Text(IDC_Edit6)));
}

void TForm1::CheckBoxClick(int id) {
  const Followers* f = FollowersOf(id);
  if (!f) return;
  const bool on = Checked(id);
  for (int follower : f->ids)
    if (follower) EnableWindow(Control(follower), on);
}

void TForm1::RadioButton953Click() {
  if (!Checked(IDC_RadioButton953)) return;
  ShowWindow(GetDlgItem(pages_[kSelectExe], IDD_gb4), SW_SHOW);
  ShowWindow(GetDlgItem(pages_[kSelectExe], IDD_Gb5), SW_HIDE);
}

void TForm1::RadioButton954Click() {
  if (!Checked(IDC_RadioButton954)) return;
  ShowWindow(GetDlgItem(pages_[kSelectExe], IDD_Gb5), SW_SHOW);
  ShowWindow(GetDlgItem(pages_[kSelectExe], IDD_gb4), SW_HIDE);
}

void TForm1::cblChange() { SetText(IDC_e66, SelectedItem(IDC_cbl)); }

void TForm1::cb4Click() {
  if (Checked(IDC_cb4)) {
    SetText(IDC_Edit9, kInstallShieldParameters);
    SetText(IDC_Edit12, kInstallShieldWaitFor);
    if (LowerCase(Text(IDC_cb2)) != "setup.exe")
      ui::MessageBoxService::ShowMessage(hwnd_, kInstallShieldCheck, kInstallShieldCaption,
                                         MB_OK | MB_ICONINFORMATION);
  } else {
    SetText(IDC_Edit9, "");
    SetText(IDC_Edit12, Text(IDC_cb2));
  }
}

void TForm1::btnBrwsClick() {
  if (sd1_.Execute(hwnd_)) SetText(IDC_Edit4, sd1_.file_name);
}

void TForm1::btnAboutClick() { ui::ShowModal(about_); }

void TForm1::IEButton1Click() {
  if (RunCommand) RunCommand("explorer.exe c:\\");
}

void TForm1::IEButton2Click() {
  ui::MessageBoxService::ShowMessage(hwnd_, WaitForProgramHelp(), kWaitForProgramCaption,
                                     MB_OK | MB_ICONINFORMATION);
}

// --- the "done" page and the compiler launch ---------------------------------

void TForm1::SetUpDonePage() {
  HWND done = pages_[kDone];
  HWND bse = CreateDialogParamA(instance_, MAKEINTRESOURCEA(IDD_bse), done, PageProc,
                                reinterpret_cast<LPARAM>(this));
  SetWindowLongPtrA(bse, GWLP_ID, IDC_bse);
  FitToDesign(bse);
  RECT r = DesignRect(4, 30, 308, 44);
  SetWindowPos(bse, nullptr, r.left, r.top, r.right - r.left, r.bottom - r.top,
               SWP_NOZORDER | SWP_NOACTIVATE);
  IndexControls();
  SendMessageA(Control(IDC_DoneSaved), WM_SETFONT, reinterpret_cast<WPARAM>(bold_), FALSE);
  ui::SetLinkTarget(Control(IDC_DoneWeb), "http://www.tessaron.example");
  ui::SetLinkTarget(Control(IDC_DoneMail), "mailto:support@tessaron.example");
  ui::SetAnimationRunning(Control(IDC_Animate2), true);
  sel_path_ = Text(IDC_Sel);
}

void TForm1::SetSelPath(const std::string& path) {
  sel_path_ = path;
  HWND label = Control(IDC_Sel);
  RECT client;
  GetClientRect(label, &client);
  HDC dc = GetDC(label);
  HGDIOBJ old = SelectObject(dc, reinterpret_cast<HGDIOBJ>(SendMessageA(label, WM_GETFONT, 0, 0)));
  std::string shown = ShortenPath(path, client.right - client.left, [dc](const std::string& text) {
    SIZE size = {};
    GetTextExtentPoint32A(dc, text.c_str(), static_cast<int>(text.size()), &size);
    return static_cast<int>(size.cx);
  });
  SelectObject(dc, old);
  ReleaseDC(label, dc);
  SetWindowTextA(label, shown.c_str());
}

void TForm1::IEButton3Click() {
  // Quoted: with a blank in the path Windows would first try its first word.
  if (RunCommand) RunCommand("\"" + sel_path_ + "\"");
}

void TForm1::btnCompilerDetailsClick() {
  if (RunCommand) RunCommand("\"" + options_.program_folder + "Compiler.exe\"");
}

void TForm1::LaunchCompiler() {
  Ae1.ExeName = "compiler.exe";
  Ae1.SetExePath(options_.program_folder);
  Ae1.ChangeDir = false;
  Ae1.Wait = true;
  Ae1.ExeParams = {"\"" + Text(IDC_Edit6) + "\""};
  // A relative Output is built in the project's folder: show and test that.
  const std::string output = Text(IDC_Edit4);
  const std::string built = FromFolderOf(Text(IDC_Edit6), output);
  SetSelPath(built == output ? output : os::FullPath(built));
  if (Checked(IDC_sco)) {
    ShowWindow(Control(IDC_bse), SW_HIDE);
    return;
  }
  // While the compiler reads the project, the window still answers its
  // messages but takes no input: a second Next would rewrite the project
  // under it, and Cancel would end the wizard before it.
  ShowWindow(hwnd_, SW_MINIMIZE);
  EnableWindow(hwnd_, FALSE);
  try {
    Ae1.Execute();
  } catch (...) {
    // Back on screen, so the error box that follows is not left without its window.
    EnableWindow(hwnd_, TRUE);
    ShowWindow(hwnd_, SW_RESTORE);
    throw;
  }
  EnableWindow(hwnd_, TRUE);
  ShowWindow(hwnd_, SW_RESTORE);
  ShowWindow(Control(IDC_bse), SW_SHOW);
}

}  // namespace kestro::wizard
