#include "tests/harness/harness.h"

#include <commctrl.h>
#include <shlwapi.h>
#include <tlhelp32.h>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>

#include "jobs/wav_file.h"
#include "tests/harness/accuraterip_test_server_win.h"

std::string BuildFolder() {
  char path[MAX_PATH] = {};
  GetModuleFileNameA(nullptr, path, MAX_PATH);
  std::string folder = path;
  return folder.substr(0, folder.rfind('\\') + 1);
}

void WriteWaveFile(const std::string& path, const std::vector<int16_t>& samples, uint32_t rate) {
  uint8_t header[44];
  BuildCdAudioHeader(static_cast<uint32_t>(samples.size() * 2), header);
  std::memcpy(header + 24, &rate, 4);
  std::ofstream out(path, std::ios::binary);
  out.write(reinterpret_cast<char*>(header), 44);
  out.write(reinterpret_cast<const char*>(samples.data()), static_cast<std::streamsize>(samples.size() * 2));
}

namespace {

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
  // The program as it is installed: with the encoder libraries beside it.
  for (const char* file : {"CantaroMaker.exe", "CantaroMaker.chm", "LAME_ENC.DLL", "BLADEENC.DLL"})
    CopyFileA((BuildFolder() + file).c_str(), (folder_ + file).c_str(), FALSE);
}

CProgramUnderTest::~CProgramUnderTest() {
  if (process_.hProcess) {
    if (!HasExited()) Kill();
    CloseHandle(process_.hProcess);
    CloseHandle(process_.hThread);
  }
}

bool CProgramUnderTest::Start(const std::string& commandLine, const std::string& workingFolder) {
  std::string line = "\"" + folder_ + "CantaroMaker.exe\"";
  if (!commandLine.empty()) line += " " + commandLine;
  STARTUPINFOA startup = {sizeof(startup)};
  DefaultToLoopbackAccurateRip();
  const std::string& folder = workingFolder.empty() ? folder_ : workingFolder;
  return CreateProcessA(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, folder.c_str(), &startup,
                        &process_) != FALSE;
}

namespace {

DWORD ProcessNamed(const char* name) {
  HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
  if (snapshot == INVALID_HANDLE_VALUE) return 0;
  PROCESSENTRY32 entry = {sizeof(entry)};
  DWORD found = 0;
  for (BOOL more = Process32First(snapshot, &entry); more && !found; more = Process32Next(snapshot, &entry))
    if (lstrcmpiA(entry.szExeFile, name) == 0) found = entry.th32ProcessID;
  CloseHandle(snapshot);
  return found;
}

}  // namespace

bool CProgramUnderTest::AdoptStartedProgram(DWORD milliseconds) {
  DWORD start = GetTickCount();
  do {
    if (DWORD id = ProcessNamed("CantaroMaker.exe")) {
      process_.hProcess = OpenProcess(SYNCHRONIZE | PROCESS_TERMINATE | PROCESS_QUERY_INFORMATION, FALSE, id);
      process_.dwProcessId = id;
      return process_.hProcess != nullptr;
    }
    Sleep(50);
  } while (GetTickCount() - start < milliseconds);
  return false;
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
  value.assign(reinterpret_cast<const char*>(data.data()),
               strnlen(reinterpret_cast<const char*>(data.data()), data.size()));
  return true;
}

void StoreDword(const char* name, DWORD value) {
  HKEY key;
  if (RegCreateKeyExA(HKEY_CURRENT_USER, kProgramKey, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr) !=
      ERROR_SUCCESS)
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

namespace {

struct TitleSearch {
  DWORD processId;
  std::string prefix;
  HWND found;
};

BOOL CALLBACK FindTitled(HWND hwnd, LPARAM param) {
  TitleSearch* search = reinterpret_cast<TitleSearch*>(param);
  DWORD pid = 0;
  GetWindowThreadProcessId(hwnd, &pid);
  if (pid != search->processId || !IsWindowVisible(hwnd)) return TRUE;
  if (WindowText(hwnd).rfind(search->prefix, 0) == 0) {
    search->found = hwnd;
    return FALSE;
  }
  return TRUE;
}

struct DescendantSearch {
  int id;
  HWND found;
};

BOOL CALLBACK FindDescendant(HWND hwnd, LPARAM param) {
  DescendantSearch* search = reinterpret_cast<DescendantSearch*>(param);
  if (GetDlgCtrlID(hwnd) == search->id && IsWindowVisible(hwnd)) {
    search->found = hwnd;
    return FALSE;
  }
  return TRUE;
}

}  // namespace

std::string WindowText(HWND hwnd) {
  char text[512] = {};
  GetWindowTextA(hwnd, text, sizeof(text));
  return text;
}

HWND WaitForWindowTitled(DWORD processId, const std::string& titlePrefix, DWORD milliseconds) {
  DWORD start = GetTickCount();
  do {
    TitleSearch search = {processId, titlePrefix, nullptr};
    EnumWindows(FindTitled, reinterpret_cast<LPARAM>(&search));
    if (search.found) return search.found;
    Sleep(50);
  } while (GetTickCount() - start < milliseconds);
  return nullptr;
}

void ClickButton(HWND dialog, int id) {
  HWND button = GetDlgItem(dialog, id);
  PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(button));
}

