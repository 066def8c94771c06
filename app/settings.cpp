#include "app/settings.h"

#include <cstring>

#include "platform/file_system.h"
#include "platform/text.h"
#include "resources/resource.h"

// ---------------------------------------------------------------------------
// Registry helper

int32_t CSettingsRegistry::GetDword(const std::string& name, int32_t defaultValue) {
  std::string upper = ToUpperAscii(name);
  int32_t value = 0;
  if (key_.QueryDword(upper, value) == RegistryRead::Ok) return value;
  key_.SetDword(upper, defaultValue);  // a failed write still yields the default
  return defaultValue;
}

std::string CSettingsRegistry::GetString(const std::string& name, const std::string& defaultValue, bool* tooLong) {
  std::string upper = ToUpperAscii(name);
  std::string value;
  RegistryRead status = key_.QueryString(upper, kSettingStringBuffer, value);
  if (tooLong) *tooLong = status == RegistryRead::TooLong;
  if (status == RegistryRead::Ok) return value;
  // A value too long to read is the user's data: use the default for this
  // session but never overwrite what is stored.
  if (status == RegistryRead::Missing) key_.SetString(upper, defaultValue);
  return defaultValue;
}

void CSettingsRegistry::SetDword(const std::string& name, int32_t value) { key_.SetDword(ToUpperAscii(name), value); }

void CSettingsRegistry::SetString(const std::string& name, const std::string& value) {
  key_.SetString(ToUpperAscii(name), value);
}

// ---------------------------------------------------------------------------
// The settings table, in the order of loading and saving

