#pragma once
// A Windows profile (INI) file held as its lines, so that rewriting a file
// keeps every line, section and key the program does not know about.
//
// Reading: "[name]" opens a section; "key=value" lines are entries, the
// key and the value trimmed of white space; section and key names match
// without regard to ASCII case. When a section or a key appears twice the
// first one counts, as the system's own reader does; the others stay in
// the file untouched. Any other line (garbage, text without '=', lines
// before the first section) is kept as it is and means nothing.
//
// The file comes from disk and may be anything: a file larger than
// kMaxProfileBytes or with more than kMaxProfileLines lines is not one the
// program wrote and reads as empty. The writer keeps to the same limits,
// so that it never writes a file its reader would refuse.
#include <cstddef>
#include <string>
#include <vector>

#include "platform/file.h"

inline constexpr size_t kMaxProfileBytes = 1 << 20;
inline constexpr size_t kMaxProfileLines = 65536;
// What a read accepts of one value (the system's reader with a 254-byte
// buffer); a longer stored value is cut, and a longer written one too.
inline constexpr size_t kMaxProfileValue = 253;

// Whether a text of that many bytes and lines is one the reader takes.
bool ProfileWithinLimits(size_t bytes, size_t lines);

enum class ProfileLoad {
  Read,
  Missing,  // no file there: one may be written
  Refused,  // there, but unreadable or over the limits: keep it as it is
};

// Puts a written temporary file in the place of the real one; tests stand
// in for it to make the last step fail.
using FileReplacer = bool (*)(const std::string& from, const std::string& to);

class CProfileFile {
 public:
  // Replaces the contents with the parsed text. False, leaving the file
  // empty, when the text is over the limits.
  bool Parse(const std::string& text);
  // Reads the file at a Windows path; anything but Read leaves the file
  // empty.
  ProfileLoad Load(const std::string& path);
  // The lines joined with CR LF, each line ended.
  std::string Text() const;
  // Whether Text() is within the reader's limits.
  bool WithinLimits() const;
  // Writes Text() to path + ".tmp" and then puts it in the place of path,
  // so that a crash or a full disk never leaves path cut short or empty.
  // False when any step fails or the text is over the limits; path is then
  // as it was.
  bool Save(const std::string& path, FileReplacer replace = MoveFileReplacing) const;

  // The value of the first matching key of the first matching section,
  // up to its first NUL byte and cut to kMaxProfileValue characters.
  // False when there is no such key.
  bool Get(const std::string& section, const std::string& key, std::string& value) const;
  std::string GetString(const std::string& section, const std::string& key,
                        const std::string& fallback = std::string()) const;
  // A decimal integer as the system's reader takes one: white space, an
  // optional sign, digits up to the first other character. fallback when
  // the key is absent, has no digits or does not fit an int.
  int GetInt(const std::string& section, const std::string& key, int fallback = 0) const;

  // Writes key=value, the value as a read gives it back: trimmed and cut to
  // kMaxProfileValue characters. An existing key has its line replaced in
  // place (its stored spelling kept); a new key goes after the last
  // non-blank line of its section; a new section goes to the end of the
  // file. Line breaks and NUL bytes in the value become spaces, since they
  // would end the line. section must not hold ']' nor key '='.
  void Set(const std::string& section, const std::string& key, const std::string& value);

 private:
  struct SECTION {
    std::string header;  // the "[name]" line as stored
    std::string name;    // trimmed, as stored
    std::vector<std::string> lines;
  };

  const SECTION* FindSection(const std::string& name) const;
  SECTION* FindSection(const std::string& name);
  void Clear();
  size_t LineCount() const;

  std::vector<std::string> start_;  // lines before the first section
  std::vector<SECTION> sections_;
};