HWND FindVisibleDescendant(HWND parent, int id) {
  DescendantSearch search = {id, nullptr};
  EnumChildWindows(parent, FindDescendant, reinterpret_cast<LPARAM>(&search));
  return search.found;
}

bool SaveScreenshot(const std::string& path) {
  int width = GetSystemMetrics(SM_CXSCREEN), height = GetSystemMetrics(SM_CYSCREEN);
  HDC screen = GetDC(nullptr);
  HDC memory = CreateCompatibleDC(screen);
  BITMAPINFO info = {};
  info.bmiHeader.biSize = sizeof(info.bmiHeader);
  info.bmiHeader.biWidth = width;
  info.bmiHeader.biHeight = height;
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 24;
  void* bits = nullptr;
  HBITMAP bitmap = CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  HGDIOBJ old = SelectObject(memory, bitmap);
  BitBlt(memory, 0, 0, width, height, screen, 0, 0, SRCCOPY);
  GdiFlush();
  DWORD rowBytes = (static_cast<DWORD>(width) * 3 + 3) & ~3u;
  DWORD imageBytes = rowBytes * static_cast<DWORD>(height);
  BITMAPFILEHEADER file = {};
  file.bfType = 0x4D42;
  file.bfOffBits = sizeof(file) + sizeof(info.bmiHeader);
  file.bfSize = file.bfOffBits + imageBytes;
  bool ok = false;
  if (FILE* out = std::fopen(path.c_str(), "wb")) {
    ok = std::fwrite(&file, sizeof(file), 1, out) == 1 &&
         std::fwrite(&info.bmiHeader, sizeof(info.bmiHeader), 1, out) == 1 &&
         std::fwrite(bits, imageBytes, 1, out) == 1;
    std::fclose(out);
  }
  SelectObject(memory, old);
  DeleteObject(bitmap);
  DeleteDC(memory);
  ReleaseDC(nullptr, screen);
  return ok;
}

std::string ArtifactFolder() {
  char folder[MAX_PATH] = {};
  if (GetEnvironmentVariableA("CANTARO_ARTIFACTS", folder, sizeof(folder)) == 0) GetTempPathA(MAX_PATH, folder);
  std::string result = folder;
  if (!result.empty() && result.back() != '\\') result += "\\";
  std::error_code ignored;
  std::filesystem::create_directories(result, ignored);
  return result;
}

void StoreString(const char* name, const std::string& value) {
  HKEY key;
  if (RegCreateKeyExA(HKEY_CURRENT_USER, kProgramKey, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr) !=
      ERROR_SUCCESS)
    return;
  RegSetValueExA(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                 static_cast<DWORD>(value.size() + 1));
  RegCloseKey(key);
}

int TrackRowCount(HWND mainWindow) {
  return static_cast<int>(SendDlgItemMessageA(mainWindow, 1200, 0x1004 /* LVM_GETITEMCOUNT */, 0, 0));
}

std::string ListBoxText(HWND list, int index) {
  wchar_t wide[1024] = {};
  SendMessageW(list, LB_GETTEXT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(wide));
  char text[1024] = {};
  WideCharToMultiByte(CP_ACP, 0, wide, -1, text, sizeof(text), nullptr, nullptr);
  return text;
}

