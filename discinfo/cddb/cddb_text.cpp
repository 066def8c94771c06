#include "discinfo/cddb/cddb_text.h"

#include <cstdint>
#include <cstdio>

namespace {

// The characters Windows-1252 puts at 0x80..0x9F; zero where it has none.
constexpr char32_t kCp1252High[32] = {0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
                                      0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0,      0x017D, 0,
                                      0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
                                      0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178};

constexpr char32_t kNoCharacter = 0xFFFFFFFF;

// The character an ANSI byte stands for, or kNoCharacter.
char32_t AnsiCharacter(unsigned char byte) {
  if (byte < 0x80 || byte >= 0xA0) return byte;
  const char32_t c = kCp1252High[byte - 0x80];
  return c ? c : kNoCharacter;
}

bool IsControl(char32_t c) { return (c < 0x20 && c != '\t' && c != '\n') || (c >= 0x7F && c < 0xA0); }

// The ANSI byte for a character: blank for a control character, '?' for one
// the code page cannot hold.
char AnsiByte(char32_t c) {
  if (IsControl(c)) return ' ';
  if (c < 0x80 || (c >= 0xA0 && c <= 0xFF)) return static_cast<char>(c);
  for (unsigned i = 0; i < 32; ++i) {
    if (kCp1252High[i] == c) return static_cast<char>(0x80 + i);
  }
  return '?';
}

// Decodes the UTF-8 sequence at `pos` and moves past it; false when it is not
// valid UTF-8 (overlong forms, surrogates and values past U+10FFFF included).
bool DecodeUtf8(std::string_view text, size_t& pos, char32_t& c) {
  const unsigned char lead = static_cast<unsigned char>(text[pos]);
  size_t length = 0;
  char32_t lowest = 0;
  if (lead < 0x80) {
    c = lead;
    ++pos;
    return true;
  } else if (lead >= 0xC2 && lead <= 0xDF) {
    length = 2, c = lead & 0x1F, lowest = 0x80;
  } else if (lead >= 0xE0 && lead <= 0xEF) {
    length = 3, c = lead & 0x0F, lowest = 0x800;
  } else if (lead >= 0xF0 && lead <= 0xF4) {
    length = 4, c = lead & 0x07, lowest = 0x10000;
  } else {
    return false;
  }
  if (text.size() - pos < length) return false;
  for (size_t i = 1; i < length; ++i) {
    const unsigned char next = static_cast<unsigned char>(text[pos + i]);
    if ((next & 0xC0) != 0x80) return false;
    c = c << 6 | (next & 0x3F);
  }
  pos += length;
  return c >= lowest && c <= 0x10FFFF && (c < 0xD800 || c > 0xDFFF);
}

bool IsValidUtf8(std::string_view text) {
  char32_t c = 0;
  for (size_t pos = 0; pos < text.size();) {
    if (!DecodeUtf8(text, pos, c)) return false;
  }
  return true;
}

void AppendUtf8(std::string& out, char32_t c) {
  if (c < 0x80) {
    out += static_cast<char>(c);
  } else if (c < 0x800) {
    out += static_cast<char>(0xC0 | c >> 6);
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else {
    out += static_cast<char>(0xE0 | c >> 12);
    out += static_cast<char>(0x80 | (c >> 6 & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  }
}

bool IsUnreserved(char c) {
  return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-' || c == '_' ||
         c == '.' || c == '~';
}

// One word of the hello: the server splits the hello at blanks, so a blank
// inside a word (or an empty word) would shift the others.
std::string HelloWord(std::string_view word) {
  std::string out = word.empty() ? std::string("_") : AnsiToCddbText(word);
  for (char& c : out) {
    if (c == ' ' || c == '\t' || c == '\r' || c == '\n') c = '_';
  }
  return FormEncode(out);
}

uint64_t Fnv1a(std::string_view text) {
  uint64_t hash = 14695981039346656037ull;
  for (char c : text) hash = (hash ^ static_cast<unsigned char>(c)) * 1099511628211ull;
  return hash;
}

}  // namespace

// Old entries carry ISO-8859-1 written by Windows programs, so the fallback
// reads the bytes as Windows-1252, its superset (as browsers do for that
// label); that keeps their curly quotes.
std::string CddbTextToAnsi(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  if (IsValidUtf8(text)) {
    char32_t c = 0;
    for (size_t pos = 0; pos < text.size();) {
      DecodeUtf8(text, pos, c);
      out += AnsiByte(c);
    }
  } else {
    for (char byte : text) {
      const char32_t c = AnsiCharacter(static_cast<unsigned char>(byte));
      out += c == kNoCharacter || IsControl(c) ? ' ' : byte;
    }
  }
  return out;
}

std::string AnsiToCddbText(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (char byte : text) {
    const char32_t c = AnsiCharacter(static_cast<unsigned char>(byte));
    AppendUtf8(out, c == kNoCharacter ? U'?' : c);
  }
  return out;
}

std::string FormEncode(std::string_view text) {
  std::string out;
  for (char c : text) {
    if (IsUnreserved(c)) {
      out += c;
    } else if (c == ' ') {
      out += '+';
    } else {
      char escape[4];
      std::snprintf(escape, sizeof escape, "%%%02X", static_cast<unsigned char>(c));
      out += escape;
    }
  }
  return out;
}

std::string CddbRequestQuery(std::string_view command, std::string_view user, std::string_view host,
                             std::string_view clientName, std::string_view clientVersion) {
  return "cmd=" + FormEncode(AnsiToCddbText(command)) + "&hello=" + HelloWord(user) + "+" + HelloWord(host) + "+" +
         HelloWord(clientName) + "+" + HelloWord(clientVersion) + "&proto=6";
}

std::string CddbCacheFileName(std::string_view command) {
  constexpr size_t kReadablePart = 80 - 17;  // leaves room for "-" and 16 hex digits
  std::string name;
  for (char c : command.substr(0, kReadablePart)) name += IsUnreserved(c) && c != '.' && c != '~' ? c : '_';
  const uint64_t hash = Fnv1a(command);
  char text[18];
  std::snprintf(text, sizeof text, "-%08x%08x", static_cast<unsigned>(hash >> 32), static_cast<unsigned>(hash));
  return name + text;
}

std::string BasicCredentials(const std::string& user, const std::string& password) {
  static const char kDigits[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
  std::string plain = AnsiToCddbText(user + ":" + password);
  std::string encoded;
  for (size_t i = 0; i < plain.size(); i += 3) {
    uint32_t group = static_cast<uint8_t>(plain[i]) << 16;
    if (i + 1 < plain.size()) group |= static_cast<uint8_t>(plain[i + 1]) << 8;
    if (i + 2 < plain.size()) group |= static_cast<uint8_t>(plain[i + 2]);
    encoded += kDigits[(group >> 18) & 63];
    encoded += kDigits[(group >> 12) & 63];
    encoded += i + 1 < plain.size() ? kDigits[(group >> 6) & 63] : '=';
    encoded += i + 2 < plain.size() ? kDigits[group & 63] : '=';
  }
  return "Basic " + encoded;
}
