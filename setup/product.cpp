#include "setup/product.h"

#include "common/paths.h"

namespace kestro::setup {

const InstalledFile kInstallFiles[6] = {
    {"kestro.ex_", "Kestro.exe"},   {"Compiler.ex_", "Compiler.exe"}, {"Readme.txt", "Readme.txt"},
    {"License.txt", "License.txt"}, {"Stub1.da_", "Stub1.dat"},       {"Order.txt", "Order.txt"},
};
const InstalledFile kUninstaller = {"Untessa.ex_", "Unkest70.exe"};

std::string UninstallerPath(const std::string& windows_dir) {
  return windows_dir + "\\" + kUninstaller.destination;
}

std::vector<HiveEntries> RegistryEntries(const std::string& install_dir, const std::string& windows_dir) {
  const std::string prog_id = kProgId;
  const std::string command = prog_id + "\\shell\\open\\command";
  const std::string icon = prog_id + "\\defaulticon";
  HiveEntries classes{HKEY_CLASSES_ROOT,
                      {kExtensionKey, prog_id, prog_id + "\\shell", prog_id + "\\shell\\open", command, icon},
                      {
                          {kExtensionKey, "", prog_id},
                          {prog_id, "", "tessaron Kestro Projectfile"},
                          {icon, "", install_dir + "kestro.exe,0"},
                          {command, "", "\"" + install_dir + "kestro.exe\" \"%1\""},
                      }};
  HiveEntries machine{HKEY_LOCAL_MACHINE,
                      {kProductKey, kUninstallKey},
                      {
                          {kProductKey, kInstallPathValue, RemoveBackslash(install_dir)},
                          {kUninstallKey, "DisplayName", "tessaron Kestro 1.4"},
                          {kUninstallKey, "UninstallString",
                           "\"" + UninstallerPath(windows_dir) + "\" " + kUninstallArgument},
                      }};
  return {classes, machine};
}

}  // namespace kestro::setup