namespace {

// Sends a list-view message whose LVITEM must lie in the list's own
// process: the item (and a text buffer after it) is copied there and back.
std::string SendRemoteListItem(HWND list, UINT message, int row, LVITEMA item) {
  DWORD pid = 0;
  GetWindowThreadProcessId(list, &pid);
  HANDLE process = OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_READ | PROCESS_VM_WRITE, FALSE, pid);
  if (!process) return std::string();
  const size_t textBytes = 512;
  char* remote =
      static_cast<char*>(VirtualAllocEx(process, nullptr, sizeof(LVITEMA) + textBytes, MEM_COMMIT, PAGE_READWRITE));
  std::string result;
  if (remote) {
    item.pszText = remote + sizeof(LVITEMA);
    item.cchTextMax = static_cast<int>(textBytes);
    WriteProcessMemory(process, remote, &item, sizeof(item), nullptr);
    SendMessageA(list, message, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(remote));
    char text[512] = {};
    ReadProcessMemory(process, remote + sizeof(LVITEMA), text, sizeof(text) - 1, nullptr);
    result = text;
    VirtualFreeEx(process, remote, 0, MEM_RELEASE);
  }
  CloseHandle(process);
  return result;
}

}  // namespace

int ListViewStringWidth(HWND list, const std::string& text) {
  // The string must lie in the list's own process, as the item above.
  DWORD pid = 0;
  GetWindowThreadProcessId(list, &pid);
  HANDLE process = OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_WRITE, FALSE, pid);
  if (!process) return -1;
  int width = -1;
  if (void* remote = VirtualAllocEx(process, nullptr, text.size() + 1, MEM_COMMIT, PAGE_READWRITE)) {
    WriteProcessMemory(process, remote, text.c_str(), text.size() + 1, nullptr);
    width = static_cast<int>(SendMessageA(list, LVM_GETSTRINGWIDTHA, 0, reinterpret_cast<LPARAM>(remote)));
    VirtualFreeEx(process, remote, 0, MEM_RELEASE);
  }
  CloseHandle(process);
  return width;
}

std::string ListViewText(HWND list, int row, int column) {
  LVITEMA item = {};
  item.iSubItem = column;
  return SendRemoteListItem(list, LVM_GETITEMTEXTA, row, item);
}

std::vector<std::string> LogLinesFromErrorPanel(DWORD processId, HWND window) {
  std::vector<std::string> lines;
  HWND viewLog = FindVisibleDescendant(window, 1132);
  if (!viewLog) return lines;
  PostMessageA(GetParent(viewLog), WM_COMMAND, MAKEWPARAM(1132, BN_CLICKED), reinterpret_cast<LPARAM>(viewLog));
  HWND log = WaitForWindowTitled(processId, "Cantaro Maker Log", 10000);
  if (!log) return lines;
  HWND list = GetDlgItem(log, 1002);
  int count = static_cast<int>(SendMessageA(list, LB_GETCOUNT, 0, 0));
  for (int i = 0; i < count; ++i) lines.push_back(ListBoxText(list, i));
  ClickButton(log, IDOK);
  return lines;
}

void SetListRowState(HWND list, int row, UINT state, UINT mask) {
  LVITEMA item = {};
  item.mask = LVIF_STATE;
  item.state = state;
  item.stateMask = mask;
  SendRemoteListItem(list, LVM_SETITEMSTATE, row, item);
}

void HighlightListRow(HWND list, int row) { SetListRowState(list, row, 0x3, 0x3); }  // focused, selected

void CheckListRow(HWND list, int row, bool checked) {
  // The state image: 1 unchecked, 2 checked.
  SetListRowState(list, row, (checked ? 2u : 1u) << 12, 0xF000);
}

std::string ClipboardText() {
  if (!OpenClipboard(nullptr)) return "<none>";
  std::string text = "<none>";
  if (HANDLE data = GetClipboardData(CF_TEXT)) {
    const char* p = static_cast<const char*>(GlobalLock(data));
    if (p) text = p;
    GlobalUnlock(data);
  }
  CloseClipboard();
  return text;
}

bool ChooseFilesInDialog(DWORD processId, const std::string& title, const std::string& names) {
  HWND dialog = WaitForWindowTitled(processId, title, 30000);
  if (!dialog) return false;
  // The explorer-style dialog names its file field cmb13 (0x47C) or edt1 (0x480).
  HWND field = GetDlgItem(dialog, 0x47C);
  if (!field) field = GetDlgItem(dialog, 0x480);
  if (!field) return false;
  SendMessageA(field, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(names.c_str()));
  ClickButton(dialog, IDOK);
  return true;
}
