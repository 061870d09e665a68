// A stand-in for the wizard program in setup's tests: it records how it was
// started (its command line, then its current folder) in started.txt beside
// itself and ends.
#include <windows.h>

#include <string>

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
  char module[MAX_PATH] = {}, current[MAX_PATH] = {};
  GetModuleFileNameA(nullptr, module, MAX_PATH);
  GetCurrentDirectoryA(MAX_PATH, current);
  std::string path = module;
  path = path.substr(0, path.find_last_of('\\') + 1) + "started.txt";
  std::string record = std::string(GetCommandLineA()) + "\n" + current + "\n";
  HANDLE file = CreateFileA((path + ".tmp").c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  if (file == INVALID_HANDLE_VALUE) return 1;
  DWORD written = 0;
  WriteFile(file, record.data(), static_cast<DWORD>(record.size()), &written, nullptr);
  CloseHandle(file);
  MoveFileExA((path + ".tmp").c_str(), path.c_str(), MOVEFILE_REPLACE_EXISTING);
  return 0;
}
