#include "common/paths.h"

#include "common/os.h"

namespace kestro {

std::string AddBackslash(const std::string& s) {
  if (s.empty() || s.back() == '\\') return s;
  return s + '\\';
}

std::string RemoveBackslash(const std::string& s) {
  if (!s.empty() && s.back() == '\\') return s.substr(0, s.size() - 1);
  return s;
}

bool IsAbsolutePath(const std::string& p) {
  return (!p.empty() && (p[0] == '\\' || p[0] == '/')) || (p.size() >= 2 && p[1] == ':');
}

std::string FromFolderOf(const std::string& file, const std::string& path) {
  if (path.empty() || IsAbsolutePath(path)) return path;
  return ExtractFilePath(file) + path;
}

bool IsPathDelimiter(char c) { return c == '\\' || c == ':' || c == '/'; }

static size_t NamePos(const std::string& path) {
  size_t i = path.size();
  while (i > 0 && !IsPathDelimiter(path[i - 1])) --i;
  return i;
}

std::string ExtractFileName(const std::string& path) { return path.substr(NamePos(path)); }

std::string ExtractFilePath(const std::string& path) { return path.substr(0, NamePos(path)); }

std::string ExtractFileDir(const std::string& path) {
  size_t i = NamePos(path);
  if (i > 1 && (path[i - 1] == '\\' || path[i - 1] == '/') && path[i - 2] != ':') --i;
  return path.substr(0, i);
}

}  // namespace kestro

namespace kestro::os {

std::vector<std::string> Arguments(int argc, char** argv) {
  std::vector<std::string> args;
  for (int i = 1; i < argc; ++i) args.push_back(FromHostName(argv[i]));
  return args;
}

}  // namespace kestro::os
