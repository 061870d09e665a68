// What the stages of one run share: the observer, the progress position and
// the checkpoints.
#pragma once

#include <string>

#include "common/paths.h"
#include "compiler/engine.h"

namespace kestro::compiler {

// Thrown at a checkpoint after a confirmed cancel; ends the run at once.
struct Cancelled {};

class RunState {
 public:
  explicit RunState(Observer& observer) : observer_(observer) {}

  Observer& observer() { return observer_; }
  int position() const { return position_; }
  int maximum() const { return maximum_; }

  void SetMaximum(int maximum) {
    maximum_ = maximum;
    observer_.Progress(position_, maximum_);
  }
  void Advance() {
    ++position_;
    observer_.Progress(position_, maximum_);
  }
  // The percentage label: position * 100 / maximum, remainder dropped.
  void ShowPercentage() {
    long long p = maximum_ > 0 ? static_cast<long long>(position_) * 100 / maximum_ : 0;
    observer_.Percentage(std::to_string(p) + "%");
  }
  void Status(const std::string& text) { observer_.Status(text); }
  void Checkpoint() {
    if (observer_.Checkpoint()) throw Cancelled();
  }

 private:
  Observer& observer_;
  int position_ = 0;
  int maximum_ = 100;
};

// A file in a folder, joined with the folder's own separator style (the
// POSIX temporary folder ends in a slash).
inline std::string InFolder(const std::string& folder, const std::string& name) {
  if (folder.empty()) return name;
  char last = folder.back();
  if (last == '\\' || last == '/') return folder + name;
  bool slashes = folder.find('/') != std::string::npos && folder.find('\\') == std::string::npos;
  return folder + (slashes ? '/' : '\\') + name;
}

}  // namespace kestro::compiler
