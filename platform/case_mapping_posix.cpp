#include "platform/case_mapping.h"

// The host build stands in for a Western system: code page 1252.
namespace {

struct CASE_PAIR {
  unsigned char upper, lower;
};
// The letters of 1252 outside the two Latin-1 blocks.
constexpr CASE_PAIR kExtraPairs[] = {{0x8A, 0x9A}, {0x8C, 0x9C}, {0x8E, 0x9E}, {0x9F, 0xFF}};

bool IsLatin1Upper(unsigned char c) { return (c >= 'A' && c <= 'Z') || (c >= 0xC0 && c <= 0xDE && c != 0xD7); }
bool IsLatin1Lower(unsigned char c) { return (c >= 'a' && c <= 'z') || (c >= 0xE0 && c <= 0xFE && c != 0xF7); }

unsigned char ToUpper(unsigned char c) {
  if (IsLatin1Lower(c)) return static_cast<unsigned char>(c - 0x20);
  for (const CASE_PAIR& pair : kExtraPairs)
    if (c == pair.lower) return pair.upper;
  return c;
}

unsigned char ToLower(unsigned char c) {
  if (IsLatin1Upper(c)) return static_cast<unsigned char>(c + 0x20);
  for (const CASE_PAIR& pair : kExtraPairs)
    if (c == pair.upper) return pair.lower;
  return c;
}

}  // namespace

std::string SystemUpperCase(std::string text) {
  for (char& c : text) c = static_cast<char>(ToUpper(static_cast<unsigned char>(c)));
  return text;
}

std::string SystemLowerCase(std::string text) {
  for (char& c : text) c = static_cast<char>(ToLower(static_cast<unsigned char>(c)));
  return text;
}
