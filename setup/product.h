// What setup installs and registers, and therefore what the uninstaller
// removes: the file table, the shortcut's name and the registry entries.
// One definition for both programs.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

namespace kestro::setup {

// One row of the file table: the name beside setup.exe and the name it gets
// in the installation folder. The last row, the uninstaller, goes to the
// Windows folder instead.
struct InstalledFile {
  const char* source;
  const char* destination;
};

// In copy order. Plain copies: a source ending in "_" holds the same bytes.
extern const InstalledFile kInstallFiles[6];
extern const InstalledFile kUninstaller;  // "Untessa.ex_" -> "Unkest70.exe"

// The marker a previous setup may have left in the installation folder.
constexpr char kSetupMarker[] = "_setup.tn";
constexpr char kLinkFileName[] = "tessaron Kestro.lnk";
constexpr char kDefaultFolder[] = "C:\\tessaron Kestro";
constexpr char kFolderName[] = "tessaron Kestro";

constexpr char kShellFoldersKey[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders";
constexpr char kProgramsValue[] = "Programs";

constexpr char kExtensionKey[] = ".tkp";
constexpr char kProgId[] = "tessaronkestro";
constexpr char kProductKey[] = "Software\\tessaron\\Kestro\\1.4";
constexpr char kInstallPathValue[] = "InstallPath";
constexpr char kUninstallKey[] = "software\\microsoft\\windows\\currentversion\\uninstall\\tessaronkestro";
constexpr char kUninstallArgument[] = "Uninstall";

// One registry entry: a key to create and, unless `name` is null, a string
// value to write into it ("" is the key's default value).
struct RegistryEntry {
  std::string key;
  const char* name;
  std::string data;
};

// The keys of one hive in creation order, then its values in write order.
struct HiveEntries {
  HKEY hive;
  std::vector<std::string> keys;
  std::vector<RegistryEntry> values;
};

// Every entry setup writes, hive by hive in writing order, for an
// installation folder `install_dir` that ends in a backslash. Program paths
// in commands are quoted, so that a folder name with blanks still works.
std::vector<HiveEntries> RegistryEntries(const std::string& install_dir, const std::string& windows_dir);

// The uninstaller's path in the Windows folder.
std::string UninstallerPath(const std::string& windows_dir);

}  // namespace kestro::setup
