#include "tests/harness/harness.h"

#include <shlwapi.h>

#include <cstdio>
#include <filesystem>

namespace {

std::string BuildFolder() {
  char path[MAX_PATH] = {};
  GetModuleFileNameA(nullptr, path, MAX_PATH);
  std::string folder = path;
  return folder.substr(0, folder.rfind('\\') + 1);
}

struct WindowSearch {
  DWORD processId;
  bool wantMessageBox;
  HWND found;
};

std::string ClassOf(HWND hwnd) {
  char name[64] = {};
  GetClassNameA(hwnd, name, sizeof(name));
  return name;
}

BOOL CALLBACK FindWindowOfProcess(HWND hwnd, LPARAM param) {
  WindowSearch* search = reinterpret_cast<WindowSearch*>(param);
  DWORD pid = 0;
  GetWindowThreadProcessId(hwnd, &pid);
  if (pid != search->processId || !IsWindowVisible(hwnd) || ClassOf(hwnd) != "#32770") return TRUE;
  // A message box carries its text in the static control 0xFFFF; the main
  // window carries the track list.
  bool isMessageBox = GetDlgItem(hwnd, 0xFFFF) != nullptr;
  bool isMainWindow = GetDlgItem(hwnd, 1200) != nullptr;
  if ((search->wantMessageBox && isMessageBox) || (!search->wantMessageBox && isMainWindow)) {
    search->found = hwnd;
    return FALSE;
  }
  return TRUE;
}

HWND FindVisibleWindow(DWORD pid, bool messageBox) {
  WindowSearch search = {pid, messageBox, nullptr};
  EnumWindows(FindWindowOfProcess, reinterpret_cast<LPARAM>(&search));
  return search.found;
}

}  // namespace

CProgramUnderTest::CProgramUnderTest(const std::string& name) {
  char temp[MAX_PATH] = {};
  GetTempPathA(MAX_PATH, temp);
  folder_ = std::string(temp) + "cantaro-e2e-" + std::to_string(GetCurrentProcessId()) + "\\" + name + "\\";
  std::error_code ignored;
  std::filesystem::remove_all(folder_, ignored);
  std::filesystem::create_directories(folder_, ignored);
  CopyFileA((BuildFolder() + "CantaroMaker.exe").c_str(), (folder_ + "CantaroMaker.exe").c_str(), FALSE);
}

CProgramUnderTest::~CProgramUnderTest() {
  if (process_.hProcess) {
    if (!HasExited()) Kill();
    CloseHandle(process_.hProcess);
    CloseHandle(process_.hThread);
  }
}

bool CProgramUnderTest::Start(const std::string& commandLine) {
  std::string line = "\"" + folder_ + "CantaroMaker.exe\"";
  if (!commandLine.empty()) line += " " + commandLine;
  STARTUPINFOA startup = {sizeof(startup)};
  return CreateProcessA(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, folder_.c_str(),
                        &startup, &process_) != FALSE;
}

bool CProgramUnderTest::WaitForExit(DWORD milliseconds) {
  return process_.hProcess && WaitForSingleObject(process_.hProcess, milliseconds) == WAIT_OBJECT_0;
}

bool CProgramUnderTest::HasExited() { return WaitForExit(0); }

void CProgramUnderTest::Kill() {
  TerminateProcess(process_.hProcess, 1);
  WaitForExit(5000);
}

HWND CProgramUnderTest::WaitForMainWindow(DWORD milliseconds) {
  DWORD start = GetTickCount();
  do {
    if (HWND hwnd = FindVisibleWindow(ProcessId(), false)) return hwnd;
    Sleep(50);
  } while (GetTickCount() - start < milliseconds && !HasExited());
  return nullptr;
}

std::string CProgramUnderTest::WaitForMessageBox(DWORD milliseconds, bool answer) {
  DWORD start = GetTickCount();
  do {
    if (HWND box = FindVisibleWindow(ProcessId(), true)) {
      char text[1024] = {};
      GetDlgItemTextA(box, 0xFFFF, text, sizeof(text));
      if (answer) {
        PostMessageA(box, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(box, IDOK)));
        // Wait until it is gone so the next search does not find it again.
        for (int i = 0; i < 100 && IsWindow(box) && IsWindowVisible(box); ++i) Sleep(20);
      }
      return text;
    }
    Sleep(50);
  } while (GetTickCount() - start < milliseconds && !HasExited());
  return std::string();
}

std::vector<std::string> CProgramUnderTest::AnswerBoxesUntilMainWindow(DWORD milliseconds, HWND* mainWindow) {
  std::vector<std::string> texts;
  DWORD start = GetTickCount();
  *mainWindow = nullptr;
  while (GetTickCount() - start < milliseconds && !HasExited()) {
    std::string text = WaitForMessageBox(100);
    if (!text.empty()) texts.push_back(text);
    if (HWND hwnd = FindVisibleWindow(ProcessId(), false)) {
      // Boxes shown during start-up come before the window: one more look.
      std::string late = WaitForMessageBox(300);
      if (!late.empty()) texts.push_back(late);
      *mainWindow = hwnd;
      break;
    }
  }
  return texts;
}

void DeleteProgramKey() { SHDeleteKeyA(HKEY_CURRENT_USER, kProgramKey); }

namespace {

bool ReadStored(const char* name, DWORD wantedType, std::vector<BYTE>& data) {
  HKEY key;
  if (RegOpenKeyExA(HKEY_CURRENT_USER, kProgramKey, 0, KEY_READ, &key) != ERROR_SUCCESS) return false;
  DWORD type = 0, size = 0;
  bool ok = RegQueryValueExA(key, name, nullptr, &type, nullptr, &size) == ERROR_SUCCESS && type == wantedType;
  if (ok) {
    data.resize(size);
    ok = RegQueryValueExA(key, name, nullptr, &type, data.data(), &size) == ERROR_SUCCESS;
  }
  RegCloseKey(key);
  return ok;
}

}  // namespace

bool ReadStoredDword(const char* name, DWORD& value) {
  std::vector<BYTE> data;
  if (!ReadStored(name, REG_DWORD, data) || data.size() != 4) return false;
  memcpy(&value, data.data(), 4);
  return true;
}

bool ReadStoredString(const char* name, std::string& value) {
  std::vector<BYTE> data;
  if (!ReadStored(name, REG_SZ, data)) return false;
  value.assign(reinterpret_cast<const char*>(data.data()), strnlen(reinterpret_cast<const char*>(data.data()), data.size()));
  return true;
}

void StoreDword(const char* name, DWORD value) {
  HKEY key;
  if (RegCreateKeyExA(HKEY_CURRENT_USER, kProgramKey, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr) != ERROR_SUCCESS)
    return;
  RegSetValueExA(key, name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value), sizeof(value));
  RegCloseKey(key);
}

std::vector<std::string> StoredValueNames() {
  std::vector<std::string> names;
  HKEY key;
  if (RegOpenKeyExA(HKEY_CURRENT_USER, kProgramKey, 0, KEY_READ, &key) != ERROR_SUCCESS) return names;
  for (DWORD i = 0;; ++i) {
    char name[256];
    DWORD length = sizeof(name);
    if (RegEnumValueA(key, i, name, &length, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) break;
    names.emplace_back(name, length);
  }
  RegCloseKey(key);
  return names;
}

bool FolderExists(const std::string& path) {
  DWORD attributes = GetFileAttributesA(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}
