// The installation steps of the Folder page's Next, after the folder exists:
// files, shortcut, registry. The windows only show the captions.
#pragma once

#include <functional>
#include <string>

#include "common/errors.h"

namespace kestro::setup {

// A copy of the file table failed; the message names the file and the
// system's reason. Nothing after the copies has run.
class CopyError : public Error {
 public:
  using Error::Error;
};

// The folder setup.exe lies in, ending in one backslash.
std::string SourceDirOf(const std::string& module_path);

class Installation {
 public:
  // Called with each status caption; the caller repaints at once.
  std::function<void(const std::string&)> on_status;

  // Runs steps 2 to 8 for the folder `folder` (the edit's text, without a
  // trailing backslash). Raises CopyError when a file cannot be copied, and
  // Error for a registry failure (the entries before it stay).
  void Run(const std::string& folder, const std::string& module_path);

  const std::string& source_dir() const { return source_dir_; }
  const std::string& install_dir() const { return install_dir_; }
  const std::string& programs_dir() const { return programs_dir_; }

 private:
  void Status(const std::string& caption) {
    if (on_status) on_status(caption);
  }
  void CopyFiles();
  void CreateShortcut();
  void WriteRegistry();

  std::string source_dir_;
  std::string install_dir_;
  std::string programs_dir_;
};

}  // namespace kestro::setup
