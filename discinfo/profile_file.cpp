#include "discinfo/profile_file.h"

#include <climits>
#include <string_view>

#include "platform/file_system.h"

namespace {

bool IsSpace(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\v' || c == '\f'; }

std::string_view TrimView(std::string_view text) {
  while (!text.empty() && IsSpace(text.front())) text.remove_prefix(1);
  while (!text.empty() && IsSpace(text.back())) text.remove_suffix(1);
  return text;
}

char Lower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

bool SameName(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i)
    if (Lower(a[i]) != Lower(b[i])) return false;
  return true;
}

// The name of a "[name]" line; false for any other line.
bool SectionHeader(std::string_view line, std::string_view& name) {
  line = TrimView(line);
  if (line.empty() || line.front() != '[') return false;
  size_t close = line.find(']');
  if (close == std::string_view::npos) return false;
  name = TrimView(line.substr(1, close - 1));
  return true;
}

// The key and value of a "key=value" line; false for a line without '='.
bool Entry(std::string_view line, std::string_view& key, std::string_view& value) {
  size_t equals = line.find('=');
  if (equals == std::string_view::npos) return false;
  key = TrimView(line.substr(0, equals));
  value = TrimView(line.substr(equals + 1));
  return true;
}

// A line break or NUL inside a written name or value would end its line
// early and let the rest pose as lines of its own.
std::string OneLine(const std::string& text) {
  std::string line = text;
  for (char& c : line)
    if (c == '\r' || c == '\n' || c == '\0') c = ' ';
  return line;
}

bool IsBlankLine(const std::string& line) { return TrimView(line).empty(); }

}  // namespace

void CProfileFile::Clear() {
  start_.clear();
  sections_.clear();
}

bool ProfileWithinLimits(size_t bytes, size_t lines) { return bytes <= kMaxProfileBytes && lines <= kMaxProfileLines; }

bool CProfileFile::Parse(const std::string& text) {
  Clear();
  if (!ProfileWithinLimits(text.size(), 0)) return false;
  std::string_view rest = text;
  size_t lines = 0;
  while (!rest.empty()) {
    if (!ProfileWithinLimits(0, ++lines)) {
      Clear();
      return false;
    }
    size_t end = rest.find('\n');
    std::string_view line = rest.substr(0, end);
    rest = end == std::string_view::npos ? std::string_view() : rest.substr(end + 1);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    std::string_view name;
    if (SectionHeader(line, name)) {
      sections_.push_back({std::string(line), std::string(name), {}});
    } else if (sections_.empty()) {
      start_.emplace_back(line);
    } else {
      sections_.back().lines.emplace_back(line);
    }
  }
  return true;
}

ProfileLoad CProfileFile::Load(const std::string& path) {
  Clear();
  CFile file;
  if (!file.Open(path, CFile::Mode::Read)) return FileExists(path) ? ProfileLoad::Refused : ProfileLoad::Missing;
  int64_t size = file.Size();
  if (size < 0 || !ProfileWithinLimits(static_cast<uint64_t>(size), 0)) return ProfileLoad::Refused;
  std::string text(static_cast<size_t>(size), '\0');
  if (file.Read(text.data(), text.size()) != text.size()) return ProfileLoad::Refused;
  return Parse(text) ? ProfileLoad::Read : ProfileLoad::Refused;
}

std::string CProfileFile::Text() const {
  std::string text;
  for (const std::string& line : start_) text += line + "\r\n";
  for (const SECTION& section : sections_) {
    text += section.header + "\r\n";
    for (const std::string& line : section.lines) text += line + "\r\n";
  }
  return text;
}

size_t CProfileFile::LineCount() const {
  size_t lines = start_.size();
  for (const SECTION& section : sections_) lines += 1 + section.lines.size();
  return lines;
}

bool CProfileFile::WithinLimits() const { return ProfileWithinLimits(Text().size(), LineCount()); }

bool CProfileFile::Save(const std::string& path, FileReplacer replace) const {
  std::string text = Text();
  if (!ProfileWithinLimits(text.size(), LineCount())) return false;
  std::string temporary = path + ".tmp";
  CFile file;
  if (!file.Open(temporary, CFile::Mode::Create)) return false;
  bool written = file.Write(text.data(), text.size()) == text.size();
  file.Close();
  if (written && replace(temporary, path)) return true;
  DeleteFileAt(temporary);
  return false;
}

const CProfileFile::SECTION* CProfileFile::FindSection(const std::string& name) const {
  for (const SECTION& section : sections_)
    if (SameName(section.name, name)) return &section;
  return nullptr;
}

CProfileFile::SECTION* CProfileFile::FindSection(const std::string& name) {
  for (SECTION& section : sections_)
    if (SameName(section.name, name)) return &section;
  return nullptr;
}

bool CProfileFile::Get(const std::string& section, const std::string& key, std::string& value) const {
  const SECTION* found = FindSection(section);
  if (!found) return false;
  for (const std::string& line : found->lines) {
    std::string_view k, v;
    if (!Entry(line, k, v) || !SameName(k, key)) continue;
    // A reader of C strings stops at a NUL byte.
    v = TrimView(v.substr(0, v.find('\0')));
    value.assign(v.substr(0, kMaxProfileValue));
    return true;
  }
  return false;
}

std::string CProfileFile::GetString(const std::string& section, const std::string& key,
                                    const std::string& fallback) const {
  std::string value;
  return Get(section, key, value) ? value : fallback;
}

int CProfileFile::GetInt(const std::string& section, const std::string& key, int fallback) const {
  std::string value;
  if (!Get(section, key, value)) return fallback;
  size_t i = 0;
  bool negative = false;
  if (i < value.size() && (value[i] == '-' || value[i] == '+')) negative = value[i++] == '-';
  if (i >= value.size() || value[i] < '0' || value[i] > '9') return fallback;
  long long number = 0;
  for (; i < value.size() && value[i] >= '0' && value[i] <= '9'; ++i) {
    number = number * 10 + (value[i] - '0');
    if (number > static_cast<long long>(INT_MAX) + 1) return fallback;
  }
  if (negative) number = -number;
  if (number > INT_MAX || number < INT_MIN) return fallback;
  return static_cast<int>(number);
}

void CProfileFile::Set(const std::string& section, const std::string& key, const std::string& value) {
  // A longer value would read back cut anyway, and enough of them would
  // make a file the reader refuses whole.
  std::string cleanKey = OneLine(key);
  std::string cleanValue(TrimView(OneLine(value)).substr(0, kMaxProfileValue));
  SECTION* found = FindSection(section);
  if (!found) {
    std::string name = OneLine(section);
    sections_.push_back({"[" + name + "]", name, {cleanKey + "=" + cleanValue}});
    return;
  }
  for (std::string& line : found->lines) {
    std::string_view k, v;
    if (!Entry(line, k, v) || !SameName(k, cleanKey)) continue;
    line = std::string(k) + "=" + cleanValue;
    return;
  }
  size_t at = found->lines.size();
  while (at > 0 && IsBlankLine(found->lines[at - 1])) --at;
  found->lines.insert(found->lines.begin() + static_cast<std::ptrdiff_t>(at), cleanKey + "=" + cleanValue);
}
