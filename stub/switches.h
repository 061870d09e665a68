// The stub's command-line switches: /S /K /D=FOLDER /P=PASSWORD /T /?.
#pragma once

#include <stddef.h>

#include "stub/platform.h"

namespace kestro::stub {

struct Switches {
  bool silent = false;
  bool keep = false;  // /K: existing files with other content are kept
  bool test = false;
  bool help = false;
  bool have_password = false;
  char password[256] = {};
  char folder[kPathMax] = {};
};

// Parses a whole command line as the system hands it over (the program's
// name first). /D= takes the rest of the line, blanks included; a switch may
// be quoted as a whole; letters may be lower case; unknown switches are
// ignored; parsing stops at the first word that is no switch.
void ParseSwitches(const char* command_line, Switches* sw);

// Copies len bytes of s into out (n bytes) and ends it with a zero; cuts.
void CopyCut(char* out, size_t n, const char* s, size_t len);

}  // namespace kestro::stub
