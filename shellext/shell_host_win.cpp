#include "shellext/shell_host_win.h"

#include <shellapi.h>

#include "platform/registry_key_win.h"
#include "shellext/module_win.h"

namespace {

constexpr const char* kCaption = "Cantaro Maker";
constexpr const char* kSetupKey = "Software\\Brenmark\\Tambour\\";
constexpr size_t kSetupDirectoryBytes = 255;  // at most 254 characters
constexpr const char* kProgramName = "CantaroMaker.exe";

// The system's text for a launch failure code, without its line break.
std::string SystemMessage(DWORD code) {
  char text[512] = {};
  DWORD length = FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, code,
                                MAKELANGID(LANG_NEUTRAL, SUBLANG_DEFAULT), text, sizeof(text), nullptr);
  std::string message(text, length < sizeof(text) ? length : 0);
  while (!message.empty() && (message.back() == '\n' || message.back() == '\r')) message.pop_back();
  return message;
}

// The launch message: the table's text with the system's reason for "%s".
// The reason is put in place by hand rather than passed through printf, so
// a "%" in it cannot be taken for a conversion.
std::string LaunchFailedText(DWORD code) {
  std::string text = ModuleString(IDS_EXT_LAUNCH_FAILED);
  size_t at = text.find("%s");
  if (at != std::string::npos) text.replace(at, 2, SystemMessage(code));
  return text;
}

// The folder "SetupDirectory" names, or "" when it cannot be read.
std::string SetupDirectory() {
  CWin32RegistryKey key(HKEY_CURRENT_USER, kSetupKey);
  std::string folder;
  if (key.QueryString("SetupDirectory", kSetupDirectoryBytes, folder) != RegistryRead::Ok) return "";
  return folder;
}

}  // namespace

CDA_CHECK ReadCdaFile(const std::string& path, int32_t& track) {
  HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
  if (file == INVALID_HANDLE_VALUE) return CDA_OPEN_FAILED;
  uint8_t header[kCdaHeaderSize] = {};
  DWORD got = 0;
  BOOL read = ReadFile(file, header, sizeof(header), &got, nullptr);
  CloseHandle(file);
  if (!read) return CDA_READ_FAILED;
  return CheckCdaHeader(header, got, track);
}

bool CShellFilesWin::IsDirectory(const std::string& path) {
  DWORD attributes = GetFileAttributesA(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

bool CShellFilesWin::IsCdRomDrive(const std::string& root) {
  return GetDriveTypeA((root + "\\").c_str()) == DRIVE_CDROM;
}

bool CShellHostWin::ProgramRunning() {
  HANDLE mutex = OpenMutexA(SYNCHRONIZE, FALSE, kSingleInstanceMutexName);
  if (!mutex) return false;
  CloseHandle(mutex);
  return true;
}

bool CShellHostWin::HoldArea() {
  // One handle for the whole host process, whatever the object that made it.
  static CSharedExchangeArea held;
  return held.KeepSection();
}

void CShellHostWin::PostToProgram(uint32_t window, uint32_t message) {
  PostMessageA(reinterpret_cast<HWND>(static_cast<uintptr_t>(window)), message, 1, 0);
}

void CShellHostWin::StartProgram(const std::string& parameters) {
  std::string folder = SetupDirectory();
  if (folder.empty()) return;
  // The full path, so that no other CantaroMaker.exe on the search path is
  // started in its place.
  std::string program = folder + (folder.back() == '\\' ? "" : "\\") + kProgramName;
  HINSTANCE result = ShellExecuteA(nullptr, nullptr, program.c_str(), parameters.empty() ? nullptr : parameters.c_str(),
                                   folder.c_str(), SW_SHOWNORMAL);
  uintptr_t code = reinterpret_cast<uintptr_t>(result);
  if (code > 32) return;
  MessageBoxA(nullptr, LaunchFailedText(static_cast<DWORD>(code)).c_str(), kCaption, MB_OK | MB_ICONINFORMATION);
}

void CShellHostWin::ShowMessage(int stringId) { MessageBoxA(nullptr, ModuleString(stringId).c_str(), kCaption, MB_OK); }
