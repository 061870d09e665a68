#include "uninstall/uninstall.h"

#include <windows.h>

#include "common/errors.h"
#include "common/os.h"
#include "common/paths.h"
#include "setup/product.h"
#include "setup/registry.h"

namespace kestro::uninstall {
namespace {

std::string Reason(DWORD code) {
  char buf[512] = {};
  DWORD n = FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, code, 0, buf,
                           sizeof buf, nullptr);
  std::string text(buf, n);
  while (!text.empty() &&
         (text.back() == '\n' || text.back() == '\r' || text.back() == ' ' || text.back() == '.'))
    text.pop_back();
  return text.empty() ? Format("error %lu", static_cast<unsigned long>(code)) : text;
}

std::string HiveName(HKEY hive) {
  return hive == HKEY_CLASSES_ROOT ? "HKEY_CLASSES_ROOT\\" : "HKEY_LOCAL_MACHINE\\";
}

bool KeyExists(HKEY hive, const std::string& key) {
  HKEY handle = nullptr;
  if (RegOpenKeyExA(hive, key.c_str(), 0, KEY_READ, &handle) != ERROR_SUCCESS) return false;
  RegCloseKey(handle);
  return true;
}

void RemoveKey(HKEY hive, const std::string& key, Report& report) {
  if (!KeyExists(hive, key)) return;
  LONG result = RegDeleteTreeA(hive, key.c_str());
  if (result == ERROR_SUCCESS) result = RegDeleteKeyA(hive, key.c_str());
  if (result == ERROR_SUCCESS || result == ERROR_FILE_NOT_FOUND)
    report.removed.push_back("the registry key " + HiveName(hive) + key);
  else
    report.failed.push_back("the registry key " + HiveName(hive) + key + ": " + Reason(result));
}

// Removes a key that holds nothing any more (no subkeys, no values).
void RemoveIfEmpty(HKEY hive, const std::string& key) {
  HKEY handle = nullptr;
  if (RegOpenKeyExA(hive, key.c_str(), 0, KEY_READ, &handle) != ERROR_SUCCESS) return;
  DWORD subkeys = 1, values = 1;
  RegQueryInfoKeyA(handle, nullptr, nullptr, nullptr, &subkeys, nullptr, nullptr, &values, nullptr, nullptr,
                   nullptr, nullptr);
  RegCloseKey(handle);
  if (subkeys == 0 && values == 0) RegDeleteKeyA(hive, key.c_str());
}

void RemoveFileIfThere(const std::string& path, Report& report) {
  if (GetFileAttributesA(path.c_str()) == INVALID_FILE_ATTRIBUTES) return;
  SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
  if (DeleteFileA(path.c_str()))
    report.removed.push_back(path);
  else
    report.failed.push_back(path + ": " + Reason(GetLastError()));
}

}  // namespace

Report RemoveProduct(const std::string& self) {
  Report report;
  std::string folder;
  try {
    folder = setup::Registry(HKEY_LOCAL_MACHINE).ReadString(setup::kProductKey, setup::kInstallPathValue);
  } catch (const Error& e) {
    report.failed.push_back("the installation folder: " + std::string(e.what()));
  }
  if (!folder.empty()) {
    std::string dir = AddBackslash(folder);
    for (const setup::InstalledFile& file : setup::kInstallFiles)
      RemoveFileIfThere(dir + file.destination, report);
    RemoveFileIfThere(dir + setup::kLinkFileName, report);  // where setup put it without a Programs folder
  } else if (report.failed.empty()) {
    report.failed.push_back("the installed files: the registry does not name the installation folder");
  }

  std::string programs;
  try {
    programs = setup::Registry(HKEY_CURRENT_USER).ReadString(setup::kShellFoldersKey, setup::kProgramsValue);
  } catch (const Error&) {
  }
  if (!programs.empty()) RemoveFileIfThere(AddBackslash(programs) + setup::kLinkFileName, report);

  // The association, unless another program has taken ".tkp" over since.
  std::string owner;
  try {
    owner = setup::Registry(HKEY_CLASSES_ROOT).ReadString(setup::kExtensionKey, "");
  } catch (const Error&) {
  }
  if (lstrcmpiA(owner.c_str(), setup::kProgId) == 0)
    RemoveKey(HKEY_CLASSES_ROOT, setup::kExtensionKey, report);
  RemoveKey(HKEY_CLASSES_ROOT, setup::kProgId, report);
  RemoveKey(HKEY_LOCAL_MACHINE, setup::kProductKey, report);
  RemoveIfEmpty(HKEY_LOCAL_MACHINE, "Software\\tessaron\\Kestro");
  RemoveIfEmpty(HKEY_LOCAL_MACHINE, "Software\\tessaron");
  RemoveKey(HKEY_LOCAL_MACHINE, setup::kUninstallKey, report);

  if (!folder.empty() && DirExists(folder)) {
    if (RemoveDirectoryA(folder.c_str()))
      report.removed.push_back("the folder " + folder);
    else
      report.failed.push_back("the folder " + folder + ": " + Reason(GetLastError()));
  }

  // A running program cannot delete its own file.
  if (MoveFileExA(self.c_str(), nullptr, MOVEFILE_DELAY_UNTIL_REBOOT))
    report.scheduled.push_back(self);
  else
    report.failed.push_back(self + ": " + Reason(GetLastError()));
  return report;
}

std::string ReportText(const Report& report) {
  std::string text = report.failed.empty() ? "tessaron Kestro 1.4 has been removed from your computer."
                                           : "tessaron Kestro 1.4 has been removed only in part.";
  auto section = [&text](const char* title, const std::vector<std::string>& lines) {
    if (lines.empty()) return;
    text += "\r\n\r\n";
    text += title;
    for (const std::string& line : lines) text += "\r\n  " + line;
  };
  section("Removed:", report.removed);
  section("Removed when Windows restarts next:", report.scheduled);
  section("Could not be removed:", report.failed);
  return text;
}

}  // namespace kestro::uninstall
