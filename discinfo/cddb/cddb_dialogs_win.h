#pragma once
// The component's own dialogs, built in memory so the component carries no
// resources of the program: registration and the disc editor.
#include <windows.h>

#include <string>

#include "discinfo/cddb/cddb_component.h"

struct CDDB_USER {
  std::string handle;
  std::string email;
};

// A handle and an address of the form name@host; true when the user gave
// them with OK.
bool RunRegistrationDialog(HWND parent, CDDB_USER& user);
// Edits the disc's texts in place; true on OK.
bool RunDiscEditor(HWND parent, CCddbDisc& disc);
// The editor's track lines: "Artist / Title" on a multi-artist disc, else
// the title; and back.
std::string TrackLinesOfDisc(const CCddbDisc& disc);
void ApplyTrackLines(const std::string& lines, CCddbDisc& disc);
