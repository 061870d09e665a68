// What only Windows can do for the stub: registry entries, shortcuts,
// starting and waiting for programs. No exceptions; results by value.
#pragma once

#include <stdint.h>

#include "stub/archive.h"

namespace kestro::stub {

// Applies every [Registry] entry. Returns kExitOk or kExitWrite with msg.
int ApplyRegEntries(const Archive& a, const char* folder, Message* msg);

// Creates a shortcut named name (".lnk" added) in the Start menu's programs
// folder (start_menu) or on the desktop, to command (a program, optionally
// followed by arguments) started in work_dir. Returns kExitOk or kExitWrite.
int CreateShortcut(bool start_menu, const char* name, const char* command, const char* work_dir,
                   Message* msg);

// Creates the shortcuts of the [Icons] entries other than the built-in one.
int ApplyIconEntries(const Archive& a, const char* folder, Message* msg);

// Starts exe with params in dir and waits for it; elevation through the
// shell when the program demands it. Returns kExitOk with *code set, or
// kExitStart with msg.
int RunAndWait(const char* exe, const char* params, const char* dir, uint32_t* code, Message* msg);

// Waits until no process with the image name (its file-name part) runs.
void WaitForImage(const char* name);

// Opens a folder or document with its associated program; no waiting.
void ShellOpen(const char* path);

}  // namespace kestro::stub
