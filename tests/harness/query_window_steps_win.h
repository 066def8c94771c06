#pragma once
// The query window as the end-to-end tests drive it: open it as the menu
// does, wait for its pages' controls and its closing, and read what the
// disc cache kept at exit. A fixture derives from it beside ::testing::Test
// and hands over its program and main window.
#include <windows.h>

#include <filesystem>
#include <string>

#include "resources/resource.h"
#include "tests/core/test_folders.h"
#include "tests/harness/harness.h"

class CQueryWindowSteps {
 protected:
  static constexpr DWORD kQueryTimeout = 60000;

  // The references may name members not yet constructed: they are only
  // used once the test runs.
  CQueryWindowSteps(CProgramUnderTest& program, HWND& main) : queryProgram_(program), queryMain_(main) {}

  HWND Query() {
    PostMessageA(queryMain_, WM_COMMAND, ID_ACTION_QUERY_CDDB, 0);
    return WaitForWindowTitled(queryProgram_.ProcessId(), "Querying CDDB", kQueryTimeout);
  }

  // The visible control id of the query window, waited for.
  static HWND WaitForVisible(HWND query, int id, DWORD milliseconds = kQueryTimeout) {
    for (DWORD waited = 0; waited < milliseconds; waited += 50) {
      if (HWND found = FindVisibleDescendant(query, id)) return found;
      Sleep(50);
    }
    return nullptr;
  }

  static bool WaitForClosed(HWND window) {
    for (int i = 0; i < 400 && IsWindow(window); ++i) Sleep(50);
    return !IsWindow(window);
  }

  // A text of the disc cache's file for the disc, written at exit.
  std::string Cached(const char* section, const char* key) {
    for (const auto& file : std::filesystem::directory_iterator(HostFolder(queryProgram_.Folder() + "db\\"))) {
      char text[256] = {};
      GetPrivateProfileStringA(section, key, "<none>", text, sizeof(text), file.path().string().c_str());
      return text;
    }
    return "<no file>";
  }

 private:
  CProgramUnderTest& queryProgram_;
  HWND& queryMain_;
};
