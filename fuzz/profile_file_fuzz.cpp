// libFuzzer target: an untrusted profile file through the reader, then the
// writer's promises: what it writes reads back the same, and whatever the
// values, it never writes a file its own reader would refuse.
#include <cstdint>
#include <string>

#include "discinfo/profile_file.h"
#include "fuzz/fuzz_check.h"

namespace {

// Splits the tail of the input into a section, a key and a value for Set,
// at the first two 0x01 bytes.
bool SplitEntry(const std::string& text, std::string& section, std::string& key, std::string& value) {
  size_t first = text.find('\x01');
  if (first == std::string::npos) return false;
  size_t second = text.find('\x01', first + 1);
  if (second == std::string::npos) return false;
  section = text.substr(0, first);
  key = text.substr(first + 1, second - first - 1);
  value = text.substr(second + 1);
  return section.find(']') == std::string::npos && key.find('=') == std::string::npos;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string input(reinterpret_cast<const char*>(data), size);
  // A 0x02 byte separates the file's text from an entry to set in it.
  const size_t cut = input.find('\x02');
  const std::string text = input.substr(0, cut);
  CProfileFile file;
  if (!file.Parse(text)) return 0;
  const std::string written = file.Text();
  CProfileFile again;
  FuzzCheck(again.Parse(written) && again.Text() == written);
  for (const char* section : {"DISC", "TRACKS", "genre", ""}) {
    for (const char* key : {"Artist", "01", "year", ""}) {
      std::string value;
      if (file.Get(section, key, value)) FuzzCheck(value.size() <= kMaxProfileValue);
      FuzzCheck(again.GetString(section, key) == file.GetString(section, key));
      FuzzCheck(again.GetInt(section, key, -7) == file.GetInt(section, key, -7));
    }
  }
  std::string section, key, value;
  if (cut == std::string::npos || !SplitEntry(input.substr(cut + 1), section, key, value)) return 0;
  // Repeated under other keys, so that one input writes several lines.
  const int repeats = value.empty() ? 1 : 1 + static_cast<uint8_t>(value[0]) % 8;
  for (int i = 0; i < repeats; ++i) file.Set(section, key + (i ? std::to_string(i) : std::string()), value);
  // A file over the limits is never saved; any other reads back as it is.
  if (!file.WithinLimits()) return 0;
  CProfileFile reread;
  FuzzCheck(reread.Parse(file.Text()) && reread.Text() == file.Text());
  return 0;
}
