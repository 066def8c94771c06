// A stand-in MP3 player for the success panel's tests: it appends its
// arguments (the command line after its own name) as one line to
// launches.txt beside itself, and the show command it was started with to
// shows.txt, and ends. Its name ends in the digit 1 on
// purpose, as the clean-up of a registered open command must keep it.
#include <windows.h>

#include <cstring>
#include <string>

namespace {

// The command line after the program's own name and the blank after it.
std::string ArgumentsOf(const char* line) {
  std::string text = line ? line : "";
  size_t end = text[0] == '"' ? text.find('"', 1) : text.find(' ');
  if (end == std::string::npos) return std::string();
  size_t start = text.find_first_not_of(' ', end + 1);
  return start == std::string::npos ? std::string() : text.substr(start);
}

std::string FileBesideProgram(const char* name) {
  char path[MAX_PATH] = {};
  DWORD length = GetModuleFileNameA(nullptr, path, MAX_PATH);
  std::string folder(path, length < MAX_PATH ? length : 0);
  return folder.substr(0, folder.find_last_of('\\') + 1) + name;
}

// Appends as one write, so launches that overlap keep their lines whole.
bool AppendLine(const char* name, const std::string& text) {
  std::string line = text + "\n";
  HANDLE log = CreateFileA(FileBesideProgram(name).c_str(), FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE,
                           nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (log == INVALID_HANDLE_VALUE) return false;
  DWORD written = 0;
  BOOL ok = WriteFile(log, line.data(), static_cast<DWORD>(line.size()), &written, nullptr);
  CloseHandle(log);
  return ok && written == line.size();
}

}  // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int show) {
  STARTUPINFOA startup = {};
  startup.cb = sizeof(startup);
  GetStartupInfoA(&startup);
  if (startup.dwFlags & STARTF_USESHOWWINDOW) show = startup.wShowWindow;
  bool recorded = AppendLine("shows.txt", std::to_string(show));
  return recorded && AppendLine("launches.txt", ArgumentsOf(GetCommandLineA())) ? 0 : 1;
}
