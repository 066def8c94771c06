#include <iconv.h>

#include "platform/code_page.h"

// The host build stands in for a Western system: Windows-1252.
std::u16string AnsiToUtf16(const std::string& text) {
  std::u16string out;
  iconv_t convert = iconv_open("UTF-16LE", "CP1252");
  if (convert == reinterpret_cast<iconv_t>(-1)) return out;
  for (char c : text) {
    char in[1] = {c};
    char units[4] = {};
    char* from = in;
    char* to = units;
    size_t inLeft = 1, outLeft = sizeof(units);
    bool ok = iconv(convert, &from, &inLeft, &to, &outLeft) != static_cast<size_t>(-1);
    out += ok && outLeft == 2 ? static_cast<char16_t>(static_cast<unsigned char>(units[0]) |
                                                      static_cast<unsigned char>(units[1]) << 8)
                              : u'\uFFFD';
  }
  iconv_close(convert);
  return out;
}
