// What only Windows can do for the stub: registry entries, shortcuts,
// starting and waiting for programs. No exceptions; results by value.
#pragma once

#include <stdint.h>

#include "stub/archive.h"

namespace kestro::stub {

// Applies every [Registry] entry. Returns kExitOk, or kExitWrite with msg
// naming the entry, the key and the system's reason.
int ApplyRegEntries(const Archive& a, const char* folder, Message* msg);

// Creates a shortcut named name (".lnk" added) in the Start menu's programs
// folder (start_menu) or on the desktop, to command (a program, optionally
// followed by arguments) started in work_dir. Returns kExitOk or kExitWrite.
int CreateShortcut(bool start_menu, const char* name, const char* command, const char* work_dir,
                   Message* msg);

// Creates the shortcuts of the [Icons] entries other than the built-in one;
// a failure names the entry.
int ApplyIconEntries(const Archive& a, const char* folder, Message* msg);

// Starts exe with params in dir and waits for it, handling window messages
// meanwhile: elevation through the shell when the program demands it, and a
// file that is no program (an .msi, a script) opened through the shell.
// Then, when wait_for names an image, waits for every process of that name
// in this session that was not running before exe was started. Returns
// kExitOk with *code set, or kExitStart with msg.
int RunAndWait(const char* exe, const char* params, const char* dir, const char* wait_for, uint32_t* code,
               Message* msg);

// Makes a new folder with an unpredictable name under the user's temporary
// folder, open only to this user, SYSTEM and the Administrators (not the
// parent's entries); creation fails rather than reuses a folder. out holds
// kPathMax bytes.
bool MakePrivateFolder(char* out);
// The security descriptor it is made with (free it with LocalFree); null
// if this user's identity cannot be read.
void* PrivateFolderSecurity();

// Opens a folder or document with its associated program; no waiting.
void ShellOpen(const char* path);

}  // namespace kestro::stub
