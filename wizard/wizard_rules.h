// The wizard's rules that need no window: the page flow and its button
// captions, the default paths, the file-name lists and the setup program
// choice, the fixed texts. TForm1 applies them to its controls.
#pragma once

#include <string>
#include <vector>

namespace kestro::wizard {

enum Page { kWelcome = 0, kLoad, kFiles, kGeneral, kVisual2, kSelectExe, kSave, kDone, kPageCount };

// Name of the page with this index ("welcome" ... "done"), and its title.
const char* PageName(int page);
const char* PageTitle(int page);
// The index of the page with this name, -1 if none.
int PageIndex(const std::string& name);

inline constexpr char kBackCaption[] = "< &Back";
inline constexpr char kNextCaption[] = "&Next >";
inline constexpr char kNewCaption[] = "&New >";
inline constexpr char kCancelCaption[] = "&Cancel";
inline constexpr char kExitCaption[] = "&Exit";

// The navigation buttons and the active page.
struct NavState {
  int page = kWelcome;
  bool back_enabled = false;
  bool next_enabled = true;
  std::string next = kNextCaption;
  std::string cancel = kCancelCaption;
  bool operator==(const NavState& o) const {
    return page == o.page && back_enabled == o.back_enabled && next_enabled == o.next_enabled &&
           next == o.next && cancel == o.cancel;
  }
};

// What Next asks of the window besides the new state.
enum class NextEffect {
  kNone,
  kSave,           // save the project (and launch the compiler) first; on failure stay
  kFillVisual2,    // refill eExe's list
  kFillSelectExe,  // refill cbl's and cb2's lists, then choose the setup program
};

NavState AfterNext(const NavState& state, NextEffect* effect);
NavState AfterBack(const NavState& state);

// "<folder>New Project.tkp", or "<folder>New Project 2.tkp" when the first
// exists. `folder` ends in a backslash.
std::string DefaultProjectPath(const std::string& folder, bool new_project_exists);
// The folder part of the project path followed by "Output.exe".
std::string DefaultOutputPath(const std::string& project_path);

// The bare file names of the source files, in order, duplicates included.
std::vector<std::string> FileNames(const std::vector<std::string>& sources);
// Index of the first entry whose lower-case form is "setup.exe"; -1 if none.
int SetupProgramIndex(const std::vector<std::string>& names);
// ASCII lower case, as the wizard compares file names.
std::string LowerCase(const std::string& s);

// The selected setup program, a blank and its parameters.
std::string CombinedSetupCommand(const std::string& program, const std::string& parameters);

inline constexpr size_t kMaxPromptLength = 254;
inline constexpr size_t kMaxSetupCommandLength = 119;
inline constexpr char kTooLong254[] = "Kestro does not support a text length > 254";
inline constexpr char kTooLong119[] = "Kestro does not support a text length > 119";

inline constexpr char kApplicationTitle[] = "tessaron Kestro";
inline constexpr char kInstallShieldCaption[] = "Make InstallShield\xAE compatible";
inline constexpr char kInstallShieldCheck[] =
    "Please verify that you have select the right Setup program (normally SETUP.EXE) from the filelist.";
inline constexpr char kInstallShieldParameters[] = "/SMS";
inline constexpr char kInstallShieldWaitFor[] = "_ISDEL.EXE";
inline constexpr char kWaitForProgramCaption[] = "Wait For Program";
inline constexpr char kSupportAddress[] = "support@kestro.example";
// The help text behind the "?" beside "Wait for Program:".
std::string WaitForProgramHelp();
// "Version 1.4.2 (Build 88)"
std::string VersionText();

// The first argument of a command line after the program's name: blanks
// separate, double quotes group and are removed. Empty if there is none.
std::string FirstArgument(const std::string& command_line);
// `Loading "<path>"...`
std::string LoadingCaption(const std::string& path);
// "<path> does not exist!"
std::string MissingProjectMessage(const std::string& path);

}  // namespace kestro::wizard
