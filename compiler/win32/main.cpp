// Compiler.exe: compiles the project file named on the command line into a
// self-extracting file, showing its progress in a small window.
//   Compiler.exe "ProjectFile" ["OutputFile" ["SourceFilesFolder"]]
// The exit code is 0 whatever happens; the output file is the outcome.
#include <windows.h>

#include <commctrl.h>

#include <exception>

#include "common/os.h"
#include "common/paths.h"
#include "compiler/engine.h"
#include "compiler/win32/compile_form.h"
#include "ui/message_box.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
  using namespace kestro;
  ui::SetApplicationTitle(compiler::kReportCaption);
  INITCOMMONCONTROLSEX controls = {sizeof controls, ICC_PROGRESS_CLASS | ICC_BAR_CLASSES};
  InitCommonControlsEx(&controls);
  try {
    // The raw command line: the compiler has its own rule for blanks and quotes.
    std::vector<std::string> params = compiler::SplitCommandLine(GetCommandLineA());
    compiler::RunOptions options;
    options.stub_path = ExtractFilePath(os::ModulePath()) + "Stub1.dat";
    compiler::TCompileForm form(instance);
    form.Execute(params, options);
  } catch (const std::exception& e) {
    ui::ShowErrorBox(e.what());
  }
  return 0;
}
