#pragma once
// What the context-menu extension makes of a selection of files: whether it
// offers its item, for which kind, and the checks of CD track files. The
// selection comes from the shell and the files from the disk, so paths,
// counts and file contents are all bounded here.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

inline constexpr size_t kMaxSelectedFiles = 100;
inline constexpr size_t kMaxSelectedPath = 259;  // characters, as a file slot of the area holds them
inline constexpr size_t kCdaHeaderSize = 44;     // the only bytes of a ".cda" file that are read

enum SELECTION_KIND { SELECTION_NONE, SELECTION_CD, SELECTION_MP3, SELECTION_WAV };

// The outcome of reading a ".cda" file; each failure has a message of the
// module's string table.
enum CDA_CHECK { CDA_OK, CDA_OPEN_FAILED, CDA_READ_FAILED, CDA_NOT_RIFF, CDA_NOT_CDDA };

// String-table numbers of the module.
enum : int {
  IDS_EXT_NAME = 100,
  IDS_EXT_LAUNCH_FAILED = 101,
  IDS_EXT_CDA_OPEN = 102,
  IDS_EXT_CDA_READ = 103,
  IDS_EXT_CDA_RIFF = 104,
  IDS_EXT_CDA_CDDA = 105,
};

// The message of a failed check (0 for CDA_OK).
int CdaCheckMessage(CDA_CHECK check);

// Checks the first bytes of a ".cda" file: "RIFF" at 0, "CDDA" at 8; the
// track number is the signed 16-bit value at 22. size counts the bytes read.
CDA_CHECK CheckCdaHeader(const uint8_t* bytes, size_t size, int32_t& track);

// What the selection check needs of the system.
class ISelectionFiles {
 public:
  virtual ~ISelectionFiles() = default;
  virtual bool IsDirectory(const std::string& path) = 0;
  // root is the first two characters of a path, e.g. "E:".
  virtual bool IsCdRomDrive(const std::string& root) = 0;
  // Reads at most kCdaHeaderSize bytes of path and checks them.
  virtual CDA_CHECK ReadCdaTrack(const std::string& path, int32_t& track) = 0;
};

struct SHELL_SELECTION {
  bool valid = false;
  SELECTION_KIND kind = SELECTION_NONE;
  char driveLetter = 0;            // first character of the last path examined
  std::vector<std::string> files;  // in selection order
};

// Examines the selected paths in order; false (and valid clear) when the
// selection is not one the extension offers its item for: none or more than
// 100 files, a directory, a path too long for the area, mixed kinds, another
// extension, a ".cda" file off a CD-ROM drive or not in RIFF/CDDA form.
bool ExamineSelection(const std::vector<std::string>& paths, ISelectionFiles& files, SHELL_SELECTION& selection);

// The menu item and its help text for a kind ("" for SELECTION_NONE).
const char* MenuText(SELECTION_KIND kind);
const char* HelpText(SELECTION_KIND kind);

// The command line that starts the program on CD tracks:
// "-A1,3  -DE" and, when folder is not empty, " -F" folder.
std::string ExtractCommandLine(const std::vector<int32_t>& tracks, char driveLetter, const std::string& folder);
