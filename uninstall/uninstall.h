// What Unkest70.exe removes, as a list of what was done and what was not.
#pragma once

#include <string>
#include <vector>

namespace kestro::uninstall {

struct Report {
  std::vector<std::string> removed;    // one line per thing removed
  std::vector<std::string> failed;     // "<thing>: <reason>"
  std::vector<std::string> scheduled;  // removed at the next restart
};

// Removes the product: the installed files of the folder named by
// "InstallPath", the shortcut, the ".tkp" association while it still names
// the product, the product's keys and uninstall entry, the folder when it is
// empty, and schedules `self` (the running uninstaller) for removal.
Report RemoveProduct(const std::string& self);

// The text of the closing box.
std::string ReportText(const Report& report);

}  // namespace kestro::uninstall
