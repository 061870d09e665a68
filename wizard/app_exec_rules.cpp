#include "wizard/app_exec_rules.h"

namespace kestro::wizard {
namespace {

struct ErrorRow {
  int code;
  const char* french;
  const char* english;
};

// The Italian set uses the English texts.
constexpr ErrorRow kErrorRows[] = {
    {-1,
     "Pas d'ex\xE9"
     "cution",
     "No execution"},
    {0,
     "Syst\xE8me d\xE9pass\xE9 en capacit\xE9 m\xE9moire, ex\xE9"
     "cutable corrompu, ou r\xE9"
     "allocations invalides",
     "System was out of memory, executable file was corrupt, or relocations were invalid"},
    {2, "Fichier non trouv\xE9", "File was not found"},
    {3, "Chemin non trouv\xE9", "Path was not found"},
    {5,
     "Tentative de liaison dynamique \xE0 une t\xE2"
     "che, ou erreur de partage, ou erreur de protection r\xE9seau",
     "Attempt was made to dynamically link to a task, or there was a sharing or network-protection error"},
    {6,
     "Librairie n\xE9"
     "cessitant des segments de donn\xE9"
     "es s\xE9par\xE9s pour chaque t\xE2"
     "che",
     "Library required separate data segments for each task"},
    {8, "M\xE9moire insuffisante pour d\xE9marrer l'application",
     "There was insufficient memory to start the application"},
    {10, "Version de Windows incorrecte", "Windows version was incorrect"},
    {11,
     "Ex\xE9"
     "cutable invalide, application non Windows, ou erreur dans l'image du fichier .EXE",
     "Executable file was invalid. Either it was not a Windows application or there was an error in the .EXE "
     "image"},
    {12,
     "Application \xE9"
     "crite pour un syst\xE8me d'exploitation diff\xE9rent",
     "Application was designed for a different operating system"},
    {13,
     "Application \xE9"
     "crite pour MS-DOS 4.0",
     "Application was designed for MS-DOS 4.0"},
    {14,
     "Type d'ex\xE9"
     "cutable inconnu",
     "Type of executable file was unknown"},
    {15,
     "Tentative de chargement d'une application en mode r\xE9"
     "el (d\xE9velopp\xE9"
     "e pour une version ant\xE9rieure de Windows)",
     "Attempt was made to load a real-mode application (developed for an earlier version of Windows)"},
    {16,
     "Tentative de chargement d'une seconde instance d'un ex\xE9"
     "cutable contenant plusieurs segments de donn\xE9"
     "es non marqu\xE9s en lecture seule",
     "Attempt to load second instance of an executable containing multiple data segments not marked "
     "read-only"},
    {19,
     "Tentative de chargement d'un ex\xE9"
     "cutable compress\xE9. Le fichier doit \xEAtre d\xE9"
     "compress\xE9 avant de pouvoir \xEAtre charg\xE9",
     "Attempt was made to load a compressed executable file. The file must be decompressed before it can be "
     "loaded"},
    {20,
     "Fichier Dynamic-link library (DLL) invalide. Une des DLLs requises pour ex\xE9"
     "cuter cette application est corrompue",
     "Dynamic-link library (DLL) file was invalid. One of the DLLs required to run this application was "
     "corrupt"},
    {21,
     "Application n\xE9"
     "cessitant des extensions 32-bit",
     "Application requires 32-bit extensions"},
};

bool IsDriveRoot(const std::string& s) {
  return s.size() == 3 && ((s[0] >= 'A' && s[0] <= 'Z') || (s[0] >= 'a' && s[0] <= 'z')) && s[1] == ':' &&
         s[2] == '\\';
}

std::string SystemErrorText(LangType lang, int code) {
  return (lang == LangType::ltFrench ? "Erreur syst\xE8me " : "System error ") + std::to_string(code);
}

}  // namespace

std::string NormalizeExePath(const std::string& path) {
  if (path.empty() || path.back() != '\\' || path == "\\" || IsDriveRoot(path)) return path;
  return path.substr(0, path.size() - 1);
}

std::string BuildCommandLine(const std::string& exe_name, const std::vector<std::string>& params) {
  std::string line = exe_name;
  for (const std::string& p : params) line += ' ' + p;
  return line;
}

bool FitsCommandLineBuffer(const std::string& command_line) {
  return command_line.size() < kCommandLineBuffer;
}

std::string AppExecErrorText(LangType lang, int code) {
  const bool french = lang == LangType::ltFrench;
  if (code >= 32) return french ? "Pas d'erreur" : "No error";
  for (const ErrorRow& row : kErrorRows)
    if (row.code == code) return french ? row.french : row.english;
  return SystemErrorText(lang, code);
}

std::string AppExecFailureText(LangType lang, int code) {
  return code >= 32 ? SystemErrorText(lang, code) : AppExecErrorText(lang, code);
}

std::string ShortenPath(const std::string& path, int max_width,
                        const std::function<int(const std::string&)>& width) {
  if (width(path) <= max_width) return path;
  // The head that is always kept: "C:\\" or "\\\\server\\share\\"; none for other paths.
  std::size_t head = 0;
  if (path.size() >= 2 && path[1] == ':') {
    head = path.size() > 2 && path[2] == '\\' ? 3 : 2;
  } else if (path.compare(0, 2, "\\\\") == 0) {
    std::size_t server_end = path.find('\\', 2);
    std::size_t share_end = server_end == std::string::npos ? server_end : path.find('\\', server_end + 1);
    if (share_end != std::string::npos) head = share_end + 1;
  }
  std::size_t name_start = path.rfind('\\');
  if (name_start == std::string::npos || name_start + 1 <= head) return path;  // no folder to drop
  const std::string prefix = path.substr(0, head) + (head > 0 && path[head - 1] != '\\' ? "\\" : "") + "...";
  const std::string name = path.substr(name_start);  // with its backslash
  // Folders nearest the name are kept first: grow the kept tail leftwards.
  std::string best = prefix + name;
  std::size_t cut = name_start;
  while (cut > head) {
    std::size_t prev = path.rfind('\\', cut - 1);
    if (prev == std::string::npos || prev < head) break;
    std::string candidate = prefix + path.substr(prev);
    if (prev + 1 <= head) break;  // nothing left to hide
    if (width(candidate) > max_width) break;
    best = candidate;
    cut = prev;
  }
  return best;
}

}  // namespace kestro::wizard
