#include "setup/shell_link.h"

#include <objbase.h>
#include <shlobj.h>
#include <windows.h>

#include "ui/message_box.h"

namespace kestro::setup {

bool CreateShellLink(const std::string& link_file, const std::string& description, const std::string& target,
                     const std::string& working_dir) {
  IShellLinkA* link = nullptr;
  if (FAILED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkA,
                              reinterpret_cast<void**>(&link)))) {
    ui::MessageBoxService::ShowMessage(GetActiveWindow(), "SErrorCoCreateInstance", ui::ApplicationTitle(),
                                       MB_OK);
    return false;
  }
  link->SetPath(target.c_str());
  if (!working_dir.empty()) link->SetWorkingDirectory(working_dir.c_str());
  link->SetDescription(description.c_str());
  IPersistFile* file = nullptr;
  if (FAILED(link->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&file)))) {
    ui::MessageBoxService::ShowMessage(GetActiveWindow(), "SErrorQueryInterface", ui::ApplicationTitle(),
                                       MB_OK);
    link->Release();
    return false;
  }
  WCHAR wide[MAX_PATH] = {};
  MultiByteToWideChar(CP_ACP, 0, link_file.c_str(), -1, wide, MAX_PATH);
  wide[MAX_PATH - 1] = 0;
  bool saved = SUCCEEDED(file->Save(wide, TRUE));
  file->Release();
  link->Release();
  return saved;
}

}  // namespace kestro::setup
