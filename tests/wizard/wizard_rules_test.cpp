// The wizard's rules without a window: the page flow with its button
// captions, the default paths, the file-name lists, the command line.
#include "wizard/wizard_rules.h"

#include <gtest/gtest.h>

namespace kestro::wizard {
namespace {

struct Step {
  const char* press;  // "next" or "back"
  Page page;
  bool back_enabled;
  const char* next;
  const char* cancel;
  NextEffect effect;
};

TEST(WizardFlow, CaptionTableThroughEveryPageAndBack) {
  const Step steps[] = {
      {"next", kLoad, true, kNextCaption, kCancelCaption, NextEffect::kNone},
      {"next", kFiles, true, kNextCaption, kCancelCaption, NextEffect::kNone},
      {"next", kGeneral, true, kNextCaption, kCancelCaption, NextEffect::kNone},
      {"next", kVisual2, true, kNextCaption, kCancelCaption, NextEffect::kFillVisual2},
      {"next", kSelectExe, true, kNextCaption, kCancelCaption, NextEffect::kFillSelectExe},
      {"next", kSave, true, kNextCaption, kCancelCaption, NextEffect::kNone},
      {"next", kDone, true, kNewCaption, kExitCaption, NextEffect::kSave},
      // Back from "done": Next reads "&Next >" again, Cancel keeps "&Exit".
      {"back", kSave, true, kNextCaption, kExitCaption, NextEffect::kNone},
      {"next", kDone, true, kNewCaption, kExitCaption, NextEffect::kSave},
      // "&New >" starts the next file on "load".
      {"next", kLoad, true, kNextCaption, kCancelCaption, NextEffect::kNone},
      {"back", kWelcome, false, kNextCaption, kCancelCaption, NextEffect::kNone},
      {"next", kLoad, true, kNextCaption, kCancelCaption, NextEffect::kNone},
  };
  NavState state;
  EXPECT_EQ(state.page, kWelcome);
  EXPECT_FALSE(state.back_enabled);
  EXPECT_EQ(state.next, "&Next >");
  EXPECT_EQ(state.cancel, "&Cancel");
  int i = 0;
  for (const Step& s : steps) {
    NextEffect effect = NextEffect::kNone;
    state = std::string(s.press) == "next" ? AfterNext(state, &effect) : AfterBack(state);
    SCOPED_TRACE(i++);
    EXPECT_EQ(state.page, s.page);
    EXPECT_EQ(state.back_enabled, s.back_enabled);
    EXPECT_TRUE(state.next_enabled);
    EXPECT_EQ(state.next, s.next);
    EXPECT_EQ(state.cancel, s.cancel);
    EXPECT_EQ(effect, s.effect);
  }
}

TEST(WizardFlow, BackFromDoneTwiceLeavesExitAndNextCaptions) {
  NavState state;
  state.page = kDone;
  state.back_enabled = true;
  state.next = kNewCaption;
  state.cancel = kExitCaption;
  state = AfterBack(AfterBack(state));
  EXPECT_EQ(state.page, kSelectExe);
  EXPECT_EQ(state.next, kNextCaption);
  EXPECT_EQ(state.cancel, kExitCaption);
}

TEST(WizardPages, IndexNameAndTitle) {
  const char* names[] = {"welcome", "load", "files", "general", "visual2", "selectexe", "save", "done"};
  for (int i = 0; i < kPageCount; ++i) {
    EXPECT_STREQ(PageName(i), names[i]);
    EXPECT_EQ(PageIndex(names[i]), i);
  }
  EXPECT_EQ(PageIndex("nope"), -1);
  EXPECT_STREQ(PageTitle(kWelcome), "Welcome to tessaron Kestro");
  EXPECT_STREQ(PageTitle(kSave), "Destination File Location");
}

TEST(WizardPaths, DefaultProjectAndOutput) {
  EXPECT_EQ(DefaultProjectPath("C:\\Kestro\\", false), "C:\\Kestro\\New Project.tkp");
  EXPECT_EQ(DefaultProjectPath("C:\\Kestro\\", true), "C:\\Kestro\\New Project 2.tkp");
  struct {
    const char* project;
    const char* output;
  } cases[] = {
      {"C:\\Kestro\\New Project.tkp", "C:\\Kestro\\Output.exe"},
      {"D:\\a b\\c\\x.tkp", "D:\\a b\\c\\Output.exe"},
      {"E:x.tkp", "E:Output.exe"},
      {"x.tkp", "Output.exe"},
      {"", "Output.exe"},
  };
  for (const auto& c : cases) EXPECT_EQ(DefaultOutputPath(c.project), c.output) << c.project;
}

TEST(WizardLists, FileNamesKeepOrderAndDuplicates) {
  std::vector<std::string> sources = {"C:\\a\\SETUP.EXE", "D:\\b\\setup.exe", "E:readme.txt",
                                      "C:\\c\\readme.txt"};
  std::vector<std::string> names = {"SETUP.EXE", "setup.exe", "readme.txt", "readme.txt"};
  EXPECT_EQ(FileNames(sources), names);
  EXPECT_EQ(SetupProgramIndex(names), 0);  // the first match counts
  EXPECT_EQ(SetupProgramIndex({"a.exe", "Setup.Exe"}), 1);
  EXPECT_EQ(SetupProgramIndex({"setup.exe.txt", "setup", "xsetup.exe"}), -1);
  EXPECT_EQ(SetupProgramIndex({}), -1);
}

TEST(WizardTexts, CombinedSetupCommandAndLimits) {
  EXPECT_EQ(CombinedSetupCommand("setup.exe", "/SMS"), "setup.exe /SMS");
  EXPECT_EQ(CombinedSetupCommand("", ""), " ");
  EXPECT_EQ(std::string(kInstallShieldCaption), "Make InstallShield\xAE compatible");
  const std::string help = WaitForProgramHelp();
  EXPECT_EQ(help.find("Select the program for what Kestro should wait"), 0u);
  EXPECT_NE(help.find("extraction.)\r\nUse this"), std::string::npos);
  EXPECT_NE(help.find("delete all files.\r\nIf you are not sure"), std::string::npos);
  EXPECT_NE(help.find("if you run the setup (without creating"), std::string::npos);
  EXPECT_NE(help.find("another executeable.\r\n\r\nIf you still have problems"), std::string::npos);
  EXPECT_EQ(help.substr(help.size() - std::string(kSupportAddress).size() - 2),
            std::string(": ") + kSupportAddress);
  EXPECT_EQ(VersionText(), "Version 1.4.2 (Build 88)");
}

TEST(WizardCommandLine, FirstArgument) {
  struct {
    const char* line;
    const char* first;
  } cases[] = {
      {"Kestro.exe", ""},
      {"\"C:\\Program Files\\Kestro\\Kestro.exe\"", ""},
      {"\"C:\\Program Files\\Kestro\\Kestro.exe\" \"C:\\My Projects\\a.tkp\"", "C:\\My Projects\\a.tkp"},
      {"Kestro.exe C:\\a.tkp second", "C:\\a.tkp"},
      {"Kestro.exe   \t C:\\a.tkp", "C:\\a.tkp"},
      {"Kestro.exe C:\\My\" \"Projects\\a.tkp", "C:\\My Projects\\a.tkp"},
      {"Kestro.exe \"\"", ""},
  };
  for (const auto& c : cases) EXPECT_EQ(FirstArgument(c.line), c.first) << c.line;
  EXPECT_EQ(LoadingCaption("C:\\a b.tkp"), "Loading \"C:\\a b.tkp\"...");
  EXPECT_EQ(MissingProjectMessage("C:\\x.tkp"), "C:\\x.tkp does not exist!");
}

}  // namespace
}  // namespace kestro::wizard
