// Error types that carry the text the user reads. Texts are Windows-1252
// bytes, exactly as the programs show them.
#pragma once

#include <stdexcept>
#include <string>

namespace kestro {

// Any failure of one user action or one compile run.
class Error : public std::runtime_error {
 public:
  explicit Error(const std::string& message) : std::runtime_error(message) {}
};

// The run-time library's file error, identified by its code.
class IoError : public Error {
 public:
  explicit IoError(int code);
  int code() const { return code_; }

  // 2, 3, 4, 5, 100, 101 and 106 have their own texts; any other code reads
  // "I/O-Fehler <code>".
  static std::string Text(int code);

 private:
  int code_;
};

// Codes of the run-time library's I/O errors that the programs raise.
enum IoCode {
  kFileNotFound = 2,
  kPathNotFound = 3,
  kTooManyOpenFiles = 4,
  kAccessDenied = 5,
  kReadBeyondEof = 100,
  kDiskFull = 101,
  kInvalidNumericInput = 106,
};

// "'<text>' ist kein gültiger Integerwert"
class ConvertError : public Error {
 public:
  explicit ConvertError(const std::string& text);
};

// Texts of the registry store's failures.
std::string RegCreateKeyErrorText(const std::string& key);    // "Erzeugung von Schlüssel %s misslungen"
std::string RegSetValueErrorText(const std::string& name);    // "Konnte Daten für '%s' nicht setzen"
std::string RegInvalidTypeErrorText(const std::string& name); // "Ungültiger Datentyp für '%s'"
// Text of a failed project-file write: "Kann nicht nach %s schreiben".
std::string CannotWriteErrorText(const std::string& path);

// printf-style formatting into a std::string.
std::string Format(const char* fmt, ...) __attribute__((format(printf, 1, 2)));

}  // namespace kestro
