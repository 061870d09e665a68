// The process launcher's rules that need no window: its folder property, its
// command line and the texts of its start errors. Texts are Windows-1252.
#pragma once

#include <functional>
#include <string>
#include <vector>

namespace kestro::wizard {

enum class LangType { ltFrench, ltEnglish, ltItalian };

// The command line is built whole, however long, up to what the system takes
// (this many characters, its terminating zero included). A fixed 512-byte
// buffer would cut a long project path and start the wrong program or none.
constexpr std::size_t kCommandLineBuffer = 32767;

// ExePath as stored: a trailing backslash is removed, except from a single
// backslash and from a drive root such as "C:\".
std::string NormalizeExePath(const std::string& path);

// ExeName, then one blank and each parameter in order.
std::string BuildCommandLine(const std::string& exe_name, const std::vector<std::string>& params);
// True when `command_line` fits the launcher's buffer.
bool FitsCommandLineBuffer(const std::string& command_line);

// The start error text for a system error code in a language's set. Codes
// of 32 and above read "no error"; a code without a row reads
// "Erreur système <code>" / "System error <code>".
std::string AppExecErrorText(LangType lang, int code);

// The text of a start that failed with `code`: the table's, except that a
// code of 32 and above, which the table reads as "no error", reads
// "Erreur système <code>" / "System error <code>".
std::string AppExecFailureText(LangType lang, int code);

// A path shortened for a label `max_width` wide: the drive (or the server
// and share of a network path) with its backslash, "...", a backslash, as
// many of the folders nearest the file name as fit, then the file name. A
// path that fits is returned unchanged; when even the shortest form does not
// fit, the shortest form is returned. `width` measures a text.
std::string ShortenPath(const std::string& path, int max_width,
                        const std::function<int(const std::string&)>& width);

}  // namespace kestro::wizard
