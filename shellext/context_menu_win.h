#pragma once
// The COM object Explorer creates for one context menu (or one drop menu
// of a right-drag): IShellExtInit examines the selection, IContextMenu
// offers the item and sends the request.
#include <windows.h>
#include <shellapi.h>
#include <shlobj.h>

#include <string>

#include "shellext/shell_selection.h"

// {B17213F3-499E-11D4-9FC1-5254ABDF26FA}
inline constexpr CLSID kTambourContextMenuClsid = {
    0xB17213F3, 0x499E, 0x11D4, {0x9F, 0xC1, 0x52, 0x54, 0xAB, 0xDF, 0x26, 0xFA}};

class CTambourContextMenu : public IShellExtInit, public IContextMenu {
 public:
  CTambourContextMenu();
  CTambourContextMenu(const CTambourContextMenu&) = delete;
  CTambourContextMenu& operator=(const CTambourContextMenu&) = delete;

  // IUnknown
  STDMETHODIMP QueryInterface(REFIID iid, void** object) override;
  STDMETHODIMP_(ULONG) AddRef() override;
  STDMETHODIMP_(ULONG) Release() override;
  // IShellExtInit
  STDMETHODIMP Initialize(LPCITEMIDLIST folder, IDataObject* data, HKEY programKey) override;
  // IContextMenu
  STDMETHODIMP QueryContextMenu(HMENU menu, UINT position, UINT firstId, UINT lastId, UINT flags) override;
  STDMETHODIMP InvokeCommand(LPCMINVOKECOMMANDINFO info) override;
  STDMETHODIMP GetCommandString(UINT_PTR command, UINT type, UINT* reserved, LPSTR name, UINT size) override;

 private:
  virtual ~CTambourContextMenu();
  HRESULT ExamineDrop(HDROP drop);
  HRESULT CopyHelpText(UINT type, LPSTR buffer, UINT size);

  LONG references_ = 1;
  SHELL_SELECTION selection_;
  std::string targetFolder_;
};
