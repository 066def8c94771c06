#include "shellext/shell_selection.h"

#include <cstring>

#include "platform/text.h"

int CdaCheckMessage(CDA_CHECK check) {
  switch (check) {
    case CDA_OPEN_FAILED: return IDS_EXT_CDA_OPEN;
    case CDA_READ_FAILED: return IDS_EXT_CDA_READ;
    case CDA_NOT_RIFF: return IDS_EXT_CDA_RIFF;
    case CDA_NOT_CDDA: return IDS_EXT_CDA_CDDA;
    case CDA_OK: break;
  }
  return 0;
}

CDA_CHECK CheckCdaHeader(const uint8_t* bytes, size_t size, int32_t& track) {
  if (size < kCdaHeaderSize) return CDA_READ_FAILED;
  if (std::memcmp(bytes, "RIFF", 4) != 0) return CDA_NOT_RIFF;
  if (std::memcmp(bytes + 8, "CDDA", 4) != 0) return CDA_NOT_CDDA;
  track = static_cast<int16_t>(static_cast<uint16_t>(bytes[22] | bytes[23] << 8));
  return CDA_OK;
}

namespace {

SELECTION_KIND KindOfExtension(const std::string& extension) {
  if (extension == ".mp3") return SELECTION_MP3;
  if (extension == ".wav") return SELECTION_WAV;
  if (extension == ".cda") return SELECTION_CD;
  return SELECTION_NONE;
}

// One path of the selection; false when it spoils the whole selection.
bool ExaminePath(const std::string& path, ISelectionFiles& files, SHELL_SELECTION& selection) {
  if (path.size() < 4 || path.size() > kMaxSelectedPath || files.IsDirectory(path)) return false;
  SELECTION_KIND kind = KindOfExtension(ToLowerAscii(path.substr(path.size() - 4)));
  selection.driveLetter = path[0];
  if (kind == SELECTION_NONE) return false;
  if (selection.kind == SELECTION_NONE) selection.kind = kind;
  if (kind != selection.kind) return false;  // one kind only
  if (kind == SELECTION_CD) {
    int32_t track = 0;
    if (!files.IsCdRomDrive(path.substr(0, 2)) || files.ReadCdaTrack(path, track) != CDA_OK) return false;
  }
  selection.files.push_back(path);
  return true;
}

}  // namespace

bool ExamineSelection(const std::vector<std::string>& paths, ISelectionFiles& files, SHELL_SELECTION& selection) {
  selection = SHELL_SELECTION();
  if (paths.empty() || paths.size() > kMaxSelectedFiles) return false;
  for (const std::string& path : paths)
    if (!ExaminePath(path, files, selection)) return false;
  selection.valid = true;
  return true;
}

const char* MenuText(SELECTION_KIND kind) {
  switch (kind) {
    case SELECTION_CD: return "&Extract with Cantaro Maker";
    case SELECTION_MP3: return "&Decode with Cantaro Maker";
    case SELECTION_WAV: return "&Encode with Cantaro Maker";
    case SELECTION_NONE: break;
  }
  return "";
}

const char* HelpText(SELECTION_KIND kind) {
  switch (kind) {
    case SELECTION_CD: return "Extract CD tracks and encode into MP3 with Cantaro Maker.";
    case SELECTION_MP3: return "Decode MP3 to WAV with Cantaro Maker.";
    case SELECTION_WAV: return "Encode WAV to MP3 with Cantaro Maker.";
    case SELECTION_NONE: break;
  }
  return "";
}

std::string ExtractCommandLine(const std::vector<int32_t>& tracks, char driveLetter, const std::string& folder) {
  std::string line = "-A";
  for (size_t i = 0; i < tracks.size(); ++i) line += (i ? "," : "") + std::to_string(tracks[i]);
  line += "  -D";
  line += driveLetter;
  if (!folder.empty()) line += " -F" + folder;
  return line;
}
