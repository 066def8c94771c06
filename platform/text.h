#pragma once
// Small text helpers over 8-bit ANSI strings.
#include <string>
#include <vector>

std::string ToUpperAscii(std::string text);
std::string ToLowerAscii(std::string text);
bool IsBlank(char c);  // space, tab, CR, LF, VT, FF
std::string TrimRight(const std::string& text);
std::string TrimLeft(const std::string& text);
std::string Trim(const std::string& text);
std::string StripTrailingBackslashes(const std::string& text);
// Trims white space, removes trailing backslashes and appends exactly one.
std::string NormaliseFolder(const std::string& folder);
// Copies a zero-terminated field of a fixed size; a field with no
// terminator is cut at its size.
std::string TextFromField(const char* field, size_t fieldSize);
// The pieces between separators, empty ones included: "a;;b" gives three.
std::vector<std::string> SplitText(const std::string& text, char separator);
// A filter written "Name|*.ext||" as the file dialogs' zero-separated list.
std::string FileDialogFilter(const std::string& filter);
// printf into a std::string.
std::string Format(const char* format, ...) __attribute__((format(printf, 1, 2)));
