#include "common/errors.h"

#include <gtest/gtest.h>

#include "common/text.h"

namespace kestro {

TEST(Errors, IoErrorTextsAreWindows1252) {
  struct {
    int code;
    const char* text;
  } cases[] = {
      {2, "Datei nicht gefunden"},
      {3, "Ung\xFCltiger Dateiname"},
      {4, "Zu viele Dateien ge\xF6" "ffnet"},
      {5, "Dateizugriff verweigert"},
      {100, "Lesen nach Dateiende (EOF)"},
      {101, "Kapazit\xE4t der Diskette/Festplatte ersch\xF6pft"},
      {106, "Ung\xFCltige numerische Eingabe"},
      {32, "I/O-Fehler 32"},
      {1392, "I/O-Fehler 1392"},
  };
  for (const auto& c : cases) {
    IoError e(c.code);
    EXPECT_EQ(std::string(e.what()), c.text) << c.code;
    EXPECT_EQ(e.code(), c.code);
  }
}

TEST(Errors, ConversionAndStoreTexts) {
  EXPECT_EQ(std::string(ConvertError("12x").what()), "'12x' ist kein g\xFCltiger Integerwert");
  EXPECT_EQ(std::string(ConvertError("").what()), "'' ist kein g\xFCltiger Integerwert");
  EXPECT_EQ(RegCreateKeyErrorText(".tkp"), "Erzeugung von Schl\xFCssel .tkp misslungen");
  EXPECT_EQ(RegSetValueErrorText("InstallPath"), "Konnte Daten f\xFCr 'InstallPath' nicht setzen");
  EXPECT_EQ(RegInvalidTypeErrorText("Programs"), "Ung\xFCltiger Datentyp f\xFCr 'Programs'");
  EXPECT_EQ(CannotWriteErrorText("C:\\a.tkp"), "Kann nicht nach C:\\a.tkp schreiben");
}

TEST(Text, Cp1252ToUtf8) {
  EXPECT_EQ(Cp1252ToUtf8("Best\xE4tigen"), "Best\xC3\xA4tigen");
  EXPECT_EQ(Cp1252ToUtf8("InstallShield\xAE"), "InstallShield\xC2\xAE");
  EXPECT_EQ(Cp1252ToUtf8("\x80 \x9F"), "\xE2\x82\xAC \xC5\xB8");
  EXPECT_EQ(Cp1252ToUtf8("ERROR 5\xDF" "09"), "ERROR 5\xC3\x9F" "09");
}

TEST(Text, TrimAndUpper) {
  EXPECT_EQ(TrimControl(" \t\x01 a b \r\n"), "a b");
  EXPECT_EQ(TrimControl("\x01\x02"), "");
  EXPECT_EQ(UpperAscii("hkey_\xE4x"), "HKEY_\xE4X");
}

}  // namespace kestro
