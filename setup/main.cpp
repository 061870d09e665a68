// setup.exe: installs tessaron Kestro from the files beside it into a folder
// the user chooses, creates the Start-menu shortcut and registers the ".tkp"
// association and the uninstall entry. No command-line arguments.
#include <windows.h>

#include <commctrl.h>
#include <objbase.h>

#include <exception>

#include "setup/setup_app.h"
#include "ui/message_box.h"
#include "ui/widgets.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
  using namespace kestro;
  OleInitialize(nullptr);
  ui::SetApplicationTitle("Setup");
  INITCOMMONCONTROLSEX controls = {sizeof controls, ICC_STANDARD_CLASSES};
  InitCommonControlsEx(&controls);
  ui::RegisterWidgets(instance);
  int code = 0;
  try {
    setup::SetupApp app(instance);
    code = app.Run();
  } catch (const std::exception& e) {
    ui::ShowErrorBox(e.what());
  }
  OleUninitialize();
  return code;
}
