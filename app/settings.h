#pragma once
// The process-wide settings record and the registry helper behind it.
// Loaded once when the main window initialises, saved once when it is
// destroyed; in between only memory changes.
#include <cstdint>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "platform/registry_key.h"

// Under HKEY_CURRENT_USER, spelled exactly so, with the trailing backslash.
inline constexpr const char* kSettingsKeyPath = "SoftWare\\BRENMARK\\TAMBOUR\\";
inline constexpr const char* kCustomColorValue = "CustomColor";
inline constexpr size_t kCustomColorBytes = 48;      // twelve COLORREF values
inline constexpr size_t kSettingStringBuffer = 255;  // 254 characters + zero

// Reads a value and, when it is missing or unreadable, creates it with its
// default. Names are upper-cased before every call.
class CSettingsRegistry {
 public:
  explicit CSettingsRegistry(IRegistryKey& key) : key_(key) {}
  int32_t GetDword(const std::string& name, int32_t defaultValue);
  // tooLong is set when a stored value did not fit: the default is returned
  // and the stored value is left as it is.
  std::string GetString(const std::string& name, const std::string& defaultValue, bool* tooLong = nullptr);
  void SetDword(const std::string& name, int32_t value);
  void SetString(const std::string& name, const std::string& value);

 private:
  IRegistryKey& key_;
};

// What Save takes from the main window.
struct MAIN_WINDOW_GEOMETRY {
  int32_t left = 0, top = 0, width = 0, height = 0;
  int32_t columnWidths[4] = {0, 0, 0, 0};
};

class CAppSettings {
 public:
  // Persisted values, named as in the registry; defaults are the
  // first-run values. Folder defaults depend on the program folder and are
  // filled in by Load.
  int32_t MP3Encoder = 1;
  std::string OutputFolder;
  int32_t OutputFormat = 0;
  int32_t BitRate = 8;
  int32_t EnableID3 = 1;
  int32_t EnableVBR = 0;
  int32_t MaxBitRate = 13;
  int32_t MPEGQuality = 2;
  int32_t VBRQuality = 4;
  int32_t Copyright = 1;
  int32_t Original = 1;
  int32_t Private = 1;
  int32_t WriteVBRHeader = 1;
  int32_t StereoMode = 0;
  int32_t PROXY = 0;
  std::string PROXYHOST;
  int32_t ProxyPort = 80;
  std::string PROXYUSERNAME;
  std::string PROXYPASSWORD;
  int32_t ServerTimeout = 120000;
  int32_t CacheSize = 102400;
  std::string CACHEDIRECTORY;
  int32_t CDROMDriver = 0;
  int32_t DeleteSilence = 0;
  int32_t LeadingFrame = 0;
  int32_t TrailingFrame = 0;
  int32_t RetryTimes = 5;
  int32_t DisableAutoPlay = 1;
  int32_t StopPlayExit = 1;
  int32_t BufferSize = 26;
  int32_t DeviceType = 0;
  int32_t TextColor = 0x0000FF00;
  int32_t TextSelColor = 0x0000FFFF;
  int32_t BackgroundColor = 0x00000000;
  int32_t StatusLineColor = 0x00B4C8C8;
  int32_t TextShadowColor = 0x00141414;
  int32_t BoolShadowColor = 1;
  std::string MP3Player;
  std::string MP3PlayerParameters;
  std::string ReplaceStr[10] = {"#", "&", "#", "=", "#", "#", "#", "(", ")", " "};
  std::string NamingRule = "<title>";
  int32_t WindowWidth = 580;
  int32_t WindowHeight = 380;
  int32_t WindowLeft = 200;
  int32_t WindowTop = 100;
  int32_t ColumnWidth1 = 60;
  int32_t ColumnWidth2 = 280;
  int32_t ColumnWidth3 = 80;
  int32_t ColumnWidth4 = 80;
  int32_t BoolSkipError = 1;
  int32_t ThreadPriority = 2;
  int32_t Normalize = 0;
  int32_t NormalizeRatio = 95;
  // Beyond the first release.
  int32_t EncodeWhileReading = 0;  // encode earlier tracks on every core while the drive reads
  int32_t ID3V2 = 0;  // an ID3v2.3 tag (with the cover) in front of each MP3
  // Proving rips: the AccurateRip lookup and its server, reading every
  // block twice, decoding each MP3 back. The per-drive read offsets live
  // in the subkey kReadOffsetsSubkey (see drive_offsets.h).
  int32_t AccurateRip = 1;
  std::string AccurateRipURL = "http://www.accuraterip.com/accuraterip";
  int32_t SecureRead = 0;
  int32_t VerifyMP3 = 1;

  // Derived, not persisted.
  std::string programFolder;        // ends with a backslash
  std::string sessionOutputFolder;  // where the next job writes; ends with one backslash

  // showMessage receives the string-table number of a message to show.
  using MessageSink = std::function<void(int stringId)>;

  // Reads every value in table order with its load correction, then checks
  // (and creates) the output and cache folders.
  void Load(IRegistryKey& key, const std::string& programFolderPath, const MessageSink& showMessage);
  // Takes the window geometry, then writes every value in table order.
  void Save(IRegistryKey& key, const MAIN_WINDOW_GEOMETRY& geometry);

  std::string DefaultOutputFolder() const { return programFolder + "output"; }
  std::string DefaultCacheFolder() const { return programFolder + "CACHE"; }

  // The custom colours of the colour chooser, outside the helper and the
  // table: raw bytes under the name as spelled, not upper-cased.
  static bool LoadCustomColors(IRegistryKey& key, uint32_t colors[12]);
  static bool SaveCustomColors(IRegistryKey& key, const uint32_t colors[12]);

 private:
  void CheckOutputFolder(const MessageSink& showMessage);
  void CheckCacheFolder(const MessageSink& showMessage);

  // Strings that were stored too long to read: the value the session used
  // in their place, so Save leaves the stored text alone unless the user
  // changed it.
  std::map<std::string, std::string> unreadableStrings_;
};

// Used by the command line and the exchange-area handlers: trims trailing
// white space, appends one backslash and makes it the session output folder
// if the path can be created. False leaves the folder as it was.
bool TrySetSessionOutputFolder(CAppSettings& settings, const std::string& folder);
