#pragma once
// The main window's skin: the painted frame and its controls' colours, the
// layout of every control for the client size, dragging and resizing by
// the frame, the skinned buttons and the emulated menu bar with the hook
// that slides from one open menu to another. It lives on the main window's
// handle and sees its messages first.
#include <windows.h>

#include <string>

#include "app/main_layout.h"
#include "widgets/skin_buttons.h"

class CTrackList;
class CAppSettings;

class CSkinFrame {
 public:
  CSkinFrame(const CAppSettings& settings, CTrackList& list) : settings_(settings), list_(list) {}
  CSkinFrame(const CSkinFrame&) = delete;
  CSkinFrame& operator=(const CSkinFrame&) = delete;

  // Loads the menus and creates the buttons on the window.
  void Create(HWND window);
  // Frees the menus and the brush; the window is being destroyed.
  void Destroy();
  // Moves every control to its place for the current client size.
  void ApplyLayout();
  // Opens the popup of a menu title button (IDC_MENU_FILE ...); false for
  // any other identifier.
  bool OpenMenuOfButton(int buttonId);
  // Painting, colours, the mouse and the menu bar; true when handled.
  bool HandleMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result);

 private:
  LRESULT OnPaint();
  LRESULT OnControlColor(WPARAM wParam, LPARAM lParam);
  LRESULT OnDrawItem(LPARAM lParam);
  LRESULT OnLeftButtonDown(LPARAM lParam);
  LRESULT OnLeftButtonUp();
  LRESULT OnMenuSelect(WPARAM wParam, LPARAM lParam);
  LRESULT OnStatusHelp(WPARAM wParam);
  LRESULT OnContextMenu(WPARAM wParam, LPARAM lParam);
  void OpenMenu(MENU_TITLE title);

  const CAppSettings& settings_;
  CTrackList& list_;
  HWND window_ = nullptr;
  CSkinButtons buttons_;
  HMENU menus_ = nullptr;
  HMENU contextMenu_ = nullptr;
  HBRUSH frameBrush_ = nullptr;
  std::string standingStatus_;
  bool resizing_ = false;
  POINT resizeStart_ = {};
  SIZE resizeClient_ = {};
};
