#include "wizard/wizard_rules.h"

#include "common/paths.h"
#include "wizard/wizard_version.h"

namespace kestro::wizard {
namespace {

struct PageInfo {
  const char* name;
  const char* title;
};

constexpr PageInfo kPages[kPageCount] = {
    {"welcome", "Welcome to tessaron Kestro"},
    {"load", "Start a project"},
    {"files", "Source Files"},
    {"general", "Visual Design"},
    {"visual2", "Advanced Visual Design"},
    {"selectexe", "Extracting mode"},
    {"save", "Destination File Location"},
    {"done", "Done"},
};

}  // namespace

const char* PageName(int page) { return page >= 0 && page < kPageCount ? kPages[page].name : ""; }
const char* PageTitle(int page) { return page >= 0 && page < kPageCount ? kPages[page].title : ""; }

int PageIndex(const std::string& name) {
  for (int i = 0; i < kPageCount; ++i)
    if (name == kPages[i].name) return i;
  return -1;
}

NavState AfterNext(const NavState& state, NextEffect* effect) {
  NavState next = state;
  *effect = NextEffect::kNone;
  if (state.page == kSave) {
    *effect = NextEffect::kSave;
    next.page = kDone;
    next.next = kNewCaption;
    next.next_enabled = true;
    next.cancel = kExitCaption;
    return next;
  }
  if (state.next == kNewCaption) {
    next.next = kNextCaption;
    next.cancel = kCancelCaption;
    next.back_enabled = true;
    next.page = kLoad;
    return next;
  }
  if (state.page + 1 >= kPageCount) return next;
  next.page = state.page + 1;
  next.back_enabled = true;
  if (next.page == kVisual2) *effect = NextEffect::kFillVisual2;
  if (next.page == kSelectExe) *effect = NextEffect::kFillSelectExe;
  return next;
}

NavState AfterBack(const NavState& state) {
  NavState back = state;
  if (back.next == kNewCaption) back.next = kNextCaption;
  if (back.page > 0) back.page--;
  if (back.page == 0) back.back_enabled = false;
  return back;
}

std::string DefaultProjectPath(const std::string& folder, bool new_project_exists) {
  return folder + (new_project_exists ? "New Project 2.tkp" : "New Project.tkp");
}

std::string DefaultOutputPath(const std::string& project_path) {
  return ExtractFilePath(project_path) + "Output.exe";
}

std::vector<std::string> FileNames(const std::vector<std::string>& sources) {
  std::vector<std::string> names;
  names.reserve(sources.size());
  for (const std::string& s : sources) names.push_back(ExtractFileName(s));
  return names;
}

std::string LowerCase(const std::string& s) {
  std::string out = s;
  for (char& c : out)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  return out;
}

int SetupProgramIndex(const std::vector<std::string>& names) {
  for (size_t i = 0; i < names.size(); ++i)
    if (LowerCase(names[i]) == "setup.exe") return static_cast<int>(i);
  return -1;
}

std::string CombinedSetupCommand(const std::string& program, const std::string& parameters) {
  return program + " " + parameters;
}

std::string WaitForProgramHelp() {
  return std::string(
             "Select the program for what Kestro should wait to be terminated. (Normally the same file as "
             "selected for run after extraction.)\r\n"
             "Use this if you have a setup program that will execute another program and terminate itself. "
             "You must enter this other program name then. Otherwise Kestro would notice that the other has "
             "teminate and (try to) delete all files.\r\n"
             "If you are not sure if you need this, leave it blank first and compile the Self-Extracting. If "
             "it does not work then, type then name of the execute file. (You can find out the name of the "
             "executeable if you run the setup"
             " (without creating a Self-Extracting) and then run the Task-Manager (NT) or press CTRL+ALT+DEL "
             "and look for another executeable.\r\n\r\n"
             "If you still have problems with this you should contact us: ") +
         kSupportAddress;
}

std::string VersionText() { return kWizardVersionText; }

std::string FirstArgument(const std::string& command_line) {
  size_t i = 0;
  const size_t n = command_line.size();
  auto next = [&]() {
    while (i < n && static_cast<unsigned char>(command_line[i]) <= ' ') ++i;
    std::string arg;
    bool quoted = false;
    while (i < n && (quoted || static_cast<unsigned char>(command_line[i]) > ' ')) {
      if (command_line[i] == '"')
        quoted = !quoted;
      else
        arg += command_line[i];
      ++i;
    }
    return arg;
  };
  next();  // the program
  return next();
}

std::string LoadingCaption(const std::string& path) { return "Loading \"" + path + "\"..."; }

std::string MissingProjectMessage(const std::string& path) { return path + " does not exist!"; }

}  // namespace kestro::wizard
