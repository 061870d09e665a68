#include "project/keys.h"

#include <strings.h>

namespace kestro::project {

// Defaults as text: Booleans "1"/"0". Wizard default nullptr: the control
// keeps its state ("current") or the wizard does not read the key.
const SettingsKey kSettingsKeys[] = {
    {"PromptShow", KeyType::kBoolean, nullptr, "1", true},
    {"PasswordShow", KeyType::kBoolean, nullptr, "1", true},
    {"ProgressShow", KeyType::kBoolean, nullptr, "1", true},
    {"PromptText", KeyType::kText, nullptr, "", true},
    {"Password", KeyType::kText, nullptr, "", true},
    {"PasswordText", KeyType::kText, nullptr, "", true},
    {"FolderSelText", KeyType::kText, nullptr, "", true},
    {"ProgressText", KeyType::kText, nullptr, "", true},
    {"Quiet", KeyType::kBoolean, "0", "0", true},
    {"ShowFileWindow", KeyType::kBoolean, "0", "0", true},
    {"LinkCreate", KeyType::kBoolean, "0", "0", true},
    {"LinkStartMenu", KeyType::kBoolean, "0", "0", true},
    {"LinkDesktop", KeyType::kBoolean, "0", "0", true},
    {"LinkFileName", KeyType::kText, nullptr, "error6.exe", true},
    {"LinkDisplay", KeyType::kText, "", "ERROR 09", true},
    {"RunWaitFor", KeyType::kText, "", "ERROR 5\xDF" "09", true},
    {"ShowLicense", KeyType::kBoolean, "0", "0", true},
    {"LicenseText", KeyType::kText, "", "Error012", true},
    {"Cancel", KeyType::kText, "&Cancel", "&Cancel", true},
    {"Continue", KeyType::kText, "&Continue", "&Continue", true},
    {"Caption", KeyType::kText, "Setup", "Setup", true},
    {"RunTextFile", KeyType::kBoolean, "0", "0", true},
    {"RunTextFileName", KeyType::kText, "", "error773", true},
    {"ShowFinalMsg", KeyType::kBoolean, "0", "0", true},
    {"FinalMsg", KeyType::kText, "Files have been extracted.", "err_883", true},
    {"RunProgram", KeyType::kBoolean, nullptr, "1", true},
    {"ExtractOnly", KeyType::kBoolean, nullptr, "0", true},
    {"RunProgExeName", KeyType::kText, nullptr, "", true},
    {"RunProgExePara", KeyType::kText, nullptr, "", true},
    {"ExtractOnlyPath", KeyType::kText, nullptr, "", true},
    {"ExtractOnlyNoDlg", KeyType::kBoolean, nullptr, "1", true},
    {"Output", KeyType::kPath, nullptr, "Error055", true},
    {"Yes", KeyType::kText, nullptr, "&Yes", false},
    {"No", KeyType::kText, nullptr, "&No", false},
};

const size_t kSettingsKeyCount = sizeof kSettingsKeys / sizeof kSettingsKeys[0];

const SettingsKey* FindSettingsKey(const char* name) {
  for (const SettingsKey& k : kSettingsKeys)
    if (strcasecmp(k.name, name) == 0) return &k;
  return nullptr;
}

}  // namespace kestro::project
