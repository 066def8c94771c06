#include "jobs/naming.h"

#include "discinfo/genres.h"
#include "platform/file_system.h"
#include "platform/text.h"

namespace {

const char kReplacedChars[kReplacementCount] = {'*', ':', '?', '"', '|', '/', '\\', '<', '>', ' '};
const char* const kVariables[] = {"<title>", "<number>", "<artist>", "<album>", "<year>", "<genre>"};

std::string OrDefault(const std::string& text, const char* fallback) { return text.empty() ? fallback : text; }

}  // namespace

std::string ReplaceIllegalChars(const std::string& text, const NAMING_OPTIONS& naming) {
  std::string result = text;
  for (size_t i = 0; i < kReplacementCount; ++i) {
    std::string replaced;
    for (char c : result) {
      if (c == kReplacedChars[i])
        replaced += naming.replacements[i];
      else
        replaced += c;
    }
    result = replaced;
  }
  return result;
}

std::string BuildOutputPath(const CJobItem& item, const std::string& folder, const std::string& extension,
                            const NAMING_OPTIONS& naming) {
  const struct {
    const char* token;
    std::string value;
  } variables[] = {
      {"<artist>", ReplaceIllegalChars(OrDefault(item.texts.artist, "Artist"), naming)},
      {"<album>", ReplaceIllegalChars(OrDefault(item.texts.album, "Album"), naming)},
      {"<title>", ReplaceIllegalChars(item.sourceName, naming)},
      {"<number>", Format("%02d", item.trackIndex + 1)},
      {"<year>", ReplaceIllegalChars(OrDefault(item.texts.year, "Year"), naming)},
      // A genre expands to its name, so no '<' or '>' reaches the file system.
      {"<genre>", ReplaceIllegalChars(OrDefault(GenreName(item.texts.genreNumber), "Genre"), naming)},
  };
  const std::string& rule = naming.rule;
  std::string name;
  for (size_t at = 0; at < rule.size();) {
    bool matched = false;
    for (const auto& v : variables) {
      size_t length = std::char_traits<char>::length(v.token);
      if (rule.compare(at, length, v.token) == 0) {
        name += v.value;
        at += length;
        matched = true;
        break;
      }
    }
    if (!matched) name += rule[at++];
  }
  std::string path = StripTrailingBackslashes(TrimRight(folder)) + "\\" + name + extension;
  if (path.find('\\', 1) != std::string::npos) MakeSureDirectoryPathExists(path);
  return path;
}

bool CheckNamingRule(std::string& rule) {
  if (rule.empty()) {
    rule = "<title>";
    return true;
  }
  for (const char* variable : kVariables)
    if (rule.find(variable) != std::string::npos) return true;
  return false;
}
