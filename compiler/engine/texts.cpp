// The compiler's fixed texts and its command-line rule.
#include <string>
#include <vector>

#include "compiler/engine.h"

#ifndef KESTRO_VERSION_LINE
#define KESTRO_VERSION_LINE "Kestro"
#endif

namespace kestro::compiler {

const char kHelpCaption[] = "tessaron Kestro Compiler";
const char kReportCaption[] = "Compiler";
const char kFatalCaption[] = "Fehler";
const char kFatalText[] =
    "A FATAL error occured. Please send the project file and this message to support@tessaron.example.";
const char kCancelQuestion[] = "Are you sure you wish to stop creating this self-extracting file?";
const char kCancelCaption[] = "Cancel Process?";

std::string HelpText() {
  static const char* const kLines[] = {
      "The tessaron Kestro Compiler offers you to automaticly create self-extracting files.",
      "Based on an existing .tkp projectfile the Compiler can create the self-extracting file.",
      "",
      "The Compiler needs at least one parameter, the Projectfile location. This file must be specified like "
      "\"C:\\TESSARON\\TEST.TKP\" (the \"s are required!)",
      "",
      "You can optional set 2 other parameters. The whole commandline is:",
      "  Compiler.exe \"ProjectFile\" \"OutputFile\" \"SourceFilesFolder\"     (the \"s are required!)",
      "",
      "  OutputFile specifies a new self-extracting file location.",
      "  SourceFilesFolder specifies a new folder that contains all source files.",
      "",
      "Samples:",
      " >> Compiler.exe \"c:\\tessaron\\test.tkp\"",
      "  would (re-)create a self-extracting file (the output file is specified in projectfile)",
      "",
      " >> Compiler.exe \"c:\\tessaron\\alarm.tkp\" \"c:\\release\\alarm12.exe\" "
      "\"c:\\source\\alarm\\release\"",
      "  would create c:\\release\\alarm12.exe, use the files in c:\\source\\alarm\\release",
      "  and read other data (visual settings, extraction mode) from the project file alarm.tkp",
      "",
      "If you have problems using this, contact support@tessaron.example",
      "",
      "tessaron " KESTRO_VERSION_LINE,
  };
  std::string text;
  for (const char* line : kLines) {
    if (!text.empty()) text += "\r\n";
    text += line;
  }
  return text;
}

std::vector<std::string> SplitCommandLine(const std::string& raw) {
  std::vector<std::string> tokens;
  size_t i = 0, n = raw.size();
  auto blank = [](char c) { return static_cast<unsigned char>(c) <= 32; };
  for (;;) {
    // Blanks and empty quote pairs before a parameter are skipped.
    for (;;) {
      while (i < n && blank(raw[i])) ++i;
      if (i + 1 < n && raw[i] == '"' && raw[i + 1] == '"') {
        i += 2;
        continue;
      }
      break;
    }
    if (i >= n) break;
    std::string token;
    while (i < n && !blank(raw[i])) {
      if (raw[i] == '"') {
        ++i;
        while (i < n && raw[i] != '"') token += raw[i++];
        if (i < n) ++i;
      } else {
        token += raw[i++];
      }
    }
    tokens.push_back(token);
  }
  if (!tokens.empty()) tokens.erase(tokens.begin());  // the program's name
  return tokens;
}

}  // namespace kestro::compiler
