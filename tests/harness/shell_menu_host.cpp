// Shows the context menu of files the way Windows Explorer builds it, for
// shells that load no context-menu handlers (Wine's Explorer builds its
// item menu from shell32's own entries alone): the handlers registered
// under the file type's shellex\ContextMenuHandlers key are created,
// initialised with the selection and asked for their items, the menu pops
// up at a point, and the chosen item is invoked. The status line (the help
// text of the item under the mouse) is printed. Afterwards the host lingers
// a while, as Explorer stays: a handler may hold shared memory for a
// program it started.
// Usage: shell_menu_host X Y LINGER_SECONDS FILE...
#include <windows.h>
#include <shlobj.h>
#include <shlwapi.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "tests/harness/drop_data_win.h"

namespace {

const UINT kFirstHandlerId = 100;

struct HANDLER {
  IContextMenu* menu = nullptr;
  UINT first = 0;
  UINT count = 0;
};

std::vector<HANDLER> g_handlers;

std::string FileType(const std::string& path) {
  std::string extension = PathFindExtensionA(path.c_str());
  char type[256] = {};
  DWORD size = sizeof(type);
  if (SHGetValueA(HKEY_CLASSES_ROOT, extension.c_str(), "", nullptr, type, &size) != ERROR_SUCCESS) return "";
  return type;
}

// The CLSIDs of the handlers registered for a file type.
std::vector<CLSID> HandlerClasses(const std::string& fileType) {
  std::vector<CLSID> classes;
  HKEY key = nullptr;
  std::string path = fileType + "\\shellex\\ContextMenuHandlers";
  if (RegOpenKeyExA(HKEY_CLASSES_ROOT, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) return classes;
  for (DWORD i = 0; i < 32; ++i) {
    char name[256] = {};
    DWORD length = sizeof(name);
    if (RegEnumKeyExA(key, i, name, &length, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) break;
    char value[64] = {};
    DWORD size = sizeof(value);
    if (SHGetValueA(key, name, "", nullptr, value, &size) != ERROR_SUCCESS) continue;
    WCHAR wide[64] = {};
    MultiByteToWideChar(CP_ACP, 0, value, -1, wide, 64);
    CLSID clsid;
    if (SUCCEEDED(CLSIDFromString(wide, &clsid))) classes.push_back(clsid);
  }
  RegCloseKey(key);
  return classes;
}

void AddHandlerItems(HMENU menu, const std::vector<std::string>& paths) {
  UINT next = kFirstHandlerId;
  for (const CLSID& clsid : HandlerClasses(FileType(paths.front()))) {
    IShellExtInit* init = nullptr;
    if (FAILED(
            CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, IID_IShellExtInit, reinterpret_cast<void**>(&init))))
      continue;
    CDropData* data = new CDropData(paths);
    HRESULT initialised = init->Initialize(nullptr, data, nullptr);
    data->Release();
    HANDLER handler;
    if (SUCCEEDED(initialised)) init->QueryInterface(IID_IContextMenu, reinterpret_cast<void**>(&handler.menu));
    init->Release();
    if (!handler.menu) continue;
    HRESULT added = handler.menu->QueryContextMenu(menu, 2, next, next + 99, CMF_NORMAL);
    handler.first = next;
    handler.count = SUCCEEDED(added) ? HRESULT_CODE(added) : 0;
    next += 100;
    g_handlers.push_back(handler);
  }
}

const HANDLER* HandlerOf(UINT id) {
  for (const HANDLER& handler : g_handlers)
    if (id >= handler.first && id < handler.first + handler.count) return &handler;
  return nullptr;
}

LRESULT CALLBACK OwnerProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_MENUSELECT) {
    UINT id = LOWORD(wParam);
    if (const HANDLER* handler = HandlerOf(id)) {
      char help[256] = {};
      handler->menu->GetCommandString(id - handler->first, GCS_HELPTEXTA, nullptr, help, sizeof(help));
      std::printf("status: %s\n", help);
      std::fflush(stdout);
    }
  }
  return DefWindowProcA(window, message, wParam, lParam);
}

void Linger(DWORD seconds) {
  DWORD start = GetTickCount();
  while (GetTickCount() - start < seconds * 1000) {
    MSG message;
    while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&message);
    Sleep(50);
  }
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 5) {
    std::fprintf(stderr, "usage: shell_menu_host X Y LINGER_SECONDS FILE...\n");
    return 2;
  }
  std::vector<std::string> paths(argv + 4, argv + argc);
  CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
  WNDCLASSA windowClass = {};
  windowClass.lpfnWndProc = OwnerProc;
  windowClass.hInstance = GetModuleHandleA(nullptr);
  windowClass.lpszClassName = "ShellMenuHost";
  RegisterClassA(&windowClass);
  HWND owner = CreateWindowA("ShellMenuHost", "Shell menu host", WS_POPUP, 0, 0, 1, 1, nullptr, nullptr,
                             windowClass.hInstance, nullptr);
  HMENU menu = CreatePopupMenu();
  AppendMenuA(menu, MF_STRING, 1, "&Open");
  AppendMenuA(menu, MF_SEPARATOR, 0, nullptr);
  AddHandlerItems(menu, paths);
  AppendMenuA(menu, MF_SEPARATOR, 0, nullptr);
  AppendMenuA(menu, MF_STRING, 2, "P&roperties");
  ShowWindow(owner, SW_SHOW);
  SetForegroundWindow(owner);
  UINT chosen =
      TrackPopupMenu(menu, TPM_RETURNCMD | TPM_RIGHTBUTTON, std::atoi(argv[1]), std::atoi(argv[2]), 0, owner, nullptr);
  std::printf("chosen: %u\n", chosen);
  if (const HANDLER* handler = HandlerOf(chosen)) {
    CMINVOKECOMMANDINFO info = {sizeof(info)};
    info.hwnd = owner;
    info.lpVerb = MAKEINTRESOURCEA(chosen - handler->first);
    info.nShow = SW_SHOWNORMAL;
    std::printf("invoked: 0x%08lx\n", static_cast<unsigned long>(handler->menu->InvokeCommand(&info)));
  }
  std::fflush(stdout);
  Linger(static_cast<DWORD>(std::atoi(argv[3])));
  for (HANDLER& handler : g_handlers) handler.menu->Release();
  DestroyMenu(menu);
  DestroyWindow(owner);
  CoUninitialize();
  return 0;
}
