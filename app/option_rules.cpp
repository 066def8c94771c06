#include "app/option_rules.h"

#include <cctype>
#include <cstdlib>

#include "jobs/naming.h"
#include "platform/file_system.h"
#include "platform/text.h"

bool ParseIntegerField(const std::string& text, const INTEGER_FIELD& field, int& value) {
  std::string number = Trim(text);
  size_t digits = number.size() > 0 && (number[0] == '-' || number[0] == '+') ? 1 : 0;
  if (number.size() == digits || number.size() > 11) return false;
  for (size_t i = digits; i < number.size(); ++i)
    if (!std::isdigit(static_cast<unsigned char>(number[i]))) return false;
  long long parsed = std::strtoll(number.c_str(), nullptr, 10);
  if (parsed < field.minimum || parsed > field.maximum) return false;
  value = static_cast<int>(parsed);
  return true;
}

std::string FolderForDisplay(const std::string& folder) { return StripTrailingBackslashes(folder); }

void CorrectOutputSettings(CAppSettings& settings) {
  if (settings.OutputFormat < 0 || settings.OutputFormat > 2) settings.OutputFormat = 0;
  if (settings.NormalizeRatio < 1 || settings.NormalizeRatio > 100) settings.NormalizeRatio = 95;
}

int ShownBitRate(int bitRate) { return bitRate < 0 || bitRate > 13 ? 9 : bitRate; }

int ShownThreadPriority(int priority) { return priority < 0 || priority > 4 ? 2 : priority; }

MP3_ENABLING Mp3Enabling(int encoderIndex, bool vbr) {
  MP3_ENABLING enabling;
  enabling.vbrBox = encoderIndex == 1;
  enabling.vbrOnly = enabling.vbrBox && vbr;
  return enabling;
}

namespace {

// The folder as stored: trimmed, one trailing backslash; created with its
// parents. False when it cannot be made.
bool PrepareFolder(const std::string& typed, std::string& folder) {
  folder = NormaliseFolder(typed);
  return MakeSureDirectoryPathExists(folder);
}

}  // namespace

OPTION_FAILURE ApplyOutputChoices(const OUTPUT_CHOICES& choices, CAppSettings& settings, std::string& folder) {
  std::string rule = choices.namingRule;
  folder = NormaliseFolder(choices.folder);
  if (!CheckNamingRule(rule)) return OPTION_FAILURE::NamingRuleWithoutVariable;
  if (!PrepareFolder(choices.folder, folder)) return OPTION_FAILURE::CannotCreateFolder;
  settings.OutputFolder = folder;
  settings.sessionOutputFolder = folder;
  settings.NamingRule = rule;
  settings.OutputFormat = choices.format;
  settings.Normalize = choices.normalize ? 1 : 0;
  settings.NormalizeRatio = choices.ratio;
  return OPTION_FAILURE::None;
}

OPTION_FAILURE ApplyCddbChoices(const CDDB_CHOICES& choices, CAppSettings& settings, std::string& folder) {
  if (!PrepareFolder(choices.cacheFolder, folder)) return OPTION_FAILURE::CannotCreateFolder;
  settings.PROXY = choices.proxy ? 1 : 0;
  settings.PROXYHOST = choices.host;
  settings.ProxyPort = choices.port;
  settings.PROXYUSERNAME = choices.user;
  settings.PROXYPASSWORD = choices.password;
  settings.ServerTimeout = choices.timeout;
  settings.CACHEDIRECTORY = folder;
  settings.CacheSize = choices.cacheSize;
  return OPTION_FAILURE::None;
}
