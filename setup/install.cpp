#include "setup/install.h"

#include "common/os.h"
#include "common/paths.h"
#include "setup/product.h"
#include "setup/registry.h"
#include "setup/shell_link.h"

namespace kestro::setup {

std::string SourceDirOf(const std::string& module_path) { return AddBackslash(ExtractFilePath(module_path)); }

void Installation::Run(const std::string& folder, const std::string& module_path) {
  Status("Setup is creating folders...");
  os::SetCurrentDir(folder);
  Status("Setup is copying files...");
  source_dir_ = SourceDirOf(module_path);
  install_dir_ = folder + "\\";
  os::RemoveFile(install_dir_ + kSetupMarker);
  CopyFiles();
  Status("Setup is creating shortcuts...");
  CreateShortcut();
  Status("Setup is updating registry...");
  WriteRegistry();
  Status("Done.");
}

void Installation::CopyFiles() {
  for (const InstalledFile& file : kInstallFiles) {
    std::string source = source_dir_ + file.source;
    std::string destination = install_dir_ + file.destination;
    if (int code = os::CopyFileOver(source, destination))
      throw CopyError("Kopieren von " + source + " nach " + destination +
                      " misslungen: " + IoError::Text(code));
  }
  // The uninstaller is a convenience: without it, the product still works.
  os::CopyFileOver(source_dir_ + kUninstaller.source, UninstallerPath(WindowsDir()));
}

void Installation::CreateShortcut() {
  {
    Registry user(HKEY_CURRENT_USER);
    programs_dir_ = AddBackslash(user.ReadString(kShellFoldersKey, kProgramsValue));
  }
  CreateShellLink(programs_dir_ + kLinkFileName, "", install_dir_ + "kestro.exe", install_dir_);
}

void Installation::WriteRegistry() {
  for (const HiveEntries& hive : RegistryEntries(install_dir_, WindowsDir())) {
    Registry registry(hive.hive);
    for (const std::string& key : hive.keys) registry.CreateKey(key);
    for (const RegistryEntry& value : hive.values) registry.WriteString(value.key, value.name, value.data);
  }
}

}  // namespace kestro::setup
