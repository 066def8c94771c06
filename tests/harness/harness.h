#pragma once
// Drives the real CantaroMaker.exe the way a user would: starts it from its
// own folder, finds its windows and message boxes, answers them, closes it.
#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

inline constexpr const char* kProgramKey = "SoftWare\\BRENMARK\\TAMBOUR";

// The folder of the running test program, where the build puts the program
// and its stand-ins; ends with a backslash.
std::string BuildFolder();
// A 16-bit stereo WAV file (the header says 44100 Hz unless rate is given).
void WriteWaveFile(const std::string& path, const std::vector<int16_t>& samples, uint32_t rate = 44100);

// A copy of the program in a fresh folder of its own, so that the folders
// it creates next to itself start out absent.
class CProgramUnderTest {
 public:
  explicit CProgramUnderTest(const std::string& name);
  ~CProgramUnderTest();

  const std::string& Folder() const { return folder_; }
  // Starts the program in its folder, or in workingFolder when one is given.
  bool Start(const std::string& commandLine = "", const std::string& workingFolder = "");
  // Takes over the copy that someone else started (the shell extension):
  // waits for a CantaroMaker.exe process and opens it; false after the
  // time-out.
  bool AdoptStartedProgram(DWORD milliseconds);
  DWORD ProcessId() const { return process_.dwProcessId; }
  bool WaitForExit(DWORD milliseconds);
  bool HasExited();
  void Kill();

  // The main window once it is visible, or nullptr after the time-out.
  HWND WaitForMainWindow(DWORD milliseconds);
  // The text of the next message box of this process, or "" after the
  // time-out; when answer is set, its OK button is pressed.
  std::string WaitForMessageBox(DWORD milliseconds, bool answer = true);
  // Answers message boxes until the main window shows; returns their texts.
  std::vector<std::string> AnswerBoxesUntilMainWindow(DWORD milliseconds, HWND* mainWindow);

 private:
  std::string folder_;
  PROCESS_INFORMATION process_ = {};
};

// Registry helpers over the program's key.
void DeleteProgramKey();
bool ReadStoredDword(const char* name, DWORD& value);
bool ReadStoredString(const char* name, std::string& value);
void StoreDword(const char* name, DWORD value);
// The names of the values under the key as they are spelled there.
std::vector<std::string> StoredValueNames();
bool FolderExists(const std::string& path);

// A visible top-level window of the process whose title starts with
// titlePrefix, or nullptr after the time-out.
HWND WaitForWindowTitled(DWORD processId, const std::string& titlePrefix, DWORD milliseconds);
std::string WindowText(HWND hwnd);
// Presses a dialog's button as a click would.
void ClickButton(HWND dialog, int id);
// The visible descendant of parent with the given id, or nullptr.
HWND FindVisibleDescendant(HWND parent, int id);
// Saves the whole screen as a 24-bit BMP (tests keep them as artifacts).
bool SaveScreenshot(const std::string& path);
// The folder where tests leave screenshots: CANTARO_ARTIFACTS or the temp folder.
std::string ArtifactFolder();

// Sets an environment variable for the programs a test starts, and clears
// it again at the end of the scope.
class CScopedEnvironment {
 public:
  CScopedEnvironment(const char* name, const std::string& value) : name_(name) {
    SetEnvironmentVariableA(name, value.c_str());
  }
  ~CScopedEnvironment() { SetEnvironmentVariableA(name_, nullptr); }
  CScopedEnvironment(const CScopedEnvironment&) = delete;
  CScopedEnvironment& operator=(const CScopedEnvironment&) = delete;

 private:
  const char* name_;
};

void StoreString(const char* name, const std::string& value);
// The number of rows of the main window's track list.
int TrackRowCount(HWND mainWindow);
// Texts of controls in the program's process; these messages carry
// pointers, so they are read through the other process's memory or, for
// list boxes, in Unicode as the system marshals them.
std::string ListBoxText(HWND list, int index);
std::string ListViewText(HWND list, int row, int column);
// The width the list would draw `text` in (LVM_GETSTRINGWIDTH), asked across processes.
int ListViewStringWidth(HWND list, const std::string& text);
// The lines of the log window, opened from the error panel of window.
std::vector<std::string> LogLinesFromErrorPanel(DWORD processId, HWND window);
// Sets state bits of a row of a list view in the program's process.
void SetListRowState(HWND list, int row, UINT state, UINT mask);
// Highlights a row; checks or unchecks its box.
void HighlightListRow(HWND list, int row);
void CheckListRow(HWND list, int row, bool checked);
// The text on the clipboard, or "<none>".
std::string ClipboardText();
// Types names into the file field of the open-file dialog titled title (as
// a user would, e.g. "\"a.wav\" \"b.wav\"") and presses Open.
bool ChooseFilesInDialog(DWORD processId, const std::string& title, const std::string& names);
