// Kestro.exe, the wizard: the author builds a self-extracting file's
// project page by page. An optional project path on the command line is
// loaded a second after start-up.
// clang-format off
#include <windows.h>
#include <commctrl.h>
// clang-format on

#include <exception>

#include "common/os.h"
#include "common/paths.h"
#include "ui/message_box.h"
#include "ui/widgets.h"
#include "wizard/form1.h"
#include "wizard/wizard_rules.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
  using namespace kestro;
  ui::SetApplicationTitle(wizard::kApplicationTitle);
  INITCOMMONCONTROLSEX controls = {sizeof controls, ICC_STANDARD_CLASSES | ICC_PROGRESS_CLASS};
  InitCommonControlsEx(&controls);
  ui::RegisterWidgets(instance);
  try {
    wizard::TForm1::Options options;
    options.program_folder = ExtractFilePath(os::ModulePath());
    options.command_line = GetCommandLineA();
    wizard::TForm1 form(instance, options);
    form.CreateCompanions();
    form.Show();
    MSG msg;
    while (GetMessageA(&msg, nullptr, 0, 0) > 0) {
      try {
        if (IsDialogMessageA(form.handle(), &msg)) continue;
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
      } catch (const std::exception& e) {
        ui::ShowErrorBox(e.what());
      }
    }
  } catch (const std::exception& e) {
    ui::ShowErrorBox(e.what());
  }
  return 0;
}
