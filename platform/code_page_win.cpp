#include <windows.h>

#include "platform/code_page.h"

std::u16string AnsiToUtf16(const std::string& text) {
  if (text.empty()) return std::u16string();
  int size = static_cast<int>(text.size());
  int count = MultiByteToWideChar(CP_ACP, 0, text.data(), size, nullptr, 0);
  if (count <= 0) return std::u16string();
  std::wstring wide(static_cast<size_t>(count), L'\0');
  MultiByteToWideChar(CP_ACP, 0, text.data(), size, wide.data(), count);
  return std::u16string(wide.begin(), wide.end());
}
