// A small registry object on one hive: keys are created with full access,
// each value is written by creating the key if needed, opening it, setting
// the value and closing the key again. Failures raise kestro::Error with the
// store's texts.
#pragma once

#include <windows.h>

#include <string>

namespace kestro::setup {

class Registry {
 public:
  explicit Registry(HKEY root) : root_(root) {}

  // Raises "Erzeugung von Schlüssel <key> misslungen".
  void CreateKey(const std::string& key);
  // Creates the key if needed and sets a REG_SZ value ("" is the default
  // value). A key that cannot be opened after its creation gets no value and
  // no message; a value that cannot be set raises
  // "Konnte Daten für '<name>' nicht setzen".
  void WriteString(const std::string& key, const std::string& name, const std::string& data);
  // The string value, or "" when the key or the value does not exist.
  // Raises "Ungültiger Datentyp für '<name>'" for a value of another type.
  std::string ReadString(const std::string& key, const std::string& name);

 private:
  HKEY root_;
};

}  // namespace kestro::setup
