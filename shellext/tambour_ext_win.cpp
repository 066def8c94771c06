// The in-process server: the module's state, its class factory and the
// four exports the .def file names undecorated.
#include <windows.h>

#include <new>

#include "shellext/context_menu_win.h"
#include "shellext/module_win.h"
#include "shellext/registration_win.h"

namespace {

HINSTANCE g_module = nullptr;
LONG g_uses = 0;  // live objects and server locks

class CClassFactory : public IClassFactory {
 public:
  STDMETHODIMP QueryInterface(REFIID iid, void** object) override {
    if (!object) return E_POINTER;
    *object = nullptr;
    if (!IsEqualIID(iid, IID_IUnknown) && !IsEqualIID(iid, IID_IClassFactory)) return E_NOINTERFACE;
    *object = static_cast<IClassFactory*>(this);
    AddRef();
    return S_OK;
  }
  // The factory is a static object: its references keep the module in use.
  STDMETHODIMP_(ULONG) AddRef() override {
    ModuleAddRef();
    return 2;
  }
  STDMETHODIMP_(ULONG) Release() override {
    ModuleRelease();
    return 1;
  }
  STDMETHODIMP CreateInstance(IUnknown* outer, REFIID iid, void** object) override {
    if (!object) return E_POINTER;
    *object = nullptr;
    if (outer) return CLASS_E_NOAGGREGATION;
    CTambourContextMenu* menu = new (std::nothrow) CTambourContextMenu();
    if (!menu) return E_OUTOFMEMORY;
    HRESULT result = menu->QueryInterface(iid, object);
    menu->Release();
    return result;
  }
  STDMETHODIMP LockServer(BOOL lock) override {
    if (lock)
      ModuleAddRef();
    else
      ModuleRelease();
    return S_OK;
  }
};

CClassFactory g_factory;

}  // namespace

HINSTANCE ModuleInstance() { return g_module; }
void ModuleAddRef() { InterlockedIncrement(&g_uses); }
void ModuleRelease() { InterlockedDecrement(&g_uses); }
LONG ModuleUseCount() { return g_uses; }

std::string ModuleString(int id) {
  char text[512] = {};
  int length = LoadStringA(g_module, static_cast<UINT>(id), text, sizeof(text));
  return std::string(text, length > 0 ? static_cast<size_t>(length) : 0);
}

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
  if (reason == DLL_PROCESS_ATTACH) {
    g_module = instance;
    DisableThreadLibraryCalls(instance);
  }
  return TRUE;
}

extern "C" HRESULT STDAPICALLTYPE DllGetClassObject(REFCLSID clsid, REFIID iid, void** object) {
  if (!object) return E_POINTER;
  *object = nullptr;
  if (!IsEqualCLSID(clsid, kTambourContextMenuClsid)) return CLASS_E_CLASSNOTAVAILABLE;
  return g_factory.QueryInterface(iid, object);
}

extern "C" HRESULT STDAPICALLTYPE DllCanUnloadNow() { return ModuleUseCount() == 0 ? S_OK : S_FALSE; }

extern "C" HRESULT STDAPICALLTYPE DllRegisterServer() { return RegisterExtension(); }

extern "C" HRESULT STDAPICALLTYPE DllUnregisterServer() { return UnregisterExtension(); }
