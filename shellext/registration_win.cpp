#include "shellext/registration_win.h"

#include <olectl.h>
#include <shlwapi.h>

#include <string>
#include <vector>

#include "platform/registry_key_win.h"
#include "shellext/module_win.h"

namespace {

constexpr const char* kClsidText = "{B17213F3-499E-11D4-9FC1-5254ABDF26FA}";
constexpr const char* kDescription = "TambourContextMenu Class";
constexpr const char* kProgId = "TambourExt.TambourContextMenu.1";
constexpr const char* kIndependentProgId = "TambourExt.TambourContextMenu";
constexpr const char* kHandlerName = "TambourExt";
constexpr const char* kDragDropHandlers = "Directory\\shellex\\DragDropHandlers";
constexpr const char* kExtensions[] = {".cda", ".mp3", ".wav"};
constexpr size_t kFileTypeBytes = 255;  // at most 254 characters

struct CLASS_VALUE {
  std::string key;  // under HKEY_CLASSES_ROOT
  const char* name;
  std::string value;
};

std::string ModulePath() {
  char path[MAX_PATH] = {};
  DWORD length = GetModuleFileNameA(ModuleInstance(), path, MAX_PATH);
  return length < MAX_PATH ? std::string(path, length) : "";
}

// What the class's registry script holds.
std::vector<CLASS_VALUE> ClassValues(const std::string& modulePath) {
  std::string clsidKey = std::string("CLSID\\") + kClsidText;
  return {
      {clsidKey, "", kDescription},
      {clsidKey + "\\ProgID", "", kProgId},
      {clsidKey + "\\VersionIndependentProgID", "", kIndependentProgId},
      {clsidKey + "\\InprocServer32", "", modulePath},
      {clsidKey + "\\InprocServer32", "ThreadingModel", "Apartment"},
      {clsidKey + "\\Programmable", nullptr, ""},
      {kProgId, "", kDescription},
      {std::string(kProgId) + "\\CLSID", "", kClsidText},
      {kIndependentProgId, "", kDescription},
      {std::string(kIndependentProgId) + "\\CLSID", "", kClsidText},
      {std::string(kIndependentProgId) + "\\CurVer", "", kProgId},
  };
}

// A key with no value (name nullptr) or with one string value.
bool WriteClassValue(const CLASS_VALUE& entry) {
  if (entry.name) return CWin32RegistryKey(HKEY_CLASSES_ROOT, entry.key).SetString(entry.name, entry.value);
  HKEY key = nullptr;
  if (RegCreateKeyExA(HKEY_CLASSES_ROOT, entry.key.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_WRITE, nullptr,
                      &key, nullptr) != ERROR_SUCCESS)
    return false;
  RegCloseKey(key);
  return true;
}

// The file type an extension belongs to, "" when it has none.
std::string FileType(const char* extension) {
  std::string type;
  if (CWin32RegistryKey(HKEY_CLASSES_ROOT, extension).QueryString("", kFileTypeBytes, type) != RegistryRead::Ok)
    return "";
  return type;
}

std::string ContextMenuHandlers(const std::string& fileType) { return fileType + "\\shellex\\ContextMenuHandlers"; }

// Removes handlers\TambourExt and then the parents registration may have
// created, as far as they are empty. A key that is not there is no failure.
bool RemoveHandler(const std::string& handlers) {
  DWORD status = SHDeleteKeyA(HKEY_CLASSES_ROOT, (handlers + "\\" + kHandlerName).c_str());
  if (status != ERROR_SUCCESS && status != ERROR_FILE_NOT_FOUND) return false;
  SHDeleteEmptyKeyA(HKEY_CLASSES_ROOT, handlers.c_str());
  SHDeleteEmptyKeyA(HKEY_CLASSES_ROOT, handlers.substr(0, handlers.rfind('\\')).c_str());
  return true;
}

bool RemoveKey(const std::string& key) {
  DWORD status = SHDeleteKeyA(HKEY_CLASSES_ROOT, key.c_str());
  return status == ERROR_SUCCESS || status == ERROR_FILE_NOT_FOUND;
}

}  // namespace

HRESULT RegisterExtension() {
  std::string modulePath = ModulePath();
  if (modulePath.empty()) return SELFREG_E_CLASS;
  for (const CLASS_VALUE& entry : ClassValues(modulePath))
    if (!WriteClassValue(entry)) return SELFREG_E_CLASS;
  // An extension without a file type gets no handler, but the others still
  // do; any write that fails fails the registration.
  bool written = true;
  for (const char* extension : kExtensions) {
    std::string fileType = FileType(extension);
    if (fileType.empty()) continue;
    std::string handler = ContextMenuHandlers(fileType) + "\\" + kHandlerName;
    written = CWin32RegistryKey(HKEY_CLASSES_ROOT, handler).SetString("", kClsidText) && written;
  }
  std::string dragDrop = std::string(kDragDropHandlers) + "\\" + kHandlerName;
  written = CWin32RegistryKey(HKEY_CLASSES_ROOT, dragDrop).SetString("", kClsidText) && written;
  return written ? S_OK : SELFREG_E_CLASS;
}

HRESULT UnregisterExtension() {
  bool removed = RemoveKey(std::string("CLSID\\") + kClsidText) && RemoveKey(kProgId) && RemoveKey(kIndependentProgId);
  for (const char* extension : kExtensions) {
    std::string fileType = FileType(extension);
    if (!fileType.empty()) removed = RemoveHandler(ContextMenuHandlers(fileType)) && removed;
  }
  removed = RemoveHandler(kDragDropHandlers) && removed;
  return removed ? S_OK : SELFREG_E_CLASS;
}
