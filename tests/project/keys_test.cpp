#include "project/keys.h"

#include <gtest/gtest.h>

#include <set>
#include <string>

#include "common/text.h"
#include "project/ini_file.h"

namespace kestro::project {
namespace {

TEST(SettingsKeys, OneTableForWizardAndCompiler) {
  ASSERT_EQ(kSettingsKeyCount, 34u);
  std::set<std::string> names;
  size_t written = 0;
  for (size_t i = 0; i < kSettingsKeyCount; ++i) {
    const SettingsKey& k = kSettingsKeys[i];
    EXPECT_TRUE(names.insert(UpperAscii(k.name)).second) << "twice: " << k.name;
    ASSERT_NE(k.compiler_default, nullptr) << k.name;
    if (k.type == KeyType::kBoolean) {
      int32_t v;
      EXPECT_TRUE(ParseInteger(k.compiler_default, &v)) << k.name;
      if (k.wizard_default) {
        EXPECT_TRUE(ParseInteger(k.wizard_default, &v)) << k.name;
      }
    }
    if (k.written_by_wizard) ++written;
    EXPECT_EQ(k.written_by_wizard, i < 32) << k.name;  // Yes and No come last
  }
  EXPECT_EQ(written, 32u);
  // The compiler asks in other spellings.
  for (const char* n : {"passwordshow", "progressshow", "Prompttext", "caption"}) {
    const SettingsKey* k = FindSettingsKey(n);
    ASSERT_NE(k, nullptr) << n;
    EXPECT_EQ(UpperAscii(k->name), UpperAscii(n));
  }
  EXPECT_EQ(FindSettingsKey("NoSuchKey"), nullptr);
  EXPECT_STREQ(FindSettingsKey("RunWaitFor")->compiler_default,
               "ERROR 5\xDF"
               "09");
  EXPECT_EQ(std::string(FindSettingsKey("RunWaitFor")->compiler_default).size(), 10u);
}

}  // namespace
}  // namespace kestro::project
