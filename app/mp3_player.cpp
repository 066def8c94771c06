#include "app/mp3_player.h"

#include "platform/text.h"

std::string CleanPlayerCommand(const std::string& command) {
  // A quoted program path ends at its closing quote: switches between it
  // and the placeholder ("/Open", "/prefetch:6") are no part of the path.
  std::string lead = TrimLeft(command);
  size_t closing = lead.size() > 1 && lead[0] == '"' ? lead.find('"', 1) : std::string::npos;
  if (closing != std::string::npos) return lead.substr(1, closing - 1);
  std::string text = command;
  // The placeholder "%1" and its quotes go; a '1' that ends the player's
  // own name stays.
  for (;;) {
    if (!text.empty() && text.back() == '"') {
      text.pop_back();
    } else if (text.size() >= 2 && text.compare(text.size() - 2, 2, "%1") == 0) {
      text.resize(text.size() - 2);
    } else if (!text.empty() && text.back() == '%') {
      text.pop_back();
    } else {
      break;
    }
  }
  text = TrimRight(text);
  while (!text.empty() && text.back() == '"') text.pop_back();
  // Leading blanks go before the quotes too, so "  \"path\"" is no trap.
  text = TrimLeft(text);
  size_t quotes = text.find_first_not_of('"');
  text = quotes == std::string::npos ? std::string() : text.substr(quotes);
  return TrimLeft(text);
}