namespace {

using Correction = int32_t (*)(int32_t);

enum class DefaultFolder { None, Output, Cache };

struct SETTING_ENTRY {
  const char* name;
  int32_t CAppSettings::*number;    // set for DWORD values
  std::string CAppSettings::*text;  // set for string values
  int ReplaceIndex;                 // 0..9 for ReplaceStr01..10, else -1
  Correction correct;               // DWORD load correction, may be null
  DefaultFolder folder;             // string defaults formed from the program folder
};

int32_t ZeroOrOne(int32_t v) { return v == 0 || v == 1 ? v : 0; }
int32_t FormatIndex(int32_t v) { return v >= 0 && v <= 2 ? v : 0; }
int32_t BitRateIndex(int32_t v) { return v < 0 || v > 13 ? 8 : v; }
int32_t MaxBitRateIndex(int32_t v) { return v < 0 || v > 13 ? 13 : v; }
int32_t QualityIndex(int32_t v) { return v < 0 || v > 3 ? 2 : v; }
int32_t VbrQualityIndex(int32_t v) { return v < 0 || v > 8 ? 4 : v; }
int32_t StereoModeIndex(int32_t v) { return v > 1 ? 0 : v; }
int32_t AtLeastOneSecond(int32_t v) { return v < 1000 ? 1000 : v; }
int32_t AtLeast64K(int32_t v) { return v < 65536 ? 65536 : v; }
int32_t Retries(int32_t v) { return v <= 0 ? 5 : v; }
int32_t Frames(int32_t v) { return v <= 0 ? 26 : v; }
int32_t DriveType(int32_t v) { return v < 0 || v > 12 ? 0 : v; }
int32_t Width(int32_t v) { return v < 420 ? 420 : (v > 800 ? 580 : v); }
int32_t Height(int32_t v) { return v < 352 ? 352 : (v > 600 ? 380 : v); }
int32_t Percent(int32_t v) { return v <= 0 || v > 100 ? 95 : v; }

#define DWORD_ENTRY(field, fix) \
  { #field, &CAppSettings::field, nullptr, -1, fix, DefaultFolder::None }
#define STRING_ENTRY(field, folder) \
  { #field, nullptr, &CAppSettings::field, -1, nullptr, folder }
#define REPLACE_ENTRY(name, index) \
  { name, nullptr, nullptr, index, nullptr, DefaultFolder::None }

const SETTING_ENTRY kSettingsTable[] = {
    DWORD_ENTRY(MP3Encoder, ZeroOrOne),
    STRING_ENTRY(OutputFolder, DefaultFolder::Output),
    DWORD_ENTRY(OutputFormat, FormatIndex),
    DWORD_ENTRY(BitRate, BitRateIndex),
    DWORD_ENTRY(EnableID3, nullptr),
    DWORD_ENTRY(EnableVBR, nullptr),
    DWORD_ENTRY(MaxBitRate, MaxBitRateIndex),
    DWORD_ENTRY(MPEGQuality, QualityIndex),
    DWORD_ENTRY(VBRQuality, VbrQualityIndex),
    DWORD_ENTRY(Copyright, nullptr),
    DWORD_ENTRY(Original, nullptr),
    DWORD_ENTRY(Private, nullptr),
    DWORD_ENTRY(WriteVBRHeader, nullptr),
    DWORD_ENTRY(StereoMode, StereoModeIndex),
    DWORD_ENTRY(PROXY, nullptr),
    STRING_ENTRY(PROXYHOST, DefaultFolder::None),
    DWORD_ENTRY(ProxyPort, nullptr),
    STRING_ENTRY(PROXYUSERNAME, DefaultFolder::None),
    STRING_ENTRY(PROXYPASSWORD, DefaultFolder::None),
    DWORD_ENTRY(ServerTimeout, AtLeastOneSecond),
    DWORD_ENTRY(CacheSize, AtLeast64K),
    STRING_ENTRY(CACHEDIRECTORY, DefaultFolder::Cache),
    DWORD_ENTRY(CDROMDriver, nullptr),
    DWORD_ENTRY(DeleteSilence, nullptr),
    DWORD_ENTRY(LeadingFrame, nullptr),
    DWORD_ENTRY(TrailingFrame, nullptr),
    DWORD_ENTRY(RetryTimes, Retries),
    DWORD_ENTRY(DisableAutoPlay, nullptr),
    DWORD_ENTRY(StopPlayExit, nullptr),
    DWORD_ENTRY(BufferSize, Frames),
    DWORD_ENTRY(DeviceType, DriveType),
    DWORD_ENTRY(TextColor, nullptr),
    DWORD_ENTRY(TextSelColor, nullptr),
    DWORD_ENTRY(BackgroundColor, nullptr),
    DWORD_ENTRY(StatusLineColor, nullptr),
    DWORD_ENTRY(TextShadowColor, nullptr),
    DWORD_ENTRY(BoolShadowColor, nullptr),
    STRING_ENTRY(MP3Player, DefaultFolder::None),
    STRING_ENTRY(MP3PlayerParameters, DefaultFolder::None),
    REPLACE_ENTRY("ReplaceStr01", 0),
    REPLACE_ENTRY("ReplaceStr02", 1),
    REPLACE_ENTRY("ReplaceStr03", 2),
    REPLACE_ENTRY("ReplaceStr04", 3),
    REPLACE_ENTRY("ReplaceStr05", 4),
    REPLACE_ENTRY("ReplaceStr06", 5),
    REPLACE_ENTRY("ReplaceStr07", 6),
    REPLACE_ENTRY("ReplaceStr08", 7),
    REPLACE_ENTRY("ReplaceStr09", 8),
    REPLACE_ENTRY("ReplaceStr10", 9),
    STRING_ENTRY(NamingRule, DefaultFolder::None),
    DWORD_ENTRY(WindowWidth, Width),
    DWORD_ENTRY(WindowHeight, Height),
    DWORD_ENTRY(WindowLeft, nullptr),
    DWORD_ENTRY(WindowTop, nullptr),
    DWORD_ENTRY(ColumnWidth1, nullptr),
    DWORD_ENTRY(ColumnWidth2, nullptr),
    DWORD_ENTRY(ColumnWidth3, nullptr),
    DWORD_ENTRY(ColumnWidth4, nullptr),
    DWORD_ENTRY(BoolSkipError, nullptr),
    DWORD_ENTRY(ThreadPriority, nullptr),
    DWORD_ENTRY(Normalize, nullptr),
    DWORD_ENTRY(NormalizeRatio, Percent),
    DWORD_ENTRY(EncodeWhileReading, nullptr),
    DWORD_ENTRY(ID3V2, nullptr),
    DWORD_ENTRY(AccurateRip, ZeroOrOne),
    STRING_ENTRY(AccurateRipURL, DefaultFolder::None),
    DWORD_ENTRY(SecureRead, ZeroOrOne),
    DWORD_ENTRY(VerifyMP3, ZeroOrOne),
};

#undef DWORD_ENTRY
#undef STRING_ENTRY
#undef REPLACE_ENTRY

std::string& TextField(CAppSettings& s, const SETTING_ENTRY& e) {
  return e.ReplaceIndex >= 0 ? s.ReplaceStr[e.ReplaceIndex] : s.*(e.text);
}

const std::string& TextField(const CAppSettings& s, const SETTING_ENTRY& e) {
  return e.ReplaceIndex >= 0 ? s.ReplaceStr[e.ReplaceIndex] : s.*(e.text);
}

}  // namespace

// ---------------------------------------------------------------------------
// Load and save

void CAppSettings::Load(IRegistryKey& key, const std::string& programFolderPath, const MessageSink& showMessage) {
  programFolder = programFolderPath;
  const CAppSettings defaults;
  CSettingsRegistry registry(key);
  unreadableStrings_.clear();
  for (const SETTING_ENTRY& e : kSettingsTable) {
    if (e.number) {
      int32_t value = registry.GetDword(e.name, defaults.*(e.number));
      this->*(e.number) = e.correct ? e.correct(value) : value;
      continue;
    }
    std::string fallback = e.folder == DefaultFolder::Output  ? DefaultOutputFolder()
                           : e.folder == DefaultFolder::Cache ? DefaultCacheFolder()
                                                              : TextField(defaults, e);
    bool tooLong = false;
    std::string value = registry.GetString(e.name, fallback, &tooLong);
    if (e.folder != DefaultFolder::None && value.empty()) value = fallback;
    if (tooLong) unreadableStrings_[ToUpperAscii(e.name)] = value;
    TextField(*this, e) = value;
  }
  CheckOutputFolder(showMessage);
  CheckCacheFolder(showMessage);
}

void CAppSettings::CheckOutputFolder(const MessageSink& showMessage) {
  sessionOutputFolder = NormaliseFolder(OutputFolder);
  if (MakeSureDirectoryPathExists(sessionOutputFolder)) return;
  std::string fallback = NormaliseFolder(DefaultOutputFolder());
  if (MakeSureDirectoryPathExists(fallback)) {
    OutputFolder = DefaultOutputFolder();
    sessionOutputFolder = fallback;
  } else if (showMessage) {
    showMessage(IDS_CANT_OPEN_OUTPUT_DIR);
  }
}

void CAppSettings::CheckCacheFolder(const MessageSink& showMessage) {
  CACHEDIRECTORY = NormaliseFolder(CACHEDIRECTORY);
  if (MakeSureDirectoryPathExists(CACHEDIRECTORY)) return;
  std::string fallback = NormaliseFolder(DefaultCacheFolder());
  if (MakeSureDirectoryPathExists(fallback))
    CACHEDIRECTORY = fallback;
  else if (showMessage)
    showMessage(IDS_CANT_OPEN_CACHE_DIR);
}

void CAppSettings::Save(IRegistryKey& key, const MAIN_WINDOW_GEOMETRY& geometry) {
  OutputFolder = StripTrailingBackslashes(OutputFolder);
  CACHEDIRECTORY = StripTrailingBackslashes(CACHEDIRECTORY);
  WindowWidth = geometry.width;
  WindowHeight = geometry.height;
  WindowLeft = geometry.left;
  WindowTop = geometry.top;
  ColumnWidth1 = geometry.columnWidths[0];
  ColumnWidth2 = geometry.columnWidths[1];
  ColumnWidth3 = geometry.columnWidths[2];
  ColumnWidth4 = geometry.columnWidths[3];

  CSettingsRegistry registry(key);
  for (const SETTING_ENTRY& e : kSettingsTable) {
    if (e.number) {
      registry.SetDword(e.name, this->*(e.number));
      continue;
    }
    std::string value = TextField(*this, e);
    auto kept = unreadableStrings_.find(ToUpperAscii(e.name));
    bool unchanged =
        kept != unreadableStrings_.end() && StripTrailingBackslashes(kept->second) == StripTrailingBackslashes(value);
    if (!unchanged) registry.SetString(e.name, value);
  }
}

bool CAppSettings::LoadCustomColors(IRegistryKey& key, uint32_t colors[12]) {
  std::vector<uint8_t> bytes;
  if (key.QueryBinary(kCustomColorValue, bytes) != RegistryRead::Ok || bytes.size() != kCustomColorBytes) return false;
  std::memcpy(colors, bytes.data(), kCustomColorBytes);
  return true;
}

bool CAppSettings::SaveCustomColors(IRegistryKey& key, const uint32_t colors[12]) {
  std::vector<uint8_t> bytes(kCustomColorBytes);
  std::memcpy(bytes.data(), colors, kCustomColorBytes);
  return key.SetBinary(kCustomColorValue, bytes);
}

bool TrySetSessionOutputFolder(CAppSettings& settings, const std::string& folder) {
  std::string path = StripTrailingBackslashes(TrimRight(folder)) + "\\";
  if (!MakeSureDirectoryPathExists(path)) return false;
  settings.sessionOutputFolder = path;
  return true;
}
