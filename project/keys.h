// The project's key names and defaults: one table for the wizard and the
// compiler.
#pragma once

#include <cstddef>

namespace kestro::project {

// Section names.
inline constexpr char kSectionKestro[] = "Kestro";
inline constexpr char kSectionSettings[] = "Settings";
inline constexpr char kSectionFiles[] = "Files";
inline constexpr char kSectionDirs[] = "Dirs";
inline constexpr char kSectionIcons[] = "Icons";
inline constexpr char kSectionIni[] = "INI";
inline constexpr char kSectionRegistry[] = "Registry";

inline constexpr char kVersionStringKey[] = "VersionString";
inline constexpr char kVersionString[] = "Version 1.4.2 (Build 88)";
inline constexpr char kNumFilesKey[] = "NumFiles";
inline constexpr int kOldVersionSentinel = 9876;
// At most this many [Files] keys and entries per entry section are read.
inline constexpr int kMaxEntries = 60000;

enum class KeyType { kBoolean, kInteger, kText, kPath };

// One [Settings] key. wizard_default is nullptr where the wizard keeps the
// control's current state or does not read the key.
struct SettingsKey {
  const char* name;
  KeyType type;
  const char* wizard_default;
  const char* compiler_default;
  bool written_by_wizard;
};

// Every [Settings] key, in the order the wizard writes them; the last two
// (Yes, No) are read by the compiler only.
extern const SettingsKey kSettingsKeys[];
extern const size_t kSettingsKeyCount;

// Looks a key up by name, without regard to case; nullptr if unknown.
const SettingsKey* FindSettingsKey(const char* name);

}  // namespace kestro::project
