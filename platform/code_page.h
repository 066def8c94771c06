#pragma once
// The code-page seam: the program keeps ANSI text in the system's code
// page; formats that carry Unicode (ID3v2 frames) need it as UTF-16.
#include <string>

// The UTF-16 form of ANSI text; a byte the code page does not define
// becomes U+FFFD.
std::u16string AnsiToUtf16(const std::string& text);
