#include "common/errors.h"

#include <cstdarg>
#include <cstdio>
#include <vector>

namespace kestro {

std::string Format(const char* fmt, ...) {
  va_list args;
  va_start(args, fmt);
  va_list copy;
  va_copy(copy, args);
  int n = std::vsnprintf(nullptr, 0, fmt, copy);
  va_end(copy);
  std::string out;
  if (n > 0) {
    std::vector<char> buf(static_cast<size_t>(n) + 1);
    std::vsnprintf(buf.data(), buf.size(), fmt, args);
    out.assign(buf.data(), static_cast<size_t>(n));
  }
  va_end(args);
  return out;
}

std::string IoError::Text(int code) {
  switch (code) {
    case kFileNotFound: return "Datei nicht gefunden";
    case kPathNotFound: return "Ung\xFCltiger Dateiname";
    case kTooManyOpenFiles: return "Zu viele Dateien ge\xF6" "ffnet";
    case kAccessDenied: return "Dateizugriff verweigert";
    case kReadBeyondEof: return "Lesen nach Dateiende (EOF)";
    case kDiskFull: return "Kapazit\xE4t der Diskette/Festplatte ersch\xF6pft";
    case kInvalidNumericInput: return "Ung\xFCltige numerische Eingabe";
    default: return Format("I/O-Fehler %d", code);
  }
}

IoError::IoError(int code) : Error(Text(code)), code_(code) {}

ConvertError::ConvertError(const std::string& text)
    : Error("'" + text + "' ist kein g\xFCltiger Integerwert") {}

std::string RegCreateKeyErrorText(const std::string& key) {
  return "Erzeugung von Schl\xFCssel " + key + " misslungen";
}
std::string RegSetValueErrorText(const std::string& name) {
  return "Konnte Daten f\xFCr '" + name + "' nicht setzen";
}
std::string RegInvalidTypeErrorText(const std::string& name) {
  return "Ung\xFCltiger Datentyp f\xFCr '" + name + "'";
}
std::string CannotWriteErrorText(const std::string& path) {
  return "Kann nicht nach " + path + " schreiben";
}

}  // namespace kestro
