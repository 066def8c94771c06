#include "shellext/context_menu_win.h"

#include <shellapi.h>

#include <new>
#include <vector>

#include "shellext/module_win.h"
#include "shellext/shell_host_win.h"
#include "shellext/shell_requests.h"

CTambourContextMenu::CTambourContextMenu() { ModuleAddRef(); }

CTambourContextMenu::~CTambourContextMenu() { ModuleRelease(); }

STDMETHODIMP CTambourContextMenu::QueryInterface(REFIID iid, void** object) {
  if (!object) return E_POINTER;
  *object = nullptr;
  if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IShellExtInit))
    *object = static_cast<IShellExtInit*>(this);
  else if (IsEqualIID(iid, IID_IContextMenu))
    *object = static_cast<IContextMenu*>(this);
  else
    return E_NOINTERFACE;
  AddRef();
  return S_OK;
}

STDMETHODIMP_(ULONG) CTambourContextMenu::AddRef() { return static_cast<ULONG>(InterlockedIncrement(&references_)); }

STDMETHODIMP_(ULONG) CTambourContextMenu::Release() {
  LONG left = InterlockedDecrement(&references_);
  if (left == 0) delete this;
  return static_cast<ULONG>(left);
}

namespace {

// The folder of a right-drag's drop target, "" when there is none or it is
// no file-system folder.
std::string FolderPath(LPCITEMIDLIST folder) {
  char path[MAX_PATH] = {};
  if (!folder || !SHGetPathFromIDListA(folder, path)) return "";
  return std::string(path, strnlen(path, MAX_PATH));
}

// The dropped paths; false when one does not fit the area's slots.
bool DroppedPaths(HDROP drop, UINT count, std::vector<std::string>& paths) {
  for (UINT i = 0; i < count; ++i) {
    UINT length = DragQueryFileA(drop, i, nullptr, 0);
    if (length == 0 || length > kMaxSelectedPath) return false;
    std::string path(length + 1, '\0');
    if (DragQueryFileA(drop, i, path.data(), length + 1) != length) return false;
    path.resize(length);
    paths.push_back(path);
  }
  return true;
}

}  // namespace

HRESULT CTambourContextMenu::ExamineDrop(HDROP drop) {
  UINT count = DragQueryFileA(drop, 0xFFFFFFFF, nullptr, 0);
  // The count is checked before a single name is fetched.
  if (count < 1 || count > kMaxSelectedFiles) return E_FAIL;
  std::vector<std::string> paths;
  if (!DroppedPaths(drop, count, paths)) return E_FAIL;
  CShellFilesWin files;
  return ExamineSelection(paths, files, selection_) ? S_OK : E_FAIL;
}

STDMETHODIMP CTambourContextMenu::Initialize(LPCITEMIDLIST folder, IDataObject* data, HKEY programKey) {
  try {
    if (!data) return E_FAIL;
    FORMATETC format = {CF_HDROP, nullptr, DVASPECT_CONTENT, -1, TYMED_HGLOBAL};
    STGMEDIUM medium = {};
    if (FAILED(data->GetData(&format, &medium))) return E_FAIL;
    selection_ = SHELL_SELECTION();
    targetFolder_ = FolderPath(folder);
    HRESULT result = E_FAIL;
    if (HDROP drop = static_cast<HDROP>(GlobalLock(medium.hGlobal))) {
      result = ExamineDrop(drop);
      GlobalUnlock(medium.hGlobal);
    }
    ReleaseStgMedium(&medium);
    return result;
  } catch (...) {
    selection_.valid = false;
    return E_FAIL;
  }
}

STDMETHODIMP CTambourContextMenu::QueryContextMenu(HMENU menu, UINT position, UINT firstId, UINT lastId, UINT flags) {
  if (!selection_.valid) return MAKE_HRESULT(SEVERITY_SUCCESS, 0, 0);
  if (!InsertMenuA(menu, position, MF_BYPOSITION | MF_STRING, firstId, MenuText(selection_.kind)))
    return HRESULT_FROM_WIN32(GetLastError());
  return MAKE_HRESULT(SEVERITY_SUCCESS, 0, 1);
}

STDMETHODIMP CTambourContextMenu::InvokeCommand(LPCMINVOKECOMMANDINFO info) {
  // A verb given as text is a pointer, not our offset 0, whatever its low bits.
  if (!info || !IS_INTRESOURCE(info->lpVerb) || LOWORD(reinterpret_cast<uintptr_t>(info->lpVerb)) != 0) return S_OK;
  try {
    CShellHostWin host;
    SendSelection(host, selection_, targetFolder_);
  } catch (...) {
    // Explorer must not see an exception; the request is simply not sent.
  }
  return S_OK;
}

HRESULT CTambourContextMenu::CopyHelpText(UINT type, LPSTR buffer, UINT size) {
  // No room even for the terminator: there is nothing that can be written.
  if (!buffer || size == 0) return E_INVALIDARG;
  const char* text = HelpText(selection_.kind);
  if (type == GCS_HELPTEXTA) {
    lstrcpynA(buffer, text, static_cast<int>(size));
    buffer[size - 1] = '\0';
    return S_OK;
  }
  // The wide form counts characters, not bytes.
  WCHAR* wide = reinterpret_cast<WCHAR*>(buffer);
  std::wstring converted(text, text + lstrlenA(text));
  lstrcpynW(wide, converted.c_str(), static_cast<int>(size));
  wide[size - 1] = L'\0';
  return S_OK;
}

STDMETHODIMP CTambourContextMenu::GetCommandString(UINT_PTR command, UINT type, UINT* reserved, LPSTR name, UINT size) {
  switch (type) {
    case GCS_HELPTEXTA:
    case GCS_HELPTEXTW: return command == 0 ? CopyHelpText(type, name, size) : E_INVALIDARG;
    case GCS_VALIDATEA: return S_OK;
    default: return E_INVALIDARG;
  }
}
