#include "app/mp3_player.h"

#include "platform/text.h"

std::string CleanPlayerCommand(const std::string& command) {
  std::string text = command;
  while (!text.empty() && (text.back() == '"' || text.back() == '%' || text.back() == '1'))
    text.pop_back();
  text = TrimRight(text);
  while (!text.empty() && text.back() == '"') text.pop_back();
  // Leading blanks go before the quotes too, so "  \"path\"" is no trap.
  text = TrimLeft(text);
  size_t quotes = text.find_first_not_of('"');
  text = quotes == std::string::npos ? std::string() : text.substr(quotes);
  return TrimLeft(text);
}
