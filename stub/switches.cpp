#include "stub/switches.h"

#include <string.h>

namespace kestro::stub {

void CopyCut(char* out, size_t n, const char* s, size_t len) {
  if (len >= n) len = n - 1;
  memcpy(out, s, len);
  out[len] = 0;
}

void ParseSwitches(const char* cmd, Switches* sw) {
  // Skip the program's own name.
  if (*cmd == '"') {
    ++cmd;
    while (*cmd && *cmd != '"') ++cmd;
    if (*cmd) ++cmd;
  } else {
    while (*cmd && *cmd != ' ' && *cmd != '\t') ++cmd;
  }
  for (;;) {
    while (*cmd == ' ' || *cmd == '\t') ++cmd;
    // A switch may come quoted as a whole ("/D=C:\My Folder").
    bool quoted = *cmd == '"';
    if (quoted) ++cmd;
    if ((*cmd != '/' && *cmd != '-') || !cmd[1]) return;  // a lone "/" ends the line
    char c = cmd[1];
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 32);
    if (c == 'D' && cmd[2] == '=') {
      // The rest of the command line, blanks included.
      const char* s = cmd + 3;
      size_t n = strlen(s);
      while (n > 0 && (s[n - 1] == ' ' || s[n - 1] == '\t')) --n;
      if (n >= 1 && s[n - 1] == '"' && (quoted || s[0] == '"')) --n;
      if (!quoted && n >= 1 && s[0] == '"') ++s, --n;
      CopyCut(sw->folder, sizeof sw->folder, s, n);
      return;
    }
    const char* end = cmd + 2;
    if (c == 'P' && cmd[2] == '=') {
      const char* s = cmd + 3;
      if (quoted || *s == '"') {
        if (!quoted) ++s;
        end = s;
        while (*end && *end != '"') ++end;
        CopyCut(sw->password, sizeof sw->password, s, end - s);
        if (*end) ++end;
      } else {
        end = s;
        while (*end && *end != ' ' && *end != '\t') ++end;
        CopyCut(sw->password, sizeof sw->password, s, end - s);
      }
      sw->have_password = true;
    } else if (c == 'S') {
      sw->silent = true;
    } else if (c == 'K') {
      sw->keep = true;
    } else if (c == 'T') {
      sw->test = true;
    } else if (c == '?' || c == 'H') {
      sw->help = true;
    } else {
      while (*end && *end != ' ' && *end != '\t') ++end;  // unknown: ignored
    }
    if (quoted && c != 'P' && *end == '"') ++end;
    cmd = end;
  }
}

}  // namespace kestro::stub
