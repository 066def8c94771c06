#pragma once
// The query window as the end-to-end tests drive it: open it as the menu
// does, wait for its pages' controls and its closing, and read what the
// disc cache kept at exit. A fixture derives from it beside ::testing::Test
// and hands over its program and main window.
#include <windows.h>

#include <filesystem>
#include <string>

#include "cdrom/virtual/disc_image_writer.h"
#include "discinfo/cddb/cddb_toc.h"
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

  // Writes a disc of three short music tracks (the second `step` frames
  // longer than the first, the third twice that) and returns its TOC as CDDB
  // counts it. Each test's own step gives it a disc of its own.
  static bool WriteQueryDisc(const std::string& cue, uint32_t step, CDDB_TOC& toc) {
    DISC_IMAGE_LAYOUT layout;
    uint32_t start = 0;
    for (uint32_t i = 0; i < 3; ++i) {
      IMAGE_TRACK track;
      track.content = TrackContent::Music;
      track.style = static_cast<int>(i);
      track.frames = 75 * 3 + step * i;
      layout.tracks.push_back(track);
      toc.trackFrames.push_back(start + kCddbLeadInFrames);
      start += track.frames;
    }
    toc.leadOutFrame = start + kCddbLeadInFrames;
    std::string error;
    EXPECT_TRUE(WriteDiscImage(layout, cue, error)) << error;
    return error.empty();
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
