// Unkest70.exe: removes tessaron Kestro again. Setup registers it as
//   "<Windows folder>\Unkest70.exe" Uninstall
// Without that argument it only says how it is used.
#include <windows.h>

#include <shellapi.h>

#include <exception>

#include "common/os.h"
#include "setup/product.h"
#include "ui/message_box.h"
#include "uninstall/uninstall.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
  using namespace kestro;
  ui::SetApplicationTitle("Setup");
  int argc = 0;
  LPWSTR* argv = CommandLineToArgvW(GetCommandLineW(), &argc);
  bool uninstall = argc == 2 && lstrcmpiW(argv[1], L"Uninstall") == 0;
  LocalFree(argv);
  if (!uninstall) {
    ui::MessageBoxService::ShowMessage(nullptr,
                                       "Unkest70.exe removes tessaron Kestro 1.4 from this "
                                       "computer.\r\n\r\nUsage: Unkest70.exe Uninstall\r\n\r\n"
                                       "You can also remove it from the list of installed programs.",
                                       "Setup", MB_OK | MB_ICONINFORMATION);
    return 2;
  }
  if (ui::MessageBoxService::ShowMessage(
          nullptr,
          "Do you want to remove tessaron Kestro 1.4 and all of its components from "
          "your computer?",
          "Setup", MB_YESNO | MB_ICONQUESTION) != IDYES)
    return 1;
  try {
    uninstall::Report report = uninstall::RemoveProduct(os::ModulePath());
    ui::MessageBoxService::ShowMessage(nullptr, uninstall::ReportText(report), "Setup",
                                       MB_OK | (report.failed.empty() ? MB_ICONINFORMATION : MB_ICONWARNING));
    return report.failed.empty() ? 0 : 3;
  } catch (const std::exception& e) {
    ui::ShowErrorBox(e.what());
    return 3;
  }
}
