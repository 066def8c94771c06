// Stands in for CantaroMaker.exe where a test only needs to know how the
// shell extension started it: writes its parameters and working folder to
// started.txt beside itself and ends.
#include <windows.h>

#include <fstream>
#include <string>

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR parameters, int) {
  char path[MAX_PATH] = {};
  DWORD length = GetModuleFileNameA(nullptr, path, MAX_PATH);
  std::string folder(path, length);
  folder = folder.substr(0, folder.rfind('\\') + 1);
  char current[MAX_PATH] = {};
  GetCurrentDirectoryA(MAX_PATH, current);
  std::ofstream out(folder + "started.txt", std::ios::binary);
  out << parameters << "\n" << current << "\n";
  return 0;
}
