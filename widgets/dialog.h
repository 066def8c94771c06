#pragma once
// Our small dialog framework. A dialog owns its HWND, keeps `this` from
// WM_INITDIALOG on, and routes messages and command identifiers to typed
// handler methods through a per-class table (its message map).
#include <windows.h>

#include <cstddef>
#include <string>

class CDialog;

// One line of a message map: a window message, or for WM_COMMAND a command
// identifier, to a handler. The handler's return value is the message
// result.
template <class T>
struct MESSAGE_MAP_ENTRY {
  UINT message;
  UINT commandId;  // WM_COMMAND and WM_NOTIFY entries: the control or command id
  LRESULT (T::*handler)(WPARAM wParam, LPARAM lParam);
};

class CDialog {
 public:
  CDialog(UINT templateId, HWND owner) : templateId_(templateId), owner_(owner) {}
  virtual ~CDialog();
  CDialog(const CDialog&) = delete;
  CDialog& operator=(const CDialog&) = delete;

  // Runs the dialog in its own modal loop and returns the end code. A
  // template without WS_VISIBLE is shown once the queue is first idle.
  INT_PTR DoModal();
  // Creates a modeless dialog (child pages, panels); false on failure.
  bool Create(HWND parent);
  void EndDialog(INT_PTR result);
  void Destroy();

  HWND Handle() const { return hwnd_; }
  HWND Item(int id) const { return GetDlgItem(hwnd_, id); }
  HWND Owner() const { return owner_; }
  void SetOwner(HWND owner) { owner_ = owner; }

 protected:
  virtual BOOL OnInitDialog() { return TRUE; }
  virtual void OnOK() { EndDialog(IDOK); }
  virtual void OnCancel() { EndDialog(IDCANCEL); }
  virtual void OnDestroy() {}
  // Called for every message of the modal loop before the dialog manager
  // sees it; true when it was consumed (accelerators).
  virtual bool PreTranslateMessage(MSG& msg) { return false; }
  // Derived classes route to their map here; true when handled.
  virtual bool HandleMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) { return false; }

  template <class T, size_t N>
  static bool Route(T* self, const MESSAGE_MAP_ENTRY<T> (&map)[N], UINT message, WPARAM wParam, LPARAM lParam,
                    LRESULT& result) {
    UINT id = 0;
    if (message == WM_COMMAND) id = LOWORD(wParam);
    if (message == WM_NOTIFY) id = static_cast<UINT>(reinterpret_cast<NMHDR*>(lParam)->idFrom);
    for (const MESSAGE_MAP_ENTRY<T>& entry : map) {
      if (entry.message != message) continue;
      if ((message == WM_COMMAND || message == WM_NOTIFY) && entry.commandId != id) continue;
      result = (self->*entry.handler)(wParam, lParam);
      return true;
    }
    return false;
  }

 private:
  static INT_PTR CALLBACK DialogProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
  INT_PTR Dispatch(UINT message, WPARAM wParam, LPARAM lParam);
  void RunModalLoop();

  UINT templateId_;
  HWND owner_;
  HWND hwnd_ = nullptr;
  bool modal_ = false;
  bool ended_ = false;
  INT_PTR endCode_ = 0;
};

// Resource helpers.
std::string LoadResourceString(UINT id);
// The whole text of a control or window of this process.
std::string ControlText(HWND control);
// The caption of every message box below; the program sets its name once.
void SetMessageCaption(const std::string& caption);
// A message box with the text of string-table entry id.
int ShowMessage(HWND owner, UINT stringId, UINT type = MB_OK);
int ShowMessageText(HWND owner, const std::string& text, UINT type = MB_OK);
