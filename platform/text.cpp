#include "platform/text.h"

#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <vector>

std::string ToUpperAscii(std::string text) {
  for (char& c : text)
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  return text;
}

std::string ToLowerAscii(std::string text) {
  for (char& c : text)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  return text;
}

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\v' || c == '\f'; }

std::string TrimRight(const std::string& text) {
  size_t end = text.size();
  while (end > 0 && IsBlank(text[end - 1])) --end;
  return text.substr(0, end);
}

std::string TrimLeft(const std::string& text) {
  size_t begin = 0;
  while (begin < text.size() && IsBlank(text[begin])) ++begin;
  return text.substr(begin);
}

std::string Trim(const std::string& text) { return TrimLeft(TrimRight(text)); }

std::string StripTrailingBackslashes(const std::string& text) {
  size_t end = text.size();
  while (end > 0 && text[end - 1] == '\\') --end;
  return text.substr(0, end);
}

std::string NormaliseFolder(const std::string& folder) { return StripTrailingBackslashes(Trim(folder)) + "\\"; }

std::string TextFromField(const char* field, size_t fieldSize) {
  const void* end = std::memchr(field, 0, fieldSize);
  size_t length = end ? static_cast<size_t>(static_cast<const char*>(end) - field) : fieldSize;
  return std::string(field, length);
}

std::string Format(const char* format, ...) {
  va_list args;
  va_start(args, format);
  va_list copy;
  va_copy(copy, args);
  int length = std::vsnprintf(nullptr, 0, format, copy);
  va_end(copy);
  std::string result;
  if (length > 0) {
    std::vector<char> buffer(static_cast<size_t>(length) + 1);
    std::vsnprintf(buffer.data(), buffer.size(), format, args);
    result.assign(buffer.data(), static_cast<size_t>(length));
  }
  va_end(args);
  return result;
}

std::string FileDialogFilter(const std::string& filter) {
  std::string list = filter;
  for (char& c : list)
    if (c == '|') c = '\0';
  return list;
}

std::vector<std::string> SplitText(const std::string& text, char separator) {
  std::vector<std::string> parts;
  size_t start = 0;
  for (;;) {
    size_t end = text.find(separator, start);
    parts.push_back(text.substr(start, end == std::string::npos ? std::string::npos : end - start));
    if (end == std::string::npos) return parts;
    start = end + 1;
  }
}
