// The program the launcher's tests start: app_exec_child OUTFILE [SLEEP_MS
// [EXIT_CODE]] writes its argument count, each argument and its current
// folder, one a line, to OUTFILE, then sleeps and ends with EXIT_CODE.
#include <windows.h>

#include <cstdlib>
#include <fstream>
#include <string>

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
  if (__argc < 2) return 100;
  {
    std::ofstream out(__argv[1], std::ios::binary);
    out << __argc - 1 << "\n";
    for (int i = 1; i < __argc; ++i) out << __argv[i] << "\n";
    char folder[MAX_PATH] = {};
    GetCurrentDirectoryA(MAX_PATH, folder);
    out << folder << "\n";
  }
  if (__argc > 2) Sleep(static_cast<DWORD>(std::atoi(__argv[2])));
  return __argc > 3 ? std::atoi(__argv[3]) : 0;
}
